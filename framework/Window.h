#pragma once
#include "framework/CriticalSection.h"
#include "framework/ImeContextGuard.h"
#include "framework/MessageHandler.h"
#include "framework/MessageHandlerList.h"
#include "framework/WindowParams.h"
#include <windows.h>

class CChangeDisplay;

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
    // The top-left corner that centres a window of this outer size on the screen.
    static POINT CentredPosition(SIZE size);
    void CentredOrStoredPosition(SIZE size, int& x, int& y);
    // Full screen: no frame, no menu, the client size at the screen's origin.
    void ApplyFullScreenFrame(HWND insertAfter, UINT flags);
    // Back from full screen: menu, stored styles and the framed size at the
    // centred or stored position, no longer topmost.
    void RestoreWindowedFrame();
    // Sets the style (GWL_STYLE) or extended style and redraws the frame.
    bool ChangeFrame(int index, DWORD style);

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

// Dispatches every message waiting in this thread's queue, then returns.
void DispatchPendingMessages();
