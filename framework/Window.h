#pragma once
#include "framework/CriticalSection.h"
#include <windows.h>
#include <list>
#include <string>

class CChangeDisplay;

// Receives every message of the windows it is registered with; non-zero
// means handled.
class CMessageHandler {
public:
    virtual int OnMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) = 0;
    virtual ~CMessageHandler() {}
};

// Window creation parameters.
class CWindowParams {
public:
    CWindowParams();
    virtual ~CWindowParams() {}
    void Reset();

    WNDCLASSEXA m_WndClass;
    std::string m_Title;
    DWORD m_Style;
    DWORD m_ExStyle;
    int m_X, m_Y;
    int m_Width, m_Height;
    HWND m_Parent;
    unsigned char m_Centre;
    unsigned char m_ClientSize;
    unsigned char m_SetFocus;
    UINT_PTR m_MenuOrId;  // menu handle, or the child-control id
};

// Handlers in insertion order under their own lock (not owned).
class CMessageHandlerList {
public:
    virtual void Add(CMessageHandler* handler);
    virtual void Remove(CMessageHandler* handler);
    virtual void Clear();
    // First non-zero handler result; else 0, or the default processing
    // (previous procedure, or DefWindowProcA) when `callDefault` is set.
    virtual LRESULT Dispatch(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam,
                             WNDPROC previous, bool callDefault);
    virtual ~CMessageHandlerList() {}

private:
    std::list<CMessageHandler*> m_Handlers;
    CCriticalSection m_Lock;
};

// Keeps the input method off for one window while it lives.
class CImeContextGuard {
public:
    explicit CImeContextGuard(HWND hWnd);
    virtual ~CImeContextGuard() { Restore(); }
    void Restore();
    void Disable();
    bool IsEnabled() const { return m_Saved == NULL; }

private:
    HWND m_hWnd;
    HIMC m_Saved;
};

class CWindowBase {
public:
    virtual bool Create(const CWindowParams& params) = 0;
    virtual void Destroy() = 0;
    virtual bool Show() = 0;
    virtual bool Hide() = 0;
    virtual bool SetStyle(DWORD style) = 0;
    virtual bool SetExStyle(DWORD style) = 0;
    virtual bool SetPosition(int x, int y) = 0;
    virtual bool SetClientSize(int width, int height) = 0;
    virtual bool ApplyStyle() = 0;
    virtual bool ApplyExStyle() = 0;
    virtual bool Reposition() = 0;
    virtual bool ApplySize() = 0;
    virtual HWND GetHWnd() = 0;
    virtual SIZE GetClientSize() = 0;
    virtual bool IsActive() = 0;
    virtual bool IsIconic() = 0;
    virtual bool HasMenu() = 0;
    virtual bool SetFocus() = 0;
    virtual CImeContextGuard* GetImeGuard() = 0;
    virtual void AddMessageHandler(CMessageHandler* handler) = 0;
    virtual void RemoveMessageHandler(CMessageHandler* handler) = 0;
    virtual LRESULT WindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) = 0;
    virtual bool SetFullScreen(int depth) = 0;
    virtual bool CanFullScreen(int depth) = 0;
    virtual CChangeDisplay* SelectDisplayChanger(int kind) = 0;
    virtual bool IsFullScreen() = 0;
    virtual int GetFullScreenDepth() = 0;
    virtual ~CWindowBase() {}
};

class CWindow : public CWindowBase {
public:
    CWindow();
    ~CWindow() override;
    bool Create(const CWindowParams& params) override;
    void Destroy() override;
    bool Show() override;
    bool Hide() override;
    bool SetStyle(DWORD style) override;
    bool SetExStyle(DWORD style) override;
    bool SetPosition(int x, int y) override;
    bool SetClientSize(int width, int height) override;
    bool ApplyStyle() override;
    bool ApplyExStyle() override;
    bool Reposition() override;
    bool ApplySize() override;
    HWND GetHWnd() override { return m_hWnd; }
    SIZE GetClientSize() override;
    bool IsActive() override;
    bool IsIconic() override;
    bool HasMenu() override { return m_Params.m_WndClass.lpszMenuName != NULL; }
    bool SetFocus() override;
    CImeContextGuard* GetImeGuard() override { return m_ImeGuard; }
    void AddMessageHandler(CMessageHandler* handler) override { m_Handlers.Add(handler); }
    void RemoveMessageHandler(CMessageHandler* handler) override { m_Handlers.Remove(handler); }
    LRESULT WindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) override;
    bool SetFullScreen(int depth) override;
    bool CanFullScreen(int depth) override;
    CChangeDisplay* SelectDisplayChanger(int kind) override { return CreateDisplayChanger(kind); }
    bool IsFullScreen() override;
    int GetFullScreenDepth() override { return m_FullScreenDepth; }
    virtual LRESULT OnWindowMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    virtual CChangeDisplay* CreateDisplayChanger(int kind);
    virtual void DestroyDisplayChanger();

    // The procedure of every window the framework creates or subclasses.
    static LRESULT CALLBACK FrameworkProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    static bool IsControlClass(const char* className);
    // The current changer (null without one).
    CChangeDisplay* GetDisplayChanger() { return m_Changer; }

protected:
    // The outer size of a client area of width x height for the stored frame.
    SIZE AdjustedSize(int width, int height, DWORD style, DWORD exStyle, bool menu);
    void CentredOrStoredPosition(SIZE size, int& x, int& y);

    HWND m_hWnd;
    HMENU m_hMenu;
    CWindowParams m_Params;
    CImeContextGuard* m_ImeGuard;
    CMessageHandlerList m_Handlers;
    WNDPROC m_PrevProc;
    CChangeDisplay* m_Changer;
    int m_FullScreenDepth;
    CCriticalSection m_Lock;

private:
    CWindow(const CWindow&) = delete;
    CWindow& operator=(const CWindow&) = delete;
};

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
