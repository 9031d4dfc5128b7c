#include "d3d/D3DSurface.h"
#include "d3d/D3DDevice.h"
#include "d3d/D3DPixels.h"
#include "d3d/D3DResult.h"

#include "surface/Surface.h"
#include "surface/SurfaceLock.h"

#include <cstring>

CD3DSurface::CD3DSurface()
    : m_Surface(nullptr), m_Pitch(0), m_Bits(nullptr), m_Params{kNone, 0, 0, D3DFMT_UNKNOWN}, m_Saved(0),
      m_SavedParams{kNone, 0, 0, D3DFMT_UNKNOWN}
{
}

CD3DSurface::~CD3DSurface() { Release(); }

bool CD3DSurface::Create(const Params& params)
{
    Release();
    CD3DDevice* device = GetDevice();
    if (!device)
        return false;
    if (params.kind == kImage) {
        m_Surface = device->CreateSurface(params.width, params.height, params.format);
        if (!m_Surface && (params.format == D3DFMT_X8R8G8B8 || params.format == D3DFMT_A8R8G8B8))
            m_Surface = device->CreateSurface(params.width, params.height, D3DFMT_A4R4G4B4);
    } else if (params.kind == kDepthStencil) {
        m_Surface = device->CreateStencilSurface(params.width, params.height, params.format);
    }
    if (m_Surface)
        m_Params = params;
    return m_Surface != nullptr;
}

bool CD3DSurface::CreateImageSurface(UINT width, UINT height, D3DFORMAT format)
{
    return Create({kImage, width, height, format});
}

bool CD3DSurface::CreateDepthStencilSurface(UINT width, UINT height, D3DFORMAT format)
{
    return Create({kDepthStencil, width, height, format});
}

bool CD3DSurface::Attach(IDirect3DSurface8* surface)
{
    if (!surface)
        return false;
    Release();
    m_Surface = surface;
    m_Params = {kAttached, 0, 0, D3DFMT_UNKNOWN};
    return true;
}

bool CD3DSurface::Lock()
{
    if (!m_Surface)
        return false;
    if (m_Bits)
        return true;
    D3DLOCKED_RECT locked = {};
    const HRESULT hr = m_Surface->LockRect(&locked, nullptr, 0);
    if (FAILED(hr)) {
        ReportD3DFailure("CD3DSurface::Lock() LockRect()", hr);
        return false;
    }
    m_Pitch = locked.Pitch;
    m_Bits = static_cast<BYTE*>(locked.pBits);
    return true;
}

void CD3DSurface::Unlock()
{
    if (!m_Surface || !m_Bits)
        return;
    const HRESULT hr = m_Surface->UnlockRect();
    if (FAILED(hr))
        ReportD3DFailure("CD3DSurface::Unlock() UnlockRect()", hr);
    m_Pitch = 0;
    m_Bits = nullptr;
}

D3DSURFACE_DESC CD3DSurface::GetDesc()
{
    D3DSURFACE_DESC desc;
    std::memset(&desc, 0, sizeof desc);
    if (!m_Surface)
        return desc;
    const HRESULT hr = m_Surface->GetDesc(&desc);
    if (FAILED(hr)) {
        ReportD3DFailure("CD3DSurface::GetDesc() GetDesc()", hr);
        std::memset(&desc, 0, sizeof desc);
    }
    return desc;
}

void CD3DSurface::GetSize(UINT& width, UINT& height)
{
    const D3DSURFACE_DESC desc = GetDesc();
    width = desc.Width;
    height = desc.Height;
}

D3DFORMAT CD3DSurface::GetFormat() { return GetDesc().Format; }

bool CD3DSurface::CopyRect(CD3DSurface& destination, int x, int y, int width, int height, int dx, int dy)
{
    CD3DDevice* device = GetDevice();
    if (!device || !m_Surface || !destination.m_Surface)
        return false;
    const RECT rect = {x, y, x + width, y + height};
    const POINT point = {dx, dy};
    return device->CopyRects(m_Surface, &rect, 1, destination.m_Surface, &point);
}

D3DCOLOR CD3DSurface::GetPixel(int x, int y)
{
    const D3DSURFACE_DESC desc = GetDesc();
    if (x < 0 || y < 0 || UINT(x) >= desc.Width || UINT(y) >= desc.Height)
        return 0;
    const bool wasLocked = IsLocked();
    if (!Lock())
        return 0;
    uint32_t argb = 0;
    D3DReadPixel(m_Bits, m_Pitch, desc.Format, x, y, argb);
    if (!wasLocked)
        Unlock();
    return argb;
}

void CD3DSurface::Fill(D3DCOLOR color, int left, int top, int right, int bottom)
{
    const D3DSURFACE_DESC desc = GetDesc();
    if (!IsD3DPixelFormat(desc.Format))
        return;
    const bool wasLocked = IsLocked();
    if (!Lock())
        return;
    D3DFillRect(m_Bits, m_Pitch, int32_t(desc.Width), int32_t(desc.Height), desc.Format, color,
                PixelRect{left, top, right, bottom});
    if (!wasLocked)
        Unlock();
}

void CD3DSurface::Fill(D3DCOLOR color)
{
    const D3DSURFACE_DESC desc = GetDesc();
    Fill(color, 0, 0, int(desc.Width), int(desc.Height));
}

bool CD3DSurface::CopyFromSurface(CSurface* source, bool withAlpha)
{
    if (!source || !source->IsCreated())
        return false;
    const D3DSURFACE_DESC desc = GetDesc();
    if (!IsD3DPixelFormat(desc.Format))
        return false;
    CSurfaceLock sourceLock(source);
    if (!sourceLock.IsLocked())
        return false;
    const bool wasLocked = IsLocked();
    if (!Lock())
        return false;
    const AlphaView alpha = source->GetAlphaView();
    const bool ok = D3DCopyFromPixels(m_Bits, m_Pitch, int32_t(desc.Width), int32_t(desc.Height), desc.Format,
                                      source->GetPixelView(), withAlpha && alpha.bits ? &alpha : nullptr);
    if (!wasLocked)
        Unlock();
    return ok;
}

void CD3DSurface::OnLost()
{
    if (!m_Surface)
        return;
    const Params params = m_Params;
    Release();
    if (params.kind == kImage || params.kind == kDepthStencil) {
        m_SavedParams = params;
        m_Saved = 1;
    }
}

void CD3DSurface::OnRestore()
{
    if (!m_Saved)
        return;
    m_Saved = 0;
    Create(m_SavedParams);
}

void CD3DSurface::Release()
{
    m_Saved = 0;
    if (!m_Surface)
        return;
    Unlock();
    m_Surface->Release();
    m_Surface = nullptr;
    m_Params = {kNone, 0, 0, D3DFMT_UNKNOWN};
}
