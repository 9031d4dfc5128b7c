#include "d3d/D3DTexture.h"
#include "d3d/D3DDevice.h"
#include "d3d/D3DResult.h"
#include "d3d/Direct3D8.h"
#include "d3d/Direct3D8Manager.h"

#include <cstring>

IDirect3DTexture8* CD3DTexture::Make(CD3DDevice* device, const void* data, UINT size, const Params& p,
                                     D3DXIMAGE_INFO* info)
{
    if (!device || !device->IsUsable())
        return nullptr;
    D3DXIMAGE_INFO local;
    D3DXIMAGE_INFO* out = info ? info : &local;
    std::memset(out, 0, sizeof *out);
    IDirect3DTexture8* texture = nullptr;
    const HRESULT hr = D3DXCreateTextureFromFileInMemoryEx(
        device->GetDevice(), data, size, p.width, p.height, p.mipLevels, p.renderTarget ? D3DUSAGE_RENDERTARGET : 0,
        p.format, p.pool, D3DX_FILTER_NONE, D3DX_DEFAULT, p.colorKey, out, nullptr, &texture);
    if (FAILED(hr)) {
        ReportD3DFailure("CD3DTexture::CreateTexture() D3DXCreateTextureFromFileInMemoryEx()", hr);
        return nullptr;
    }
    return texture;
}

IDirect3DTexture8* CD3DTexture::CreateTexture(const void* data, UINT size, UINT width, UINT height, UINT mipLevels,
                                              D3DFORMAT format, D3DPOOL pool, bool renderTarget, D3DCOLOR colorKey,
                                              D3DXIMAGE_INFO* info)
{
    CDirect3D8* d3d = CDirect3D8Manager::GetInstance().GetDirect3D();
    const Params params = {width, height, mipLevels, format, pool, renderTarget, colorKey};
    return Make(d3d ? d3d->GetDevice() : nullptr, data, size, params, info);
}

CD3DTexture::CD3DTexture() : m_Texture(nullptr), m_Params{}, m_Saved(0)
{
    std::memset(&m_Info, 0, sizeof m_Info);
}

CD3DTexture::~CD3DTexture()
{
    Release();
}

bool CD3DTexture::Create(const void* data, UINT size, UINT width, UINT height, UINT mipLevels, D3DFORMAT format,
                         D3DPOOL pool, bool renderTarget, D3DCOLOR colorKey)
{
    Release();
    m_File.clear();
    if (!data || size == 0)
        return false;
    const Params params = {width, height, mipLevels, format, pool, renderTarget, colorKey};
    m_Texture = Make(GetDevice(), data, size, params, &m_Info);
    if (!m_Texture)
        return false;
    const BYTE* bytes = static_cast<const BYTE*>(data);
    m_File.assign(bytes, bytes + size);
    m_Params = params;
    return true;
}

void CD3DTexture::OnLost()
{
    if (!m_Texture)
        return;
    std::vector<BYTE> file;
    file.swap(m_File);
    Release();
    m_File.swap(file);
    m_Saved = 1;
}

void CD3DTexture::OnRestore()
{
    if (!m_Saved)
        return;
    m_Saved = 0;
    std::vector<BYTE> file;
    file.swap(m_File);
    const Params p = m_Params;
    Create(file.data(), UINT(file.size()), p.width, p.height, p.mipLevels, p.format, p.pool, p.renderTarget,
           p.colorKey);
}

void CD3DTexture::Release()
{
    m_Saved = 0;
    if (!m_Texture)
        return;
    if (CD3DDevice* device = GetDevice()) {
        for (DWORD stage = 0; stage < CD3DDevice::kStages; ++stage)
            if (device->GetBoundTexture(stage) == m_Texture)
                device->SetTexture(stage, nullptr);
    }
    m_Texture->Release();
    m_Texture = nullptr;
    std::memset(&m_Info, 0, sizeof m_Info);
    m_File.clear();
}
