#pragma once
// The process-wide list of Direct3D objects, one per application window.
#include "framework/CriticalSection.h"

#include <windows.h>

#include <vector>

class CDirect3D8;

template <class T>
class CServiceObject;

class CDirect3D8Manager {
public:
    // Created on first use under the process lock and never destroyed; its
    // end is Shutdown, run by the shutdown callbacks of the start-up object.
    static CDirect3D8Manager& GetInstance();

    // Creates the Direct3D object of the window (its capabilities, report
    // and device with it). False for a second object of the same window and
    // when Direct3D cannot be created.
    bool Initialize(HWND hWnd);
    // The object of the window; a null handle means the calling thread's
    // application window. Null when there is none.
    CDirect3D8* GetDirect3D(HWND hWnd = NULL);
    // Deletes the first registered object (taken off the list first, so
    // that its resources no longer find it while it goes).
    void Finalize();
    // Deletes the object of this window, if any.
    void Finalize(HWND hWnd);
    size_t GetCount();
    // What the end of the manager does: reports and deletes the objects left.
    void Shutdown();

private:
    friend class CServiceObject<CDirect3D8Manager>;
    CDirect3D8Manager();

    CCriticalSection m_Lock;
    std::vector<CDirect3D8*> m_Objects;

    CDirect3D8Manager(const CDirect3D8Manager&) = delete;
    CDirect3D8Manager& operator=(const CDirect3D8Manager&) = delete;
};
