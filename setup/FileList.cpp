#include "setup/FileList.h"

#include "framework/Handle.h"
#include "setup/SjisString.h"

#include <windows.h>

void CFileList::List(const std::string& folder, const std::string& pattern, bool recurse)
{
    m_Files.clear();
    ListInto(folder, pattern, recurse);
}

void CFileList::ListInto(const std::string& folder, const std::string& pattern, bool recurse)
{
    const std::string prefix = folder.empty() ? std::string() : folder + "\\";
    WIN32_FIND_DATAA data;
    CFindHandle search(FindFirstFileA(CleanPath(prefix + pattern).c_str(), &data));
    if (!search.IsValid())
        return;
    do {
        const std::string name = data.cFileName;
        if (name == "." || name == "..")
            continue;
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            m_Files.push_back(CleanPath(prefix + name));
        else if (recurse)
            ListInto(CleanPath(prefix + name), pattern, recurse);
    } while (FindNextFileA(search.Get(), &data));
}
