#include "framework/ComInit.h"

#include "framework/CriticalSection.h"
#include "framework/ServiceObject.h"
#include "framework/ThreadValueMap.h"

#include <objbase.h>

namespace {

// The per-thread COM counts and their lock. A service object, so threads
// ending during static destruction may still uninitialise.
class CComInitCounts {
public:
    static CComInitCounts& GetInstance() { return CServiceObject<CComInitCounts>::Get(); }

    CThreadValueMap m_Map;
    CCriticalSection m_Lock;
};

// Created before the entry function runs.
CComInitCounts& g_comCounts = CComInitCounts::GetInstance();

}  // namespace

bool ComInitialize()
{
    CComInitCounts& counts = CComInitCounts::GetInstance();
    CCriticalLock lock(&counts.m_Lock);
    LONG* cell = counts.m_Map.Get();
    if (!cell) {
        counts.m_Map.Set(0);
        cell = counts.m_Map.Get();
    }
    if (*cell == 0 && FAILED(CoInitialize(nullptr))) {
        counts.m_Map.Remove();
        return false;
    }
    ++*cell;
    return true;
}

void ComUninitialize()
{
    CComInitCounts& counts = CComInitCounts::GetInstance();
    CCriticalLock lock(&counts.m_Lock);
    LONG* cell = counts.m_Map.Get();
    if (!cell)
        return;
    if (--*cell <= 0) {
        CoUninitialize();
        counts.m_Map.Remove();
    }
}

LONG GetComInitCount()
{
    CComInitCounts& counts = CComInitCounts::GetInstance();
    CCriticalLock lock(&counts.m_Lock);
    LONG* cell = counts.m_Map.Get();
    return cell ? *cell : 0;
}
