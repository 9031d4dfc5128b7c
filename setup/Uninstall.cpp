#include "setup/Uninstall.h"

#include "filesystem/TextTable.h"
#include "setup/PathUtil.h"
#include "setup/ProductLookup.h"
#include "setup/UninstallRecord.h"

#include <windows.h>

#include <vector>

namespace {

// The record's non-empty lines, whole: values may hold blanks (runs of them
// too) and commas.
bool ReadRecordLines(const std::string& recordPath, std::vector<std::string>& lines)
{
    CTextTable table;
    table.SetSplitBlanks(false);
    table.SetSplitCommas(false);
    table.SetCollapseBlanks(false);
    table.SetCollapseCommas(false);
    if (!table.LoadFile(recordPath))
        return false;
    std::string line;
    while (table.ReadLine(1, &line))
        lines.push_back(line);
    return true;
}

// A relative line needs a product folder: without one it would name a
// path below the current drive's root.
std::string RecordPath(const std::string& productFolder, const std::string& line)
{
    if (IsAbsolutePath(line))
        return line;
    if (productFolder.empty())
        return std::string();
    return CollapseBackslashes(productFolder + "\\" + line);
}

}  // namespace

int Uninstall(const std::string& recordPath)
{
    std::vector<std::string> lines;
    if (!ReadRecordLines(recordPath, lines))
        return kUninstallUnreadable;

    std::vector<std::string> folders, products;
    for (const CUninstallRecord& record : ParseUninstallRecords(lines)) {
        std::string folder, program;
        if (!FindInstalledProduct(record.product, folder, program))
            return kUninstallNotInstalled;
        for (const std::string& line : record.files) {
            const std::string path = RecordPath(folder, line);
            if (!path.empty())
                DeleteFileA(path.c_str());
        }
        for (const std::string& line : record.folders) {
            const std::string path = RecordPath(folder, line);
            if (!path.empty())
                RemoveDirectoryA(path.c_str());
        }
        if (!record.complete)
            return kUninstallFormatError;
        folders.push_back(folder);
        products.push_back(record.product);
    }
    for (const std::string& product : products) {
        UnregisterAppPath(product);
        UnregisterUninstall(product);
    }
    DeleteFileA(recordPath.c_str());
    for (const std::string& folder : folders)
        if (!folder.empty())
            RemoveDirectoryA(folder.c_str());
    return kUninstallDone;
}
