#pragma once

#include "framework/CriticalSection.h"
#include "framework/Event.h"
#include "framework/Thread.h"

#include <list>

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
