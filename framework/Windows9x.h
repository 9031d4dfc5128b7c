#pragma once

#include <windows.h>

// Windows 95, 98 and ME: the platform GetVersionExA reports (as Wine does for
// a program whose Windows version is set to "win98"), or a test's
// CForceWindows9x. Read once; the switch is read on every call.
bool IsWindows9x();

// While one lives, the process takes the paths of Windows 95, 98 and ME: the
// calls below answer as those systems' stubs do. For tests; nests.
class CForceWindows9x {
public:
    CForceWindows9x();
    ~CForceWindows9x();

private:
    CForceWindows9x(const CForceWindows9x&) = delete;
    CForceWindows9x& operator=(const CForceWindows9x&) = delete;
};

// Functions that Windows 95, 98 and ME export without implementing them.
// There (IsWindows9x) the system is not called: they fail with
// ERROR_CALL_NOT_IMPLEMENTED as its stubs do, so that the caller's fallback
// for that answer is the one path taken on those systems.
BOOL MoveFileExOnNt(LPCSTR from, LPCSTR to, DWORD flags);
// 0 (and ERROR_CALL_NOT_IMPLEMENTED) where it is a stub.
DWORD CharUpperBuffWOnNt(LPWSTR text, DWORD length);

// The share mode "read, write and delete" where the system knows the last:
// Windows 95, 98 and ME refuse FILE_SHARE_DELETE (ERROR_INVALID_PARAMETER).
DWORD ShareAllMode();
