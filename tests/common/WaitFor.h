#pragma once
// Bounded polling for tests: true once done() holds, false after ms.
#include <windows.h>

template <class F>
bool WaitFor(F done, DWORD ms = 10000, DWORD pollMs = 5)
{
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > ms)
            return false;
        ::Sleep(pollMs);
    }
    return true;
}
