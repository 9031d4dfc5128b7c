#pragma once
// The process-wide list of surfaces to restore or release per owner window.
#include "framework/CriticalSection.h"

#include <windows.h>

#include <vector>

class CSurface;

template <class T>
class CServiceObject;

class CSurfaceRegistry {
public:
    // Created on first use under the process lock; never destroyed.
    static CSurfaceRegistry& GetInstance();

    // A surface registered twice keeps one entry with the latest owner.
    void Register(CSurface* surface, HWND owner);
    void Unregister(CSurface* surface);
    // Restore on every surface of the owner: one that succeeds gets its
    // entry's owner refreshed from GetHWnd, one that fails is released and
    // dropped.
    void RestoreAll(HWND owner);
    // Releases every surface of the owner and drops it.
    void ReleaseAll(HWND owner);

    bool IsRegistered(CSurface* surface);
    size_t GetCount(HWND owner);

private:
    friend class CServiceObject<CSurfaceRegistry>;
    struct Entry {
        CSurface* surface;  // null once unregistered during a walk
        HWND owner;
    };

    CSurfaceRegistry() : m_Busy(false) {}
    template <class Visit> void Walk(HWND owner, Visit visit);
    Entry* Find(CSurface* surface);

    CCriticalSection m_Lock;
    std::vector<Entry> m_Entries;
    // While a walk runs, registrations wait here and unregistered entries
    // stay as null holes, so the list does not move under the walk.
    std::vector<Entry> m_Waiting;
    bool m_Busy;

    CSurfaceRegistry(const CSurfaceRegistry&) = delete;
    CSurfaceRegistry& operator=(const CSurfaceRegistry&) = delete;
};
