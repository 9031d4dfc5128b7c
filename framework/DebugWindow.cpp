#include "framework/DebugWindow.h"
#include "framework/DebugOutput.h"
#include "framework/DebugPrint.h"
#include "framework/StartupCallbacks.h"
#include "framework/ThreadList.h"

namespace {
const UINT kDrainMessage = WM_APP + 0x1D0;
}

CDebugWindow& CDebugWindow::GetInstance()
{
    // The timer thread that the constructor starts registers with the thread
    // list, which must not need the process lock then.
    CThreadList::GetInstance();
    return CServiceObject<CDebugWindow>::Get();
}

// Lives until the process ends; the shutdown callback closes its window.
CDebugWindow::CDebugWindow() : m_WindowOn(0), m_LogOn(0), m_LogOpen(false)
{
    SetQuitOnDestroy(false);
    AddShutdownCallback(make_callback(this, &CDebugWindow::OnShutdown));
    SetDebugPrintSink(DebugOutput);
}

CDebugWindow::~CDebugWindow() { m_Log.Close(); }

void CDebugWindow::OnShutdown(CDebugWindow* window)
{
    window->CloseNoQuery();
    window->Quit();
}

void CDebugWindow::OnSetupWindow(CWindowParams& params)
{
    params.m_WndClass.lpszClassName = "LISTBOX";
    params.m_Title = "デバッグ表示";
    params.m_Style = 0x10EF0100;
    params.m_X = 0;
    params.m_Y = 0;
    params.m_Centre = 0;
    params.m_Width = 600;
    params.m_Height = 150;
}

bool CDebugWindow::EnsureRunning()
{
    if (GetWindow())
        return true;
    if (GetCurrentThreadId() == GetThreadId())
        return false;
    CCriticalLock lock(m_RunLock);
    if (GetWindow())
        return true;
    return Run();
}

void CDebugWindow::Queue(bool clear, const char* text)
{
    CCriticalLock lock(m_OutputLock);
    HWND hWnd = GetHWnd();
    if (!hWnd)
        return;
    Pending item = {clear, clear ? std::string() : std::string(text)};
    bool wasEmpty = m_Pending.empty();
    m_Pending.push_back(item);
    if (wasEmpty)
        PostMessageA(hWnd, kDrainMessage, 0, 0);
}

void CDebugWindow::Drain()
{
    std::vector<Pending> items;
    {
        CCriticalLock lock(m_OutputLock);
        items.swap(m_Pending);
    }
    HWND hWnd = GetHWnd();
    if (!hWnd)
        return;
    for (const Pending& item : items) {
        if (item.clear) {
            SendMessageA(hWnd, LB_RESETCONTENT, 0, 0);
            continue;
        }
        SendMessageA(hWnd, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.text.c_str()));
        LRESULT count = SendMessageA(hWnd, LB_GETCOUNT, 0, 0);
        if (count != LB_ERR)
            SendMessageA(hWnd, LB_SETCURSEL, count - 1, 0);
    }
}

int CDebugWindow::OnMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == kDrainMessage) {
        Drain();
        return 1;
    }
    return CAppBase::OnMessage(hWnd, message, wParam, lParam);
}

size_t CDebugWindow::GetPendingCount()
{
    CCriticalLock lock(m_OutputLock);
    return m_Pending.size();
}

void CDebugWindow::OpenLog()
{
    if (!m_LogOn || m_LogOpen)
        return;
    // Off while creating: a failure report must not come back here.
    m_LogOn = 0;
    if (!m_Log.OpenWrite("log.txt", true))
        return;  // logging stays off for the rest of the run
    m_LogOpen = true;
    m_LogOn = 1;
    SYSTEMTIME now;
    GetLocalTime(&now);
    char header[128];
    int length = wsprintfA(header, "\r\n\r\n--------------%04d/%02d/%02d %02d:%02d:%02d--------------\r\n",
                           now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond);
    m_Log.WriteBytes(header, DWORD(length));
}

void CDebugWindow::Output(const char* text)
{
    if (!text)
        text = "";
    if (m_WindowOn && EnsureRunning())
        Queue(false, text);
    if (!m_LogOn)
        return;
    CCriticalLock lock(m_OutputLock);
    OpenLog();
    if (!m_LogOn)
        return;
    std::string line(text);
    line += "\r\n";
    OutputDebugStringA(line.c_str());
    m_Log.WriteBytes(line.data(), static_cast<DWORD>(line.size()));
}

bool CDebugWindow::Show()
{
    m_WindowOn = 1;
    return EnsureRunning();
}

void CDebugWindow::Clear()
{
    if (!m_WindowOn)
        return;
    if (EnsureRunning())
        Queue(true, nullptr);
}

void CDebugWindow::EnableLog()
{
    CCriticalLock lock(m_OutputLock);
    m_LogOn = 1;
    OpenLog();
}

void CDebugWindow::CloseLog()
{
    CCriticalLock lock(m_OutputLock);
    m_LogOn = 0;
    m_Log.Close();
}

