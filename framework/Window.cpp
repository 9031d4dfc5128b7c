#include "framework/Window.h"
#include "framework/ChangeDisplay.h"
#include <cstring>
#include <new>

// ---- CWindowParams --------------------------------------------------------

CWindowParams::CWindowParams()
{
    std::memset(&m_WndClass, 0, sizeof m_WndClass);
    m_WndClass.cbSize = sizeof m_WndClass;
    m_WndClass.hInstance = GetModuleHandleA(NULL);
    m_WndClass.hIcon = LoadIconA(NULL, IDI_WINLOGO);
    m_WndClass.hCursor = LoadCursorA(NULL, IDC_ARROW);
    m_WndClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    m_WndClass.lpszClassName = "Application";
    m_Title = "Application";
    m_Style = WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    m_ExStyle = 0;
    m_X = m_Y = 0;
    m_Width = 800;
    m_Height = 600;
    m_Parent = NULL;
    m_Centre = 1;
    m_ClientSize = 1;
    m_SetFocus = 0;
    m_MenuOrId = 0;
}

void CWindowParams::Reset()
{
    std::memset(&m_WndClass, 0, sizeof m_WndClass);
    m_Title.clear();
    m_Style = m_ExStyle = 0;
    m_X = m_Y = m_Width = m_Height = 0;
    m_Parent = NULL;
    m_Centre = m_ClientSize = m_SetFocus = 0;
    m_MenuOrId = 0;
}

// ---- CMessageHandlerList --------------------------------------------------

void CMessageHandlerList::Add(CMessageHandler* handler)
{
    CCriticalLock lock(m_Lock);
    m_Handlers.push_back(handler);
}

void CMessageHandlerList::Remove(CMessageHandler* handler)
{
    CCriticalLock lock(m_Lock);
    m_Handlers.remove(handler);
}

void CMessageHandlerList::Clear()
{
    CCriticalLock lock(m_Lock);
    m_Handlers.clear();
}

LRESULT CMessageHandlerList::Dispatch(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam,
                                      WNDPROC previous, bool callDefault)
{
    CCriticalLock lock(m_Lock);
    for (CMessageHandler* handler : m_Handlers) {
        if (int result = handler->OnMessage(hWnd, message, wParam, lParam))
            return result;
    }
    if (!callDefault)
        return 0;
    if (previous)
        return CallWindowProcA(previous, hWnd, message, wParam, lParam);
    return DefWindowProcA(hWnd, message, wParam, lParam);
}

// ---- CImeContextGuard -----------------------------------------------------

CImeContextGuard::CImeContextGuard(HWND hWnd) : m_hWnd(hWnd), m_Saved(NULL)
{
    m_Saved = ImmAssociateContext(m_hWnd, NULL);
}

void CImeContextGuard::Restore()
{
    if (m_Saved) {
        ImmAssociateContext(m_hWnd, m_Saved);
        m_Saved = NULL;
    }
}

void CImeContextGuard::Disable()
{
    if (!m_Saved)
        m_Saved = ImmAssociateContext(m_hWnd, NULL);
}

// ---- CWindow --------------------------------------------------------------

CWindow::CWindow()
    : m_hWnd(NULL), m_hMenu(NULL), m_ImeGuard(nullptr), m_PrevProc(NULL), m_Changer(nullptr),
      m_FullScreenDepth(0)
{
    m_Params.Reset();
    CreateDisplayChanger(0);
}

CWindow::~CWindow()
{
    CWindow::Destroy();
    DestroyDisplayChanger();
}

bool CWindow::IsControlClass(const char* className)
{
    static const char* const kControls[] = {"BUTTON",    "COMBOBOX",  "EDIT",  "LISTBOX",
                                            "MDICLIENT", "SCROLLBAR", "STATIC"};
    if (!className || IS_INTRESOURCE(className))
        return false;
    for (const char* control : kControls) {
        if (std::strcmp(className, control) == 0)
            return true;
    }
    return false;
}

LRESULT CALLBACK CWindow::FrameworkProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CWindowBase* window = reinterpret_cast<CWindowBase*>(GetWindowLongA(hWnd, GWL_USERDATA));
    if (window)
        return window->WindowProc(hWnd, message, wParam, lParam);
    return DefWindowProcA(hWnd, message, wParam, lParam);
}

SIZE CWindow::AdjustedSize(int width, int height, DWORD style, DWORD exStyle, bool menu)
{
    RECT rect = {0, 0, width, height};
    AdjustWindowRectEx(&rect, style, menu, exStyle);
    SIZE size = {rect.right - rect.left, rect.bottom - rect.top};
    return size;
}

void CWindow::CentredOrStoredPosition(SIZE size, int& x, int& y)
{
    if (m_Params.m_Centre) {
        m_Params.m_X = (GetSystemMetrics(SM_CXSCREEN) - size.cx) / 2;
        m_Params.m_Y = (GetSystemMetrics(SM_CYSCREEN) - size.cy) / 2;
    }
    x = m_Params.m_X;
    y = m_Params.m_Y;
}

bool CWindow::Create(const CWindowParams& source)
{
    CCriticalLock lock(m_Lock);
    Destroy();
    CWindowParams params = source;
    params.m_WndClass.lpfnWndProc = FrameworkProc;
    params.m_WndClass.cbSize = sizeof params.m_WndClass;
    const char* className = params.m_WndClass.lpszClassName;
    HINSTANCE instance = params.m_WndClass.hInstance;

    int width = params.m_Width, height = params.m_Height;
    if (params.m_ClientSize) {
        SIZE size = AdjustedSize(width, height, params.m_Style, params.m_ExStyle,
                                 params.m_WndClass.lpszMenuName != NULL);
        width = size.cx;
        height = size.cy;
    }
    if (params.m_Centre) {
        params.m_X = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
        params.m_Y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    }

    const bool control = IsControlClass(className);
    if (!control) {
        WNDCLASSEXA existing;
        existing.cbSize = sizeof existing;
        if (!GetClassInfoExA(instance, className, &existing)) {
            WNDCLASSEXA registration = params.m_WndClass;
            registration.lpszMenuName = NULL;
            if (!RegisterClassExA(&registration)) {
                Destroy();
                return false;
            }
        }
    }

    HMENU menuOrId = control ? reinterpret_cast<HMENU>(params.m_MenuOrId) : NULL;
    HWND hWnd = CreateWindowExA(params.m_ExStyle, className, params.m_Title.c_str(),
                                params.m_Style & ~WS_VISIBLE, params.m_X, params.m_Y, width, height,
                                params.m_Parent, menuOrId, instance, NULL);
    if (!hWnd) {
        Destroy();
        return false;
    }
    m_hWnd = hWnd;
    m_Params = params;

    if (!control && m_Params.m_WndClass.lpszMenuName) {
        m_hMenu = LoadMenuA(instance, m_Params.m_WndClass.lpszMenuName);
        if (m_hMenu)
            SetMenu(m_hWnd, m_hMenu);
        else
            m_Params.m_WndClass.lpszMenuName = NULL;
    }
    SetWindowLongA(m_hWnd, GWL_USERDATA, reinterpret_cast<LONG>(static_cast<CWindowBase*>(this)));
    if (m_Params.m_SetFocus)
        ::SetFocus(m_hWnd);
    m_ImeGuard = new (std::nothrow) CImeContextGuard(m_hWnd);
    if (control) {
        m_PrevProc = reinterpret_cast<WNDPROC>(GetWindowLongA(m_hWnd, GWL_WNDPROC));
        SetWindowLongA(m_hWnd, GWL_WNDPROC, reinterpret_cast<LONG>(FrameworkProc));
    } else {
        m_PrevProc = NULL;
    }
    if (m_Params.m_Style & WS_VISIBLE) {
        ShowWindow(m_hWnd, SW_SHOW);
        UpdateWindow(m_hWnd);
        BringWindowToTop(m_hWnd);
    }
    return true;
}

void CWindow::Destroy()
{
    CCriticalLock lock(m_Lock);
    SetFullScreen(0);
    if (m_hWnd) {
        delete m_ImeGuard;
        m_ImeGuard = nullptr;
        SetMenu(m_hWnd, NULL);
        DestroyWindow(m_hWnd);
    }
    if (m_hMenu)
        DestroyMenu(m_hMenu);
    m_hWnd = NULL;
    m_hMenu = NULL;
    m_PrevProc = NULL;
    m_Params.Reset();
}

bool CWindow::Show() { return m_hWnd && (ShowWindow(m_hWnd, SW_SHOW), true); }
bool CWindow::Hide() { return m_hWnd && (ShowWindow(m_hWnd, SW_HIDE), true); }

bool CWindow::SetStyle(DWORD style)
{
    if (!m_hWnd)
        return false;
    SetWindowLongA(m_hWnd, GWL_STYLE, style);
    return SetWindowPos(m_hWnd, NULL, 0, 0, 0, 0,
                        SWP_FRAMECHANGED | SWP_NOZORDER | SWP_NOMOVE | SWP_NOSIZE) != FALSE;
}

bool CWindow::SetExStyle(DWORD style)
{
    if (!m_hWnd)
        return false;
    SetWindowLongA(m_hWnd, GWL_EXSTYLE, style);
    return SetWindowPos(m_hWnd, NULL, 0, 0, 0, 0,
                        SWP_FRAMECHANGED | SWP_NOZORDER | SWP_NOMOVE | SWP_NOSIZE) != FALSE;
}

bool CWindow::SetPosition(int x, int y)
{
    return m_hWnd && SetWindowPos(m_hWnd, NULL, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER) != FALSE;
}

bool CWindow::SetClientSize(int width, int height)
{
    if (!m_hWnd)
        return false;
    DWORD style = GetWindowLongA(m_hWnd, GWL_STYLE);
    DWORD exStyle = GetWindowLongA(m_hWnd, GWL_EXSTYLE);
    bool menu = !m_Params.m_Parent && HasMenu();
    SIZE size = AdjustedSize(width, height, style, exStyle, menu);
    int x = 0, y = 0;
    UINT flags = SWP_NOZORDER;
    if (m_Params.m_Centre)
        CentredOrStoredPosition(size, x, y);
    else
        flags |= SWP_NOMOVE;
    if (!SetWindowPos(m_hWnd, NULL, x, y, size.cx, size.cy, flags))
        return false;
    m_Params.m_Width = width;
    m_Params.m_Height = height;
    return true;
}

bool CWindow::ApplyStyle() { return SetStyle(m_Params.m_Style); }
bool CWindow::ApplyExStyle() { return SetExStyle(m_Params.m_ExStyle); }

bool CWindow::Reposition()
{
    if (!m_hWnd)
        return false;
    int x = m_Params.m_X, y = m_Params.m_Y;
    if (m_Params.m_Centre) {
        RECT rect;
        GetWindowRect(m_hWnd, &rect);
        x = (GetSystemMetrics(SM_CXSCREEN) - (rect.right - rect.left)) / 2;
        y = (GetSystemMetrics(SM_CYSCREEN) - (rect.bottom - rect.top)) / 2;
    }
    return SetWindowPos(m_hWnd, NULL, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER) != FALSE;
}

bool CWindow::ApplySize() { return SetClientSize(m_Params.m_Width, m_Params.m_Height); }

SIZE CWindow::GetClientSize()
{
    SIZE size = {m_Params.m_Width, m_Params.m_Height};
    return size;
}

bool CWindow::IsActive()
{
    return m_hWnd && GetActiveWindow() == m_hWnd && !::IsIconic(m_hWnd);
}

bool CWindow::IsIconic() { return m_hWnd && ::IsIconic(m_hWnd); }

bool CWindow::SetFocus() { return m_hWnd && (::SetFocus(m_hWnd), true); }

LRESULT CWindow::WindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (LRESULT result = OnWindowMessage(hWnd, message, wParam, lParam))
        return result;
    return m_Handlers.Dispatch(hWnd, message, wParam, lParam, m_PrevProc, true);
}

LRESULT CWindow::OnWindowMessage(HWND, UINT, WPARAM, LPARAM) { return 0; }

bool CWindow::SetFullScreen(int depth)
{
    if (!m_Changer)
        return false;
    m_FullScreenDepth = depth;
    if (depth != 0) {
        if (!m_hWnd)
            return false;
        SetMenu(m_hWnd, NULL);
        SetWindowLongA(m_hWnd, GWL_STYLE, WS_POPUP | WS_VISIBLE | WS_SYSMENU | WS_MINIMIZEBOX);
        SetWindowLongA(m_hWnd, GWL_EXSTYLE, 0);
        SetWindowPos(m_hWnd, HWND_TOPMOST, 0, 0, m_Params.m_Width, m_Params.m_Height,
                     SWP_FRAMECHANGED);
        if (!m_Changer->ChangeDisplay(m_Params.m_Width, m_Params.m_Height, depth)) {
            SetFullScreen(0);
            return false;
        }
    } else if (m_hWnd && IsFullScreen()) {
        m_Changer->Reset();
        if (m_hMenu)
            SetMenu(m_hWnd, m_hMenu);
        SIZE size = AdjustedSize(m_Params.m_Width, m_Params.m_Height, m_Params.m_Style,
                                 m_Params.m_ExStyle, HasMenu());
        int x, y;
        CentredOrStoredPosition(size, x, y);
        SetWindowLongA(m_hWnd, GWL_STYLE, m_Params.m_Style);
        SetWindowLongA(m_hWnd, GWL_EXSTYLE, m_Params.m_ExStyle);
        SetWindowPos(m_hWnd, HWND_NOTOPMOST, x, y, size.cx, size.cy, SWP_FRAMECHANGED);
    }
    return true;
}

bool CWindow::CanFullScreen(int depth)
{
    return m_Changer && m_Changer->CanChange(640, 480, depth) && m_Changer->CanChange(800, 600, depth);
}

bool CWindow::IsFullScreen() { return m_Changer && m_Changer->IsChanged(); }

CChangeDisplay* CWindow::CreateDisplayChanger(int)
{
    DestroyDisplayChanger();
    // Kind 1 (DirectDraw) comes with the DirectDraw layer; until then every
    // kind gets the Win32 API changer.
    m_Changer = new (std::nothrow) CChangeDisplayWin32API;
    return m_Changer;
}

void CWindow::DestroyDisplayChanger()
{
    delete m_Changer;
    m_Changer = nullptr;
}

// ---- CScreenWindow --------------------------------------------------------

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
        SetMenu(m_hWnd, NULL);
        SetWindowLongA(m_hWnd, GWL_STYLE, WS_POPUP | WS_VISIBLE | WS_SYSMENU | WS_MINIMIZEBOX);
        SetWindowLongA(m_hWnd, GWL_EXSTYLE, 0);
        SetWindowPos(m_hWnd, NULL, 0, 0, m_Params.m_Width, m_Params.m_Height,
                     SWP_FRAMECHANGED | SWP_NOZORDER);
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
        if (m_hMenu)
            SetMenu(m_hWnd, m_hMenu);
        SIZE size = AdjustedSize(m_Params.m_Width, m_Params.m_Height, m_Params.m_Style,
                                 m_Params.m_ExStyle, HasMenu());
        int x, y;
        CentredOrStoredPosition(size, x, y);
        SetWindowLongA(m_hWnd, GWL_STYLE, m_Params.m_Style);
        SetWindowLongA(m_hWnd, GWL_EXSTYLE, m_Params.m_ExStyle);
        SetWindowPos(m_hWnd, HWND_NOTOPMOST, x, y, size.cx, size.cy, SWP_FRAMECHANGED);
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
