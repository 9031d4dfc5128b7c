#include "surface/DDSurface.h"

#include "filesystem/File.h"
#include "filesystem/ImageFile.h"
#include "framework/AppManager.h"
#include "framework/DebugPrint.h"
#include "surface/PixelFormat.h"
#include "surface/SurfaceLock.h"
#include "surface/SurfaceRegistry.h"

#include <cstring>
#include <new>

namespace {

const COLORREF kDefaultColorKey = 0x00FF00;  // green
const int kBlitModeBase = 32;                // system memory; video memory would be 48

}  // namespace

CDDSurface::CDDSurface(CDirectDraw* directDraw)
    : m_hWnd(CAppManager::GetHWnd()), m_DDSurface(directDraw), m_Alpha(nullptr), m_AlphaPitch(0),
      m_ColorKeyEnable(0), m_AlphaEnable(0), m_AutoRestore(1), m_ColorKey(0), m_BlitMode(-1)
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
    SetColorKey(kDefaultColorKey);
    UpdateBlitMode();
    if (m_AutoRestore)
        CSurfaceRegistry::GetInstance().Register(this, m_hWnd);
    return true;
}

bool CDDSurface::Load(const std::string& fileName, int format, bool useDib)
{
    const std::string name = fileName;  // the argument may be our own name
    Release();
    CImageFile image;
    if (!image.Load(name)) {
        Release();
        return false;
    }
    int width, height;
    image.GetSize(width, height);
    if (!Create(width, height, format, useDib)) {
        Release();
        return false;
    }
    m_FileName = name;
    if (!m_DDSurface.Lock()) {
        DebugPrint("CDDSurface::Load() Lockに失敗しました");
        Release();
        return false;
    }
    const PixelView view = GetPixelView();
    ConvertBottomUpRows(view, image.GetPixels(), int32_t(image.GetStride()), image.GetBitCount());
    ClearRowPadding(view);
    m_DDSurface.Unlock();
    if (image.GetAlpha() != nullptr) {
        // Taken over as stored, with the picture's row length as pitch.
        const size_t bytes = size_t(image.GetAlphaStride()) * size_t(height);
        m_Alpha = new (std::nothrow) BYTE[bytes];
        if (m_Alpha != nullptr) {
            std::memcpy(m_Alpha, image.GetAlpha(), bytes);
            m_AlphaPitch = int(image.GetAlphaStride());
            SetAlphaEnable(true);
        }
    }
    return true;
}

bool CDDSurface::SaveBitmap(const std::string& fileName)
{
    if (!IsCreated())
        return false;
    uint32_t size = 0;
    std::unique_ptr<uint8_t[]> file;
    {
        CSurfaceLock lock(this);
        if (!lock.IsLocked())
            return false;
        file = EncodeBitmap24(GetPixelView(), size);
    }
    if (!file)
        return false;
    CFile out;
    if (!out.Create(fileName, true))
        return false;
    const bool written = out.Write(file.get(), 1, size) == size;
    out.Close();
    return written;
}

void CDDSurface::Release()
{
    CSurfaceRegistry::GetInstance().Unregister(this);
    m_DDSurface.Unlock();
    m_DDSurface.ReleaseDC();
    m_DDSurface.Release();
    delete[] m_Alpha;
    m_Alpha = nullptr;
    m_AlphaPitch = 0;
    m_ColorKeyEnable = m_AlphaEnable = 0;
    m_ColorKey = 0;
    m_FileName.clear();
    m_BlitMode = -1;
}

void CDDSurface::UpdateBlitMode()
{
    m_BlitMode = IsCreated() ? ComputeBlitMode(kBlitModeBase, GetBitCount(), m_ColorKeyEnable != 0,
                                               m_AlphaEnable != 0, m_Alpha != nullptr)
                             : -1;
}

void CDDSurface::SetColorKeyEnable(bool enable)
{
    m_ColorKeyEnable = enable ? 1 : 0;
    UpdateBlitMode();
}

void CDDSurface::SetAlphaEnable(bool enable)
{
    if (enable && IsCreated())
        EnsureAlphaPlane();
    m_AlphaEnable = enable ? 1 : 0;
    UpdateBlitMode();
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

bool CDDSurface::EnsureAlphaPlane()
{
    if (m_Alpha != nullptr)
        return true;
    int width, height;
    GetSize(width, height);
    int32_t pitch, bytes;
    if (!ComputeAlphaSize(width, height, pitch, bytes))
        return false;
    m_Alpha = new (std::nothrow) BYTE[size_t(bytes)];
    if (m_Alpha == nullptr)
        return false;
    std::memset(m_Alpha, 255, size_t(bytes));
    m_AlphaPitch = pitch;
    UpdateBlitMode();
    return true;
}

void CDDSurface::Fill(COLORREF color)
{
    int width, height;
    GetSize(width, height);
    Fill(color, 0, 0, width, height);
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

void CDDSurface::FillAlpha(BYTE alpha)
{
    int width, height;
    GetSize(width, height);
    FillAlpha(alpha, 0, 0, width, height);
}

void CDDSurface::FillAlpha(BYTE alpha, int left, int top, int right, int bottom)
{
    if (!IsCreated() || !EnsureAlphaPlane())
        return;
    FillAlphaRect(GetAlphaView(), alpha, PixelRect{left, top, right, bottom});
}

void CDDSurface::CopyAlpha(CSurface* source, int left, int top, int right, int bottom, int srcLeft, int srcTop,
                           int srcRight, int srcBottom)
{
    if (!IsCreated() || source == nullptr || !source->HasAlphaChannel() || !EnsureAlphaPlane())
        return;
    CopyAlphaRect(GetAlphaView(), PixelRect{left, top, right, bottom}, source->GetAlphaView(),
                  PixelRect{srcLeft, srcTop, srcRight, srcBottom});
}

bool CDDSurface::Restore()
{
    if (!IsCreated())
        return false;
    const DWORD key = m_ColorKey;
    const bool keyOn = m_ColorKeyEnable != 0, alphaOn = m_AlphaEnable != 0;
    const bool hadAlpha = m_Alpha != nullptr;
    int width, height;
    GetSize(width, height);
    const std::string name = m_FileName;
    if (!name.empty()) {
        if (!Load(name, 0, false))
            return false;
    } else {
        if (!Create(width, height, 0, false))
            return false;
        if (hadAlpha)
            FillAlpha(255);
    }
    SetColorKeyEnable(keyOn);
    SetAlphaEnable(alphaOn);
    SetColorKey(key);
    return true;
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
