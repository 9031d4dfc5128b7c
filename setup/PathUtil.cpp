#include "setup/PathUtil.h"

#include <cstdarg>

std::string MakeFullPath(const std::string& path)
{
    if (IsAbsolutePath(path))
        return CleanPath(path);
    char buf[MAX_PATH];
    char* filePart = nullptr;
    const DWORD n = GetFullPathNameA(path.c_str(), sizeof buf, buf, &filePart);
    if (n == 0 || n >= sizeof buf)
        return std::string();
    return buf;
}

std::string GetModulePath()
{
    char buf[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, buf, sizeof buf);
    if (n == 0 || n >= sizeof buf)
        return std::string();
    return MakeFullPath(std::string(buf, n));
}

std::string GetModuleFolder()
{
    std::string drive, dir, name, ext;
    SplitPathParts(GetModulePath(), drive, dir, name, ext);
    std::string folder = drive + dir;
    if (!folder.empty() && folder.back() == '\\')
        folder.pop_back();
    return folder;
}

bool SetCurrentFolder(const std::string& path)
{
    return SetCurrentDirectoryA(path.c_str()) != FALSE;
}

bool CreateFolder(const std::string& path)
{
    if (path.empty())
        return false;
    return CreateDirectoryA(path.c_str(), nullptr) != FALSE;
}

bool MakeFolderChain(const std::string& folder)
{
    const std::string parent = ParentFolder(folder);
    if (parent != folder) {
        MakeFolderChain(parent);
        CreateFolder(parent);  // fails when it exists; that is fine
    }
    return CreateFolder(folder);
}

std::string FormatText(const char* format, ...)
{
    char buf[4096];
    va_list args;
    va_start(args, format);
    const int n = wvsprintfA(buf, format, args);
    va_end(args);
    std::string out(buf, n > 0 ? static_cast<size_t>(n) : 0);
    if (!out.empty() && out.back() == '\n')
        out.pop_back();
    return out;
}
