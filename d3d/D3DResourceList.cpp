#include "d3d/D3DResourceList.h"
#include "d3d/D3DResource.h"

#include "framework/ServiceObject.h"

#include <algorithm>

CD3DResourceList& CD3DResourceList::GetInstance()
{
    return CServiceObject<CD3DResourceList>::Get();
}

CD3DResourceList::Entry* CD3DResourceList::Find(CD3DResource* resource)
{
    for (Entry& e : m_Entries)
        if (e.resource == resource)
            return &e;
    return nullptr;
}

void CD3DResourceList::Add(CD3DResource* resource, HWND hWnd)
{
    if (!resource)
        return;
    CCriticalLock lock(m_Lock);
    if (Find(resource))
        return;
    if (m_Busy) {
        for (const Entry& w : m_Waiting)
            if (w.resource == resource)
                return;
        m_Waiting.push_back({resource, hWnd});
        return;
    }
    m_Entries.push_back({resource, hWnd});
}

void CD3DResourceList::Remove(CD3DResource* resource)
{
    if (!resource)
        return;
    CCriticalLock lock(m_Lock);
    m_Waiting.erase(std::remove_if(m_Waiting.begin(), m_Waiting.end(),
                                   [&](const Entry& w) { return w.resource == resource; }),
                    m_Waiting.end());
    if (Entry* e = Find(resource)) {
        if (m_Busy)
            e->resource = nullptr;
        else
            m_Entries.erase(m_Entries.begin() + (e - m_Entries.data()));
    }
}

template <class Visit> void CD3DResourceList::Walk(HWND hWnd, Visit visit)
{
    CCriticalLock lock(m_Lock);
    if (m_Busy)
        return;  // a walk from inside a walk
    m_Busy = 1;
    const size_t count = m_Entries.size();
    for (size_t i = 0; i < count; ++i) {
        CD3DResource* resource = m_Entries[i].resource;
        if (resource && m_Entries[i].hWnd == hWnd)
            visit(resource);
    }
    m_Busy = 0;
    m_Entries.erase(std::remove_if(m_Entries.begin(), m_Entries.end(),
                                   [](const Entry& e) { return e.resource == nullptr; }),
                    m_Entries.end());
    for (const Entry& w : m_Waiting)
        if (!Find(w.resource))
            m_Entries.push_back(w);
    m_Waiting.clear();
}

void CD3DResourceList::ReleaseAll(HWND hWnd)
{
    Walk(hWnd, [](CD3DResource* r) { r->OnLost(); });
}

void CD3DResourceList::RestoreAll(HWND hWnd)
{
    Walk(hWnd, [](CD3DResource* r) { r->OnRestore(); });
}

void CD3DResourceList::DestroyAll(HWND hWnd)
{
    Walk(hWnd, [](CD3DResource* r) { r->Release(); });
}

bool CD3DResourceList::IsListed(CD3DResource* resource)
{
    CCriticalLock lock(m_Lock);
    if (Find(resource))
        return true;
    for (const Entry& w : m_Waiting)
        if (w.resource == resource)
            return true;
    return false;
}

size_t CD3DResourceList::GetCount(HWND hWnd)
{
    CCriticalLock lock(m_Lock);
    size_t n = 0;
    for (const Entry& e : m_Entries)
        n += e.resource != nullptr && e.hWnd == hWnd;
    return n;
}

bool CD3DResourceList::IsBusy()
{
    CCriticalLock lock(m_Lock);
    return m_Busy != 0;
}
