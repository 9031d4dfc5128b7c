#pragma once
#include "framework/CriticalSection.h"
#include "framework/Thread.h"
#include <list>

class CTimerServiceBase {
public:
    // Id of the new timer, or 0 when the callback is null (the service owns
    // the callback). A call limit of 0 means unlimited.
    virtual int AddTimer(function_callback* callback, DWORD firstDelay, DWORD interval,
                         int callLimit) = 0;
    virtual void RemoveTimer(int id) = 0;
    virtual void RemoveAllTimers() = 0;
    virtual void PauseTimer(int id) = 0;
    virtual void ResumeTimer(int id) = 0;
    virtual ~CTimerServiceBase() {}
};

// Runs timer callbacks on a thread of its own (started by the constructor),
// with the service's lock held.
class CTimerService : public CTimerServiceBase, public CThread {
public:
    CTimerService();
    ~CTimerService() override;
    int AddTimer(function_callback* callback, DWORD firstDelay, DWORD interval,
                 int callLimit) override;
    void RemoveTimer(int id) override;
    void RemoveAllTimers() override;
    void PauseTimer(int id) override;
    void ResumeTimer(int id) override;
    void ThreadMain() override;

    // Number of entries still listed (removed ones stay until the next purge).
    size_t GetEntryCount();
    // Makes the next id handed out follow `id` (for the wrap-around).
    void SetLastId(int id);

private:
    struct Entry {
        int active;
        int id;
        CCallbackHolder* callback;
        DWORD firstDelay;
        DWORD interval;
        int callLimit;
        DWORD lastTime;
        int calls;
        bool paused;
        DWORD pauseStart;
    };
    void Purge();

    std::list<Entry*> m_Entries;
    int m_LastId;
    CCriticalSection m_Lock;
};
