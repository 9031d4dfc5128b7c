// No kernel and no blit reads or writes a byte outside its rectangles: the
// pixels, alpha planes and rule masks they get are accessible only there,
// every row between pages that fault.
#include "surface/BlendTables.h"
#include "surface/BlitGeometry.h"
#include "surface/BlitOps.h"
#include "surface/kernels/KernelTable.h"
#include "surface/PixelFormat.h"
#include "surface/Transitions.h"

#include <gtest/gtest.h>

#include "GuardedPlane.h"

#include <map>
#include <memory>
#include <string>

using namespace blit_test;

namespace {

int OpOf(uint32_t key) { return int(key >> 24); }
int DstOf(uint32_t key) { return int(key >> 16 & 0xFF); }
int SrcOf(uint32_t key) { return int(key >> 8 & 0xFF); }

class BlitGuard : public ::testing::Test {
protected:
    static void SetUpTestSuite() { BuildBlendTables(); }
};

// Every blend and stretch-row entry of every level this machine runs, on
// rectangles of 1 to 67 pixels whose rows end at (or start after) a fault.
TEST_F(BlitGuard, KernelsStayInTheirRectangle)
{
    CKernelTable& table = CKernelTable::GetInstance();
    const int rows = 3;
    for (bool endAtGuard : {true, false})
        for (int width = 1; width <= 67; ++width) {
            // One plane per role and pixel size, made when first needed.
            std::map<int, std::unique_ptr<GuardedPlane>> planes;
            auto plane = [&](int role, int bpp) -> GuardedPlane& {
                std::unique_ptr<GuardedPlane>& p = planes[role * 8 + bpp];
                if (!p)
                    p.reset(new GuardedPlane(rows, bpp, 0, 0, width, rows, endAtGuard, uint32_t(role * 8 + bpp + width)));
                return *p;
            };
            for (const KernelEntry& e : table.GetEntries()) {
                if (e.level > table.GetMaxLevel() || OpOf(e.key) < kOpBlend)
                    continue;
                const int op = OpOf(e.key), df = DstOf(e.key), sf = SrcOf(e.key);
                KernelArgs a;
                a.width = width;
                a.height = op >= kOpStretchNearest ? 1 : rows;
                GuardedPlane& dst = plane(0, BytesPerPixel(df));
                a.dst = dst.Bits();
                a.dstPitch = dst.Pitch();
                if (op == kOpCrossfade || op == kOpMix) {
                    // Two pictures of the destination's format and a mask.
                    GuardedPlane& first = plane(1, BytesPerPixel(df));
                    GuardedPlane& second = plane(2, BytesPerPixel(df));
                    GuardedPlane& mask = plane(3, 1);
                    a.height = rows;
                    a.src = first.Bits();
                    a.srcPitch = first.Pitch();
                    a.src2 = second.Bits();
                    a.src2Pitch = second.Pitch();
                    a.srcAlpha = mask.Bits();
                    a.srcAlphaPitch = mask.Pitch();
                } else if (op >= kOpStretchNearest) {
                    // Source positions from column 0 to the last one.
                    GuardedPlane& src = plane(1, BytesPerPixel(df));
                    GuardedPlane& src2 = plane(2, BytesPerPixel(df));
                    a.src = src.Bits();
                    a.src2 = src2.Bits();
                    a.last = width - 1;
                    a.step = width > 1 ? int32_t((int64_t(width - 1) << 16) / (width)) : 0;
                    a.position = 0x7FFF;
                    a.value = 0x9000;
                } else {
                    GuardedPlane& src = plane(1, BytesPerPixel(sf));
                    GuardedPlane& srcAlpha = plane(3, 1);
                    GuardedPlane& dstAlpha = plane(4, 1);
                    a.src = src.Bits();
                    a.srcPitch = src.Pitch();
                    a.srcAlpha = srcAlpha.Bits();
                    a.srcAlphaPitch = srcAlpha.Pitch();
                    a.dstAlpha = dstAlpha.Bits();
                    a.dstAlphaPitch = dstAlpha.Pitch();
                    a.value = ColorToPixel(sf, 0x00FF00);
                }
                for (int opacity : {255, 128}) {
                    a.opacity = opacity;
                    ASSERT_TRUE(FaultCatcher::Run([&] { e.fn(a); }))
                        << e.name << " at " << CpuLevelName(e.level) << " touched a byte outside its rows: width "
                        << width << (endAtGuard ? ", rows ending at a guard" : ", rows starting after a guard");
                }
            }
        }
}

// A surface of guarded pixels (and alpha plane) accessible only in one
// rectangle.
struct GuardedSurface {
    std::unique_ptr<GuardedPlane> pixels, alpha;
    BlitSurface view;

    GuardedSurface(int width, int height, int format, int kind, const PixelRect& open, bool endAtGuard, uint32_t seed)
    {
        pixels.reset(new GuardedPlane(height, BytesPerPixel(format), open.left, open.top, open.right, open.bottom,
                                      endAtGuard, seed));
        view.bits = pixels->Bits();
        view.pitch = pixels->Pitch();
        view.width = width;
        view.height = height;
        view.format = format;
        view.kind = kind;
        view.colorKey = 0x00FF00;
        if (kind == 2) {
            alpha.reset(new GuardedPlane(height, 1, open.left, open.top, open.right, open.bottom, endAtGuard, seed + 1));
            view.alpha = alpha->Bits();
            view.alphaPitch = alpha->Pitch();
        }
    }
};

// Every operation with requests that reach beyond the clip rectangle and the
// source on every side: the destination is accessible only inside the clip,
// the source only inside its rectangle.
TEST_F(BlitGuard, BlitsStayInTheirRectangles)
{
    const PixelRect clip = {5, 4, 55, 46};
    const struct {
        int op, param2;
    } ops[] = {{0, 0},  {1, 0},   {2, 0},   {2, 100}, {3, 256}, {2, 700}, {4, 600}, {5, 500}, {6, 500},
               {7, 700}, {8, 300}, {9, 700}, {10, 3}, {10, 20}, {11, 5},  {12, 6},  {13, 6},  {14, 6},
               {13, 0}, {14, 0}};
    const struct {
        int dst, src;
    } formats[] = {{32, 32}, {16, 16}, {24, 24}, {15, 15}, {24, 32}, {16, 24}};
    // A rule mask as large as the destination, itself guarded.
    GuardedPlane ruleBits(50, 1, 0, 0, 60, 50, true, 77);
    RuleMask rule;
    rule.bits = ruleBits.Bits();
    rule.width = 60, rule.height = 50, rule.pitch = ruleBits.Pitch(), rule.softness = 40;

    for (bool endAtGuard : {true, false})
        for (const auto& f : formats)
            for (int kind = 0; kind < 3; ++kind)
                for (int dstKind : {0, 2})
                    for (bool beyond : {false, true}) {
                    // Past the source surface on every side, the source
                    // rectangle can be read only where the surface is.
                    const PixelRect srcRect = beyond ? PixelRect{-6, -5, 47, 36} : PixelRect{3, 2, 37, 28};
                    const PixelRect readable = beyond ? PixelRect{0, 0, 40, 30} : srcRect;
                    GuardedSurface dst(60, 50, f.dst, dstKind, clip, endAtGuard, 1);
                    GuardedSurface src(40, 30, f.src, kind, readable, !endAtGuard, 2);
                    for (const auto& o : ops)
                        for (int at = 0; at < 4; ++at) {
                            const int opacity = at & 1 ? 100 : 255;
                            BlitRequest r;
                            r.op = o.op;
                            // Past the clip's left and top, then its right and bottom.
                            r.x = at < 2 ? 0 : 30, r.y = at < 2 ? -1 : 25;
                            r.src = srcRect;
                            r.clip = clip;
                            r.param1 = opacity;
                            r.param2 = o.param2;
                            r.seed = 12345;
                            r.rule = &rule;
                            PixelRect touched;
                            ASSERT_TRUE(FaultCatcher::Run([&] { BltPixels(dst.view, src.view, r, touched); }))
                                << "op " << o.op << " (" << o.param2 << ") " << f.dst << " <- " << f.src << ", kind "
                                << kind << ", destination kind " << dstKind << ", opacity " << opacity;
                        }
                    for (int op : {0, 1})
                        for (const PixelRect& to : {PixelRect{-10, -5, 70, 60}, PixelRect{6, 5, 20, 12}}) {
                            StretchRequest r;
                            r.op = op;
                            r.dst = to;
                            r.src = srcRect;
                            r.clip = clip;
                            r.param1 = 255;
                            PixelRect touched;
                            ASSERT_TRUE(FaultCatcher::Run([&] { StretchBltPixels(dst.view, src.view, r, touched); }))
                                << "stretch op " << op << " " << f.dst << " <- " << f.src << ", kind " << kind;
                        }
                }
}

// Every transition with pictures readable only inside their rectangles (one
// of them reaching past its surface) and a destination writable only inside
// the clip, at points past the clip on every side.
TEST_F(BlitGuard, TransitionsStayInTheirRectangles)
{
    const PixelRect clip = {5, 4, 55, 46};
    GuardedPlane ruleBits(50, 1, 0, 0, 60, 50, true, 77);
    RuleMask rule;
    rule.bits = ruleBits.Bits();
    rule.width = 60, rule.height = 50, rule.pitch = ruleBits.Pitch(), rule.softness = 40;
    for (bool endAtGuard : {true, false})
        for (int format : {32, 24, 16, 15}) {
            const PixelRect firstRect = {-6, -5, 47, 36}, secondRect = {3, 2, 37, 28};
            GuardedSurface dst(60, 50, format, 0, clip, endAtGuard, 1);
            GuardedSurface first(40, 30, format, 0, PixelRect{0, 0, 40, 30}, !endAtGuard, 2);
            GuardedSurface second(40, 30, format, 0, secondRect, endAtGuard, 3);
            // Not -1 (white over the whole destination), 29 and 30 (B fades
            // in clipped by the destination only): they write past the clip
            // by definition.
            for (int op = 1; op <= 36; ++op)
                for (int at = 0; at < 4 && op != 29 && op != 30; ++at)
                    for (int progress : {1, 512, 1000}) {
                        ExTransitionRequest r;
                        r.op = op;
                        r.x = at < 2 ? 0 : 30, r.y = at < 2 ? -1 : 25;
                        r.firstRect = at & 1 ? secondRect : firstRect;
                        r.secondRect = secondRect;
                        r.clip = clip;
                        r.progress = progress;
                        r.seed = 99;
                        r.rule = &rule;
                        PixelRect touched;
                        ASSERT_TRUE(FaultCatcher::Run(
                            [&] { ExTransitionPixels(dst.view, &first.view, &second.view, r, touched); }))
                            << "op " << op << ", format " << format << ", at " << at << ", progress " << progress;
                    }
            for (int op : {1, 33, 34, 35, 36}) {
                TransitionRequest r;
                r.op = op;
                r.firstX = -3, r.firstY = 30, r.firstRect = firstRect;
                r.secondX = 40, r.secondY = -2, r.secondRect = secondRect;
                r.clip = clip;
                r.progress = 600;
                PixelRect touched;
                ASSERT_TRUE(FaultCatcher::Run(
                    [&] { TransitionPixels(dst.view, &first.view, &second.view, r, touched); }))
                    << "two-picture op " << op << ", format " << format;
            }
        }
}

// A surface drawn onto itself reads its source rectangle once, before
// drawing, and nothing else.
TEST_F(BlitGuard, OntoItself)
{
    const PixelRect open = {5, 4, 55, 46}, srcRect = {8, 6, 40, 30};
    for (int format : {32, 24, 16})
        for (int kind : {0, 2}) {
            GuardedSurface s(60, 50, format, kind, open, true, 3);
            for (int op = 0; op <= 14; ++op) {
                BlitRequest r;
                r.op = op, r.x = 12, r.y = 10, r.src = srcRect, r.clip = open, r.param1 = 200, r.param2 = 4;
                PixelRect touched;
                ASSERT_TRUE(FaultCatcher::Run([&] { BltPixels(s.view, s.view, r, touched); }))
                    << "op " << op << ", format " << format << ", kind " << kind;
            }
            StretchRequest sr;
            sr.op = 1, sr.dst = open, sr.src = srcRect, sr.clip = open, sr.param1 = 255;
            PixelRect touched;
            ASSERT_TRUE(FaultCatcher::Run([&] { StretchBltPixels(s.view, s.view, sr, touched); })) << format;
        }
}

}  // namespace
