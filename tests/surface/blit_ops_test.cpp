// The blit operations on plain memory: clipping, every operation against its
// rules written out pixel by pixel here, and the sound behaviour where the
// rules would draw a wrong picture.
#include "surface/BlendTables.h"
#include "surface/BlitGeometry.h"
#include "surface/BlitOps.h"
#include "surface/kernels/KernelTable.h"
#include "surface/MersenneTwister.h"

#include <gtest/gtest.h>

#include "BlitTestSurface.h"

#include <cstring>
#include <map>
#include <sstream>
#include <string>

using namespace blit_test;

namespace {

const int kFormats[] = {15, 16, 24, 32};

class BlitOps : public ::testing::Test {
protected:
    static void SetUpTestSuite() { BuildBlendTables(); }
};

PixelRect R(int l, int t, int r, int b) { return PixelRect{l, t, r, b}; }

bool Same(const PixelRect& a, const PixelRect& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

BlitRequest Request(int op, int x, int y, const TestSurface& src, const TestSurface& dst, int p1 = 255, int p2 = 0)
{
    BlitRequest r;
    r.op = op;
    r.x = x;
    r.y = y;
    r.src = R(0, 0, src.view.width, src.view.height);
    r.clip = R(0, 0, dst.view.width, dst.view.height);
    r.param1 = p1;
    r.param2 = p2;
    return r;
}

// Op 0 by the rules: the clipped rectangle, pixel by pixel.
void RefOp0(TestSurface& dst, const TestSurface& src, const BlitRequest& r)
{
    PixelRect d, s;
    if (!ClipBlt(dst.view.width, dst.view.height, src.view.width, src.view.height, r.x, r.y, r.src, r.clip, d, s))
        return;
    for (int y = d.top; y < d.bottom; ++y)
        for (int x = d.left; x < d.right; ++x)
            RefDraw(dst, src, x, y, s.left + x - d.left, s.top + y - d.top, r.param1);
}

// ---- Clipping ---------------------------------------------------------------

TEST_F(BlitOps, ClippingMovesBothRectangles)
{
    PixelRect d, s;
    // A point left of and above the destination: drawing starts at 0, 0 with
    // the source shifted.
    ASSERT_TRUE(ClipBlt(100, 80, 50, 40, -7, -3, R(0, 0, 50, 40), R(0, 0, 100, 80), d, s));
    EXPECT_TRUE(Same(R(0, 0, 43, 37), d)) << Str(d);
    EXPECT_TRUE(Same(R(7, 3, 50, 40), s)) << Str(s);
    // A source rectangle larger than the source is cut to it.
    ASSERT_TRUE(ClipBlt(100, 80, 50, 40, 10, 10, R(-5, -2, 70, 60), R(0, 0, 100, 80), d, s));
    EXPECT_TRUE(Same(R(15, 12, 65, 52), d)) << Str(d);
    EXPECT_TRUE(Same(R(0, 0, 50, 40), s)) << Str(s);
    // The clip rectangle first, then the destination.
    ASSERT_TRUE(ClipBlt(100, 80, 50, 40, 90, 70, R(0, 0, 50, 40), R(95, 0, 200, 75), d, s));
    EXPECT_TRUE(Same(R(95, 70, 100, 75), d)) << Str(d);
    EXPECT_TRUE(Same(R(5, 0, 10, 5), s)) << Str(s);
    // Nothing left: everything zero.
    EXPECT_FALSE(ClipBlt(100, 80, 50, 40, 100, 0, R(0, 0, 50, 40), R(0, 0, 100, 80), d, s));
    EXPECT_TRUE(Same(R(0, 0, 0, 0), d) && Same(R(0, 0, 0, 0), s));
    EXPECT_FALSE(ClipBlt(100, 80, 50, 40, 0, 0, R(60, 0, 90, 40), R(0, 0, 100, 80), d, s)) << "source outside";
    // Far-out points do not wrap around.
    EXPECT_FALSE(ClipBlt(100, 80, 50, 40, INT32_MAX - 10, 0, R(0, 0, 50, 40), R(0, 0, 100, 80), d, s));
    EXPECT_FALSE(ClipBlt(100, 80, 50, 40, INT32_MIN, INT32_MIN, R(0, 0, 50, 40), R(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX), d, s));
}

TEST_F(BlitOps, NothingForMissingOrEmptyRectangles)
{
    TestSurface dst(20, 10, 32), src(8, 8, 32, 0, false, 2), before = dst;
    PixelRect touched;
    BlitRequest r = Request(0, 2, 2, src, dst);
    const PixelRect bad[] = {R(3, 0, 3, 8), R(0, 5, 8, 4), R(-4, -4, -1, 8), R(-4, -4, 8, -1)};
    for (const PixelRect& b : bad) {
        BlitRequest q = r;
        q.src = b;
        EXPECT_FALSE(BltPixels(dst.view, src.view, q, touched)) << "source " << Str(b);
        q = r;
        q.clip = b;
        EXPECT_FALSE(BltPixels(dst.view, src.view, q, touched)) << "clip " << Str(b);
        EXPECT_TRUE(Same(R(0, 0, 0, 0), touched));
    }
    for (int op : {-1, 15, 100}) {
        r.op = op;
        EXPECT_FALSE(BltPixels(dst.view, src.view, r, touched)) << "op " << op;
    }
    BlitSurface empty;
    EXPECT_FALSE(BltPixels(dst.view, empty, Request(0, 0, 0, src, dst), touched)) << "no source";
    EXPECT_EQ("", Diff(before, dst));
}

// ---- Op 0 --------------------------------------------------------------------

// Every format pair, source kind and destination alpha, at opacities from
// below 0 to above 255, with the point partly outside.
TEST_F(BlitOps, Op0EveryFormatPairKindAndDestinationAlpha)
{
    const int opacities[] = {-1, 0, 1, 100, 128, 254, 255, 256, 300};
    for (int df : kFormats)
        for (int sf : kFormats)
            for (int kind = 0; kind < 3; ++kind)
                for (int dstKind : {0, 2}) {
                    TestSurface dst(23, 9, df, dstKind, false, uint32_t(df * 7 + sf));
                    TestSurface src(13, 7, sf, kind, false, uint32_t(sf * 3 + kind));
                    src.view.colorKey = RefToRgb(sf, src.Get(2, 2));  // a key that occurs
                    for (int o : opacities) {
                        BlitRequest r = Request(0, -3, 4, src, dst, o);
                        r.op = o & 1;  // 1 is the same as 0
                        TestSurface expected = dst, got = dst;
                        RefOp0(expected, src, r);
                        PixelRect touched;
                        ASSERT_TRUE(BltPixels(got.view, src.view, r, touched));
                        EXPECT_TRUE(Same(R(0, 4, 10, 9), touched)) << Str(touched);
                        ASSERT_EQ("", Diff(expected, got)) << df << " <- " << sf << ", source kind " << kind
                                                           << ", destination kind " << dstKind << ", opacity " << o;
                    }
                }
}

// The same at every processor level: the straight copy, blends and alpha
// through the fastest kernels give the bytes of the portable ones.
TEST_F(BlitOps, Op0SameAtEveryLevel)
{
    CKernelTable& table = CKernelTable::GetInstance();
    const CpuLevel before = table.GetLevel();
    for (int f : kFormats)
        for (int kind = 0; kind < 3; ++kind) {
            TestSurface dst(71, 5, f, 0, false, 9), src(69, 5, f, kind, false, 10);
            src.view.colorKey = RefToRgb(f, src.Get(5, 1));
            for (int o : {255, 200}) {
                TestSurface expected = dst;
                RefOp0(expected, src, Request(0, 1, 0, src, dst, o));
                for (int level = 0; level <= table.GetMaxLevel(); ++level) {
                    table.SetLevel(level);
                    TestSurface got = dst;
                    PixelRect touched;
                    BltPixels(got.view, src.view, Request(0, 1, 0, src, dst, o), touched);
                    EXPECT_EQ("", Diff(expected, got)) << f << ", kind " << kind << ", opacity " << o << " at "
                                                       << CpuLevelName(level);
                }
            }
        }
    table.SetLevel(before);
}

// Whole rows of surfaces without padding are copied as one block; with
// padding, or part of a row, row by row, the padding left alone.
TEST_F(BlitOps, WholeRowsCopy)
{
    for (int f : kFormats)
        for (int padding : {0, 3}) {
            const int width = f == 24 ? 12 : 10;  // rows of a multiple of 4 bytes
            TestSurface dst(width, 7, f, 0, false, 1, padding), src(width, 7, f, 0, false, 2, padding);
            TestSurface expected = dst;
            RefOp0(expected, src, Request(0, 0, 0, src, dst));
            PixelRect touched;
            ASSERT_TRUE(BltPixels(dst.view, src.view, Request(0, 0, 0, src, dst), touched));
            EXPECT_EQ("", Diff(expected, dst)) << f << ", padding " << padding;
        }
}

// A surface drawn onto itself reads the source as it was before the draw.
TEST_F(BlitOps, OntoItselfReadsTheOldPixels)
{
    for (int f : kFormats) {
        TestSurface s(20, 12, f, 0, false, 4);
        const TestSurface before = s;
        BlitRequest r = Request(0, 3, 2, s, s);
        r.src = R(0, 0, 15, 9);
        PixelRect touched;
        ASSERT_TRUE(BltPixels(s.view, s.view, r, touched));
        for (int y = 0; y < 9; ++y)
            for (int x = 0; x < 15; ++x)
                ASSERT_EQ(before.Get(x, y), s.Get(x + 3, y + 2)) << f << ": (" << x << ", " << y << ")";
    }
}

// ---- Rotation ------------------------------------------------------------------

// Ops 2 and 3 by the rules: every destination pixel of the widened box, clip
// and destination mapped into the source rectangle.
void RefRotate(TestSurface& dst, const TestSurface& src, const BlitRequest& r)
{
    int32_t s, c;
    RotationSineCosine(r.param2, s, c);
    const PixelRect box = IntersectRect(IntersectRect(RotatedBounds(r.x, r.y, r.src, r.param2), r.clip),
                                        R(0, 0, dst.view.width, dst.view.height));
    const int w = r.src.right - r.src.left, h = r.src.bottom - r.src.top;
    const int scx = r.src.left + w / 2, scy = r.src.top + h / 2, cx = r.x + w / 2, cy = r.y + h / 2;
    for (int v = box.top; v < box.bottom; ++v)
        for (int i = box.left; i < box.right; ++i) {
            const int64_t sx = scx + ((int64_t(i - cx) * c - int64_t(v - cy) * s) >> 16);
            const int64_t sy = scy + ((int64_t(v - cy) * c + int64_t(i - cx) * s) >> 16);
            if (sx >= std::max(r.src.left, 0) && sx < std::min(r.src.right, src.view.width) &&
                sy >= std::max(r.src.top, 0) && sy < std::min(r.src.bottom, src.view.height))
                RefDraw(dst, src, i, v, int(sx), int(sy), r.param1);
        }
}

TEST_F(BlitOps, RotationMapsEveryPixelByTheSineTable)
{
    for (int f : {16, 24, 32})
        for (int kind = 0; kind < 3; ++kind)
            for (int angle : {0, 1, 100, 256, 300, 512, 700, 768, 1023, 1024, 5000, -5})
                for (int o : {255, 130}) {
                    TestSurface dst(40, 36, f, 0, false, 3), src(17, 12, f, kind, false, 8);
                    src.view.colorKey = RefToRgb(f, src.Get(3, 3));
                    BlitRequest r = Request(angle & 1 ? 3 : 2, 9, 11, src, dst, o, angle);
                    r.src = R(1, 1, 16, 12);
                    r.clip = R(2, 0, 38, 33);
                    TestSurface expected = dst, got = dst;
                    RefRotate(expected, src, r);
                    PixelRect touched;
                    ASSERT_TRUE(BltPixels(got.view, src.view, r, touched));
                    ASSERT_EQ("", Diff(expected, got)) << f << ", kind " << kind << ", angle " << angle << ", opacity " << o;
                }
}

TEST_F(BlitOps, RotationTouchesTheWidenedBox)
{
    // 10 x 6 at (20, 30) turned a quarter: the corners land at x 22..28,
    // y 28..38; widened by 2 and 3.
    EXPECT_TRUE(Same(R(20, 26, 31, 41), RotatedBounds(20, 30, R(0, 0, 10, 6), 256)))
        << Str(RotatedBounds(20, 30, R(0, 0, 10, 6), 256));
    EXPECT_TRUE(Same(R(18, 28, 33, 39), RotatedBounds(20, 30, R(5, 5, 15, 11), 0)));
    TestSurface dst(64, 64, 32), src(10, 6, 32);
    PixelRect touched;
    ASSERT_TRUE(BltPixels(dst.view, src.view, Request(2, 20, 30, src, dst, 255, 256), touched));
    EXPECT_TRUE(Same(R(20, 26, 31, 41), touched)) << Str(touched);
    BlitRequest r = Request(2, 20, 30, src, dst, 255, 256);
    r.clip = R(0, 0, 25, 35);
    ASSERT_TRUE(BltPixels(dst.view, src.view, r, touched));
    EXPECT_TRUE(Same(R(20, 26, 25, 35), touched)) << "cut by the clip: " << Str(touched);
}

TEST_F(BlitOps, RotationByZeroIsACopy)
{
    TestSurface dst(30, 20, 32), src(11, 7, 32, 0, false, 5), expected = dst;
    RefOp0(expected, src, Request(0, 4, 6, src, dst));
    PixelRect touched;
    BltPixels(dst.view, src.view, Request(2, 4, 6, src, dst, 255, 0), touched);
    EXPECT_EQ("", Diff(expected, dst));
}

// ---- Rule-mask wipe ----------------------------------------------------------

TEST_F(BlitOps, RuleWipeTable)
{
    uint8_t t[256];
    BuildRuleTable(512, 255, 255, t);  // P = 255: t[i] = 255 - i
    EXPECT_EQ(255, t[0]);
    EXPECT_EQ(155, t[100]);
    EXPECT_EQ(0, t[255]);
    BuildRuleTable(1024, 0, 255, t);  // P = 256, no softness: every value 255
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(255, t[i]);
    BuildRuleTable(0, 100, 255, t);
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(0, t[i]) << "progress 0 draws nothing";
    uint8_t u[256];
    BuildRuleTable(1023, 40, 200, t);
    BuildRuleTable(1024, 40, 200, u);
    EXPECT_EQ(0, std::memcmp(t, u, 256)) << "1023 counts as 1024";
    BuildRuleTable(300, 500, 999, t);
    BuildRuleTable(300, 255, 255, u);
    EXPECT_EQ(0, std::memcmp(t, u, 256)) << "softness and opacity clamped";
    BuildRuleTable(600, 30, 120, t);
    for (int i = 0; i < 256; ++i) {
        const int p = 600 * (30 + 256) / 1024, v = (p - i) * 256 / 31 + 120 - 255;
        ASSERT_EQ(std::min(std::max(v, 0), 255), t[i]) << i;
    }
}

TEST_F(BlitOps, RuleWipeDrawsEachPixelAtItsMaskOpacity)
{
    for (int f : kFormats)
        for (int kind = 0; kind < 3; ++kind) {
            TestSurface dst(30, 20, f, 0, false, 1), src(16, 12, f, kind, false, 2);
            src.view.colorKey = RefToRgb(f, src.Get(1, 1));
            // The mask: a gradient, smaller than the drawing in width.
            Bytes mask(12 * 14);
            for (size_t i = 0; i < mask.size(); ++i)
                mask[i] = uint8_t(i * 37);
            RuleMask rule;
            rule.bits = mask.data();
            rule.width = 11, rule.height = 14, rule.pitch = 12, rule.softness = 70;
            BlitRequest r = Request(4, 5, 3, src, dst, 230, 700);
            r.rule = &rule;
            uint8_t t[256];
            BuildRuleTable(700, 70, 230, t);
            TestSurface expected = dst, got = dst;
            for (int y = 3; y < 15; ++y)
                for (int x = 5; x < 16; ++x)
                    RefDraw(expected, src, x, y, x - 5, y - 3, t[mask[size_t(y - 3) * 12 + (x - 5)]]);
            PixelRect touched;
            ASSERT_TRUE(BltPixels(got.view, src.view, r, touched));
            EXPECT_TRUE(Same(R(5, 3, 16, 15), touched)) << "limited to the mask: " << Str(touched);
            ASSERT_EQ("", Diff(expected, got)) << f << ", kind " << kind;
        }
    TestSurface dst(8, 8, 32), src(8, 8, 32), before = dst;
    PixelRect touched;
    EXPECT_FALSE(BltPixels(dst.view, src.view, Request(4, 0, 0, src, dst, 255, 1024), touched)) << "no rule image";
    EXPECT_EQ("", Diff(before, dst));
}

// ---- Blinds ----------------------------------------------------------------------

TEST_F(BlitOps, BlindsDrawTheFirstLinesOfEveryBand)
{
    for (int op : {5, 6})
        for (int progress : {-5, 0, 31, 32, 100, 512, 1000, 1023, 1024, 4000}) {
            TestSurface dst(90, 80, 24, 0, false, 6), src(70, 75, 24, 0, false, 7);
            BlitRequest r = Request(op, 3, -2, src, dst, 255, progress);
            TestSurface expected = dst, got = dst;
            const int lines = (progress >= 1023 ? 1024 : std::max(progress, 0)) >> 5;
            for (int band = 0; band < 75; band += 32) {
                BlitRequest sub = Request(0, 3, -2, src, dst);
                if (op == 5)
                    sub.src = R(0, band, 70, std::min(band + lines, 75)), sub.y = -2 + band;
                else
                    sub.src = R(band, 0, std::min(band + lines, 70), 75), sub.x = 3 + band;
                if (lines > 0 && band < (op == 5 ? 75 : 70))
                    RefOp0(expected, src, sub);
            }
            PixelRect touched;
            ASSERT_TRUE(BltPixels(got.view, src.view, r, touched));
            EXPECT_TRUE(Same(R(3, 0, 73, 73), touched)) << Str(touched);
            ASSERT_EQ("", Diff(expected, got)) << "op " << op << ", progress " << progress;
        }
    // 1023 draws the full bands, like 1024; 31 draws nothing.
    TestSurface dst(40, 40, 32), src(40, 40, 32, 0, false, 3), full = dst, none = dst;
    PixelRect touched;
    BltPixels(full.view, src.view, Request(5, 0, 0, src, dst, 255, 1023), touched);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x)
            ASSERT_EQ(src.Get(x, y), full.Get(x, y));
    BltPixels(none.view, src.view, Request(6, 0, 0, src, dst, 255, 31), touched);
    EXPECT_EQ("", Diff(dst, none));
}

// ---- Dissolves -------------------------------------------------------------------

TEST_F(BlitOps, OrderedDissolveThresholds)
{
    // The stored tables less 64 (op 7) and 32 (op 8).
    const int stored[2][16] = {
        {0x100, 0x280, 0x080, 0x300, 0x380, 0x200, 0x400, 0x180, 0x080, 0x300, 0x100, 0x280, 0x400, 0x180, 0x380, 0x200},
        {0x040, 0x080, 0x0C0, 0x100, 0x300, 0x340, 0x380, 0x140, 0x2C0, 0x400, 0x3C0, 0x180, 0x280, 0x240, 0x200, 0x1C0}};
    for (int k = 0; k < 16; ++k) {
        EXPECT_EQ(stored[0][k] - 64, kDissolveThresholds[0][k]) << k;
        EXPECT_EQ(stored[1][k] - 32, kDissolveThresholds[1][k]) << k;
    }
    for (int op : {7, 8})
        for (int f : kFormats)
            for (int progress : {0, 31, 32, 64, 192, 500, 704, 1000, 1023})
                for (int o : {255, 90}) {
                    TestSurface dst(21, 15, f, 0, false, 11), src(19, 13, f, 0, false, 12);
                    BlitRequest r = Request(op, -2, -1, src, dst, o, progress);
                    TestSurface expected = dst, got = dst;
                    const int p = progress >= 1023 ? 1024 : progress;
                    for (int y = 0; y < 12; ++y)
                        for (int x = 0; x < 17; ++x) {
                            const int cell = 4 * ((y + 1) & 3) + ((x + 2) & 3);
                            if (p >= kDissolveThresholds[op - 7][cell])
                                RefDraw(expected, src, x, y, x + 2, y + 1, o);
                        }
                    PixelRect touched;
                    ASSERT_TRUE(BltPixels(got.view, src.view, r, touched));
                    ASSERT_EQ("", Diff(expected, got)) << "op " << op << ", format " << f << ", progress " << progress;
                }
}

TEST_F(BlitOps, DissolvesNeedAnOpaqueSourceOfTheSameFormat)
{
    for (int op : {7, 8, 9, 12}) {
        TestSurface dst(10, 10, 32), other(10, 10, 24), keyed(10, 10, 32, 1), alpha(10, 10, 32, 2);
        const TestSurface before = dst;
        PixelRect touched;
        EXPECT_FALSE(BltPixels(dst.view, other.view, Request(op, 0, 0, other, dst, 255, 1024), touched)) << op;
        EXPECT_FALSE(BltPixels(dst.view, keyed.view, Request(op, 0, 0, keyed, dst, 255, 1024), touched)) << op;
        EXPECT_FALSE(BltPixels(dst.view, alpha.view, Request(op, 0, 0, alpha, dst, 255, 1024), touched)) << op;
        EXPECT_EQ("", Diff(before, dst)) << op;
    }
}

TEST_F(BlitOps, RandomDissolveInBlocksOfTwo)
{
    for (int f : {16, 32})
        for (int progress : {0, 1, 300, 1024})
            for (uint32_t seed : {1u, 4357u, 0xDEADBEEFu}) {
                TestSurface dst(25, 19, f, 0, false, 2), src(25, 19, f, 0, false, 3);
                BlitRequest r = Request(9, 0, 0, src, dst, 200, progress);
                r.clip = R(1, 2, 24, 19);  // odd width and height: narrower last blocks
                r.seed = seed;
                TestSurface expected = dst, got = dst;
                CMersenneTwister random(seed);
                for (int y = 2; y < 19; y += 2)
                    for (int x = 1; x < 24; x += 2) {
                        const bool drawn = progress - int(random.Random(1024)) >= 0;
                        for (int k = 0; k < 4; ++k)
                            if (drawn && x + (k & 1) < 24 && y + k / 2 < 19)
                                RefDraw(expected, src, x + (k & 1), y + k / 2, x + (k & 1), y + k / 2, 200);
                    }
                PixelRect touched;
                ASSERT_TRUE(BltPixels(got.view, src.view, r, touched));
                ASSERT_EQ("", Diff(expected, got)) << f << ", progress " << progress << ", seed " << seed;
            }
}

// ---- Blur ------------------------------------------------------------------------

TEST_F(BlitOps, BlurDrawsTheShiftedCopies)
{
    for (int n : {-3, 0, 1, 2, 3, 5}) {
        TestSurface dst(30, 26, 32, 0, false, 4), src(12, 10, 32, 0, false, 5);
        BlitRequest r = Request(10, 8, 7, src, dst, 250, n);
        TestSurface expected = dst, got = dst;
        if (n <= 1) {
            RefOp0(expected, src, Request(0, 8, 7, src, dst, 250));
        } else {
            for (int j = -(n / 2); j <= n - 1 - n / 2; ++j)
                for (int i = -(n / 2); i <= n - 1 - n / 2; ++i)
                    RefOp0(expected, src, Request(0, 8 + i, 7 + j, src, dst, 250 / (n * n)));
        }
        PixelRect touched;
        ASSERT_TRUE(BltPixels(got.view, src.view, r, touched));
        ASSERT_EQ("", Diff(expected, got)) << "n " << n;
        const int lo = n <= 1 ? 0 : -(n / 2), hi = n <= 1 ? 0 : n - 1 - n / 2;
        EXPECT_TRUE(Same(R(8 + lo, 7 + lo, 20 + hi, 17 + hi), touched)) << "n " << n << ": " << Str(touched);
    }
}

// Each of the n x n draws has opacity / (n x n), truncated: a share of 0
// draws nothing, and shares of 1 to 7 leave 15- and 16-bit pixels as they
// are (level 0 of the tables).
TEST_F(BlitOps, BlurDrawsEachCopyAtItsShare)
{
    for (int f : kFormats) {
        TestSurface src(40, 40, f, 0, false, 5);
        // 255 / 225 = 1 at n = 15: every copy drawn at 1; at 16 the share is 0.
        for (int n : {15, 16}) {
            TestSurface dst(60, 60, f, 0, false, 4), expected = dst;
            for (int j = -(n / 2); j <= n - 1 - n / 2; ++j)
                for (int i = -(n / 2); i <= n - 1 - n / 2; ++i)
                    RefOp0(expected, src, Request(0, 10 + i, 10 + j, src, dst, 255 / (n * n)));
            PixelRect touched;
            const bool drawn = BltPixels(dst.view, src.view, Request(10, 10, 10, src, dst, 255, n), touched);
            ASSERT_EQ("", Diff(expected, dst)) << f << ", n " << n;
            EXPECT_EQ(n == 15, drawn) << f << ", n " << n;
            EXPECT_EQ(n == 15, !IsEmptyRect(touched)) << f << ", n " << n << ": " << Str(touched);
        }
        // n = 2: opacity 31 gives shares of 7, 32 shares of 8.
        for (int o : {31, 32}) {
            TestSurface dst(60, 60, f, 0, false, 4), expected = dst, before = dst;
            for (int j = -1; j <= 0; ++j)
                for (int i = -1; i <= 0; ++i)
                    RefOp0(expected, src, Request(0, 10 + i, 10 + j, src, dst, o / 4));
            PixelRect touched;
            ASSERT_TRUE(BltPixels(dst.view, src.view, Request(10, 10, 10, src, dst, o, 2), touched));
            ASSERT_EQ("", Diff(expected, dst)) << f << ", opacity " << o;
            if (f == 15 || f == 16) {
                // Level 0 keeps the colour (format 15 loses bit 15, as its tables do).
                bool kept = true;
                for (int y = 0; y < 60; ++y)
                    for (int x = 0; x < 60; ++x)
                        kept = kept && ((before.Get(x, y) ^ dst.Get(x, y)) & 0x7FFF) == 0;
                EXPECT_EQ(o == 31, kept) << f << ": shares below 8 change no colour";
            }
        }
    }
    // Opacity 60 at n 8 and any n past 15 at 255: 0 each.
    for (int n : {8, 46341, INT32_MAX}) {
        TestSurface dst(40, 40, 32, 0, false, 1), src(20, 20, 32, 0, false, 2), before = dst;
        PixelRect touched;
        EXPECT_FALSE(BltPixels(dst.view, src.view, Request(10, 10, 10, src, dst, n == 8 ? 60 : 255, n), touched));
        EXPECT_EQ("", Diff(before, dst)) << "n " << n;
    }
}

// ---- Mosaic ----------------------------------------------------------------------

TEST_F(BlitOps, MosaicCellsTakeTheirFirstClippedPixel)
{
    for (int f : kFormats)
        for (int cell : {-2, 0, 1, 2, 3, 7, 64})
            for (int o : {255, 100}) {
                TestSurface dst(40, 30, f, 0, false, 8), src(33, 27, f, 0, false, 9);
                BlitRequest r = Request(11, 5, 4, src, dst, o, cell);
                r.clip = R(8, 6, 36, 29);
                TestSurface expected = dst, got = dst;
                PixelRect d, s;
                ClipBlt(40, 30, 33, 27, 5, 4, r.src, r.clip, d, s);
                for (int y = d.top; y < d.bottom; ++y)
                    for (int x = d.left; x < d.right; ++x) {
                        int sx = x, sy = y;
                        if (cell > 0) {
                            const int bx = 5 - cell / 2, by = 4 - cell / 2;
                            sx = std::max(bx + (x - bx) / cell * cell, d.left);
                            sy = std::max(by + (y - by) / cell * cell, d.top);
                        }
                        RefDraw(expected, src, x, y, s.left + sx - d.left, s.top + sy - d.top, o);
                    }
                PixelRect touched;
                ASSERT_TRUE(BltPixels(got.view, src.view, r, touched));
                ASSERT_EQ("", Diff(expected, got)) << f << ", cell " << cell << ", opacity " << o;
            }
    TestSurface dst(10, 10, 32), keyed(10, 10, 32, 1);
    PixelRect touched;
    EXPECT_FALSE(BltPixels(dst.view, keyed.view, Request(11, 0, 0, keyed, dst, 255, 4), touched))
        << "a source that is not opaque draws nothing";
}

// ---- Scatter -----------------------------------------------------------------------

// Ops 12 to 14 as the rules write them, one write after the other; each
// pixel of a line is then drawn once, at the opacity, with the last source
// pixel that landed on it.
void RefScatter(TestSurface& dst, const TestSurface& src, const BlitRequest& r)
{
    PixelRect d, s;
    if (!ClipBlt(dst.view.width, dst.view.height, src.view.width, src.view.height, r.x, r.y, r.src, r.clip, d, s))
        return;
    CMersenneTwister random(r.seed);
    const int spread = r.param2;
    const bool vertical = r.op == 14;
    const int length = vertical ? r.src.bottom - r.src.top : r.src.right - r.src.left;
    auto inside = [&](int x, int y) {
        return x >= std::max(r.clip.left, 0) && x < std::min(r.clip.right, dst.view.width) &&
               y >= std::max(r.clip.top, 0) && y < std::min(r.clip.bottom, dst.view.height);
    };
    auto taken = [&](int sx, int sy) {
        if (src.alpha.empty())
            return true;
        return src.A(sx, sy) == 255;
    };
    const int lines0 = vertical ? d.left : d.top, lines1 = vertical ? d.right : d.bottom;
    const int opacity = RefClamp(r.param1);
    for (int line = lines0; line < lines1; ++line) {
        std::map<std::pair<int, int>, uint32_t> landed;
        int u = int(random.Random(uint32_t(spread))) - spread / 2;
        while (u < length + spread) {
            int v = int(random.Random(uint32_t(spread)));
            if (v / 2 < 1)
                v = 2;
            const int at = (vertical ? r.src.top : r.src.left) + v / 2 + u;
            const int sx = vertical ? s.left + line - d.left : at, sy = vertical ? at : s.top + line - d.top;
            if (sx >= 0 && sx < src.view.width && sy >= 0 && sy < src.view.height && sx >= r.src.left &&
                sx < r.src.right && sy >= r.src.top && sy < r.src.bottom) {
                auto put = [&](int k) {
                    const int x = vertical ? line : r.x + k, y = vertical ? r.y + k : line;
                    if (inside(x, y))
                        landed[{x, y}] = RefConvert(dst.view.format, src.view.format, src.Get(sx, sy));
                };
                if (r.op == 12) {
                    put(u);
                    put(u + v);
                } else if (taken(sx, sy)) {
                    for (int k = 0; k < v; ++k)
                        put(u + k);
                }
            }
            u += v / 2;
        }
        for (const auto& [at, pixel] : landed) {
            const int x = at.first, y = at.second;
            if (dst.view.kind == 2)
                dst.Set(x, y, RefBlendDstAlpha(dst.view.format, pixel, dst.Get(x, y), opacity, dst.A(x, y)));
            else
                dst.Set(x, y, RefBlend(dst.view.format, pixel, dst.Get(x, y), opacity));
        }
    }
}

TEST_F(BlitOps, ScatterFollowsTheWalkOfTheRules)
{
    for (int op : {12, 13, 14})
        for (int spread : {1, 2, 3, 8, 33})
            for (uint32_t seed : {7u, 4357u}) {
                const int f = 32;
                TestSurface dst(50, 40, f, 0, false, 2), src(30, 25, f, op == 12 ? 0 : 2, false, 3);
                BlitRequest r = Request(op, 10, 6, src, dst, 255, spread);
                r.src = R(2, 1, 28, 24);
                r.clip = R(3, 5, 47, 33);
                r.seed = seed;
                TestSurface expected = dst, got = dst;
                RefScatter(expected, src, r);
                PixelRect touched;
                ASSERT_TRUE(BltPixels(got.view, src.view, r, touched));
                ASSERT_EQ("", Diff(expected, got)) << "op " << op << ", spread " << spread << ", seed " << seed;
                // Every changed pixel lies in the touched rectangle.
                for (int y = 0; y < 40; ++y)
                    for (int x = 0; x < 50; ++x)
                        if (got.Get(x, y) != dst.Get(x, y)) {
                            ASSERT_TRUE(x >= touched.left && x < touched.right && y >= touched.top && y < touched.bottom)
                                << "(" << x << ", " << y << ") outside " << Str(touched);
                        }
            }
}

// Wide pictures (vertical scatters draw their columns in tiles of 32), every
// format, opacities below 255 and destinations with alpha.
TEST_F(BlitOps, ScatterOnEveryFormatAtAnOpacityAndOntoAlpha)
{
    for (int op : {13, 14})
        for (int f : {15, 16, 24, 32})
            for (bool dstAlpha : {false, true})
                for (int opacity : {255, 128, 1}) {
                    TestSurface dst(90, 44, f, dstAlpha ? 2 : 0, false, 2), src(85, 40, f, 2, false, 3);
                    BlitRequest r = Request(op, 4, 3, src, dst, opacity, 9);
                    r.src = R(1, 2, 84, 39);
                    r.clip = R(2, 1, 87, 43);
                    r.seed = 4357;
                    TestSurface expected = dst, got = dst;
                    RefScatter(expected, src, r);
                    PixelRect touched;
                    ASSERT_TRUE(BltPixels(got.view, src.view, r, touched));
                    ASSERT_EQ("", Diff(expected, got)) << "op " << op << ", format " << f << ", opacity " << opacity
                                                       << (dstAlpha ? ", destination alpha" : "");
                }
}

TEST_F(BlitOps, ScatterOpacityAndSpreadZero)
{
    // Op 12 with spread 0 is op 0.
    TestSurface dst(20, 20, 16), src(12, 12, 16, 0, false, 5), expected = dst, got = dst;
    RefOp0(expected, src, Request(0, 3, 3, src, dst, 150));
    PixelRect touched;
    ASSERT_TRUE(BltPixels(got.view, src.view, Request(12, 3, 3, src, dst, 150, 0), touched));
    EXPECT_EQ("", Diff(expected, got));
    // Ops 13 and 14 with spread 0 draw every taken pixel in its place.
    for (int op : {13, 14}) {
        TestSurface a(12, 12, 32, 2, false, 6), exp(20, 20, 32), out = exp;
        for (int y = 0; y < 12; ++y)
            for (int x = 0; x < 12; ++x)
                if (a.A(x, y) == 255)
                    exp.Set(x + 3, y + 3, a.Get(x, y));
        ASSERT_TRUE(BltPixels(out.view, a.view, Request(op, 3, 3, a, out, 255, 0), touched));
        EXPECT_EQ("", Diff(exp, out)) << "op " << op;
    }
    // Below 255 each pixel is drawn once at the opacity, with the last
    // source pixel that landed on it.
    TestSurface base(40, 6, 32), srcRow(30, 6, 32, 0, false, 8);
    base.FillWith(0);
    TestSurface full = base, half = base;
    BlitRequest r = Request(12, 5, 0, srcRow, base, 255, 6);
    r.seed = 99;
    ASSERT_TRUE(BltPixels(full.view, srcRow.view, r, touched));
    r.param1 = 128;
    ASSERT_TRUE(BltPixels(half.view, srcRow.view, r, touched));
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 40; ++x)
            ASSERT_EQ(RefBlend(32, full.Get(x, y), 0, 128), half.Get(x, y)) << x << ", " << y;
}

// ---- Stretching --------------------------------------------------------------------

// Both stretches by the rules, pixel by pixel.
void RefStretch(TestSurface& dst, const TestSurface& src, const StretchRequest& r)
{
    const int dw = r.dst.right - r.dst.left, dh = r.dst.bottom - r.dst.top;
    const int sw = r.src.right - r.src.left, sh = r.src.bottom - r.src.top;
    const int64_t stepX = int64_t(double(sw - 1) / double(dw - 1) * 65536.0);
    const int64_t stepY = int64_t(double(sh - 1) / double(dh - 1) * 65536.0);
    const PixelRect area = IntersectRect(IntersectRect(r.dst, r.clip), R(0, 0, dst.view.width, dst.view.height));
    const PixelRect valid = IntersectRect(r.src, R(0, 0, src.view.width, src.view.height));
    const int f = src.view.format;
    auto lerp = [f](uint32_t p, uint32_t q, uint32_t fr) {
        auto ch = [&](int shift, uint32_t mask) {
            const int a = int(p >> shift & mask), b = int(q >> shift & mask);
            return uint32_t(a + ((b - a) * int(fr) >> 16)) << shift;
        };
        if (f == 15) return ch(10, 31) | ch(5, 31) | ch(0, 31);
        if (f == 16) return ch(11, 31) | ch(5, 63) | ch(0, 31);
        uint32_t v = 0;
        for (int shift = 0; shift < (f == 24 ? 24 : 32); shift += 8)
            v |= ch(shift, 255);
        return v;
    };
    auto lerpByte = [](int a, int b, uint32_t fr) { return a + ((b - a) * int(fr) >> 16); };
    const uint32_t key = ColorToPixel(f, src.view.colorKey) & RefKeyBits(f);
    const int o = RefClamp(r.param1);
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x) {
            const int64_t px = (x - r.dst.left) * stepX, py = (y - r.dst.top) * stepY;
            const int sx = int(r.src.left + (px >> 16)), sy = int(r.src.top + (py >> 16));
            if (sx < valid.left || sx >= valid.right || sy < valid.top || sy >= valid.bottom)
                continue;
            uint32_t pixel = src.Get(sx, sy);
            int alpha = src.alpha.empty() ? 255 : src.A(sx, sy);
            if (r.op == 1) {
                const int nx = sx + 1 < valid.right ? sx + 1 : sx, ny = sy + 1 < valid.bottom ? sy + 1 : sy;
                const uint32_t fx = uint32_t(px & 0xFFFF), fy = uint32_t(py & 0xFFFF);
                const uint32_t top = lerp(src.Get(sx, sy), src.Get(nx, sy), fx);
                const uint32_t bottom = lerp(src.Get(sx, ny), src.Get(nx, ny), fx);
                pixel = lerp(top, bottom, fy);
                if (!src.alpha.empty())
                    alpha = lerpByte(lerpByte(src.A(sx, sy), src.A(nx, sy), fx), lerpByte(src.A(sx, ny), src.A(nx, ny), fx), fy);
            }
            int a = o;
            if (src.view.kind == 1 && (pixel & RefKeyBits(f)) == key)
                continue;
            if (src.view.kind == 2)
                a = std::max(0, alpha - (255 - o));
            const uint32_t s = RefConvert(dst.view.format, f, pixel);
            if (dst.view.kind == 2)
                dst.Set(x, y, RefBlendDstAlpha(dst.view.format, s, dst.Get(x, y), a, dst.A(x, y)));
            else
                dst.Set(x, y, RefBlend(dst.view.format, s, dst.Get(x, y), a));
        }
}

TEST_F(BlitOps, StretchNearestAndBilinear)
{
    struct Case {
        PixelRect dst, src, clip;
    } cases[] = {
        {R(0, 0, 40, 30), R(0, 0, 17, 13), R(0, 0, 64, 64)},     // up
        {R(3, 2, 13, 9), R(1, 1, 30, 24), R(0, 0, 64, 64)},      // down
        {R(-5, -4, 60, 70), R(2, 3, 20, 22), R(4, 2, 50, 40)},   // clipped
        {R(10, 10, 50, 12), R(-6, 5, 40, 30), R(0, 0, 64, 64)},  // source beyond the surface
        {R(0, 0, 64, 2), R(0, 0, 2, 2), R(0, 0, 64, 64)},        // smallest
    };
    for (int op : {0, 1})
        for (int df : kFormats)
            for (int sf : kFormats)
                for (int kind = 0; kind < 3; ++kind)
                    for (const Case& c : cases) {
                        TestSurface dst(64, 64, df, kind == 1 ? 2 : 0, false, 3), src(30, 26, sf, kind, false, 4);
                        src.view.colorKey = RefToRgb(sf, src.Get(4, 4));
                        for (int o : {255, 170}) {
                            StretchRequest r;
                            r.op = op, r.dst = c.dst, r.src = c.src, r.clip = c.clip, r.param1 = o;
                            TestSurface expected = dst, got = dst;
                            RefStretch(expected, src, r);
                            PixelRect touched;
                            ASSERT_TRUE(StretchBltPixels(got.view, src.view, r, touched));
                            EXPECT_TRUE(Same(IntersectRect(IntersectRect(c.dst, c.clip), R(0, 0, 64, 64)), touched));
                            ASSERT_EQ("", Diff(expected, got)) << "op " << op << ", " << df << " <- " << sf << ", kind "
                                                               << kind << ", " << Str(c.dst) << " <- " << Str(c.src)
                                                               << ", opacity " << o;
                        }
                    }
}

TEST_F(BlitOps, StretchEndsMeetAndSmallRectanglesDrawNothing)
{
    // 9 / 72 and 3 / 6 of a pixel per step are exact in 16.16: the first and
    // last columns and rows meet the source's.
    TestSurface dst(100, 10, 32), src(10, 4, 32, 0, false, 2);
    StretchRequest r;
    r.dst = R(0, 0, 73, 7), r.src = R(0, 0, 10, 4), r.clip = R(0, 0, 100, 10);
    PixelRect touched;
    ASSERT_TRUE(StretchBltPixels(dst.view, src.view, r, touched));
    EXPECT_EQ(src.Get(0, 0), dst.Get(0, 0));
    EXPECT_EQ(src.Get(9, 3), dst.Get(72, 6)) << "the last column and row meet the source's";
    // 9 / 90 is not: the truncated step, added up, ends just short of the
    // last column.
    r.dst = R(0, 0, 91, 7);
    ASSERT_TRUE(StretchBltPixels(dst.view, src.view, r, touched));
    EXPECT_EQ(src.Get(8, 3), dst.Get(90, 6));
    const TestSurface before = dst;
    for (const PixelRect& bad : {R(0, 0, 1, 7), R(0, 0, 91, 1), R(5, 5, 3, 9)}) {
        r.dst = bad;
        EXPECT_FALSE(StretchBltPixels(dst.view, src.view, r, touched)) << Str(bad);
    }
    r.dst = R(0, 0, 91, 7);
    r.src = R(0, 0, 1, 4);
    EXPECT_FALSE(StretchBltPixels(dst.view, src.view, r, touched)) << "a source narrower than 2";
    r.src = R(0, 0, 10, 4);
    r.op = 2;
    EXPECT_FALSE(StretchBltPixels(dst.view, src.view, r, touched)) << "only ops 0 and 1 stretch";
    EXPECT_EQ("", Diff(before, dst));
}

// ---- Every level, far-out requests -------------------------------------------------

// Every operation draws the same bytes at every processor level, with the
// point partly outside and a clip rectangle cutting the drawing.
TEST_F(BlitOps, EveryOperationSameAtEveryLevel)
{
    CKernelTable& table = CKernelTable::GetInstance();
    const CpuLevel before = table.GetLevel();
    Bytes mask(48 * 40);
    for (size_t i = 0; i < mask.size(); ++i)
        mask[i] = uint8_t(i * 7 + i / 48 * 13);
    RuleMask rule;
    rule.bits = mask.data(), rule.width = 48, rule.height = 40, rule.pitch = 48, rule.softness = 30;
    const int params[15] = {0, 0, 200, 350, 600, 500, 500, 600, 600, 600, 3, 5, 6, 6, 6};
    for (int f : kFormats)
        for (int kind = 0; kind < 3; ++kind)
            for (int dstKind : {0, 2})
                for (int op = 0; op <= 16; ++op) {  // 15 and 16: the stretches
                    TestSurface dst(48, 40, f, dstKind, false, 3), src(37, 29, f, kind, false, 4);
                    src.view.colorKey = RefToRgb(f, src.Get(6, 6));
                    BlitRequest r = Request(op, -3, 2, src, dst, 180, op < 15 ? params[op] : 0);
                    r.clip = R(1, 0, 45, 36);
                    r.rule = &rule;
                    r.seed = 77;
                    StretchRequest sr;
                    sr.op = op - 15, sr.dst = R(-4, 3, 60, 37), sr.src = R(1, 1, 36, 29), sr.clip = r.clip;
                    sr.param1 = 180;
                    TestSurface expected = dst;
                    PixelRect touched;
                    table.SetLevel(kCpuPortable);
                    if (op < 15)
                        BltPixels(expected.view, src.view, r, touched);
                    else
                        StretchBltPixels(expected.view, src.view, sr, touched);
                    for (int level = kCpuMMX; level <= table.GetMaxLevel(); ++level) {
                        table.SetLevel(level);
                        TestSurface got = dst;
                        if (op < 15)
                            BltPixels(got.view, src.view, r, touched);
                        else
                            StretchBltPixels(got.view, src.view, sr, touched);
                        ASSERT_EQ("", Diff(expected, got)) << "op " << op << ", format " << f << ", kind " << kind
                                                           << ", destination kind " << dstKind << " at "
                                                           << CpuLevelName(level);
                    }
                }
    table.SetLevel(before);
}

// Points, rectangles and amounts at the ends of their range neither wrap
// around nor take long: they draw what lies inside, or nothing.
TEST_F(BlitOps, FarOutRequestsDoNotWrap)
{
    const int32_t big = INT32_MAX, small = INT32_MIN;
    TestSurface dst(30, 20, 32), src(16, 12, 32, 0, false, 5);
    const TestSurface before = dst;
    PixelRect touched;
    for (int op = 0; op <= 14; ++op)
        for (int32_t amount : {big, small, 1 << 20, 46341}) {
            BlitRequest r = Request(op, big - 5, small + 5, src, dst, big, amount);
            EXPECT_FALSE(BltPixels(dst.view, src.view, r, touched)) << "op " << op << " far out";
            r = Request(op, 2, 3, src, dst, small, amount);
            r.src = R(small, small, big, big);
            r.clip = R(small, small, big, big);
            BltPixels(dst.view, src.view, r, touched);  // the source as far as it goes, opacity 0
        }
    EXPECT_EQ("", Diff(before, dst)) << "opacity 0 and far-out points change nothing";
    // A point at the far corner with a source rectangle that reaches back
    // over the destination: every operation draws from it without wrapping.
    for (int op = 0; op <= 14; ++op) {
        TestSurface t = before;
        BlitRequest far = Request(op, small, small, src, dst, 255, op == 10 ? 20 : 3);
        far.src = R(small, small, big, big);
        BltPixels(t.view, src.view, far, touched);
    }
    // A rotation of a rectangle far larger than the source: the source's
    // pixels where they land, nothing else.
    TestSurface turned = before;
    BlitRequest r = Request(2, -1000000, -1000000, src, dst, 255, 512);
    r.src = R(-1000000, -1000000, 1000016, 1000012);
    ASSERT_TRUE(BltPixels(turned.view, src.view, r, touched));
    // Centres at (8, 6) in both: destination (i, v) reads (16 - i, 12 - v).
    EXPECT_EQ(src.Get(15, 11), turned.Get(1, 1)) << "half a turn about the centre";
    EXPECT_EQ(src.Get(0, 0), turned.Get(16, 12));
    EXPECT_EQ(before.Get(0, 0), turned.Get(0, 0)) << "(16, 12) is outside the source";
    EXPECT_EQ(before.Get(29, 19), turned.Get(29, 19));
    // A huge mosaic cell and blur: one cell, and an average too thin to show.
    TestSurface m = before;
    ASSERT_TRUE(BltPixels(m.view, src.view, Request(11, 4, 4, src, dst, 255, big), touched));
    EXPECT_EQ(src.Get(0, 0), m.Get(10, 10)) << "one cell, the first pixel";
    m = before;
    EXPECT_FALSE(BltPixels(m.view, src.view, Request(10, 4, 4, src, dst, 255, big), touched));
    EXPECT_EQ("", Diff(before, m));
    // Stretches from and to enormous rectangles: onto the destination, the
    // step truncates to 0 and the source's first pixel fills it; from the
    // source, every destination column reads past the 16 that exist
    // (nothing to draw).
    for (int op : {0, 1}) {
        StretchRequest sr;
        sr.op = op, sr.dst = R(small, small, big, big), sr.src = R(0, 0, 16, 12), sr.clip = R(0, 0, 30, 20);
        TestSurface t = before;
        EXPECT_TRUE(StretchBltPixels(t.view, src.view, sr, touched));
        EXPECT_EQ(src.Get(0, 0), t.Get(29, 19));
        sr.dst = R(0, 0, 30, 20), sr.src = R(small, small, big, big);
        t = before;
        EXPECT_FALSE(StretchBltPixels(t.view, src.view, sr, touched));
        EXPECT_EQ("", Diff(before, t));
    }
}

// ---- Generator --------------------------------------------------------------------

TEST(MersenneTwister, RandomIsTheOutputModuloN)
{
    CMersenneTwister a(123), b(123);
    for (uint32_t n : {1u, 2u, 7u, 1024u, 0xFFFFFFFFu}) {
        const uint32_t x = a.Next();
        EXPECT_EQ(x % n, b.Random(n)) << n;
    }
    EXPECT_EQ(0u, b.Random(0)) << "0 for n = 0";
    EXPECT_EQ(a.Next(), b.Next()) << "Random(0) takes no output";
}

}  // namespace
