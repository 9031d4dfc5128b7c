#include "d3d/WindowsVersion.h"

#include <windows.h>

CWindowsVersion CWindowsVersion::Current()
{
    OSVERSIONINFOEXA ex = {};
    ex.dwOSVersionInfoSize = sizeof ex;
    if (GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&ex)))
        return CWindowsVersion(ex.dwPlatformId, ex.dwMajorVersion, ex.dwMinorVersion, ex.szCSDVersion,
                               ex.wServicePackMajor);
    OSVERSIONINFOA basic = {};
    basic.dwOSVersionInfoSize = sizeof basic;
    if (GetVersionExA(&basic))
        return CWindowsVersion(basic.dwPlatformId, basic.dwMajorVersion, basic.dwMinorVersion,
                               basic.szCSDVersion, 0);
    return CWindowsVersion();
}
