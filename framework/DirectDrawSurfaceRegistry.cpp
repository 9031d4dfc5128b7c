#include "framework/DirectDrawSurfaceRegistry.h"

#include "framework/DirectDrawSurface.h"
#include "framework/ServiceObject.h"

#include <algorithm>

CDirectDrawSurfaceRegistry& CDirectDrawSurfaceRegistry::GetInstance()
{
    return CServiceObject<CDirectDrawSurfaceRegistry>::Get();
}

void CDirectDrawSurfaceRegistry::Register(CDirectDrawSurface* surface, CDirectDraw* directDraw)
{
    CCriticalLock lock(m_Lock);
    m_Entries.push_back(Entry{surface, directDraw});
}

void CDirectDrawSurfaceRegistry::Unregister(CDirectDrawSurface* surface)
{
    CCriticalLock lock(m_Lock);
    m_Entries.erase(std::remove_if(m_Entries.begin(), m_Entries.end(),
                                   [surface](const Entry& e) { return e.surface == surface; }),
                    m_Entries.end());
}

// The walks hold the lock: Restore and Release leave the list alone, and a
// surface destroyed on another thread meanwhile waits in Unregister.
void CDirectDrawSurfaceRegistry::RestoreAll(CDirectDraw* directDraw)
{
    CCriticalLock lock(m_Lock);
    for (const Entry& e : m_Entries)
        if (e.directDraw == directDraw)
            e.surface->Restore();
}

void CDirectDrawSurfaceRegistry::ReleaseAll(CDirectDraw* directDraw)
{
    CCriticalLock lock(m_Lock);
    for (const Entry& e : m_Entries)
        if (e.directDraw == directDraw)
            e.surface->Release();
}

void CDirectDrawSurfaceRegistry::DetachAll(CDirectDraw* directDraw)
{
    CCriticalLock lock(m_Lock);
    for (Entry& e : m_Entries) {
        if (e.directDraw == directDraw) {
            e.surface->m_DirectDraw = nullptr;
            e.directDraw = nullptr;
        }
    }
}

size_t CDirectDrawSurfaceRegistry::GetCount(CDirectDraw* directDraw)
{
    CCriticalLock lock(m_Lock);
    return size_t(std::count_if(m_Entries.begin(), m_Entries.end(),
                                [directDraw](const Entry& e) { return e.directDraw == directDraw; }));
}
