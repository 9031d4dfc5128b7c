#include "d3d/D3DDevice.h"
#include "d3d/D3DMatrix.h"
#include "d3d/D3DObjectCache.h"
#include "d3d/D3DResourceList.h"
#include "d3d/D3DResult.h"
#include "d3d/Direct3D8.h"

#include "framework/AppBase.h"
#include "framework/AppManager.h"
#include "framework/DebugPrint.h"

#include <cstring>
#include <new>

namespace {

DWORD FloatBits(float f)
{
    DWORD bits;
    std::memcpy(&bits, &f, sizeof bits);
    return bits;
}

D3DMATRIX ToD3D(const D3DMatrix4& m)
{
    D3DMATRIX r;
    std::memcpy(&r, &m, sizeof r);
    return r;
}

struct Attempt {
    D3DDEVTYPE type;
    DWORD behaviour;
    const char* failure;
};

const Attempt kAttempts[] = {
    {D3DDEVTYPE_HAL, D3DCREATE_HARDWARE_VERTEXPROCESSING | D3DCREATE_MULTITHREADED,
     "CD3DDevice::CreateDevice() D3D_HAL/HardwareVertex での作成に失敗"},
    {D3DDEVTYPE_HAL, D3DCREATE_SOFTWARE_VERTEXPROCESSING | D3DCREATE_MULTITHREADED,
     "CD3DDevice::CreateDevice() D3D_HAL/SoftwareVertex での作成に失敗"},
    {D3DDEVTYPE_SW, D3DCREATE_SOFTWARE_VERTEXPROCESSING | D3DCREATE_MULTITHREADED,
     "CD3DDevice::CreateDevice() D3D_SW/SoftwareVertex での作成に失敗"},
    {D3DDEVTYPE_REF, D3DCREATE_SOFTWARE_VERTEXPROCESSING | D3DCREATE_MULTITHREADED,
     "CD3DDevice::CreateDevice() D3D_REF/SoftwareVertex での作成に失敗"},
};

}  // namespace

CD3DDevice::CD3DDevice(CDirect3D8* owner)
    : m_Owner(owner), m_Device(nullptr), m_Width(0), m_Height(0), m_Depth(0), m_InScene(0),
      m_Cache(new (std::nothrow) CD3DObjectCache), m_Force(1), m_DefaultTarget(nullptr),
      m_DefaultZBuffer(nullptr), m_AutoDepthStencil(0), m_Requested{0, 0, 0}
{
    std::memset(m_RenderStates, 0, sizeof m_RenderStates);
    std::memset(m_StageStates, 0, sizeof m_StageStates);
    std::memset(&m_DefaultViewport, 0, sizeof m_DefaultViewport);
    if (CreateDevice(0, 0, 0))
        SetDefaultStates();
}

CD3DDevice::~CD3DDevice()
{
    CD3DResourceList::GetInstance().DestroyAll(GetHWnd());
    ReleaseDefaults();
    SetDefaultStates();
    ReleaseDevice();
    delete m_Cache;
}

HWND CD3DDevice::GetHWnd() const { return m_Owner ? m_Owner->GetHWnd() : NULL; }

bool CD3DDevice::IsUsable() const { return m_Device && SUCCEEDED(m_Device->TestCooperativeLevel()); }

bool CD3DDevice::HasDepthBuffer() const
{
    IDirect3DSurface8* depth = nullptr;
    if (!m_Device || FAILED(m_Device->GetDepthStencilSurface(&depth)) || !depth)
        return false;
    depth->Release();
    return true;
}

void CD3DDevice::ReleaseDevice()
{
    if (m_Cache)
        m_Cache->Clear();
    ReleaseDefaults();
    if (m_Device)
        m_Device->Release();
    m_Device = nullptr;
}

void CD3DDevice::TakeDefaults()
{
    ReleaseDefaults();
    if (!m_Device)
        return;
    // Taken quietly: without an automatic depth buffer there is none.
    if (FAILED(m_Device->GetRenderTarget(&m_DefaultTarget)))
        m_DefaultTarget = nullptr;
    if (FAILED(m_Device->GetDepthStencilSurface(&m_DefaultZBuffer)))
        m_DefaultZBuffer = nullptr;
    if (FAILED(m_Device->GetViewport(&m_DefaultViewport)))
        std::memset(&m_DefaultViewport, 0, sizeof m_DefaultViewport);
}

void CD3DDevice::ReleaseDefaults()
{
    if (m_DefaultTarget)
        m_DefaultTarget->Release();
    if (m_DefaultZBuffer)
        m_DefaultZBuffer->Release();
    m_DefaultTarget = m_DefaultZBuffer = nullptr;
}

void CD3DDevice::UnbindCached()
{
    if (!m_Cache)
        return;
    if (m_Device) {
        for (DWORD stage = 0; stage < kStages; ++stage)
            if (m_Cache->GetTexture(stage))
                m_Device->SetTexture(stage, nullptr);
        if (m_Cache->GetVertexBuffer())
            m_Device->SetStreamSource(0, nullptr, 0);
    }
    m_Cache->Clear();
}

void CD3DDevice::MakePresentParameters(int width, int height, int depth, D3DPRESENT_PARAMETERS& pp)
{
    std::memset(&pp, 0, sizeof pp);
    pp.BackBufferCount = 1;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.AutoDepthStencilFormat = D3DFMT_D16;
    pp.EnableAutoDepthStencil = m_AutoDepthStencil ? TRUE : FALSE;
    D3DDISPLAYMODE mode;
    m_Owner->GetAdapterDisplayMode(mode, D3DADAPTER_DEFAULT);
    if (depth == 0) {
        pp.Windowed = TRUE;
        pp.BackBufferFormat = mode.Format;
        return;
    }
    if (width == 0 && height == 0) {
        RECT client = {};
        GetClientRect(GetHWnd(), &client);
        width = client.right - client.left;
        height = client.bottom - client.top;
    }
    pp.Windowed = FALSE;
    pp.BackBufferWidth = UINT(width);
    pp.BackBufferHeight = UINT(height);
    pp.FullScreen_RefreshRateInHz = mode.RefreshRate;
    switch (depth) {
    case 15: pp.BackBufferFormat = D3DFMT_X1R5G5B5; break;
    case 16: pp.BackBufferFormat = D3DFMT_R5G6B5; break;
    case 32: pp.BackBufferFormat = D3DFMT_X8R8G8B8; break;
    default: pp.BackBufferFormat = mode.Format; break;
    }
}

bool CD3DDevice::CreateDevice(int width, int height, int depth)
{
    ReleaseDevice();
    m_Width = m_Height = m_Depth = 0;
    m_InScene = 0;
    if (!m_Owner)
        return false;
    m_Requested = {width, height, depth};
    D3DPRESENT_PARAMETERS pp;
    MakePresentParameters(width, height, depth, pp);
    for (const Attempt& attempt : kAttempts) {
        D3DPRESENT_PARAMETERS tried = pp;
        m_Device = m_Owner->CreateDevice(tried, D3DADAPTER_DEFAULT, attempt.type, attempt.behaviour);
        if (m_Device)
            break;
        DebugPrint("%s", attempt.failure);
    }
    if (!m_Device) {
        DebugPrint("CD3DDevice::CreateDevice() 以降Direct3Dを使用することができません");
        return false;
    }
    m_Depth = depth;
    m_Width = width;
    m_Height = height;
    TakeDefaults();
    SetDefaultStates();
    return true;
}

bool CD3DDevice::ResetDevice(int width, int height, int depth)
{
    CAppBase* app = CAppManager::GetInstance().GetApp();
    CWindowBase* window = app ? app->GetWindow() : nullptr;
    if (!window || !window->IsActive() || window->IsIconic() || !m_Owner)
        return false;
    if (!m_Device)
        return CreateDevice(width, height, depth);
    m_Requested = {width, height, depth};
    D3DPRESENT_PARAMETERS pp;
    MakePresentParameters(width, height, depth, pp);
    // A reset leaves nothing bound, and refuses while the swap chain's
    // surfaces are held.
    UnbindCached();
    ReleaseDefaults();
    const HRESULT hr = m_Device->Reset(&pp);
    if (FAILED(hr)) {
        ReportD3DFailure("CD3DDevice::ResetDevice() Reset()", hr);
        ReleaseDevice();
        m_Width = m_Height = m_Depth = 0;
        return false;
    }
    m_Depth = depth;
    m_Width = width;
    m_Height = height;
    m_InScene = 0;
    TakeDefaults();
    SetDefaultStates();
    return true;
}

bool CD3DDevice::RestoreDevice()
{
    const HWND hWnd = GetHWnd();
    CD3DResourceList& resources = CD3DResourceList::GetInstance();
    resources.ReleaseAll(hWnd);
    // The parameters last asked for: a failed reset has cleared the stored ones.
    if (!ResetDevice(m_Requested.width, m_Requested.height, m_Requested.depth))
        return false;
    resources.RestoreAll(hWnd);
    return true;
}

void CD3DDevice::SetDefaultStates()
{
    // Everything goes to the device: after a creation or reset its states are
    // the device's own, whatever the cache holds.
    m_Force = 1;
    EnableZBuffer(true, true);
    EnableStencil(false);
    ClearTarget(0xFF000000);
    // A device without a depth buffer refuses to clear one.
    if (HasDepthBuffer())
        ClearZBuffer(1.0f);
    SetVertexShader(0);
    SetVertexBuffer(nullptr, 0);
    EnableDither(false);
    EnableSpecular(false);
    EnableAntialias(false);
    SetShadeMode(D3DSHADE_GOURAUD, D3DFILL_SOLID);
    SetRenderState(D3DCULL_CCW);
    const float eye[3] = {0, 0, 0}, at[3] = {0, 0, 1}, up[3] = {0, 1, 0};
    SetViewTransform(ToD3D(LookAtLH(eye, at, up)));
    SetPerspective(100.0f, 1000.0f, 3.14159265358979f / 4);
    SetZBufferFunc(D3DCMP_LESSEQUAL);
    EnableAlphaBlend(false);
    SetAlphaBlendMode(D3DBLEND_ONE, D3DBLEND_ZERO);
    EnableAlphaBlendTest(false);
    SetAlphaBlendTestFunc(D3DCMP_ALWAYS, 0);
    SetPixelShader(0);
    EnableLight(false);
    SetLightAmbient(0);
    // The list is emptied whether or not the device takes the calls: a lost
    // or dropped device refuses them, and a loop until the list is empty
    // would never end.
    std::vector<Light> lights;
    lights.swap(m_Lights);
    for (const Light& light : lights)
        SetLight(light.index, nullptr);
    D3DMATERIAL8 none;
    std::memset(&none, 0, sizeof none);
    SetMaterial(none);
    for (DWORD stage = 0; stage < kStages; ++stage) {
        SetTexture(stage, nullptr);
        SetTextureAddressMode(stage, D3DTADDRESS_CLAMP, D3DTADDRESS_CLAMP);
        SetTextureFilter(stage, D3DTEXF_POINT, D3DTEXF_POINT);
        SetTextureColorBlendMode(stage, D3DTOP_DISABLE, D3DTA_TEXTURE, D3DTA_CURRENT);
        SetTextureAlphaBlendMode(stage, D3DTOP_DISABLE, D3DTA_TEXTURE, D3DTA_CURRENT);
    }
    EnableFog(false);
    SetFogColor(0xFF000000);
    SetFogRange(0.0f, 1.0f, false);
    m_Force = 1;
}

bool CD3DDevice::SetPerspective(float nearZ, float farZ, float fov)
{
    RECT client = {};
    GetClientRect(CAppManager::GetHWnd(), &client);
    const LONG width = client.right - client.left, height = client.bottom - client.top;
    const float aspect = width > 0 && height > 0 ? float(width) / float(height) : 1.0f;
    return SetProjectionTransform(ToD3D(PerspectiveFovLH(fov, aspect, nearZ, farZ)));
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

// --- the wrappers -------------------------------------------------------

bool CD3DDevice::SetCachedRenderState(D3DRENDERSTATETYPE state, DWORD value, const char* message)
{
    const bool cached = DWORD(state) < kRenderStates;
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
    return IsUsable() && CheckD3DResult(message, m_Device->Clear(0, nullptr, flags, color, z, stencil));
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
    return IsUsable() &&
           CheckD3DResult("CD3DDevice::SetVertexShader() SetVertexShader()", m_Device->SetVertexShader(handle));
}

bool CD3DDevice::SetVertexShaderConstant(DWORD reg, const void* data, DWORD count)
{
    return IsUsable() && CheckD3DResult("CD3DTexture::SetVertexShaderConstant() SetVertexShaderConstant()",
                                        m_Device->SetVertexShaderConstant(reg, data, count));
}

bool CD3DDevice::SetVertexBuffer(IDirect3DVertexBuffer8* buffer, UINT stride)
{
    if (!IsUsable())
        return false;
    if (!CheckD3DResult("CD3DDevice::SetVertexBuffer() SetStreamSource()",
                        m_Device->SetStreamSource(0, buffer, stride)))
        return false;
    if (m_Cache)
        m_Cache->SetVertexBuffer(buffer, stride);
    return true;
}

bool CD3DDevice::EnableDither(bool enable)
{
    return IsUsable() && SetCachedRenderState(D3DRS_DITHERENABLE, enable,
                                              "CD3DDevice::EnableDither() SetRenderState(D3DRS_DITHERENABLE)");
}

bool CD3DDevice::EnableSpecular(bool enable)
{
    return IsUsable() && SetCachedRenderState(D3DRS_SPECULARENABLE, enable,
                                              "CD3DDevice::EnableSpecular() SetRenderState(D3DRS_SPECULARENABLE)");
}

bool CD3DDevice::EnableAntialias(bool enable)
{
    return IsUsable() && SetCachedRenderState(D3DRS_EDGEANTIALIAS, enable,
                                              "CD3DDevice::EnableAntialias() SetRenderState(D3DRS_EDGEANTIALIAS)");
}

bool CD3DDevice::SetShadeMode(D3DSHADEMODE shade, D3DFILLMODE fill)
{
    return IsUsable() &&
           SetCachedRenderState(D3DRS_SHADEMODE, shade, "CD3DDevice::SetShadeMode() SetRenderState(D3DRS_SHADEMODE)") &&
           SetCachedRenderState(D3DRS_FILLMODE, fill, "CD3DDevice::SetShadeMode() SetRenderState(D3DRS_FILLMODE)");
}

bool CD3DDevice::SetRenderState(D3DCULL cull)
{
    return IsUsable() &&
           SetCachedRenderState(D3DRS_CULLMODE, cull, "CD3DDevice::SetRenderState() SetRenderState(D3DRS_CULLMODE)");
}

bool CD3DDevice::SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX& matrix, const char* message)
{
    return IsUsable() && CheckD3DResult(message, m_Device->SetTransform(state, &matrix));
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
    return IsUsable() &&
           SetCachedRenderState(D3DRS_ZENABLE, enable ? D3DZB_TRUE : D3DZB_FALSE,
                                "CD3DDevice::EnableZBuffer() SetRenderState(D3DRS_ZENABLE)") &&
           SetCachedRenderState(D3DRS_ZWRITEENABLE, write,
                                "CD3DDevice::EnableZBuffer() SetRenderState(D3DRS_ZWRITEENABLE)");
}

bool CD3DDevice::SetZBufferFunc(D3DCMPFUNC func)
{
    return IsUsable() &&
           SetCachedRenderState(D3DRS_ZFUNC, func, "CD3DDevice::SetZBufferFunc() SetRenderState(D3DRS_ZFUNC)");
}

bool CD3DDevice::EnableStencil(bool enable)
{
    return IsUsable() && SetCachedRenderState(D3DRS_STENCILENABLE, enable,
                                              "CD3DDevice::EnableStencil() SetRenderState(D3DRS_STENCILENABLE)");
}

bool CD3DDevice::EnableAlphaBlend(bool enable)
{
    return IsUsable() &&
           SetCachedRenderState(D3DRS_ALPHABLENDENABLE, enable,
                                "CD3DDevice::EnableAlphaBlend() SetRenderState(D3DRS_ALPHABLENDENABLE)");
}

bool CD3DDevice::SetAlphaBlendMode(D3DBLEND source, D3DBLEND destination)
{
    return IsUsable() &&
           SetCachedRenderState(D3DRS_SRCBLEND, source,
                                "CD3DDevice::SetAlphaBlendMode() SetRenderState(D3DRS_SRCBLEND)") &&
           SetCachedRenderState(D3DRS_DESTBLEND, destination,
                                "CD3DDevice::SetAlphaBlendMode() SetRenderState(D3DRS_DESTBLEND)");
}

bool CD3DDevice::EnableAlphaBlendTest(bool enable)
{
    return IsUsable() &&
           SetCachedRenderState(D3DRS_ALPHATESTENABLE, enable,
                                "CD3DDevice::EnableAlphaBlendTest() SetRenderState(D3DRS_ALPHATESTENABLE)");
}

bool CD3DDevice::SetAlphaBlendTestFunc(D3DCMPFUNC func, DWORD reference)
{
    return IsUsable() &&
           SetCachedRenderState(D3DRS_ALPHAREF, reference,
                                "CD3DDevice::SetAlphaBlendTestFunc() SetRenderState(D3DRS_ALPHAREF)") &&
           SetCachedRenderState(D3DRS_ALPHAFUNC, func,
                                "CD3DDevice::SetAlphaBlendTestFunc() SetRenderState(D3DRS_ALPHAFUNC)");
}

bool CD3DDevice::EnableLight(bool enable)
{
    return IsUsable() &&
           SetCachedRenderState(D3DRS_LIGHTING, enable, "CD3DDevice::EnableLight() SetRenderState(D3DRS_LIGHTING)");
}

bool CD3DDevice::SetLightAmbient(D3DCOLOR color)
{
    return IsUsable() &&
           SetCachedRenderState(D3DRS_AMBIENT, color, "CD3DDevice::SetLightAmbient() SetRenderState(D3DRS_AMBIENT)");
}

bool CD3DDevice::SetLight(DWORD index, const D3DLIGHT8* light)
{
    if (!IsUsable())
        return false;
    if (!light) {
        for (auto it = m_Lights.begin(); it != m_Lights.end(); ++it) {
            if (it->index == index) {
                m_Lights.erase(it);
                break;
            }
        }
        return CheckD3DResult("CD3DDevice::SetLight() LightEnable()", m_Device->LightEnable(index, FALSE));
    }
    if (!CheckD3DResult("CD3DDevice::SetLight() SetLight()", m_Device->SetLight(index, light)))
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
    return IsUsable() && CheckD3DResult("CD3DDevice::EnableLightObject() LightEnable()",
                                        m_Device->LightEnable(index, enable ? TRUE : FALSE));
}

bool CD3DDevice::SetMaterial(const D3DMATERIAL8& material)
{
    return IsUsable() && CheckD3DResult("CD3DDevice::SetMaterial() SetMaterial()", m_Device->SetMaterial(&material));
}

bool CD3DDevice::SetTexture(DWORD stage, IDirect3DBaseTexture8* texture)
{
    if (!IsUsable())
        return false;
    if (!CheckD3DResult("D3DDevice::SetTexture() SetTexture()", m_Device->SetTexture(stage, texture)))
        return false;
    if (m_Cache)
        m_Cache->SetTexture(stage, texture);
    return true;
}

bool CD3DDevice::SetTextureAddressMode(DWORD stage, D3DTEXTUREADDRESS u, D3DTEXTUREADDRESS v)
{
    return IsUsable() &&
           SetCachedStageState(stage, D3DTSS_ADDRESSU, u,
                               "CD3DDevice::SetTextureAddressMode() SetTextureStageState(D3DTSS_ADDRESSU)") &&
           SetCachedStageState(stage, D3DTSS_ADDRESSV, v,
                               "CD3DDevice::SetTextureAddressMode() SetTextureStageState(D3DTSS_ADDRESSV)");
}

bool CD3DDevice::SetTextureFilter(DWORD stage, D3DTEXTUREFILTERTYPE min, D3DTEXTUREFILTERTYPE mag)
{
    return IsUsable() &&
           SetCachedStageState(stage, D3DTSS_MINFILTER, min,
                               "CD3DDevice::SetTextureFilter() SetTextureStageState(D3DTSS_MINFILTER)") &&
           SetCachedStageState(stage, D3DTSS_MAGFILTER, mag,
                               "CD3DDevice::SetTextureFilter() SetTextureStageState(D3DTSS_MAGFILTER)");
}

bool CD3DDevice::SetTextureColorBlendMode(DWORD stage, D3DTEXTUREOP op, DWORD arg1, DWORD arg2)
{
    return IsUsable() &&
           SetCachedStageState(stage, D3DTSS_COLOROP, op,
                               "CD3DDevice::SetTextureColorBlendMode() SetTextureStageState(D3DTSS_COLOROP)") &&
           SetCachedStageState(stage, D3DTSS_COLORARG1, arg1,
                               "CD3DDevice::SetTextureColorBlendMode() SetTextureStageState(D3DTSS_COLORARG1)") &&
           SetCachedStageState(stage, D3DTSS_COLORARG2, arg2,
                               "CD3DDevice::SetTextureColorBlendMode() SetTextureStageState(D3DTSS_COLORARG2)");
}

bool CD3DDevice::SetTextureAlphaBlendMode(DWORD stage, D3DTEXTUREOP op, DWORD arg1, DWORD arg2)
{
    return IsUsable() &&
           SetCachedStageState(stage, D3DTSS_ALPHAOP, op,
                               "CD3DDevice::SetTextureAlphaBlendMode() SetTextureStageState(D3DTSS_ALPHAOP)") &&
           SetCachedStageState(stage, D3DTSS_ALPHAARG1, arg1,
                               "CD3DDevice::SetTextureAlphaBlendMode() SetTextureStageState(D3DTSS_ALPHAARG1)") &&
           SetCachedStageState(stage, D3DTSS_ALPHAARG2, arg2,
                               "CD3DDevice::SetTextureAlphaBlendMode() SetTextureStageState(D3DTSS_ALPHAARG2)");
}

bool CD3DDevice::EnableFog(bool enable)
{
    return IsUsable() &&
           SetCachedRenderState(D3DRS_FOGENABLE, enable, "CD3DDevice::EnableFog() SetRenderState(D3DRS_FOGENABLE)");
}

bool CD3DDevice::SetFogColor(D3DCOLOR color)
{
    return IsUsable() &&
           SetCachedRenderState(D3DRS_FOGCOLOR, color, "CD3DDevice::SetFogColor() SetRenderState(D3DRS_FOGCOLOR)");
}

bool CD3DDevice::SetFogRange(float start, float end, bool range)
{
    return IsUsable() &&
           SetCachedRenderState(D3DRS_FOGSTART, FloatBits(start),
                                "CD3DDevice::SetFogRange() SetRenderState(D3DRS_FOGSTART)") &&
           SetCachedRenderState(D3DRS_FOGEND, FloatBits(end),
                                "CD3DDevice::SetFogRange() SetRenderState(D3DRS_FOGEND)") &&
           SetCachedRenderState(D3DRS_RANGEFOGENABLE, range,
                                "CD3DDevice::SetFogRange() SetRenderState(D3DRS_RANGEFOGENABLE)");
}

bool CD3DDevice::SetPixelShader(DWORD handle)
{
    return IsUsable() &&
           CheckD3DResult("CD3DTexture::SetPixelShader() SetPixelShader()", m_Device->SetPixelShader(handle));
}

bool CD3DDevice::SetPixelShaderConstant(DWORD reg, const void* data, DWORD count)
{
    return IsUsable() && CheckD3DResult("CD3DTexture::SetPixelShaderConstant() SetPixelShaderConstant()",
                                        m_Device->SetPixelShaderConstant(reg, data, count));
}

bool CD3DDevice::CopyRects(IDirect3DSurface8* source, const RECT* rects, UINT count, IDirect3DSurface8* destination,
                           const POINT* points)
{
    return IsUsable() && CheckD3DResult("CD3DDevice::CopyRects() CopyRects()",
                                        m_Device->CopyRects(source, rects, count, destination, points));
}

IDirect3DSurface8* CD3DDevice::GetBackBuffer(UINT index)
{
    IDirect3DSurface8* surface = nullptr;
    if (!IsUsable() || !CheckD3DResult("CD3DDevice::GetBackBuffer() GetBackBuffer()",
                                       m_Device->GetBackBuffer(index, D3DBACKBUFFER_TYPE_MONO, &surface)))
        return nullptr;
    return surface;
}

IDirect3DSurface8* CD3DDevice::GetRenderTargetSurface()
{
    IDirect3DSurface8* surface = nullptr;
    if (!IsUsable() ||
        !CheckD3DResult("CD3DDevice::GetRenderTargetSurface() GetRenderTarget()", m_Device->GetRenderTarget(&surface)))
        return nullptr;
    return surface;
}

IDirect3DSurface8* CD3DDevice::GetRenderZBufferSurface()
{
    IDirect3DSurface8* surface = nullptr;
    if (!IsUsable() || !CheckD3DResult("CD3DDevice::GetRenderZBufferSurface() GetDepthStencilSurface()",
                                       m_Device->GetDepthStencilSurface(&surface)))
        return nullptr;
    return surface;
}

bool CD3DDevice::DrawPrimitive(D3DPRIMITIVETYPE type, UINT start, UINT count)
{
    return IsUsable() &&
           CheckD3DResult("CD3DDevice::DrawPrimitive() DrawPrimitive()", m_Device->DrawPrimitive(type, start, count));
}

bool CD3DDevice::DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT count, const void* vertices, UINT stride)
{
    // Drawing from memory leaves stream 0 unset.
    if (!IsUsable() || !CheckD3DResult("CD3DDevice::DrawPrimitiveUP() DrawPrimitiveUP()",
                                       m_Device->DrawPrimitiveUP(type, count, vertices, stride)))
        return false;
    if (m_Cache)
        m_Cache->SetVertexBuffer(nullptr, 0);
    return true;
}

bool CD3DDevice::DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT minIndex, UINT vertexCount, UINT count,
                                 const void* indices, D3DFORMAT indexFormat, const void* vertices, UINT stride)
{
    if (!IsUsable() ||
        !CheckD3DResult("CD3DDevice::DrawPrimitiveUP() DrawIndexedPrimitiveUP()",
                        m_Device->DrawIndexedPrimitiveUP(type, minIndex, vertexCount, count, indices, indexFormat,
                                                         vertices, stride)))
        return false;
    if (m_Cache)
        m_Cache->SetVertexBuffer(nullptr, 0);
    return true;
}

bool CD3DDevice::SetTargets(IDirect3DSurface8* target, IDirect3DSurface8* zbuffer, const char* message)
{
    return CheckD3DResult(message, m_Device->SetRenderTarget(target, zbuffer));
}

bool CD3DDevice::SetRenderTarget(IDirect3DSurface8* target)
{
    if (!IsUsable())
        return false;
    IDirect3DSurface8* zbuffer = nullptr;
    if (FAILED(m_Device->GetDepthStencilSurface(&zbuffer)))
        zbuffer = nullptr;
    const bool ok = SetTargets(target, zbuffer, "CD3DDevice::SetRenderTarget() SetRenderTarget()");
    if (zbuffer)
        zbuffer->Release();
    return ok;
}

bool CD3DDevice::DefaultRenderTarget()
{
    if (!IsUsable())
        return false;
    IDirect3DSurface8* zbuffer = nullptr;
    if (FAILED(m_Device->GetDepthStencilSurface(&zbuffer)))
        zbuffer = nullptr;
    const bool ok = SetTargets(m_DefaultTarget, zbuffer, "CD3DDevice::DefaultRenderTarget() SetRenderTarget()");
    if (zbuffer)
        zbuffer->Release();
    return ok;
}

bool CD3DDevice::SetRenderZBuffer(IDirect3DSurface8* zbuffer)
{
    // A null render target keeps the current one.
    return IsUsable() && SetTargets(nullptr, zbuffer, "CD3DDevice::SetRenderZBuffer() SetRenderTarget()");
}

bool CD3DDevice::DefaultRenderZBuffer()
{
    return IsUsable() && SetTargets(nullptr, m_DefaultZBuffer, "CD3DDevice::DefaultRenderZBuffer() SetRenderTarget()");
}

bool CD3DDevice::SetRenderTargetAndZBuffer(IDirect3DSurface8* target, IDirect3DSurface8* zbuffer)
{
    return IsUsable() &&
           SetTargets(target, zbuffer, "CD3DDevice::SetRenderTargetAndZBuffer() SetRenderTarget()");
}

bool CD3DDevice::DefaultRenderTargetAndZBuffer()
{
    if (!IsUsable() || !SetTargets(m_DefaultTarget, m_DefaultZBuffer,
                                   "CD3DDevice::DefaultRenderTargetAndZBuffer() SetRenderTarget()"))
        return false;
    return SetViewport(m_DefaultViewport);
}

bool CD3DDevice::SetViewport(const D3DVIEWPORT8& viewport)
{
    return IsUsable() && CheckD3DResult("CD3DDevice::SetViewport() SetViewport()", m_Device->SetViewport(&viewport));
}

bool CD3DDevice::GetViewport(D3DVIEWPORT8& viewport)
{
    return IsUsable() && CheckD3DResult("CD3DDevice::GetViewport() GetViewport()", m_Device->GetViewport(&viewport));
}

bool CD3DDevice::BeginScene()
{
    if (!IsUsable() || !CheckD3DResult("CD3DDevice::BeginScene() BeginScene()", m_Device->BeginScene()))
        return false;
    m_InScene = 1;
    return true;
}

bool CD3DDevice::EndScene()
{
    if (!IsUsable() || !CheckD3DResult("CD3DDevice::EndScene() EndScene()", m_Device->EndScene()))
        return false;
    m_InScene = 0;
    return true;
}

bool CD3DDevice::Present()
{
    return IsUsable() &&
           CheckD3DResult("CD3DDevice::Present() Present()", m_Device->Present(nullptr, nullptr, NULL, nullptr));
}

IDirect3DSurface8* CD3DDevice::CreateSurface(UINT width, UINT height, D3DFORMAT format)
{
    IDirect3DSurface8* surface = nullptr;
    if (!IsUsable() || !CheckD3DResult("CD3DDevice::CreateSurface() CreateImageSurface()",
                                       m_Device->CreateImageSurface(width, height, format, &surface)))
        return nullptr;
    return surface;
}

IDirect3DSurface8* CD3DDevice::CreateStencilSurface(UINT width, UINT height, D3DFORMAT format)
{
    IDirect3DSurface8* surface = nullptr;
    if (!IsUsable() ||
        !CheckD3DResult("CD3DDevice::CreateStencilSurface() CreateDepthStencilSurface()",
                        m_Device->CreateDepthStencilSurface(width, height, format, D3DMULTISAMPLE_NONE, &surface)))
        return nullptr;
    return surface;
}

IDirect3DTexture8* CD3DDevice::CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                                             D3DPOOL pool)
{
    IDirect3DTexture8* texture = nullptr;
    if (!IsUsable() || !CheckD3DResult("CD3DDevice::CreateTexture() CreateTexture()",
                                       m_Device->CreateTexture(width, height, levels, usage, format, pool, &texture)))
        return nullptr;
    return texture;
}

bool CD3DDevice::CreateVertexShader(const DWORD* declaration, const DWORD* function, DWORD& handle, DWORD usage)
{
    handle = 0;
    return IsUsable() && CheckD3DResult("CD3DDevice::CreateVertexShader() CreateVertexShader()",
                                        m_Device->CreateVertexShader(declaration, function, &handle, usage));
}

bool CD3DDevice::DeleteVertexShader(DWORD handle)
{
    return IsUsable() && CheckD3DResult("CD3DDevice::DeleteVertexShader() DeleteVertexShader()",
                                        m_Device->DeleteVertexShader(handle));
}

bool CD3DDevice::CreatePixelShader(const DWORD* function, DWORD& handle)
{
    handle = 0;
    return IsUsable() && CheckD3DResult("CD3DTexture::CreatePixelShader() CreatePixelShader()",
                                        m_Device->CreatePixelShader(function, &handle));
}

bool CD3DDevice::DeletePixelShader(DWORD handle)
{
    return IsUsable() && CheckD3DResult("CD3DTexture::DeletePixelShader() DeletePixelShader()",
                                        m_Device->DeletePixelShader(handle));
}

IDirect3DVertexBuffer8* CD3DDevice::CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool)
{
    IDirect3DVertexBuffer8* buffer = nullptr;
    if (!IsUsable() || !CheckD3DResult("CD3DTexture::CreateVertexBuffer() CreateVertexBuffer()",
                                       m_Device->CreateVertexBuffer(length, usage, fvf, pool, &buffer)))
        return nullptr;
    return buffer;
}
