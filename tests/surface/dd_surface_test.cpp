// Surfaces on DirectDraw under Wine, on a window whose thread holds its
// DirectDraw object: creation in every format with its blit modes, the
// colour key kept as given, fills, loading and saving against memory
// surfaces, lock and device context, DirectDraw blits with the source's key,
// restore, the end of the DirectDraw object, and the surface handle's choice
// of a DirectDraw surface.
#include "common/DirectDrawTest.h"
#include "common/TraceCapture.h"
#include "common/VtableHook.h"
#include "framework/AppManager.h"
#include "framework/DirectDraw.h"
#include "framework/DirectDrawManager.h"
#include "surface/AutoSurface.h"
#include "surface/DDSurface.h"
#include "surface/DIBSurface.h"
#include "surface/MemorySurface.h"
#include "surface/ScreenFormat.h"
#include "surface/SurfaceLock.h"
#include "surface/SurfaceRegistry.h"

#include "SurfaceFiles.h"

#include <cstring>
#include <memory>

using namespace surface_test;

namespace {

using DDSurfaceTest = DirectDrawTest;

std::string Joined(const std::vector<std::string>& lines)
{
    std::string all;
    for (const std::string& line : lines)
        all += "\n  " + line;
    return all.empty() ? "\n  (nothing)" : all;
}

// The first row of the two surfaces that differs in its pixels (padding
// left out), or -1 when all agree; both surfaces of one size and format.
int FirstDifferentRow(CSurface& a, CSurface& b)
{
    CSurfaceLock la(&a), lb(&b);
    if (!la.IsLocked() || !lb.IsLocked() || a.GetBits() == nullptr || b.GetBits() == nullptr)
        return -2;
    int width, height;
    a.GetSize(width, height);
    const size_t used = size_t(width) * size_t(BytesPerPixel(a.GetBitCount()));
    for (int y = 0; y < height; ++y)
        if (std::memcmp(a.GetBits() + y * a.GetPitch(), b.GetBits() + y * b.GetPitch(), used) != 0)
            return y;
    return -1;
}

TEST_F(DDSurfaceTest, CreateInEveryFormatWithItsBlitModes)
{
    OnWindow([] {
        for (int format : {15, 16, 24, 32, 0}) {
            SCOPED_TRACE("format " + std::to_string(format));
            const int expected = format == 0 ? GetScreenBitCount() : format;
            const int f = FormatIndex(expected);
            CDDSurface s(DirectDraw());
            EXPECT_EQ(-1, s.GetBlitMode());
            EXPECT_EQ(nullptr, s.GetDDSurface());
            ASSERT_TRUE(s.Create(9, 5, format, false));
            EXPECT_TRUE(s.IsCreated());
            EXPECT_EQ(expected, s.GetBitCount());
            EXPECT_EQ(9, s.GetSize().cx);
            EXPECT_EQ(5, s.GetSize().cy);
            EXPECT_EQ(0x00FF00u, s.GetColorKey()) << "green";
            ASSERT_NE(nullptr, s.GetDDSurface());
            EXPECT_TRUE(s.GetDDSurface()->IsSystemMemory()) << "always in system memory";
            EXPECT_EQ(32 + 4 * f, s.GetBlitMode());
            s.SetColorKeyEnable(true);
            EXPECT_EQ(32 + 4 * f + 1, s.GetBlitMode());
            EXPECT_FALSE(s.HasAlphaChannel());
            s.SetAlphaEnable(true);
            EXPECT_EQ(32 + 4 * f + 2, s.GetBlitMode()) << "alpha wins over the key";
            ASSERT_TRUE(s.HasAlphaChannel());
            EXPECT_EQ(12, s.GetAlphaPitch()) << "the width rounded up to 4";
            EXPECT_EQ(255, s.GetAlpha(8, 4));
            s.SetAlphaEnable(false);
            EXPECT_TRUE(s.HasAlphaChannel()) << "the plane stays";
            EXPECT_EQ(32 + 4 * f + 1, s.GetBlitMode());
            EXPECT_EQ(nullptr, s.GetBitmap());
            EXPECT_EQ(nullptr, s.GetBits()) << "only while locked";
            {
                CSurfaceLock lock(&s);
                ASSERT_TRUE(lock.IsLocked());
                EXPECT_NE(nullptr, s.GetBits());
                EXPECT_GE(s.GetPitch(), 9 * BytesPerPixel(expected));
            }
            EXPECT_TRUE(CSurfaceRegistry::GetInstance().IsRegistered(&s));
            EXPECT_EQ(Window(), s.GetHWnd()) << "the window of the thread";
            s.Release();
            EXPECT_FALSE(s.IsCreated());
            EXPECT_EQ(-1, s.GetBlitMode());
            EXPECT_EQ(0u, s.GetColorKey());
            EXPECT_FALSE(s.HasAlphaChannel());
            EXPECT_FALSE(s.IsColorKeyEnable());
            EXPECT_FALSE(CSurfaceRegistry::GetInstance().IsRegistered(&s));
            EXPECT_EQ(nullptr, s.GetDDSurface());
        }
        CDDSurface quiet(DirectDraw());
        quiet.SetAutoRestore(false);
        ASSERT_TRUE(quiet.Create(4, 4, 16, false));
        EXPECT_FALSE(CSurfaceRegistry::GetInstance().IsRegistered(&quiet)) << "auto-restore off";
        for (int bad : {8, 17}) {
            EXPECT_FALSE(quiet.Create(4, 4, bad, false)) << bad;
            EXPECT_FALSE(quiet.IsCreated());
            EXPECT_EQ(-1, quiet.GetBlitMode());
        }
        EXPECT_FALSE(quiet.Create(0, 4, 16, false));
        EXPECT_FALSE(quiet.Create(4, -1, 16, false));
    });
}

TEST_F(DDSurfaceTest, ColourKeyIsKeptAsGivenAndHandedToDirectDrawInThePixelFormat)
{
    OnWindow([] {
        const struct {
            int format;
            DWORD green, red;  // DirectDraw's key for the default and for 0x0000FF
        } cases[] = {{15, 0x03E0, 0x001F}, {16, 0x07E0, 0x001F}, {24, 0x00FF00, 0x0000FF}, {32, 0x00FF00, 0x0000FF}};
        for (const auto& c : cases) {
            CDDSurface s(DirectDraw());
            ASSERT_TRUE(s.Create(4, 4, c.format, false));
            DDCOLORKEY key = {};
            ASSERT_EQ(DD_OK, s.GetDDSurface()->GetSurface()->GetColorKey(DDCKEY_SRCBLT, &key));
            EXPECT_EQ(c.green, key.dwColorSpaceLowValue) << "default key, format " << c.format;
            s.SetColorKey(0x0000FF);
            EXPECT_EQ(0x0000FFu, s.GetColorKey()) << "no red/blue swap (a memory surface says 0xFF0000)";
            ASSERT_EQ(DD_OK, s.GetDDSurface()->GetSurface()->GetColorKey(DDCKEY_SRCBLT, &key));
            EXPECT_EQ(c.red, key.dwColorSpaceLowValue) << "format " << c.format;
        }
        CDDSurface empty(DirectDraw());
        empty.SetColorKey(0x123456);
        EXPECT_EQ(0x123456u, empty.GetColorKey());
    });
}

// Every byte of the locked surface, padding included.
std::vector<uint8_t> AllBytes(CSurface& s)
{
    CSurfaceLock lock(&s);
    return std::vector<uint8_t>(s.GetBits(), s.GetBits() + size_t(s.GetPitch()) * size_t(s.GetSize().cy));
}

void SetAllBytes(CSurface& s, uint8_t value)
{
    CSurfaceLock lock(&s);
    std::memset(s.GetBits(), value, size_t(s.GetPitch()) * size_t(s.GetSize().cy));
}

TEST_F(DDSurfaceTest, FillsLikeAMemorySurfaceAndClearsPitchTimesHeight)
{
    OnWindow([] {
        for (int format : {15, 16, 24, 32}) {
            SCOPED_TRACE("format " + std::to_string(format));
            CDDSurface s(DirectDraw());
            ASSERT_TRUE(s.Create(5, 4, format, false));
            SetAllBytes(s, 0xAB);
            s.Fill(0);
            const std::vector<uint8_t> cleared = AllBytes(s);
            EXPECT_EQ(std::vector<uint8_t>(cleared.size(), 0), cleared) << "pitch x height bytes, padding included";

            CMemorySurface m;
            ASSERT_TRUE(m.Create(5, 4, format, false));
            for (CSurface* t : {static_cast<CSurface*>(&s), static_cast<CSurface*>(&m)}) {
                SetAllBytes(*t, 0xAB);
                t->Fill(RGB(0xFF, 0x80, 0x10), -2, 1, 3, 100);  // clamped to (0, 1)-(3, 4)
                t->Fill(RGB(1, 2, 3), 4, 0, 4, 4);               // empty
            }
            EXPECT_EQ(-1, FirstDifferentRow(s, m)) << "the same pixels as a memory surface";
            EXPECT_EQ(InFormat(format, 0xFF8010), s.GetPixel(2, 3));
            const std::vector<uint8_t> bytes = AllBytes(s);
            CSurfaceLock lock(&s);
            const int used = 5 * BytesPerPixel(format);
            for (int y = 0; y < 4; ++y)
                for (int i = used; i < s.GetPitch(); ++i)
                    ASSERT_EQ(0xAB, bytes[size_t(y * s.GetPitch() + i)]) << "padding of row " << y;
        }
    });
}

TEST_F(DDSurfaceTest, FillWhileLockedIsRefusedWithItsMessage)
{
    OnWindow([] {
        CDDSurface s(DirectDraw());
        ASSERT_TRUE(s.Create(4, 4, 32, false));
        s.Fill(0);
        ASSERT_TRUE(s.Lock());
        TraceCapture trace;
        s.Fill(RGB(255, 255, 255));
        const std::vector<std::string> expected = {"CDirectDrawSurface::Lock() Lock中に再度lockしようとしました",
                                                   "CDDSurface::Fill() Lockに失敗しました"};
        EXPECT_EQ(expected, trace.Lines()) << Joined(trace.Lines());
        s.Unlock();
        EXPECT_EQ(0u, s.GetPixel(1, 1)) << "nothing filled";
        CDDSurface empty(DirectDraw());
        empty.Fill(0);  // not created: nothing, no message
        EXPECT_EQ(2u, trace.Lines().size());
    });
}

std::string Name(int bits, bool alpha) { return std::string(alpha ? "a" : "p") + std::to_string(bits); }

std::string MakePictures(int width, int height)
{
    const std::string dir = Folder("ddload");
    for (int bits : {8, 24, 32})
        for (bool alpha : {false, true}) {
            EXPECT_TRUE(WriteBytes(dir + "\\" + Name(bits, alpha) + ".bmp", PatternBitmap(width, height, bits)));
            if (alpha) {
                EXPECT_TRUE(WriteBytes(dir + "\\" + Name(bits, alpha) + ".alp", PatternAlphaFile(width, height)));
            }
        }
    return dir;
}

TEST_F(DDSurfaceTest, LoadGivesTheBytesOfAMemorySurface)
{
    const std::string dir = MakePictures(11, 7);
    OnWindow([&] {
        for (int bits : {8, 24, 32})
            for (bool alpha : {false, true})
                for (int format : {15, 16, 24, 32}) {
                    const std::string path = dir + "\\" + Name(bits, alpha) + ".bmp";
                    SCOPED_TRACE(path + " into format " + std::to_string(format));
                    CDDSurface s(DirectDraw());
                    CMemorySurface m;
                    ASSERT_TRUE(s.Load(path, format, false));
                    ASSERT_TRUE(m.Load(path, format, false));
                    EXPECT_EQ(format, s.GetBitCount());
                    EXPECT_EQ(-1, FirstDifferentRow(s, m));
                    EXPECT_EQ(path, s.GetFileName());
                    EXPECT_EQ(m.GetColorKey(), s.GetColorKey());
                    EXPECT_EQ(m.GetBlitMode() + 32, s.GetBlitMode());
                    EXPECT_EQ(alpha, s.HasAlphaChannel());
                    if (alpha) {
                        EXPECT_EQ(m.GetAlphaPitch(), s.GetAlphaPitch());
                        EXPECT_EQ(0, std::memcmp(m.GetAlphaBits(), s.GetAlphaBits(), size_t(11 * 7)));
                    }
                    const std::vector<uint8_t> bytes = AllBytes(s);
                    CSurfaceLock lock(&s);
                    for (int y = 0; y < 7; ++y)
                        for (int i = 11 * BytesPerPixel(format); i < s.GetPitch(); ++i)
                            ASSERT_EQ(0, bytes[size_t(y * s.GetPitch() + i)]) << "padding of row " << y;
                }
        CDDSurface s(DirectDraw());
        ASSERT_TRUE(s.Create(3, 3, 16, false));
        EXPECT_FALSE(s.Load(dir + "\\missing.bmp", 16, false));
        EXPECT_FALSE(s.IsCreated());
        EXPECT_EQ("", s.GetFileName());
        EXPECT_FALSE(s.Load(dir + "\\p24.bmp", 8, false)) << "no such format";
        EXPECT_FALSE(s.IsCreated());
    });
}

HRESULT __stdcall RefuseLock(IDirectDrawSurface7*, RECT*, DDSURFACEDESC2*, DWORD, HANDLE)
{
    return DDERR_SURFACEBUSY;
}

TEST_F(DDSurfaceTest, LoadWhoseLockFailsLeavesNothing)
{
    const std::string dir = MakePictures(4, 4);
    OnWindow([&] {
        DirectDrawProbe probe;
        VtableHook hook(probe.Surface(), kSlotSurfaceLock, reinterpret_cast<void*>(&RefuseLock));
        TraceCapture trace;
        CDDSurface s(DirectDraw());
        EXPECT_FALSE(s.Load(dir + "\\a24.bmp", 24, false));
        EXPECT_FALSE(s.IsCreated());
        EXPECT_FALSE(s.HasAlphaChannel());
        EXPECT_EQ("", s.GetFileName());
        EXPECT_FALSE(CSurfaceRegistry::GetInstance().IsRegistered(&s));
        EXPECT_EQ(std::vector<std::string>{"CDDSurface::Load() Lockに失敗しました"}, trace.Lines())
            << Joined(trace.Lines());
    });
}

std::vector<DWORD> g_createCaps;
void* g_originalCreate = nullptr;

// A DirectDraw object without video memory.
HRESULT __stdcall NoVideoMemory(IDirectDraw7* self, DDSURFACEDESC2* desc, IDirectDrawSurface7** out, IUnknown* outer)
{
    g_createCaps.push_back(desc->ddsCaps.dwCaps);
    if (desc->ddsCaps.dwCaps & DDSCAPS_VIDEOMEMORY) {
        *out = nullptr;
        return DDERR_OUTOFVIDEOMEMORY;
    }
    return reinterpret_cast<HRESULT(__stdcall*)(IDirectDraw7*, DDSURFACEDESC2*, IDirectDrawSurface7**, IUnknown*)>(
        g_originalCreate)(self, desc, out, outer);
}

TEST_F(DDSurfaceTest, MadeInSystemMemoryWhenThereIsNoVideoMemory)
{
    OnWindow([] {
        DirectDrawProbe probe;
        VtableHook hook(probe.DirectDraw(), kSlotDDCreateSurface, reinterpret_cast<void*>(&NoVideoMemory));
        ASSERT_TRUE(hook.IsInstalled());
        g_originalCreate = hook.Original();
        g_createCaps.clear();
        CDDSurface s(DirectDraw());
        EXPECT_TRUE(s.Create(6, 3, 16, false));
        const std::vector<DWORD> asked = {DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY};
        EXPECT_EQ(asked, g_createCaps) << "one request, for system memory";
        EXPECT_EQ(32 + 4, s.GetBlitMode());
        s.Fill(RGB(0, 0, 255));
        EXPECT_EQ(0x0000F8u, s.GetPixel(5, 2)) << "blue, in 5-6-5";
    });
}

TEST_F(DDSurfaceTest, SavedBitmapsAreThoseOfAMemorySurface)
{
    const std::string dir = MakePictures(5, 3);
    OnWindow([&] {
        for (int format : {15, 16, 24, 32}) {
            CDDSurface s(DirectDraw());
            CMemorySurface m;
            ASSERT_TRUE(s.Load(dir + "\\p32.bmp", format, false));
            ASSERT_TRUE(m.Load(dir + "\\p32.bmp", format, false));
            const std::string a = dir + "\\dd" + std::to_string(format) + ".bmp";
            const std::string b = dir + "\\mem" + std::to_string(format) + ".bmp";
            ASSERT_TRUE(s.SaveBitmap(a));
            ASSERT_TRUE(m.SaveBitmap(b));
            EXPECT_EQ(ReadBytes(b), ReadBytes(a)) << "format " << format;
        }
        CDDSurface empty(DirectDraw());
        EXPECT_FALSE(empty.SaveBitmap(dir + "\\empty.bmp"));
    });
}

TEST_F(DDSurfaceTest, DeviceContextAndPixelsExcludeEachOther)
{
    OnWindow([] {
        CDDSurface s(DirectDraw());
        ASSERT_TRUE(s.Create(6, 6, 16, false));
        s.Fill(0);
        HDC dc = s.GetDC();
        ASSERT_NE(HDC(NULL), dc);
        HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
        RECT r = {1, 1, 3, 3};
        FillRect(dc, &r, red);
        DeleteObject(red);
        TraceCapture trace;
        s.SetPixel(4, 4, 0xFFFFFF);  // refused: the context is held
        EXPECT_EQ(0u, s.GetPixel(4, 4));
        EXPECT_EQ(2u, trace.Count("CDirectDrawSurface::Lock() デバイスコンテキスト取得中にLockはできません"))
            << Joined(trace.Lines());
        s.ReleaseDC();
        EXPECT_EQ(0xF80000u, s.GetPixel(2, 2)) << "GDI's red through the lock";
        EXPECT_EQ(0u, s.GetPixel(3, 3));
        s.SetPixel(4, 4, 0xFFFFFF);
        dc = s.GetDC();
        EXPECT_EQ(RGB(255, 255, 255), GetPixel(dc, 4, 4));
        s.ReleaseDC();
    });
}

// A source of green with a red square in it, a blue target.
void PaintKeyed(CDDSurface& source, CDDSurface& target, int format)
{
    ASSERT_TRUE(source.Create(6, 6, format, false));
    ASSERT_TRUE(target.Create(8, 8, format, false));
    source.Fill(RGB(0, 255, 0));
    source.Fill(RGB(255, 0, 0), 2, 2, 4, 4);
    target.Fill(RGB(0, 0, 255));
}

TEST_F(DDSurfaceTest, DirectDrawBlitsHonourTheSourcesKeySwitch)
{
    OnWindow([] {
        for (int format : {15, 16, 24, 32}) {
            for (int mode = 0; mode < 4; ++mode) {
                const bool keyed = mode & 1, fast = mode & 2;
                SCOPED_TRACE("format " + std::to_string(format) + (fast ? " DDBltFast" : " DDBlt") +
                             (keyed ? " keyed" : ""));
                CDDSurface source(DirectDraw()), target(DirectDraw());
                PaintKeyed(source, target, format);
                source.SetColorKeyEnable(keyed);
                target.SetColorKeyEnable(!keyed);  // the target's switch plays no part
                const RECT from = {1, 1, 5, 5}, to = {2, 3, 6, 7};
                ASSERT_TRUE(fast ? target.DDBltFast(&source, 2, 3, &from) : target.DDBlt(&source, &to, &from));
                const uint32_t red = InFormat(format, 0xFF0000), green = InFormat(format, 0x00FF00),
                               blue = InFormat(format, 0x0000FF);
                for (int y = 0; y < 8; ++y)
                    for (int x = 0; x < 8; ++x) {
                        uint32_t want = blue;
                        if (x >= 2 && x < 6 && y >= 3 && y < 7) {
                            const int sx = x - 1, sy = y - 2;
                            const bool square = sx >= 2 && sx < 4 && sy >= 2 && sy < 4;
                            want = square ? red : keyed ? blue : green;
                        }
                        ASSERT_EQ(want, target.GetPixel(x, y) & 0xFFFFFF) << x << ", " << y;
                    }
            }
        }
        CDDSurface source(DirectDraw()), target(DirectDraw()), empty(DirectDraw());
        PaintKeyed(source, target, 32);
        EXPECT_FALSE(target.DDBlt(&empty, nullptr, nullptr));
        EXPECT_FALSE(target.DDBltFast(nullptr, 0, 0, nullptr));
        EXPECT_FALSE(empty.DDBlt(&source, nullptr, nullptr));
        EXPECT_TRUE(target.DDBlt(&source, nullptr, nullptr)) << "whole onto whole, stretched";
    });
}

TEST_F(DDSurfaceTest, RestoreRebuildsAndKeepsKeyAndSwitches)
{
    const std::string dir = MakePictures(5, 4);
    OnWindow([&] {
        CDDSurface made(DirectDraw());
        EXPECT_FALSE(made.Restore()) << "nothing to restore";
        ASSERT_TRUE(made.Create(6, 3, 16, false));
        made.FillAlpha(7);
        made.SetColorKey(0x123456);
        made.SetColorKeyEnable(true);
        made.Fill(RGB(9, 9, 9));
        ASSERT_TRUE(made.Restore());
        EXPECT_EQ(GetScreenBitCount(), made.GetBitCount()) << "made again in the screen's format";
        EXPECT_EQ(6, made.GetSize().cx);
        EXPECT_EQ(0x123456u, made.GetColorKey()) << "as stored";
        EXPECT_TRUE(made.IsColorKeyEnable());
        EXPECT_FALSE(made.IsAlphaEnable());
        EXPECT_EQ(255, made.GetAlpha(5, 2)) << "a plane again, opaque";

        CDDSurface loaded(DirectDraw());
        ASSERT_TRUE(loaded.Load(dir + "\\a24.bmp", 32, false));
        loaded.Fill(0);
        CSurfaceRegistry::GetInstance().RestoreAll(Window());
        CMemorySurface m;
        ASSERT_TRUE(m.Load(dir + "\\a24.bmp", 0, false));
        EXPECT_TRUE(loaded.IsAlphaEnable());
        EXPECT_EQ(-1, FirstDifferentRow(loaded, m)) << "the picture read again through the registry";
    });
}

TEST_F(DDSurfaceTest, TheEndOfItsDirectDrawObjectLeavesAnEmptySurface)
{
    OnWindow([] {
        HWND other = CreateWindowExA(0, "STATIC", "dd", WS_POPUP, 0, 0, 8, 8, NULL, NULL, NULL, NULL);
        std::unique_ptr<CDirectDraw> dd(new CDirectDraw(other));
        std::unique_ptr<CDDSurface> s(new CDDSurface(dd.get()));
        ASSERT_TRUE(s->Create(8, 8, 32, false));
        s->SetAlphaEnable(true);
        ASSERT_TRUE(s->Lock());
        dd.reset();
        EXPECT_FALSE(s->IsCreated());
        EXPECT_EQ(-1, s->GetBlitMode());
        EXPECT_EQ(nullptr, s->GetDDSurface());
        EXPECT_EQ(nullptr, s->GetBits());
        EXPECT_FALSE(s->Create(8, 8, 32, false)) << "nothing to make it on";
        EXPECT_FALSE(s->Restore());
        s.reset();
        DestroyWindow(other);
    });
}

TEST_F(DDSurfaceTest, TheHandleMakesDirectDrawSurfacesForAWindowWithDirectDraw)
{
    const std::string dir = MakePictures(4, 4);
    OnWindow([&] {
        CAutoSurface handle;
        EXPECT_EQ(Window(), handle.GetHWnd());
        for (bool dib : {false, true}) {
            ASSERT_TRUE(handle.Create(8, 8, 16, dib));
            EXPECT_NE(nullptr, dynamic_cast<CDDSurface*>(handle.GetSurface())) << "DirectDraw before DIB";
            EXPECT_EQ(36, handle.GetBlitMode());
        }
        ASSERT_TRUE(handle.Load(dir + "\\p24.bmp", 24, false));
        EXPECT_NE(nullptr, dynamic_cast<CDDSurface*>(handle.GetSurface()));
        EXPECT_EQ(40, handle.GetBlitMode());
        EXPECT_FALSE(handle.Create(8, 8, 8, false)) << "no such format";
        EXPECT_EQ(nullptr, handle.GetSurface());

        handle.SetDirectDrawEnable(false);
        ASSERT_TRUE(handle.Create(8, 8, 16, true));
        EXPECT_NE(nullptr, dynamic_cast<CDIBSurface*>(handle.GetSurface()));
        ASSERT_TRUE(handle.Create(8, 8, 16, false));
        EXPECT_EQ(typeid(CMemorySurface), typeid(*handle.GetSurface()));
    });
    // Off the window thread the handle has no owner window, so no DirectDraw.
    CAutoSurface handle;
    ASSERT_TRUE(handle.Create(8, 8, 16, false));
    EXPECT_EQ(typeid(CMemorySurface), typeid(*handle.GetSurface()));
    handle.SetHWnd(Window());
    ASSERT_TRUE(handle.Create(8, 8, 16, false));
    EXPECT_NE(nullptr, dynamic_cast<CDDSurface*>(handle.GetSurface())) << "given the window";
    handle.SetHWnd(GetDesktopWindow());
    ASSERT_TRUE(handle.Create(8, 8, 16, false));
    EXPECT_EQ(typeid(CMemorySurface), typeid(*handle.GetSurface())) << "a window without DirectDraw";
}

}  // namespace
