#pragma once

#include <windows.h>

// An entry point of a system DLL that may be missing (DirectX, functions
// newer than the oldest Windows the program runs on), looked up at run time
// instead of imported, so that the program starts without it. The DLL is
// loaded on first use and stays loaded for the life of the process (objects
// it made may outlive their maker). Null when the DLL or the name is missing.
FARPROC FindSystemFunction(const char* module, const char* name);

template <class Function>
Function FindSystemFunction(const char* module, const char* name)
{
    return reinterpret_cast<Function>(reinterpret_cast<void*>(FindSystemFunction(module, name)));
}
