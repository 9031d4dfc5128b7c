#pragma once
// The process-wide list of DirectDraw surfaces with the DirectDraw object
// each was made on.
#include "framework/CriticalSection.h"

#include <vector>

class CDirectDraw;
class CDirectDrawSurface;

template <class T>
class CServiceObject;

class CDirectDrawSurfaceRegistry {
public:
    // Created on first use under the process lock; never destroyed.
    static CDirectDrawSurfaceRegistry& GetInstance();

    void Register(CDirectDrawSurface* surface, CDirectDraw* directDraw);
    void Unregister(CDirectDrawSurface* surface);
    // Restore on every surface of the object.
    void RestoreAll(CDirectDraw* directDraw);
    // Release on every surface of the object.
    void ReleaseAll(CDirectDraw* directDraw);
    // The object's end: its surfaces forget it (they stay registered until
    // they are destroyed, and cannot be created again).
    void DetachAll(CDirectDraw* directDraw);
    size_t GetCount(CDirectDraw* directDraw);

private:
    friend class CServiceObject<CDirectDrawSurfaceRegistry>;
    struct Entry {
        CDirectDrawSurface* surface;
        CDirectDraw* directDraw;
    };
    CDirectDrawSurfaceRegistry() {}

    CCriticalSection m_Lock;
    std::vector<Entry> m_Entries;

    CDirectDrawSurfaceRegistry(const CDirectDrawSurfaceRegistry&) = delete;
    CDirectDrawSurfaceRegistry& operator=(const CDirectDrawSurfaceRegistry&) = delete;
};
