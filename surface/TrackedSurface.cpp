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

void CTrackedSurface::Fill(COLORREF color)
{
    CAutoSurface::Fill(color);
    int width, height;
    GetSize(width, height);
    m_Region.AddRect(0, 0, width, height);
}

void CTrackedSurface::Fill(COLORREF color, int left, int top, int right, int bottom)
{
    CAutoSurface::Fill(color, left, top, right, bottom);
    m_Region.AddRect(left, top, right, bottom);
}

void CTrackedSurface::FillAlpha(BYTE alpha)
{
    CAutoSurface::FillAlpha(alpha);
    int width, height;
    GetSize(width, height);
    m_Region.AddRect(0, 0, width, height);
}

void CTrackedSurface::FillAlpha(BYTE alpha, int left, int top, int right, int bottom)
{
    CAutoSurface::FillAlpha(alpha, left, top, right, bottom);
    m_Region.AddRect(left, top, right, bottom);
}

void CTrackedSurface::CopyAlpha(CSurface* source, int left, int top, int right, int bottom, int srcLeft,
                                int srcTop, int srcRight, int srcBottom)
{
    CAutoSurface::CopyAlpha(source, left, top, right, bottom, srcLeft, srcTop, srcRight, srcBottom);
    m_Region.AddRect(left, top, right, bottom);
}

void CTrackedSurface::OnStretchBlt(int, CSurface*, const RECT&, const RECT&, int, int, const RECT& touched)
{
    Touched(touched);
}

void CTrackedSurface::OnBlt(int, CSurface*, const POINT&, const RECT&, int, int, const RECT& touched)
{
    Touched(touched);
}

void CTrackedSurface::OnBlt2(int, CSurface*, CSurface*, const POINT&, const RECT&, const RECT&, const RECT&, int,
                             const RECT& touched)
{
    Touched(touched);
}

void CTrackedSurface::OnTransition(int, CSurface*, CSurface*, const POINT&, const RECT&, const POINT&,
                                   const RECT&, const RECT&, int, const RECT& touched)
{
    Touched(touched);
}
