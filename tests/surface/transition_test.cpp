// Transitions on plain memory: every operation of both families at several
// progress values on every format against its composition of same-size and
// stretching operations (or its per-pixel rule), the end states, the format
// conditions, the geometry of the centred rectangles and strip wipes, and the
// query's rectangle against what the drawing changed.
#include "surface/BlendTables.h"
#include "surface/BlitGeometry.h"
#include "surface/BlitOps.h"
#include "surface/kernels/KernelTable.h"
#include "surface/MersenneTwister.h"
#include "surface/PixelFormat.h"
#include "surface/QuadTween.h"
#include "surface/SineTween.h"
#include "surface/Transitions.h"

#include <gtest/gtest.h>

#include "BlitTestSurface.h"

#include <string>
#include <vector>

using namespace blit_test;

namespace {

const int kFormats[] = {15, 16, 24, 32};
const int kProgress[] = {0, 1, 100, 255, 343, 512, 700, 1000, 1022, 1023, 1024, 1500, -7};

PixelRect R(int l, int t, int r, int b) { return PixelRect{l, t, r, b}; }

bool Same(const PixelRect& a, const PixelRect& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

class Transitions : public ::testing::Test {
protected:
    static void SetUpTestSuite() { BuildBlendTables(); }
};

int Progress(int p) { return p >= 1023 ? 1024 : p < 0 ? 0 : p; }

// ---- The compositions, written out ------------------------------------------

void Op(TestSurface& dst, const TestSurface& src, int op, int x, int y, const PixelRect& rect, const PixelRect& clip,
        int opacity, int param2, uint32_t seed)
{
    BlitRequest r;
    r.op = op;
    r.x = x;
    r.y = y;
    r.src = rect;
    r.clip = clip;
    r.param1 = opacity;
    r.param2 = param2;
    r.seed = seed;
    PixelRect drawn;
    BltPixels(dst.view, src.view, r, drawn);
}

void Stretch(TestSurface& dst, const TestSurface& src, const PixelRect& to, const PixelRect& from,
             const PixelRect& clip, int opacity)
{
    if (to.right - to.left == from.right - from.left && to.bottom - to.top == from.bottom - from.top) {
        Op(dst, src, 0, to.left, to.top, from, clip, opacity, 0, 0);
        return;
    }
    StretchRequest r;
    r.dst = to;
    r.src = from;
    r.clip = clip;
    r.param1 = opacity;
    PixelRect drawn;
    StretchBltPixels(dst.view, src.view, r, drawn);
}

// The destination rectangle both pictures cover (the test's pictures hold
// their whole rectangles).
PixelRect Covered(const TestSurface& dst, int x, int y, int w, int h, const PixelRect& clip)
{
    return IntersectRect(IntersectRect(R(x, y, x + w, y + h), clip), R(0, 0, dst.view.width, dst.view.height));
}

struct Scene {
    int x = 3, y = 2;
    PixelRect first = R(1, 2, 33, 35);    // 32 x 33
    PixelRect second = R(2, 1, 35, 35);   // 33 x 34: the transition is 32 x 33
    PixelRect clip = R(0, 0, 1000, 1000);
    uint32_t seed = 77;
    RuleMask rule;
};

// Extended op at progress p by its definition.
void Reference(int op, TestSurface& d, const TestSurface& a, const TestSurface& b, const Scene& s, int progress)
{
    const int p = Progress(progress);
    const int w = 32, h = 33;
    const PixelRect ra = R(s.first.left, s.first.top, s.first.left + w, s.first.top + h);
    const PixelRect rb = R(s.second.left, s.second.top, s.second.left + w, s.second.top + h);
    const PixelRect whole = R(0, 0, d.view.width, d.view.height);
    const int f = d.view.format;
    const bool same = a.view.format == f && b.view.format == f;
    auto A = [&](int o, int opacity, int p2) { Op(d, a, o, s.x, s.y, ra, s.clip, opacity, p2, s.seed); };
    auto B = [&](int o, int opacity, int p2) { Op(d, b, o, s.x, s.y, rb, s.clip, opacity, p2, s.seed); };
    const PixelRect t = Covered(d, s.x, s.y, w, h, s.clip);
    auto mixEach = [&](const PixelRect& area, auto coverage) {
        for (int y = area.top; y < area.bottom; ++y)
            for (int x = area.left; x < area.right; ++x) {
                const uint32_t pa = a.Get(ra.left + x - s.x, ra.top + y - s.y);
                const uint32_t pb = b.Get(rb.left + x - s.x, rb.top + y - s.y);
                d.Set(x, y, RefBlend(f, pb, pa, coverage(x, y)));
            }
    };
    auto centre = [&](int tw, int th) {
        return R(s.x + (w - tw) / 2, s.y + (h - th) / 2, s.x + (w - tw) / 2 + tw, s.y + (h - th) / 2 + th);
    };
    auto quad = [&](int from, int to, int steps) {
        CQuadTween q;
        q.Init(from, to, steps);
        q.SetStep(p);
        return q.GetValue();
    };
    auto sine = [&](int from, int to) {
        CSineTween q;
        q.Init(from, to, -1024);
        q.SetStep(p);
        return q.GetValue();
    };
    auto strips = [&](bool vertical, bool far, int opacity) {
        const int extent = vertical ? w : h;
        const int c = extent >> 4;
        int reach = p * (c + extent * 4 / c) / 1024;
        for (int k = 0; k * c < extent && reach > 0; ++k, reach -= 4) {
            const int n = std::min(std::min(c, reach), extent - k * c);
            const int lo = far ? extent - k * c - n : k * c;
            PixelRect sub = rb;
            if (vertical)
                sub.left = rb.left + lo, sub.right = sub.left + n;
            else
                sub.top = rb.top + lo, sub.bottom = sub.top + n;
            Op(d, b, 0, s.x + (vertical ? lo : 0), s.y + (vertical ? 0 : lo), sub, s.clip, opacity, 0, 0);
        }
    };
    switch (op) {
    case -1:
        for (int y = 0; y < d.view.height; ++y)
            for (int x = 0; x < d.view.width; ++x)
                d.Set(x, y, ColorToPixel(f, 0xFFFFFF));
        break;
    case 1:
        if (same && a.view.kind == 0)
            mixEach(t, [&](int, int) { return std::min(p >> 2, 255); });
        break;
    case 2: {
        if (!same || d.view.kind != 0)
            break;
        const int e = s.rule.softness, P = p * (e + 256) / 1024;
        const PixelRect area = IntersectRect(t, R(s.x, s.y, s.x + s.rule.width, s.y + s.rule.height));
        mixEach(area, [&](int x, int y) {
            const int i = s.rule.bits[(y - s.y) * s.rule.pitch + (x - s.x)];
            return std::max(0, std::min(255, (P - i) * 256 / (e + 1)));
        });
        break;
    }
    case 3: if (same) A(0, 256, 0), B(5, 256, p); break;
    case 4: case 10: A(0, 256, 0), B(6, 256, p); break;
    case 5: if (same) A(0, 256, 0), strips(false, false, 256); break;
    case 6: if (same) A(0, 256, 0), strips(false, true, 256); break;
    case 7: if (same) A(0, 256, 0), strips(true, false, 256); break;
    case 8: if (same) A(0, 256, 0), strips(true, true, 256); break;
    case 11: if (same) A(0, 256, 0), strips(false, false, p >> 2); break;
    case 12: if (same) A(0, 256, 0), strips(false, true, p >> 2); break;
    case 13: if (same) A(0, 256, 0), strips(true, false, p >> 2); break;
    case 14: if (same) A(0, 256, 0), strips(true, true, p >> 2); break;
    case 9: if (same) A(0, 256, 0), B(5, p >> 2, p); break;
    case 15: case 18: A(0, 256, 0), B(7, 256, p); break;
    case 16: case 19: A(0, 256, 0), B(8, 256, p); break;
    case 20: A(0, 256, 0), B(9, 256, p); break;
    case 17: {
        if (!same || a.view.kind != 0)
            break;
        CMersenneTwister random(s.seed);
        std::vector<int> fromB;
        for (int y = t.top; y < t.bottom; y += 2)
            for (int x = t.left; x < t.right; x += 2)
                fromB.push_back(p >= int(random.Random(1024)) ? 255 : 0);
        const int across = (t.right - t.left + 1) / 2;
        mixEach(t, [&](int x, int y) { return fromB[size_t((y - t.top) / 2 * across + (x - t.left) / 2)]; });
        break;
    }
    case 21:
        if (same) {
            if (p < 512) A(11, 256, p >> 3);
            else B(11, 256, 127 - ((p - 1) >> 3));
        }
        break;
    case 22: if (same) A(11, 256, p >> 3), B(11, (p >> 2) + (p >> 1) - 256, 127 - ((p - 1) >> 3)); break;
    case 23: case 27:
        A(0, 256, 0);
        Stretch(d, b, centre(quad(0, w, -1024), quad(0, h, -1024)), rb, s.clip, op == 23 ? 256 : (p >> 3) + (p >> 2));
        break;
    case 24: case 28:
        B(0, 256, 0);
        Stretch(d, a, centre(sine(w, 0), sine(h, 0)), ra, s.clip, op == 24 ? 256 : 384 - (p >> 3) - (p >> 2));
        break;
    case 25:
        if (p == 1024) B(0, 256, 0);
        else Stretch(d, a, centre(quad(w, 2 * w, 1024), quad(h, 2 * h, 1024)), ra, s.clip, 256);
        break;
    case 26:
        if (p == 0) A(0, 256, 0);
        else Stretch(d, b, centre(quad(2 * w, w, -1024), quad(2 * h, h, -1024)), rb, s.clip, 256);
        break;
    case 29:
        Stretch(d, a, centre(quad(w, 2 * w, 1024), quad(h, 2 * h, 1024)), ra, s.clip, 256);
        Op(d, b, 0, s.x, s.y, rb, whole, p >> 2, 0, 0);
        break;
    case 30:
        A(0, 256, 0);
        Stretch(d, b, centre(quad(2 * w, w, -1024), quad(2 * h, h, -1024)), rb, whole, p >> 2);
        break;
    case 31: case 33: case 35: {
        const int o = op == 31 ? 12 : op == 33 ? 13 : 14, div = op == 31 ? 4 : 2;
        if (!same) break;
        if (p < 512) A(o, 256, p / div);
        else B(o, 256, p >= 1023 ? 0 : (1024 - p) / div);
        break;
    }
    case 32: case 34: case 36: {
        const int o = op == 32 ? 12 : op == 34 ? 13 : 14, div = op == 32 ? 8 : 4;
        if (same) A(o, 256, p / div), B(o, p >> 2, (1024 - p) / div);
        break;
    }
    default: break;
    }
}

ExTransitionRequest ExRequest(int op, const Scene& s, int progress)
{
    ExTransitionRequest r;
    r.op = op;
    r.x = s.x;
    r.y = s.y;
    r.firstRect = s.first;
    r.secondRect = s.second;
    r.clip = s.clip;
    r.progress = progress;
    r.seed = s.seed;
    r.rule = s.rule.bits ? &s.rule : nullptr;
    return r;
}

// Every pixel that differs from before lies inside the rectangle.
std::string ChangedOutside(const TestSurface& before, const TestSurface& after, const PixelRect& r)
{
    for (int y = 0; y < before.view.height; ++y)
        for (int x = 0; x < before.view.width; ++x)
            if ((x < r.left || x >= r.right || y < r.top || y >= r.bottom) && before.Get(x, y) != after.Get(x, y))
                return "pixel (" + std::to_string(x) + ", " + std::to_string(y) + ") changed outside " + Str(r);
    return "";
}

std::vector<uint8_t> RuleBits(int width, int height)
{
    std::vector<uint8_t> bits(size_t(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            bits[size_t(y) * width + x] = uint8_t((x * 7 + y * 5) % 256);
    return bits;
}

// ---- Tests ---------------------------------------------------------------------

// Every extended operation at every progress on every format, unclipped and
// through a clip that cuts the transition on every side, against its
// definition; the query's rectangle is the drawing's and holds every change.
TEST_F(Transitions, ExtendedMatchesItsComposition)
{
    const std::vector<uint8_t> rule = RuleBits(28, 30);
    for (int format : kFormats) {
        TestSurface a(40, 40, format, 0, false, 11), b(40, 40, format, 0, false, 12);
        // Equal pixels in A and B take the rule's "left alone" branch.
        for (int y = 0; y < 40; y += 3)
            for (int x = 0; x < 40; x += 2)
                b.Set(x, y, a.Get(x, y));
        for (int clipped = 0; clipped < 2; ++clipped) {
            Scene s;
            s.rule.bits = rule.data();
            s.rule.width = 28, s.rule.height = 30, s.rule.pitch = 28, s.rule.softness = 24;
            if (clipped)
                s.clip = R(5, 6, 30, 31);
            for (int op = -1; op <= 37; ++op) {
                for (int p : kProgress) {
                    TestSurface before(44, 40, format, 0, false, uint32_t(op + 100));
                    TestSurface expected = before, got = before;
                    Reference(op, expected, a, b, s, p);
                    const ExTransitionRequest r = ExRequest(op, s, p);
                    PixelRect touched;
                    const bool ran = ExTransitionPixels(got.view, &a.view, &b.view, r, touched);
                    const std::string what = "op " + std::to_string(op) + ", format " + std::to_string(format) +
                                             ", progress " + std::to_string(p) + (clipped ? ", clipped" : "");
                    ASSERT_EQ("", Diff(expected, got)) << what;
                    const PixelRect query = QueryExTransition(before.view, &a.view, &b.view, r);
                    ASSERT_TRUE(Same(query, touched)) << what << ": query " << Str(query) << ", drawn " << Str(touched);
                    ASSERT_EQ(ran, !IsEmptyRect(touched)) << what;
                    ASSERT_EQ("", ChangedOutside(before, got, touched)) << what;
                    if (op == 0 || op == 37) {
                        ASSERT_FALSE(ran) << what << ": undefined numbers draw nothing";
                    }
                }
            }
        }
    }
}

// At progress 0 the transition rectangle shows A, at 1024 (and 1023) B,
// for every operation that defines them (the random dissolves may show a
// block of B at 0: a drawn number of 0 satisfies progress >= F).
TEST_F(Transitions, EndStates)
{
    const std::vector<uint8_t> rule = RuleBits(40, 40);
    for (int format : kFormats) {
        TestSurface a(40, 40, format, 0, false, 21), b(40, 40, format, 0, false, 22);
        Scene s;
        s.first = s.second = R(0, 0, 32, 33);
        s.rule.bits = rule.data();
        s.rule.width = s.rule.height = s.rule.pitch = 40;
        s.rule.softness = 255;
        for (int op = 1; op <= 36; ++op) {
            for (int p : {0, 1023, 1024}) {
                if (p == 0 && (op == 17 || op == 20))
                    continue;
                TestSurface got(44, 40, format, 0, false, 5);
                PixelRect touched;
                ExTransitionPixels(got.view, &a.view, &b.view, ExRequest(op, s, p), touched);
                const TestSurface& end = p == 0 ? a : b;
                for (int y = 0; y < 33; ++y)
                    for (int x = 0; x < 32; ++x)
                        ASSERT_EQ(end.Get(x, y), got.Get(s.x + x, s.y + y))
                            << "op " << op << ", format " << format << ", progress " << p << ": pixel (" << x << ", "
                            << y << ") should be " << (p == 0 ? "A's" : "B's");
            }
        }
    }
}

// Pictures wider or taller than 2^30 - 1 (cut to their surfaces): the zooms
// show A at 0 and B at 1024 like any other; between them the doubled sizes
// do not fit and are skipped.
TEST_F(Transitions, ZoomEndStatesOfHugeRectangles)
{
    TestSurface a(40, 40, 32, 0, false, 21), b(40, 40, 32, 0, false, 22);
    for (const PixelRect& rect : {R(0, 0, 0x40000000, 33), R(0, 0, 32, INT32_MAX)})
        for (int op : {25, 26, 29, 30})
            for (int p : {0, 1024}) {
                Scene s;
                s.first = s.second = rect;
                TestSurface got(44, 40, 32, 0, false, 5), expected = got;
                Op(expected, p == 0 ? a : b, 0, s.x, s.y, rect, s.clip, 256, 0, s.seed);
                PixelRect touched;
                EXPECT_TRUE(ExTransitionPixels(got.view, &a.view, &b.view, ExRequest(op, s, p), touched));
                EXPECT_EQ("", Diff(expected, got)) << "op " << op << ", progress " << p << ", " << Str(rect);
            }
}

// Operations that need equal formats (and, for 1 and 17, an opaque A; for 2
// a rule image and an opaque destination) draw nothing otherwise.
TEST_F(Transitions, FormatConditions)
{
    const int needSame[] = {1, 2, 3, 5, 6, 7, 8, 9, 11, 12, 13, 14, 17, 21, 22, 31, 32, 33, 34, 35, 36};
    const std::vector<uint8_t> rule = RuleBits(40, 40);
    Scene s;
    s.rule.bits = rule.data();
    s.rule.width = s.rule.height = s.rule.pitch = 40;
    for (int op : needSame) {
        for (int other : kFormats) {
            if (other == 32)
                continue;
            TestSurface a(40, 40, 32, 0, false, 1), b(40, 40, other, 0, false, 2), d(44, 40, 32, 0, false, 3);
            const TestSurface before = d;
            PixelRect touched;
            EXPECT_FALSE(ExTransitionPixels(d.view, &a.view, &b.view, ExRequest(op, s, 600), touched))
                << "op " << op << " with B of format " << other << " onto 32";
            EXPECT_EQ("", Diff(before, d)) << "op " << op << " with B of format " << other;
            EXPECT_TRUE(IsEmptyRect(QueryExTransition(d.view, &a.view, &b.view, ExRequest(op, s, 600))));
        }
    }
    TestSurface a(40, 40, 24, 1, false, 1), b(40, 40, 24, 0, false, 2), d(44, 40, 24, 0, false, 3);
    PixelRect touched;
    EXPECT_FALSE(ExTransitionPixels(d.view, &a.view, &b.view, ExRequest(1, s, 600), touched))
        << "crossfade from a colour-keyed A";
    EXPECT_FALSE(ExTransitionPixels(d.view, &a.view, &b.view, ExRequest(17, s, 600), touched))
        << "block dissolve from a colour-keyed A";
    a.view.kind = 0;
    d.view.kind = 1;
    EXPECT_FALSE(ExTransitionPixels(d.view, &a.view, &b.view, ExRequest(2, s, 600), touched))
        << "rule transition onto a colour-keyed destination";
    d.view.kind = 0;
    s.rule.bits = nullptr;
    EXPECT_FALSE(ExTransitionPixels(d.view, &a.view, &b.view, ExRequest(2, s, 600), touched))
        << "rule transition without a rule image";
    // Formats alone do not stop the blinds and the stretching operations.
    TestSurface b16(40, 40, 16, 0, false, 2);
    EXPECT_TRUE(ExTransitionPixels(d.view, &a.view, &b16.view, ExRequest(4, s, 600), touched));
    EXPECT_TRUE(ExTransitionPixels(d.view, &a.view, &b16.view, ExRequest(23, s, 600), touched));
}

// A missing picture is skipped; the white fill needs none.
TEST_F(Transitions, MissingPictures)
{
    TestSurface a(40, 40, 32, 0, false, 1), d(44, 40, 32, 0, false, 3);
    Scene s;
    TestSurface expected = d;
    Op(expected, a, 0, s.x, s.y, R(1, 2, 33, 35), s.clip, 255, 0, 0);
    PixelRect touched;
    EXPECT_TRUE(ExTransitionPixels(d.view, &a.view, nullptr, ExRequest(23, s, 512), touched));
    EXPECT_EQ("", Diff(expected, d)) << "op 23 without B draws A only";
    EXPECT_FALSE(ExTransitionPixels(d.view, &a.view, nullptr, ExRequest(1, s, 512), touched));
    EXPECT_FALSE(ExTransitionPixels(d.view, nullptr, nullptr, ExRequest(4, s, 512), touched));
    EXPECT_TRUE(ExTransitionPixels(d.view, nullptr, nullptr, ExRequest(-1, s, 512), touched));
    EXPECT_TRUE(Same(R(0, 0, 44, 40), touched));
    EXPECT_EQ(0x00FFFFFFu, d.Get(43, 39));
}

// Two-picture transitions: each picture at its own point, against the
// composition of same-size operations.
TEST_F(Transitions, TwoPictureMatchesItsComposition)
{
    for (int format : kFormats) {
        TestSurface a(30, 30, format, 0, false, 31), b(30, 30, format, 2, false, 32);
        for (int op : {0, 1, 2, 32, 33, 34, 35, 36, 37}) {
            for (int p : kProgress) {
                TransitionRequest r;
                r.op = op;
                r.firstX = 2, r.firstY = 1, r.firstRect = R(0, 0, 30, 30);
                r.secondX = 9, r.secondY = 7, r.secondRect = R(3, 4, 28, 26);
                r.clip = R(1, 1, 35, 33);
                r.progress = p;
                r.seed = 5;
                const int q = Progress(p);
                TestSurface before(40, 36, format, 0, false, uint32_t(op)), expected = before, got = before;
                auto A = [&](int o, int opacity, int p2) {
                    Op(expected, a, o, r.firstX, r.firstY, r.firstRect, r.clip, opacity, p2, r.seed);
                };
                auto B = [&](int o, int opacity, int p2) {
                    Op(expected, b, o, r.secondX, r.secondY, r.secondRect, r.clip, opacity, p2, r.seed);
                };
                const int kernel = op == 33 || op == 34 ? 13 : 14;
                if (op == 1) {
                    A(0, 256 - (q >> 2), 0);
                    B(0, q >> 2, 0);
                } else if (op == 33 || op == 35) {
                    if (q < 512) A(kernel, 256, q / 2);
                    else B(kernel, 256, q >= 1023 ? 0 : (1024 - q) / 2);
                } else if (op == 34 || op == 36) {
                    A(kernel, 256 - (q >> 2), q / 4);
                    B(kernel, q >> 2, (1024 - q) / 4);
                }
                PixelRect touched;
                const bool ran = TransitionPixels(got.view, &a.view, &b.view, r, touched);
                const std::string what = "two-picture op " + std::to_string(op) + ", format " +
                                         std::to_string(format) + ", progress " + std::to_string(p);
                ASSERT_EQ("", Diff(expected, got)) << what;
                ASSERT_TRUE(Same(QueryTransition(before.view, &a.view, &b.view, r), touched)) << what;
                ASSERT_EQ("", ChangedOutside(before, got, touched)) << what;
                ASSERT_EQ(op == 1 || (op >= 33 && op <= 36), ran) << what;
            }
        }
    }
}

// The picture may be the destination itself, at another place: every pixel
// is read before it is written over.
TEST_F(Transitions, PictureIsTheDestination)
{
    for (int op : {1, 2, 17}) {
        TestSurface d(60, 40, 32, 0, false, 41), b(40, 40, 32, 0, false, 42);
        const std::vector<uint8_t> rule = RuleBits(40, 40);
        Scene s;
        s.x = 10, s.y = 3;
        s.first = R(0, 0, 32, 33);
        s.second = R(0, 0, 32, 33);
        s.rule.bits = rule.data();
        s.rule.width = s.rule.height = s.rule.pitch = 40;
        TestSurface copyOfD = d, expected = d;
        Reference(op, expected, copyOfD, b, s, 600);
        PixelRect touched;
        ExTransitionPixels(d.view, &d.view, &b.view, ExRequest(op, s, 600), touched);
        EXPECT_EQ("", Diff(expected, d)) << "op " << op << " from the destination's own pixels";
    }
}

// The centred rectangles: tweens of the size, centred by truncating halves.
TEST(TransitionGeometry, CentredRectangles)
{
    PixelRect r;
    ASSERT_TRUE(CentredTransitionRect(23, 10, 20, 100, 50, 512, r));
    EXPECT_TRUE(Same(R(22, 26, 97, 63), r)) << "op 23 at 512: 75 x 37 (ease-out), got " << Str(r);
    ASSERT_TRUE(CentredTransitionRect(25, 10, 20, 100, 50, 512, r));
    EXPECT_TRUE(Same(R(-2, 14, 123, 76), r)) << "op 25 at 512: 125 x 62, left 10 + (-25 / 2), got " << Str(r);
    ASSERT_TRUE(CentredTransitionRect(26, 0, 0, 100, 50, 0, r));
    EXPECT_TRUE(Same(R(-50, -25, 150, 75), r)) << "op 26 at 0: twice the size, got " << Str(r);
    ASSERT_TRUE(CentredTransitionRect(24, 0, 0, 100, 50, 1023, r));
    EXPECT_TRUE(Same(R(50, 25, 50, 25), r)) << "op 24 at 1023 counts as 1024: nothing left, got " << Str(r);
    ASSERT_TRUE(CentredTransitionRect(24, 0, 0, 100, 50, -5, r));
    EXPECT_TRUE(Same(R(0, 0, 100, 50), r)) << "a negative progress counts as 0, got " << Str(r);
    EXPECT_FALSE(CentredTransitionRect(22, 0, 0, 100, 50, 512, r)) << "op 22 has no centred rectangle";
    EXPECT_FALSE(CentredTransitionRect(25, 0, 0, 0x40000001, 50, 512, r)) << "twice the size would not fit";
    // Where the tween is at the size itself, a size of 2^30 and more still has its rectangle.
    for (int op : {25, 26, 29, 30})
        for (int p : {0, 1023, 1024}) {
            const bool atSize = (op == 25 || op == 29) == (p == 0);
            EXPECT_EQ(atSize, CentredTransitionRect(op, 3, 4, 0x40000000, 0x7FFFFFF0, p, r)) << op << " at " << p;
            if (atSize) {
                EXPECT_TRUE(Same(R(3, 4, 0x40000003, 0x7FFFFFF4), r)) << op << " at " << p << ": " << Str(r);
            }
        }
    EXPECT_FALSE(CentredTransitionRect(26, INT32_MAX - 10, 0, 100, 50, 512, r)) << "the rectangle would wrap";
}

// The strips of a cascading wipe: c = h >> 4 lines each, the reach falling by
// 4 per strip, the last strip cut at the extent.
TEST(TransitionGeometry, CascadeStrips)
{
    int first, last;
    EXPECT_FALSE(CascadeStrip(15, 1024, 0, first, last)) << "an extent of 15 or less draws nothing";
    // h = 32: c = 2, reach at 512 = 512 x (2 + 64) / 1024 = 33.
    for (int k = 0; k < 8; ++k) {
        ASSERT_TRUE(CascadeStrip(32, 512, k, first, last)) << "strip " << k;
        EXPECT_EQ(2 * k, first);
        EXPECT_EQ(2 * k + 2, last) << "strip " << k << " is whole";
    }
    ASSERT_TRUE(CascadeStrip(32, 512, 8, first, last));
    EXPECT_EQ(17, last) << "strip 8 has a reach of 1";
    EXPECT_FALSE(CascadeStrip(32, 512, 9, first, last)) << "the walk stops when the reach runs out";
    // h = 33: c = 2, 17 strips; at 1024 every one is whole, the last cut to 1 line.
    for (int k = 0; k < 17; ++k)
        ASSERT_TRUE(CascadeStrip(33, 1024, k, first, last)) << "strip " << k;
    EXPECT_EQ(32, first);
    EXPECT_EQ(33, last);
    EXPECT_FALSE(CascadeStrip(33, 1024, 17, first, last));
    EXPECT_FALSE(CascadeStrip(33, 0, 0, first, last)) << "progress 0 draws no strip";
}

// The portable crossfade kernel against the rule: the blend of B onto A; the
// fourth byte of 32 is A's where the pixels are blended.
TEST(TransitionKernels, CrossfadeFollowsThePixelRule)
{
    BuildBlendTables();
    struct Case {
        int format;
        uint32_t a, b;
        int opacity;
        uint32_t expected;
        const char* why;
    } cases[] = {
        {32, 0x11223344, 0x55667788, 0, 0x11223344, "a = 0 is A"},
        {32, 0x11223344, 0x55667788, 255, 0x55667788, "a = 255 is B, whole word"},
        {32, 0x77000000, 0x00FFFFFF, 128, 0x77808080, "fourth byte of A kept"},
        {32, 0x12345678, 0x12345678, 100, 0x12345678, "equal pixels copied from A"},
        {24, 0x0000FF, 0x00FF00, 51, 0x0033CC, "51 x B / 255 + 204 x A / 255"},
        {16, 0x0000, 0xFFFF, 128, 0x8410, "level 16 of B"},
        {15, 0x8000, 0x7FFF, 254, 0x7FFF, "level 31 of B, A's bit 15 dropped"},
    };
    for (const Case& c : cases) {
        const int bpp = BytesPerPixel(c.format);
        uint8_t a[4] = {}, b[4] = {}, d[4] = {};
        for (int i = 0; i < bpp; ++i)
            a[i] = uint8_t(c.a >> (8 * i)), b[i] = uint8_t(c.b >> (8 * i));
        KernelArgs k;
        k.dst = d;
        k.src = a;
        k.src2 = b;
        k.width = k.height = 1;
        k.opacity = c.opacity;
        ASSERT_TRUE(RunKernel(KernelKey(kOpCrossfade, c.format, c.format), k));
        uint32_t got = 0;
        for (int i = 0; i < bpp; ++i)
            got |= uint32_t(d[i]) << (8 * i);
        EXPECT_EQ(c.expected, got) << "format " << c.format << " at " << c.opacity << ": " << c.why;
    }
}

// Hostile requests: rectangles and points at the ends of the 32-bit range and
// extreme progress values fail or draw inside the destination, never beyond.
TEST_F(Transitions, HostileRequestsStayInside)
{
    TestSurface a(20, 20, 32, 0, false, 1), b(20, 20, 32, 0, false, 2);
    const PixelRect rects[] = {R(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX), R(-5, -5, 30, 30), R(0, 0, 0, 0),
                               R(10, 10, 5, 5), R(INT32_MAX - 3, 0, INT32_MAX, 20)};
    const int points[] = {INT32_MIN, -30, 0, 7, INT32_MAX - 2};
    for (int op = -1; op <= 36; ++op)
        for (const PixelRect& rect : rects)
            for (int point : points)
                for (int p : {INT32_MIN, 512, INT32_MAX}) {
                    TestSurface d(24, 22, 32, 0, false, 3);
                    ExTransitionRequest r;
                    r.op = op;
                    r.x = point;
                    r.y = point / 2;
                    r.firstRect = rect;
                    r.secondRect = R(0, 0, 20, 20);
                    r.clip = rect;
                    r.progress = p;
                    PixelRect touched;
                    ExTransitionPixels(d.view, &a.view, &b.view, r, touched);
                    EXPECT_TRUE(IsEmptyRect(touched) ||
                                (touched.left >= 0 && touched.top >= 0 && touched.right <= 24 && touched.bottom <= 22))
                        << "op " << op << " touched " << Str(touched);
                }
}

TEST(TransitionNames, EveryDefinedOperationHasOne)
{
    for (int op = -1; op <= 36; ++op)
        EXPECT_EQ(op == 0, std::string(ExTransitionName(op)).empty()) << "op " << op;
    EXPECT_STREQ("crossfade", TransitionName(1));
    EXPECT_STREQ("", TransitionName(2));
}

}  // namespace
