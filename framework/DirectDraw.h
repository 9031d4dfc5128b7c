#pragma once
// The DirectDraw 7 interface of one window, with a clipper for that window.
// Made through COM on the calling thread, whose COM use it ends when it goes
// (when it goes on that thread).
#include "framework/ComRef.h"

#include <windows.h>
#include <ddraw.h>

#include <memory>

class CDirectDrawClipper;

class CDirectDraw {
public:
    // Runs _Initialize; without success the object has no interface.
    explicit CDirectDraw(HWND hWnd);
    // Restores the display mode and the normal cooperative level after full
    // screen, releases every DirectDraw surface made on this object, then
    // the interface.
    virtual ~CDirectDraw();

    // On success the full-screen flag becomes flags & DDSCL_FULLSCREEN.
    bool SetCooperativeLevel(DWORD flags);
    bool SetDisplayMode(int width, int height, int bitsPerPixel, int refreshRate);
    bool RestoreDisplayMode();

    HWND GetHWnd() const { return m_hWnd; }
    IDirectDraw7* GetInterface() const { return m_DirectDraw.Get(); }
    // The window's clipper, or null.
    IDirectDrawClipper* GetClipper() const;
    bool IsFullScreen() const { return m_FullScreen != 0; }

    enum {
        kNormalLevel = DDSCL_NORMAL | DDSCL_MULTITHREADED,                          // 0x408
        kFullScreenLevel = DDSCL_FULLSCREEN | DDSCL_EXCLUSIVE | DDSCL_MULTITHREADED,  // 0x411
    };

protected:
    // COM, the DirectDraw object (hardware, else emulation), the normal
    // cooperative level and the clipper; false when there is no interface.
    bool _Initialize();

    HWND m_hWnd;
    CComRef<IDirectDraw7> m_DirectDraw;
    std::unique_ptr<CDirectDrawClipper> m_Clipper;
    BYTE m_FullScreen;
    // The thread whose COM use _Initialize started.
    DWORD m_ComThread;

private:
    CDirectDraw(const CDirectDraw&) = delete;
    CDirectDraw& operator=(const CDirectDraw&) = delete;
};
