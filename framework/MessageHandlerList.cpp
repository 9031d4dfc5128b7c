#include "framework/MessageHandlerList.h"

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
