#pragma once
#include "framework/Handle.h"

#include <windows.h>

#include <string>

// Existence test by FindFirstFileA; the search handle stays open until the
// next test or destruction.
class CFindFile {
public:
    CFindFile() = default;
    CFindFile(const CFindFile&) = delete;
    CFindFile& operator=(const CFindFile&) = delete;

    bool Find(const std::string& pathOrPattern);
    // The data of the last successful test.
    const WIN32_FIND_DATAA& Data() const { return m_Data; }
    void Close() { m_Handle.Close(); }

private:
    CFindHandle m_Handle;
    WIN32_FIND_DATAA m_Data{};
};

// True when a file or folder matches; the search is closed right away.
bool FindExists(const std::string& pathOrPattern);
// True when the first match is a folder (a file of that name is not one).
bool FindFolder(const std::string& path);
