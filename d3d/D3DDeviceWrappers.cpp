// The device's wrappers: every call made only while the device is usable,
// its failure reported with the wrapper's message, render and stage states
// cached so that a value already set is not sent again (after a creation or
// reset every value is sent once).
//
// Some messages name another class than the wrapper's own
// ("CD3DTexture::SetPixelShader() ...", "D3DDevice::SetTexture() ..."): those
// are the texts the log has always shown and readers of it search for, kept
// byte for byte.
#include "d3d/D3DDevice.h"
#include "d3d/D3DObjectCache.h"
#include "d3d/D3DResult.h"

#include <cstring>

namespace {

DWORD FloatBits(float f)
{
    DWORD bits;
    std::memcpy(&bits, &f, sizeof bits);
    return bits;
}

}  // namespace

template <class F>
bool CD3DDevice::Call(const char* message, F call)
{
    return IsUsable() && CheckD3DResult(message, call(m_Device));
}

IDirect3DBaseTexture8* CD3DDevice::GetBoundTexture(DWORD stage) const
{
    return m_Cache ? m_Cache->GetTexture(stage) : nullptr;
}

IDirect3DVertexBuffer8* CD3DDevice::GetBoundVertexBuffer() const
{
    return m_Cache ? m_Cache->GetVertexBuffer() : nullptr;
}

DWORD CD3DDevice::GetCachedRenderState(D3DRENDERSTATETYPE state) const
{
    return DWORD(state) < kRenderStates ? m_RenderStates[state] : 0;
}

DWORD CD3DDevice::GetCachedStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type) const
{
    return stage < kStages && DWORD(type) < kStageStates ? m_StageStates[stage][type] : 0;
}

bool CD3DDevice::SetCachedRenderState(D3DRENDERSTATETYPE state, DWORD value, const char* message)
{
    const bool cached = DWORD(state) < kRenderStates;
    if (!IsUsable())
        return false;
    if (cached && !m_Force && m_RenderStates[state] == value)
        return true;
    if (!CheckD3DResult(message, m_Device->SetRenderState(state, value)))
        return false;
    if (cached)
        m_RenderStates[state] = value;
    return true;
}

bool CD3DDevice::SetCachedStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value, const char* message)
{
    const bool cached = stage < kStages && DWORD(type) < kStageStates;
    if (!IsUsable())
        return false;
    if (cached && !m_Force && m_StageStates[stage][type] == value)
        return true;
    if (!CheckD3DResult(message, m_Device->SetTextureStageState(stage, type, value)))
        return false;
    if (cached)
        m_StageStates[stage][type] = value;
    return true;
}

bool CD3DDevice::Clear(DWORD flags, D3DCOLOR color, float z, DWORD stencil, const char* message)
{
    return Call(message, [&](IDirect3DDevice8* d) { return d->Clear(0, nullptr, flags, color, z, stencil); });
}

bool CD3DDevice::ClearTarget(D3DCOLOR color)
{
    return Clear(D3DCLEAR_TARGET, color, 0.0f, 0, "CD3DDevice::ClearTarget() Clear()");
}

bool CD3DDevice::ClearZBuffer(float z)
{
    return Clear(D3DCLEAR_ZBUFFER, 0, z, 0, "CD3DDevice::ClearZBuffer() Clear()");
}

bool CD3DDevice::ClearStencil(DWORD value)
{
    return Clear(D3DCLEAR_STENCIL, 0, 0.0f, value, "CD3DDevice::ClearStencil() Clear()");
}

bool CD3DDevice::SetVertexShader(DWORD handle)
{
    return Call("CD3DDevice::SetVertexShader() SetVertexShader()",
                [&](IDirect3DDevice8* d) { return d->SetVertexShader(handle); });
}

bool CD3DDevice::SetVertexShaderConstant(DWORD reg, const void* data, DWORD count)
{
    return Call("CD3DTexture::SetVertexShaderConstant() SetVertexShaderConstant()",
                [&](IDirect3DDevice8* d) { return d->SetVertexShaderConstant(reg, data, count); });
}

bool CD3DDevice::SetVertexBuffer(IDirect3DVertexBuffer8* buffer, UINT stride)
{
    if (!Call("CD3DDevice::SetVertexBuffer() SetStreamSource()",
              [&](IDirect3DDevice8* d) { return d->SetStreamSource(0, buffer, stride); }))
        return false;
    if (m_Cache)
        m_Cache->SetVertexBuffer(buffer, stride);
    return true;
}

bool CD3DDevice::EnableDither(bool enable)
{
    return SetCachedRenderState(D3DRS_DITHERENABLE, enable,
                                "CD3DDevice::EnableDither() SetRenderState(D3DRS_DITHERENABLE)");
}

bool CD3DDevice::EnableSpecular(bool enable)
{
    return SetCachedRenderState(D3DRS_SPECULARENABLE, enable,
                                "CD3DDevice::EnableSpecular() SetRenderState(D3DRS_SPECULARENABLE)");
}

bool CD3DDevice::EnableAntialias(bool enable)
{
    return SetCachedRenderState(D3DRS_EDGEANTIALIAS, enable,
                                "CD3DDevice::EnableAntialias() SetRenderState(D3DRS_EDGEANTIALIAS)");
}

bool CD3DDevice::SetShadeMode(D3DSHADEMODE shade, D3DFILLMODE fill)
{
    return SetCachedRenderState(D3DRS_SHADEMODE, shade, "CD3DDevice::SetShadeMode() SetRenderState(D3DRS_SHADEMODE)") &&
           SetCachedRenderState(D3DRS_FILLMODE, fill, "CD3DDevice::SetShadeMode() SetRenderState(D3DRS_FILLMODE)");
}

bool CD3DDevice::SetRenderState(D3DCULL cull)
{
    return SetCachedRenderState(D3DRS_CULLMODE, cull, "CD3DDevice::SetRenderState() SetRenderState(D3DRS_CULLMODE)");
}

bool CD3DDevice::SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX& matrix, const char* message)
{
    return Call(message, [&](IDirect3DDevice8* d) { return d->SetTransform(state, &matrix); });
}

bool CD3DDevice::SetWorldTransform(const D3DMATRIX& matrix)
{
    return SetTransform(D3DTS_WORLD, matrix, "CD3DDevice::SetWorldTransform() SetTransform()");
}

bool CD3DDevice::SetViewTransform(const D3DMATRIX& matrix)
{
    return SetTransform(D3DTS_VIEW, matrix, "CD3DDevice::SetViewTransform() SetTransform()");
}

bool CD3DDevice::SetProjectionTransform(const D3DMATRIX& matrix)
{
    return SetTransform(D3DTS_PROJECTION, matrix, "CD3DDevice::SetProjectionTransform() SetTransform()");
}

bool CD3DDevice::SetTextureTransform(DWORD stage, const D3DMATRIX& matrix)
{
    return SetTransform(D3DTRANSFORMSTATETYPE(D3DTS_TEXTURE0 + stage), matrix,
                        "CD3DDevice::SetTextureTransform() SetTransform()");
}

bool CD3DDevice::EnableZBuffer(bool enable, bool write)
{
    return SetCachedRenderState(D3DRS_ZENABLE, enable ? D3DZB_TRUE : D3DZB_FALSE,
                                "CD3DDevice::EnableZBuffer() SetRenderState(D3DRS_ZENABLE)") &&
           SetCachedRenderState(D3DRS_ZWRITEENABLE, write,
                                "CD3DDevice::EnableZBuffer() SetRenderState(D3DRS_ZWRITEENABLE)");
}

bool CD3DDevice::SetZBufferFunc(D3DCMPFUNC func)
{
    return SetCachedRenderState(D3DRS_ZFUNC, func, "CD3DDevice::SetZBufferFunc() SetRenderState(D3DRS_ZFUNC)");
}

bool CD3DDevice::EnableStencil(bool enable)
{
    return SetCachedRenderState(D3DRS_STENCILENABLE, enable,
                                "CD3DDevice::EnableStencil() SetRenderState(D3DRS_STENCILENABLE)");
}

bool CD3DDevice::EnableAlphaBlend(bool enable)
{
    return SetCachedRenderState(D3DRS_ALPHABLENDENABLE, enable,
                                "CD3DDevice::EnableAlphaBlend() SetRenderState(D3DRS_ALPHABLENDENABLE)");
}

bool CD3DDevice::SetAlphaBlendMode(D3DBLEND source, D3DBLEND destination)
{
    return SetCachedRenderState(D3DRS_SRCBLEND, source,
                                "CD3DDevice::SetAlphaBlendMode() SetRenderState(D3DRS_SRCBLEND)") &&
           SetCachedRenderState(D3DRS_DESTBLEND, destination,
                                "CD3DDevice::SetAlphaBlendMode() SetRenderState(D3DRS_DESTBLEND)");
}

bool CD3DDevice::EnableAlphaBlendTest(bool enable)
{
    return SetCachedRenderState(D3DRS_ALPHATESTENABLE, enable,
                                "CD3DDevice::EnableAlphaBlendTest() SetRenderState(D3DRS_ALPHATESTENABLE)");
}

bool CD3DDevice::SetAlphaBlendTestFunc(D3DCMPFUNC func, DWORD reference)
{
    return SetCachedRenderState(D3DRS_ALPHAREF, reference,
                                "CD3DDevice::SetAlphaBlendTestFunc() SetRenderState(D3DRS_ALPHAREF)") &&
           SetCachedRenderState(D3DRS_ALPHAFUNC, func,
                                "CD3DDevice::SetAlphaBlendTestFunc() SetRenderState(D3DRS_ALPHAFUNC)");
}

bool CD3DDevice::EnableLight(bool enable)
{
    return SetCachedRenderState(D3DRS_LIGHTING, enable, "CD3DDevice::EnableLight() SetRenderState(D3DRS_LIGHTING)");
}

bool CD3DDevice::SetLightAmbient(D3DCOLOR color)
{
    return SetCachedRenderState(D3DRS_AMBIENT, color, "CD3DDevice::SetLightAmbient() SetRenderState(D3DRS_AMBIENT)");
}

bool CD3DDevice::SetLight(DWORD index, const D3DLIGHT8* light)
{
    if (!light) {
        // Forgotten once the device is found usable, whatever it answers.
        return Call("CD3DDevice::SetLight() LightEnable()", [&](IDirect3DDevice8* d) {
            for (auto it = m_Lights.begin(); it != m_Lights.end(); ++it) {
                if (it->index == index) {
                    m_Lights.erase(it);
                    break;
                }
            }
            return d->LightEnable(index, FALSE);
        });
    }
    if (!Call("CD3DDevice::SetLight() SetLight()", [&](IDirect3DDevice8* d) { return d->SetLight(index, light); }))
        return false;
    bool listed = false;
    for (Light& entry : m_Lights) {
        if (entry.index == index) {
            entry.light = *light;
            listed = true;
        }
    }
    if (!listed)
        m_Lights.push_back({index, *light});
    return CheckD3DResult("CD3DDevice::SetLight() LightEnable()", m_Device->LightEnable(index, TRUE));
}

bool CD3DDevice::EnableLightObject(DWORD index, bool enable)
{
    return Call("CD3DDevice::EnableLightObject() LightEnable()",
                [&](IDirect3DDevice8* d) { return d->LightEnable(index, enable ? TRUE : FALSE); });
}

bool CD3DDevice::SetMaterial(const D3DMATERIAL8& material)
{
    return Call("CD3DDevice::SetMaterial() SetMaterial()",
                [&](IDirect3DDevice8* d) { return d->SetMaterial(&material); });
}

bool CD3DDevice::SetTexture(DWORD stage, IDirect3DBaseTexture8* texture)
{
    if (!Call("D3DDevice::SetTexture() SetTexture()",
              [&](IDirect3DDevice8* d) { return d->SetTexture(stage, texture); }))
        return false;
    if (m_Cache)
        m_Cache->SetTexture(stage, texture);
    return true;
}

bool CD3DDevice::SetTextureAddressMode(DWORD stage, D3DTEXTUREADDRESS u, D3DTEXTUREADDRESS v)
{
    return SetCachedStageState(stage, D3DTSS_ADDRESSU, u,
                               "CD3DDevice::SetTextureAddressMode() SetTextureStageState(D3DTSS_ADDRESSU)") &&
           SetCachedStageState(stage, D3DTSS_ADDRESSV, v,
                               "CD3DDevice::SetTextureAddressMode() SetTextureStageState(D3DTSS_ADDRESSV)");
}

bool CD3DDevice::SetTextureFilter(DWORD stage, D3DTEXTUREFILTERTYPE min, D3DTEXTUREFILTERTYPE mag)
{
    return SetCachedStageState(stage, D3DTSS_MINFILTER, min,
                               "CD3DDevice::SetTextureFilter() SetTextureStageState(D3DTSS_MINFILTER)") &&
           SetCachedStageState(stage, D3DTSS_MAGFILTER, mag,
                               "CD3DDevice::SetTextureFilter() SetTextureStageState(D3DTSS_MAGFILTER)");
}

bool CD3DDevice::SetTextureColorBlendMode(DWORD stage, D3DTEXTUREOP op, DWORD arg1, DWORD arg2)
{
    return SetCachedStageState(stage, D3DTSS_COLOROP, op,
                               "CD3DDevice::SetTextureColorBlendMode() SetTextureStageState(D3DTSS_COLOROP)") &&
           SetCachedStageState(stage, D3DTSS_COLORARG1, arg1,
                               "CD3DDevice::SetTextureColorBlendMode() SetTextureStageState(D3DTSS_COLORARG1)") &&
           SetCachedStageState(stage, D3DTSS_COLORARG2, arg2,
                               "CD3DDevice::SetTextureColorBlendMode() SetTextureStageState(D3DTSS_COLORARG2)");
}

bool CD3DDevice::SetTextureAlphaBlendMode(DWORD stage, D3DTEXTUREOP op, DWORD arg1, DWORD arg2)
{
    return SetCachedStageState(stage, D3DTSS_ALPHAOP, op,
                               "CD3DDevice::SetTextureAlphaBlendMode() SetTextureStageState(D3DTSS_ALPHAOP)") &&
           SetCachedStageState(stage, D3DTSS_ALPHAARG1, arg1,
                               "CD3DDevice::SetTextureAlphaBlendMode() SetTextureStageState(D3DTSS_ALPHAARG1)") &&
           SetCachedStageState(stage, D3DTSS_ALPHAARG2, arg2,
                               "CD3DDevice::SetTextureAlphaBlendMode() SetTextureStageState(D3DTSS_ALPHAARG2)");
}

bool CD3DDevice::EnableFog(bool enable)
{
    return SetCachedRenderState(D3DRS_FOGENABLE, enable, "CD3DDevice::EnableFog() SetRenderState(D3DRS_FOGENABLE)");
}

bool CD3DDevice::SetFogColor(D3DCOLOR color)
{
    return SetCachedRenderState(D3DRS_FOGCOLOR, color, "CD3DDevice::SetFogColor() SetRenderState(D3DRS_FOGCOLOR)");
}

bool CD3DDevice::SetFogRange(float start, float end, bool range)
{
    return SetCachedRenderState(D3DRS_FOGSTART, FloatBits(start),
                                "CD3DDevice::SetFogRange() SetRenderState(D3DRS_FOGSTART)") &&
           SetCachedRenderState(D3DRS_FOGEND, FloatBits(end), "CD3DDevice::SetFogRange() SetRenderState(D3DRS_FOGEND)") &&
           SetCachedRenderState(D3DRS_RANGEFOGENABLE, range,
                                "CD3DDevice::SetFogRange() SetRenderState(D3DRS_RANGEFOGENABLE)");
}

bool CD3DDevice::SetPixelShader(DWORD handle)
{
    return Call("CD3DTexture::SetPixelShader() SetPixelShader()",
                [&](IDirect3DDevice8* d) { return d->SetPixelShader(handle); });
}

bool CD3DDevice::SetPixelShaderConstant(DWORD reg, const void* data, DWORD count)
{
    return Call("CD3DTexture::SetPixelShaderConstant() SetPixelShaderConstant()",
                [&](IDirect3DDevice8* d) { return d->SetPixelShaderConstant(reg, data, count); });
}

bool CD3DDevice::CopyRects(IDirect3DSurface8* source, const RECT* rects, UINT count, IDirect3DSurface8* destination,
                           const POINT* points)
{
    return Call("CD3DDevice::CopyRects() CopyRects()",
                [&](IDirect3DDevice8* d) { return d->CopyRects(source, rects, count, destination, points); });
}

IDirect3DSurface8* CD3DDevice::GetBackBuffer(UINT index)
{
    IDirect3DSurface8* surface = nullptr;
    return Call("CD3DDevice::GetBackBuffer() GetBackBuffer()",
                [&](IDirect3DDevice8* d) { return d->GetBackBuffer(index, D3DBACKBUFFER_TYPE_MONO, &surface); })
               ? surface
               : nullptr;
}

IDirect3DSurface8* CD3DDevice::GetRenderTargetSurface()
{
    IDirect3DSurface8* surface = nullptr;
    return Call("CD3DDevice::GetRenderTargetSurface() GetRenderTarget()",
                [&](IDirect3DDevice8* d) { return d->GetRenderTarget(&surface); })
               ? surface
               : nullptr;
}

IDirect3DSurface8* CD3DDevice::GetRenderZBufferSurface()
{
    IDirect3DSurface8* surface = nullptr;
    return Call("CD3DDevice::GetRenderZBufferSurface() GetDepthStencilSurface()",
                [&](IDirect3DDevice8* d) { return d->GetDepthStencilSurface(&surface); })
               ? surface
               : nullptr;
}

bool CD3DDevice::DrawPrimitive(D3DPRIMITIVETYPE type, UINT start, UINT count)
{
    return Call("CD3DDevice::DrawPrimitive() DrawPrimitive()",
                [&](IDirect3DDevice8* d) { return d->DrawPrimitive(type, start, count); });
}

// Drawing from memory leaves stream 0 unset.
bool CD3DDevice::DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT count, const void* vertices, UINT stride)
{
    if (!Call("CD3DDevice::DrawPrimitiveUP() DrawPrimitiveUP()",
              [&](IDirect3DDevice8* d) { return d->DrawPrimitiveUP(type, count, vertices, stride); }))
        return false;
    if (m_Cache)
        m_Cache->SetVertexBuffer(nullptr, 0);
    return true;
}

bool CD3DDevice::DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT minIndex, UINT vertexCount, UINT count,
                                 const void* indices, D3DFORMAT indexFormat, const void* vertices, UINT stride)
{
    if (!Call("CD3DDevice::DrawPrimitiveUP() DrawIndexedPrimitiveUP()", [&](IDirect3DDevice8* d) {
            return d->DrawIndexedPrimitiveUP(type, minIndex, vertexCount, count, indices, indexFormat, vertices,
                                             stride);
        }))
        return false;
    if (m_Cache)
        m_Cache->SetVertexBuffer(nullptr, 0);
    return true;
}

// A null render target keeps the current one.
bool CD3DDevice::SetTargets(IDirect3DSurface8* target, IDirect3DSurface8* zbuffer, const char* message)
{
    return Call(message, [&](IDirect3DDevice8* d) { return d->SetRenderTarget(target, zbuffer); });
}

bool CD3DDevice::SetTargetKeepingZBuffer(IDirect3DSurface8* target, const char* message)
{
    return Call(message, [&](IDirect3DDevice8* d) {
        IDirect3DSurface8* zbuffer = nullptr;
        if (FAILED(d->GetDepthStencilSurface(&zbuffer)))
            zbuffer = nullptr;
        const HRESULT hr = d->SetRenderTarget(target, zbuffer);
        if (zbuffer)
            zbuffer->Release();
        return hr;
    });
}

bool CD3DDevice::SetRenderTarget(IDirect3DSurface8* target)
{
    return SetTargetKeepingZBuffer(target, "CD3DDevice::SetRenderTarget() SetRenderTarget()");
}

bool CD3DDevice::DefaultRenderTarget()
{
    return SetTargetKeepingZBuffer(m_DefaultTarget, "CD3DDevice::DefaultRenderTarget() SetRenderTarget()");
}

bool CD3DDevice::SetRenderZBuffer(IDirect3DSurface8* zbuffer)
{
    return SetTargets(nullptr, zbuffer, "CD3DDevice::SetRenderZBuffer() SetRenderTarget()");
}

bool CD3DDevice::DefaultRenderZBuffer()
{
    return SetTargets(nullptr, m_DefaultZBuffer, "CD3DDevice::DefaultRenderZBuffer() SetRenderTarget()");
}

bool CD3DDevice::SetRenderTargetAndZBuffer(IDirect3DSurface8* target, IDirect3DSurface8* zbuffer)
{
    return SetTargets(target, zbuffer, "CD3DDevice::SetRenderTargetAndZBuffer() SetRenderTarget()");
}

bool CD3DDevice::DefaultRenderTargetAndZBuffer()
{
    return SetTargets(m_DefaultTarget, m_DefaultZBuffer,
                      "CD3DDevice::DefaultRenderTargetAndZBuffer() SetRenderTarget()") &&
           SetViewport(m_DefaultViewport);
}

bool CD3DDevice::SetViewport(const D3DVIEWPORT8& viewport)
{
    return Call("CD3DDevice::SetViewport() SetViewport()",
                [&](IDirect3DDevice8* d) { return d->SetViewport(&viewport); });
}

bool CD3DDevice::GetViewport(D3DVIEWPORT8& viewport)
{
    return Call("CD3DDevice::GetViewport() GetViewport()",
                [&](IDirect3DDevice8* d) { return d->GetViewport(&viewport); });
}

bool CD3DDevice::BeginScene()
{
    if (!Call("CD3DDevice::BeginScene() BeginScene()", [](IDirect3DDevice8* d) { return d->BeginScene(); }))
        return false;
    m_InScene = 1;
    return true;
}

bool CD3DDevice::EndScene()
{
    if (!Call("CD3DDevice::EndScene() EndScene()", [](IDirect3DDevice8* d) { return d->EndScene(); }))
        return false;
    m_InScene = 0;
    return true;
}

bool CD3DDevice::Present()
{
    return Call("CD3DDevice::Present() Present()",
                [](IDirect3DDevice8* d) { return d->Present(nullptr, nullptr, NULL, nullptr); });
}

IDirect3DSurface8* CD3DDevice::CreateSurface(UINT width, UINT height, D3DFORMAT format)
{
    IDirect3DSurface8* surface = nullptr;
    return Call("CD3DDevice::CreateSurface() CreateImageSurface()",
                [&](IDirect3DDevice8* d) { return d->CreateImageSurface(width, height, format, &surface); })
               ? surface
               : nullptr;
}

IDirect3DSurface8* CD3DDevice::CreateStencilSurface(UINT width, UINT height, D3DFORMAT format)
{
    IDirect3DSurface8* surface = nullptr;
    return Call("CD3DDevice::CreateStencilSurface() CreateDepthStencilSurface()",
                [&](IDirect3DDevice8* d) {
                    return d->CreateDepthStencilSurface(width, height, format, D3DMULTISAMPLE_NONE, &surface);
                })
               ? surface
               : nullptr;
}

IDirect3DTexture8* CD3DDevice::CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                                             D3DPOOL pool)
{
    IDirect3DTexture8* texture = nullptr;
    return Call("CD3DDevice::CreateTexture() CreateTexture()",
                [&](IDirect3DDevice8* d) {
                    return d->CreateTexture(width, height, levels, usage, format, pool, &texture);
                })
               ? texture
               : nullptr;
}

bool CD3DDevice::CreateVertexShader(const DWORD* declaration, const DWORD* function, DWORD& handle, DWORD usage)
{
    handle = 0;
    return Call("CD3DDevice::CreateVertexShader() CreateVertexShader()",
                [&](IDirect3DDevice8* d) { return d->CreateVertexShader(declaration, function, &handle, usage); });
}

bool CD3DDevice::DeleteVertexShader(DWORD handle)
{
    return Call("CD3DDevice::DeleteVertexShader() DeleteVertexShader()",
                [&](IDirect3DDevice8* d) { return d->DeleteVertexShader(handle); });
}

bool CD3DDevice::CreatePixelShader(const DWORD* function, DWORD& handle)
{
    handle = 0;
    return Call("CD3DTexture::CreatePixelShader() CreatePixelShader()",
                [&](IDirect3DDevice8* d) { return d->CreatePixelShader(function, &handle); });
}

bool CD3DDevice::DeletePixelShader(DWORD handle)
{
    return Call("CD3DTexture::DeletePixelShader() DeletePixelShader()",
                [&](IDirect3DDevice8* d) { return d->DeletePixelShader(handle); });
}

IDirect3DVertexBuffer8* CD3DDevice::CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool)
{
    IDirect3DVertexBuffer8* buffer = nullptr;
    return Call("CD3DTexture::CreateVertexBuffer() CreateVertexBuffer()",
                [&](IDirect3DDevice8* d) { return d->CreateVertexBuffer(length, usage, fvf, pool, &buffer); })
               ? buffer
               : nullptr;
}
