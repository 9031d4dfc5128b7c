// The device on a real Direct3D 8 device under Wine: creation, default
// states, the state cache and its force flag, reset, failed calls and
// their messages.
#include "D3DLayerTest.h"
#include "D3DSlots.h"

#include "d3d/D3DDeviceCaps.h"
#include "d3d/Direct3D8Manager.h"

#include "framework/AppManager.h"

#include "common/TempFolder.h"
#include "common/TestFiles.h"
#include "common/TraceCapture.h"
#include "common/VtableHook.h"

#include <cmath>
#include <cstring>

namespace {

const float kPi = 3.14159265358979f;

DWORD RenderState(D3DRENDERSTATETYPE state)
{
    DWORD value = 0xBAADF00D;
    EXPECT_EQ(D3D_OK, D3DLayerTest::Raw()->GetRenderState(state, &value)) << state;
    return value;
}

DWORD StageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type)
{
    DWORD value = 0xBAADF00D;
    EXPECT_EQ(D3D_OK, D3DLayerTest::Raw()->GetTextureStageState(stage, type, &value)) << stage << " " << type;
    return value;
}

DWORD FloatBits(float f)
{
    DWORD b;
    std::memcpy(&b, &f, 4);
    return b;
}

using D3DDeviceTest = D3DLayerTest;

// --- creation --------------------------------------------------------------

TEST(D3DManager, OneObjectPerWindowWithItsDeviceMadeQuietly)
{
    CTempFolder folder("d3dmanager");
    char previous[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, previous);
    SetCurrentDirectoryA(folder.Path().c_str());
    TraceCapture trace;
    WindowTestApp app(200, 100, "QuillD3DManagerTest");
    ASSERT_TRUE(app.Start());
    const HWND hWnd = app.GetHWnd();
    CDirect3D8Manager& manager = CDirect3D8Manager::GetInstance();
    const size_t before = manager.GetCount();
    bool first = false, second = true;
    CDirect3D8* own = nullptr;
    CDirect3D8* self = nullptr;
    app.Run([&] {
        first = manager.Initialize(CAppManager::GetHWnd());
        own = manager.GetDirect3D(hWnd);
        self = manager.GetDirect3D();
    });
    ASSERT_TRUE(first);
    EXPECT_EQ(before + 1, manager.GetCount());
    ASSERT_NE(nullptr, own);
    EXPECT_EQ(own, self) << "a null window means the calling thread's";
    EXPECT_EQ(nullptr, manager.GetDirect3D()) << "this thread has no window";
    EXPECT_EQ(hWnd, own->GetHWnd());
    ASSERT_NE(nullptr, own->GetInterface());
    ASSERT_NE(nullptr, own->GetCaps());
    ASSERT_NE(nullptr, own->GetDevice());
    IDirect3DDevice8* device = own->GetDevice()->GetDevice();
    ASSERT_NE(nullptr, device) << "HAL device";
    EXPECT_EQ(0, own->GetDevice()->GetDepth());

    D3DDEVICE_CREATION_PARAMETERS created = {};
    ASSERT_EQ(D3D_OK, device->GetCreationParameters(&created));
    EXPECT_EQ(0u, created.AdapterOrdinal);
    EXPECT_EQ(D3DDEVTYPE_HAL, created.DeviceType);
    EXPECT_EQ(hWnd, created.hFocusWindow);
    EXPECT_EQ(DWORD(D3DCREATE_HARDWARE_VERTEXPROCESSING | D3DCREATE_MULTITHREADED), created.BehaviorFlags);
    IDirect3DSurface8* back = nullptr;
    ASSERT_EQ(D3D_OK, device->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &back));
    D3DSURFACE_DESC desc = {};
    back->GetDesc(&desc);
    back->Release();
    EXPECT_EQ(200u, desc.Width) << "windowed: the client area";
    EXPECT_EQ(100u, desc.Height);
    D3DDISPLAYMODE mode = {};
    ASSERT_TRUE(own->GetAdapterDisplayMode(mode));
    EXPECT_EQ(mode.Format, desc.Format) << "windowed: the display's format";
    EXPECT_EQ(D3DDEVTYPE_HAL, own->GetCaps()->GetCaps().DeviceType);
    EXPECT_EQ(std::vector<std::string>(), trace.Lines()) << "nothing failed, so nothing is reported";
    EXPECT_TRUE(PathExists(folder / "info.txt"));

    // A second object for the same window is refused; the first stays.
    app.Run([&] { second = manager.Initialize(hWnd); });
    EXPECT_FALSE(second);
    EXPECT_EQ(1u, trace.Count("CDirect3DManager::Initialize() hWndにDirect3Dが複数作成されようとしました"));
    EXPECT_EQ(own, manager.GetDirect3D(hWnd));
    EXPECT_EQ(before + 1, manager.GetCount());

    app.Run([&] { manager.Finalize(hWnd); });
    EXPECT_EQ(before, manager.GetCount());
    EXPECT_EQ(nullptr, manager.GetDirect3D(hWnd));
    SetCurrentDirectoryA(previous);
}

// The HAL refused as on a machine without acceleration: the attempts go on
// in their order, each failure reported with the device's error name.
HRESULT WINAPI RefuseHal(IDirect3D8* self, UINT adapter, D3DDEVTYPE type, HWND focus, DWORD flags,
                         D3DPRESENT_PARAMETERS* params, IDirect3DDevice8** device);
VtableHook* g_createHook = nullptr;

HRESULT WINAPI RefuseHal(IDirect3D8* self, UINT adapter, D3DDEVTYPE type, HWND focus, DWORD flags,
                         D3DPRESENT_PARAMETERS* params, IDirect3DDevice8** device)
{
    if (type == D3DDEVTYPE_HAL) {
        *device = nullptr;
        return D3DERR_NOTAVAILABLE;
    }
    typedef HRESULT(WINAPI * Create)(IDirect3D8*, UINT, D3DDEVTYPE, HWND, DWORD, D3DPRESENT_PARAMETERS*,
                                     IDirect3DDevice8**);
    return reinterpret_cast<Create>(g_createHook->Original())(self, adapter, type, focus, flags, params, device);
}

TEST(D3DManager, CreationFallsBackInItsOrderWithoutHardware)
{
    CTempFolder folder("d3dfallback");
    char previous[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, previous);
    SetCurrentDirectoryA(folder.Path().c_str());
    IDirect3D8* probe = Direct3DCreate8(D3D_SDK_VERSION);
    ASSERT_NE(nullptr, probe);
    VtableHook hook(probe, kSlotD3DCreateDevice, reinterpret_cast<void*>(&RefuseHal));
    g_createHook = &hook;
    ASSERT_TRUE(hook.IsInstalled());

    TraceCapture trace;
    WindowTestApp app(64, 64, "QuillD3DFallbackTest");
    ASSERT_TRUE(app.Start());
    bool made = false;
    IDirect3DDevice8* device = nullptr;
    app.Run([&] {
        made = CDirect3D8Manager::GetInstance().Initialize(CAppManager::GetHWnd());
        CDirect3D8* d3d = CDirect3D8Manager::GetInstance().GetDirect3D();
        device = d3d ? d3d->GetDevice()->GetDevice() : nullptr;
    });
    EXPECT_TRUE(made) << "the Direct3D object stays without a device";
    const std::vector<std::string> lines = trace.Lines();
    const std::string refused = "CDirect3D8::CreateDevice() CreateDevice()に失敗[APIReturnValue:D3DERR_NOTAVAILABLE]";
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(refused, lines[0]);
    EXPECT_EQ("CD3DDevice::CreateDevice() D3D_HAL/HardwareVertex での作成に失敗", lines[1]);
    EXPECT_EQ(refused, lines[2]);
    EXPECT_EQ("CD3DDevice::CreateDevice() D3D_HAL/SoftwareVertex での作成に失敗", lines[3]);
    if (device) {
        // The software or the reference device took over.
        D3DDEVICE_CREATION_PARAMETERS created = {};
        device->GetCreationParameters(&created);
        EXPECT_NE(D3DDEVTYPE_HAL, created.DeviceType);
        EXPECT_EQ(DWORD(D3DCREATE_SOFTWARE_VERTEXPROCESSING | D3DCREATE_MULTITHREADED), created.BehaviorFlags);
        EXPECT_EQ(0u, trace.Count("CD3DDevice::CreateDevice() 以降Direct3Dを使用することができません"));
    } else {
        EXPECT_EQ(1u, trace.Count("CD3DDevice::CreateDevice() D3D_SW/SoftwareVertex での作成に失敗"));
        EXPECT_EQ(1u, trace.Count("CD3DDevice::CreateDevice() D3D_REF/SoftwareVertex での作成に失敗"));
        EXPECT_EQ("CD3DDevice::CreateDevice() 以降Direct3Dを使用することができません", lines.back());
    }
    app.Run([&] { CDirect3D8Manager::GetInstance().Finalize(app.GetHWnd()); });
    g_createHook = nullptr;
    probe->Release();
    SetCurrentDirectoryA(previous);
}

TEST(D3DManager, ObjectsLeftAtTheEndAreReportedAndDeleted)
{
    CTempFolder folder("d3dshutdown");
    char previous[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, previous);
    SetCurrentDirectoryA(folder.Path().c_str());
    WindowTestApp app(64, 64, "QuillD3DShutdownTest");
    ASSERT_TRUE(app.Start());
    CDirect3D8Manager& manager = CDirect3D8Manager::GetInstance();
    app.Run([&] { ASSERT_TRUE(manager.Initialize(CAppManager::GetHWnd())); });
    TraceCapture trace;
    app.Run([&] { manager.Shutdown(); });
    EXPECT_EQ(0u, manager.GetCount());
    EXPECT_EQ(nullptr, manager.GetDirect3D(app.GetHWnd()));
    EXPECT_EQ(1u, trace.Count("CDirect3D8Manager::~CDirect3D8Manager() Direct3Dが解放されずにいるものがあります"));
    app.Run([&] { manager.Shutdown(); });
    EXPECT_EQ(1u, trace.Lines().size()) << "nothing left: nothing said";
    SetCurrentDirectoryA(previous);
}

// Records the presentation parameters asked for and refuses, so that no
// test switches the display.
std::vector<D3DPRESENT_PARAMETERS> g_asked;
HRESULT WINAPI RecordAndRefuse(IDirect3D8*, UINT, D3DDEVTYPE, HWND, DWORD, D3DPRESENT_PARAMETERS* params,
                               IDirect3DDevice8** device)
{
    g_asked.push_back(*params);
    *device = nullptr;
    return D3DERR_NOTAVAILABLE;
}

TEST_F(D3DDeviceTest, FullScreenBackBufferFormatsByDepth)
{
    D3DDISPLAYMODE mode = {};
    ASSERT_TRUE(Direct3D()->GetAdapterDisplayMode(mode));
    struct Case {
        int width, height, depth;
        D3DFORMAT format;
        UINT expectedWidth, expectedHeight;
    } cases[] = {
        {640, 480, 15, D3DFMT_X1R5G5B5, 640, 480}, {800, 600, 16, D3DFMT_R5G6B5, 800, 600},
        {1024, 768, 32, D3DFMT_X8R8G8B8, 1024, 768}, {640, 480, 24, mode.Format, 640, 480},
        {0, 0, 16, D3DFMT_R5G6B5, UINT(kWidth), UINT(kHeight)},  // the client size
    };
    TraceCapture trace;
    OnWindow([&] {
        VtableHook hook(Direct3D()->GetInterface(), kSlotD3DCreateDevice, reinterpret_cast<void*>(&RecordAndRefuse));
        ASSERT_TRUE(hook.IsInstalled());
        for (const Case& c : cases) {
            g_asked.clear();
            EXPECT_FALSE(Device()->CreateDevice(c.width, c.height, c.depth));
            ASSERT_EQ(4u, g_asked.size()) << "four attempts";
            for (const D3DPRESENT_PARAMETERS& pp : g_asked) {
                EXPECT_FALSE(pp.Windowed);
                EXPECT_EQ(c.expectedWidth, pp.BackBufferWidth) << c.depth;
                EXPECT_EQ(c.expectedHeight, pp.BackBufferHeight) << c.depth;
                EXPECT_EQ(c.format, pp.BackBufferFormat) << c.depth;
                EXPECT_EQ(mode.RefreshRate, pp.FullScreen_RefreshRateInHz);
                EXPECT_EQ(1u, pp.BackBufferCount);
                EXPECT_EQ(D3DSWAPEFFECT_DISCARD, pp.SwapEffect);
                EXPECT_EQ(D3DFMT_D16, pp.AutoDepthStencilFormat);
                EXPECT_FALSE(pp.EnableAutoDepthStencil);
            }
            EXPECT_EQ(nullptr, Device()->GetDevice());
            EXPECT_EQ(0, Device()->GetDepth());
        }
        // Windowed with an automatic depth buffer.
        g_asked.clear();
        Device()->SetAutoDepthStencil(true);
        EXPECT_FALSE(Device()->CreateDevice(0, 0, 0));
        ASSERT_FALSE(g_asked.empty());
        EXPECT_TRUE(g_asked[0].Windowed);
        EXPECT_EQ(0u, g_asked[0].BackBufferWidth);
        EXPECT_EQ(mode.Format, g_asked[0].BackBufferFormat);
        EXPECT_TRUE(g_asked[0].EnableAutoDepthStencil);
    });
    EXPECT_EQ(6u * 9u, trace.Lines().size()) << "per creation four refusals, four attempts, the last word";
    EXPECT_EQ(6u, trace.Count("CD3DDevice::CreateDevice() 以降Direct3Dを使用することができません"));
    // Back to a device, with a depth buffer this time: the defaults clear it.
    trace.Clear();
    OnWindow([] {
        ASSERT_TRUE(Device()->CreateDevice(0, 0, 0));
        IDirect3DSurface8* depth = Device()->GetRenderZBufferSurface();
        ASSERT_NE(nullptr, depth);
        depth->Release();
        EXPECT_TRUE(Device()->ClearZBuffer(0.5f));
        Device()->SetAutoDepthStencil(false);
        ASSERT_TRUE(Device()->CreateDevice(0, 0, 0));
    });
    EXPECT_EQ(std::vector<std::string>(), trace.Lines());
}

TEST_F(D3DDeviceTest, CapabilityQueries)
{
    CD3DDeviceCaps* caps = Direct3D()->GetCaps();
    D3DCAPS8 real = {};
    ASSERT_EQ(D3D_OK, Raw()->GetDeviceCaps(&real));
    EXPECT_EQ(0, std::memcmp(&real, &caps->GetCaps(), sizeof real)) << "the stored capabilities";
    EXPECT_EQ(std::min<DWORD>(real.MaxTextureWidth, 1024), caps->GetMaxTextureWidth());
    EXPECT_LE(caps->GetMaxTextureHeight(), 1024u);
    EXPECT_EQ(real.MaxTextureBlendStages, caps->GetMaxTextureBlendStages());
    EXPECT_EQ((real.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT) != 0, caps->IsHardwareTnL());
    EXPECT_EQ((real.TextureCaps & D3DPTEXTURECAPS_POW2) != 0, caps->IsTexturePow2Only());
    EXPECT_EQ((real.TextureCaps & D3DPTEXTURECAPS_MIPMAP) != 0, caps->IsTextureMipmap());
    ASSERT_EQ(0x0104u, real.PixelShaderVersion & 0xFFFF) << "these machines offer pixel shader 1.4";
    EXPECT_TRUE(caps->IsPixelShaderVersion(1, 1));
    EXPECT_TRUE(caps->IsPixelShaderVersion(1, 4));
    EXPECT_FALSE(caps->IsPixelShaderVersion(1, 5));
    EXPECT_FALSE(caps->IsPixelShaderVersion(2, 0));

    TraceCapture trace;
    EXPECT_TRUE(caps->IsTextureFormat(D3DFMT_A8R8G8B8, false, false));
    EXPECT_TRUE(caps->IsTextureFormat(D3DFMT_X8R8G8B8, true, false));
    EXPECT_EQ(std::vector<std::string>(), trace.Lines());
    EXPECT_FALSE(caps->IsTextureFormat(D3DFORMAT(0x7F000000), false, false));
    EXPECT_EQ(1u, CountStartingWith(trace.Lines(), "CD3DDeviceCaps::IsTextureFormat() CheckDeviceFormat()に失敗"
                                                   "[APIReturnValue:D3DERR_"));
}

// --- default states ---------------------------------------------------------

TEST_F(D3DDeviceTest, DefaultStatesReadBackFromTheDevice)
{
    OnWindow([] {
        EXPECT_EQ(DWORD(D3DZB_TRUE), RenderState(D3DRS_ZENABLE));
        EXPECT_EQ(DWORD(TRUE), RenderState(D3DRS_ZWRITEENABLE));
        EXPECT_EQ(DWORD(FALSE), RenderState(D3DRS_STENCILENABLE));
        EXPECT_EQ(DWORD(FALSE), RenderState(D3DRS_DITHERENABLE));
        EXPECT_EQ(DWORD(FALSE), RenderState(D3DRS_SPECULARENABLE));
        EXPECT_EQ(DWORD(FALSE), RenderState(D3DRS_EDGEANTIALIAS));
        EXPECT_EQ(DWORD(D3DSHADE_GOURAUD), RenderState(D3DRS_SHADEMODE));
        EXPECT_EQ(DWORD(D3DFILL_SOLID), RenderState(D3DRS_FILLMODE));
        EXPECT_EQ(DWORD(D3DCULL_CCW), RenderState(D3DRS_CULLMODE));
        EXPECT_EQ(DWORD(D3DCMP_LESSEQUAL), RenderState(D3DRS_ZFUNC));
        EXPECT_EQ(DWORD(FALSE), RenderState(D3DRS_ALPHABLENDENABLE));
        EXPECT_EQ(DWORD(D3DBLEND_ONE), RenderState(D3DRS_SRCBLEND));
        EXPECT_EQ(DWORD(D3DBLEND_ZERO), RenderState(D3DRS_DESTBLEND));
        EXPECT_EQ(DWORD(FALSE), RenderState(D3DRS_ALPHATESTENABLE));
        EXPECT_EQ(DWORD(D3DCMP_ALWAYS), RenderState(D3DRS_ALPHAFUNC));
        EXPECT_EQ(0u, RenderState(D3DRS_ALPHAREF));
        EXPECT_EQ(DWORD(FALSE), RenderState(D3DRS_LIGHTING));
        EXPECT_EQ(0u, RenderState(D3DRS_AMBIENT));
        EXPECT_EQ(DWORD(FALSE), RenderState(D3DRS_FOGENABLE));
        EXPECT_EQ(0xFF000000u, RenderState(D3DRS_FOGCOLOR));
        EXPECT_EQ(FloatBits(0.0f), RenderState(D3DRS_FOGSTART));
        EXPECT_EQ(FloatBits(1.0f), RenderState(D3DRS_FOGEND));
        EXPECT_EQ(DWORD(FALSE), RenderState(D3DRS_RANGEFOGENABLE));
        for (DWORD stage = 0; stage < 8; ++stage) {
            IDirect3DBaseTexture8* texture = reinterpret_cast<IDirect3DBaseTexture8*>(1);
            EXPECT_EQ(D3D_OK, Raw()->GetTexture(stage, &texture));
            EXPECT_EQ(nullptr, texture) << "stage " << stage;
            EXPECT_EQ(DWORD(D3DTADDRESS_CLAMP), StageState(stage, D3DTSS_ADDRESSU));
            EXPECT_EQ(DWORD(D3DTADDRESS_CLAMP), StageState(stage, D3DTSS_ADDRESSV));
            EXPECT_EQ(DWORD(D3DTEXF_POINT), StageState(stage, D3DTSS_MINFILTER));
            EXPECT_EQ(DWORD(D3DTEXF_POINT), StageState(stage, D3DTSS_MAGFILTER));
            EXPECT_EQ(DWORD(D3DTOP_DISABLE), StageState(stage, D3DTSS_COLOROP));
            EXPECT_EQ(DWORD(D3DTA_TEXTURE), StageState(stage, D3DTSS_COLORARG1));
            EXPECT_EQ(DWORD(D3DTA_CURRENT), StageState(stage, D3DTSS_COLORARG2));
            EXPECT_EQ(DWORD(D3DTOP_DISABLE), StageState(stage, D3DTSS_ALPHAOP));
            EXPECT_EQ(DWORD(D3DTA_TEXTURE), StageState(stage, D3DTSS_ALPHAARG1));
            EXPECT_EQ(DWORD(D3DTA_CURRENT), StageState(stage, D3DTSS_ALPHAARG2));
        }
        DWORD shader = 0xFFFF;
        EXPECT_EQ(D3D_OK, Raw()->GetPixelShader(&shader));
        EXPECT_EQ(0u, shader);
        IDirect3DVertexBuffer8* stream = reinterpret_cast<IDirect3DVertexBuffer8*>(1);
        UINT stride = 99;
        EXPECT_EQ(D3D_OK, Raw()->GetStreamSource(0, &stream, &stride));
        EXPECT_EQ(nullptr, stream);
        D3DMATERIAL8 material;
        std::memset(&material, 0x55, sizeof material);
        EXPECT_EQ(D3D_OK, Raw()->GetMaterial(&material));
        const D3DMATERIAL8 zero = {};
        EXPECT_EQ(0, std::memcmp(&zero, &material, sizeof material)) << "no material";

        // The view looks from the origin along +z: identity.
        D3DMATRIX view = {};
        EXPECT_EQ(D3D_OK, Raw()->GetTransform(D3DTS_VIEW, &view));
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 4; ++c)
                EXPECT_FLOAT_EQ(r == c ? 1.0f : 0.0f, view.m[r][c]) << "view " << r << "," << c;
    });
    EXPECT_TRUE(Device()->GetForceFlag());
    EXPECT_EQ(0u, Device()->GetLightCount());
    EXPECT_FALSE(Device()->IsInScene());
}

TEST_F(D3DDeviceTest, PerspectiveOfTheWindowsClientArea)
{
    D3DMATRIX projection = {};
    OnWindow([&] { Raw()->GetTransform(D3DTS_PROJECTION, &projection); });
    const float cot = 1.0f / std::tan(kPi / 8);
    // 160 x 120: a wider than high view narrows x by the aspect.
    EXPECT_FLOAT_EQ(cot * kHeight / kWidth, projection.m[0][0]);
    EXPECT_FLOAT_EQ(cot, projection.m[1][1]);
    EXPECT_FLOAT_EQ(1000.0f / 900.0f, projection.m[2][2]);
    EXPECT_FLOAT_EQ(1.0f, projection.m[2][3]);
    EXPECT_FLOAT_EQ(-100000.0f / 900.0f, projection.m[3][2]);
    EXPECT_FLOAT_EQ(0.0f, projection.m[3][3]);

    OnWindow([&] {
        EXPECT_TRUE(Device()->SetPerspective(1.0f, 11.0f, kPi / 2));
        Raw()->GetTransform(D3DTS_PROJECTION, &projection);
    });
    EXPECT_FLOAT_EQ(0.75f, projection.m[0][0]);
    EXPECT_FLOAT_EQ(1.0f, projection.m[1][1]);
    EXPECT_FLOAT_EQ(1.1f, projection.m[2][2]);
    EXPECT_FLOAT_EQ(-1.1f, projection.m[3][2]);
}

// --- the state cache ----------------------------------------------------------

TEST_F(D3DDeviceTest, RepeatedSetterMakesNoCallUntilTheForceFlagIsSet)
{
    OnWindow([] {
        CD3DDevice* d = Device();
        d->SetForceFlag(false);
        ASSERT_TRUE(d->EnableLight(true));
        EXPECT_EQ(DWORD(TRUE), RenderState(D3DRS_LIGHTING));
        EXPECT_EQ(DWORD(TRUE), d->GetCachedRenderState(D3DRS_LIGHTING));
        // Changed behind the wrapper's back: the cached value is not sent again.
        Raw()->SetRenderState(D3DRS_LIGHTING, FALSE);
        ASSERT_TRUE(d->EnableLight(true));
        EXPECT_EQ(DWORD(FALSE), RenderState(D3DRS_LIGHTING)) << "a repeated value made a device call";
        // A different value goes through.
        ASSERT_TRUE(d->EnableLight(false));
        Raw()->SetRenderState(D3DRS_LIGHTING, TRUE);
        ASSERT_TRUE(d->EnableLight(false));
        EXPECT_EQ(DWORD(TRUE), RenderState(D3DRS_LIGHTING));
        // The force flag sends even the cached value.
        d->SetForceFlag(true);
        ASSERT_TRUE(d->EnableLight(false));
        EXPECT_EQ(DWORD(FALSE), RenderState(D3DRS_LIGHTING));

        // Two-state setters cache each state; stage states per stage.
        d->SetForceFlag(false);
        ASSERT_TRUE(d->SetAlphaBlendMode(D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA));
        Raw()->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
        ASSERT_TRUE(d->SetAlphaBlendMode(D3DBLEND_SRCALPHA, D3DBLEND_ONE));
        EXPECT_EQ(DWORD(D3DBLEND_ONE), RenderState(D3DRS_SRCBLEND)) << "source unchanged: not sent";
        EXPECT_EQ(DWORD(D3DBLEND_ONE), RenderState(D3DRS_DESTBLEND));
        ASSERT_TRUE(d->SetTextureFilter(3, D3DTEXF_LINEAR, D3DTEXF_LINEAR));
        Raw()->SetTextureStageState(3, D3DTSS_MAGFILTER, D3DTEXF_POINT);
        ASSERT_TRUE(d->SetTextureFilter(3, D3DTEXF_LINEAR, D3DTEXF_LINEAR));
        EXPECT_EQ(DWORD(D3DTEXF_POINT), StageState(3, D3DTSS_MAGFILTER));
        ASSERT_TRUE(d->SetTextureFilter(2, D3DTEXF_LINEAR, D3DTEXF_LINEAR));
        EXPECT_EQ(DWORD(D3DTEXF_LINEAR), StageState(2, D3DTSS_MAGFILTER)) << "another stage is its own state";
        ASSERT_TRUE(d->SetFogRange(0.25f, 0.75f, true));
        EXPECT_EQ(FloatBits(0.75f), RenderState(D3DRS_FOGEND));
        EXPECT_EQ(DWORD(TRUE), RenderState(D3DRS_RANGEFOGENABLE));
        d->SetForceFlag(true);
    });
}

TEST_F(D3DDeviceTest, ResetResendsEveryState)
{
    s_app->Activate();
    OnWindow([] {
        CD3DDevice* d = Device();
        d->SetForceFlag(false);
        ASSERT_TRUE(d->EnableFog(true));
        ASSERT_TRUE(d->SetRenderState(D3DCULL_NONE));
        // A reset returns the device to its own defaults (lighting on, for
        // one); the default states are sent again whatever the cache holds.
        ASSERT_TRUE(d->ResetDevice(0, 0, 0));
        EXPECT_EQ(DWORD(FALSE), RenderState(D3DRS_LIGHTING));
        EXPECT_EQ(DWORD(FALSE), RenderState(D3DRS_FOGENABLE));
        EXPECT_EQ(DWORD(D3DCULL_CCW), RenderState(D3DRS_CULLMODE));
        EXPECT_EQ(DWORD(D3DCMP_LESSEQUAL), RenderState(D3DRS_ZFUNC));
        EXPECT_EQ(DWORD(D3DTOP_DISABLE), StageState(5, D3DTSS_COLOROP));
        EXPECT_TRUE(d->GetForceFlag());
        EXPECT_EQ(0, d->GetDepth());
    });
}

TEST_F(D3DDeviceTest, ResetRefusedWhileTheWindowIsMinimised)
{
    IDirect3DDevice8* before = Raw();
    bool reset = true;
    OnWindow([&] {
        ShowWindow(Window(), SW_MINIMIZE);
        s_app->PumpMessages();
        reset = Device()->ResetDevice(0, 0, 0);
        ShowWindow(Window(), SW_RESTORE);
        s_app->PumpMessages();
    });
    EXPECT_FALSE(reset);
    EXPECT_EQ(before, Raw()) << "the device stays";
    EXPECT_FALSE(Device()->ResetDevice(0, 0, 0)) << "not on a window thread: no application";
}

// --- failures ---------------------------------------------------------------

TEST_F(D3DDeviceTest, FailedCallsReportTheirErrorNames)
{
    TraceCapture trace;
    OnWindow([] {
        CD3DDevice* d = Device();
        // No depth buffer to clear.
        EXPECT_FALSE(d->ClearZBuffer(1.0f));
        EXPECT_FALSE(d->ClearStencil(0));
        // Scenes that do not pair.
        EXPECT_FALSE(d->EndScene());
        EXPECT_TRUE(d->BeginScene());
        EXPECT_TRUE(d->IsInScene());
        EXPECT_FALSE(d->BeginScene());
        EXPECT_TRUE(d->EndScene());
        EXPECT_FALSE(d->IsInScene());
        // A light of no kind is refused and not listed.
        D3DLIGHT8 light = {};
        EXPECT_FALSE(d->SetLight(1, &light));
        EXPECT_EQ(0u, d->GetLightCount());
        // Handles the device never gave.
        EXPECT_FALSE(d->DeleteVertexShader(0x12345));
        EXPECT_FALSE(d->DeletePixelShader(0x12345));
    });
    const std::vector<std::string> expected = {
        "CD3DDevice::ClearZBuffer() Clear()に失敗[APIReturnValue:D3DERR_INVALIDCALL]",
        "CD3DDevice::ClearStencil() Clear()に失敗[APIReturnValue:D3DERR_INVALIDCALL]",
        "CD3DDevice::EndScene() EndScene()に失敗[APIReturnValue:D3DERR_INVALIDCALL]",
        "CD3DDevice::BeginScene() BeginScene()に失敗[APIReturnValue:D3DERR_INVALIDCALL]",
        "CD3DDevice::SetLight() SetLight()に失敗[APIReturnValue:D3DERR_INVALIDCALL]",
        "CD3DDevice::DeleteVertexShader() DeleteVertexShader()に失敗[APIReturnValue:D3DERR_INVALIDCALL]",
        "CD3DTexture::DeletePixelShader() DeletePixelShader()に失敗[APIReturnValue:D3DERR_INVALIDCALL]",
    };
    EXPECT_EQ(expected, trace.Lines());
}

TEST_F(D3DDeviceTest, CreatorsReportRefusedRequests)
{
    TraceCapture trace;
    OnWindow([] {
        CD3DDevice* d = Device();
        EXPECT_EQ(nullptr, d->CreateVertexBuffer(0, 0, D3DFVF_XYZ, D3DPOOL_MANAGED));
        EXPECT_EQ(nullptr, d->CreateTexture(16, 16, 1, 0, D3DFORMAT(0x7F000000), D3DPOOL_MANAGED));
        DWORD handle = 7;
        const DWORD bad[] = {0xFFFF0104, 0x7F, 0x800F0000, 0xA0E40000, 0x0000FFFF};
        EXPECT_FALSE(d->CreatePixelShader(bad, handle));
        EXPECT_EQ(0u, handle);
    });
    const std::vector<std::string> lines = trace.Lines();
    ASSERT_EQ(3u, lines.size()) << ::testing::PrintToString(lines);
    // Wine names an empty buffer an invalid argument.
    EXPECT_EQ(0u, lines[0].find("CD3DTexture::CreateVertexBuffer() CreateVertexBuffer()に失敗[APIReturnValue:"))
        << lines[0];
    EXPECT_EQ(std::string::npos, lines[0].find("Unrecognized")) << lines[0];
    EXPECT_EQ(0u, lines[1].find("CD3DDevice::CreateTexture() CreateTexture()に失敗[APIReturnValue:D3DERR_"))
        << lines[1];
    EXPECT_EQ("CD3DTexture::CreatePixelShader() CreatePixelShader()に失敗[APIReturnValue:D3DERR_INVALIDCALL]",
              lines[2]);
}

HRESULT WINAPI LostDevice(IDirect3DDevice8*) { return D3DERR_DEVICELOST; }

TEST_F(D3DDeviceTest, LostDeviceMakesEveryWrapperFailQuietly)
{
    TraceCapture trace;
    OnWindow([] {
        CD3DDevice* d = Device();
        VtableHook lost(Raw(), kSlotDeviceTestCooperativeLevel, reinterpret_cast<void*>(&LostDevice));
        ASSERT_TRUE(lost.IsInstalled());
        EXPECT_FALSE(d->IsUsable());
        EXPECT_FALSE(d->ClearTarget(0));
        EXPECT_FALSE(d->EnableLight(true));
        EXPECT_FALSE(d->SetTexture(0, nullptr));
        EXPECT_FALSE(d->BeginScene());
        EXPECT_FALSE(d->Present());
        EXPECT_EQ(nullptr, d->CreateSurface(4, 4, D3DFMT_A8R8G8B8));
        EXPECT_EQ(nullptr, d->GetBackBuffer());
    });
    EXPECT_EQ(std::vector<std::string>(), trace.Lines());
    OnWindow([] { EXPECT_EQ(DWORD(FALSE), RenderState(D3DRS_LIGHTING)) << "no call reached the device"; });
    EXPECT_TRUE(Device()->IsUsable());
}

// --- lights, bindings, targets -------------------------------------------------

TEST_F(D3DDeviceTest, LightsAreListedAndSwitchedOffByTheDefaults)
{
    OnWindow([] {
        CD3DDevice* d = Device();
        D3DLIGHT8 light = {};
        light.Type = D3DLIGHT_DIRECTIONAL;
        light.Diffuse.r = light.Diffuse.g = light.Diffuse.b = 1.0f;
        light.Direction.z = 1.0f;
        ASSERT_TRUE(d->SetLight(2, &light));
        ASSERT_TRUE(d->SetLight(5, &light));
        ASSERT_TRUE(d->SetLight(2, &light));
        EXPECT_EQ(2u, d->GetLightCount());
        BOOL on = FALSE;
        Raw()->GetLightEnable(2, &on);
        EXPECT_TRUE(on);
        ASSERT_TRUE(d->SetLight(5, nullptr));
        EXPECT_EQ(1u, d->GetLightCount());
        Raw()->GetLightEnable(5, &on);
        EXPECT_FALSE(on);
        ASSERT_TRUE(d->EnableLightObject(5, true));
        Raw()->GetLightEnable(5, &on);
        EXPECT_TRUE(on) << "switching alone does not list";
        EXPECT_EQ(1u, d->GetLightCount());
        d->SetDefaultStates();
        EXPECT_EQ(0u, d->GetLightCount());
        Raw()->GetLightEnable(2, &on);
        EXPECT_FALSE(on);
    });
}

DWORD WINAPI DeleteDevice(void* device)
{
    delete static_cast<CD3DDevice*>(device);
    return 0;
}

// A light set, then the device lost, or dropped by a failed creation: the
// destructor's default states still take the light off the list and end.
TEST_F(D3DDeviceTest, DestructionEndsWithALightSetOnALostOrDroppedDevice)
{
    for (const bool dropped : {false, true}) {
        SCOPED_TRACE(dropped ? "dropped device" : "lost device");
        CD3DDevice* d = nullptr;
        OnWindow([&] {
            d = new CD3DDevice(Direct3D());
            D3DLIGHT8 light = {};
            light.Type = D3DLIGHT_DIRECTIONAL;
            light.Direction.z = 1.0f;
            ASSERT_TRUE(d->SetLight(3, &light));
            if (dropped) {
                VtableHook refuse(Direct3D()->GetInterface(), kSlotD3DCreateDevice,
                                  reinterpret_cast<void*>(&RecordAndRefuse));
                EXPECT_FALSE(d->CreateDevice(0, 0, 0));
                EXPECT_EQ(nullptr, d->GetDevice());
            }
            EXPECT_EQ(1u, d->GetLightCount());
        });
        ASSERT_NE(nullptr, d);
        VtableHook lost(Raw(), kSlotDeviceTestCooperativeLevel, reinterpret_cast<void*>(&LostDevice));
        ASSERT_TRUE(lost.IsInstalled());
        HANDLE thread = CreateThread(nullptr, 0, DeleteDevice, d, 0, nullptr);
        ASSERT_NE(nullptr, thread);
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 30000)) << "the destructor did not end";
        CloseHandle(thread);
    }
}

TEST_F(D3DDeviceTest, BoundObjectsAreHeldUntilUnbound)
{
    OnWindow([] {
        CD3DDevice* d = Device();
        IDirect3DTexture8* texture = d->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED);
        IDirect3DVertexBuffer8* buffer = d->CreateVertexBuffer(64, 0, D3DFVF_XYZ, D3DPOOL_MANAGED);
        ASSERT_NE(nullptr, texture);
        ASSERT_NE(nullptr, buffer);
        ASSERT_TRUE(d->SetTexture(1, texture));
        ASSERT_TRUE(d->SetVertexBuffer(buffer, 12));
        EXPECT_EQ(texture, d->GetBoundTexture(1));
        EXPECT_EQ(nullptr, d->GetBoundTexture(0));
        EXPECT_EQ(buffer, d->GetBoundVertexBuffer());
        // The caller's references go; the bound objects live on.
        texture->AddRef();
        EXPECT_LT(1u, texture->Release());
        texture->Release();
        buffer->Release();
        IDirect3DBaseTexture8* got = nullptr;
        Raw()->GetTexture(1, &got);
        EXPECT_EQ(static_cast<IDirect3DBaseTexture8*>(texture), got);
        if (got)
            got->Release();
        ASSERT_TRUE(d->SetTexture(1, nullptr));
        ASSERT_TRUE(d->SetVertexBuffer(nullptr, 0));
        EXPECT_EQ(nullptr, d->GetBoundTexture(1));
        EXPECT_EQ(nullptr, d->GetBoundVertexBuffer());
    });
}

TEST_F(D3DDeviceTest, RenderTargetsAndTheDefaults)
{
    OnWindow([] {
        CD3DDevice* d = Device();
        IDirect3DSurface8* original = d->GetRenderTargetSurface();
        ASSERT_NE(nullptr, original);
        IDirect3DSurface8* target = nullptr;
        ASSERT_EQ(D3D_OK, Raw()->CreateRenderTarget(32, 32, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, FALSE, &target));
        ASSERT_TRUE(d->SetRenderTarget(target));
        IDirect3DSurface8* current = d->GetRenderTargetSurface();
        EXPECT_EQ(target, current);
        current->Release();
        ASSERT_TRUE(d->DefaultRenderTarget());
        current = d->GetRenderTargetSurface();
        EXPECT_EQ(original, current);
        current->Release();
        ASSERT_TRUE(d->SetRenderTargetAndZBuffer(target, nullptr));
        ASSERT_TRUE(d->DefaultRenderTargetAndZBuffer());
        D3DVIEWPORT8 viewport = {};
        ASSERT_TRUE(d->GetViewport(viewport));
        EXPECT_EQ(DWORD(kWidth), viewport.Width);
        EXPECT_EQ(DWORD(kHeight), viewport.Height);
        target->Release();
        original->Release();
        // No depth buffer: the getter reports it.
        TraceCapture trace;
        EXPECT_EQ(nullptr, d->GetRenderZBufferSurface());
        EXPECT_EQ(1u, CountStartingWith(trace.Lines(), "CD3DDevice::GetRenderZBufferSurface() "
                                                       "GetDepthStencilSurface()に失敗[APIReturnValue:D3DERR_"));
    });
}

}  // namespace
