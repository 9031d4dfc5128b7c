#include "framework/ComInit.h"

#include "framework/StartupCallbacks.h"
#include "framework/Thread.h"

#include <objbase.h>

#include <algorithm>
#include <atomic>

namespace {

// Every map registers here; the start-up callback detaches the maps that
// exist before the program's start-up object runs its list.
class CThreadValueMapRegistry {
public:
    static CThreadValueMapRegistry& GetInstance()
    {
        static std::atomic<CThreadValueMapRegistry*> instance{nullptr};
        CThreadValueMapRegistry* registry = instance.load();
        if (!registry) {
            CCriticalLock lock(&GetProcessLock());
            registry = instance.load();
            if (!registry) {
                registry = new CThreadValueMapRegistry;
                instance = registry;
                AddStartupCallback(make_callback(registry, &CThreadValueMapRegistry::DetachAll));
            }
        }
        return *registry;
    }

    void Add(CThreadValueMap* map)
    {
        CCriticalLock lock(&m_Lock);
        m_Maps.push_back(map);
    }

    void Remove(CThreadValueMap* map)
    {
        CCriticalLock lock(&m_Lock);
        auto it = std::find(m_Maps.begin(), m_Maps.end(), map);
        if (it != m_Maps.end())
            m_Maps.erase(it);
    }

    static void DetachAll(CThreadValueMapRegistry* registry)
    {
        CCriticalLock lock(&registry->m_Lock);
        for (CThreadValueMap* map : registry->m_Maps)
            map->Detach();
        registry->m_Maps.clear();
    }

private:
    std::vector<CThreadValueMap*> m_Maps;
    CCriticalSection m_Lock;
};

// The COM count map and its lock live until process exit, so threads ending
// during static destruction may still uninitialise.
CThreadValueMap& ComMap()
{
    static CThreadValueMap* map = new CThreadValueMap;
    return *map;
}

CCriticalSection& ComLock()
{
    static CCriticalSection* lock = new CCriticalSection;
    return *lock;
}

// Created before the entry function runs.
struct ComMapInit {
    ComMapInit()
    {
        ComLock();
        ComMap();
    }
} g_comMapInit;

}  // namespace

CThreadValueMap::CThreadValueMap() : m_Detached(false)
{
    CThreadValueMapRegistry::GetInstance().Add(this);
}

CThreadValueMap::~CThreadValueMap()
{
    if (!IsDetached())
        CThreadValueMapRegistry::GetInstance().Remove(this);
    RemoveAll();
}

LONG* CThreadValueMap::Get()
{
    CCriticalLock lock(&m_Lock);
    DWORD id = GetCurrentThreadId();
    for (Entry& entry : m_Entries)
        if (entry.threadId == id)
            return entry.cell;
    return nullptr;
}

void CThreadValueMap::Set(LONG value)
{
    CCriticalLock lock(&m_Lock);
    if (LONG* cell = Get()) {
        *cell = value;
        return;
    }
    m_Entries.push_back(Entry{GetCurrentThreadId(), new LONG(value)});
}

void CThreadValueMap::Remove()
{
    CCriticalLock lock(&m_Lock);
    DWORD id = GetCurrentThreadId();
    for (auto it = m_Entries.begin(); it != m_Entries.end(); ++it) {
        if (it->threadId == id) {
            delete it->cell;
            m_Entries.erase(it);
            return;
        }
    }
}

void CThreadValueMap::RemoveAll()
{
    CCriticalLock lock(&m_Lock);
    for (Entry& entry : m_Entries)
        delete entry.cell;
    m_Entries.clear();
}

void CThreadValueMap::Detach()
{
    CCriticalLock lock(&m_Lock);
    m_Detached = true;
}

bool CThreadValueMap::IsDetached()
{
    CCriticalLock lock(&m_Lock);
    return m_Detached;
}

size_t CThreadValueMap::GetCount()
{
    CCriticalLock lock(&m_Lock);
    return m_Entries.size();
}

bool ComInitialize()
{
    CCriticalLock lock(&ComLock());
    CThreadValueMap& map = ComMap();
    LONG* cell = map.Get();
    if (!cell) {
        map.Set(0);
        cell = map.Get();
    }
    if (*cell == 0 && FAILED(CoInitialize(nullptr))) {
        map.Remove();
        return false;
    }
    ++*cell;
    return true;
}

void ComUninitialize()
{
    CCriticalLock lock(&ComLock());
    CThreadValueMap& map = ComMap();
    LONG* cell = map.Get();
    if (!cell)
        return;
    if (--*cell <= 0) {
        CoUninitialize();
        map.Remove();
    }
}

LONG GetComInitCount()
{
    CCriticalLock lock(&ComLock());
    LONG* cell = ComMap().Get();
    return cell ? *cell : 0;
}
