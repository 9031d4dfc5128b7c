// A text table read with every option set from the first byte.
#include "filesystem/TextTable.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    CTextTable table;
    table.SetSplitBlanks(data[0] & 1);
    table.SetSplitCommas(data[0] & 2);
    table.SetCollapseBlanks(data[0] & 4);
    table.SetCollapseCommas(data[0] & 8);
    table.LoadBuffer(data + 1, uint32_t(size - 1));
    std::string fields[4];
    int lines = 0;
    while (table.ReadLine(4, fields))
        ++lines;
    table.SkipLines(lines);
    return 0;
}
