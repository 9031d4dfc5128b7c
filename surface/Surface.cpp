#include "surface/Surface.h"

#include "surface/SurfaceLock.h"

PixelView CSurface::GetPixelView()
{
    PixelView v;
    if (!IsCreated())
        return v;
    v.bits = GetBits();
    v.pitch = GetPitch();
    GetSize(v.width, v.height);
    v.format = GetBitCount();
    if (v.bits == nullptr)
        v = PixelView();
    return v;
}

AlphaView CSurface::GetAlphaView()
{
    AlphaView v;
    if (!IsCreated() || GetAlphaBits() == nullptr)
        return v;
    v.bits = GetAlphaBits();
    v.pitch = GetAlphaPitch();
    GetSize(v.width, v.height);
    return v;
}

void CSurface::SetPixel(int x, int y, DWORD rgb)
{
    if (!IsCreated())
        return;
    CSurfaceLock lock(this);
    WritePixel(GetPixelView(), x, y, rgb);
}

DWORD CSurface::GetPixel(int x, int y)
{
    if (!IsCreated())
        return 0;
    CSurfaceLock lock(this);
    return ReadPixel(GetPixelView(), x, y);
}

void CSurface::SetAlpha(int x, int y, BYTE alpha)
{
    const AlphaView v = GetAlphaView();
    if (v.bits != nullptr && x >= 0 && y >= 0 && x < v.width && y < v.height)
        v.bits[ptrdiff_t(y) * v.pitch + x] = alpha;
}

BYTE CSurface::GetAlpha(int x, int y)
{
    const AlphaView v = GetAlphaView();
    if (v.bits != nullptr && x >= 0 && y >= 0 && x < v.width && y < v.height)
        return v.bits[ptrdiff_t(y) * v.pitch + x];
    return 0;
}

void CSurface::OnStretchBlt(int, CSurface*, const RECT&, const RECT&, int, int, const RECT&) {}
void CSurface::OnBlt(int, CSurface*, const POINT&, const RECT&, int, int, const RECT&) {}
void CSurface::OnBlt2(int, CSurface*, CSurface*, const POINT&, const RECT&, const RECT&, const RECT&, int,
                      const RECT&)
{
}
void CSurface::OnTransition(int, CSurface*, CSurface*, const POINT&, const RECT&, const POINT&, const RECT&,
                            const RECT&, int, const RECT&)
{
}
