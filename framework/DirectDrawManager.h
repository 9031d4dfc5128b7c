#pragma once
// The process-wide list of DirectDraw objects, at most one per window.
#include "framework/CriticalSection.h"

#include <windows.h>

#include <vector>

class CDirectDraw;

template <class T>
class CServiceObject;

class CDirectDrawManager {
public:
    // Created on first use under the process lock and never destroyed; its
    // end is Shutdown, run by the shutdown callbacks of the start-up object.
    static CDirectDrawManager& GetInstance();

    // Makes the DirectDraw object of the window. False for a second object
    // of the same window (the first stays) and when DirectDraw cannot be
    // made.
    bool Initialize(HWND hWnd);
    // The object of the window, or null.
    CDirectDraw* GetDirectDraw(HWND hWnd);
    // Deletes the object of the window, if any.
    void Uninitialize(HWND hWnd);
    size_t GetCount();
    // What the end of the manager does: reports and deletes the objects left.
    void Shutdown();

private:
    friend class CServiceObject<CDirectDrawManager>;
    CDirectDrawManager();
    // Takes the first object (or the window's, for a non-null handle) off
    // the list; null when there is none.
    CDirectDraw* Take(HWND hWnd, bool any);

    CCriticalSection m_Lock;
    std::vector<CDirectDraw*> m_Objects;

    CDirectDrawManager(const CDirectDrawManager&) = delete;
    CDirectDrawManager& operator=(const CDirectDrawManager&) = delete;
};
