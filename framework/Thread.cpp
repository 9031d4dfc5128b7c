#include "framework/Thread.h"

#include "framework/ThreadList.h"

CThread::CThread()
    : m_ThreadId(static_cast<DWORD>(-1)), m_Running(false), m_Callback(new CCallbackHolder)
{
}

CThread::~CThread()
{
    // Derived classes stop their thread first; this only joins a thread that
    // is still attached (a plain CThread running a callback), so the entry
    // never touches a destroyed object.
    CThread::Stop();
    m_Callback->Release();
}

bool CThread::Start(int priority)
{
    CCriticalLock lock(&m_Lock);
    Stop();
    m_StartEvent.Reset();
    m_StopEvent.Reset();
    m_Running = true;

    DWORD id = 0;
    DWORD flags = priority != 0 ? CREATE_SUSPENDED : 0;
    m_hThread.Reset(CreateThread(nullptr, 0, &CThread::ThreadEntry, this, flags, &id));
    if (!m_hThread.IsValid()) {
        m_ThreadId = 0;
        return false;
    }
    m_ThreadId = id;
    if (priority != 0) {
        SetPriority(priority);
        Resume();
    }
    m_StartEvent.Wait(INFINITE);
    return true;
}

DWORD WINAPI CThread::ThreadEntry(LPVOID param)
{
    CThread* self = static_cast<CThread*>(param);
    // The id is stored here as well, so Sleep works before CreateThread has
    // returned to Start.
    self->m_ThreadId = GetCurrentThreadId();
    CThreadList& list = CThreadList::GetInstance();
    list.Register(self);
    self->m_StartEvent.Set();

    // Start installed the callback before creating the thread; no lock of the
    // object is taken here (Start may hold it while joining this thread).
    function_callback* callback = self->m_Callback->m_Callback;
    if (callback)
        callback->Call();
    else
        self->ThreadMain();

    self->RequestStop();
    list.Unregister(self);
    return 0;
}

void CThread::Stop()
{
    CCriticalLock lock(&m_Lock);
    RequestStop();
    if (m_hThread.IsValid() && GetCurrentThreadId() != m_ThreadId) {
        CKernelHandle thread(m_hThread.Release());
        lock.Leave();
        WaitForSingleObject(thread.Get(), INFINITE);
        lock.Enter();
        thread.Close();
        // The id is kept until the thread has ended: while it winds down it
        // must still recognise itself (CThreadList::StopAll from that thread).
        m_ThreadId = static_cast<DWORD>(-1);
    }
}

void CThread::RequestStop()
{
    m_Running = false;
    m_StopEvent.Set();
}

DWORD CThread::Suspend()
{
    CCriticalLock lock(&m_Lock);
    return m_hThread.IsValid() ? SuspendThread(m_hThread.Get()) : 0;
}

DWORD CThread::Resume()
{
    CCriticalLock lock(&m_Lock);
    return m_hThread.IsValid() ? ResumeThread(m_hThread.Get()) : 0;
}

int CThread::GetPriority()
{
    CCriticalLock lock(&m_Lock);
    return m_hThread.IsValid() ? GetThreadPriority(m_hThread.Get()) : 0;
}

bool CThread::SetPriority(int priority)
{
    CCriticalLock lock(&m_Lock);
    return m_hThread.IsValid() && SetThreadPriority(m_hThread.Get(), priority);
}

void CThread::Sleep(DWORD milliseconds)
{
    if (milliseconds != 0 && GetCurrentThreadId() == m_ThreadId)
        m_StopEvent.Wait(milliseconds);
}

bool CThread::StartWith(function_callback* callback, int priority)
{
    CCriticalLock lock(&m_Lock);
    // Join first: the old thread may still be running the old callback.
    Stop();
    SetCallback(callback);
    return Start(priority);
}

void CThread::SetCallback(function_callback* callback)
{
    CCriticalLock lock(&m_Lock);
    function_callback* old = m_Callback->m_Callback;
    m_Callback->m_Callback = callback;
    if (old != callback)
        delete old;
}
