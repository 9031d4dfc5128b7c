#pragma once
// Total and free video memory for surfaces (DDSCAPS_VIDEOMEMORY), asked of
// DirectDraw.
#include <windows.h>

struct IDirectDraw7;

// The DirectDraw object attached to the window, or null. The window's
// DirectDraw objects belong to the DirectDraw layer; until it is connected
// here every window has none.
IDirectDraw7* GetAttachedDirectDraw(HWND hWnd);

// Asks the window's DirectDraw object; without one, a DirectDraw object is
// created for the query and released again. On any failure both are 0.
bool QueryVideoMemory(HWND hWnd, DWORD& total, DWORD& free);
