#include "surface/SurfaceRegistry.h"
#include "framework/ServiceObject.h"

#include "surface/Surface.h"

#include <algorithm>

CSurfaceRegistry& CSurfaceRegistry::GetInstance()
{
    return CServiceObject<CSurfaceRegistry>::Get();
}

CSurfaceRegistry::Entry* CSurfaceRegistry::Find(CSurface* surface)
{
    for (Entry& e : m_Entries)
        if (e.surface == surface)
            return &e;
    return nullptr;
}

void CSurfaceRegistry::Register(CSurface* surface, HWND owner)
{
    if (surface == nullptr)
        return;
    CCriticalLock lock(&m_Lock);
    if (Entry* e = Find(surface)) {
        e->owner = owner;
        return;
    }
    if (m_Busy) {
        for (Entry& w : m_Waiting)
            if (w.surface == surface) {
                w.owner = owner;
                return;
            }
        m_Waiting.push_back(Entry{surface, owner});
        return;
    }
    m_Entries.push_back(Entry{surface, owner});
}

void CSurfaceRegistry::Unregister(CSurface* surface)
{
    if (surface == nullptr)
        return;
    CCriticalLock lock(&m_Lock);
    m_Waiting.erase(std::remove_if(m_Waiting.begin(), m_Waiting.end(),
                                   [&](const Entry& w) { return w.surface == surface; }),
                    m_Waiting.end());
    if (m_Busy) {
        if (Entry* e = Find(surface))
            e->surface = nullptr;
        return;
    }
    m_Entries.erase(std::remove_if(m_Entries.begin(), m_Entries.end(),
                                   [&](const Entry& e) { return e.surface == surface; }),
                    m_Entries.end());
}

// Visits the entries of the owner that exist when the walk starts. A surface
// released or destroyed by an earlier visit is skipped; one (re-)registered
// meanwhile takes its place after the walk. visit returns whether the entry
// stays.
template <class Visit> void CSurfaceRegistry::Walk(HWND owner, Visit visit)
{
    CCriticalLock lock(&m_Lock);
    if (m_Busy)
        return;  // a walk from inside a walk
    m_Busy = true;
    const size_t count = m_Entries.size();
    for (size_t i = 0; i < count; ++i) {
        CSurface* surface = m_Entries[i].surface;
        if (surface == nullptr || m_Entries[i].owner != owner)
            continue;
        const bool keep = visit(surface);
        // The visit may have unregistered the surface (Release inside
        // Restore) and registered it again (Create inside Restore).
        auto waiting = std::find_if(m_Waiting.begin(), m_Waiting.end(),
                                    [&](const Entry& w) { return w.surface == surface; });
        if (waiting != m_Waiting.end())
            m_Waiting.erase(waiting);
        if (keep)
            m_Entries[i] = Entry{surface, surface->GetHWnd()};
        else
            m_Entries[i].surface = nullptr;
    }
    m_Busy = false;
    m_Entries.erase(std::remove_if(m_Entries.begin(), m_Entries.end(),
                                   [](const Entry& e) { return e.surface == nullptr; }),
                    m_Entries.end());
    for (const Entry& w : m_Waiting)
        if (!Find(w.surface))
            m_Entries.push_back(w);
    m_Waiting.clear();
}

void CSurfaceRegistry::RestoreAll(HWND owner)
{
    Walk(owner, [](CSurface* surface) {
        if (surface->Restore())
            return true;
        surface->Release();
        return false;
    });
}

void CSurfaceRegistry::ReleaseAll(HWND owner)
{
    Walk(owner, [](CSurface* surface) {
        surface->Release();
        return false;
    });
}

bool CSurfaceRegistry::IsRegistered(CSurface* surface)
{
    CCriticalLock lock(&m_Lock);
    if (Find(surface))
        return true;
    for (const Entry& w : m_Waiting)
        if (w.surface == surface)
            return true;
    return false;
}

size_t CSurfaceRegistry::GetCount(HWND owner)
{
    CCriticalLock lock(&m_Lock);
    size_t n = 0;
    for (const Entry& e : m_Entries)
        n += e.surface != nullptr && e.owner == owner;
    return n;
}
