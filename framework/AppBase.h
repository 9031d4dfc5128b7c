#pragma once
#include "framework/CriticalSection.h"
#include "framework/Thread.h"
#include "framework/TimerService.h"
#include "framework/Window.h"
#include <list>

class CAppInterface {
public:
    virtual void MainLoop() = 0;
    virtual bool Run() = 0;
    virtual void Close() = 0;
    virtual void CloseNoQuery() = 0;
    virtual bool Update() = 0;
    virtual void Quit() = 0;
    virtual CWindowBase* GetWindow() = 0;
    virtual HWND GetHWnd() = 0;
    virtual CTimerService* GetTimerService() = 0;
    virtual ~CAppInterface() {}
};

// The application object: one top-level window, its message pump and main
// loop, all on a window thread of its own.
class CAppBase : public CAppInterface, public CMessageHandler, public CThread {
public:
    CAppBase();
    ~CAppBase() override;  // never on the window thread itself

    void MainLoop() override;
    // Starts the window thread and waits (at most 10 s) for the window.
    bool Run() override;
    void Close() override;
    void CloseNoQuery() override;
    bool Update() override;
    void Quit() override;
    CWindowBase* GetWindow() override { return m_Window; }
    HWND GetHWnd() override { return m_Window ? m_Window->GetHWnd() : NULL; }
    CTimerService* GetTimerService() override { return &m_TimerService; }
    virtual void SetQuitOnDestroy(bool quit) { m_QuitOnDestroy = quit ? 1 : 0; }
    virtual bool GetQuitOnDestroy() { return m_QuitOnDestroy != 0; }
    virtual void OnInit() {}
    virtual void OnSetupWindow(CWindowParams&) {}
    virtual void OnIdle() {}
    virtual void OnExit() {}
    virtual bool OnQueryClose() { return true; }
    // An app that draws its whole client area answers true and draws the
    // part `dirty` in OnPaint (between BeginPaint and EndPaint); its
    // background is never erased beneath the frame.
    virtual bool DrawsWholeClient() { return false; }
    virtual void OnPaint(HDC, const RECT&) {}
    virtual void PumpMessages();
    virtual void CreateWindowObject();
    virtual void DestroyWindowObject();

    int OnMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) override;
    void ThreadMain() override { ThreadProc(); }
    void RequestStop() override { Quit(); }

protected:
    void ThreadProc();

    CWindowBase* m_Window;
    CTimerService m_TimerService;
    CEvent m_CreateWndEvent;
    volatile unsigned char m_CloseNoQuery;
    volatile unsigned char m_QuitOnDestroy;
    CCriticalSection m_CloseLock;
};
