#include "framework/TimerService.h"
#include <mmsystem.h>
#include <new>

CTimerService::CTimerService() : m_LastId(0)
{
    Start(0);
    SetPriority(THREAD_PRIORITY_HIGHEST);
}

CTimerService::~CTimerService()
{
    RemoveAllTimers();
    Purge();
    Stop();
}

int CTimerService::AddTimer(function_callback* callback, DWORD firstDelay, DWORD interval,
                            int callLimit)
{
    if (!callback)
        return 0;
    CCriticalLock lock(m_Lock);
    Entry* entry = new (std::nothrow) Entry;
    CCallbackHolder* holder = new (std::nothrow) CCallbackHolder;
    if (!entry || !holder) {
        delete entry;
        delete holder;
        delete callback;
        return 0;
    }
    // Ids never become 0, -1 or -2: after -3 (or -2) they start again at 1.
    int id = (m_LastId == -3 || m_LastId == -2) ? 1
             : static_cast<int>(static_cast<unsigned>(m_LastId) + 1u);
    m_LastId = id;
    holder->m_Callback = callback;
    entry->active = 1;
    entry->id = id;
    entry->callback = holder;
    entry->firstDelay = firstDelay;
    entry->interval = interval;
    entry->callLimit = callLimit;
    entry->lastTime = timeGetTime();
    entry->calls = 0;
    entry->paused = false;
    entry->pauseStart = 0;
    m_Entries.push_back(entry);
    return id;
}

void CTimerService::RemoveTimer(int id)
{
    CCriticalLock lock(m_Lock);
    for (Entry* entry : m_Entries) {
        if (entry->id == id && entry->active) {
            entry->active = 0;
            return;
        }
    }
}

void CTimerService::RemoveAllTimers()
{
    CCriticalLock lock(m_Lock);
    for (Entry* entry : m_Entries)
        entry->active = 0;
}

void CTimerService::PauseTimer(int id)
{
    CCriticalLock lock(m_Lock);
    for (Entry* entry : m_Entries) {
        if (entry->id == id && !entry->paused) {
            entry->paused = true;
            entry->pauseStart = timeGetTime();
            return;
        }
    }
}

void CTimerService::ResumeTimer(int id)
{
    CCriticalLock lock(m_Lock);
    DWORD now = timeGetTime();
    for (Entry* entry : m_Entries) {
        if (entry->id == id && entry->paused) {
            entry->paused = false;
            entry->lastTime += now - entry->pauseStart;
        }
    }
}

size_t CTimerService::GetEntryCount()
{
    CCriticalLock lock(m_Lock);
    return m_Entries.size();
}

void CTimerService::SetLastId(int id)
{
    CCriticalLock lock(m_Lock);
    m_LastId = id;
}

void CTimerService::Purge()
{
    CCriticalLock lock(m_Lock);
    for (auto it = m_Entries.begin(); it != m_Entries.end();) {
        if ((*it)->active == 0) {
            (*it)->callback->Release();
            delete *it;
            it = m_Entries.erase(it);
        } else {
            ++it;
        }
    }
}

void CTimerService::ThreadMain()
{
    while (IsRunning()) {
        DWORD wait = 50;
        {
            CCriticalLock lock(m_Lock);
            Purge();
            for (Entry* entry : m_Entries) {
                if (entry->paused || !entry->active)
                    continue;
                DWORD now = timeGetTime();
                DWORD due = entry->calls == 0 ? entry->firstDelay : entry->interval;
                DWORD elapsed = now - entry->lastTime;
                if (elapsed < due) {
                    if (due - elapsed <= wait)
                        wait = 1;
                    continue;
                }
                entry->lastTime = now;
                if (entry->callback->m_Callback)
                    entry->callback->m_Callback->Call();
                ++entry->calls;
                if (entry->callLimit != 0 && entry->calls >= entry->callLimit) {
                    RemoveTimer(entry->id);
                    continue;
                }
                DWORD spent = timeGetTime() - entry->lastTime;
                if (spent >= entry->interval || entry->interval - spent <= wait)
                    wait = 1;
            }
            Purge();
        }
        Sleep(wait);
    }
}
