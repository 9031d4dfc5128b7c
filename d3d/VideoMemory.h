#pragma once
// Total and free video memory for surfaces (DDSCAPS_VIDEOMEMORY), asked of
// DirectDraw.
#include <windows.h>

struct IDirectDraw7;

// The interface of the window's DirectDraw object (CDirectDrawManager), or
// null when the window has none.
IDirectDraw7* GetAttachedDirectDraw(HWND hWnd);

// Asks the window's DirectDraw object; without one, a DirectDraw object is
// created for the query and released again. On any failure both are 0.
bool QueryVideoMemory(HWND hWnd, DWORD& total, DWORD& free);
