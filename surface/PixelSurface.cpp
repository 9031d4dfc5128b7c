#include "surface/PixelSurface.h"

#include "filesystem/File.h"
#include "filesystem/ImageFile.h"
#include "framework/AppManager.h"
#include "surface/PixelFormat.h"
#include "surface/SurfaceLock.h"
#include "surface/SurfaceRegistry.h"

#include <cstring>
#include <memory>
#include <new>

namespace {

const COLORREF kDefaultColorKey = 0x00FF00;  // green

}  // namespace

CPixelSurface::CPixelSurface()
    : m_hWnd(CAppManager::GetHWnd()), m_Alpha(nullptr), m_AlphaPitch(0), m_ColorKeyEnable(0), m_AlphaEnable(0),
      m_AutoRestore(1), m_ColorKey(0), m_BlitMode(-1)
{
}

CPixelSurface::~CPixelSurface()
{
    delete[] m_Alpha;
}

bool CPixelSurface::SaveBitmap(const std::string& fileName)
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

void CPixelSurface::ReleaseState()
{
    CSurfaceRegistry::GetInstance().Unregister(this);
    delete[] m_Alpha;
    m_Alpha = nullptr;
    m_AlphaPitch = 0;
    m_ColorKeyEnable = m_AlphaEnable = 0;
    m_ColorKey = 0;
    m_FileName.clear();
    m_BlitMode = -1;
}

void CPixelSurface::FinishCreate()
{
    SetColorKey(kDefaultColorKey);
    UpdateBlitMode();
    if (m_AutoRestore)
        CSurfaceRegistry::GetInstance().Register(this, m_hWnd);
}

void CPixelSurface::UpdateBlitMode()
{
    m_BlitMode = IsCreated() ? ComputeBlitMode(GetBlitModeBase(), GetBitCount(), m_ColorKeyEnable != 0,
                                               m_AlphaEnable != 0, m_Alpha != nullptr)
                             : -1;
}

void CPixelSurface::SetColorKeyEnable(bool enable)
{
    m_ColorKeyEnable = enable ? 1 : 0;
    UpdateBlitMode();
}

void CPixelSurface::SetAlphaEnable(bool enable)
{
    if (enable && IsCreated())
        EnsureAlphaPlane();
    m_AlphaEnable = enable ? 1 : 0;
    UpdateBlitMode();
}

bool CPixelSurface::Load(const std::string& fileName, int format, bool useDib)
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
    if (!CreateForPicture(width, height, format, useDib)) {
        Release();
        return false;
    }
    m_FileName = name;
    if (!WritePicture(image)) {
        Release();
        return false;
    }
    if (image.GetAlpha() != nullptr) {
        // Taken over as stored, with the picture's row length as pitch;
        // without memory the surface stays without one.
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

bool CPixelSurface::WritePicture(CImageFile& image)
{
    CSurfaceLock lock(this);
    if (!lock.IsLocked())
        return false;
    const PixelView view = GetPixelView();
    ConvertBottomUpRows(view, image.GetPixels(), int32_t(image.GetStride()), image.GetBitCount());
    ClearRowPadding(view);
    return true;
}

bool CPixelSurface::EnsureAlphaPlane()
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
    // Opaque, so that a plane made for part of the surface leaves the rest as
    // it was drawn before.
    std::memset(m_Alpha, 255, size_t(bytes));
    m_AlphaPitch = pitch;
    UpdateBlitMode();
    return true;
}

void CPixelSurface::Fill(COLORREF color)
{
    int width, height;
    GetSize(width, height);
    Fill(color, 0, 0, width, height);
}

void CPixelSurface::FillAlpha(BYTE alpha)
{
    int width, height;
    GetSize(width, height);
    FillAlpha(alpha, 0, 0, width, height);
}

void CPixelSurface::FillAlpha(BYTE alpha, int left, int top, int right, int bottom)
{
    if (!IsCreated() || !EnsureAlphaPlane())
        return;
    FillAlphaRect(GetAlphaView(), alpha, PixelRect{left, top, right, bottom});
}

void CPixelSurface::CopyAlpha(CSurface* source, int left, int top, int right, int bottom, int srcLeft,
                              int srcTop, int srcRight, int srcBottom)
{
    if (!IsCreated() || source == nullptr || !source->HasAlphaChannel() || !EnsureAlphaPlane())
        return;
    CopyAlphaRect(GetAlphaView(), PixelRect{left, top, right, bottom}, source->GetAlphaView(),
                  PixelRect{srcLeft, srcTop, srcRight, srcBottom});
}

bool CPixelSurface::Restore()
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
    RestoreColorKey(key);
    return true;
}
