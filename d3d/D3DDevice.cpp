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
