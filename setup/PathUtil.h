#pragma once
// Path and folder helpers of the install toolkit (Win32 side); the pure
// string scanning lives in SjisString.h and is re-exported here.
#include "setup/SjisString.h"

#include <windows.h>

#include <string>
#include <vector>

// Absolute paths are normalised and collapsed; relative ones are resolved
// against the current directory (GetFullPathNameA, 260 bytes).
std::string MakeFullPath(const std::string& path);
std::string GetModulePath();
// The program's folder without a trailing backslash.
std::string GetModuleFolder();
bool SetCurrentFolder(const std::string& path);
// One folder; its parent must exist. An empty path gives false.
bool CreateFolder(const std::string& path);
// Creates every missing folder on the way; false when the folder itself
// already existed.
bool MakeFolderChain(const std::string& folder);
// wvsprintfA into 4,096 bytes; one trailing newline removed.
std::string FormatText(const char* format, ...);

// Existence test by FindFirstFileA; the search handle stays open until the
// next test or destruction.
class CFindFile {
public:
    CFindFile() = default;
    ~CFindFile();
    CFindFile(const CFindFile&) = delete;
    CFindFile& operator=(const CFindFile&) = delete;

    bool Find(const std::string& pathOrPattern);
    // The data of the last successful test.
    const WIN32_FIND_DATAA& Data() const { return m_Data; }
    void Close();

private:
    HANDLE m_Handle = nullptr;
    WIN32_FIND_DATAA m_Data{};
};

// Recursive file listing: full paths of the files below a folder, in the
// order the system returns them, a subfolder's files where it was met.
class CFileList {
public:
    void List(const std::string& folder, const std::string& pattern, bool recurse);
    const std::vector<std::string>& Files() const { return m_Files; }

private:
    void ListInto(const std::string& folder, const std::string& pattern, bool recurse);
    std::vector<std::string> m_Files;
};
