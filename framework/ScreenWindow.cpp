#include "framework/ScreenWindow.h"
#include "framework/ChangeDisplay.h"

CScreenWindow::CScreenWindow() { ClearScreenFields(); }

CScreenWindow::~CScreenWindow() { CScreenWindow::Destroy(); }

void CScreenWindow::ClearScreenFields()
{
    m_MinimisedFromFullScreen = 0;
    m_SavedDepth = 0;
    m_StripShown = 0;
    m_SkipNextErase = 0;
    m_hStrip = NULL;
    m_StripWidth = m_StripHeight = 0;
    m_WindowActive = 0;
    m_StripActive = 0;
}

bool CScreenWindow::Create(const CWindowParams& params)
{
    m_SkipNextErase = 1;
    if (!CWindow::Create(params))
        return false;
    m_WindowActive = 1;
    return true;
}

void CScreenWindow::Destroy()
{
    CCriticalLock lock(m_Lock);
    DestroyMenuStrip();
    CWindow::Destroy();
    ClearScreenFields();
}

bool CScreenWindow::IsActive()
{
    if (IsFullScreen())
        return m_WindowActive || m_StripActive;
    return m_WindowActive != 0;
}

void CScreenWindow::OnFullScreenChanged(int) {}

bool CScreenWindow::SetFullScreen(int depth)
{
    if (!m_Changer)
        return false;
    bool result = true;
    m_FullScreenDepth = depth;
    if (depth != 0) {
        if (!m_hWnd)
            return false;
        ApplyFullScreenFrame(NULL, SWP_FRAMECHANGED | SWP_NOZORDER);
        if (!m_Changer->ChangeDisplay(m_Params.m_Width, m_Params.m_Height, depth)) {
            SetFullScreen(0);
            return false;
        }
        BringWindowToTop(m_hWnd);
    } else if (m_hWnd && IsFullScreen()) {
        bool iconic = ::IsIconic(m_hWnd) != FALSE;
        HideMenuStrip();
        m_Changer->Reset();
        ShowWindow(m_hWnd, SW_HIDE);
        ShowWindow(m_hWnd, SW_SHOWNORMAL);
        RestoreWindowedFrame();
        if (iconic)
            ShowWindow(m_hWnd, SW_SHOWMINNOACTIVE);
    } else {
        return true;
    }
    if (m_hWnd)
        InvalidateRect(m_hWnd, NULL, FALSE);
    OnFullScreenChanged(GetFullScreenDepth());
    return result;
}

void CScreenWindow::ShowMenuStrip()
{
    if (m_StripShown || !m_hWnd)
        return;
    DestroyMenuStrip();
    DWORD style = (m_Params.m_Style & ~WS_VISIBLE) | WS_MAXIMIZE;
    RECT rect = {0, 0, m_Params.m_Width, 0};
    AdjustWindowRectEx(&rect, style, m_hMenu != NULL, WS_EX_TOPMOST);
    m_StripWidth = m_Params.m_Width;
    m_StripHeight = rect.bottom - rect.top;
    m_hStrip = CreateWindowExA(WS_EX_TOPMOST, m_Params.m_WndClass.lpszClassName, m_Params.m_Title.c_str(),
                               style, 0, 0, m_StripWidth, m_StripHeight, m_hWnd, NULL,
                               m_Params.m_WndClass.hInstance, NULL);
    if (!m_hStrip)
        return;
    if (HMENU system = GetSystemMenu(m_hStrip, FALSE))
        DeleteMenu(system, SC_MOVE, MF_BYCOMMAND);
    if (m_hMenu)
        SetMenu(m_hStrip, m_hMenu);
    SetWindowLongA(m_hStrip, GWL_USERDATA, reinterpret_cast<LONG>(static_cast<CWindowBase*>(this)));
    m_StripActive = 1;
    m_StripShown = 1;
    ShowWindow(m_hStrip, SW_SHOW);
    BringWindowToTop(m_hStrip);
}

void CScreenWindow::DestroyMenuStrip()
{
    if (m_hStrip) {
        SetMenu(m_hStrip, NULL);  // the menu belongs to the main window
        DestroyWindow(m_hStrip);
        m_hStrip = NULL;
    }
    m_StripShown = 0;
    m_StripActive = 0;
}

void CScreenWindow::HideMenuStrip()
{
    if (!m_hStrip && !m_StripShown)
        return;
    DestroyMenuStrip();
    if (m_hWnd) {
        SetActiveWindow(m_hWnd);
        BringWindowToTop(m_hWnd);
    }
}

LRESULT CScreenWindow::StripProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_ACTIVATE:
        m_StripActive = LOWORD(wParam) != 0;
        return 0;
    case WM_CLOSE:
    case WM_COMMAND:
    case WM_SYSCOMMAND:
        SendMessageA(m_hWnd, message, wParam, lParam);
        return 1;
    case WM_ERASEBKGND:
        return 1;
    default:
        return DefWindowProcA(hWnd, message, wParam, lParam);
    }
}

LRESULT CScreenWindow::OwnHandling(UINT message, WPARAM wParam, LPARAM lParam)
{
    const bool full = IsFullScreen();
    switch (message) {
    case WM_ACTIVATE:
        m_WindowActive = LOWORD(wParam) != 0;
        return 0;
    case WM_ERASEBKGND:
        if (m_SkipNextErase) {
            m_SkipNextErase = 0;
            return 0;
        }
        return 1;
    case WM_ACTIVATEAPP:
        if (!IsActive() && full && m_Changer && m_Changer->GetKind() == 1)
            SetFullScreen(0);
        return 0;
    case WM_SYSCOMMAND: {
        WPARAM command = wParam & 0xFFF0;
        if (command == SC_MINIMIZE) {
            if (!full)
                return 0;
            m_SavedDepth = m_FullScreenDepth;
            m_MinimisedFromFullScreen = 1;
            ShowWindow(m_hWnd, SW_MINIMIZE);
            SetFullScreen(0);
            ShowWindow(m_hWnd, SW_MINIMIZE);
            return 1;
        }
        if (command == SC_MAXIMIZE || command == SC_RESTORE) {
            if (command == SC_RESTORE && full && !::IsIconic(m_hWnd)) {
                ShowWindow(m_hWnd, SW_HIDE);
                SetFullScreen(0);
                return 1;
            }
            if (full)
                return 0;
            if (m_MinimisedFromFullScreen && m_SavedDepth) {
                m_MinimisedFromFullScreen = 0;
                ShowWindow(m_hWnd, SW_SHOWMAXIMIZED);
                SetFullScreen(m_SavedDepth);
                return 1;
            }
            if (command == SC_RESTORE)
                return 0;
            if (::IsIconic(m_hWnd))
                ShowWindow(m_hWnd, SW_SHOWMAXIMIZED);
            HDC screen = GetDC(NULL);
            int depth = screen ? GetDeviceCaps(screen, BITSPIXEL) : 0;
            if (screen)
                ReleaseDC(NULL, screen);
            SetFullScreen(depth);
            return 1;
        }
        return 0;
    }
    case WM_MOUSEMOVE:
        if (full) {
            int y = static_cast<short>(HIWORD(lParam));
            if (m_StripShown && y >= m_StripHeight)
                HideMenuStrip();
            else if (!m_StripShown && y == 0)
                ShowMenuStrip();
        }
        return 0;
    default:
        return 0;
    }
}

LRESULT CScreenWindow::WindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (hWnd == m_hStrip && m_hStrip)
        return StripProc(hWnd, message, wParam, lParam);
    if (LRESULT result = OwnHandling(message, wParam, lParam))
        return result;
    if (LRESULT result = OnWindowMessage(hWnd, message, wParam, lParam))
        return result;
    bool suppress = message == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_MAXIMIZE;
    return m_Handlers.Dispatch(hWnd, message, wParam, lParam, m_PrevProc, !suppress);
}
