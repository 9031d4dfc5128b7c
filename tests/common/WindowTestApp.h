#pragma once
// An application window whose thread runs work handed to it, so that tests
// use the window-bound layers (Direct3D, DirectDraw, display changes) where a
// game does: on the window thread, where CAppManager::GetHWnd names the
// window.
#include "framework/AppBase.h"
#include "framework/CriticalSection.h"

#include <functional>

class WindowTestApp : public CAppBase {
public:
    // A popup window with a client area of width x height.
    WindowTestApp(int width, int height, const char* className = "QuillD3DTest");
    ~WindowTestApp() override;

    // Starts the window thread; false when the window cannot be made.
    bool Start();
    // Runs work on the window thread and waits for it (at most 60 s).
    bool Run(const std::function<void()>& work);
    // Makes the window active and in front (on the window thread).
    void Activate();

    void OnSetupWindow(CWindowParams& params) override;
    void MainLoop() override;

private:
    int m_Width, m_Height;
    const char* m_ClassName;
    CCriticalSection m_Lock;
    const std::function<void()>* m_Work = nullptr;
    HANDLE m_Done;
};
