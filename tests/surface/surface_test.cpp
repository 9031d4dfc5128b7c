// Memory and DIB surfaces, the surface handle and the tracked handle under
// Wine: creation and its failures, pixels, colour key, alpha, fills, release,
// restore, the DIB's device context and lock.
#include "framework/AppBase.h"
#include "surface/AutoSurface.h"
#include "surface/DIBSurface.h"
#include "surface/MemorySurface.h"
#include "surface/PixelFormat.h"
#include "surface/ScreenFormat.h"
#include "surface/SurfaceLock.h"
#include "surface/SurfaceRegistry.h"
#include "surface/TrackedSurface.h"

#include <gtest/gtest.h>

#include "common/WaitFor.h"

#include <atomic>
#include <memory>
#include <sstream>
#include <type_traits>

namespace {

const int kFormats[] = {15, 16, 24, 32};

// Memory and DIB surfaces run the same checks.
template <class T> class SoftwareSurface : public ::testing::Test {};
typedef ::testing::Types<CMemorySurface, CDIBSurface> Kinds;
class KindNames {
public:
    template <class T> static std::string GetName(int)
    {
        return std::is_same<T, CDIBSurface>::value ? "DIB" : "Memory";
    }
};
TYPED_TEST_SUITE(SoftwareSurface, Kinds, KindNames);

int Base(CSurface& s) { return dynamic_cast<CDIBSurface*>(&s) ? 16 : 0; }

TYPED_TEST(SoftwareSurface, CreateSetsSizePitchKeyAndBlitMode)
{
    const struct {
        int format, width, pitch, mode;
    } cases[] = {{15, 3, 8, 0}, {16, 3, 8, 4}, {24, 1, 4, 8}, {24, 5, 16, 8}, {32, 3, 12, 12}, {15, 7, 16, 0}};
    for (const auto& c : cases) {
        TypeParam s;
        ASSERT_TRUE(s.Create(c.width, 2, c.format, false)) << c.format;
        EXPECT_TRUE(s.IsCreated());
        EXPECT_EQ(c.format, s.GetBitCount()) << "15 stays 15";
        EXPECT_EQ(c.pitch, s.GetPitch()) << "format " << c.format << ", width " << c.width;
        EXPECT_EQ(c.width, s.GetSize().cx);
        EXPECT_EQ(2, s.GetSize().cy);
        EXPECT_EQ(0x00FF00u, s.GetColorKey()) << "green";
        EXPECT_EQ(Base(s) + c.mode, s.GetBlitMode());
        EXPECT_FALSE(s.HasAlphaChannel());
        EXPECT_EQ(nullptr, s.GetAlphaBits());
        EXPECT_NE(nullptr, s.GetBits());
    }
    TypeParam screen;
    ASSERT_TRUE(screen.Create(4, 4, 0, false));
    EXPECT_EQ(GetScreenBitCount(), screen.GetBitCount()) << "format 0 is the screen's";
}

TYPED_TEST(SoftwareSurface, BadSizesAndFormatsFailCleanly)
{
    const struct {
        int width, height, format;
        const char* why;
    } cases[] = {
        {0, 10, 32, "width 0"},
        {10, 0, 32, "height 0"},
        {-5, 10, 24, "negative width"},
        {10, -5, 24, "negative height"},
        {65536, 65536, 16, "pitch x height beyond 32 bits"},
        {0x40000000, 1, 32, "width x 4 beyond 32 bits"},
        {10, 10, 8, "no such format"},
        // Fits 31 bits (2 GiB - 196 KiB) but not into a 32-bit process.
        {16383, 32767, 32, "allocation fails"},
    };
    for (const auto& c : cases) {
        TypeParam s;
        ASSERT_TRUE(s.Create(2, 2, 24, false));
        EXPECT_FALSE(s.Create(c.width, c.height, c.format, false)) << c.why;
        EXPECT_FALSE(s.IsCreated()) << c.why;
        EXPECT_EQ(nullptr, s.GetBits()) << c.why;
        EXPECT_EQ(-1, s.GetBlitMode()) << c.why;
        EXPECT_EQ(0, s.GetBitCount()) << c.why;
        EXPECT_EQ(0, s.GetSize().cx) << c.why;
        EXPECT_FALSE(CSurfaceRegistry::GetInstance().IsRegistered(&s)) << c.why;
        // Everything on the empty surface is harmless.
        s.Fill(0xFFFFFF);
        s.FillAlpha(3);
        s.SetPixel(0, 0, 1);
        EXPECT_EQ(0u, s.GetPixel(0, 0));
        EXPECT_FALSE(s.HasAlphaChannel());
        EXPECT_FALSE(s.Restore());
        EXPECT_FALSE(s.SaveBitmap("Z:\\tmp\\never.bmp"));
    }
}

TYPED_TEST(SoftwareSurface, PixelsInEveryFormat)
{
    for (int format : kFormats) {
        TypeParam s;
        ASSERT_TRUE(s.Create(3, 2, format, false));
        s.SetPixel(2, 1, 0xFFFFFF);
        s.SetPixel(0, 0, 0xAB123456);
        const uint32_t white = format == 15 ? 0xF8F8F8 : format == 16 ? 0xF8FCF8 : 0xFFFFFF;
        EXPECT_EQ(white, s.GetPixel(2, 1)) << format;
        const uint32_t c = format == 32   ? 0xAB123456
                           : format == 24 ? 0x123456
                           : format == 16 ? WidenFrom16(NarrowTo16(0x123456))
                                          : WidenFrom15(NarrowTo15(0x123456));
        EXPECT_EQ(c, s.GetPixel(0, 0)) << "format " << format;
        s.SetPixel(3, 0, 0xFFFFFF);
        s.SetPixel(-1, 0, 0xFFFFFF);
        EXPECT_EQ(0u, s.GetPixel(3, 0));
        EXPECT_EQ(0u, s.GetPixel(0, -1));
    }
    TypeParam s16;
    ASSERT_TRUE(s16.Create(1, 1, 16, false));
    s16.SetPixel(0, 0, 0xFFFFFF);
    EXPECT_EQ(0xFFFF, *reinterpret_cast<uint16_t*>(s16.GetBits()));
}

TYPED_TEST(SoftwareSurface, ColorKeySwapsRedAndBlue)
{
    TypeParam s;
    ASSERT_TRUE(s.Create(2, 2, 24, false));
    s.SetColorKey(0x0000FF);
    EXPECT_EQ(0xFF0000u, s.GetColorKey());
    EXPECT_EQ(Base(s) + 8, s.GetBlitMode()) << "the key alone does not switch it on";
    s.SetColorKeyEnable(true);
    EXPECT_TRUE(s.IsColorKeyEnable());
    EXPECT_EQ(Base(s) + 9, s.GetBlitMode());
    s.SetColorKeyEnable(false);
    EXPECT_EQ(Base(s) + 8, s.GetBlitMode());
}

TYPED_TEST(SoftwareSurface, AlphaSwitchAndPlane)
{
    TypeParam s;
    ASSERT_TRUE(s.Create(5, 3, 16, false));
    s.SetColorKeyEnable(true);
    s.SetAlphaEnable(true);
    ASSERT_TRUE(s.HasAlphaChannel()) << "switching alpha on allocates a plane";
    EXPECT_EQ(8, s.GetAlphaPitch()) << "width rounded up to 4";
    EXPECT_EQ(Base(s) + 6, s.GetBlitMode()) << "alpha wins over the key";
    EXPECT_EQ(255, s.GetAlpha(4, 2)) << "a new plane is opaque";
    s.SetAlpha(4, 2, 9);
    EXPECT_EQ(9, s.GetAlpha(4, 2));
    EXPECT_EQ(9, s.GetAlphaBits()[2 * 8 + 4]);
    s.SetAlpha(5, 0, 1);
    EXPECT_EQ(0, s.GetAlpha(5, 0)) << "outside";
    s.SetAlphaEnable(false);
    EXPECT_TRUE(s.HasAlphaChannel()) << "switching off keeps the plane";
    EXPECT_EQ(Base(s) + 5, s.GetBlitMode()) << "back to the colour-key mode";
    s.SetColorKeyEnable(false);
    EXPECT_EQ(Base(s) + 4, s.GetBlitMode());

    TypeParam t;
    ASSERT_TRUE(t.Create(5, 3, 32, false));
    t.FillAlpha(7, 1, 1, 3, 2);
    EXPECT_TRUE(t.HasAlphaChannel()) << "an alpha fill makes the plane";
    EXPECT_FALSE(t.IsAlphaEnable()) << "without switching alpha on";
    EXPECT_EQ(Base(t) + 12, t.GetBlitMode());
    EXPECT_EQ(7, t.GetAlpha(2, 1));
    EXPECT_EQ(255, t.GetAlpha(3, 1));
}

TYPED_TEST(SoftwareSurface, FillsAreClippedAndZeroClearsThePadding)
{
    TypeParam s;
    ASSERT_TRUE(s.Create(3, 3, 24, false));
    {
        CSurfaceLock lock(&s);
        memset(s.GetBits(), 0xCD, size_t(s.GetPitch()) * 3);
    }
    s.Fill(0x0000FF, -4, 1, 2, 99);  // red
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(y >= 1 && x < 2 ? 0xFF0000u : 0xCDCDCDu, s.GetPixel(x, y)) << x << "," << y;
    EXPECT_EQ(0xCD, s.GetBits()[9]) << "padding left alone";
    s.Fill(0);
    for (int i = 0; i < s.GetPitch() * 3; ++i)
        ASSERT_EQ(0, s.GetBits()[i]) << "byte " << i;

    s.FillAlpha(200);
    s.FillAlpha(5, 2, -1, 8, 2);
    EXPECT_EQ(200, s.GetAlpha(1, 0));
    EXPECT_EQ(5, s.GetAlpha(2, 1));
    EXPECT_EQ(200, s.GetAlpha(2, 2));

    TypeParam src;
    ASSERT_TRUE(src.Create(2, 2, 24, false));
    src.FillAlpha(77);
    s.CopyAlpha(&src, 2, 2, 5, 5, 0, 0, 2, 2);
    EXPECT_EQ(77, s.GetAlpha(2, 2)) << "clipped to this plane";
    EXPECT_EQ(5, s.GetAlpha(2, 1));
    TypeParam noPlane;
    ASSERT_TRUE(noPlane.Create(2, 2, 24, false));
    s.CopyAlpha(&noPlane, 0, 0, 2, 2, 0, 0, 2, 2);
    s.CopyAlpha(nullptr, 0, 0, 2, 2, 0, 0, 2, 2);
    EXPECT_EQ(200, s.GetAlpha(0, 0)) << "a source without a plane copies nothing";
}

TYPED_TEST(SoftwareSurface, ReleaseEmptiesAllButOwnerAndAutoRestore)
{
    TypeParam s;
    const HWND owner = reinterpret_cast<HWND>(0x5150);
    s.SetHWnd(owner);
    s.SetAutoRestore(false);
    ASSERT_TRUE(s.Create(4, 4, 32, false));
    EXPECT_FALSE(CSurfaceRegistry::GetInstance().IsRegistered(&s)) << "auto-restore off";
    s.SetColorKeyEnable(true);
    s.SetAlphaEnable(true);
    s.Release();
    EXPECT_FALSE(s.IsCreated());
    EXPECT_FALSE(s.HasAlphaChannel());
    EXPECT_FALSE(s.IsColorKeyEnable());
    EXPECT_FALSE(s.IsAlphaEnable());
    EXPECT_EQ(0u, s.GetColorKey());
    EXPECT_EQ(-1, s.GetBlitMode());
    EXPECT_EQ(0, s.GetPitch());
    EXPECT_EQ(0, s.GetAlphaPitch());
    EXPECT_EQ(0, s.GetBitCount());
    EXPECT_EQ(owner, s.GetHWnd());
    EXPECT_FALSE(s.IsAutoRestore());
    s.Release();

    s.SetAutoRestore(true);
    ASSERT_TRUE(s.Create(4, 4, 32, false));
    EXPECT_TRUE(CSurfaceRegistry::GetInstance().IsRegistered(&s));
    EXPECT_EQ(1u, CSurfaceRegistry::GetInstance().GetCount(owner));
    s.Release();
    EXPECT_FALSE(CSurfaceRegistry::GetInstance().IsRegistered(&s));
}

TYPED_TEST(SoftwareSurface, RestoreRecreatesInTheScreenFormatKeepingKeyAndSwitches)
{
    TypeParam s;
    ASSERT_TRUE(s.Create(6, 5, 15, false));
    s.SetColorKey(0x123456);
    s.SetColorKeyEnable(true);
    s.FillAlpha(3);
    s.SetAlphaEnable(true);
    ASSERT_TRUE(s.Restore());
    EXPECT_EQ(GetScreenBitCount(), s.GetBitCount());
    EXPECT_EQ(6, s.GetSize().cx);
    EXPECT_EQ(5, s.GetSize().cy);
    EXPECT_EQ(0x563412u, s.GetColorKey()) << "as stored, not swapped again";
    EXPECT_TRUE(s.IsColorKeyEnable());
    EXPECT_TRUE(s.IsAlphaEnable());
    ASSERT_TRUE(s.HasAlphaChannel());
    EXPECT_EQ(255, s.GetAlpha(5, 4)) << "the plane comes back opaque";
}

// Under Wine the DIB section is drawn by GDI and read through Lock, and the
// other way round; GdiFlush separates the two.
TEST(DIBSurface, DeviceContextAndLockAgree)
{
    for (int format : kFormats) {
        SCOPED_TRACE(format);
        CDIBSurface s;
        ASSERT_TRUE(s.Create(8, 6, format, false));
        ASSERT_NE(nullptr, s.GetBitmap());
        HDC dc = s.GetDC();
        ASSERT_NE(nullptr, dc);
        RECT all = {0, 0, 8, 6};
        HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
        FillRect(dc, &all, blue);
        DeleteObject(blue);
        SetPixelV(dc, 2, 3, RGB(255, 0, 0));
        SetPixelV(dc, 7, 5, RGB(255, 255, 255));
        s.ReleaseDC();
        {
            CSurfaceLock lock(&s);
            EXPECT_EQ(0x0000F8u, s.GetPixel(0, 0) & 0xF8F8F8);
            EXPECT_EQ(0xF80000u, s.GetPixel(2, 3) & 0xF8F8F8) << "GDI red at (2, 3), the top row first";
            EXPECT_EQ(0xF8F8F8u, s.GetPixel(7, 5) & 0xF8F8F8);
            s.SetPixel(1, 1, 0x00FF00);
        }
        dc = s.GetDC();
        EXPECT_EQ(RGB(0, 0xF8, 0), ::GetPixel(dc, 1, 1) & 0xF8F8F8) << "pixels written through the lock, read by GDI";
        HDC again = s.GetDC();
        EXPECT_NE(nullptr, again) << "a second GetDC replaces the first";
        EXPECT_EQ(RGB(0, 0, 255) & 0xF8F8F8, ::GetPixel(again, 0, 0) & 0xF8F8F8);
        s.ReleaseDC();
        s.ReleaseDC();
    }
}

TEST(DIBSurface, BitBltBetweenSurfaceContexts)
{
    CDIBSurface a, b;
    ASSERT_TRUE(a.Create(16, 9, 32, false));
    ASSERT_TRUE(b.Create(16, 9, 24, false));
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 16; ++x)
            a.SetPixel(x, y, uint32_t(x * 16) << 16 | uint32_t(y * 28) << 8 | 0x40);
    b.Fill(0);
    HDC from = a.GetDC(), to = b.GetDC();
    ASSERT_TRUE(BitBlt(to, 0, 0, 16, 9, from, 0, 0, SRCCOPY));
    a.ReleaseDC();
    b.ReleaseDC();
    CSurfaceLock lock(&b);
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 16; ++x)
            ASSERT_EQ(a.GetPixel(x, y) & 0xFFFFFF, b.GetPixel(x, y)) << x << "," << y;
}

TEST(MemorySurface, HasNoDeviceContext)
{
    CMemorySurface s;
    ASSERT_TRUE(s.Create(4, 4, 32, false));
    EXPECT_EQ(nullptr, s.GetDC());
    EXPECT_EQ(nullptr, s.GetBitmap());
    EXPECT_TRUE(s.Lock());
    s.Unlock();
}

TEST(AutoSurface, EmptyHandle)
{
    CAutoSurface s;
    EXPECT_FALSE(s.IsCreated());
    EXPECT_EQ(nullptr, s.GetSurface());
    EXPECT_EQ(0, s.GetBitCount());
    EXPECT_EQ(-1, s.GetBlitMode());
    EXPECT_EQ(0, s.GetSize().cx);
    EXPECT_EQ(nullptr, s.GetBits());
    EXPECT_EQ(nullptr, s.GetDC());
    EXPECT_FALSE(s.Lock());
    EXPECT_FALSE(s.Restore());
    EXPECT_FALSE(s.SaveBitmap("Z:\\tmp\\never.bmp"));
    EXPECT_TRUE(s.IsAutoRestore());
    s.Fill(1);
    s.SetAlphaEnable(true);
    EXPECT_FALSE(s.HasAlphaChannel());
    EXPECT_EQ(0u, s.GetPixel(0, 0));
}

TEST(AutoSurface, ChoosesTheImplementationPerCall)
{
    CAutoSurface s;
    const HWND owner = reinterpret_cast<HWND>(0x6160);
    s.SetHWnd(owner);
    s.SetAutoRestore(false);
    ASSERT_TRUE(s.Create(4, 3, 16, true));
    ASSERT_NE(nullptr, dynamic_cast<CDIBSurface*>(s.GetSurface()));
    EXPECT_EQ(owner, s.GetSurface()->GetHWnd());
    EXPECT_FALSE(s.GetSurface()->IsAutoRestore());
    EXPECT_NE(nullptr, s.GetDC());
    s.ReleaseDC();
    EXPECT_EQ(16 + 4, s.GetBlitMode());

    ASSERT_TRUE(s.Create(4, 3, 16, false));
    CSurface* impl = s.GetSurface();
    ASSERT_NE(nullptr, impl);
    EXPECT_EQ(nullptr, dynamic_cast<CDIBSurface*>(impl));
    EXPECT_EQ(nullptr, s.GetDC()) << "memory surfaces have none";
    EXPECT_EQ(4, s.GetBlitMode());
    s.SetPixel(1, 1, 0xFFFFFF);
    EXPECT_EQ(0xF8FCF8u, s.GetPixel(1, 1));
    s.SetColorKey(0x0000FF);
    EXPECT_EQ(0xFF0000u, impl->GetColorKey());

    s.SetAutoRestore(true);
    EXPECT_TRUE(impl->IsAutoRestore()) << "forwarded";
    const HWND other = reinterpret_cast<HWND>(0x6170);
    s.SetHWnd(other);
    EXPECT_EQ(other, impl->GetHWnd());

    EXPECT_FALSE(s.Create(0, 3, 16, false));
    EXPECT_EQ(nullptr, s.GetSurface()) << "a failed Create leaves the handle empty";
    EXPECT_FALSE(s.Load("Z:\\no\\such\\picture.bmp", 24, false));
    EXPECT_EQ(nullptr, s.GetSurface());
    EXPECT_EQ(other, s.GetHWnd());
}

// The owner window is the window of the application that runs on the thread
// constructing the surface.
class SurfaceApp : public CAppBase {
public:
    SurfaceApp() { SetQuitOnDestroy(false); }
    ~SurfaceApp() override { Stop(); }
    void OnSetupWindow(CWindowParams& params) override
    {
        params.m_WndClass.lpszClassName = "QuillSurfaceTest";
        params.m_Style = WS_POPUP;
        params.m_Width = 64;
        params.m_Height = 64;
    }
    bool Update() override
    {
        if (!m_Done) {
            CAutoSurface handle;
            CMemorySurface memory;
            m_HandleOwner = handle.GetHWnd();
            m_MemoryOwner = memory.GetHWnd();
            handle.Create(2, 2, 32, false);
            m_ImplOwner = handle.GetSurface() ? handle.GetSurface()->GetHWnd() : NULL;
            m_Done = true;
        }
        return CAppBase::Update();
    }
    std::atomic<bool> m_Done{false};
    HWND m_HandleOwner = NULL, m_MemoryOwner = NULL, m_ImplOwner = NULL;
};

TEST(AutoSurface, OwnerIsTheCallingThreadsApplicationWindow)
{
    CAutoSurface here;
    EXPECT_EQ(nullptr, here.GetHWnd()) << "no application on this thread";
    SurfaceApp app;
    ASSERT_TRUE(app.Run());
    ASSERT_TRUE(WaitFor([&] { return app.m_Done.load(); }));
    ASSERT_NE(nullptr, app.GetHWnd());
    EXPECT_EQ(app.GetHWnd(), app.m_HandleOwner);
    EXPECT_EQ(app.GetHWnd(), app.m_MemoryOwner);
    EXPECT_EQ(app.GetHWnd(), app.m_ImplOwner);
}

std::string Regions(CRectUpdateRegion& r)
{
    std::ostringstream s;
    for (int i = 0; i < r.GetCount(); ++i) {
        const PixelRect e = r.GetRect(i);
        s << (i ? " " : "") << "(" << e.left << "," << e.top << "," << e.right << "," << e.bottom << ")";
    }
    return s.str();
}

TEST(TrackedSurface, RecordsWhatWasDrawn)
{
    CTrackedSurface s;
    ASSERT_TRUE(s.Create(100, 50, 32, false));
    CRectUpdateRegion& region = s.GetUpdateRegion();
    EXPECT_FALSE(region.HasBounds()) << "bounds wait for the next Reset";
    region.Reset();
    ASSERT_TRUE(region.HasBounds());
    EXPECT_EQ(100, region.GetBounds().right);
    EXPECT_EQ(50, region.GetBounds().bottom);

    s.Fill(0xFFFFFF, 10, 10, 20, 20);
    s.FillAlpha(3, 30, 0, 40, 5);
    CMemorySurface alpha;
    ASSERT_TRUE(alpha.Create(4, 4, 32, false));
    alpha.FillAlpha(1);
    s.CopyAlpha(&alpha, 90, 45, 110, 60, 0, 0, 4, 4);
    EXPECT_EQ("(10,10,20,20) (30,0,40,5) (90,45,100,50)", Regions(region));

    const RECT touched = {60, 0, 70, 10};
    const POINT at = {60, 0};
    s.OnBlt(0, &alpha, at, touched, 255, 0, touched);
    EXPECT_EQ(4, region.GetCount());
    s.OnStretchBlt(0, &alpha, touched, touched, 255, 0, RECT{0, 40, 5, 45});
    EXPECT_TRUE(region.IsWholeDirty()) << "a fifth rectangle with bounds";
    region.Reset();
    s.OnTransition(1, &alpha, &alpha, at, touched, at, touched, touched, 512, RECT{1, 2, 3, 4});
    s.OnBlt2(1, &alpha, &alpha, at, touched, touched, touched, 512, RECT{3, 2, 5, 4});
    EXPECT_EQ("(1,2,5,4)", Regions(region));
    region.Reset();
    s.Fill(0);
    EXPECT_TRUE(region.IsWholeDirty()) << "the whole surface";
}

TEST(TrackedSurface, LoadAndCreateMoveTheBounds)
{
    CTrackedSurface s;
    ASSERT_TRUE(s.Create(10, 10, 24, false));
    s.GetUpdateRegion().Reset();
    ASSERT_TRUE(s.Create(30, 20, 24, false));
    EXPECT_EQ(10, s.GetUpdateRegion().GetBounds().right) << "until the next Reset";
    s.GetUpdateRegion().Reset();
    EXPECT_EQ(30, s.GetUpdateRegion().GetBounds().right);
    EXPECT_FALSE(s.Create(0, 20, 24, false));
    s.GetUpdateRegion().Reset();
    EXPECT_EQ(30, s.GetUpdateRegion().GetBounds().right) << "a failed Create leaves the bounds";
}

}  // namespace
