#include "surface/MemorySurface.h"

#include "filesystem/File.h"
#include "filesystem/ImageFile.h"
#include "framework/AppManager.h"
#include "surface/PixelFormat.h"
#include "surface/ScreenFormat.h"
#include "surface/SurfaceLock.h"
#include "surface/SurfaceRegistry.h"

#include <cstring>
#include <new>

namespace {

const COLORREF kDefaultColorKey = 0x00FF00;  // green

}  // namespace

CMemorySurface::CMemorySurface()
    : m_hWnd(CAppManager::GetHWnd()), m_Bits(nullptr), m_Alpha(nullptr), m_Width(0), m_Height(0),
      m_Format(0), m_Pitch(0), m_AlphaPitch(0), m_ColorKeyEnable(0), m_AlphaEnable(0), m_AutoRestore(1),
      m_ColorKey(0), m_BlitMode(-1)
{
}

CMemorySurface::~CMemorySurface()
{
    Release();
}

bool CMemorySurface::AllocatePixels(int32_t bytes, bool clear)
{
    m_Bits = clear ? new (std::nothrow) BYTE[size_t(bytes)]() : new (std::nothrow) BYTE[size_t(bytes)];
    return m_Bits != nullptr;
}

void CMemorySurface::FreePixels()
{
    delete[] m_Bits;
    m_Bits = nullptr;
}

bool CMemorySurface::Create(int width, int height, int format, bool)
{
    return CreatePixels(width, height, ResolveFormat(format), true);
}

bool CMemorySurface::CreatePixels(int width, int height, int format, bool clear)
{
    Release();
    int32_t pitch, bytes;
    if (!ComputeSurfaceSize(width, height, format, pitch, bytes))
        return false;
    m_Format = format;
    m_Width = width;
    m_Height = height;
    m_Pitch = pitch;
    if (!AllocatePixels(bytes, clear)) {
        Release();
        return false;
    }
    FinishCreate();
    return true;
}

void CMemorySurface::FinishCreate()
{
    SetColorKey(kDefaultColorKey);
    UpdateBlitMode();
    if (m_AutoRestore)
        CSurfaceRegistry::GetInstance().Register(this, m_hWnd);
}

bool CMemorySurface::Load(const std::string& fileName, int format, bool)
{
    format = ResolveFormat(format);
    const std::string name = fileName;  // the argument may be our own name
    Release();
    CImageFile image;
    if (!image.Load(name)) {
        Release();
        return false;
    }
    int width, height;
    image.GetSize(width, height);
    // Every pixel is written below; only the row padding is cleared.
    if (!CreatePixels(width, height, format, false)) {
        Release();
        return false;
    }
    m_FileName = name;
    {
        CSurfaceLock lock(this);
        const PixelView view = GetPixelView();
        ConvertBottomUpRows(view, image.GetPixels(), int32_t(image.GetStride()), image.GetBitCount());
        ClearRowPadding(view);
    }
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
    SetColorKey(kDefaultColorKey);
    OnPixelsWritten();
    return true;
}

bool CMemorySurface::SaveBitmap(const std::string& fileName)
{
    if (!IsCreated())
        return false;
    uint32_t size = 0;
    std::unique_ptr<uint8_t[]> file;
    {
        CSurfaceLock lock(this);
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

void CMemorySurface::Release()
{
    CSurfaceRegistry::GetInstance().Unregister(this);
    Unlock();
    ReleaseDC();
    FreePixels();
    delete[] m_Alpha;
    m_Alpha = nullptr;
    m_Width = m_Height = 0;
    m_Format = m_Pitch = m_AlphaPitch = 0;
    m_ColorKeyEnable = m_AlphaEnable = 0;
    m_ColorKey = 0;
    m_FileName.clear();
    m_BlitMode = -1;
}

void CMemorySurface::UpdateBlitMode()
{
    m_BlitMode = IsCreated() ? ComputeBlitMode(GetBlitModeBase(), m_Format, m_ColorKeyEnable != 0,
                                               m_AlphaEnable != 0, m_Alpha != nullptr)
                             : -1;
}

void CMemorySurface::SetColorKeyEnable(bool enable)
{
    m_ColorKeyEnable = enable ? 1 : 0;
    UpdateBlitMode();
}

void CMemorySurface::SetAlphaEnable(bool enable)
{
    if (enable && IsCreated())
        EnsureAlphaPlane();
    m_AlphaEnable = enable ? 1 : 0;
    UpdateBlitMode();
}

void CMemorySurface::SetColorKey(COLORREF color)
{
    m_ColorKey = SwapRedBlue(color);
}

SIZE CMemorySurface::GetSize()
{
    SIZE size = {m_Width, m_Height};
    return size;
}

void CMemorySurface::GetSize(int& width, int& height)
{
    width = m_Width;
    height = m_Height;
}

bool CMemorySurface::EnsureAlphaPlane()
{
    if (m_Alpha != nullptr)
        return true;
    int32_t pitch, bytes;
    if (!ComputeAlphaSize(m_Width, m_Height, pitch, bytes))
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

void CMemorySurface::Fill(COLORREF color)
{
    Fill(color, 0, 0, m_Width, m_Height);
}

void CMemorySurface::Fill(COLORREF color, int left, int top, int right, int bottom)
{
    if (!IsCreated())
        return;
    CSurfaceLock lock(this);
    FillPixels(GetPixelView(), color, PixelRect{left, top, right, bottom});
}

void CMemorySurface::FillAlpha(BYTE alpha)
{
    FillAlpha(alpha, 0, 0, m_Width, m_Height);
}

void CMemorySurface::FillAlpha(BYTE alpha, int left, int top, int right, int bottom)
{
    if (!IsCreated() || !EnsureAlphaPlane())
        return;
    FillAlphaRect(GetAlphaView(), alpha, PixelRect{left, top, right, bottom});
}

void CMemorySurface::CopyAlpha(CSurface* source, int left, int top, int right, int bottom, int srcLeft,
                               int srcTop, int srcRight, int srcBottom)
{
    if (!IsCreated() || source == nullptr || !source->HasAlphaChannel() || !EnsureAlphaPlane())
        return;
    CopyAlphaRect(GetAlphaView(), PixelRect{left, top, right, bottom}, source->GetAlphaView(),
                  PixelRect{srcLeft, srcTop, srcRight, srcBottom});
}

bool CMemorySurface::Restore()
{
    if (!IsCreated())
        return false;
    const DWORD key = m_ColorKey;
    const bool keyOn = m_ColorKeyEnable != 0, alphaOn = m_AlphaEnable != 0;
    const bool hadAlpha = m_Alpha != nullptr;
    const int width = m_Width, height = m_Height;
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
    m_ColorKey = key;
    return true;
}
