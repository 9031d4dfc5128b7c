#pragma once

#include "framework/Callback.h"
#include "framework/CriticalSection.h"
#include "framework/Event.h"
#include "framework/Handle.h"

#include <windows.h>

#include <atomic>

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

    HANDLE GetHandle() const { return m_hThread.Get(); }
    CManualEvent& GetStopEvent() { return m_StopEvent; }

private:
    CThread(const CThread&) = delete;
    CThread& operator=(const CThread&) = delete;
    static DWORD WINAPI ThreadEntry(LPVOID param);

    CKernelHandle m_hThread;
    std::atomic<DWORD> m_ThreadId;
    std::atomic<bool> m_Running;
    CEvent m_StartEvent;
    CManualEvent m_StopEvent;
    CCallbackHolder* m_Callback;
    CCriticalSection m_Lock;
};
