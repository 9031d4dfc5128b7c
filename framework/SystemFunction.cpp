#include "framework/SystemFunction.h"

FARPROC FindSystemFunction(const char* module, const char* name)
{
    HMODULE loaded = GetModuleHandleA(module);
    if (!loaded) {
        // A missing DLL is an answer here, not a reason for a system message box.
        const UINT mode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
        loaded = LoadLibraryA(module);
        SetErrorMode(mode);
    }
    return loaded ? GetProcAddress(loaded, name) : nullptr;
}
