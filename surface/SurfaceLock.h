#pragma once
#include "surface/Surface.h"

// Locks a surface for its lifetime; unlocks only what it locked.
class CSurfaceLock {
public:
    explicit CSurfaceLock(CSurface* surface) : m_Surface(surface), m_Locked(surface && surface->Lock()) {}
    ~CSurfaceLock()
    {
        if (m_Locked)
            m_Surface->Unlock();
    }
    bool IsLocked() const { return m_Locked; }

private:
    CSurface* m_Surface;
    bool m_Locked;

    CSurfaceLock(const CSurfaceLock&) = delete;
    CSurfaceLock& operator=(const CSurfaceLock&) = delete;
};
