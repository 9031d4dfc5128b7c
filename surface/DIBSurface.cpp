#include "surface/DIBSurface.h"

#include "surface/PixelFormat.h"

CDIBSurface::CDIBSurface() : m_hBitmap(NULL), m_hPrevBitmap(NULL), m_Locked(0), m_hDC(NULL) {}

CDIBSurface::~CDIBSurface()
{
    Release();
}

// A new DIB section is zeroed either way.
bool CDIBSurface::AllocatePixels(int32_t bytes, bool)
{
    struct {
        BITMAPINFOHEADER header;
        DWORD masks[3];
    } info = {};
    info.header.biSize = sizeof(BITMAPINFOHEADER);
    info.header.biWidth = m_Width;
    info.header.biHeight = -m_Height;  // top-down rows
    info.header.biPlanes = 1;
    info.header.biBitCount = WORD(m_Format == kFormat15 ? 16 : m_Format);
    info.header.biCompression = m_Format == kFormat24 ? BI_RGB : BI_BITFIELDS;
    info.header.biSizeImage = DWORD(bytes);
    switch (m_Format) {
    case kFormat15: info.masks[0] = 0x7C00, info.masks[1] = 0x03E0, info.masks[2] = 0x001F; break;
    case kFormat16: info.masks[0] = 0xF800, info.masks[1] = 0x07E0, info.masks[2] = 0x001F; break;
    case kFormat32: info.masks[0] = 0xFF0000, info.masks[1] = 0x00FF00, info.masks[2] = 0x0000FF; break;
    default: break;
    }
    HDC screen = ::GetDC(NULL);
    void* bits = nullptr;
    m_hBitmap = CreateDIBSection(screen, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits,
                                 NULL, 0);
    ::ReleaseDC(NULL, screen);
    if (m_hBitmap == NULL || bits == nullptr) {
        if (m_hBitmap != NULL)
            DeleteObject(m_hBitmap);
        m_hBitmap = NULL;
        return false;
    }
    m_Bits = static_cast<BYTE*>(bits);
    return true;
}

void CDIBSurface::FreePixels()
{
    if (m_hBitmap != NULL)
        DeleteObject(m_hBitmap);
    m_hBitmap = NULL;
    m_Bits = nullptr;
}

HDC CDIBSurface::GetDC()
{
    if (!IsCreated())
        return NULL;
    ReleaseDC();
    GdiFlush();
    HDC screen = ::GetDC(NULL);
    m_hDC = CreateCompatibleDC(screen);
    ::ReleaseDC(NULL, screen);
    if (m_hDC == NULL)
        return NULL;
    m_hPrevBitmap = SelectObject(m_hDC, m_hBitmap);
    return m_hDC;
}

void CDIBSurface::ReleaseDC()
{
    if (!IsCreated() || m_hDC == NULL)
        return;
    SelectObject(m_hDC, m_hPrevBitmap);
    DeleteDC(m_hDC);
    GdiFlush();
    m_hDC = NULL;
    m_hPrevBitmap = NULL;
}

bool CDIBSurface::Lock()
{
    if (!m_Locked)
        GdiFlush();
    m_Locked = 1;
    return true;
}

void CDIBSurface::Unlock()
{
    if (m_Locked)
        GdiFlush();
    m_Locked = 0;
}
