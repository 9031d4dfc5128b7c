// DirectDraw objects, clippers and surfaces under Wine on Xvfb windows: one
// object per window in the manager, the emulation fallback, the cooperative
// level and its undoing, COM use per thread, surfaces in every format with
// the format read from what was made, lock and device-context exclusion,
// colour keys, DirectDraw blits, loss, the surface registry and the end of a
// DirectDraw object under its surfaces. Failures of DirectDraw itself are
// injected by hooking the virtual tables of the real objects.
#include "common/DirectDrawTest.h"
#include "common/TraceCapture.h"
#include "common/VtableHook.h"
#include "framework/ComInit.h"
#include "framework/DirectDraw.h"
#include "framework/DirectDrawManager.h"
#include "framework/DirectDrawSurface.h"
#include "framework/DirectDrawSurfaceRegistry.h"
#include "common/TestThread.h"

#include <cstring>
#include <map>
#include <memory>
#include <sstream>
#include <vector>

namespace {

// A visible top-level window of the calling thread.
class PlainWindow {
public:
    PlainWindow()
        : m_hWnd(CreateWindowExA(0, "STATIC", "dd", WS_POPUP | WS_VISIBLE, 0, 0, 64, 48, NULL, NULL, NULL, NULL))
    {
    }
    ~PlainWindow() { DestroyWindow(m_hWnd); }
    HWND Get() const { return m_hWnd; }

private:
    HWND m_hWnd;
};

const char kSecondObject[] = "CDirectDrawManager::Initialize() hWndにDirectDrawが複数作成されようとしました";
const char kLeftAtEnd[] = "CDirectDrawManager::~CDirectDrawManager() DirectDrawが解放されずにいるものがあります";
const char kHalFailed[] = "CDirectDraw::_Initialize() HALでのInitializeに失敗しました";
const char kHelFailed[] = "CDirectDraw::_Initialize() HELでのInitializeに失敗しました";
const char kNotMade[] = "CDirectDraw::CDirectDraw() DirectDraw作成に失敗しました";
const char kLockTwice[] = "CDirectDrawSurface::Lock() Lock中に再度lockしようとしました";
const char kLockWithDC[] = "CDirectDrawSurface::Lock() デバイスコンテキスト取得中にLockはできません";
const char kDCWhileLocked[] = "CDirectDrawSurface::GetDC() Lock中にデバイスコンテキストを取得できません";

std::string Joined(const std::vector<std::string>& lines)
{
    std::string all;
    for (const std::string& line : lines)
        all += "\n  " + line;
    return all.empty() ? "\n  (nothing)" : all;
}

// --- The manager --------------------------------------------------------

TEST(DirectDrawManager, OneObjectPerWindow)
{
    PlainWindow a, b;
    CDirectDrawManager& manager = CDirectDrawManager::GetInstance();
    const size_t before = manager.GetCount();
    TraceCapture trace;
    ASSERT_TRUE(manager.Initialize(a.Get()));
    ASSERT_TRUE(manager.Initialize(b.Get()));
    CDirectDraw* first = manager.GetDirectDraw(a.Get());
    ASSERT_NE(nullptr, first);
    EXPECT_EQ(a.Get(), first->GetHWnd());
    EXPECT_NE(nullptr, first->GetInterface());
    EXPECT_NE(first, manager.GetDirectDraw(b.Get()));
    EXPECT_EQ(before + 2, manager.GetCount());
    EXPECT_TRUE(trace.Lines().empty()) << "made quietly:" << Joined(trace.Lines());

    EXPECT_FALSE(manager.Initialize(a.Get())) << "a second object for the same window";
    EXPECT_EQ(1u, trace.Count(kSecondObject)) << Joined(trace.Lines());
    EXPECT_EQ(first, manager.GetDirectDraw(a.Get())) << "the first object stays";
    EXPECT_EQ(before + 2, manager.GetCount());

    manager.Uninitialize(a.Get());
    EXPECT_EQ(nullptr, manager.GetDirectDraw(a.Get()));
    EXPECT_NE(nullptr, manager.GetDirectDraw(b.Get()));
    manager.Uninitialize(a.Get());  // nothing left for a: no effect
    EXPECT_EQ(before + 1, manager.GetCount());
    manager.Uninitialize(b.Get());
    EXPECT_EQ(before, manager.GetCount());
    EXPECT_EQ(nullptr, manager.GetDirectDraw(NULL));
}

TEST(DirectDrawManager, ObjectsLeftAtTheEndAreReportedAndDeleted)
{
    PlainWindow a;
    CDirectDrawManager& manager = CDirectDrawManager::GetInstance();
    {
        TraceCapture trace;
        manager.Shutdown();
        EXPECT_EQ(0u, trace.Count(kLeftAtEnd)) << "nothing left, nothing said";
    }
    ASSERT_TRUE(manager.Initialize(a.Get()));
    CDirectDrawSurface surface(manager.GetDirectDraw(a.Get()));
    ASSERT_TRUE(surface.Create(8, 8, 32, true));
    TraceCapture trace;
    manager.Shutdown();
    EXPECT_EQ(1u, trace.Count(kLeftAtEnd)) << Joined(trace.Lines());
    EXPECT_EQ(0u, manager.GetCount());
    EXPECT_EQ(nullptr, manager.GetDirectDraw(a.Get()));
    EXPECT_FALSE(surface.IsCreated()) << "the object's end releases its surfaces";
}

// --- Making the object: HAL, then emulation ---------------------------------

std::vector<GUID*> g_initializeCalls;
void* g_originalInitialize = nullptr;
bool g_refuseEmulation = false;

HRESULT __stdcall RefuseHardware(IDirectDraw7* self, GUID* guid)
{
    g_initializeCalls.push_back(guid);
    if (guid == nullptr || g_refuseEmulation)
        return DDERR_GENERIC;
    return reinterpret_cast<HRESULT(__stdcall*)(IDirectDraw7*, GUID*)>(g_originalInitialize)(self, guid);
}

TEST(DirectDrawObject, HardwareRefusedFallsBackToEmulation)
{
    PlainWindow window;
    DirectDrawProbe probe;
    g_initializeCalls.clear();
    g_refuseEmulation = false;
    VtableHook hook(probe.Uninitialised(), kSlotDDInitialize, reinterpret_cast<void*>(&RefuseHardware));
    g_originalInitialize = hook.Original();
    ASSERT_TRUE(hook.IsInstalled());
    TraceCapture trace;
    CDirectDraw dd(window.Get());
    ASSERT_EQ(2u, g_initializeCalls.size());
    EXPECT_EQ(nullptr, g_initializeCalls[0]) << "hardware first";
    EXPECT_EQ(reinterpret_cast<GUID*>(DDCREATE_EMULATIONONLY), g_initializeCalls[1]);
    EXPECT_NE(nullptr, dd.GetInterface()) << "made by emulation";
    EXPECT_NE(nullptr, dd.GetClipper());
    const std::vector<std::string> expected = {kHalFailed};
    EXPECT_EQ(expected, trace.Lines()) << Joined(trace.Lines());
}

TEST(DirectDrawObject, BothRefusedLeavesNoObjectAndNoCom)
{
    PlainWindow window;
    DirectDrawProbe probe;
    g_initializeCalls.clear();
    g_refuseEmulation = true;
    VtableHook hook(probe.Uninitialised(), kSlotDDInitialize, reinterpret_cast<void*>(&RefuseHardware));
    ASSERT_TRUE(hook.IsInstalled());
    const LONG com = GetComInitCount();
    CDirectDrawManager& manager = CDirectDrawManager::GetInstance();
    const size_t before = manager.GetCount();
    TraceCapture trace;
    EXPECT_FALSE(manager.Initialize(window.Get()));
    EXPECT_EQ(before, manager.GetCount()) << "not kept";
    EXPECT_EQ(nullptr, manager.GetDirectDraw(window.Get()));
    EXPECT_EQ(com, GetComInitCount()) << "COM use ends with the failure";
    const std::vector<std::string> expected = {kHalFailed, kHelFailed, kNotMade};
    EXPECT_EQ(expected, trace.Lines()) << Joined(trace.Lines());
    g_refuseEmulation = false;
}

// --- Cooperative level, display mode, clipper -----------------------------

struct LevelCall {
    HWND hWnd;
    DWORD flags;
};
std::vector<LevelCall> g_levelCalls;
std::vector<std::string> g_calls;
void* g_originalLevel = nullptr;
void* g_originalRestore = nullptr;
bool g_refuseLevel = false;

HRESULT __stdcall RecordLevel(IDirectDraw7* self, HWND hWnd, DWORD flags)
{
    g_levelCalls.push_back(LevelCall{hWnd, flags});
    std::ostringstream call;
    call << "SetCooperativeLevel 0x" << std::hex << flags;
    g_calls.push_back(call.str());
    if (g_refuseLevel)
        return DDERR_INVALIDPARAMS;
    return reinterpret_cast<HRESULT(__stdcall*)(IDirectDraw7*, HWND, DWORD)>(g_originalLevel)(self, hWnd, flags);
}

HRESULT __stdcall RecordRestore(IDirectDraw7* self)
{
    g_calls.push_back("RestoreDisplayMode");
    return reinterpret_cast<HRESULT(__stdcall*)(IDirectDraw7*)>(g_originalRestore)(self);
}

// The interface's last Release undoes the level itself, through its own
// methods: the object's calls are those made before it.
void* g_originalRelease = nullptr;
ULONG __stdcall RecordRelease(IDirectDraw7* self)
{
    g_calls.push_back("Release");
    return reinterpret_cast<ULONG(__stdcall*)(IDirectDraw7*)>(g_originalRelease)(self);
}

std::vector<std::string> BeforeLastRelease()
{
    std::vector<std::string> calls;
    size_t end = g_calls.size();
    while (end > 0 && g_calls[end - 1] != "Release")
        --end;
    for (size_t i = 0; i + 1 < end; ++i)
        if (g_calls[i] != "Release")
            calls.push_back(g_calls[i]);
    return calls;
}

TEST(DirectDrawObject, StartsNormalWithAClipperOnItsWindow)
{
    PlainWindow window;
    DirectDrawProbe probe;
    g_levelCalls.clear();
    g_refuseLevel = false;
    VtableHook hook(probe.DirectDraw(), kSlotDDSetCooperativeLevel, reinterpret_cast<void*>(&RecordLevel));
    g_originalLevel = hook.Original();
    CDirectDraw dd(window.Get());
    ASSERT_NE(nullptr, dd.GetInterface());
    ASSERT_EQ(1u, g_levelCalls.size());
    EXPECT_EQ(window.Get(), g_levelCalls[0].hWnd);
    EXPECT_EQ(0x408u, g_levelCalls[0].flags) << "DDSCL_NORMAL | DDSCL_MULTITHREADED";
    EXPECT_FALSE(dd.IsFullScreen());
    ASSERT_NE(nullptr, dd.GetClipper());
    HWND clipped = NULL;
    EXPECT_EQ(DD_OK, dd.GetClipper()->GetHWnd(&clipped));
    EXPECT_EQ(window.Get(), clipped);
}

HRESULT __stdcall RefuseClipper(IDirectDraw7*, DWORD, IDirectDrawClipper** clipper, IUnknown*)
{
    *clipper = nullptr;
    return DDERR_OUTOFMEMORY;
}

HRESULT __stdcall RefuseClipperWindow(IDirectDrawClipper*, DWORD, HWND) { return DDERR_INVALIDPARAMS; }

TEST(DirectDrawObject, ClipperFailuresLeaveTheObjectWithoutOne)
{
    PlainWindow window;
    DirectDrawProbe probe;
    {
        VtableHook hook(probe.DirectDraw(), kSlotDDCreateClipper, reinterpret_cast<void*>(&RefuseClipper));
        TraceCapture trace;
        CDirectDraw dd(window.Get());
        EXPECT_NE(nullptr, dd.GetInterface());
        EXPECT_EQ(nullptr, dd.GetClipper());
        const std::vector<std::string> expected = {
            "CDirectDrawClipper::CDirectDrawClipper() DirectDrawClipper作成失敗"};
        EXPECT_EQ(expected, trace.Lines()) << Joined(trace.Lines());
    }
    {
        VtableHook hook(probe.Clipper(), kSlotClipperSetHWnd, reinterpret_cast<void*>(&RefuseClipperWindow));
        TraceCapture trace;
        CDirectDraw dd(window.Get());
        EXPECT_NE(nullptr, dd.GetInterface());
        EXPECT_EQ(nullptr, dd.GetClipper()) << "a clipper without its window is forgotten";
        const std::vector<std::string> expected = {
            "CDirectDrawClipper::CDirectDrawClipper() SetHWnd()に失敗しました"};
        EXPECT_EQ(expected, trace.Lines()) << Joined(trace.Lines());
    }
}

// Xvfb offers one display mode, its own (1024 x 768 at 32 bits here): Wine
// sets that one and refuses every other with DDERR_UNSUPPORTED.
TEST(DirectDrawObject, FullScreenIsUndoneAtTheEnd)
{
    PlainWindow window;
    DirectDrawProbe probe;
    std::unique_ptr<CDirectDraw> dd(new CDirectDraw(window.Get()));
    ASSERT_NE(nullptr, dd->GetInterface());
    const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    HDC screen = GetDC(NULL);
    const int bits = GetDeviceCaps(screen, BITSPIXEL);
    ReleaseDC(NULL, screen);

    g_levelCalls.clear();
    g_calls.clear();
    g_refuseLevel = true;
    VtableHook level(probe.DirectDraw(), kSlotDDSetCooperativeLevel, reinterpret_cast<void*>(&RecordLevel));
    g_originalLevel = level.Original();
    EXPECT_FALSE(dd->SetCooperativeLevel(CDirectDraw::kFullScreenLevel));
    EXPECT_FALSE(dd->IsFullScreen()) << "a refused level changes nothing";
    g_refuseLevel = false;
    ASSERT_TRUE(dd->SetCooperativeLevel(CDirectDraw::kFullScreenLevel));
    EXPECT_TRUE(dd->IsFullScreen());
    EXPECT_TRUE(dd->SetDisplayMode(width, height, bits, 0)) << "the mode the screen has";
    EXPECT_FALSE(dd->SetDisplayMode(640, 480, bits, 0)) << "Xvfb has no other mode";
    EXPECT_TRUE(dd->SetCooperativeLevel(CDirectDraw::kNormalLevel));
    EXPECT_FALSE(dd->IsFullScreen());
    ASSERT_TRUE(dd->SetCooperativeLevel(CDirectDraw::kFullScreenLevel));

    VtableHook restore(probe.DirectDraw(), kSlotDDRestoreDisplayMode, reinterpret_cast<void*>(&RecordRestore));
    g_originalRestore = restore.Original();
    VtableHook release(probe.DirectDraw(), 2, reinterpret_cast<void*>(&RecordRelease));
    g_originalRelease = release.Original();
    g_calls.clear();
    dd.reset();
    const std::vector<std::string> expected = {"RestoreDisplayMode", "SetCooperativeLevel 0x408"};
    EXPECT_EQ(expected, BeforeLastRelease()) << Joined(g_calls);

    // Windowed at its end: nothing to undo.
    g_calls.clear();
    { CDirectDraw quiet(window.Get()); }
    EXPECT_EQ(std::vector<std::string>{"SetCooperativeLevel 0x408"}, BeforeLastRelease())
        << "only its own start:" << Joined(g_calls);
}

TEST(DirectDrawObject, ComUseIsCountedOnTheThreadThatMadeIt)
{
    PlainWindow window;
    const LONG before = GetComInitCount();
    CDirectDraw* dd = new CDirectDraw(window.Get());
    ASSERT_NE(nullptr, dd->GetInterface());
    EXPECT_EQ(before + 1, GetComInitCount());
    delete dd;
    EXPECT_EQ(before, GetComInitCount());

    // Ended on another thread (the manager's end runs on the main thread):
    // that thread's COM use is left alone.
    dd = new CDirectDraw(window.Get());
    LONG otherBefore = -1, otherAfter = -1;
    TestThread other([&] {
        ComInitialize();
        otherBefore = GetComInitCount();
        delete dd;
        otherAfter = GetComInitCount();
        ComUninitialize();
    });
    other.Join();
    EXPECT_EQ(1, otherBefore);
    EXPECT_EQ(1, otherAfter) << "the other thread's COM use is not ended for it";
    EXPECT_EQ(before + 1, GetComInitCount()) << "this thread's stays counted";
    ComUninitialize();
}

// --- Surfaces --------------------------------------------------------------

using DirectDrawSurfaceTest = DirectDrawTest;

// The format a pixel format stands for, read by the test itself.
int FormatOf(const DDPIXELFORMAT& pf)
{
    if (pf.dwRGBBitCount == 16)
        return pf.dwRBitMask == 0x7C00 ? 15 : 16;
    return int(pf.dwRGBBitCount);
}

DDSURFACEDESC2 DescOf(IDirectDrawSurface7* s)
{
    DDSURFACEDESC2 desc = {};
    desc.dwSize = sizeof desc;
    s->GetSurfaceDesc(&desc);
    return desc;
}

TEST_F(DirectDrawSurfaceTest, EveryFormatIsReadFromThePixelFormatMade)
{
    OnWindow([] {
        std::string refused;
        int made = 0;
        for (int format : {0, 15, 16, 24, 32}) {
            for (bool system : {true, false}) {
                CDirectDrawSurface s(DirectDraw());
                if (!s.Create(7, 5, format, system)) {
                    refused += " " + std::to_string(format) + (system ? "/system" : "/video");
                    continue;
                }
                ++made;
                const DDSURFACEDESC2 desc = DescOf(s.GetSurface());
                EXPECT_EQ(FormatOf(desc.ddpfPixelFormat), s.GetBitCount()) << "format " << format;
                if (format != 0) {
                    EXPECT_EQ(format, s.GetBitCount()) << "the format asked for";
                }
                EXPECT_EQ(7, s.GetSize().cx);
                EXPECT_EQ(5, s.GetSize().cy);
                EXPECT_EQ((desc.ddsCaps.dwCaps & DDSCAPS_SYSTEMMEMORY) != 0, s.IsSystemMemory())
                    << "format " << format << (system ? " in system memory" : " in video memory");
                if (system) {
                    EXPECT_TRUE(s.IsSystemMemory());
                }
                EXPECT_EQ(DirectDraw(), s.GetDirectDraw());
            }
        }
        // Wine makes all ten; a driver may refuse some.
        RecordProperty("refused", refused.empty() ? "none" : refused);
        EXPECT_GE(made, 8) << "refused:" << refused;
        for (int format : {15, 16, 24, 32}) {
            CDirectDrawSurface s(DirectDraw());
            EXPECT_TRUE(s.Create(3, 3, format, true)) << "format " << format << " in system memory";
        }
    });
}

// What the next GetSurfaceDesc reports, over what was made.
struct FakeDesc {
    bool refuse = false;
    DWORD bits = 0, red = 0, green = 0, blue = 0;
};
FakeDesc g_fake;
void* g_originalDesc = nullptr;

HRESULT __stdcall FakeSurfaceDesc(IDirectDrawSurface7* self, DDSURFACEDESC2* desc)
{
    if (g_fake.refuse)
        return DDERR_GENERIC;
    const HRESULT hr =
        reinterpret_cast<HRESULT(__stdcall*)(IDirectDrawSurface7*, DDSURFACEDESC2*)>(g_originalDesc)(self, desc);
    if (g_fake.bits != 0) {
        desc->ddpfPixelFormat.dwRGBBitCount = g_fake.bits;
        desc->ddpfPixelFormat.dwRBitMask = g_fake.red;
        desc->ddpfPixelFormat.dwGBitMask = g_fake.green;
        desc->ddpfPixelFormat.dwBBitMask = g_fake.blue;
    }
    return hr;
}

TEST_F(DirectDrawSurfaceTest, FormatDetectionAndItsDiagnostics)
{
    OnWindow([] {
        DirectDrawProbe probe;
        VtableHook hook(probe.Surface(), kSlotSurfaceGetSurfaceDesc, reinterpret_cast<void*>(&FakeSurfaceDesc));
        g_originalDesc = hook.Original();
        ASSERT_TRUE(hook.IsInstalled());
        HDC screen = GetDC(NULL);
        const int screenBits = GetDeviceCaps(screen, BITSPIXEL);
        ReleaseDC(NULL, screen);
        const struct {
            int requested;
            FakeDesc fake;
            bool created;
            int format;
            std::vector<std::string> lines;
        } cases[] = {
            {16, {false, 16, 0x7C00, 0x03E0, 0x001F}, true, 15, {}},
            {15, {false, 16, 0xF800, 0x07E0, 0x001F}, true, 16, {}},
            {16, {false, 16, 0xF00, 0xF0, 0xF}, true, 16,
             {"CDirectDrawSurface::Create() 16bpp不明フォーマット[RGB:f00,f0,f]"}},
            {32, {false, 32, 0xFF, 0xFF00, 0xFF0000}, true, 32,
             {"CDirectDrawSurface::Create() 32bpp不明フォーマット[RGB:0xFF,0xFF00,0xFF0000]"}},
            {24, {false, 24, 0xFF, 0xFF00, 0xFF0000}, true, 24,
             {"CDirectDrawSurface::Create() 24bpp不明フォーマット[RGB:0xFF,0xFF00,0xFF0000]"}},
            {32, {false, 8, 0, 0, 0}, false, 0,
             {"CDirectDrawSurface::Create() 8bpp不明フォーマット[RGB:0x0,0x0,0x0]"}},
            // Without the descriptor: the format asked for, else the screen's.
            {24, {true}, true, 24, {"CDirectDrawSurface::Create() GetSurfaceDescに失敗しました"}},
            {0, {true}, true, screenBits, {"CDirectDrawSurface::Create() GetSurfaceDescに失敗しました"}},
        };
        for (const auto& c : cases) {
            g_fake = c.fake;
            TraceCapture trace;
            CDirectDrawSurface s(DirectDraw());
            EXPECT_EQ(c.created, s.Create(6, 4, c.requested, true))
                << "asked " << c.requested << ", reported " << c.fake.bits << " bits";
            g_fake = FakeDesc();
            EXPECT_EQ(c.created, s.IsCreated());
            EXPECT_EQ(c.format, s.GetBitCount()) << "asked " << c.requested << ", masks " << std::hex
                                                 << c.fake.red << " " << c.fake.green << " " << c.fake.blue;
            EXPECT_EQ(c.lines, trace.Lines()) << Joined(trace.Lines());
            if (!c.created) {
                EXPECT_EQ(nullptr, s.GetSurface()) << "released";
                EXPECT_EQ(0, s.GetSize().cx);
            }
        }
    });
}

TEST_F(DirectDrawSurfaceTest, BadRequestsFailWithoutASurface)
{
    OnWindow([] {
        const struct {
            int width, height, format;
            const char* why;
        } cases[] = {
            {0, 4, 32, "width 0"},        {4, 0, 32, "height 0"},
            {-5, 3, 32, "negative width"}, {3, -5, 32, "negative height"},
            {4, 4, 8, "no such format"},  {4, 4, 17, "no such format"},
            {0x40000000, 1, 32, "too wide for DirectDraw"},
        };
        for (const auto& c : cases) {
            CDirectDrawSurface s(DirectDraw());
            EXPECT_FALSE(s.Create(c.width, c.height, c.format, true)) << c.why;
            EXPECT_FALSE(s.IsCreated()) << c.why;
            EXPECT_EQ(0, s.GetBitCount()) << c.why;
            EXPECT_FALSE(s.Lock()) << c.why;
            EXPECT_EQ(NULL, s.GetDC()) << c.why;
            EXPECT_FALSE(s.SetColorKey(1)) << c.why;
        }
    });
}

void* g_originalCreate = nullptr;
int g_refuseCreate = 0;  // 1: video memory only, 2: everything
std::vector<DWORD> g_createCaps;

HRESULT __stdcall RefuseCreate(IDirectDraw7* self, DDSURFACEDESC2* desc, IDirectDrawSurface7** out, IUnknown* outer)
{
    g_createCaps.push_back(desc->ddsCaps.dwCaps);
    if (g_refuseCreate == 2 || (g_refuseCreate == 1 && (desc->ddsCaps.dwCaps & DDSCAPS_VIDEOMEMORY))) {
        *out = nullptr;
        return DDERR_OUTOFVIDEOMEMORY;
    }
    return reinterpret_cast<HRESULT(__stdcall*)(IDirectDraw7*, DDSURFACEDESC2*, IDirectDrawSurface7**, IUnknown*)>(
        g_originalCreate)(self, desc, out, outer);
}

TEST_F(DirectDrawSurfaceTest, VideoMemoryFallsBackToSystemMemory)
{
    OnWindow([] {
        DirectDrawProbe probe;
        VtableHook hook(probe.DirectDraw(), kSlotDDCreateSurface, reinterpret_cast<void*>(&RefuseCreate));
        g_originalCreate = hook.Original();
        g_refuseCreate = 1;
        g_createCaps.clear();
        CDirectDrawSurface s(DirectDraw());
        EXPECT_TRUE(s.Create(8, 8, 16, false));
        const std::vector<DWORD> asked = {DDSCAPS_OFFSCREENPLAIN | DDSCAPS_VIDEOMEMORY,
                                          DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY};
        EXPECT_EQ(asked, g_createCaps);
        EXPECT_TRUE(s.IsSystemMemory());
        EXPECT_NE(0u, DescOf(s.GetSurface()).ddsCaps.dwCaps & DDSCAPS_SYSTEMMEMORY);

        g_refuseCreate = 2;
        g_createCaps.clear();
        EXPECT_FALSE(s.Create(8, 8, 16, true));
        EXPECT_EQ(1u, g_createCaps.size()) << "system memory asked for: no second try";
        EXPECT_FALSE(s.IsCreated()) << "the old surface went with the new request";
        g_refuseCreate = 0;
    });
}

TEST_F(DirectDrawSurfaceTest, LockAndDeviceContextExcludeEachOther)
{
    OnWindow([] {
        CDirectDrawSurface s(DirectDraw());
        ASSERT_TRUE(s.Create(10, 3, 16, true));
        EXPECT_EQ(nullptr, s.GetBits()) << "not locked";
        EXPECT_EQ(0, s.GetPitch());
        TraceCapture trace;
        ASSERT_TRUE(s.Lock());
        BYTE* bits = s.GetBits();
        ASSERT_NE(nullptr, bits);
        EXPECT_GE(s.GetPitch(), 20);
        EXPECT_FALSE(s.Lock()) << "locked twice";
        EXPECT_EQ(std::vector<std::string>{kLockTwice}, trace.Take());
        EXPECT_EQ(bits, s.GetBits()) << "still locked by the first";
        HDC dc = s.GetDC();
        EXPECT_EQ(std::vector<std::string>{kDCWhileLocked}, trace.Take()) << "asked of DirectDraw all the same";
        if (dc != NULL) {  // Wine hands one out while locked; Windows refuses it
            EXPECT_TRUE(s.ReleaseDC());
        }
        EXPECT_TRUE(s.Unlock());
        EXPECT_EQ(nullptr, s.GetBits());
        EXPECT_EQ(0, s.GetPitch());
        EXPECT_FALSE(s.Unlock()) << "not locked";

        dc = s.GetDC();
        ASSERT_NE(HDC(NULL), dc);
        EXPECT_EQ(dc, s.GetDC()) << "the context held";
        EXPECT_FALSE(s.Lock()) << "locked while a context is held";
        EXPECT_EQ(std::vector<std::string>{kLockWithDC}, trace.Take());
        EXPECT_TRUE(s.ReleaseDC());
        EXPECT_FALSE(s.ReleaseDC()) << "nothing held";
        EXPECT_TRUE(s.Lock());
        EXPECT_TRUE(s.Unlock());
        EXPECT_TRUE(trace.Lines().empty()) << Joined(trace.Lines());

        // Release in the middle of both: a new surface starts unlocked.
        ASSERT_TRUE(s.Lock());
        s.Release();
        EXPECT_FALSE(s.IsCreated());
        EXPECT_EQ(nullptr, s.GetBits());
        EXPECT_EQ(0, s.GetBitCount());
        EXPECT_EQ(0, s.GetSize().cx);
        ASSERT_TRUE(s.Create(4, 4, 32, true));
        EXPECT_TRUE(s.Lock()) << "not still locked from before";
        EXPECT_TRUE(s.Unlock());
        ASSERT_NE(HDC(NULL), s.GetDC());
        s.Release();
        ASSERT_TRUE(s.Create(4, 4, 32, true));
        EXPECT_TRUE(s.Lock()) << "no context still held from before";
        EXPECT_TRUE(trace.Lines().empty()) << Joined(trace.Lines());
    });
}

// A pixel value of the format from 0x00RRGGBB (pure channels only).
uint32_t PixelOf(int format, uint32_t rgb)
{
    const uint32_t r = rgb >> 16 & 0xFF, g = rgb >> 8 & 0xFF, b = rgb & 0xFF;
    if (format == 15)
        return (r >> 3) << 10 | (g >> 3) << 5 | b >> 3;
    if (format == 16)
        return (r >> 3) << 11 | (g >> 2) << 5 | b >> 3;
    return rgb;
}

uint32_t ReadRaw(const BYTE* bits, int pitch, int format, int x, int y)
{
    const BYTE* p = bits + y * pitch + x * (format == 15 ? 2 : format / 8);
    switch (format) {
    case 15:
    case 16: return uint32_t(p[0] | p[1] << 8);
    case 24: return uint32_t(p[0] | p[1] << 8 | p[2] << 16);
    default: return uint32_t(p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24);
    }
}

void WriteRaw(BYTE* bits, int pitch, int format, int x, int y, uint32_t v)
{
    BYTE* p = bits + y * pitch + x * (format == 15 ? 2 : format / 8);
    const int n = format == 15 ? 2 : format / 8;
    for (int i = 0; i < n; ++i)
        p[i] = BYTE(v >> (8 * i));
}

TEST_F(DirectDrawSurfaceTest, GdiDrawingAndLockedPixelsAgree)
{
    OnWindow([] {
        const uint32_t colours[] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0x000000, 0xFFFF00};
        for (int format : {15, 16, 24, 32}) {
            CDirectDrawSurface s(DirectDraw());
            ASSERT_TRUE(s.Create(6, 2, format, true)) << format;
            // Row 0 drawn by GDI, read through the lock.
            HDC dc = s.GetDC();
            ASSERT_NE(HDC(NULL), dc) << format;
            for (int x = 0; x < 6; ++x) {
                const uint32_t c = colours[x];
                HBRUSH brush = CreateSolidBrush(RGB(c >> 16, c >> 8 & 0xFF, c & 0xFF));
                RECT r = {x, 0, x + 1, 1};
                FillRect(dc, &r, brush);
                DeleteObject(brush);
            }
            s.ReleaseDC();
            ASSERT_TRUE(s.Lock());
            for (int x = 0; x < 6; ++x) {
                uint32_t got = ReadRaw(s.GetBits(), s.GetPitch(), format, x, 0);
                if (format == 32)
                    got &= 0xFFFFFF;
                EXPECT_EQ(PixelOf(format, colours[x]), got)
                    << "format " << format << ", GDI colour 0x" << std::hex << colours[x];
            }
            // Row 1 written through the lock, read by GDI.
            for (int x = 0; x < 6; ++x)
                WriteRaw(s.GetBits(), s.GetPitch(), format, x, 1, PixelOf(format, colours[5 - x]));
            s.Unlock();
            dc = s.GetDC();
            ASSERT_NE(HDC(NULL), dc);
            for (int x = 0; x < 6; ++x) {
                const uint32_t c = colours[5 - x];
                EXPECT_EQ(RGB(c >> 16, c >> 8 & 0xFF, c & 0xFF), GetPixel(dc, x, 1))
                    << "format " << format << ", locked colour 0x" << std::hex << c;
            }
            s.ReleaseDC();
        }
    });
}

TEST_F(DirectDrawSurfaceTest, ColourKeyIsCutToThePixelWidth)
{
    OnWindow([] {
        const struct {
            int format;
            DWORD cut;
        } cases[] = {{15, 0x5678}, {16, 0x5678}, {24, 0x345678}, {32, 0x12345678}};
        for (const auto& c : cases) {
            CDirectDrawSurface s(DirectDraw());
            EXPECT_FALSE(s.SetColorKey(0x12345678)) << "not created";
            ASSERT_TRUE(s.Create(4, 4, c.format, true));
            EXPECT_TRUE(s.SetColorKey(0x12345678));
            EXPECT_EQ(0x12345678u, s.GetColorKey()) << "kept as given";
            DDCOLORKEY key = {};
            ASSERT_EQ(DD_OK, s.GetSurface()->GetColorKey(DDCKEY_SRCBLT, &key));
            EXPECT_EQ(c.cut, key.dwColorSpaceLowValue) << "format " << c.format;
            EXPECT_EQ(c.cut, key.dwColorSpaceHighValue) << "format " << c.format;
        }
    });
}

// Source pixels: a pattern in which every third pixel is the key.
uint32_t SourceValue(int format, int x, int y, uint32_t key)
{
    if ((x + 2 * y) % 3 == 0)
        return key;
    const uint32_t v = uint32_t(x * 0x1234567 + y * 0x89ABCD + 0x10101);
    switch (format) {
    case 15: return v & 0x7FFF;
    case 16: return v & 0xFFFF;
    case 24: return v & 0xFFFFFF;
    default: return v & 0xFFFFFF;  // the fourth byte 0, as in the key
    }
}

TEST_F(DirectDrawSurfaceTest, KeyedBltAndBltFastSkipExactlyTheKeyPixels)
{
    OnWindow([] {
        const uint32_t keys[] = {0x03E0, 0x07E0, 0x00FF00, 0x00FF00};
        const int formats[] = {15, 16, 24, 32};
        for (int i = 0; i < 4; ++i) {
            const int format = formats[i];
            const uint32_t key = keys[i], background = format == 15 ? 0x1111 : 0x2222;
            CDirectDrawSurface source(DirectDraw()), target(DirectDraw());
            ASSERT_TRUE(source.Create(8, 6, format, true));
            ASSERT_TRUE(target.Create(12, 9, format, true));
            ASSERT_TRUE(source.SetColorKey(key));
            ASSERT_TRUE(source.Lock());
            for (int y = 0; y < 6; ++y)
                for (int x = 0; x < 8; ++x)
                    WriteRaw(source.GetBits(), source.GetPitch(), format, x, y, SourceValue(format, x, y, key));
            source.Unlock();
            for (int mode = 0; mode < 4; ++mode) {
                const bool keyed = mode & 1, fast = mode & 2;
                ASSERT_TRUE(target.Lock());
                for (int y = 0; y < 9; ++y)
                    for (int x = 0; x < 12; ++x)
                        WriteRaw(target.GetBits(), target.GetPitch(), format, x, y, background);
                target.Unlock();
                // Source rectangle (1, 1)-(7, 5) to (3, 2) in both forms.
                const RECT from = {1, 1, 7, 5}, to = {3, 2, 9, 6};
                const bool done = fast ? target.BltFast(3, 2, &source, &from, keyed)
                                       : target.Blt(&source, &to, &from, keyed);
                ASSERT_TRUE(done) << "format " << format << (fast ? " BltFast" : " Blt");
                ASSERT_TRUE(target.Lock());
                int skipped = 0;
                for (int y = 0; y < 9; ++y) {
                    for (int x = 0; x < 12; ++x) {
                        uint32_t want = background;
                        if (x >= 3 && x < 9 && y >= 2 && y < 6) {
                            const uint32_t s = SourceValue(format, x - 2, y - 1, key);
                            if (keyed && s == key)
                                ++skipped;
                            else
                                want = s;
                        }
                        uint32_t got = ReadRaw(target.GetBits(), target.GetPitch(), format, x, y);
                        if (format == 32)
                            got &= 0xFFFFFF;
                        ASSERT_EQ(want, got) << "format " << format << (fast ? " BltFast" : " Blt")
                                             << (keyed ? " keyed" : "") << " at " << x << ", " << y;
                    }
                }
                target.Unlock();
                if (keyed) {
                    EXPECT_GT(skipped, 4);
                }
            }
            CDirectDrawSurface empty(DirectDraw());
            EXPECT_FALSE(target.Blt(&empty, nullptr, nullptr, false)) << "an empty source";
            EXPECT_FALSE(target.BltFast(0, 0, nullptr, nullptr, false)) << "no source";
            EXPECT_FALSE(empty.Blt(&source, nullptr, nullptr, false)) << "an empty target";
        }
    });
}

std::map<IDirectDrawSurface7*, int> g_restored;

HRESULT __stdcall AlwaysLost(IDirectDrawSurface7*) { return DDERR_SURFACELOST; }
HRESULT __stdcall CountRestore(IDirectDrawSurface7* self)
{
    ++g_restored[self];
    return DD_OK;
}

TEST_F(DirectDrawSurfaceTest, OnlyVideoMemoryIsEverLost)
{
    OnWindow([] {
        CDirectDrawSurface system(DirectDraw()), video(DirectDraw()), empty(DirectDraw());
        ASSERT_TRUE(system.Create(8, 8, 32, true));
        ASSERT_TRUE(video.Create(8, 8, 32, false));
        ASSERT_FALSE(video.IsSystemMemory()) << "Wine makes video-memory surfaces";
        EXPECT_FALSE(system.IsLost());
        EXPECT_FALSE(video.IsLost());
        DirectDrawProbe probe;
        {
            VtableHook lost(probe.Surface(), kSlotSurfaceIsLost, reinterpret_cast<void*>(&AlwaysLost));
            EXPECT_FALSE(system.IsLost()) << "system memory is never lost";
            EXPECT_TRUE(video.IsLost());
            EXPECT_FALSE(empty.IsLost());
        }
        g_restored.clear();
        VtableHook restore(probe.Surface(), kSlotSurfaceRestore, reinterpret_cast<void*>(&CountRestore));
        EXPECT_TRUE(video.Restore());
        EXPECT_EQ(1, g_restored[video.GetSurface()]);
        EXPECT_FALSE(empty.Restore()) << "nothing to restore";
        EXPECT_EQ(1u, g_restored.size());
    });
}

TEST_F(DirectDrawSurfaceTest, RegistryReachesOnlyTheObjectsOwnSurfaces)
{
    OnWindow([] {
        PlainWindow otherWindow;
        CDirectDraw other(otherWindow.Get());
        ASSERT_NE(nullptr, other.GetInterface());
        CDirectDrawSurfaceRegistry& registry = CDirectDrawSurfaceRegistry::GetInstance();
        const size_t before = registry.GetCount(DirectDraw());
        std::unique_ptr<CDirectDrawSurface> a1(new CDirectDrawSurface(DirectDraw()));
        CDirectDrawSurface a2(DirectDraw()), b1(&other);
        EXPECT_EQ(before + 2, registry.GetCount(DirectDraw())) << "registered at construction";
        EXPECT_EQ(1u, registry.GetCount(&other));
        ASSERT_TRUE(a1->Create(4, 4, 32, true));
        ASSERT_TRUE(a2.Create(4, 4, 16, false));
        ASSERT_TRUE(b1.Create(4, 4, 24, true));

        DirectDrawProbe probe;
        g_restored.clear();
        {
            VtableHook restore(probe.Surface(), kSlotSurfaceRestore, reinterpret_cast<void*>(&CountRestore));
            registry.RestoreAll(DirectDraw());
        }
        EXPECT_EQ(1, g_restored[a1->GetSurface()]);
        EXPECT_EQ(1, g_restored[a2.GetSurface()]);
        EXPECT_EQ(0, g_restored[b1.GetSurface()]);

        registry.ReleaseAll(&other);
        EXPECT_TRUE(a1->IsCreated());
        EXPECT_TRUE(a2.IsCreated());
        EXPECT_FALSE(b1.IsCreated());
        EXPECT_TRUE(b1.Create(4, 4, 24, true)) << "a released surface can be made again";

        a1.reset();
        EXPECT_EQ(before + 1, registry.GetCount(DirectDraw())) << "unregistered at destruction";
    });
}

TEST_F(DirectDrawSurfaceTest, EndOfTheObjectReleasesItsSurfacesForGood)
{
    OnWindow([] {
        PlainWindow window;
        std::unique_ptr<CDirectDraw> dd(new CDirectDraw(window.Get()));
        CDirectDrawSurface locked(dd.get()), plain(dd.get()), elsewhere(DirectDraw());
        ASSERT_TRUE(locked.Create(8, 8, 32, true));
        ASSERT_TRUE(locked.Lock());
        ASSERT_TRUE(plain.Create(8, 8, 16, true));
        ASSERT_NE(HDC(NULL), plain.GetDC());
        ASSERT_TRUE(elsewhere.Create(8, 8, 16, true));
        dd.reset();
        EXPECT_FALSE(locked.IsCreated());
        EXPECT_EQ(nullptr, locked.GetBits());
        EXPECT_FALSE(plain.IsCreated());
        EXPECT_EQ(nullptr, plain.GetDirectDraw()) << "the object is forgotten";
        EXPECT_TRUE(elsewhere.IsCreated()) << "another object's surface stays";
        EXPECT_FALSE(plain.Create(8, 8, 16, true)) << "nothing to make it on any more";
        EXPECT_FALSE(plain.Lock());
        EXPECT_GE(CDirectDrawSurfaceRegistry::GetInstance().GetCount(nullptr), 2u)
            << "the forgotten surfaces stay listed until they go";
    });
}

}  // namespace
