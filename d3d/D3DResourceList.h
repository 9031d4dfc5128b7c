#pragma once
// The process-wide list of Direct3D resources and their windows, through
// which a device releases, restores and destroys them all at once.
#include "framework/CriticalSection.h"

#include <windows.h>

#include <vector>

class CD3DResource;

template <class T>
class CServiceObject;

class CD3DResourceList {
public:
    // Created on first use under the process lock; never destroyed.
    static CD3DResourceList& GetInstance();

    // A resource is listed once.
    void Add(CD3DResource* resource, HWND hWnd);
    void Remove(CD3DResource* resource);
    // OnLost / OnRestore / Release on every resource of the window.
    void ReleaseAll(HWND hWnd);
    void RestoreAll(HWND hWnd);
    void DestroyAll(HWND hWnd);

    bool IsListed(CD3DResource* resource);
    size_t GetCount(HWND hWnd);
    bool IsBusy();

private:
    friend class CServiceObject<CD3DResourceList>;
    struct Entry {
        CD3DResource* resource;  // null once removed during a walk
        HWND hWnd;
    };

    CD3DResourceList() : m_Busy(0) {}
    template <class Visit> void Walk(HWND hWnd, Visit visit);
    Entry* Find(CD3DResource* resource);

    std::vector<Entry> m_Entries;
    CCriticalSection m_Lock;
    unsigned char m_Busy;
    // While a walk runs, added resources wait here and removed ones leave a
    // hole, so that the list does not move under the walk: a resource
    // destroyed by an earlier visit is not visited, one made meanwhile is
    // listed after the walk.
    std::vector<Entry> m_Waiting;

    CD3DResourceList(const CD3DResourceList&) = delete;
    CD3DResourceList& operator=(const CD3DResourceList&) = delete;
};
