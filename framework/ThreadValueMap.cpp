#include "framework/ThreadValueMap.h"

#include "framework/Callback.h"
#include "framework/ServiceObject.h"
#include "framework/StartupCallbacks.h"

#include <algorithm>

namespace {

// Every map registers here; the start-up callback detaches the maps that
// exist before the program's start-up object runs its list.
class CThreadValueMapRegistry {
public:
    static CThreadValueMapRegistry& GetInstance() { return CServiceObject<CThreadValueMapRegistry>::Get(); }

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

private:
    friend class CServiceObject<CThreadValueMapRegistry>;
    CThreadValueMapRegistry()
    {
        AddStartupCallback(make_callback(this, &CThreadValueMapRegistry::DetachAll));
    }

    static void DetachAll(CThreadValueMapRegistry* registry)
    {
        CCriticalLock lock(&registry->m_Lock);
        for (CThreadValueMap* map : registry->m_Maps)
            map->Detach();
        registry->m_Maps.clear();
    }

    std::vector<CThreadValueMap*> m_Maps;
    CCriticalSection m_Lock;
};

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
