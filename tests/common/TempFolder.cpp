#include "common/TempFolder.h"

#include "common/TestFiles.h"

#include <windows.h>

#include <atomic>

CTempFolder::CTempFolder(const std::string& tag)
{
    static std::atomic<int> counter{0};
    char base[MAX_PATH];
    GetTempPathA(MAX_PATH, base);
    std::string folder(base);
    if (!folder.empty() && folder.back() != '\\')
        folder += '\\';
    m_Path = folder + "quill_" + tag + "_" + std::to_string(GetCurrentProcessId()) + "_" +
             std::to_string(++counter);
    RemoveTree(m_Path);
    MakeFolders(m_Path);
}

CTempFolder CTempFolder::At(const std::string& path)
{
    CTempFolder folder;
    folder.m_Path = path;
    RemoveTree(path);
    MakeFolders(path);
    return folder;
}

CTempFolder::CTempFolder(CTempFolder&& other) : m_Path(other.m_Path)
{
    other.m_Path.clear();
}

CTempFolder::~CTempFolder()
{
    if (m_Path.empty())
        return;
    // A test may have left the process inside the folder.
    char current[MAX_PATH];
    DWORD n = GetCurrentDirectoryA(MAX_PATH, current);
    if (n > 0 && n < MAX_PATH && std::string(current).compare(0, m_Path.size(), m_Path) == 0) {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        SetCurrentDirectoryA(temp);
    }
    RemoveTree(m_Path);
}
