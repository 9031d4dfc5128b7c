// The blit members of the surfaces under Wine: they draw what the blit
// operations draw on the surfaces' pixels, notify the destination with what
// they touched, copy through GDI where the processor has no SSE, and read
// the process-wide rule image.
#include "surface/AutoSurface.h"
#include "surface/BlitOps.h"
#include "surface/DIBSurface.h"
#include "surface/kernels/KernelTable.h"
#include "surface/MemorySurface.h"
#include "surface/RuleImage.h"
#include "surface/SurfaceLock.h"
#include "surface/TrackedSurface.h"

#include <gtest/gtest.h>

#include "SurfaceFiles.h"
#include "SurfaceViews.h"

#include <random>
#include <sstream>
#include <vector>

using namespace surface_test;

namespace {

const int kFormats[] = {15, 16, 24, 32};

// A memory surface that records its notifications and can refuse its lock.
class CWatchedSurface : public CMemorySurface {
public:
    struct Call {
        int kind;  // 0 OnBlt, 1 OnStretchBlt
        int op;
        CSurface* source;
        RECT touched;
    };
    std::vector<Call> calls;
    bool refuseLock = false;

    bool Lock() override { return !refuseLock; }
    void OnBlt(int op, CSurface* source, const POINT&, const RECT&, int, int, const RECT& touched) override
    {
        calls.push_back(Call{0, op, source, touched});
    }
    void OnStretchBlt(int op, CSurface* source, const RECT&, const RECT&, int, int, const RECT& touched) override
    {
        calls.push_back(Call{1, op, source, touched});
    }
};

// A DIB surface that counts the device contexts it hands out.
class CCountedDIBSurface : public CDIBSurface {
public:
    int contexts = 0;
    HDC GetDC() override
    {
        ++contexts;
        return CDIBSurface::GetDC();
    }
};

class SurfaceBlt : public ::testing::Test {
protected:
    void SetUp() override { m_Level = CKernelTable::GetInstance().GetLevel(); }
    void TearDown() override { CKernelTable::GetInstance().SetLevel(m_Level); }
    CpuLevel m_Level;
};

// Memory, DIB and handle surfaces draw what the operations draw on copies of
// their pixels, for every format pair and a sample of operations.
TEST_F(SurfaceBlt, DrawsWhatTheOperationsDraw)
{
    const struct {
        int op, param1, param2;
    } ops[] = {{0, 255, 0}, {1, 140, 0}, {2, 255, 300}, {5, 255, 400}, {7, 200, 600}, {10, 255, 2}, {11, 255, 4}};
    for (int df : kFormats)
        for (int sf : kFormats)
            for (int kind = 0; kind < 3; ++kind) {
                CDIBSurface dst;
                CAutoSurface src;
                ASSERT_TRUE(dst.Create(37, 29, df, true));
                ASSERT_TRUE(src.Create(21, 17, sf, false));
                Randomise(src, uint32_t(sf * 3 + kind), kind == 2);
                if (kind == 1) {
                    src.SetColorKey(RGB(0, 255, 0));
                    src.SetColorKeyEnable(true);
                    src.SetPixel(3, 3, 0x00FF00);
                }
                src.SetAlphaEnable(kind == 2);
                for (const auto& o : ops) {
                    Randomise(dst, uint32_t(df));
                    Copy expected(dst), source(src);
                    BlitRequest r;
                    r.op = o.op;
                    r.x = 5, r.y = -2;
                    r.src = PixelRect{1, 0, 20, 17};
                    r.clip = PixelRect{0, 0, 37, 29};
                    r.param1 = o.param1, r.param2 = o.param2;
                    PixelRect touched;
                    BltPixels(expected.view, source.view, r, touched);
                    dst.Blt(o.op, &src, Point(5, -2), Rect(1, 0, 20, 17), o.param1, o.param2);
                    ASSERT_TRUE(expected.pixels == PixelsOf(dst))
                        << "op " << o.op << ", " << df << " <- " << sf << ", source kind " << kind;
                }
            }
}

TEST_F(SurfaceBlt, NotifiesWhatWasTouched)
{
    CWatchedSurface dst;
    CMemorySurface src;
    ASSERT_TRUE(dst.Create(64, 48, 32, false));
    ASSERT_TRUE(src.Create(20, 10, 32, false));
    dst.Blt(0, &src, Point(-5, 40), 255, 0);
    ASSERT_EQ(1u, dst.calls.size());
    EXPECT_EQ(0, dst.calls[0].kind);
    EXPECT_EQ(&src, dst.calls[0].source);
    EXPECT_TRUE(Same(Rect(0, 40, 15, 48), dst.calls[0].touched)) << Str(dst.calls[0].touched);
    // Rotation: the widened box of the turned rectangle.
    dst.Blt(3, &src, Point(20, 20), 255, 256);
    ASSERT_EQ(2u, dst.calls.size());
    EXPECT_TRUE(Same(Rect(23, 13, 38, 38), dst.calls[1].touched)) << Str(dst.calls[1].touched);
    // Stretching: the destination rectangle cut by the clip and the surface.
    dst.StretchBlt(1, &src, Rect(50, -10, 90, 30), Rect(0, 0, 20, 10), Rect(0, 0, 60, 48), 255, 0);
    ASSERT_EQ(3u, dst.calls.size());
    EXPECT_EQ(1, dst.calls[2].kind);
    EXPECT_TRUE(Same(Rect(50, 0, 60, 30), dst.calls[2].touched)) << Str(dst.calls[2].touched);
    // Equal sizes go to Blt, which notifies as a same-size blit.
    dst.StretchBlt(11, &src, Rect(1, 1, 21, 11), Rect(0, 0, 20, 10), 255, 3);
    ASSERT_EQ(4u, dst.calls.size());
    EXPECT_EQ(0, dst.calls[3].kind);
    EXPECT_EQ(11, dst.calls[3].op);
    // Nothing drawn, nothing notified.
    dst.Blt(0, &src, Point(64, 0), 255, 0);
    dst.Blt(15, &src, Point(0, 0), 255, 0);
    dst.Blt(0, nullptr, Point(0, 0), 255, 0);
    dst.Blt(0, &src, Point(0, 0), Rect(0, 0, 20, 10), Rect(5, 5, 5, 9), 255, 0);
    dst.StretchBlt(2, &src, Rect(0, 0, 40, 20), 255, 0);
    dst.refuseLock = true;
    dst.Blt(0, &src, Point(0, 0), 255, 0);
    EXPECT_EQ(4u, dst.calls.size());
}

TEST_F(SurfaceBlt, TrackedSurfaceRecordsTheTouchedRectangles)
{
    CTrackedSurface dst;
    CMemorySurface src;
    ASSERT_TRUE(dst.Create(100, 80, 24, false));
    ASSERT_TRUE(src.Create(10, 10, 24, false));
    dst.GetUpdateRegion().Reset();
    dst.Blt(0, &src, Point(95, 75), 255, 0);
    dst.StretchBlt(0, &src, Rect(-10, -10, 20, 5), 255, 0);
    CRectUpdateRegion& region = dst.GetUpdateRegion();
    ASSERT_EQ(2, region.GetCount());
    EXPECT_TRUE(Same(Rect(95, 75, 100, 80), ToRect(region.GetRect(0)))) << Str(ToRect(region.GetRect(0)));
    EXPECT_TRUE(Same(Rect(0, 0, 20, 5), ToRect(region.GetRect(1)))) << Str(ToRect(region.GetRect(1)));
}

TEST_F(SurfaceBlt, OverloadsFillInTheDefaults)
{
    CMemorySurface src;
    ASSERT_TRUE(src.Create(12, 8, 32, false));
    Randomise(src, 3);
    CMemorySurface a, b;
    for (CMemorySurface* s : {&a, &b})
        ASSERT_TRUE(s->Create(30, 20, 32, false));
    auto reset = [&] {
        a.Fill(0);
        b.Fill(0);
    };
    // The whole source and the whole destination.
    reset();
    a.Blt(0, &src, Point(25, 3), 255, 0);
    b.Blt(0, &src, Point(25, 3), Rect(0, 0, 12, 8), Rect(0, 0, 30, 20), 255, 0);
    EXPECT_TRUE(PixelsOf(a) == PixelsOf(b));
    // A destination rectangle: drawn at its corner, only inside it.
    reset();
    a.Blt(0, &src, Rect(4, 4, 10, 7), 255, 0);
    b.Blt(0, &src, Point(4, 4), Rect(0, 0, 12, 8), Rect(4, 4, 10, 7), 255, 0);
    EXPECT_TRUE(PixelsOf(a) == PixelsOf(b));
    EXPECT_EQ(0u, a.GetPixel(10, 4)) << "outside the destination rectangle";
    EXPECT_EQ(src.GetPixel(5, 2), a.GetPixel(9, 6));
    reset();
    a.Blt(0, &src, Rect(4, 4, 10, 7), Rect(2, 2, 12, 8), 255, 0);
    b.Blt(0, &src, Point(4, 4), Rect(2, 2, 12, 8), Rect(4, 4, 10, 7), 255, 0);
    EXPECT_TRUE(PixelsOf(a) == PixelsOf(b));
    // Stretching the whole source into a rectangle.
    reset();
    a.StretchBlt(1, &src, Rect(0, 0, 30, 20), 255, 0);
    b.StretchBlt(1, &src, Rect(0, 0, 30, 20), Rect(0, 0, 12, 8), Rect(0, 0, 30, 20), 255, 0);
    EXPECT_TRUE(PixelsOf(a) == PixelsOf(b));
    // Equal sizes through StretchBlt are the same-size operation.
    reset();
    a.StretchBlt(11, &src, Rect(3, 3, 15, 11), Rect(0, 0, 12, 8), 255, 3);
    b.Blt(11, &src, Point(3, 3), Rect(0, 0, 12, 8), 255, 3);
    EXPECT_TRUE(PixelsOf(a) == PixelsOf(b));
}

// Without SSE, between two surfaces with device contexts, the straight copy
// goes through GDI, with the bytes of the kernel path.
TEST_F(SurfaceBlt, StraightCopyThroughGdiWithoutSse)
{
    CKernelTable& table = CKernelTable::GetInstance();
    for (int f : kFormats) {
        CCountedDIBSurface src, dst;
        ASSERT_TRUE(src.Create(33, 21, f, true));
        ASSERT_TRUE(dst.Create(40, 30, f, true));
        Randomise(src, 5);
        Randomise(dst, 6);
        Copy expected(dst), source(src);
        BlitRequest r;
        r.x = 9, r.y = -3, r.src = PixelRect{1, 1, 33, 20}, r.clip = PixelRect{0, 0, 38, 30};
        PixelRect touched;
        BltPixels(expected.view, source.view, r, touched);

        table.SetLevel(kCpuMMX);
        dst.Blt(0, &src, Point(9, -3), Rect(1, 1, 33, 20), Rect(0, 0, 38, 30), 255, 0);
        EXPECT_EQ(1, dst.contexts) << f;
        EXPECT_EQ(1, src.contexts) << f;
        EXPECT_TRUE(expected.pixels == PixelsOf(dst)) << "format " << f << ": GDI and the kernels differ";

        // Not with SSE, nor for blends, keyed sources or different formats.
        src.contexts = dst.contexts = 0;
        if (table.GetMaxLevel() >= kCpuSSE) {
            table.SetLevel(kCpuSSE);
            dst.Blt(0, &src, Point(0, 0), 255, 0);
        }
        table.SetLevel(kCpuPortable);
        dst.Blt(0, &src, Point(0, 0), 200, 0);
        src.SetColorKeyEnable(true);
        dst.Blt(0, &src, Point(0, 0), 255, 0);
        src.SetColorKeyEnable(false);
        CDIBSurface other;
        ASSERT_TRUE(other.Create(10, 10, f == 32 ? 24 : 32, true));
        dst.Blt(0, &other, Point(0, 0), 255, 0);
        EXPECT_EQ(0, dst.contexts + src.contexts) << f;
        table.SetLevel(m_Level);
    }
}

TEST_F(SurfaceBlt, OntoItself)
{
    for (int level : {int(kCpuPortable), int(m_Level)}) {
        CKernelTable::GetInstance().SetLevel(level);
        CDIBSurface s;
        ASSERT_TRUE(s.Create(30, 20, 24, true));
        Randomise(s, 8);
        Copy before(s);
        s.Blt(0, &s, Point(4, 3), Rect(0, 0, 20, 12), 255, 0);
        for (int y = 0; y < 12; ++y)
            for (int x = 0; x < 20; ++x) {
                const uint8_t* was = &before.pixels[size_t(y) * s.GetPitch() + 3 * x];
                const uint32_t rgb = uint32_t(was[2]) << 16 | uint32_t(was[1]) << 8 | was[0];
                ASSERT_EQ(rgb, s.GetPixel(x + 4, y + 3)) << x << ", " << y << " at " << CpuLevelName(level);
            }
    }
}

TEST_F(SurfaceBlt, RandomOperationsDrawAtTheEnds)
{
    CMemorySurface src, dst;
    ASSERT_TRUE(src.Create(40, 30, 16, false));
    ASSERT_TRUE(dst.Create(40, 30, 16, false));
    Randomise(src, 1);
    dst.Fill(0);
    dst.Blt(9, &src, Point(0, 0), 255, 1024);
    EXPECT_TRUE(PixelsOf(src) == PixelsOf(dst)) << "progress 1024 draws every block";
    for (int op : {12, 13, 14}) {
        dst.Fill(0);
        dst.Blt(op, &src, Point(0, 0), 255, 6);
        int changed = 0;
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 40; ++x)
                changed += dst.GetPixel(x, y) != 0;
        EXPECT_GT(changed, 40 * 30 / 2) << "op " << op << " scatters the picture";
    }
}

// ---- Rule image --------------------------------------------------------------

class RuleImage : public ::testing::Test {
protected:
    void TearDown() override
    {
        CRuleImage::GetInstance().Release();
        CRuleImage::GetInstance().SetSoftness(255);
    }
};

TEST_F(RuleImage, SoftnessIsClamped)
{
    CRuleImage& rule = CRuleImage::GetInstance();
    EXPECT_EQ(255, rule.GetSoftness()) << "255 at first";
    rule.SetSoftness(-4);
    EXPECT_EQ(0, rule.GetSoftness());
    rule.SetSoftness(256);
    EXPECT_EQ(255, rule.GetSoftness());
    rule.SetSoftness(77);
    EXPECT_EQ(77, rule.GetSoftness());
}

TEST_F(RuleImage, GreyFromTheBlueChannelRepeated)
{
    CRuleImage& rule = CRuleImage::GetInstance();
    for (int f : kFormats) {
        CMemorySurface s;
        ASSERT_TRUE(s.Create(3, 2, f, false));
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 3; ++x)
                s.SetPixel(x, y, 0x804000u | uint32_t(8 * (x + 3 * y) + 8));
        ASSERT_TRUE(rule.SetFromSurface(&s, 7, 5)) << f;
        EXPECT_TRUE(rule.IsLoaded());
        EXPECT_EQ(7, rule.GetSize().cx);
        EXPECT_EQ(5, rule.GetSize().cy);
        const RuleMask m = rule.GetMask();
        EXPECT_GE(m.pitch, 7);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 7; ++x)
                ASSERT_EQ(8 * ((x % 3) + 3 * (y % 2)) + 8, m.bits[y * m.pitch + x])
                    << "format " << f << " at " << x << ", " << y;
        ASSERT_TRUE(rule.SetFromSurface(&s, 0, 0));
        EXPECT_EQ(3, rule.GetSize().cx) << "0 takes the surface's size";
        EXPECT_EQ(2, rule.GetSize().cy);
    }
    CMemorySurface empty;
    EXPECT_FALSE(rule.SetFromSurface(&empty, 4, 4));
    EXPECT_FALSE(rule.IsLoaded()) << "the previous image is gone";
    EXPECT_FALSE(rule.SetFromSurface(nullptr, 4, 4));
}

TEST_F(RuleImage, LoadedFromAPictureAndUsedByTheWipe)
{
    const std::string dir = surface_test::Folder("rule");
    CMemorySurface picture;
    ASSERT_TRUE(picture.Create(8, 4, 24, false));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x)
            picture.SetPixel(x, y, uint32_t(x * 32));
    ASSERT_TRUE(picture.SaveBitmap(dir + "\\rule.bmp"));
    CRuleImage& rule = CRuleImage::GetInstance();
    EXPECT_FALSE(rule.LoadRuleImage(dir + "\\missing.bmp", 0, 0));
    ASSERT_TRUE(rule.LoadRuleImage(dir + "\\rule.bmp", 16, 4));
    EXPECT_EQ(16, rule.GetSize().cx);

    // The wipe at progress 512 with softness 255: mask value i at 255 - i.
    CMemorySurface src, dst;
    ASSERT_TRUE(src.Create(16, 4, 32, false));
    ASSERT_TRUE(dst.Create(16, 4, 32, false));
    src.Fill(RGB(255, 255, 255));
    dst.Fill(0);
    dst.Blt(4, &src, Point(0, 0), 255, 512);
    for (int x = 0; x < 16; ++x) {
        const int t = 255 - (x % 8) * 32;
        EXPECT_EQ(uint32_t(t) * 0x010101u, dst.GetPixel(x, 2) & 0xFFFFFF) << x;
    }
    rule.Release();
    EXPECT_FALSE(rule.IsLoaded());
    dst.Fill(0);
    dst.Blt(4, &src, Point(0, 0), 255, 1024);
    EXPECT_EQ(0u, dst.GetPixel(3, 3)) << "no rule image, nothing drawn";
}

}  // namespace
