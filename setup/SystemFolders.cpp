#include "setup/SystemFolders.h"

#include <windows.h>
#include <shlobj.h>

std::string GetSpecialFolderPath(int csidl)
{
    IMalloc* allocator = nullptr;
    if (FAILED(SHGetMalloc(&allocator)) || allocator == nullptr)
        return std::string();
    std::string path;
    LPITEMIDLIST items = nullptr;
    if (SUCCEEDED(SHGetSpecialFolderLocation(nullptr, csidl, &items)) && items != nullptr) {
        char buffer[MAX_PATH];
        if (SHGetPathFromIDListA(items, buffer))
            path = buffer;
        allocator->Free(items);
    }
    allocator->Release();
    return path;
}

std::string GetTempFolder()
{
    char buffer[MAX_PATH];
    DWORD n = GetTempPathA(MAX_PATH, buffer);
    return n > 0 && n < MAX_PATH ? std::string(buffer, n) : std::string();
}

std::string GetWindowsFolder()
{
    char buffer[MAX_PATH];
    UINT n = GetWindowsDirectoryA(buffer, MAX_PATH);
    return n > 0 && n < MAX_PATH ? std::string(buffer, n) : std::string();
}

std::string GetCurrentFolder()
{
    char buffer[MAX_PATH];
    DWORD n = GetCurrentDirectoryA(MAX_PATH, buffer);
    return n > 0 && n < MAX_PATH ? std::string(buffer, n) : std::string();
}
