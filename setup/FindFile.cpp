#include "setup/FindFile.h"

bool CFindFile::Find(const std::string& pathOrPattern)
{
    Close();  // first: the caller may read GetLastError after a miss
    m_Handle.Reset(FindFirstFileA(pathOrPattern.c_str(), &m_Data));
    return m_Handle.IsValid();
}

bool FindExists(const std::string& pathOrPattern)
{
    CFindFile find;
    return find.Find(pathOrPattern);
}

bool FindFolder(const std::string& path)
{
    CFindFile find;
    return find.Find(path) && (find.Data().dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}
