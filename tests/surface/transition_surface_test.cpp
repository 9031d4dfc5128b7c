// The transition members of the surfaces under Wine: they draw what the
// transitions draw on the surfaces' pixels, notify the destination once with
// the rectangle their query returns, so that a tracked surface repaints
// exactly that, and read the process-wide rule image.
#include "surface/AutoSurface.h"
#include "surface/DIBSurface.h"
#include "surface/MemorySurface.h"
#include "surface/RuleImage.h"
#include "surface/TrackedSurface.h"
#include "surface/Transitions.h"

#include <gtest/gtest.h>

#include "SurfaceViews.h"

#include <vector>

using namespace surface_test;

namespace {

const int kFormats[] = {15, 16, 24, 32};

// Operations whose pictures do not depend on the call's random numbers.
bool IsDeterministic(int op) { return op != 17 && op != 20 && (op < 31 || op > 36); }

// A memory surface that records its notifications.
class CWatchedSurface : public CMemorySurface {
public:
    struct Call {
        int kind;  // 0 OnBlt, 1 OnStretchBlt, 2 OnBlt2, 3 OnTransition
        int op;
        CSurface* first;
        CSurface* second;
        int progress;
        RECT touched;
    };
    std::vector<Call> calls;

    void OnBlt(int op, CSurface* source, const POINT&, const RECT&, int, int, const RECT& touched) override
    {
        calls.push_back(Call{0, op, source, nullptr, 0, touched});
    }
    void OnStretchBlt(int op, CSurface* source, const RECT&, const RECT&, int, int, const RECT& touched) override
    {
        calls.push_back(Call{1, op, source, nullptr, 0, touched});
    }
    void OnBlt2(int op, CSurface* first, CSurface* second, const POINT&, const RECT&, const RECT&, const RECT&,
                int progress, const RECT& touched) override
    {
        calls.push_back(Call{2, op, first, second, progress, touched});
    }
    void OnTransition(int op, CSurface* first, CSurface* second, const POINT&, const RECT&, const POINT&,
                      const RECT&, const RECT&, int progress, const RECT& touched) override
    {
        calls.push_back(Call{3, op, first, second, progress, touched});
    }
};

ExTransitionRequest ExRequest(int op, int x, int y, const RECT& a, const RECT& b, const RECT& clip, int progress)
{
    ExTransitionRequest r;
    r.op = op;
    r.x = x, r.y = y;
    r.firstRect = PixelRect{a.left, a.top, a.right, a.bottom};
    r.secondRect = PixelRect{b.left, b.top, b.right, b.bottom};
    r.clip = PixelRect{clip.left, clip.top, clip.right, clip.bottom};
    r.progress = progress;
    return r;
}

// DIB and memory destinations with handle and memory pictures draw what the
// transitions draw on copies of their pixels.
TEST(SurfaceTransition, DrawsWhatTheTransitionsDraw)
{
    for (int format : kFormats) {
        CDIBSurface dst;
        CAutoSurface a;
        CMemorySurface b;
        ASSERT_TRUE(dst.Create(61, 47, format, true));
        ASSERT_TRUE(a.Create(50, 40, format, false));
        ASSERT_TRUE(b.Create(50, 40, format, false));
        Randomise(a, 1);
        Randomise(b, 2);
        const RECT ra = Rect(2, 3, 50, 40), rb = Rect(0, 0, 45, 38), clip = Rect(3, 0, 58, 44);
        for (int op = -1; op <= 36; ++op) {
            if (!IsDeterministic(op))
                continue;
            for (int progress : {0, 300, 512, 1024}) {
                Randomise(dst, uint32_t(op + 50));
                Copy expected(dst), first(a), second(b);
                PixelRect touched;
                ExTransitionPixels(expected.view, &first.view, &second.view,
                                   ExRequest(op, 4, -3, ra, rb, clip, progress), touched);
                dst.BltTransitionEx(op, &a, &b, Point(4, -3), ra, rb, clip, progress);
                ASSERT_TRUE(expected.pixels == PixelsOf(dst))
                    << "op " << op << ", format " << format << ", progress " << progress;
            }
        }
    }
}

// One notification per call, with the query's rectangle; none from the
// operations the transition is made of, none when nothing is drawn.
TEST(SurfaceTransition, NotifiesOnceWithTheQuerysRectangle)
{
    CWatchedSurface dst;
    CMemorySurface a, b, other;
    ASSERT_TRUE(dst.Create(64, 48, 32, false));
    ASSERT_TRUE(a.Create(40, 40, 32, false));
    ASSERT_TRUE(b.Create(40, 40, 32, false));
    ASSERT_TRUE(other.Create(40, 40, 16, false));
    const RECT all = Rect(0, 0, 40, 40), clip = Rect(0, 0, 64, 48);
    dst.BltTransitionEx(25, &a, &b, Point(30, 20), all, all, clip, 700);
    ASSERT_EQ(1u, dst.calls.size());
    EXPECT_EQ(2, dst.calls[0].kind);
    EXPECT_EQ(25, dst.calls[0].op);
    EXPECT_EQ(&a, dst.calls[0].first);
    EXPECT_EQ(&b, dst.calls[0].second);
    EXPECT_EQ(700, dst.calls[0].progress);
    const RECT query = dst.GetTransitionExRect(25, &a, &b, Point(30, 20), all, all, clip, 700);
    EXPECT_TRUE(Same(query, dst.calls[0].touched)) << Str(query) << " against " << Str(dst.calls[0].touched);
    // Op 25 zooms A beyond its size: the rectangle is cut by the surface.
    EXPECT_TRUE(Same(Rect(21, 11, 64, 48), query)) << Str(query);

    dst.BltTransition(1, &a, &b, Point(-10, 0), all, Point(50, 40), all, clip, 300);
    ASSERT_EQ(2u, dst.calls.size());
    EXPECT_EQ(3, dst.calls[1].kind);
    EXPECT_TRUE(Same(Rect(0, 0, 64, 48), dst.calls[1].touched))
        << "the union of A's and B's rectangles: " << Str(dst.calls[1].touched);

    dst.BltTransitionEx(1, &a, &other, Point(0, 0), all, all, clip, 300);  // formats differ
    dst.BltTransitionEx(0, &a, &b, Point(0, 0), all, all, clip, 300);
    dst.BltTransitionEx(37, &a, &b, Point(0, 0), all, all, clip, 300);
    dst.BltTransition(2, &a, &b, Point(0, 0), all, Point(0, 0), all, clip, 300);
    dst.BltTransitionEx(4, &a, &b, Point(64, 0), all, all, clip, 300);  // beyond the surface
    dst.BltTransitionEx(4, nullptr, nullptr, Point(0, 0), all, all, clip, 300);
    EXPECT_EQ(2u, dst.calls.size()) << "nothing drawn, nothing notified";
    const RECT none = dst.GetTransitionExRect(1, &a, &other, Point(0, 0), all, all, clip, 300);
    EXPECT_TRUE(IsRectEmpty(&none)) << Str(none);
}

// A tracked surface's repaint rectangle is the query's, for every operation
// of both families.
TEST(SurfaceTransition, TrackedSurfaceRepaintsTheQuerysRectangle)
{
    CTrackedSurface dst;
    CAutoSurface a, b;
    ASSERT_TRUE(dst.Create(120, 90, 24, false));
    ASSERT_TRUE(a.Create(64, 48, 24, false));
    ASSERT_TRUE(b.Create(64, 48, 24, false));
    Randomise(a, 3);
    Randomise(b, 4);
    const RECT all = Rect(0, 0, 64, 48), clip = Rect(10, 5, 110, 80);
    CRectUpdateRegion& region = dst.GetUpdateRegion();
    for (int op = -1; op <= 36; ++op) {
        for (int progress : {0, 200, 512, 900, 1024}) {
            region.Reset();
            const RECT query = dst.GetTransitionExRect(op, &a, &b, Point(20, 15), all, all, clip, progress);
            dst.BltTransitionEx(op, &a, &b, Point(20, 15), all, all, clip, progress);
            if (IsRectEmpty(&query)) {
                EXPECT_EQ(0, region.GetCount()) << "op " << op << " at " << progress;
                continue;
            }
            ASSERT_EQ(1, region.GetCount()) << "op " << op << " at " << progress;
            EXPECT_TRUE(Same(query, ToRect(region.GetRect(0))))
                << "op " << op << " at " << progress << ": query " << Str(query) << ", repainted "
                << Str(ToRect(region.GetRect(0)));
        }
    }
    for (int op : {1, 33, 34, 35, 36}) {
        region.Reset();
        const RECT query = dst.GetTransitionRect(op, &a, &b, Point(5, 5), all, Point(30, 20), all, clip, 400);
        dst.BltTransition(op, &a, &b, Point(5, 5), all, Point(30, 20), all, clip, 400);
        ASSERT_EQ(1, region.GetCount()) << "two-picture op " << op;
        EXPECT_TRUE(Same(query, ToRect(region.GetRect(0)))) << "two-picture op " << op << ": " << Str(query);
    }
}

// Transition 2 reads the process-wide rule image; without one it draws
// nothing.
TEST(SurfaceTransition, RuleTransitionReadsTheRuleImage)
{
    CRuleImage& rule = CRuleImage::GetInstance();
    rule.Release();
    CMemorySurface dst, a, b, grey;
    ASSERT_TRUE(dst.Create(40, 30, 32, false));
    ASSERT_TRUE(a.Create(40, 30, 32, false));
    ASSERT_TRUE(b.Create(40, 30, 32, false));
    a.Fill(RGB(0, 0, 0));
    b.Fill(RGB(255, 255, 255));
    dst.Fill(RGB(1, 2, 3));
    const RECT all = Rect(0, 0, 40, 30);
    dst.BltTransitionEx(2, &a, &b, Point(0, 0), all, all, all, 1024);
    EXPECT_EQ(0x010203u, dst.GetPixel(5, 5) & 0xFFFFFF) << "no rule image: nothing drawn";
    // Left half dark, right half bright: at the middle the dark half is B's.
    ASSERT_TRUE(grey.Create(40, 30, 24, false));
    grey.Fill(RGB(0, 0, 0), 0, 0, 20, 30);
    grey.Fill(RGB(255, 255, 255), 20, 0, 40, 30);
    ASSERT_TRUE(rule.SetFromSurface(&grey, 0, 0));
    rule.SetSoftness(0);
    dst.BltTransitionEx(2, &a, &b, Point(0, 0), all, all, all, 512);
    EXPECT_EQ(0xFFFFFFu, dst.GetPixel(5, 5) & 0xFFFFFF) << "mask 0 at progress 512 shows B";
    EXPECT_EQ(0x000000u, dst.GetPixel(30, 5) & 0xFFFFFF) << "mask 255 at progress 512 shows A";
    rule.Release();
}

// A picture may be the destination or missing; a picture of no pixels is
// missing.
TEST(SurfaceTransition, PicturesThatAreTheDestinationOrMissing)
{
    CMemorySurface dst, b, empty;
    ASSERT_TRUE(dst.Create(50, 40, 32, false));
    ASSERT_TRUE(b.Create(50, 40, 32, false));
    Randomise(dst, 5);
    Randomise(b, 6);
    const RECT all = Rect(0, 0, 30, 30);
    Copy expected(dst), second(b);
    PixelRect touched;
    ExTransitionPixels(expected.view, &expected.view, &second.view,
                       ExRequest(1, 12, 7, all, all, Rect(0, 0, 50, 40), 512), touched);
    dst.BltTransitionEx(1, &dst, &b, Point(12, 7), all, all, Rect(0, 0, 50, 40), 512);
    EXPECT_TRUE(expected.pixels == PixelsOf(dst)) << "crossfade from the destination's own pixels";

    const Bytes before = PixelsOf(dst);
    dst.BltTransitionEx(1, &empty, &b, Point(0, 0), all, all, Rect(0, 0, 50, 40), 512);
    EXPECT_TRUE(before == PixelsOf(dst)) << "an empty A is missing: the crossfade draws nothing";
    dst.BltTransitionEx(4, &empty, &b, Point(0, 0), all, all, Rect(0, 0, 50, 40), 1024);
    EXPECT_FALSE(before == PixelsOf(dst)) << "the blinds draw B without A";
}

}  // namespace
