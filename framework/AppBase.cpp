#include "framework/AppBase.h"
#include "framework/AppManager.h"
#include "framework/DebugPrint.h"
#include "framework/ThreadList.h"
#include <new>

namespace {
// Set while any application's close query is open.
volatile unsigned char g_CloseQueryOpen = 0;
}

CAppBase::CAppBase() : m_Window(nullptr), m_CloseNoQuery(0), m_QuitOnDestroy(1)
{
    m_CreateWndEvent.Reset();
}

CAppBase::~CAppBase()
{
    // Joined before the window object goes: the window thread uses it.
    CThread::RequestStop();
    Stop();
    DestroyWindowObject();
}

void CAppBase::MainLoop()
{
    while (Update())
        Sleep(16);
}

bool CAppBase::Run()
{
    m_CreateWndEvent.Reset();
    if (!Start(0))
        return false;
    if (m_CreateWndEvent.Wait(10000) == WAIT_TIMEOUT)
        DebugPrint("CAppBase::Run() m_CreateWndEventがタイムアウトした");
    return GetWindow() != nullptr;
}

void CAppBase::Close() { PostMessageA(GetHWnd(), WM_CLOSE, 0, 0); }

void CAppBase::CloseNoQuery()
{
    m_CloseNoQuery = 1;
    PostMessageA(GetHWnd(), WM_CLOSE, 0, 0);
}

bool CAppBase::Update()
{
    PumpMessages();
    return IsRunning();
}

void CAppBase::Quit() { CThread::RequestStop(); }

void CAppBase::PumpMessages() { DispatchPendingMessages(); }

void CAppBase::CreateWindowObject()
{
    DestroyWindowObject();
    m_Window = new (std::nothrow) CWindow;
}

void CAppBase::DestroyWindowObject()
{
    delete m_Window;
    m_Window = nullptr;
}

void CAppBase::ThreadProc()
{
    if (!m_TimerService.IsRunning())
        m_TimerService.Start(0);
    CreateWindowObject();
    m_CloseNoQuery = 0;
    CAppManager& manager = CAppManager::GetInstance();
    manager.RegisterApp(this);
    manager.AttachMessageHandler(this);

    CWindowParams params;
    OnInit();
    OnSetupWindow(params);
    if (!m_Window || !m_Window->Create(params)) {
        DestroyWindowObject();
        DebugPrint("CAppBase::ThreadProc() ウィンドウ作成に失敗しました");
        m_CreateWndEvent.Set();
        m_TimerService.RequestStop();
        // Not left registered: the entry would outlive this object.
        manager.UnregisterApp(this);
        return;
    }
    BringWindowToTop(GetHWnd());
    m_CreateWndEvent.Set();
    MainLoop();
    OnExit();

    HWND hWnd = GetHWnd();
    m_Window->Destroy();
    PostMessageA(hWnd, WM_DESTROY, 0, 0);
    PumpMessages();
    m_TimerService.RequestStop();
    if (m_QuitOnDestroy)
        CThreadList::GetInstance().StopAll();
    Quit();
    manager.DetachMessageHandler(this);
    manager.UnregisterApp(this);
}

int CAppBase::OnMessage(HWND hWnd, UINT message, WPARAM, LPARAM)
{
    if (message == WM_ERASEBKGND && DrawsWholeClient())
        return 1;
    if (message == WM_PAINT && DrawsWholeClient()) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hWnd, &ps);
        OnPaint(dc, ps.rcPaint);
        EndPaint(hWnd, &ps);
        return 1;
    }
    if (message == WM_DESTROY) {
        if (m_QuitOnDestroy)
            PostQuitMessage(0);
        return 0;
    }
    if (message != WM_CLOSE)
        return 0;
    if (m_CloseNoQuery) {
        Quit();
        return 1;
    }
    CCriticalLock lock(m_CloseLock);
    if (g_CloseQueryOpen)
        return 1;  // a second close while the query is open is ignored
    g_CloseQueryOpen = 1;
    bool allowed = OnQueryClose();
    g_CloseQueryOpen = 0;
    if (allowed) {
        lock.Leave();
        Quit();
    }
    return 1;
}
