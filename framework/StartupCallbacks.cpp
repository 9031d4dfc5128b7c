#include "framework/StartupCallbacks.h"

#include "framework/Callback.h"
#include "framework/ServiceObject.h"

CStartupCallbacks& CStartupCallbacks::GetInstance()
{
    return CServiceObject<CStartupCallbacks>::Get();
}

bool CStartupCallbacks::AddStartup(function_callback* callback)
{
    if (!callback)
        return false;
    CCriticalLock lock(&m_Lock);
    if (m_StartupRan) {
        delete callback;
        return false;
    }
    m_Startup.push_back(callback);
    return true;
}

bool CStartupCallbacks::AddShutdown(function_callback* callback)
{
    if (!callback)
        return false;
    CCriticalLock lock(&m_Lock);
    m_Shutdown.push_back(callback);
    return true;
}

void CStartupCallbacks::RunStartupCallbacks()
{
    {
        CCriticalLock lock(&m_Lock);
        m_StartupRan = true;
    }
    RunList(m_Startup, m_Lock);
}

void CStartupCallbacks::RunShutdownCallbacks()
{
    RunList(m_Shutdown, m_Lock);
}

void CStartupCallbacks::RunList(std::vector<function_callback*>& list, CCriticalSection& lock)
{
    // The callbacks run outside the lock, so one may add entries; those added
    // meanwhile run in the next round.
    for (;;) {
        std::vector<function_callback*> batch;
        {
            CCriticalLock guard(&lock);
            batch.swap(list);
        }
        if (batch.empty())
            return;
        for (function_callback* callback : batch)
            callback->Call();
        for (function_callback* callback : batch)
            delete callback;
    }
}

bool AddStartupCallback(function_callback* callback)
{
    return CStartupCallbacks::GetInstance().AddStartup(callback);
}

bool AddShutdownCallback(function_callback* callback)
{
    return CStartupCallbacks::GetInstance().AddShutdown(callback);
}
