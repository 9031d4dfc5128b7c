// An uninstall record read as the reader reads it: whole lines from the text
// table, then the records; checks that the records use no more lines than
// the text has and that only the last one may be broken.
#include "filesystem/TextTable.h"
#include "setup/UninstallRecord.h"

#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CTextTable table;
    table.SetSplitBlanks(false);
    table.SetSplitCommas(false);
    table.SetCollapseBlanks(false);
    table.SetCollapseCommas(false);
    table.LoadBuffer(data, uint32_t(size));
    std::vector<std::string> lines;
    std::string line;
    while (table.ReadLine(1, &line))
        lines.push_back(line);
    // Every path and marker is a line of its own: a complete record takes
    // five lines besides its paths, a broken one at least its name line.
    size_t used = 0;
    std::vector<CUninstallRecord> records = ParseUninstallRecords(lines);
    for (size_t i = 0; i < records.size(); ++i) {
        used += records[i].files.size() + records[i].folders.size() + (records[i].complete ? 5 : 1);
        if (!records[i].complete && i + 1 != records.size())
            std::abort();  // only the last record may be broken
    }
    if (used > lines.size())
        std::abort();
    return 0;
}
