#include "framework/ThreadList.h"

#include "framework/ServiceObject.h"

CThreadList::CThreadList() : m_Stopping(0)
{
    m_StopAllEvent.Reset();
    m_WaitAllEvent.Reset();
}

CThreadList::~CThreadList() {}

CThreadList& CThreadList::GetInstance()
{
    return CServiceObject<CThreadList>::Get();
}

bool CThreadList::StopAll()
{
    {
        CCriticalLock flagLock(&m_StoppingLock);
        unsigned char wasStopping = m_Stopping;
        m_Stopping = 1;
        if (wasStopping)
            return false;
    }
    CCriticalLock lock(&m_ListLock);
    DWORD self = GetCurrentThreadId();
    for (;;) {
        if (m_Threads.empty())
            break;
        if (m_Threads.size() == 1 && m_Threads.front()->GetThreadId() == self)
            break;
        for (CThreadBase* thread : m_Threads)
            thread->RequestStop();
        lock.Leave();
        m_StopAllEvent.Wait(INFINITE);
        lock.Enter();
    }
    return true;
}

void CThreadList::WaitAll()
{
    CCriticalLock lock(&m_ListLock);
    while (!m_Threads.empty()) {
        lock.Leave();
        m_WaitAllEvent.Wait(INFINITE);
        lock.Enter();
    }
}

void CThreadList::Register(CThreadBase* thread)
{
    CCriticalLock lock(&m_ListLock);
    m_Threads.push_back(thread);
    m_StopAllEvent.Set();
    m_WaitAllEvent.Set();
}

void CThreadList::Unregister(CThreadBase* thread)
{
    CCriticalLock lock(&m_ListLock);
    for (auto it = m_Threads.begin(); it != m_Threads.end(); ++it) {
        if (*it == thread) {
            m_Threads.erase(it);
            break;
        }
    }
    m_StopAllEvent.Set();
    m_WaitAllEvent.Set();
}

size_t CThreadList::GetCount()
{
    CCriticalLock lock(&m_ListLock);
    return m_Threads.size();
}
