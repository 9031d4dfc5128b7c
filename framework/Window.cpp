#include "framework/Window.h"
#include "framework/ChangeDisplay.h"
#include "framework/ChangeDisplayDDraw.h"
#include <cstring>
#include <new>

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

POINT CWindow::CentredPosition(SIZE size)
{
    POINT corner = {(GetSystemMetrics(SM_CXSCREEN) - size.cx) / 2,
                    (GetSystemMetrics(SM_CYSCREEN) - size.cy) / 2};
    return corner;
}

void CWindow::CentredOrStoredPosition(SIZE size, int& x, int& y)
{
    if (m_Params.m_Centre) {
        POINT corner = CentredPosition(size);
        m_Params.m_X = corner.x;
        m_Params.m_Y = corner.y;
    }
    x = m_Params.m_X;
    y = m_Params.m_Y;
}

void CWindow::ApplyFullScreenFrame(HWND insertAfter, UINT flags)
{
    SetMenu(m_hWnd, NULL);
    SetWindowLongA(m_hWnd, GWL_STYLE, WS_POPUP | WS_VISIBLE | WS_SYSMENU | WS_MINIMIZEBOX);
    SetWindowLongA(m_hWnd, GWL_EXSTYLE, 0);
    SetWindowPos(m_hWnd, insertAfter, 0, 0, m_Params.m_Width, m_Params.m_Height, flags);
}

void CWindow::RestoreWindowedFrame()
{
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
        SIZE outer = {width, height};
        POINT corner = CentredPosition(outer);
        params.m_X = corner.x;
        params.m_Y = corner.y;
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

bool CWindow::SetStyle(DWORD style) { return ChangeFrame(GWL_STYLE, style); }
bool CWindow::SetExStyle(DWORD style) { return ChangeFrame(GWL_EXSTYLE, style); }

bool CWindow::ChangeFrame(int index, DWORD style)
{
    if (!m_hWnd)
        return false;
    SetWindowLongA(m_hWnd, index, style);
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
        SIZE outer = {rect.right - rect.left, rect.bottom - rect.top};
        POINT corner = CentredPosition(outer);
        x = corner.x;
        y = corner.y;
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
        ApplyFullScreenFrame(HWND_TOPMOST, SWP_FRAMECHANGED);
        if (!m_Changer->ChangeDisplay(m_Params.m_Width, m_Params.m_Height, depth)) {
            SetFullScreen(0);
            return false;
        }
    } else if (m_hWnd && IsFullScreen()) {
        m_Changer->Reset();
        RestoreWindowedFrame();
    }
    return true;
}

bool CWindow::CanFullScreen(int depth)
{
    return m_Changer && m_Changer->CanChange(640, 480, depth) && m_Changer->CanChange(800, 600, depth);
}

bool CWindow::IsFullScreen() { return m_Changer && m_Changer->IsChanged(); }

// Kind 1 asks for DirectDraw (which falls back to Win32 by itself when the
// window has no DirectDraw object); any other kind gets the Win32 API changer.
CChangeDisplay* CWindow::CreateDisplayChanger(int kind)
{
    DestroyDisplayChanger();
    if (kind == 1)
        m_Changer = new (std::nothrow) CChangeDisplayDDraw;
    else
        m_Changer = new (std::nothrow) CChangeDisplayWin32API;
    return m_Changer;
}

void CWindow::DestroyDisplayChanger()
{
    delete m_Changer;
    m_Changer = nullptr;
}

void DispatchPendingMessages()
{
    MSG msg;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}
