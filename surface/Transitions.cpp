#include "surface/Transitions.h"

#include "surface/BlendTables.h"
#include "surface/BlitChecks.h"
#include "surface/kernels/KernelTable.h"
#include "surface/MersenneTwister.h"
#include "surface/PixelFormat.h"
#include "surface/QuadTween.h"
#include "surface/SineTween.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

using namespace blit;

typedef std::vector<uint8_t> Bytes;

const PixelRect kNoRect = {0, 0, 0, 0};

// A rectangle of 64-bit edges cut to the 32-bit range.
PixelRect Rect64(int64_t l, int64_t t, int64_t r, int64_t b)
{
    auto c = [](int64_t v) { return int32_t(std::min<int64_t>(std::max<int64_t>(v, INT32_MIN), INT32_MAX)); };
    return PixelRect{c(l), c(t), c(r), c(b)};
}

bool Fits32(int64_t v) { return v >= INT32_MIN && v <= INT32_MAX; }

bool IsOpaque(const BlitSurface& s) { return s.kind == kSourceOpaque || (s.kind == kSourceAlpha && !s.alpha); }

// The drawing of one transition, or only its measuring: every step either
// draws through the blit operations and kernels or adds the rectangle the
// step would touch. Both modes walk the same composition, so the query's
// rectangle is the drawing's.
class Composer {
public:
    Composer(const BlitSurface& dst, bool draw, uint32_t seed) : m_Dst(dst), m_Draw(draw), m_Seed(seed) {}

    bool Drawing() const { return m_Draw; }
    const BlitSurface& Dst() const { return m_Dst; }
    const PixelRect& Touched() const { return m_Touched; }
    void Touch(const PixelRect& r) { m_Touched = UnionRect(m_Touched, r); }

    // A same-size operation of a picture (skipped when it is missing).
    void Blt(const BlitSurface* src, int op, int64_t x, int64_t y, const PixelRect& srcRect, const PixelRect& clip,
             int64_t opacity, int64_t param2)
    {
        if (src == nullptr || !Fits32(x) || !Fits32(y) || BadRect(srcRect) || BadRect(clip))
            return;
        const int32_t o = int32_t(std::max<int64_t>(std::min<int64_t>(opacity, 256), -1));
        const int32_t p2 = int32_t(std::max<int64_t>(std::min<int64_t>(param2, INT32_MAX), INT32_MIN));
        if (m_Draw) {
            BlitRequest r;
            r.op = op;
            r.x = int32_t(x);
            r.y = int32_t(y);
            r.src = srcRect;
            r.clip = clip;
            r.param1 = o;
            r.param2 = p2;
            r.seed = m_Seed;
            PixelRect drawn;
            BltPixels(m_Dst, *src, r, drawn);
            return;
        }
        PixelRect d, s;
        if (!ClipBlt(m_Dst.width, m_Dst.height, src->width, src->height, x, y, srcRect, clip, d, s))
            return;
        const bool sameOpaque = src->format == m_Dst.format && IsOpaque(*src);
        if (((op >= kBlitOrderedDissolve && op <= kBlitRandomDissolve) || op == kBlitScatter) && !sameOpaque)
            return;
        if (op == kBlitMosaic && p2 > 0 && !IsOpaque(*src))
            return;
        if (op >= kBlitScatter && op <= kBlitVerticalAlphaScatter && !(op == kBlitScatter && p2 <= 0)) {
            // A scatter writes along its axis from half a spread before the
            // request to two spreads after it.
            const bool vertical = op == kBlitVerticalAlphaScatter;
            const int64_t origin = vertical ? y : x;
            const int64_t length = vertical ? int64_t(srcRect.bottom) - srcRect.top
                                            : int64_t(srcRect.right) - srcRect.left;
            const int64_t spread = std::max<int64_t>(p2, 0);
            const int64_t lo = origin - spread / 2, hi = origin + length + (spread > 0 ? 2 * spread + 3 : 0);
            const PixelRect reach = vertical ? Rect64(d.left, lo, d.right, hi) : Rect64(lo, d.top, hi, d.bottom);
            Touch(IntersectRect(IntersectRect(reach, clip), SurfaceRect(m_Dst)));
            return;
        }
        Touch(d);
    }

    // A nearest-pixel stretch at opacity (equal sizes go to the same-size
    // operation, as the surface's StretchBlt does).
    void Stretch(const BlitSurface* src, const PixelRect& dstRect, const PixelRect& srcRect, const PixelRect& clip,
                 int64_t opacity)
    {
        if (src == nullptr)
            return;
        const int64_t dw = int64_t(dstRect.right) - dstRect.left, dh = int64_t(dstRect.bottom) - dstRect.top;
        if (dw == int64_t(srcRect.right) - srcRect.left && dh == int64_t(srcRect.bottom) - srcRect.top) {
            Blt(src, kBlitCopy, dstRect.left, dstRect.top, srcRect, clip, opacity, 0);
            return;
        }
        if (m_Draw) {
            StretchRequest r;
            r.op = kBlitCopy;
            r.dst = dstRect;
            r.src = srcRect;
            r.clip = clip;
            r.param1 = ClampOpacity(opacity);
            PixelRect drawn;
            StretchBltPixels(m_Dst, *src, r, drawn);
            return;
        }
        const int64_t sw = int64_t(srcRect.right) - srcRect.left, sh = int64_t(srcRect.bottom) - srcRect.top;
        if (dw < 2 || dh < 2 || sw < 2 || sh < 2 || IsEmptyRect(IntersectRect(srcRect, SurfaceRect(*src))))
            return;
        Touch(IntersectRect(IntersectRect(dstRect, clip), SurfaceRect(m_Dst)));
    }

private:
    const BlitSurface& m_Dst;
    bool m_Draw;
    uint32_t m_Seed;
    PixelRect m_Touched = kNoRect;
};

// ---- Both families ------------------------------------------------------------

// An operation of a family: its number, its name and what it draws.
template <class Scene>
struct Entry {
    int32_t op;
    const char* name;
    void (*compose)(const Scene&);
};

template <class Scene, size_t n>
const Entry<Scene>* Find(const Entry<Scene> (&table)[n], int op)
{
    for (const Entry<Scene>& e : table)
        if (e.op == op)
            return &e;
    return nullptr;
}

// A scattered away by the middle of the progress, then B gathered in.
template <class Scene>
void ScatterOutIn(const Scene& s, int op, int div)
{
    if (s.p < 512)
        s.DrawA(op, 256, s.p / div);
    else
        s.DrawB(op, 256, s.p >= 1023 ? 0 : (1024 - s.p) / div);
}

// A scattered away while B gathers in, fading in over it.
template <class Scene>
void ScatterCrossfade(const Scene& s, int op, int div, int64_t opacityA)
{
    s.DrawA(op, opacityA, s.p / div);
    s.DrawB(op, s.p >> 2, (1024 - s.p) / div);
}

// ---- Two-picture transitions -----------------------------------------------

struct Scene {
    Composer& c;
    const BlitSurface* a;
    const BlitSurface* b;
    const TransitionRequest& r;
    int32_t p;

    void DrawA(int op, int64_t opacity, int64_t param2) const
    {
        c.Blt(a, op, r.firstX, r.firstY, r.firstRect, r.clip, opacity, param2);
    }
    void DrawB(int op, int64_t opacity, int64_t param2) const
    {
        c.Blt(b, op, r.secondX, r.secondY, r.secondRect, r.clip, opacity, param2);
    }
};

const Entry<Scene> kTransitions[] = {
    {kTransCrossfade, "crossfade",
     [](const Scene& s) {
         s.DrawA(kBlitCopy, 256 - (s.p >> 2), 0);
         s.DrawB(kBlitCopy, s.p >> 2, 0);
     }},
    {kTransScatterOutIn, "scatter out and in", [](const Scene& s) { ScatterOutIn(s, kBlitAlphaScatter, 2); }},
    {kTransScatterCrossfade, "scatter crossfade",
     [](const Scene& s) { ScatterCrossfade(s, kBlitAlphaScatter, 4, 256 - (s.p >> 2)); }},
    {kTransVerticalScatterOutIn, "vertical scatter out and in",
     [](const Scene& s) { ScatterOutIn(s, kBlitVerticalAlphaScatter, 2); }},
    {kTransVerticalScatterCrossfade, "vertical scatter crossfade",
     [](const Scene& s) { ScatterCrossfade(s, kBlitVerticalAlphaScatter, 4, 256 - (s.p >> 2)); }},
};

void ComposeTransition(Composer& c, const BlitSurface* a, const BlitSurface* b, const TransitionRequest& r)
{
    if (const Entry<Scene>* e = Find(kTransitions, r.op))
        e->compose(Scene{c, a, b, r, ClampProgress(r.progress)});
}

// ---- Extended transitions ----------------------------------------------------

// The geometry every extended operation shares: the transition size (the
// smaller of the two rectangles where both pictures are present) and both
// rectangles cut to it.
struct ExGeometry {
    int64_t w = 0, h = 0;
    PixelRect first = kNoRect, second = kNoRect;
};

bool MakeGeometry(const BlitSurface* a, const BlitSurface* b, const ExTransitionRequest& r, ExGeometry& g)
{
    if ((a && BadRect(r.firstRect)) || (b && BadRect(r.secondRect)) || BadRect(r.clip))
        return false;
    auto width = [](const PixelRect& x) { return int64_t(x.right) - x.left; };
    auto height = [](const PixelRect& x) { return int64_t(x.bottom) - x.top; };
    if (a && b) {
        g.w = std::min(width(r.firstRect), width(r.secondRect));
        g.h = std::min(height(r.firstRect), height(r.secondRect));
    } else if (a || b) {
        const PixelRect& only = a ? r.firstRect : r.secondRect;
        g.w = width(only), g.h = height(only);
    } else {
        return false;
    }
    g.first = PixelRect{r.firstRect.left, r.firstRect.top, int32_t(r.firstRect.left + (a ? g.w : 0)),
                        int32_t(r.firstRect.top + (a ? g.h : 0))};
    g.second = PixelRect{r.secondRect.left, r.secondRect.top, int32_t(r.secondRect.left + (b ? g.w : 0)),
                         int32_t(r.secondRect.top + (b ? g.h : 0))};
    return true;
}

// The destination rectangle both pictures cover, with each picture's
// matching source position; false when nothing is left.
struct Overlap {
    PixelRect d;
    int32_t ax, ay, bx, by;
};

bool ClipBoth(const BlitSurface& dst, const BlitSurface& a, const BlitSurface& b, const ExTransitionRequest& r,
              const ExGeometry& g, Overlap& out)
{
    PixelRect da, sa, db, sb;
    if (!ClipBlt(dst.width, dst.height, a.width, a.height, r.x, r.y, g.first, r.clip, da, sa) ||
        !ClipBlt(dst.width, dst.height, b.width, b.height, r.x, r.y, g.second, r.clip, db, sb))
        return false;
    out.d = IntersectRect(da, db);
    if (IsEmptyRect(out.d))
        return false;
    out.ax = sa.left + (out.d.left - da.left), out.ay = sa.top + (out.d.top - da.top);
    out.bx = sb.left + (out.d.left - db.left), out.by = sb.top + (out.d.top - db.top);
    return true;
}

// Rows of a picture read by a two-picture kernel that writes dst: the
// picture itself, or a copy of the rows when they share memory with the
// destination at another place (a pixel must not be read after it was
// written).
struct PictureRows {
    const uint8_t* bits;
    ptrdiff_t pitch;
    Bytes copy;
};

void ReadRows(const BlitSurface& pic, const BlitSurface& dst, int32_t sx, int32_t sy, const PixelRect& d,
              PictureRows& out)
{
    const int bpp = BytesPerPixel(pic.format);
    out.bits = pic.bits + ptrdiff_t(sy) * pic.pitch + ptrdiff_t(sx) * bpp;
    out.pitch = pic.pitch;
    const bool samePlace = pic.bits == dst.bits && pic.pitch == dst.pitch && sx == d.left && sy == d.top;
    if (!Overlaps(pic, dst) || samePlace)
        return;
    const size_t row = size_t(d.right - d.left) * bpp;
    out.copy.resize(row * size_t(d.bottom - d.top));
    for (int32_t y = 0; y < d.bottom - d.top; ++y)
        std::memcpy(&out.copy[row * y], out.bits + ptrdiff_t(y) * pic.pitch, row);
    out.bits = out.copy.data();
    out.pitch = ptrdiff_t(row);
}

// The two-picture kernel of an operation over an overlap's rows: A and B
// through the mask (null for a crossfade) with its pitch and table.
void RunMix(const BlitSurface& dst, const BlitSurface& a, const BlitSurface& b, const Overlap& o, int32_t top,
            int32_t rows, uint32_t key, int opacity, const uint8_t* mask, ptrdiff_t maskPitch, const uint8_t* table)
{
    const int bpp = BytesPerPixel(dst.format);
    const PixelRect d = {o.d.left, top, o.d.right, top + rows};
    PictureRows ra, rb;
    ReadRows(a, dst, o.ax, o.ay + (top - o.d.top), d, ra);
    ReadRows(b, dst, o.bx, o.by + (top - o.d.top), d, rb);
    KernelArgs k;
    k.dst = dst.bits + ptrdiff_t(top) * dst.pitch + ptrdiff_t(d.left) * bpp;
    k.dstPitch = dst.pitch;
    k.src = ra.bits;
    k.srcPitch = ra.pitch;
    k.src2 = rb.bits;
    k.src2Pitch = rb.pitch;
    k.srcAlpha = mask;
    k.srcAlphaPitch = maskPitch;
    k.table = table;
    k.width = d.right - d.left;
    k.height = rows;
    k.opacity = opacity;
    RunKernel(key, k);
}

bool SameFormats(const BlitSurface& dst, const BlitSurface* a, const BlitSurface* b)
{
    return a && b && a->format == dst.format && b->format == dst.format;
}

// Op 1: the per-pixel crossfade.
void Crossfade(Composer& c, const BlitSurface& a, const BlitSurface& b, const ExTransitionRequest& r,
               const ExGeometry& g, int32_t p)
{
    Overlap o;
    if (!ClipBoth(c.Dst(), a, b, r, g, o))
        return;
    if (c.Drawing())
        RunMix(c.Dst(), a, b, o, o.d.top, o.d.bottom - o.d.top, KernelKey(kOpCrossfade, a.format, a.format),
               ClampOpacity(p >> 2), nullptr, 0, nullptr);
    c.Touch(o.d);
}

// Op 2: the mix through the rule image, laid at the destination point.
void RuleTransition(Composer& c, const BlitSurface& a, const BlitSurface& b, const ExTransitionRequest& r,
                    const ExGeometry& g, int32_t p)
{
    const RuleMask* rule = r.rule;
    Overlap o;
    if (!ClipBoth(c.Dst(), a, b, r, g, o))
        return;
    const PixelRect maskArea = Rect64(r.x, r.y, int64_t(r.x) + rule->width, int64_t(r.y) + rule->height);
    const PixelRect d = IntersectRect(o.d, maskArea);
    if (IsEmptyRect(d))
        return;
    if (c.Drawing()) {
        uint8_t table[256];
        BuildRuleTable(p, rule->softness, 255, table);
        Overlap sub = o;
        sub.d = d;
        sub.ax += d.left - o.d.left, sub.ay += d.top - o.d.top;
        sub.bx += d.left - o.d.left, sub.by += d.top - o.d.top;
        const uint8_t* mask = rule->bits + (int64_t(d.top) - r.y) * rule->pitch + (int64_t(d.left) - r.x);
        RunMix(c.Dst(), a, b, sub, d.top, d.bottom - d.top, KernelKey(kOpMix, a.format, a.format), 255, mask,
               rule->pitch, table);
    }
    c.Touch(d);
}

// Op 17: 2 x 2 blocks from B where progress >= Random(1024), from A
// otherwise; a last odd column or row is a narrower block.
void BlockDissolve(Composer& c, const BlitSurface& a, const BlitSurface& b, const ExTransitionRequest& r,
                   const ExGeometry& g, int32_t p, uint32_t seed)
{
    Overlap o;
    if (!ClipBoth(c.Dst(), a, b, r, g, o))
        return;
    c.Touch(o.d);
    if (!c.Drawing())
        return;
    // The blocks' choices as one mask, so that the kernel runs once over the
    // whole rectangle (a picture sharing the destination's memory is then
    // copied once, before anything is written).
    CMersenneTwister random(seed);
    const int32_t width = o.d.right - o.d.left, height = o.d.bottom - o.d.top;
    Bytes mask(size_t(width) * size_t(height));
    for (int32_t y = 0; y < height; y += 2) {
        uint8_t* row = &mask[size_t(y) * width];
        for (int32_t i = 0; i < width; i += 2) {
            const uint8_t v = p >= int32_t(random.Random(1024)) ? 255 : 0;
            row[i] = v;
            if (i + 1 < width)
                row[i + 1] = v;
        }
        if (y + 1 < height)
            std::memcpy(row + width, row, size_t(width));
    }
    RunMix(c.Dst(), a, b, o, o.d.top, height, KernelKey(kOpMix, a.format, a.format), 255, mask.data(), width,
           nullptr);
}

// Ops 5 to 8 and 11 to 14: B's strips from the starting edge, over A.
void CascadeWipe(Composer& c, const BlitSurface* b, const ExTransitionRequest& r, const ExGeometry& g, int32_t p,
                 bool vertical, bool fromFar, int64_t opacity)
{
    const int64_t extent = vertical ? g.w : g.h;
    if (extent > INT32_MAX)
        return;
    int32_t first, last;
    for (int32_t k = 0; CascadeStrip(int32_t(extent), p, k, first, last); ++k) {
        // Lines [first, last) from the starting edge as lines from the near one.
        const int64_t lo = fromFar ? extent - last : first, hi = fromFar ? extent - first : last;
        PixelRect sub = g.second;
        int64_t x = r.x, y = r.y;
        if (vertical) {
            sub.left = int32_t(g.second.left + lo), sub.right = int32_t(g.second.left + hi);
            x += lo;
        } else {
            sub.top = int32_t(g.second.top + lo), sub.bottom = int32_t(g.second.top + hi);
            y += lo;
        }
        c.Blt(b, kBlitCopy, x, y, sub, r.clip, opacity, 0);
    }
}

struct ExScene {
    Composer& c;
    const BlitSurface* a;
    const BlitSurface* b;
    const ExTransitionRequest& r;
    int32_t p;
    bool same;  // both pictures, in the destination's format
    ExGeometry g;

    void DrawA(int op, int64_t opacity, int64_t param2) const
    {
        c.Blt(a, op, r.x, r.y, g.first, r.clip, opacity, param2);
    }
    void DrawB(int op, int64_t opacity, int64_t param2) const
    {
        c.Blt(b, op, r.x, r.y, g.second, r.clip, opacity, param2);
    }
    // A picture stretched into the centred rectangle of a grow or shrink at
    // the opacity.
    void Centred(const BlitSurface* pic, const PixelRect& rect, int64_t opacity) const
    {
        PixelRect box;
        if (g.w <= INT32_MAX && g.h <= INT32_MAX &&
            CentredTransitionRect(r.op, r.x, r.y, int32_t(g.w), int32_t(g.h), p, box))
            c.Stretch(pic, box, rect, r.clip, opacity);
    }
    // A picture stretched into the centred rectangle of a zoom. At the
    // zoom's end at the size itself that is the picture at the destination
    // point, whose rectangle need not fit 32 bits.
    void Zoom(const BlitSurface* pic, const PixelRect& rect, const PixelRect& clip, int64_t opacity) const
    {
        PixelRect box;
        const bool atSize = (r.op == kExZoomIn || r.op == kExZoomInFadeIn) ? p == 0 : p == 1024;
        if (atSize)
            c.Blt(pic, kBlitCopy, r.x, r.y, rect, clip, opacity, 0);
        else if (g.w <= INT32_MAX && g.h <= INT32_MAX &&
                 CentredTransitionRect(r.op, r.x, r.y, int32_t(g.w), int32_t(g.h), p, box))
            c.Stretch(pic, box, rect, clip, opacity);
    }
};

void White(const ExScene& s)
{
    const BlitSurface& dst = s.c.Dst();
    if (s.c.Drawing()) {
        KernelArgs k;
        k.dst = dst.bits;
        k.dstPitch = dst.pitch;
        k.width = dst.width;
        k.height = dst.height;
        k.value = ColorToPixel(dst.format, 0xFFFFFF);
        RunKernel(KernelKey(kOpFill, dst.format), k);
    }
    s.c.Touch(SurfaceRect(dst));
}

// B through a same-size operation over A.
void OverA(const ExScene& s, int op, int64_t opacity)
{
    s.DrawA(kBlitCopy, 256, 0);
    s.DrawB(op, opacity, s.p);
}

// B's strips over A, when both are of the destination's format.
void Strips(const ExScene& s, bool vertical, bool fromFar, int64_t opacity)
{
    if (!s.same)
        return;
    s.DrawA(kBlitCopy, 256, 0);
    CascadeWipe(s.c, s.b, s.r, s.g, s.p, vertical, fromFar, opacity);
}

const Entry<ExScene> kExTransitions[] = {
    {kExWhite, "white", White},
    {kExCrossfade, "crossfade",
     [](const ExScene& s) {
         if (s.same && IsOpaque(*s.a))
             Crossfade(s.c, *s.a, *s.b, s.r, s.g, s.p);
     }},
    {kExRule, "rule image",
     [](const ExScene& s) {
         const RuleMask* rule = s.r.rule;
         if (s.same && rule && rule->bits && rule->width > 0 && rule->height > 0 &&
             s.c.Dst().kind == kSourceOpaque)
             RuleTransition(s.c, *s.a, *s.b, s.r, s.g, s.p);
     }},
    {kExSlats, "horizontal slats",
     [](const ExScene& s) {
         if (s.same)
             OverA(s, kBlitHorizontalBlinds, 256);
     }},
    {kExBlinds, "vertical blinds", [](const ExScene& s) { OverA(s, kBlitVerticalBlinds, 256); }},
    {kExStripsFromTop, "strips from the top", [](const ExScene& s) { Strips(s, false, false, 256); }},
    {kExStripsFromBottom, "strips from the bottom", [](const ExScene& s) { Strips(s, false, true, 256); }},
    {kExStripsFromLeft, "strips from the left", [](const ExScene& s) { Strips(s, true, false, 256); }},
    {kExStripsFromRight, "strips from the right", [](const ExScene& s) { Strips(s, true, true, 256); }},
    {kExFadingSlats, "fading horizontal blinds",
     [](const ExScene& s) {
         if (s.same)
             OverA(s, kBlitHorizontalBlinds, s.p >> 2);
     }},
    {kExBlinds2, "vertical blinds", [](const ExScene& s) { OverA(s, kBlitVerticalBlinds, 256); }},
    {kExFadingStripsFromTop, "fading strips from the top",
     [](const ExScene& s) { Strips(s, false, false, s.p >> 2); }},
    {kExFadingStripsFromBottom, "fading strips from the bottom",
     [](const ExScene& s) { Strips(s, false, true, s.p >> 2); }},
    {kExFadingStripsFromLeft, "fading strips from the left",
     [](const ExScene& s) { Strips(s, true, false, s.p >> 2); }},
    {kExFadingStripsFromRight, "fading strips from the right",
     [](const ExScene& s) { Strips(s, true, true, s.p >> 2); }},
    {kExOrderedDissolve, "ordered dissolve", [](const ExScene& s) { OverA(s, kBlitOrderedDissolve, 256); }},
    {kExOrderedDissolve2, "ordered dissolve 2", [](const ExScene& s) { OverA(s, kBlitOrderedDissolve2, 256); }},
    {kExRandomBlocks, "random blocks",
     [](const ExScene& s) {
         if (s.same && IsOpaque(*s.a))
             BlockDissolve(s.c, *s.a, *s.b, s.r, s.g, s.p, s.r.seed);
     }},
    {kExOrderedDissolveOverA, "ordered dissolve over A",
     [](const ExScene& s) { OverA(s, kBlitOrderedDissolve, 256); }},
    {kExOrderedDissolve2OverA, "ordered dissolve 2 over A",
     [](const ExScene& s) { OverA(s, kBlitOrderedDissolve2, 256); }},
    {kExRandomDissolveOverA, "random dissolve over A", [](const ExScene& s) { OverA(s, kBlitRandomDissolve, 256); }},
    {kExMosaicOutIn, "mosaic out and in",
     [](const ExScene& s) {
         if (!s.same)
             return;
         if (s.p < 512)
             s.DrawA(kBlitMosaic, 256, s.p >> 3);
         else
             s.DrawB(kBlitMosaic, 256, 127 - ((s.p - 1) >> 3));
     }},
    {kExMosaicCrossfade, "mosaic crossfade",
     [](const ExScene& s) {
         if (!s.same)
             return;
         s.DrawA(kBlitMosaic, 256, s.p >> 3);
         s.DrawB(kBlitMosaic, (s.p >> 2) + (s.p >> 1) - 256, 127 - ((s.p - 1) >> 3));
     }},
    {kExGrow, "grow from the centre",
     [](const ExScene& s) {
         s.DrawA(kBlitCopy, 256, 0);
         s.Centred(s.b, s.g.second, 256);
     }},
    {kExShrink, "shrink into the centre",
     [](const ExScene& s) {
         s.DrawB(kBlitCopy, 256, 0);
         s.Centred(s.a, s.g.first, 256);
     }},
    {kExZoomIn, "zoom in",
     [](const ExScene& s) {
         if (s.p == 1024)
             s.DrawB(kBlitCopy, 256, 0);
         else
             s.Zoom(s.a, s.g.first, s.r.clip, 256);
     }},
    {kExZoomOut, "zoom out",
     [](const ExScene& s) {
         if (s.p == 0)
             s.DrawA(kBlitCopy, 256, 0);
         else
             s.Zoom(s.b, s.g.second, s.r.clip, 256);
     }},
    {kExGrowFadeIn, "grow and fade in",
     [](const ExScene& s) {
         s.DrawA(kBlitCopy, 256, 0);
         s.Centred(s.b, s.g.second, (s.p >> 3) + (s.p >> 2));
     }},
    {kExShrinkFadeOut, "shrink and fade out",
     [](const ExScene& s) {
         s.DrawB(kBlitCopy, 256, 0);
         s.Centred(s.a, s.g.first, 384 - (s.p >> 3) - (s.p >> 2));
     }},
    {kExZoomInFadeIn, "zoom in, fade in B",
     [](const ExScene& s) {
         s.Zoom(s.a, s.g.first, s.r.clip, 256);
         s.c.Blt(s.b, kBlitCopy, s.r.x, s.r.y, s.g.second, SurfaceRect(s.c.Dst()), s.p >> 2, 0);
     }},
    {kExZoomOutFadeIn, "zoom out and fade in",
     [](const ExScene& s) {
         s.DrawA(kBlitCopy, 256, 0);
         s.Zoom(s.b, s.g.second, SurfaceRect(s.c.Dst()), s.p >> 2);
     }},
    {kExScatterOutIn, "scatter out and in",
     [](const ExScene& s) {
         if (s.same)
             ScatterOutIn(s, kBlitScatter, 4);
     }},
    {kExScatterCrossfade, "scatter crossfade",
     [](const ExScene& s) {
         if (s.same)
             ScatterCrossfade(s, kBlitScatter, 8, 256);
     }},
    {kExAlphaScatterOutIn, "alpha scatter out and in",
     [](const ExScene& s) {
         if (s.same)
             ScatterOutIn(s, kBlitAlphaScatter, 2);
     }},
    {kExAlphaScatterCrossfade, "alpha scatter crossfade",
     [](const ExScene& s) {
         if (s.same)
             ScatterCrossfade(s, kBlitAlphaScatter, 4, 256);
     }},
    {kExVerticalScatterOutIn, "vertical scatter out and in",
     [](const ExScene& s) {
         if (s.same)
             ScatterOutIn(s, kBlitVerticalAlphaScatter, 2);
     }},
    {kExVerticalScatterCrossfade, "vertical scatter crossfade",
     [](const ExScene& s) {
         if (s.same)
             ScatterCrossfade(s, kBlitVerticalAlphaScatter, 4, 256);
     }},
};

void ComposeExTransition(Composer& c, const BlitSurface* a, const BlitSurface* b, const ExTransitionRequest& r)
{
    const Entry<ExScene>* e = Find(kExTransitions, r.op);
    if (e == nullptr)
        return;
    ExScene s{c, a, b, r, ClampProgress(r.progress), SameFormats(c.Dst(), a, b), ExGeometry()};
    // White draws without the pictures; every other needs their geometry.
    if (r.op != kExWhite && !MakeGeometry(a, b, r, s.g))
        return;
    e->compose(s);
}

template <class Request, class Compose>
bool Run(const BlitSurface& dst, const BlitSurface* a, const BlitSurface* b, const Request& r, Compose compose,
         PixelRect& touched)
{
    touched = kNoRect;
    if (!Usable(&dst))
        return false;
    a = Usable(a) ? a : nullptr;
    b = Usable(b) ? b : nullptr;
    Composer measure(dst, false, r.seed);
    compose(measure, a, b, r);
    if (IsEmptyRect(measure.Touched()))
        return false;
    BuildBlendTables();
    Composer draw(dst, true, r.seed);
    compose(draw, a, b, r);
    touched = measure.Touched();
    return true;
}

template <class Request, class Compose>
PixelRect Query(const BlitSurface& dst, const BlitSurface* a, const BlitSurface* b, const Request& r, Compose compose)
{
    if (!Usable(&dst))
        return kNoRect;
    Composer measure(dst, false, r.seed);
    compose(measure, Usable(a) ? a : nullptr, Usable(b) ? b : nullptr, r);
    return measure.Touched();
}

}  // namespace

bool CentredTransitionRect(int op, int32_t x, int32_t y, int32_t w, int32_t h, int32_t progress, PixelRect& out)
{
    out = kNoRect;
    if (op < kExGrow || op > kExZoomOutFadeIn || w <= 0 || h <= 0)
        return false;
    const int32_t p = ClampProgress(progress);
    const int kind = op == kExGrow || op == kExGrowFadeIn       ? 0
                     : op == kExShrink || op == kExShrinkFadeOut ? 1
                     : op == kExZoomIn || op == kExZoomInFadeIn  ? 2
                                                                 : 3;
    // The zooms in end and the zooms out start at the size itself; only their
    // other states need twice the size, which a tween cannot hold past 2^30.
    const bool atSize = (kind == 2 && p == 0) || (kind == 3 && p == 1024);
    if (kind >= 2 && !atSize && (w > INT32_MAX / 2 || h > INT32_MAX / 2))
        return false;
    auto value = [&](int32_t size) -> int32_t {
        if (atSize)
            return size;
        switch (kind) {
        case 0: {  // 0 to the size, slowing into the end
            CQuadTween t;
            t.Init(0, size, -1024);
            t.SetStep(p);
            return t.GetValue();
        }
        case 1: {  // the size to 0, slowly at first
            CSineTween t;
            t.Init(size, 0, -1024);
            t.SetStep(p);
            return t.GetValue();
        }
        case 2: {  // the size to twice the size, accelerating
            CQuadTween t;
            t.Init(size, 2 * size, 1024);
            t.SetStep(p);
            return t.GetValue();
        }
        default: {  // twice the size to the size, slowing into the end
            CQuadTween t;
            t.Init(2 * size, size, -1024);
            t.SetStep(p);
            return t.GetValue();
        }
        }
    };
    const int64_t tw = value(w), th = value(h);
    const int64_t left = int64_t(x) + (int64_t(w) - tw) / 2, top = int64_t(y) + (int64_t(h) - th) / 2;
    if (!Fits32(left) || !Fits32(top) || !Fits32(left + tw) || !Fits32(top + th))
        return false;
    out = PixelRect{int32_t(left), int32_t(top), int32_t(left + tw), int32_t(top + th)};
    return true;
}

bool CascadeStrip(int32_t h, int32_t progress, int32_t k, int32_t& first, int32_t& last)
{
    first = last = 0;
    if (h <= 15 || k < 0)
        return false;
    const int64_t c = h >> 4;
    const int64_t reach = int64_t(ClampProgress(progress)) * (c + (int64_t(h) * 4) / c) / 1024 - 4 * int64_t(k);
    const int64_t offset = int64_t(k) * c;
    if (reach <= 0 || offset >= h)
        return false;
    first = int32_t(offset);
    last = int32_t(std::min<int64_t>(offset + std::min(c, reach), h));
    return true;
}

bool TransitionPixels(const BlitSurface& dst, const BlitSurface* first, const BlitSurface* second,
                      const TransitionRequest& request, PixelRect& touched)
{
    return Run(dst, first, second, request, ComposeTransition, touched);
}

bool ExTransitionPixels(const BlitSurface& dst, const BlitSurface* first, const BlitSurface* second,
                        const ExTransitionRequest& request, PixelRect& touched)
{
    return Run(dst, first, second, request, ComposeExTransition, touched);
}

PixelRect QueryTransition(const BlitSurface& dst, const BlitSurface* first, const BlitSurface* second,
                          const TransitionRequest& request)
{
    return Query(dst, first, second, request, ComposeTransition);
}

PixelRect QueryExTransition(const BlitSurface& dst, const BlitSurface* first, const BlitSurface* second,
                            const ExTransitionRequest& request)
{
    return Query(dst, first, second, request, ComposeExTransition);
}

const char* TransitionName(int op)
{
    const Entry<Scene>* e = Find(kTransitions, op);
    return e ? e->name : "";
}

const char* ExTransitionName(int op)
{
    const Entry<ExScene>* e = Find(kExTransitions, op);
    return e ? e->name : "";
}

bool IsTransition(int op)
{
    return Find(kTransitions, op) != nullptr;
}

bool IsExTransition(int op)
{
    return Find(kExTransitions, op) != nullptr;
}
