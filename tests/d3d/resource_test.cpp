// Resources on a real device under Wine: vertex buffers, shaders, surfaces
// and textures, their restoring after a device reset, and the list walks.
#include "D3DLayerTest.h"
#include "D3DSlots.h"

#include "d3d/D3DPixelShader.h"
#include "d3d/D3DResourceList.h"
#include "d3d/D3DSurface.h"
#include "d3d/D3DTexture.h"
#include "d3d/D3DVertexBuffer.h"
#include "d3d/D3DVertexShader.h"
#include "d3d/Direct3D8Manager.h"

#include "framework/AppManager.h"

#include "surface/AutoSurface.h"

#include "common/TraceCapture.h"
#include "common/VtableHook.h"
#include "common/TestThread.h"

#include <cstdio>
#include <cstring>
#include <memory>

namespace {

using D3DResourceTest = D3DLayerTest;

std::string Hex(uint32_t v)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", v);
    return text;
}

const DWORD kDeclaration[] = {D3DVSD_STREAM(0), D3DVSD_REG(0, D3DVSDT_FLOAT3), D3DVSD_REG(1, D3DVSDT_D3DCOLOR),
                              D3DVSD_END()};
const char kVertexShader[] = "vs.1.1\nmov oPos, v0\nmov oD0, v1\n";
const char kPixelShader[] = "ps.1.1\nmov r0, v0\n";

// --- vertex buffers ---------------------------------------------------------

int g_lockCalls = 0;
DWORD g_lockFlags = 0;
VtableHook* g_lockHook = nullptr;

HRESULT WINAPI CountingLock(IDirect3DVertexBuffer8* self, UINT offset, UINT size, BYTE** data, DWORD flags)
{
    ++g_lockCalls;
    g_lockFlags = flags;
    typedef HRESULT(WINAPI * Lock)(IDirect3DVertexBuffer8*, UINT, UINT, BYTE**, DWORD);
    return reinterpret_cast<Lock>(g_lockHook->Original())(self, offset, size, data, flags);
}

TEST_F(D3DResourceTest, VertexBufferLockedTwiceCallsTheDeviceOnce)
{
    OnWindow([] {
        CD3DVertexBuffer plain, dynamic;
        EXPECT_FALSE(plain.Lock()) << "no buffer yet";
        ASSERT_TRUE(plain.Create(3 * 16, D3DUSAGE_WRITEONLY, D3DFVF_XYZ | D3DFVF_DIFFUSE, D3DPOOL_MANAGED));
        ASSERT_TRUE(dynamic.Create(64, D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, D3DFVF_XYZ, D3DPOOL_DEFAULT));
        VtableHook hook(plain.GetBuffer(), kSlotVertexBufferLock, reinterpret_cast<void*>(&CountingLock));
        g_lockHook = &hook;
        g_lockCalls = 0;
        ASSERT_TRUE(plain.Lock());
        EXPECT_NE(nullptr, plain.GetPointer());
        EXPECT_EQ(0u, g_lockFlags);
        BYTE* first = plain.GetPointer();
        EXPECT_FALSE(plain.Lock()) << "locked already";
        EXPECT_EQ(first, plain.GetPointer());
        EXPECT_EQ(1, g_lockCalls) << "the second lock reached the device";
        plain.Unlock();
        EXPECT_FALSE(plain.IsLocked());
        plain.Unlock();  // not locked: nothing
        ASSERT_TRUE(dynamic.Lock());
        EXPECT_EQ(DWORD(D3DLOCK_DISCARD), g_lockFlags) << "a dynamic buffer discards";
        dynamic.Unlock();
        g_lockHook = nullptr;
    });
}

HRESULT WINAPI RefuseLock(IDirect3DVertexBuffer8*, UINT, UINT, BYTE**, DWORD) { return D3DERR_INVALIDCALL; }

TEST_F(D3DResourceTest, RefusedLocksAreReported)
{
    TraceCapture trace;
    OnWindow([] {
        CD3DVertexBuffer buffer;
        ASSERT_TRUE(buffer.Create(64, 0, D3DFVF_XYZ, D3DPOOL_MANAGED));
        {
            VtableHook hook(buffer.GetBuffer(), kSlotVertexBufferLock, reinterpret_cast<void*>(&RefuseLock));
            EXPECT_FALSE(buffer.Lock());
        }
        EXPECT_FALSE(buffer.IsLocked());
        // A depth surface cannot be locked.
        CD3DSurface depth;
        ASSERT_TRUE(depth.CreateDepthStencilSurface(8, 8, D3DFMT_D16));
        EXPECT_FALSE(depth.Lock());
        EXPECT_EQ(0u, depth.GetPixel(1, 1));
    });
    const std::vector<std::string> lines = trace.Lines();
    ASSERT_LE(2u, lines.size());
    // The raw result as a signed number, after a full-width colon.
    EXPECT_EQ("CD3DVertexBuffer::Lock() Lock()に失敗[APIReturnValue：-2005530516]", lines[0]);
    EXPECT_EQ("CD3DSurface::Lock() LockRect()に失敗[APIReturnValue:D3DERR_INVALIDCALL]", lines[1]);
}

TEST_F(D3DResourceTest, VertexBufferReleaseUnbindsItFromTheStream)
{
    OnWindow([] {
        CD3DVertexBuffer buffer;
        ASSERT_TRUE(buffer.Create(64, 0, D3DFVF_XYZ, D3DPOOL_MANAGED));
        ASSERT_TRUE(Device()->SetVertexBuffer(buffer.GetBuffer(), 12));
        ASSERT_TRUE(buffer.Lock());
        buffer.Release();
        EXPECT_EQ(nullptr, buffer.GetBuffer());
        EXPECT_FALSE(buffer.IsLocked());
        EXPECT_EQ(0u, buffer.GetLength());
        EXPECT_EQ(nullptr, Device()->GetBoundVertexBuffer());
        IDirect3DVertexBuffer8* stream = reinterpret_cast<IDirect3DVertexBuffer8*>(1);
        UINT stride = 0;
        Raw()->GetStreamSource(0, &stream, &stride);
        EXPECT_EQ(nullptr, stream);
    });
}

// --- shaders ------------------------------------------------------------------

TEST_F(D3DResourceTest, VertexShaderKeepsItsDeclarationAndSource)
{
    TraceCapture trace;
    OnWindow([] {
        CD3DVertexShader shader;
        ASSERT_TRUE(shader.CreateShader(kDeclaration, kVertexShader, sizeof kVertexShader - 1));
        EXPECT_NE(0u, shader.GetHandle());
        EXPECT_EQ(4u, shader.GetDeclarationCount()) << "three tokens and the end token";
        EXPECT_EQ(std::vector<DWORD>(kDeclaration, kDeclaration + 4), shader.GetDeclaration());
        EXPECT_EQ(kVertexShader, shader.GetSource());
        // A def in the text: its constant goes into the declaration, the
        // copy keeps the declaration as given.
        const char withDef[] = "vs.1.1\ndef c20, 0, 0, 1, 1\nmov oPos, v0\nmov oD0, c20\n";
        ASSERT_TRUE(shader.CreateShader(kDeclaration, withDef, sizeof withDef - 1));
        EXPECT_EQ(4u, shader.GetDeclarationCount());
        DWORD size = 0;
        ASSERT_EQ(D3D_OK, Raw()->GetVertexShaderDeclaration(shader.GetHandle(), nullptr, &size));
        EXPECT_EQ((4u + 5u) * 4u, size) << "the def's constant token and its four floats";
        // The current shader is unset before it is deleted.
        ASSERT_TRUE(Device()->SetVertexShader(shader.GetHandle()));
        const DWORD old = shader.GetHandle();
        ASSERT_TRUE(shader.CreateShader(kDeclaration, kVertexShader, sizeof kVertexShader - 1));
        DWORD current = 1;
        Raw()->GetVertexShader(&current);
        EXPECT_NE(old, current);
        shader.Release();
        EXPECT_EQ(0u, shader.GetHandle());
        EXPECT_EQ(0u, shader.GetDeclarationCount());
    });
    EXPECT_EQ(std::vector<std::string>(), trace.Lines());
}

TEST_F(D3DResourceTest, BadShaderTextIsReportedWithTheAssemblersResult)
{
    TraceCapture trace;
    OnWindow([] {
        CD3DVertexShader vs;
        CD3DPixelShader ps;
        const char bad[] = "vs.1.1\nmov oPos, q0\n";
        EXPECT_FALSE(vs.CreateShader(kDeclaration, bad, sizeof bad - 1));
        EXPECT_EQ(0u, vs.GetHandle());
        const char badPixel[] = "ps.1.4\nphase\nphase\n";
        EXPECT_FALSE(ps.CreateShader(badPixel, sizeof badPixel - 1));
        EXPECT_FALSE(ps.CreateShader(nullptr, 5));
        const DWORD noEnd[] = {D3DVSD_STREAM(0), D3DVSD_CONST(0, 2), 0, 0, 0, 0, 0, 0, 0, 0xFFFFFFFF,
                               D3DVSD_END()};
        EXPECT_TRUE(vs.CreateShader(noEnd, kVertexShader, sizeof kVertexShader - 1))
            << "constant data that look like the end token";
        EXPECT_EQ(11u, vs.GetDeclarationCount());
    });
    const std::vector<std::string> expected = {
        "CD3DVertexShader::CreateShader() D3DXAssembleShader()に失敗[APIReturnValue:D3DXERR_INVALIDDATA]",
        "CD3DPixelShader::CreateShader() D3DXAssembleShader()に失敗[APIReturnValue:D3DXERR_INVALIDDATA]",
    };
    EXPECT_EQ(expected, trace.Lines());
}

// --- surfaces -------------------------------------------------------------------

struct FormatCase {
    D3DFORMAT format;
    D3DCOLOR written;
    D3DCOLOR read;  // by the read rules
};

TEST_F(D3DResourceTest, SurfacePixelsInEveryFormatTheDeviceOffers)
{
    const FormatCase cases[] = {
        {D3DFMT_R8G8B8, 0x80123456, 0xFF123456},   {D3DFMT_A8R8G8B8, 0x80123456, 0x80123456},
        {D3DFMT_X8R8G8B8, 0x80123456, 0xFF123456}, {D3DFMT_R5G6B5, 0x80123456, 0xFF103450},
        {D3DFMT_X1R5G5B5, 0x80123456, 0xFF103050}, {D3DFMT_A1R5G5B5, 0x80123456, 0xFF103050},
        {D3DFMT_A4R4G4B4, 0x80123456, 0x8F103050}, {D3DFMT_R3G3B2, 0x80123456, 0xFF002040},
        {D3DFMT_A8R3G3B2, 0x80123456, 0x80002040}, {D3DFMT_X4R4G4B4, 0x80123456, 0xFF103050},
    };
    int tried = 0;
    std::string refused;
    OnWindow([&] {
        for (const FormatCase& c : cases) {
            CD3DSurface surface;
            {
                TraceCapture quiet;
                if (!surface.CreateImageSurface(8, 4, c.format)) {
                    refused += Hex(c.format) + " ";
                    continue;
                }
            }
            ++tried;
            const D3DFORMAT format = surface.GetFormat();
            if (format != c.format)
                continue;  // the 32-bit fallback; tested below
            UINT w = 0, h = 0;
            surface.GetSize(w, h);
            EXPECT_EQ(8u, w);
            EXPECT_EQ(4u, h);
            surface.Fill(0);
            surface.Fill(c.written, 2, 1, 5, 3);
            EXPECT_EQ(Hex(c.read), Hex(surface.GetPixel(2, 1))) << "format " << c.format;
            EXPECT_EQ(Hex(c.read), Hex(surface.GetPixel(4, 2))) << "format " << c.format;
            EXPECT_NE(Hex(c.read), Hex(surface.GetPixel(5, 2))) << "right edge excluded, format " << c.format;
            EXPECT_NE(Hex(c.read), Hex(surface.GetPixel(2, 0))) << "format " << c.format;
            EXPECT_EQ(0u, surface.GetPixel(8, 0)) << "outside";
            EXPECT_EQ(0u, surface.GetPixel(-1, 0)) << "outside";
            // Locked by the caller: reading keeps the lock.
            ASSERT_TRUE(surface.Lock());
            ASSERT_TRUE(surface.Lock()) << "locked already is fine";
            EXPECT_EQ(Hex(c.read), Hex(surface.GetPixel(3, 2)));
            EXPECT_TRUE(surface.IsLocked());
            surface.Unlock();
            EXPECT_FALSE(surface.IsLocked());
            EXPECT_EQ(0, surface.GetPitch());
        }
    });
    RecordProperty("refused", refused);
    EXPECT_GE(tried, 4) << "formats refused: " << refused;
}

HRESULT WINAPI Refuse32BitImages(IDirect3DDevice8* self, UINT w, UINT h, D3DFORMAT format, IDirect3DSurface8** out);
VtableHook* g_imageHook = nullptr;

HRESULT WINAPI Refuse32BitImages(IDirect3DDevice8* self, UINT w, UINT h, D3DFORMAT format, IDirect3DSurface8** out)
{
    if (format == D3DFMT_X8R8G8B8 || format == D3DFMT_A8R8G8B8) {
        *out = nullptr;
        return D3DERR_INVALIDCALL;
    }
    typedef HRESULT(WINAPI * Create)(IDirect3DDevice8*, UINT, UINT, D3DFORMAT, IDirect3DSurface8**);
    return reinterpret_cast<Create>(g_imageHook->Original())(self, w, h, format, out);
}

TEST_F(D3DResourceTest, RefusedThirtyTwoBitSurfaceBecomesA4R4G4B4)
{
    TraceCapture trace;
    OnWindow([] {
        VtableHook hook(Raw(), kSlotDeviceCreateImageSurface, reinterpret_cast<void*>(&Refuse32BitImages));
        g_imageHook = &hook;
        CD3DSurface surface, other;
        ASSERT_TRUE(surface.CreateImageSurface(4, 4, D3DFMT_X8R8G8B8));
        EXPECT_EQ(D3DFMT_A4R4G4B4, surface.GetFormat());
        surface.Fill(0xFFFFFFFF);
        EXPECT_EQ(0xFFF0F0F0u, surface.GetPixel(3, 3));
        EXPECT_FALSE(other.CreateImageSurface(4, 4, D3DFMT_UNKNOWN)) << "no fallback for other formats";
        g_imageHook = nullptr;
    });
    const std::vector<std::string> lines = trace.Lines();
    ASSERT_LE(1u, lines.size());
    EXPECT_EQ("CD3DDevice::CreateSurface() CreateImageSurface()に失敗[APIReturnValue:D3DERR_INVALIDCALL]", lines[0]);
}

TEST_F(D3DResourceTest, SurfaceCopiesFromFrameworkSurfacesTopRowFirst)
{
    OnWindow([] {
        CD3DSurface target;
        ASSERT_TRUE(target.CreateImageSurface(4, 3, D3DFMT_A8R8G8B8));
        for (int format : {15, 16, 24, 32}) {
            CAutoSurface source;
            source.SetDirectDrawEnable(false);
            source.SetAutoRestore(false);
            ASSERT_TRUE(source.Create(4, 3, format, false)) << format;
            source.Fill(RGB(0, 0, 255));
            for (int x = 0; x < 4; ++x)
                source.SetPixel(x, 0, 0xFF0000);  // the top row red
            target.Fill(0);
            ASSERT_TRUE(target.CopyFromSurface(&source)) << format;
            EXPECT_EQ(Hex(0xFFF80000), Hex(target.GetPixel(0, 0) & 0xFFF8F8F8)) << "top left, format " << format;
            EXPECT_EQ(Hex(0xFF0000F8), Hex(target.GetPixel(3, 2) & 0xFFF8F8F8)) << "bottom right, format "
                                                                                << format;
            // The alpha plane as the alpha channel.
            source.FillAlpha(0x40);
            source.SetAlpha(1, 2, 0xC0);
            ASSERT_TRUE(target.CopyFromSurface(&source, true));
            EXPECT_EQ(0x40u, target.GetPixel(0, 0) >> 24);
            EXPECT_EQ(0xC0u, target.GetPixel(1, 2) >> 24);
            ASSERT_TRUE(target.CopyFromSurface(&source, false));
            EXPECT_EQ(0xFFu, target.GetPixel(1, 2) >> 24);
        }
        CAutoSurface none;
        EXPECT_FALSE(target.CopyFromSurface(&none)) << "nothing to copy";
        EXPECT_FALSE(target.CopyFromSurface(nullptr));
    });
}

// --- restoring after a reset ------------------------------------------------------

TEST_F(D3DResourceTest, RestoreDeviceMakesEveryResourceAgainWithItsParameters)
{
    s_app->Activate();
    TraceCapture trace;
    OnWindow([] {
        CD3DVertexBuffer buffer;
        CD3DVertexShader vs;
        CD3DPixelShader ps;
        CD3DSurface image, depth, back;
        CD3DTexture texture;
        ASSERT_TRUE(buffer.Create(96, D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, D3DFVF_XYZ | D3DFVF_DIFFUSE,
                                  D3DPOOL_DEFAULT));
        ASSERT_TRUE(vs.CreateShader(kDeclaration, kVertexShader, sizeof kVertexShader - 1));
        ASSERT_TRUE(ps.CreateShader(kPixelShader, sizeof kPixelShader - 1));
        ASSERT_TRUE(image.CreateImageSurface(16, 8, D3DFMT_R5G6B5));
        ASSERT_TRUE(depth.CreateDepthStencilSurface(32, 32, D3DFMT_D16));
        ASSERT_TRUE(back.Attach(Device()->GetBackBuffer()));
        const std::vector<uint8_t> file = MakeBitmapFile(2, 2, {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF});
        ASSERT_TRUE(texture.Create(file.data(), UINT(file.size()), 0, 0, 1, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, false,
                                   0));
        ASSERT_TRUE(Device()->SetVertexBuffer(buffer.GetBuffer(), 16));
        ASSERT_TRUE(Device()->SetTexture(0, texture.GetTexture()));
        IDirect3DVertexBuffer8* oldBuffer = buffer.GetBuffer();

        // Default-pool objects (the buffer, the depth surface, the back
        // buffer, the texture) would make the reset fail were they kept.
        ASSERT_TRUE(Device()->RestoreDevice());
        EXPECT_NE(nullptr, buffer.GetBuffer());
        EXPECT_EQ(96u, buffer.GetLength());
        EXPECT_EQ(DWORD(D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY), buffer.GetUsage());
        EXPECT_EQ(DWORD(D3DFVF_XYZ | D3DFVF_DIFFUSE), buffer.GetFVF());
        EXPECT_EQ(D3DPOOL_DEFAULT, buffer.GetPool());
        D3DVERTEXBUFFER_DESC bufferDesc = {};
        buffer.GetBuffer()->GetDesc(&bufferDesc);
        EXPECT_EQ(96u, bufferDesc.Size);
        (void)oldBuffer;
        EXPECT_NE(0u, vs.GetHandle());
        EXPECT_EQ(4u, vs.GetDeclarationCount());
        EXPECT_EQ(kVertexShader, vs.GetSource());
        EXPECT_FALSE(vs.IsSaved());
        EXPECT_NE(0u, ps.GetHandle());
        EXPECT_EQ(kPixelShader, ps.GetSource());
        UINT w = 0, h = 0;
        image.GetSize(w, h);
        EXPECT_EQ(16u, w);
        EXPECT_EQ(8u, h);
        EXPECT_EQ(D3DFMT_R5G6B5, image.GetFormat());
        EXPECT_EQ(D3DFMT_D16, depth.GetFormat());
        EXPECT_FALSE(back.IsCreated()) << "a taken-over surface is released only";
        ASSERT_NE(nullptr, texture.GetTexture());
        EXPECT_EQ(2u, texture.GetInfo().Width);
        // Nothing is bound after a reset; the device works on.
        EXPECT_EQ(nullptr, Device()->GetBoundVertexBuffer());
        EXPECT_EQ(nullptr, Device()->GetBoundTexture(0));
        EXPECT_TRUE(Device()->DefaultRenderTargetAndZBuffer()) << "the defaults are the new device's";
        EXPECT_TRUE(Device()->ClearTarget(0xFF102030));
        EXPECT_TRUE(buffer.Lock());
        buffer.Unlock();
    });
    EXPECT_EQ(std::vector<std::string>(), trace.Lines());
}

TEST_F(D3DResourceTest, FailedResetDropsTheDeviceAndTheNextRestoreMakesANewOne)
{
    s_app->Activate();
    TraceCapture trace;
    OnWindow([] {
        CD3DDevice* d = Device();
        ASSERT_TRUE(d->ResetDevice(kWidth, kHeight, 0));
        EXPECT_EQ(kWidth, d->GetWidth());
        CD3DVertexShader vs;
        CD3DSurface image;
        ASSERT_TRUE(vs.CreateShader(kDeclaration, kVertexShader, sizeof kVertexShader - 1));
        ASSERT_TRUE(image.CreateImageSurface(8, 8, D3DFMT_A8R8G8B8));
        // A depth surface held outside the resources blocks the reset.
        IDirect3DSurface8* held = d->CreateStencilSurface(16, 16, D3DFMT_D16);
        ASSERT_NE(nullptr, held);
        EXPECT_FALSE(d->RestoreDevice());
        EXPECT_EQ(nullptr, d->GetDevice()) << "a failed reset drops the device";
        EXPECT_EQ(0, d->GetWidth());
        EXPECT_EQ(0u, vs.GetHandle());
        EXPECT_TRUE(vs.IsSaved());
        EXPECT_FALSE(image.IsCreated());
        EXPECT_FALSE(d->ClearTarget(0)) << "no device: quietly false";
        held->Release();
        // The next restore makes a device with the size asked for before.
        ASSERT_TRUE(d->RestoreDevice());
        EXPECT_NE(nullptr, d->GetDevice());
        EXPECT_EQ(kWidth, d->GetWidth());
        EXPECT_EQ(kHeight, d->GetHeight());
        EXPECT_NE(0u, vs.GetHandle());
        EXPECT_TRUE(image.IsCreated());
        EXPECT_EQ(D3DFMT_A8R8G8B8, image.GetFormat());
    });
    const std::vector<std::string> lines = trace.Lines();
    ASSERT_EQ(1u, lines.size()) << ::testing::PrintToString(lines);
    EXPECT_EQ(0u, lines[0].find("CD3DDevice::ResetDevice() Reset()に失敗[APIReturnValue:D3DERR_")) << lines[0];
}

// --- the resource list ----------------------------------------------------------

// A resource that records its calls and may act on others from inside them.
class ProbeResource : public CD3DResource {
public:
    explicit ProbeResource(std::vector<std::string>* log, const char* name) : m_Log(log), m_Name(name) {}
    void OnLost() override { Note("lost"); if (onLost) onLost(); }
    void OnRestore() override { Note("restore"); }
    void Release() override { Note("release"); }
    std::function<void()> onLost;

private:
    void Note(const char* what)
    {
        m_Log->push_back(std::string(m_Name) + " " + what + (CD3DResourceList::GetInstance().IsBusy() ? "" : "!"));
    }
    std::vector<std::string>* m_Log;
    const char* m_Name;
};

TEST_F(D3DResourceTest, ListWalksVisitTheWindowsResourcesOnly)
{
    std::vector<std::string> log;
    std::unique_ptr<ProbeResource> elsewhere(new ProbeResource(&log, "elsewhere"));  // this thread has no window
    CD3DResourceList& list = CD3DResourceList::GetInstance();
    EXPECT_TRUE(list.IsListed(elsewhere.get()));
    EXPECT_EQ(nullptr, elsewhere->GetHWnd());
    OnWindow([&] {
        ProbeResource a(&log, "a"), b(&log, "b");
        EXPECT_EQ(Window(), a.GetHWnd());
        const size_t count = list.GetCount(Window());
        list.ReleaseAll(Window());
        list.RestoreAll(Window());
        list.DestroyAll(Window());
        EXPECT_EQ(count, list.GetCount(Window()));
        list.Add(&a, Window());
        EXPECT_EQ(count, list.GetCount(Window())) << "listed once";
    });
    const std::vector<std::string> expected = {"a lost", "b lost", "a restore", "b restore", "a release",
                                               "b release"};
    EXPECT_EQ(expected, log);
    elsewhere.reset();
    EXPECT_EQ(0u, list.GetCount(nullptr));
}

TEST_F(D3DResourceTest, ResourcesMadeOrDestroyedDuringAWalk)
{
    std::vector<std::string> log;
    OnWindow([&] {
        CD3DResourceList& list = CD3DResourceList::GetInstance();
        const size_t before = list.GetCount(Window());
        std::unique_ptr<ProbeResource> a(new ProbeResource(&log, "a"));
        std::unique_ptr<ProbeResource> b(new ProbeResource(&log, "b"));
        std::unique_ptr<ProbeResource> c(new ProbeResource(&log, "c"));
        std::unique_ptr<ProbeResource> made;
        // a's visit destroys b (listed after it) and makes a new resource.
        a->onLost = [&] {
            b.reset();
            made.reset(new ProbeResource(&log, "made"));
            EXPECT_FALSE(list.GetCount(Window()) == before + 4) << "not listed during the walk";
        };
        list.ReleaseAll(Window());
        EXPECT_EQ((std::vector<std::string>{"a lost", "c lost"}), log) << "b is gone, made waits";
        EXPECT_TRUE(list.IsListed(made.get())) << "listed after the walk";
        EXPECT_EQ(before + 3, list.GetCount(Window()));
        a->onLost = nullptr;
        log.clear();
        list.ReleaseAll(Window());
        EXPECT_EQ((std::vector<std::string>{"a lost", "c lost", "made lost"}), log);
        a.reset();
        c.reset();
        made.reset();
        EXPECT_EQ(before, list.GetCount(Window()));
    });
}

// A resource that, while the list walks, lets another window's Direct3D
// object go and then looks up its own device.
class SlowLookup : public CD3DResource {
public:
    explicit SlowLookup(HANDLE walking) : m_Walking(walking) {}
    void OnLost() override
    {
        SetEvent(m_Walking);
        Sleep(300);
        found = GetDevice();
    }
    void OnRestore() override {}
    void Release() override {}
    CD3DDevice* found = nullptr;

private:
    HANDLE m_Walking;
};

TEST_F(D3DResourceTest, AnotherWindowsDirect3DGoesWhileThisWindowRestores)
{
    // Window B's object is deleted on B's thread while A's resources are
    // walked on A's: the deletion waits for the walk, the walk's device
    // lookup must not wait for the deletion.
    WindowTestApp other(64, 64, "QuillD3DOtherWindow");
    ASSERT_TRUE(other.Start());
    other.Run([] { ASSERT_TRUE(CDirect3D8Manager::GetInstance().Initialize(CAppManager::GetHWnd())); });
    s_app->Activate();  // a reset needs the window active
    HANDLE walking = CreateEventA(NULL, TRUE, FALSE, NULL);
    std::unique_ptr<SlowLookup> probe;
    OnWindow([&] { probe.reset(new SlowLookup(walking)); });
    TestThread finalizer([&] {
        WaitForSingleObject(walking, 30000);
        other.Run([] { CDirect3D8Manager::GetInstance().Finalize(CAppManager::GetHWnd()); });
    });
    bool restored = false;
    OnWindow([&] { restored = Device()->RestoreDevice(); });
    finalizer.Join();
    EXPECT_TRUE(restored);
    EXPECT_EQ(Device(), probe->found);
    EXPECT_EQ(nullptr, CDirect3D8Manager::GetInstance().GetDirect3D(other.GetHWnd()));
    OnWindow([&] { probe.reset(); });
    CloseHandle(walking);
}

// --- textures -------------------------------------------------------------------

TEST_F(D3DResourceTest, TextureFromABitmapInMemory)
{
    const std::vector<uint8_t> file = MakeBitmapFile(3, 2, {0xFF0000, 0x00FF00, 0x0000FF, 0x112233, 0, 0xFFFFFF});
    EXPECT_EQ(nullptr, CD3DTexture::CreateTexture(file.data(), UINT(file.size()), 0, 0, 1, D3DFMT_UNKNOWN,
                                                  D3DPOOL_MANAGED, false, 0, nullptr))
        << "no device on this thread";
    TraceCapture trace;
    OnWindow([&] {
        D3DXIMAGE_INFO info;
        std::memset(&info, 0xCC, sizeof info);
        IDirect3DTexture8* texture = CD3DTexture::CreateTexture(file.data(), UINT(file.size()), 4, 4, 1,
                                                                D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, false, 0, &info);
        ASSERT_NE(nullptr, texture);
        EXPECT_EQ(3u, info.Width);
        EXPECT_EQ(2u, info.Height);
        EXPECT_EQ(D3DXIFF_BMP, info.ImageFileFormat);
        D3DSURFACE_DESC desc = {};
        texture->GetLevelDesc(0, &desc);
        EXPECT_EQ(4u, desc.Width);
        EXPECT_EQ(D3DFMT_A8R8G8B8, desc.Format);
        texture->Release();
        texture = CD3DTexture::CreateTexture(file.data(), UINT(file.size()), 0, 0, 1, D3DFMT_X8R8G8B8,
                                             D3DPOOL_DEFAULT, true, 0, nullptr);
        ASSERT_NE(nullptr, texture);
        texture->GetLevelDesc(0, &desc);
        EXPECT_EQ(DWORD(D3DUSAGE_RENDERTARGET), desc.Usage);
        texture->Release();
        const char junk[] = "not a picture";
        EXPECT_EQ(nullptr, CD3DTexture::CreateTexture(junk, sizeof junk, 0, 0, 1, D3DFMT_UNKNOWN, D3DPOOL_MANAGED,
                                                      false, 0, nullptr));
    });
    const std::vector<std::string> expected = {
        "CD3DTexture::CreateTexture() D3DXCreateTextureFromFileInMemoryEx()に失敗[APIReturnValue:D3DXERR_INVALIDDATA]"};
    EXPECT_EQ(expected, trace.Lines());
}

TEST_F(D3DResourceTest, TheDevicesEndReleasesTheWindowsResources)
{
    WindowTestApp app(64, 64, "QuillD3DResourceEndTest");
    ASSERT_TRUE(app.Start());
    std::unique_ptr<CD3DVertexBuffer> buffer;
    std::unique_ptr<CD3DPixelShader> shader;
    app.Run([&] {
        ASSERT_TRUE(CDirect3D8Manager::GetInstance().Initialize(CAppManager::GetHWnd()));
        buffer.reset(new CD3DVertexBuffer);
        shader.reset(new CD3DPixelShader);
        ASSERT_TRUE(buffer->Create(64, 0, D3DFVF_XYZ, D3DPOOL_MANAGED));
        ASSERT_TRUE(shader->CreateShader(kPixelShader, sizeof kPixelShader - 1));
        CDirect3D8Manager::GetInstance().Finalize(CAppManager::GetHWnd());
    });
    EXPECT_EQ(nullptr, buffer->GetBuffer());
    EXPECT_EQ(0u, shader->GetHandle());
    EXPECT_TRUE(CD3DResourceList::GetInstance().IsListed(buffer.get())) << "the objects remain";
    EXPECT_FALSE(buffer->Create(64, 0, D3DFVF_XYZ, D3DPOOL_MANAGED)) << "no device any more";
    app.Run([&] {
        buffer.reset();
        shader.reset();
    });
    EXPECT_EQ(0u, CD3DResourceList::GetInstance().GetCount(app.GetHWnd()));
}

TEST_F(D3DResourceTest, ResourcesWithoutADeviceAreInert)
{
    TraceCapture trace;
    CD3DVertexBuffer buffer;  // made off the window thread: no window, no device
    CD3DVertexShader vs;
    CD3DPixelShader ps;
    CD3DSurface surface;
    CD3DTexture texture;
    EXPECT_FALSE(buffer.Create(64, 0, D3DFVF_XYZ, D3DPOOL_MANAGED));
    EXPECT_FALSE(vs.CreateShader(kDeclaration, kVertexShader, sizeof kVertexShader - 1));
    EXPECT_FALSE(ps.CreateShader(kPixelShader, sizeof kPixelShader - 1));
    EXPECT_FALSE(surface.CreateImageSurface(4, 4, D3DFMT_A8R8G8B8));
    EXPECT_FALSE(surface.Attach(nullptr));
    EXPECT_FALSE(surface.Lock());
    EXPECT_EQ(0u, surface.GetPixel(0, 0));
    surface.Fill(0xFFFFFFFF);
    const std::vector<uint8_t> file = MakeBitmapFile(1, 1, {0});
    EXPECT_FALSE(texture.Create(file.data(), UINT(file.size()), 0, 0, 1, D3DFMT_UNKNOWN, D3DPOOL_MANAGED, false, 0));
    buffer.OnLost();
    buffer.OnRestore();
    EXPECT_EQ(std::vector<std::string>(), trace.Lines());
}

}  // namespace
