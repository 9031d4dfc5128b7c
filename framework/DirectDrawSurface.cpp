#include "framework/DirectDrawSurface.h"

#include "framework/DebugPrint.h"
#include "framework/DirectDraw.h"
#include "framework/DirectDrawSurfaceRegistry.h"

#include <cstring>

namespace {

struct FormatMasks {
    int format;
    DWORD bits, red, green, blue;
};
const FormatMasks kFormats[] = {
    {15, 16, 0x7C00, 0x03E0, 0x001F},
    {16, 16, 0xF800, 0x07E0, 0x001F},
    {24, 24, 0xFF0000, 0x00FF00, 0x0000FF},
    {32, 32, 0xFF0000, 0x00FF00, 0x0000FF},
};

const FormatMasks* FindFormat(int format)
{
    for (const FormatMasks& f : kFormats)
        if (f.format == format)
            return &f;
    return nullptr;
}

bool HasMasks(const DDPIXELFORMAT& pf, const FormatMasks& f)
{
    return pf.dwRBitMask == f.red && pf.dwGBitMask == f.green && pf.dwBBitMask == f.blue;
}

int ScreenBitCount()
{
    HDC screen = ::GetDC(NULL);
    if (screen == NULL)
        return 0;
    const int bits = GetDeviceCaps(screen, BITSPIXEL);
    ::ReleaseDC(NULL, screen);
    return bits;
}

}  // namespace

CDirectDrawSurface::CDirectDrawSurface(CDirectDraw* directDraw)
    : m_DirectDraw(directDraw), m_SystemMemory(0), m_Format(0), m_Width(0), m_Height(0), m_ColorKey(0),
      m_Locked(0), m_hDC(NULL)
{
    std::memset(&m_LockDesc, 0, sizeof m_LockDesc);
    CDirectDrawSurfaceRegistry::GetInstance().Register(this, directDraw);
}

CDirectDrawSurface::~CDirectDrawSurface()
{
    CDirectDrawSurfaceRegistry::GetInstance().Unregister(this);
    Release();
}

bool CDirectDrawSurface::Create(int width, int height, int format, bool systemMemory)
{
    const DWORD flags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | (format != 0 ? DDSD_PIXELFORMAT : 0);
    const DWORD caps = DDSCAPS_OFFSCREENPLAIN | (systemMemory ? DDSCAPS_SYSTEMMEMORY : DDSCAPS_VIDEOMEMORY);
    if (Create(width, height, format, systemMemory, flags, caps))
        return true;
    if (!systemMemory &&
        Create(width, height, format, true, flags, DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY))
        return true;
    Release();
    return false;
}

bool CDirectDrawSurface::Create(int width, int height, int format, bool systemMemory, DWORD descFlags,
                                DWORD caps)
{
    Release();
    IDirectDraw7* dd = m_DirectDraw ? m_DirectDraw->GetInterface() : nullptr;
    if (dd == nullptr || width <= 0 || height <= 0)
        return false;
    DDSURFACEDESC2 desc;
    std::memset(&desc, 0, sizeof desc);
    desc.dwSize = sizeof desc;
    desc.dwFlags = descFlags;
    desc.ddsCaps.dwCaps = caps;
    desc.dwWidth = DWORD(width);
    desc.dwHeight = DWORD(height);
    if (format != 0) {
        const FormatMasks* f = FindFormat(format);
        if (f == nullptr)
            return false;
        DDPIXELFORMAT& pf = desc.ddpfPixelFormat;
        pf.dwSize = sizeof pf;
        pf.dwFlags = DDPF_RGB;
        pf.dwRGBBitCount = f->bits;
        pf.dwRBitMask = f->red;
        pf.dwGBitMask = f->green;
        pf.dwBBitMask = f->blue;
    }
    IDirectDrawSurface7* surface = nullptr;
    if (FAILED(dd->CreateSurface(&desc, &surface, nullptr)) || surface == nullptr) {
        Release();
        return false;
    }
    m_Surface.Reset(surface);
    m_Height = height;
    m_SystemMemory = systemMemory ? 1 : 0;
    m_Width = width;
    return DetectFormat(format);
}

bool CDirectDrawSurface::DetectFormat(int requested)
{
    DDSURFACEDESC2 desc;
    std::memset(&desc, 0, sizeof desc);
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_PIXELFORMAT;
    if (FAILED(m_Surface.Get()->GetSurfaceDesc(&desc))) {
        DebugPrint("CDirectDrawSurface::Create() GetSurfaceDescに失敗しました");
        // The format asked for is the one made; without one, the screen's.
        m_Format = requested != 0 ? requested : ScreenBitCount();
        if (FindFormat(m_Format) == nullptr) {
            Release();
            return false;
        }
        return true;
    }
    const DDPIXELFORMAT& pf = desc.ddpfPixelFormat;
    const DWORD bits = pf.dwRGBBitCount;
    if (bits == 16) {
        if (HasMasks(pf, kFormats[0])) {
            m_Format = 15;
        } else if (HasMasks(pf, kFormats[1])) {
            m_Format = 16;
        } else {
            DebugPrint("CDirectDrawSurface::Create() 16bpp不明フォーマット[RGB:%x,%x,%x]", pf.dwRBitMask,
                       pf.dwGBitMask, pf.dwBBitMask);
            m_Format = 16;
        }
    } else if (bits == 24 || bits == 32) {
        m_Format = int(bits);
        if (!HasMasks(pf, kFormats[2]))
            DebugPrint("CDirectDrawSurface::Create() %dbpp不明フォーマット[RGB:0x%X,0x%X,0x%X]", int(bits),
                       pf.dwRBitMask, pf.dwGBitMask, pf.dwBBitMask);
    } else {
        DebugPrint("CDirectDrawSurface::Create() %dbpp不明フォーマット[RGB:0x%X,0x%X,0x%X]", int(bits),
                   pf.dwRBitMask, pf.dwGBitMask, pf.dwBBitMask);
        Release();
        return false;
    }
    return true;
}

void CDirectDrawSurface::Release()
{
    Unlock();
    ReleaseDC();
    m_Surface.Close();
    m_SystemMemory = 0;
    m_Format = m_Width = m_Height = 0;
    m_ColorKey = 0;
    std::memset(&m_LockDesc, 0, sizeof m_LockDesc);
    m_Locked = 0;
    m_hDC = NULL;
}

SIZE CDirectDrawSurface::GetSize()
{
    SIZE size = {m_Width, m_Height};
    return size;
}

void CDirectDrawSurface::GetSize(int& width, int& height)
{
    width = m_Width;
    height = m_Height;
}

bool CDirectDrawSurface::SetColorKey(DWORD value)
{
    if (!IsCreated())
        return false;
    m_ColorKey = value;
    DWORD key;
    switch (m_Format) {
    case 15:
    case 16: key = value & 0xFFFF; break;
    case 24: key = value & 0xFFFFFF; break;
    case 32: key = value; break;
    default: return false;
    }
    DDCOLORKEY colorKey = {key, key};
    return SUCCEEDED(m_Surface.Get()->SetColorKey(DDCKEY_SRCBLT, &colorKey));
}

HDC CDirectDrawSurface::GetDC()
{
    if (!IsCreated())
        return NULL;
    if (m_hDC != NULL)
        return m_hDC;
    if (m_Locked)
        DebugPrint("CDirectDrawSurface::GetDC() Lock中にデバイスコンテキストを取得できません");
    HDC dc = NULL;
    if (FAILED(m_Surface.Get()->GetDC(&dc)))
        return NULL;
    m_hDC = dc;
    return dc;
}

bool CDirectDrawSurface::ReleaseDC()
{
    if (!IsCreated() || m_hDC == NULL)
        return false;
    const HRESULT hr = m_Surface.Get()->ReleaseDC(m_hDC);
    m_hDC = NULL;
    return SUCCEEDED(hr);
}

bool CDirectDrawSurface::Lock()
{
    if (!IsCreated())
        return false;
    if (m_Locked) {
        DebugPrint("CDirectDrawSurface::Lock() Lock中に再度lockしようとしました");
        return false;
    }
    if (m_hDC != NULL) {
        DebugPrint("CDirectDrawSurface::Lock() デバイスコンテキスト取得中にLockはできません");
        return false;
    }
    std::memset(&m_LockDesc, 0, sizeof m_LockDesc);
    m_LockDesc.dwSize = sizeof m_LockDesc;
    if (FAILED(m_Surface.Get()->Lock(nullptr, &m_LockDesc, DDLOCK_WAIT, NULL))) {
        std::memset(&m_LockDesc, 0, sizeof m_LockDesc);
        return false;
    }
    m_Locked = 1;
    return true;
}

bool CDirectDrawSurface::Unlock()
{
    if (!IsCreated() || !m_Locked)
        return false;
    const HRESULT hr = m_Surface.Get()->Unlock(nullptr);
    m_Locked = 0;
    std::memset(&m_LockDesc, 0, sizeof m_LockDesc);
    return SUCCEEDED(hr);
}

BYTE* CDirectDrawSurface::GetBits()
{
    return m_Locked ? static_cast<BYTE*>(m_LockDesc.lpSurface) : nullptr;
}

int CDirectDrawSurface::GetPitch()
{
    return m_Locked ? int(m_LockDesc.lPitch) : 0;
}

bool CDirectDrawSurface::Blt(CDirectDrawSurface* source, const RECT* dstRect, const RECT* srcRect,
                             bool colorKey)
{
    if (!IsCreated() || source == nullptr || !source->IsCreated())
        return false;
    const DWORD flags = DDBLT_WAIT | (colorKey ? DDBLT_KEYSRC : 0);
    return SUCCEEDED(m_Surface.Get()->Blt(const_cast<RECT*>(dstRect), source->GetSurface(),
                                          const_cast<RECT*>(srcRect), flags, nullptr));
}

bool CDirectDrawSurface::BltFast(int x, int y, CDirectDrawSurface* source, const RECT* srcRect, bool colorKey)
{
    if (!IsCreated() || source == nullptr || !source->IsCreated())
        return false;
    const DWORD flags = DDBLTFAST_WAIT | (colorKey ? DDBLTFAST_SRCCOLORKEY : 0);
    return SUCCEEDED(m_Surface.Get()->BltFast(DWORD(x), DWORD(y), source->GetSurface(),
                                              const_cast<RECT*>(srcRect), flags));
}

bool CDirectDrawSurface::IsLost()
{
    return IsCreated() && !m_SystemMemory && m_Surface.Get()->IsLost() == DDERR_SURFACELOST;
}

bool CDirectDrawSurface::Restore()
{
    return IsCreated() && SUCCEEDED(m_Surface.Get()->Restore());
}
