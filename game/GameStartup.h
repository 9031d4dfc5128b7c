#pragma once
// The game's process start-up object, made first in WinMain: runs the
// start-up callbacks and builds the blend tables; its end stops every
// framework thread and runs the shutdown callbacks (which close the debug
// window and the DirectDraw objects left).
#include <windows.h>

class CGameStartup {
public:
    // `mainWindow` gives the window that owns the file readers' error boxes.
    explicit CGameStartup(HWND (*mainWindow)());
    ~CGameStartup();

private:
    CGameStartup(const CGameStartup&) = delete;
    CGameStartup& operator=(const CGameStartup&) = delete;
};
