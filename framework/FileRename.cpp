#include "framework/FileRename.h"

#include "framework/Windows9x.h"

#include <string>

namespace {

const int kAsideNames = 100;

bool IsTaken(DWORD error)
{
    return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS;
}

// Renames to aside under a name nothing has; false (the error kept) when
// to cannot be renamed.
bool MoveAside(const char* to, std::string& aside)
{
    const std::string stem = std::string(to) + ".~" + std::to_string(GetCurrentProcessId());
    for (int n = 0; n < kAsideNames; ++n) {
        aside = stem + (n ? "." + std::to_string(n) : std::string()) + ".old";
        if (MoveFileA(to, aside.c_str()))
            return true;
        if (!IsTaken(GetLastError()))
            return false;
    }
    return false;
}

// The replacing rename of a system without one: two renames that never
// replace, the old file kept aside until the new one has its name.
bool ReplaceByRenames(const char* from, const char* to)
{
    if (GetFileAttributesA(from) == INVALID_FILE_ATTRIBUTES)
        return false;
    const DWORD target = GetFileAttributesA(to);
    if (target == INVALID_FILE_ATTRIBUTES)
        return MoveFileA(from, to) != FALSE;
    if (target & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    std::string aside;
    if (!MoveAside(to, aside))
        return false;
    if (!MoveFileA(from, to)) {
        const DWORD error = GetLastError();
        MoveFileA(aside.c_str(), to);
        SetLastError(error);
        return false;
    }
    DeleteFileA(aside.c_str());
    SetLastError(NO_ERROR);
    return true;
}

}  // namespace

bool RenameFile(const char* from, const char* to)
{
    if (MoveFileExOnNt(from, to, 0))
        return true;
    if (GetLastError() != ERROR_CALL_NOT_IMPLEMENTED)
        return false;
    return MoveFileA(from, to) != FALSE;
}

bool RenameFileOver(const char* from, const char* to)
{
    // Windows refuses to replace a read-only file; Wine run as root would not.
    const DWORD target = GetFileAttributesA(to);
    if (target != INVALID_FILE_ATTRIBUTES && (target & FILE_ATTRIBUTE_READONLY)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    if (MoveFileExOnNt(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    if (GetLastError() != ERROR_CALL_NOT_IMPLEMENTED)
        return false;
    return ReplaceByRenames(from, to);
}
