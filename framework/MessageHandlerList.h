#pragma once
#include "framework/CriticalSection.h"
#include "framework/MessageHandler.h"
#include <windows.h>
#include <list>

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
