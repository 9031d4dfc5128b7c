#pragma once

#include <windows.h>

// COM for the calling thread, counted: CoInitialize on the first call of a
// thread, CoUninitialize when its count returns to 0.
bool ComInitialize();
void ComUninitialize();
// The calling thread's count (0 without an entry).
LONG GetComInitCount();
