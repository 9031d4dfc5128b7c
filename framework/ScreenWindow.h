#pragma once
#include "framework/Window.h"

// A game screen: maximise, minimise and restore switch full screen, and the
// menu is shown in a strip at the top of the screen while in full screen.
class CScreenWindow : public CWindow {
public:
    CScreenWindow();
    ~CScreenWindow() override;
    bool Create(const CWindowParams& params) override;
    void Destroy() override;
    bool IsActive() override;
    LRESULT WindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) override;
    bool SetFullScreen(int depth) override;
    virtual void OnFullScreenChanged(int depth);

    HWND GetMenuStrip() const { return m_hStrip; }

private:
    LRESULT StripProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OwnHandling(UINT message, WPARAM wParam, LPARAM lParam);
    void ShowMenuStrip();
    void HideMenuStrip();
    void DestroyMenuStrip();
    void ClearScreenFields();

    unsigned char m_MinimisedFromFullScreen;
    int m_SavedDepth;
    unsigned char m_StripShown;
    unsigned char m_SkipNextErase;
    HWND m_hStrip;
    int m_StripWidth, m_StripHeight;
    unsigned char m_WindowActive;
    unsigned char m_StripActive;
};
