#include "surface/DDSurface.h"

#include "framework/DebugPrint.h"
#include "surface/PixelFormat.h"

CDDSurface::CDDSurface(CDirectDraw* directDraw) : m_DDSurface(directDraw)
{
}

CDDSurface::~CDDSurface()
{
    Release();
}

// Always in system memory, where the surface is never lost.
bool CDDSurface::Create(int width, int height, int format, bool)
{
    Release();
    if (!m_DDSurface.Create(width, height, format, true)) {
        Release();
        return false;
    }
    FinishCreate();
    return true;
}

bool CDDSurface::CreateForPicture(int width, int height, int format, bool useDib)
{
    return Create(width, height, format, useDib);
}

bool CDDSurface::WritePicture(CImageFile& image)
{
    if (CPixelSurface::WritePicture(image))
        return true;
    DebugPrint("CDDSurface::Load() Lockに失敗しました");
    return false;
}

void CDDSurface::Release()
{
    ReleaseState();
    m_DDSurface.Unlock();
    m_DDSurface.ReleaseDC();
    m_DDSurface.Release();
}

// The software blits read the stored value as 0x00RRGGBB and compare it in
// the pixel format; DirectDraw gets the same pixel value, so that both skip
// the same pixels.
void CDDSurface::SetColorKey(COLORREF color)
{
    m_ColorKey = color;
    if (IsCreated())
        m_DDSurface.SetColorKey(ColorToPixel(GetBitCount(), color));
}

void CDDSurface::Fill(COLORREF color, int left, int top, int right, int bottom)
{
    if (!IsCreated())
        return;
    if (!m_DDSurface.Lock()) {
        DebugPrint("CDDSurface::Fill() Lockに失敗しました");
        return;
    }
    FillPixels(GetPixelView(), color, PixelRect{left, top, right, bottom});
    m_DDSurface.Unlock();
}

CDirectDrawSurface* CDDSurface::GetDDSurface()
{
    return IsCreated() ? &m_DDSurface : nullptr;
}

// The colour key is the source's, and so is the switch that asks for it, as
// in the software blits.
bool CDDSurface::DDBlt(CDDSurface* source, const RECT* dstRect, const RECT* srcRect)
{
    if (source == nullptr || !IsCreated() || !source->IsCreated())
        return false;
    return m_DDSurface.Blt(source->GetDDSurface(), dstRect, srcRect, source->IsColorKeyEnable());
}

bool CDDSurface::DDBltFast(CDDSurface* source, int x, int y, const RECT* srcRect)
{
    if (source == nullptr || !IsCreated() || !source->IsCreated())
        return false;
    return m_DDSurface.BltFast(x, y, source->GetDDSurface(), srcRect, source->IsColorKeyEnable());
}
