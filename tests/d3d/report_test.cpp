// "info.txt" written when a window's Direct3D object is made, read back
// line by line against the format, with every fact found again by the test
// itself: the version through the test's own table, the processor through
// its identification instruction, the device's capabilities field by field.
#include "D3DLayerTest.h"
#include "D3DSlots.h"
#include "VersionTable.h"

#include "d3d/Direct3D8Manager.h"
#include "d3d/VideoMemory.h"

#include "framework/AppManager.h"
#include "framework/DirectDraw.h"
#include "framework/DirectDrawManager.h"

#include "common/TempFolder.h"
#include "common/TestFiles.h"
#include "common/TraceCapture.h"
#include "common/VtableHook.h"

#include <cpuid.h>
#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <ddraw.h>

namespace {

using SystemReportTest = D3DLayerTest;

std::string Label(const std::string& label) { return std::string(40 - label.size(), ' ') + label; }

std::string Format(const char* format, ...)
{
    char text[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return text;
}

// The file's lines; false (with a failure) when a line does not end with
// CR LF or a CR or LF stands alone.
bool SplitLines(const std::string& text, std::vector<std::string>& lines)
{
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            ADD_FAILURE() << "the last line does not end with CR LF";
            return false;
        }
        const std::string line = text.substr(start, end - start);
        if (line.find_first_of("\r\n") != std::string::npos) {
            ADD_FAILURE() << "a lone CR or LF in line " << lines.size() + 1;
            return false;
        }
        lines.push_back(line);
        start = end + 2;
    }
    return true;
}

const char* FormatName(D3DFORMAT f)
{
    switch (f) {
    case D3DFMT_R8G8B8: return "R8G8B8";
    case D3DFMT_A8R8G8B8: return "A8R8G8B8";
    case D3DFMT_X8R8G8B8: return "X8R8G8B8";
    case D3DFMT_R5G6B5: return "R5G6B5";
    case D3DFMT_X1R5G5B5: return "X1R5G5B5";
    case D3DFMT_A1R5G5B5: return "A1R5G5B5";
    case D3DFMT_A4R4G4B4: return "A4R4G4B4";
    case D3DFMT_R3G3B2: return "R3G3B2";
    case D3DFMT_A8R3G3B2: return "A8R3G3B2";
    case D3DFMT_X4R4G4B4: return "X4R4G4B4";
    default: return nullptr;
    }
}

struct CapsField {
    const char* name;
    size_t offset;
    bool isFloat;
};
#define CAPS_FIELD(name) {#name, offsetof(D3DCAPS8, name), false}
#define CAPS_FLOAT(name) {#name, offsetof(D3DCAPS8, name), true}
const CapsField kCapsFields[] = {
    CAPS_FIELD(AdapterOrdinal), CAPS_FIELD(Caps), CAPS_FIELD(Caps2), CAPS_FIELD(Caps3),
    CAPS_FIELD(PresentationIntervals), CAPS_FIELD(CursorCaps), CAPS_FIELD(DevCaps), CAPS_FIELD(PrimitiveMiscCaps),
    CAPS_FIELD(RasterCaps), CAPS_FIELD(ZCmpCaps), CAPS_FIELD(SrcBlendCaps), CAPS_FIELD(DestBlendCaps),
    CAPS_FIELD(AlphaCmpCaps), CAPS_FIELD(ShadeCaps), CAPS_FIELD(TextureCaps), CAPS_FIELD(TextureFilterCaps),
    CAPS_FIELD(CubeTextureFilterCaps), CAPS_FIELD(VolumeTextureFilterCaps), CAPS_FIELD(TextureAddressCaps),
    CAPS_FIELD(VolumeTextureAddressCaps), CAPS_FIELD(LineCaps), CAPS_FIELD(MaxTextureWidth),
    CAPS_FIELD(MaxTextureHeight), CAPS_FIELD(MaxVolumeExtent), CAPS_FIELD(MaxTextureRepeat),
    CAPS_FIELD(MaxTextureAspectRatio), CAPS_FIELD(MaxAnisotropy), CAPS_FLOAT(MaxVertexW),
    CAPS_FLOAT(GuardBandLeft), CAPS_FLOAT(GuardBandTop), CAPS_FLOAT(GuardBandRight), CAPS_FLOAT(GuardBandBottom),
    CAPS_FLOAT(ExtentsAdjust), CAPS_FIELD(StencilCaps), CAPS_FIELD(FVFCaps), CAPS_FIELD(TextureOpCaps),
    CAPS_FIELD(MaxTextureBlendStages), CAPS_FIELD(MaxSimultaneousTextures), CAPS_FIELD(VertexProcessingCaps),
    CAPS_FIELD(MaxActiveLights), CAPS_FIELD(MaxUserClipPlanes), CAPS_FIELD(MaxVertexBlendMatrices),
    CAPS_FIELD(MaxVertexBlendMatrixIndex), CAPS_FLOAT(MaxPointSize), CAPS_FIELD(MaxPrimitiveCount),
    CAPS_FIELD(MaxVertexIndex), CAPS_FIELD(MaxStreams), CAPS_FIELD(MaxStreamStride),
    CAPS_FIELD(VertexShaderVersion), CAPS_FIELD(MaxVertexShaderConst), CAPS_FIELD(PixelShaderVersion),
    CAPS_FLOAT(MaxPixelShaderValue),
};

// The processor as its identification instruction describes it.
void Processor(std::string& vendor, std::string& name, std::string& types)
{
    unsigned a, b, c, d;
    __cpuid(0, a, b, c, d);
    char v[13] = {};
    std::memcpy(v, &b, 4);
    std::memcpy(v + 4, &d, 4);
    std::memcpy(v + 8, &c, 4);
    vendor = v;
    __cpuid(1, a, b, c, d);
    types.clear();
    if (d & (1u << 23)) types += "MMX  ";
    if (d & (1u << 25)) types += "SSE  ";
    if (d & (1u << 26)) types += "SSE2  ";
    __cpuid(0x80000000u, a, b, c, d);
    const unsigned highest = a;
    unsigned ext = 0;
    if (highest >= 0x80000001u) {
        __cpuid(0x80000001u, a, b, c, d);
        ext = d;
    }
    if (ext & (1u << 31)) types += "3DNow!  ";
    if (ext & (1u << 30)) types += "E3DNow!  ";
    name.clear();
    if (highest > 0x80000000u) {
        char brand[49] = {};
        for (unsigned leaf = 0; leaf < 3; ++leaf) {
            unsigned r[4];
            __cpuid(0x80000002u + leaf, r[0], r[1], r[2], r[3]);
            std::memcpy(brand + 16 * leaf, r, 16);
        }
        name = brand;
    }
}

TEST_F(SystemReportTest, EveryLineOfTheReport)
{
    const std::string text = GetFile(Folder() + "\\info.txt");
    std::vector<std::string> lines;
    ASSERT_TRUE(SplitLines(text, lines)) << text.substr(0, 200);
    ASSERT_GT(lines.size(), 80u);
    size_t n = 0;
    auto expect = [&](const std::string& line) {
        ASSERT_LT(n, lines.size());
        EXPECT_EQ(line, lines[n]) << "line " << n + 1;
        ++n;
    };
    expect("■■■■■システム情報■■■■■");
    char path[MAX_PATH] = {};
    GetModuleFileNameA(NULL, path, MAX_PATH);
    expect(path);
    expect("");
    expect("----------System----------");

    OSVERSIONINFOEXA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    ASSERT_TRUE(GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&version)));
    expect(Label("OS名") + " : " +
           ExpectedVersionText(version.dwPlatformId, version.dwMajorVersion, version.dwMinorVersion,
                               version.szCSDVersion, version.wServicePackMajor));
    std::string vendor, name, types;
    Processor(vendor, name, types);
    expect(Label("CPU名") + " : " + name);
    expect(Label("CPUベンダID") + " : " + vendor);
    {
        int mhz = -1;
        char ghz[32] = {};
        const std::string prefix = Label("CPU周波数(実測値)") + " : ";
        ASSERT_EQ(0u, lines[n].find(prefix)) << lines[n];
        ASSERT_EQ(2, std::sscanf(lines[n].c_str() + prefix.size(), "%d MHz ( %31s GHz )", &mhz, ghz)) << lines[n];
        EXPECT_GT(mhz, 0);
        EXPECT_EQ(prefix + Format("%d MHz ( %f GHz )", mhz, mhz * 0.001), lines[n]);
        ++n;
    }
    expect(Label("CPUタイプ") + " : " + types);
    MEMORYSTATUS memory = {};
    memory.dwLength = sizeof memory;
    GlobalMemoryStatus(&memory);
    expect(Label("最大物理メモリ") + Format(" : %6dMB", int(memory.dwTotalPhys >> 20)));
    int available = -1;
    ASSERT_EQ(1, std::sscanf(lines[n].c_str() + 43, "%dMB", &available)) << lines[n];
    EXPECT_EQ(Label("空き物理メモリ") + Format(" : %6dMB", available), lines[n++]);
    EXPECT_LE(available, int(memory.dwTotalPhys >> 20));
    expect(Label("最大仮想メモリ") + Format(" : %6dMB", int(memory.dwTotalVirtual >> 20)));
    ASSERT_EQ(1, std::sscanf(lines[n].c_str() + 43, "%dMB", &available)) << lines[n];
    EXPECT_EQ(Label("空き仮想メモリ") + Format(" : %6dMB", available), lines[n++]);
    EXPECT_LE(available, int(memory.dwTotalVirtual >> 20));
    expect("");
    expect("----------Display----------");
    DISPLAY_DEVICEA device = {};
    device.cb = sizeof device;
    ASSERT_EQ(424u, sizeof device);
    if (EnumDisplayDevicesA(NULL, 0, &device, 0)) {
        expect(Label("デバイス種類") + " : " + device.DeviceName);
        expect(Label("デバイス名前") + " : " + device.DeviceString);
    }
    DWORD total = 0, free = 0;
    IDirectDraw7* dd = nullptr;
    ASSERT_EQ(DD_OK, DirectDrawCreateEx(nullptr, reinterpret_cast<void**>(&dd), IID_IDirectDraw7, nullptr));
    DDSCAPS2 caps2 = {};
    caps2.dwCaps = DDSCAPS_VIDEOMEMORY;
    ASSERT_EQ(DD_OK, dd->GetAvailableVidMem(&caps2, &total, &free));
    dd->Release();
    expect(Label("最大VRAM量") + Format(" : %6d MB", int(total >> 20)));
    ASSERT_EQ(1, std::sscanf(lines[n].c_str() + 43, "%d MB", &available)) << lines[n];
    EXPECT_EQ(Label("空きVRAM量") + Format(" : %6d MB", available), lines[n++]);
    EXPECT_LE(available, int(total >> 20));
    expect("");

    IDirect3D8* d3d = Direct3DCreate8(D3D_SDK_VERSION);
    ASSERT_NE(nullptr, d3d);
    D3DDISPLAYMODE mode = {};
    ASSERT_EQ(D3D_OK, d3d->GetAdapterDisplayMode(0, &mode));
    expect(Label("○現在の画面構成"));
    expect(Label("Width") + Format(" : %d", int(mode.Width)));
    expect(Label("Height") + Format(" : %d", int(mode.Height)));
    expect(Label("RefreshRate") + Format(" : %d", int(mode.RefreshRate)));
    ASSERT_NE(nullptr, FormatName(mode.Format)) << "a display of a named format";
    expect(Label("Format") + " : " + FormatName(mode.Format));
    expect("");
    expect("----------Display Device Caps----------");
    D3DCAPS8 caps = {};
    ASSERT_EQ(D3D_OK, d3d->GetDeviceCaps(0, D3DDEVTYPE_HAL, &caps));
    expect(Label("DeviceType") + " : HAL");
    for (const CapsField& field : kCapsFields) {
        const char* at = reinterpret_cast<const char*>(&caps) + field.offset;
        if (field.isFloat) {
            float value;
            std::memcpy(&value, at, 4);
            expect(Label(field.name) + Format(" : %f", double(value)));
        } else {
            DWORD value;
            std::memcpy(&value, at, 4);
            expect(Label(field.name) + Format(" : 0x%08X", unsigned(value)));
        }
    }
    expect("");
    expect("----------Display Format----------");
    const UINT modes = d3d->GetAdapterModeCount(0);
    EXPECT_GT(modes, 0u);
    for (UINT i = 0; i < modes; ++i) {
        if (FAILED(d3d->EnumAdapterModes(0, i, &mode)))
            continue;
        const char* format = FormatName(mode.Format);
        expect(Format("%5d×%5d : %3dHz : %s", int(mode.Width), int(mode.Height), int(mode.RefreshRate),
                      format ? format : "Unknown"));
    }
    EXPECT_EQ(lines.size(), n) << "lines after the mode list";
    d3d->Release();
}

TEST_F(SystemReportTest, LabelsAreRightAlignedInFortyByteColumns)
{
    const std::string text = GetFile(Folder() + "\\info.txt");
    std::vector<std::string> lines;
    ASSERT_TRUE(SplitLines(text, lines));
    size_t labelled = 0;
    for (size_t i = 0; i < lines.size() && lines[i] != "----------Display Format----------"; ++i) {
        const size_t colon = lines[i].find(" : ");
        if (colon == std::string::npos)
            continue;
        ++labelled;
        EXPECT_EQ(40u, colon) << "line " << i + 1 << ": " << lines[i];
        EXPECT_EQ(' ', lines[i][0]) << "line " << i + 1;
        EXPECT_NE(' ', lines[i][39]) << "line " << i + 1;
    }
    EXPECT_GE(labelled, 13u + 53u);
}

// A second window's Direct3D object writes its report into the current
// folder of that moment.
std::vector<std::string> MakeDirect3DIn(const std::string& folder)
{
    char previous[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, previous);
    SetCurrentDirectoryA(folder.c_str());
    TraceCapture trace;
    {
        WindowTestApp app(64, 48, "QuillD3DReportTest");
        EXPECT_TRUE(app.Start());
        bool made = false;
        app.Run([&] { made = CDirect3D8Manager::GetInstance().Initialize(CAppManager::GetHWnd()); });
        EXPECT_TRUE(made);
        app.Run([&] { CDirect3D8Manager::GetInstance().Finalize(app.GetHWnd()); });
    }
    SetCurrentDirectoryA(previous);
    return trace.Lines();
}

TEST(SystemReport, ReplacesAnEarlierLongerReport)
{
    CTempFolder folder("d3dreport");
    ASSERT_TRUE(PutFile(folder / "info.txt", std::string(200000, 'x')));
    EXPECT_EQ(std::vector<std::string>(), MakeDirect3DIn(folder.Path()));
    const std::string text = GetFile(folder / "info.txt");
    EXPECT_EQ(0u, text.find("■■■■■システム情報■■■■■\r\n"));
    EXPECT_EQ(std::string::npos, text.find("xxxx"));
    EXPECT_LT(text.size(), 200000u);
}

TEST(SystemReport, AReportThatCannotBeWrittenIsLeftOut)
{
    CTempFolder folder("d3dreport");
    ASSERT_TRUE(PutFile(folder / "info.txt", "kept"));
    // Held open without sharing by someone else.
    HANDLE held = CreateFileA((folder / "info.txt").c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    const std::vector<std::string> lines = MakeDirect3DIn(folder.Path());
    CloseHandle(held);
    EXPECT_EQ(1u, CountStartingWith(lines, "error：ファイルの作成に失敗しました。<info.txt>")) << ::testing::PrintToString(lines);
    EXPECT_EQ(1u, lines.size()) << "the device is made all the same";
    EXPECT_EQ("kept", GetFile(folder / "info.txt"));
}

HRESULT WINAPI RefuseCaps(IDirect3D8*, UINT, D3DDEVTYPE, D3DCAPS8*) { return D3DERR_NOTAVAILABLE; }

TEST(SystemReport, NoReportWithoutCapabilities)
{
    CTempFolder folder("d3dreport");
    IDirect3D8* probe = Direct3DCreate8(D3D_SDK_VERSION);
    ASSERT_NE(nullptr, probe);
    std::vector<std::string> lines;
    {
        VtableHook hook(probe, kSlotD3DGetDeviceCaps, reinterpret_cast<void*>(&RefuseCaps));
        ASSERT_TRUE(hook.IsInstalled());
        lines = MakeDirect3DIn(folder.Path());
    }
    probe->Release();
    EXPECT_EQ(1u, CountStartingWith(lines, "CD3DDeviceCaps::CD3DDeviceCaps() GetDeviceCaps()に失敗"
                                           "[APIReturnValue:D3DERR_NOTAVAILABLE]"))
        << ::testing::PrintToString(lines);
    EXPECT_FALSE(PathExists(folder / "info.txt"));
}

HRESULT WINAPI RefuseMode(IDirect3D8*, UINT, D3DDISPLAYMODE*) { return D3DERR_INVALIDCALL; }

TEST(SystemReport, AFailedDisplayModeLeavesItsLinesZero)
{
    CTempFolder folder("d3dreport");
    IDirect3D8* probe = Direct3DCreate8(D3D_SDK_VERSION);
    ASSERT_NE(nullptr, probe);
    std::vector<std::string> trace;
    {
        VtableHook hook(probe, kSlotD3DGetAdapterDisplayMode, reinterpret_cast<void*>(&RefuseMode));
        ASSERT_TRUE(hook.IsInstalled());
        trace = MakeDirect3DIn(folder.Path());
    }
    probe->Release();
    EXPECT_LE(1u, CountStartingWith(trace, "CDirect3D8::GetAdapterDisplayMode() GetAdapterDisplayMode()に失敗"
                                           "[APIReturnValue:D3DERR_INVALIDCALL]"));
    std::vector<std::string> lines;
    ASSERT_TRUE(SplitLines(GetFile(folder / "info.txt"), lines));
    size_t at = 0;
    while (at < lines.size() && lines[at] != Label("○現在の画面構成"))
        ++at;
    ASSERT_LT(at + 4, lines.size());
    EXPECT_EQ(Label("Width") + " : 0", lines[at + 1]);
    EXPECT_EQ(Label("Height") + " : 0", lines[at + 2]);
    EXPECT_EQ(Label("RefreshRate") + " : 0", lines[at + 3]);
    EXPECT_EQ(Label("Format") + " : 0(Unknown)", lines[at + 4]);
}

// The report's video memory is asked of the window's DirectDraw object when
// the window has one, and of an object made for the query otherwise.
std::vector<IDirectDraw7*> g_askedVidMem;
void* g_originalVidMem = nullptr;

HRESULT WINAPI RecordVidMem(IDirectDraw7* self, DDSCAPS2* caps, DWORD* total, DWORD* free)
{
    g_askedVidMem.push_back(self);
    return reinterpret_cast<HRESULT(WINAPI*)(IDirectDraw7*, DDSCAPS2*, DWORD*, DWORD*)>(g_originalVidMem)(
        self, caps, total, free);
}

TEST(SystemReport, VideoMemoryIsAskedOfTheWindowsDirectDrawObject)
{
    WindowTestApp app(64, 48, "QuillVideoMemoryTest");
    ASSERT_TRUE(app.Start());
    app.Run([] {
        const HWND hWnd = CAppManager::GetHWnd();
        CDirectDrawManager& manager = CDirectDrawManager::GetInstance();
        EXPECT_EQ(nullptr, GetAttachedDirectDraw(hWnd));
        IDirectDraw7* probe = nullptr;
        ASSERT_EQ(DD_OK, DirectDrawCreateEx(nullptr, reinterpret_cast<void**>(&probe), IID_IDirectDraw7, nullptr));
        {
            VtableHook hook(probe, 23, reinterpret_cast<void*>(&RecordVidMem));  // GetAvailableVidMem
            g_originalVidMem = hook.Original();
            g_askedVidMem.clear();
            DWORD total = 0, free = 0;
            EXPECT_TRUE(QueryVideoMemory(hWnd, total, free));
            ASSERT_EQ(1u, g_askedVidMem.size());
            EXPECT_NE(probe, g_askedVidMem[0]) << "an object of its own";

            ASSERT_TRUE(manager.Initialize(hWnd));
            IDirectDraw7* attached = manager.GetDirectDraw(hWnd)->GetInterface();
            EXPECT_EQ(attached, GetAttachedDirectDraw(hWnd));
            DWORD total2 = 0, free2 = 0;
            EXPECT_TRUE(QueryVideoMemory(hWnd, total2, free2));
            ASSERT_EQ(2u, g_askedVidMem.size());
            EXPECT_EQ(attached, g_askedVidMem[1]) << "the window's object";
            EXPECT_EQ(total, total2);
        }
        probe->Release();
        manager.Uninitialize(hWnd);
        EXPECT_EQ(nullptr, GetAttachedDirectDraw(hWnd));
    });
}

}  // namespace
