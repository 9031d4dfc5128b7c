#include "surface/MemorySurface.h"

#include "surface/PixelFormat.h"
#include "surface/ScreenFormat.h"
#include "surface/SurfaceLock.h"

#include <new>

CMemorySurface::CMemorySurface() : m_Bits(nullptr), m_Width(0), m_Height(0), m_Format(0), m_Pitch(0)
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

// Every pixel is written by the picture; only the row padding is cleared.
bool CMemorySurface::CreateForPicture(int width, int height, int format, bool)
{
    return CreatePixels(width, height, ResolveFormat(format), false);
}

void CMemorySurface::Release()
{
    ReleaseState();
    Unlock();
    ReleaseDC();
    FreePixels();
    m_Width = m_Height = 0;
    m_Format = m_Pitch = 0;
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

void CMemorySurface::Fill(COLORREF color, int left, int top, int right, int bottom)
{
    if (!IsCreated())
        return;
    CSurfaceLock lock(this);
    FillPixels(GetPixelView(), color, PixelRect{left, top, right, bottom});
}
