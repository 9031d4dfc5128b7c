#pragma once

#include "framework/CriticalSection.h"

#include <windows.h>

#include <atomic>
#include <list>
#include <new>

// ---- Events ---------------------------------------------------------------

class CEventBase {
public:
    virtual void Set() = 0;
    virtual void Reset() = 0;
    virtual DWORD Wait(DWORD milliseconds) = 0;
    virtual bool IsSet() = 0;
    virtual ~CEventBase() {}
    virtual HANDLE GetHandle() = 0;
};

// Win32 event plus a flag that records the last Set/Reset (a satisfied wait
// does not clear it). Auto-reset, unless a CManualEvent calls Create.
class CEvent : public CEventBase {
public:
    CEvent();
    ~CEvent() override;
    void Set() override;
    void Reset() override;
    DWORD Wait(DWORD milliseconds) override;  // WaitForSingleObject result
    bool IsSet() override;
    HANDLE GetHandle() override { return m_hEvent; }
    virtual HANDLE Create();
    virtual void Close();

protected:
    HANDLE m_hEvent;
    unsigned char m_IsSet;
    CCriticalSection m_Lock;

private:
    CEvent(const CEvent&) = delete;
    CEvent& operator=(const CEvent&) = delete;
};

// Manual-reset once Create has been called (the constructor makes an
// auto-reset event, like CEvent).
class CManualEvent : public CEvent {
public:
    HANDLE Create() override;
};

// WaitForMultipleObjects over `count` contiguous event objects.
DWORD WaitForEvents(DWORD count, CEvent* events, BOOL waitAll, DWORD milliseconds);

// ---- Callbacks ------------------------------------------------------------

class function_callback {
public:
    virtual void Call() = 0;
    virtual ~function_callback() {}
    // Rebinds the object a bound callback acts on; plain functions report it.
    virtual void inner_bind(void* object);
};

// A plain function.
class function_callback_func : public function_callback {
public:
    typedef void (*Function)();
    explicit function_callback_func(Function function) : m_Function(function) {}
    void Call() override
    {
        if (m_Function)
            m_Function();
    }

private:
    Function m_Function;
};

// A function taking the bound object.
template <class T>
class function_callback_obj : public function_callback {
public:
    typedef void (*Function)(T*);
    function_callback_obj(T* object, Function function) : m_Object(object), m_Function(function) {}
    void Call() override
    {
        if (m_Function)
            m_Function(m_Object);
    }
    void inner_bind(void* object) override { m_Object = static_cast<T*>(object); }

private:
    T* m_Object;
    Function m_Function;
};

// A member function called on the bound object.
template <class T>
class function_callback_member : public function_callback {
public:
    typedef void (T::*Function)();
    function_callback_member(T* object, Function function) : m_Object(object), m_Function(function) {}
    void Call() override
    {
        if (m_Object && m_Function)
            (m_Object->*m_Function)();
    }
    void inner_bind(void* object) override { m_Object = static_cast<T*>(object); }

private:
    T* m_Object;
    Function m_Function;
};

// Factories: heap objects, null when allocation fails.
inline function_callback* make_callback(void (*function)())
{
    return new (std::nothrow) function_callback_func(function);
}
template <class T>
function_callback* make_callback(T* object, void (*function)(T*))
{
    return new (std::nothrow) function_callback_obj<T>(object, function);
}
template <class T>
function_callback* make_callback(T* object, void (T::*function)())
{
    return new (std::nothrow) function_callback_member<T>(object, function);
}

// ---- Threads --------------------------------------------------------------

class CThreadBase {
public:
    virtual void ThreadMain() = 0;
    virtual bool Start(int priority) = 0;
    virtual void Stop() = 0;
    virtual void RequestStop() = 0;
    virtual DWORD Suspend() = 0;
    virtual DWORD Resume() = 0;
    virtual bool IsRunning() = 0;
    virtual int GetPriority() = 0;
    virtual bool SetPriority(int priority) = 0;
    virtual DWORD GetThreadId() = 0;
    virtual void Sleep(DWORD milliseconds) = 0;
    virtual ~CThreadBase() {}
};

// Holds the thread's callback; deletes it when the last reference goes.
class CCallbackHolder {
public:
    CCallbackHolder() : m_Callback(nullptr), m_RefCount(1) {}
    virtual ~CCallbackHolder() { delete m_Callback; }
    void AddRef() { InterlockedIncrement(&m_RefCount); }
    void Release()
    {
        if (InterlockedDecrement(&m_RefCount) == 0)
            delete this;
    }

    function_callback* volatile m_Callback;
    volatile LONG m_RefCount;
};

// A framework thread: runs ThreadMain, or the installed callback, on its own
// Win32 thread, registered in CThreadList while it runs.
class CThread : public CThreadBase {
public:
    CThread();
    ~CThread() override;

    void ThreadMain() override {}
    // Stops any attached thread, starts a new one (priority 0: as created,
    // otherwise created suspended, given that priority and resumed) and
    // returns once it has registered.
    bool Start(int priority = 0) override;
    // Requests the stop and, unless called by the thread itself, joins it.
    void Stop() override;
    void RequestStop() override;
    DWORD Suspend() override;
    DWORD Resume() override;
    bool IsRunning() override { return m_Running.load(); }
    int GetPriority() override;
    bool SetPriority(int priority) override;
    DWORD GetThreadId() override { return m_ThreadId.load(); }
    // On the thread itself: waits up to `milliseconds`, ended early by a stop
    // request. From any other thread, or with 0, returns at once.
    void Sleep(DWORD milliseconds) override;
    virtual bool StartWith(function_callback* callback, int priority = 0);
    virtual void SetCallback(function_callback* callback);

    HANDLE GetHandle() const { return m_hThread; }
    CManualEvent& GetStopEvent() { return m_StopEvent; }

private:
    CThread(const CThread&) = delete;
    CThread& operator=(const CThread&) = delete;
    static DWORD WINAPI ThreadEntry(LPVOID param);

    HANDLE m_hThread;
    std::atomic<DWORD> m_ThreadId;
    std::atomic<bool> m_Running;
    CEvent m_StartEvent;
    CManualEvent m_StopEvent;
    CCallbackHolder* m_Callback;
    CCriticalSection m_Lock;
};

// ---- Thread list ----------------------------------------------------------

class CThreadListBase {
public:
    virtual bool StopAll() = 0;
    virtual void WaitAll() = 0;
    virtual void Register(CThreadBase* thread) = 0;
    virtual void Unregister(CThreadBase* thread) = 0;
    virtual ~CThreadListBase() {}
};

// The process-wide list of running framework threads.
class CThreadList : public CThreadListBase {
public:
    CThreadList();
    ~CThreadList() override;
    // The process-wide instance, created on first use; never destroyed.
    static CThreadList& GetInstance();

    // Asks every registered thread to stop and waits until none is left (or
    // only the caller). Only the first call does this; later calls return false.
    bool StopAll() override;
    // Waits until the list is empty.
    void WaitAll() override;
    void Register(CThreadBase* thread) override;
    void Unregister(CThreadBase* thread) override;
    size_t GetCount();

private:
    CThreadList(const CThreadList&) = delete;
    CThreadList& operator=(const CThreadList&) = delete;

    std::list<CThreadBase*> m_Threads;
    CEvent m_StopAllEvent;
    CEvent m_WaitAllEvent;
    CCriticalSection m_ListLock;
    unsigned char m_Stopping;
    CCriticalSection m_StoppingLock;
};
