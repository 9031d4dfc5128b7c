#pragma once
// Changes the display mode through the DirectDraw object of the calling
// thread's application window; without one (off a window thread, or no
// DirectDraw object for the window) it works through an embedded Win32 API
// changer from construction on.
#include "framework/ChangeDisplay.h"

class CDirectDraw;

class CChangeDisplayDDraw : public CChangeDisplay {
public:
    CChangeDisplayDDraw();
    ~CChangeDisplayDDraw() override;
    bool ChangeDisplay(int width, int height, int depth) override;
    // Always the Win32 API test.
    bool CanChange(int width, int height, int depth) override;
    bool Reset() override;
    bool IsChanged() override;
    int GetKind() override { return 2; }

    // Whether the changer works through DirectDraw (else through Win32).
    bool UsesDirectDraw() const { return m_DirectDraw != nullptr; }

private:
    // The window's DirectDraw object as the manager has it now (it may have
    // gone since construction); null when there is none.
    CDirectDraw* Current();

    HWND m_hWnd;
    CDirectDraw* m_DirectDraw;
    unsigned char m_Changed;
    CChangeDisplayWin32API m_Win32;
};
