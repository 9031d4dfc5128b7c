#include "common/WindowTestApp.h"

WindowTestApp::WindowTestApp(int width, int height, const char* className)
    : m_Width(width), m_Height(height), m_ClassName(className), m_Done(CreateEventA(NULL, FALSE, FALSE, NULL))
{
    SetQuitOnDestroy(false);
}

WindowTestApp::~WindowTestApp()
{
    CloseNoQuery();
    Stop();
    CloseHandle(m_Done);
}

bool WindowTestApp::Start() { return CAppBase::Run(); }

void WindowTestApp::OnSetupWindow(CWindowParams& params)
{
    params.m_WndClass.lpszClassName = m_ClassName;
    params.m_Title = "d3d";
    params.m_Style = WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    params.m_Width = m_Width;
    params.m_Height = m_Height;
}

void WindowTestApp::MainLoop()
{
    while (Update()) {
        const std::function<void()>* work = nullptr;
        {
            CCriticalLock lock(m_Lock);
            work = m_Work;
            m_Work = nullptr;
        }
        if (work) {
            (*work)();
            SetEvent(m_Done);
        } else {
            Sleep(1);
        }
    }
}

bool WindowTestApp::Run(const std::function<void()>& work)
{
    {
        CCriticalLock lock(m_Lock);
        m_Work = &work;
    }
    return WaitForSingleObject(m_Done, 60000) == WAIT_OBJECT_0;
}

void WindowTestApp::Activate()
{
    Run([this] {
        HWND hWnd = GetHWnd();
        ShowWindow(hWnd, SW_RESTORE);
        SetForegroundWindow(hWnd);
        SetActiveWindow(hWnd);
        SetFocus(hWnd);
        PumpMessages();
    });
}
