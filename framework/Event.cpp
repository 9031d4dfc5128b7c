#include "framework/Event.h"

#include <vector>

CEvent::CEvent() : m_hEvent(CreateEventA(nullptr, FALSE, FALSE, nullptr)), m_IsSet(0) {}

CEvent::~CEvent() {}

void CEvent::Set()
{
    CCriticalLock lock(&m_Lock);
    SetEvent(m_hEvent.Get());
    m_IsSet = 1;
}

void CEvent::Reset()
{
    CCriticalLock lock(&m_Lock);
    ResetEvent(m_hEvent.Get());
    m_IsSet = 0;
}

DWORD CEvent::Wait(DWORD milliseconds)
{
    return WaitForSingleObject(m_hEvent.Get(), milliseconds);
}

bool CEvent::IsSet()
{
    CCriticalLock lock(&m_Lock);
    return m_IsSet != 0;
}

HANDLE CEvent::Create()
{
    Close();
    m_hEvent.Reset(CreateEventA(nullptr, FALSE, FALSE, nullptr));
    return m_hEvent.Get();
}

void CEvent::Close()
{
    m_hEvent.Close();
}

HANDLE CManualEvent::Create()
{
    Close();
    m_hEvent.Reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    return m_hEvent.Get();
}

DWORD WaitForEvents(DWORD count, CEvent* events, BOOL waitAll, DWORD milliseconds)
{
    if (count == 0 || !events)
        return WAIT_FAILED;
    std::vector<HANDLE> handles(count);
    for (DWORD i = 0; i < count; ++i)
        handles[i] = events[i].GetHandle();
    return WaitForMultipleObjects(count, handles.data(), waitAll, milliseconds);
}
