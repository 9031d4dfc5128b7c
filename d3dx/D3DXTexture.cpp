#include "d3dx/D3DX.h"
#include "d3dx/PixelFormat.h"
#include "d3dx/TextureImage.h"
#include "framework/ComRef.h"

#include <new>
#include <vector>

namespace {

bool IsDefault(UINT v) { return v == 0 || v == D3DX_DEFAULT; }

UINT RoundUpToPowerOfTwo(UINT v)
{
    UINT p = 1;
    while (p < v && p < 0x80000000u)
        p <<= 1;
    return p;
}

// The format tried first, then the ones that keep the most of it.
std::vector<D3DFORMAT> FormatCandidates(D3DFORMAT wanted)
{
    std::vector<D3DFORMAT> list;
    auto add = [&](D3DFORMAT f) {
        for (D3DFORMAT g : list)
            if (g == f)
                return;
        list.push_back(f);
    };
    if (d3dx::FormatBytesPerPixel(wanted) == 0)
        wanted = D3DFMT_A8R8G8B8;  // a format this layer cannot write
    add(wanted);
    if (d3dx::FormatHasAlpha(wanted)) {
        for (D3DFORMAT f : {D3DFMT_A8R8G8B8, D3DFMT_A4R4G4B4, D3DFMT_A1R5G5B5, D3DFMT_A8R3G3B2, D3DFMT_A8L8})
            add(f);
    }
    for (D3DFORMAT f : {D3DFMT_X8R8G8B8, D3DFMT_R5G6B5, D3DFMT_X1R5G5B5, D3DFMT_R8G8B8, D3DFMT_X4R4G4B4,
                        D3DFMT_A8R8G8B8, D3DFMT_A1R5G5B5, D3DFMT_A4R4G4B4})
        add(f);
    return list;
}

// Valid filters: D3DX_DEFAULT, or a filter type 1 to 5 with option bits.
bool FilterType(DWORD filter, DWORD fallback, DWORD& type)
{
    if (filter == D3DX_DEFAULT)
        filter = fallback;
    type = filter & 0xFF;
    return type >= D3DX_FILTER_NONE && type <= D3DX_FILTER_BOX;
}

// The pool does not change which sizes and formats a device takes.
HRESULT CheckRequirements(IDirect3DDevice8* device, UINT& width, UINT& height, UINT& levels, DWORD usage,
                          D3DFORMAT& format)
{
    D3DCAPS8 caps;
    HRESULT hr = device->GetDeviceCaps(&caps);
    if (FAILED(hr))
        return hr;
    if (IsDefault(width))
        width = 256;
    if (IsDefault(height))
        height = 256;
    if (caps.TextureCaps & D3DPTEXTURECAPS_POW2) {
        width = RoundUpToPowerOfTwo(width);
        height = RoundUpToPowerOfTwo(height);
    }
    if (caps.TextureCaps & D3DPTEXTURECAPS_SQUAREONLY)
        width = height = width > height ? width : height;
    if (caps.MaxTextureWidth && width > caps.MaxTextureWidth)
        width = caps.MaxTextureWidth;
    if (caps.MaxTextureHeight && height > caps.MaxTextureHeight)
        height = caps.MaxTextureHeight;

    const UINT full = CTextureImage::FullMipCount(width, height);
    if (!(caps.TextureCaps & D3DPTEXTURECAPS_MIPMAP))
        levels = 1;
    else if (IsDefault(levels) || levels > full)
        levels = full;

    CComRef<IDirect3D8> d3d;
    D3DDEVICE_CREATION_PARAMETERS created;
    D3DDISPLAYMODE mode;
    if (FAILED(hr = device->GetDirect3D(d3d.Receive())) || FAILED(hr = device->GetCreationParameters(&created)) ||
        FAILED(hr = device->GetDisplayMode(&mode)))
        return hr;
    if (IsDefault(format))
        format = D3DFMT_A8R8G8B8;
    for (D3DFORMAT f : FormatCandidates(format)) {
        if (SUCCEEDED(d3d.Get()->CheckDeviceFormat(created.AdapterOrdinal, created.DeviceType, mode.Format, usage,
                                             D3DRTYPE_TEXTURE, f))) {
            format = f;
            return D3D_OK;
        }
    }
    return D3DERR_NOTAVAILABLE;
}

// Writes every level: the picture resized to level 0 by the filter, each
// further level from the one before by the mip filter.
HRESULT FillLevels(IDirect3DTexture8* texture, const CTextureImage& image, DWORD filter, DWORD mipFilter)
{
    const DWORD count = texture->GetLevelCount();
    CTextureImage level;
    for (DWORD i = 0; i < count; ++i) {
        D3DSURFACE_DESC desc;
        HRESULT hr = texture->GetLevelDesc(i, &desc);
        if (FAILED(hr))
            return hr;
        level = i == 0 ? image.Resized(desc.Width, desc.Height, filter)
                       : level.Resized(desc.Width, desc.Height, mipFilter);
        D3DLOCKED_RECT locked;
        if (FAILED(hr = texture->LockRect(i, &locked, nullptr, 0)))
            return hr;
        const std::vector<uint32_t>& pixels = level.GetPixels();
        for (UINT y = 0; y < desc.Height; ++y)
            d3dx::EncodePixels(desc.Format, &pixels[size_t(y) * desc.Width], desc.Width,
                               static_cast<uint8_t*>(locked.pBits) + size_t(y) * locked.Pitch);
        if (FAILED(hr = texture->UnlockRect(i)))
            return hr;
    }
    return D3D_OK;
}

}  // namespace

extern "C" HRESULT WINAPI D3DXCheckTextureRequirements(LPDIRECT3DDEVICE8 pDevice, UINT* pWidth, UINT* pHeight,
                                                       UINT* pNumMipLevels, DWORD Usage, D3DFORMAT* pFormat,
                                                       D3DPOOL)
{
    if (!pDevice)
        return D3DERR_INVALIDCALL;
    UINT width = pWidth ? *pWidth : 0, height = pHeight ? *pHeight : 0;
    UINT levels = pNumMipLevels ? *pNumMipLevels : 0;
    D3DFORMAT format = pFormat ? *pFormat : D3DFMT_UNKNOWN;
    const HRESULT hr = CheckRequirements(pDevice, width, height, levels, Usage, format);
    if (FAILED(hr))
        return hr;
    if (pWidth)
        *pWidth = width;
    if (pHeight)
        *pHeight = height;
    if (pNumMipLevels)
        *pNumMipLevels = levels;
    if (pFormat)
        *pFormat = format;
    return D3D_OK;
}

extern "C" HRESULT WINAPI D3DXCreateTextureFromFileInMemoryEx(LPDIRECT3DDEVICE8 pDevice, LPCVOID pSrcData,
                                                              UINT SrcDataSize, UINT Width, UINT Height,
                                                              UINT MipLevels, DWORD Usage, D3DFORMAT Format,
                                                              D3DPOOL Pool, DWORD Filter, DWORD MipFilter,
                                                              D3DCOLOR ColorKey, D3DXIMAGE_INFO* pSrcInfo,
                                                              PALETTEENTRY* pPalette, LPDIRECT3DTEXTURE8* ppTexture)
{
    (void)pPalette;  // palettised textures are never made
    if (ppTexture)
        *ppTexture = nullptr;
    DWORD filter = 0, mipFilter = 0;
    if (!pDevice || !pSrcData || SrcDataSize == 0 || !ppTexture ||
        !FilterType(Filter, D3DX_FILTER_TRIANGLE | D3DX_FILTER_DITHER, filter) ||
        !FilterType(MipFilter, D3DX_FILTER_BOX, mipFilter))
        return D3DERR_INVALIDCALL;

    try {
        CTextureImage image;
        if (!image.Decode(pSrcData, SrcDataSize))
            return D3DXERR_INVALIDDATA;
        image.ApplyColorKey(ColorKey);

        UINT width = IsDefault(Width) ? image.GetWidth() : Width;
        UINT height = IsDefault(Height) ? image.GetHeight() : Height;
        UINT levels = MipLevels;
        D3DFORMAT format = Format;
        if (IsDefault(format))
            format = image.HasAlpha() || ColorKey != 0 ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;
        HRESULT hr = CheckRequirements(pDevice, width, height, levels, Usage, format);
        if (FAILED(hr))
            return hr;

        CComRef<IDirect3DTexture8> texture;
        if (FAILED(hr = pDevice->CreateTexture(width, height, levels, Usage, format, Pool, texture.Receive())))
            return hr;
        if (Pool == D3DPOOL_DEFAULT && !(Usage & D3DUSAGE_DYNAMIC)) {
            // Not lockable: fill a system-memory copy and let the device upload it.
            CComRef<IDirect3DTexture8> staging;
            if (FAILED(hr = pDevice->CreateTexture(width, height, texture.Get()->GetLevelCount(), 0, format,
                                                   D3DPOOL_SYSTEMMEM, staging.Receive())) ||
                FAILED(hr = FillLevels(staging.Get(), image, filter, mipFilter)) ||
                FAILED(hr = pDevice->UpdateTexture(staging.Get(), texture.Get())))
                return hr;
        } else if (FAILED(hr = FillLevels(texture.Get(), image, filter, mipFilter))) {
            return hr;
        }

        if (pSrcInfo) {
            pSrcInfo->Width = image.GetWidth();
            pSrcInfo->Height = image.GetHeight();
            pSrcInfo->Depth = 1;
            pSrcInfo->MipLevels = 1;
            pSrcInfo->Format = D3DFORMAT(image.GetSourceFormat());
            pSrcInfo->ResourceType = D3DRTYPE_TEXTURE;
            pSrcInfo->ImageFileFormat = D3DXIMAGE_FILEFORMAT(image.GetFileFormat());
        }
        *ppTexture = texture.Release();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    return D3D_OK;
}

extern "C" HRESULT WINAPI D3DXCreateTextureFromFileInMemory(LPDIRECT3DDEVICE8 pDevice, LPCVOID pSrcData,
                                                            UINT SrcDataSize, LPDIRECT3DTEXTURE8* ppTexture)
{
    return D3DXCreateTextureFromFileInMemoryEx(pDevice, pSrcData, SrcDataSize, D3DX_DEFAULT, D3DX_DEFAULT,
                                               D3DX_DEFAULT, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_DEFAULT,
                                               D3DX_DEFAULT, 0, nullptr, nullptr, ppTexture);
}
