#include "D3DTestApp.h"

D3DTestApp::D3DTestApp(int width, int height, const char* className)
    : m_Width(width), m_Height(height), m_ClassName(className), m_Done(CreateEventA(NULL, FALSE, FALSE, NULL))
{
    SetQuitOnDestroy(false);
}

D3DTestApp::~D3DTestApp()
{
    CloseNoQuery();
    Stop();
    CloseHandle(m_Done);
}

bool D3DTestApp::Start() { return CAppBase::Run(); }

void D3DTestApp::OnSetupWindow(CWindowParams& params)
{
    params.m_WndClass.lpszClassName = m_ClassName;
    params.m_Title = "d3d";
    params.m_Style = WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    params.m_Width = m_Width;
    params.m_Height = m_Height;
}

void D3DTestApp::MainLoop()
{
    while (Update()) {
        const std::function<void()>* work = nullptr;
        {
            std::lock_guard<std::mutex> lock(m_Mutex);
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

bool D3DTestApp::Run(const std::function<void()>& work)
{
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_Work = &work;
    }
    return WaitForSingleObject(m_Done, 60000) == WAIT_OBJECT_0;
}

void D3DTestApp::Activate()
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
