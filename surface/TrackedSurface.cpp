#include "surface/TrackedSurface.h"

void CTrackedSurface::SetPendingBounds()
{
    int width, height;
    GetSize(width, height);
    m_Region.SetBounds(0, 0, width, height);
}

bool CTrackedSurface::Create(int width, int height, int format, bool useDib)
{
    if (!CAutoSurface::Create(width, height, format, useDib))
        return false;
    SetPendingBounds();
    return true;
}

bool CTrackedSurface::Load(const std::string& fileName, int format, bool useDib)
{
    if (!CAutoSurface::Load(fileName, format, useDib))
        return false;
    SetPendingBounds();
    return true;
}

void CTrackedSurface::OnStretchBlt(int, CSurface*, const RECT&, const RECT&, int, int, const RECT& touched)
{
    OnDrawn(touched);
}

void CTrackedSurface::OnBlt(int, CSurface*, const POINT&, const RECT&, int, int, const RECT& touched)
{
    OnDrawn(touched);
}

void CTrackedSurface::OnBlt2(int, CSurface*, CSurface*, const POINT&, const RECT&, const RECT&, const RECT&, int,
                             const RECT& touched)
{
    OnDrawn(touched);
}

void CTrackedSurface::OnTransition(int, CSurface*, CSurface*, const POINT&, const RECT&, const POINT&,
                                   const RECT&, const RECT&, int, const RECT& touched)
{
    OnDrawn(touched);
}
