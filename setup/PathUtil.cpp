#include "setup/PathUtil.h"

#include <cstdarg>

namespace {

std::string Clean(const std::string& s) { return CollapseBackslashes(NormalizeSlashes(s)); }

// Owns one FindFirstFileA search.
class CSearchHandle {
public:
    explicit CSearchHandle(const std::string& pattern, WIN32_FIND_DATAA& data)
        : m_Handle(FindFirstFileA(pattern.c_str(), &data)) {}
    ~CSearchHandle() { if (IsOpen()) FindClose(m_Handle); }
    CSearchHandle(const CSearchHandle&) = delete;
    CSearchHandle& operator=(const CSearchHandle&) = delete;
    bool IsOpen() const { return m_Handle != INVALID_HANDLE_VALUE; }
    bool Next(WIN32_FIND_DATAA& data) { return FindNextFileA(m_Handle, &data) != FALSE; }

private:
    HANDLE m_Handle;
};

}  // namespace

std::string MakeFullPath(const std::string& path)
{
    if (IsAbsolutePath(path))
        return Clean(path);
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

CFindFile::~CFindFile() { Close(); }

void CFindFile::Close()
{
    if (m_Handle) {
        FindClose(m_Handle);
        m_Handle = nullptr;
    }
}

bool CFindFile::Find(const std::string& pathOrPattern)
{
    Close();
    const HANDLE h = FindFirstFileA(pathOrPattern.c_str(), &m_Data);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    m_Handle = h;
    return true;
}

void CFileList::List(const std::string& folder, const std::string& pattern, bool recurse)
{
    m_Files.clear();
    ListInto(folder, pattern, recurse);
}

void CFileList::ListInto(const std::string& folder, const std::string& pattern, bool recurse)
{
    const std::string prefix = folder.empty() ? std::string() : folder + "\\";
    WIN32_FIND_DATAA data;
    CSearchHandle search(Clean(prefix + pattern), data);
    if (!search.IsOpen())
        return;
    do {
        const std::string name = data.cFileName;
        if (name == "." || name == "..")
            continue;
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            m_Files.push_back(Clean(prefix + name));
        else if (recurse)
            ListInto(Clean(prefix + name), pattern, recurse);
    } while (search.Next(data));
}
