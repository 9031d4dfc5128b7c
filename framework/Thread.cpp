#include "framework/Thread.h"

#include "framework/DebugPrint.h"

#include <vector>

// ---- Events ---------------------------------------------------------------

CEvent::CEvent() : m_hEvent(nullptr), m_IsSet(0)
{
    CEvent::Close();
    m_hEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
}

CEvent::~CEvent()
{
    if (m_hEvent)
        CloseHandle(m_hEvent);
}

void CEvent::Set()
{
    CCriticalLock lock(&m_Lock);
    SetEvent(m_hEvent);
    m_IsSet = 1;
}

void CEvent::Reset()
{
    CCriticalLock lock(&m_Lock);
    ResetEvent(m_hEvent);
    m_IsSet = 0;
}

DWORD CEvent::Wait(DWORD milliseconds)
{
    return WaitForSingleObject(m_hEvent, milliseconds);
}

bool CEvent::IsSet()
{
    CCriticalLock lock(&m_Lock);
    return m_IsSet != 0;
}

HANDLE CEvent::Create()
{
    Close();
    m_hEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    return m_hEvent;
}

void CEvent::Close()
{
    if (m_hEvent)
        CloseHandle(m_hEvent);
    m_hEvent = nullptr;
}

HANDLE CManualEvent::Create()
{
    Close();
    m_hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    return m_hEvent;
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

// ---- Callbacks ------------------------------------------------------------

void function_callback::inner_bind(void*)
{
    DebugPrint("function_callback::inner_bind() グローバルな関数に対してbindは行えない");
}

// ---- Threads --------------------------------------------------------------

CThread::CThread()
    : m_hThread(nullptr),
      m_ThreadId(static_cast<DWORD>(-1)),
      m_Running(false),
      m_Callback(new CCallbackHolder)
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
    m_hThread = CreateThread(nullptr, 0, &CThread::ThreadEntry, this, flags, &id);
    if (!m_hThread) {
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
    if (m_hThread && GetCurrentThreadId() != m_ThreadId) {
        HANDLE thread = m_hThread;
        m_hThread = nullptr;
        lock.Leave();
        WaitForSingleObject(thread, INFINITE);
        lock.Enter();
        CloseHandle(thread);
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
    return m_hThread ? SuspendThread(m_hThread) : 0;
}

DWORD CThread::Resume()
{
    CCriticalLock lock(&m_Lock);
    return m_hThread ? ResumeThread(m_hThread) : 0;
}

int CThread::GetPriority()
{
    CCriticalLock lock(&m_Lock);
    return m_hThread ? GetThreadPriority(m_hThread) : 0;
}

bool CThread::SetPriority(int priority)
{
    CCriticalLock lock(&m_Lock);
    return m_hThread && SetThreadPriority(m_hThread, priority);
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

// ---- Thread list ----------------------------------------------------------

CThreadList::CThreadList() : m_Stopping(0)
{
    m_StopAllEvent.Reset();
    m_WaitAllEvent.Reset();
}

CThreadList::~CThreadList() {}

CThreadList& CThreadList::GetInstance()
{
    static std::atomic<CThreadList*> instance{nullptr};
    CThreadList* list = instance.load();
    if (!list) {
        CCriticalLock lock(&GetProcessLock());
        list = instance.load();
        if (!list) {
            list = new CThreadList;
            instance = list;
        }
    }
    return *list;
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
