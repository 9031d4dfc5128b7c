#include "framework/Windows9x.h"

namespace {

volatile LONG g_Forced = 0;

bool ReportsWindows9x()
{
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof info;
    return GetVersionExA(&info) && info.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
}

}  // namespace

bool IsWindows9x()
{
    // Computed by the first caller; a race computes the same answer twice.
    static const bool platform = ReportsWindows9x();
    return platform || g_Forced > 0;
}

CForceWindows9x::CForceWindows9x()
{
    InterlockedIncrement(&g_Forced);
}

CForceWindows9x::~CForceWindows9x()
{
    InterlockedDecrement(&g_Forced);
}

BOOL MoveFileExOnNt(LPCSTR from, LPCSTR to, DWORD flags)
{
    if (IsWindows9x()) {
        SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
        return FALSE;
    }
    return MoveFileExA(from, to, flags);
}

DWORD CharUpperBuffWOnNt(LPWSTR text, DWORD length)
{
    if (IsWindows9x()) {
        SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
        return 0;
    }
    return CharUpperBuffW(text, length);
}

DWORD ShareAllMode()
{
    const DWORD readWrite = FILE_SHARE_READ | FILE_SHARE_WRITE;
    return IsWindows9x() ? readWrite : readWrite | FILE_SHARE_DELETE;
}
