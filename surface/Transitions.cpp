#include "surface/Transitions.h"

#include "surface/BlendTables.h"
#include "surface/BlitChecks.h"
#include "surface/KernelTable.h"
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
        if (((op >= 7 && op <= 9) || op == 12) && !sameOpaque)
            return;
        if (op == 11 && p2 > 0 && !IsOpaque(*src))
            return;
        if (op >= 12 && op <= 14 && !(op == 12 && p2 <= 0)) {
            // A scatter writes along its axis from half a spread before the
            // request to two spreads after it.
            const bool vertical = op == 14;
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

    // Operation 0 of a stretch at opacity (equal sizes go to the same-size
    // operation, as the surface's StretchBlt does).
    void Stretch(const BlitSurface* src, const PixelRect& dstRect, const PixelRect& srcRect, const PixelRect& clip,
                 int64_t opacity)
    {
        if (src == nullptr)
            return;
        const int64_t dw = int64_t(dstRect.right) - dstRect.left, dh = int64_t(dstRect.bottom) - dstRect.top;
        if (dw == int64_t(srcRect.right) - srcRect.left && dh == int64_t(srcRect.bottom) - srcRect.top) {
            Blt(src, 0, dstRect.left, dstRect.top, srcRect, clip, opacity, 0);
            return;
        }
        if (m_Draw) {
            StretchRequest r;
            r.op = 0;
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

// ---- Two-picture transitions -----------------------------------------------

void ComposeTransition(Composer& c, const BlitSurface* a, const BlitSurface* b, const TransitionRequest& r)
{
    const int32_t p = ClampProgress(r.progress);
    auto drawA = [&](int op, int64_t opacity, int64_t param2) {
        c.Blt(a, op, r.firstX, r.firstY, r.firstRect, r.clip, opacity, param2);
    };
    auto drawB = [&](int op, int64_t opacity, int64_t param2) {
        c.Blt(b, op, r.secondX, r.secondY, r.secondRect, r.clip, opacity, param2);
    };
    switch (r.op) {
    case 1:
        drawA(0, 256 - (p >> 2), 0);
        drawB(0, p >> 2, 0);
        break;
    case 33:
    case 35: {
        const int op = r.op == 33 ? 13 : 14;
        if (p < 512)
            drawA(op, 256, p / 2);
        else
            drawB(op, 256, p >= 1023 ? 0 : (1024 - p) / 2);
        break;
    }
    case 34:
    case 36: {
        const int op = r.op == 34 ? 13 : 14;
        drawA(op, 256 - (p >> 2), p / 4);
        drawB(op, p >> 2, (1024 - p) / 4);
        break;
    }
    default: break;
    }
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
        c.Blt(b, 0, x, y, sub, r.clip, opacity, 0);
    }
}

void ComposeExTransition(Composer& c, const BlitSurface* a, const BlitSurface* b, const ExTransitionRequest& r)
{
    const BlitSurface& dst = c.Dst();
    const int32_t p = ClampProgress(r.progress);
    if (r.op == -1) {
        if (c.Drawing()) {
            KernelArgs k;
            k.dst = dst.bits;
            k.dstPitch = dst.pitch;
            k.width = dst.width;
            k.height = dst.height;
            k.value = ColorToPixel(dst.format, 0xFFFFFF);
            RunKernel(KernelKey(kOpFill, dst.format), k);
        }
        c.Touch(SurfaceRect(dst));
        return;
    }
    ExGeometry g;
    if (r.op < 1 || r.op > 36 || !MakeGeometry(a, b, r, g))
        return;
    const bool same = SameFormats(dst, a, b);
    auto drawA = [&](int op, int64_t opacity, int64_t param2) {
        c.Blt(a, op, r.x, r.y, g.first, r.clip, opacity, param2);
    };
    auto drawB = [&](int op, int64_t opacity, int64_t param2) {
        c.Blt(b, op, r.x, r.y, g.second, r.clip, opacity, param2);
    };
    PixelRect box;
    // The centred rectangles of ops 23 to 30.
    auto centred = [&](int op, PixelRect& out) {
        return g.w <= INT32_MAX && g.h <= INT32_MAX &&
               CentredTransitionRect(op, r.x, r.y, int32_t(g.w), int32_t(g.h), p, out);
    };
    // A picture stretched into the centred rectangle of a zoom (25, 26, 29,
    // 30). At the zoom's end at the size itself that is the picture at the
    // destination point, whose rectangle need not fit 32 bits.
    auto zoom = [&](const BlitSurface* pic, const PixelRect& rect, const PixelRect& clip, int64_t opacity) {
        const bool atSize = (r.op == 25 || r.op == 29) ? p == 0 : p == 1024;
        if (atSize)
            c.Blt(pic, 0, r.x, r.y, rect, clip, opacity, 0);
        else if (centred(r.op, box))
            c.Stretch(pic, box, rect, clip, opacity);
    };
    switch (r.op) {
    case 1:
        if (same && IsOpaque(*a))
            Crossfade(c, *a, *b, r, g, p);
        break;
    case 2:
        if (same && r.rule && r.rule->bits && r.rule->width > 0 && r.rule->height > 0 && dst.kind == kSourceOpaque)
            RuleTransition(c, *a, *b, r, g, p);
        break;
    case 3:
        if (same) {
            drawA(0, 256, 0);
            drawB(5, 256, p);
        }
        break;
    case 4:
    case 10:
        drawA(0, 256, 0);
        drawB(6, 256, p);
        break;
    case 5: case 6: case 7: case 8: case 11: case 12: case 13: case 14:
        if (same) {
            const int family = r.op <= 8 ? r.op - 5 : r.op - 11;  // top, bottom, left, right
            drawA(0, 256, 0);
            CascadeWipe(c, b, r, g, p, family >= 2, family % 2 == 1, r.op <= 8 ? 256 : p >> 2);
        }
        break;
    case 9:
        if (same) {
            drawA(0, 256, 0);
            drawB(5, p >> 2, p);
        }
        break;
    case 15:
    case 16:
    case 18:
    case 19:
    case 20:
        drawA(0, 256, 0);
        drawB(r.op == 15 || r.op == 18 ? 7 : r.op == 16 || r.op == 19 ? 8 : 9, 256, p);
        break;
    case 17:
        if (same && IsOpaque(*a))
            BlockDissolve(c, *a, *b, r, g, p, r.seed);
        break;
    case 21:
        if (same) {
            if (p < 512)
                drawA(11, 256, p >> 3);
            else
                drawB(11, 256, 127 - ((p - 1) >> 3));
        }
        break;
    case 22:
        if (same) {
            drawA(11, 256, p >> 3);
            drawB(11, (p >> 2) + (p >> 1) - 256, 127 - ((p - 1) >> 3));
        }
        break;
    case 23:
    case 27:
        drawA(0, 256, 0);
        if (centred(r.op, box))
            c.Stretch(b, box, g.second, r.clip, r.op == 23 ? 256 : (p >> 3) + (p >> 2));
        break;
    case 24:
    case 28:
        drawB(0, 256, 0);
        if (centred(r.op, box))
            c.Stretch(a, box, g.first, r.clip, r.op == 24 ? 256 : 384 - (p >> 3) - (p >> 2));
        break;
    case 25:
        if (p == 1024)
            drawB(0, 256, 0);
        else
            zoom(a, g.first, r.clip, 256);
        break;
    case 26:
        if (p == 0)
            drawA(0, 256, 0);
        else
            zoom(b, g.second, r.clip, 256);
        break;
    case 29:
        zoom(a, g.first, r.clip, 256);
        c.Blt(b, 0, r.x, r.y, g.second, SurfaceRect(dst), p >> 2, 0);
        break;
    case 30:
        drawA(0, 256, 0);
        zoom(b, g.second, SurfaceRect(dst), p >> 2);
        break;
    case 31:
    case 33:
    case 35:
        if (same) {
            const int op = r.op == 31 ? 12 : r.op == 33 ? 13 : 14;
            const int div = r.op == 31 ? 4 : 2;
            if (p < 512)
                drawA(op, 256, p / div);
            else
                drawB(op, 256, p >= 1023 ? 0 : (1024 - p) / div);
        }
        break;
    case 32:
    case 34:
    case 36:
        if (same) {
            const int op = r.op == 32 ? 12 : r.op == 34 ? 13 : 14;
            const int div = r.op == 32 ? 8 : 4;
            drawA(op, 256, p / div);
            drawB(op, p >> 2, (1024 - p) / div);
        }
        break;
    default: break;
    }
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
    if (op < 23 || op > 30 || w <= 0 || h <= 0)
        return false;
    const int32_t p = ClampProgress(progress);
    const int kind = op == 23 || op == 27 ? 0 : op == 24 || op == 28 ? 1 : op == 25 || op == 29 ? 2 : 3;
    // The zooms end (25, 29) or start (26, 30) at the size itself; only their
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
    switch (op) {
    case 1: return "crossfade";
    case 33: return "scatter out and in";
    case 34: return "scatter crossfade";
    case 35: return "vertical scatter out and in";
    case 36: return "vertical scatter crossfade";
    default: return "";
    }
}

const char* ExTransitionName(int op)
{
    static const char* const kNames[] = {
        "crossfade",                  // 1
        "rule image",                 // 2
        "horizontal slats",           // 3
        "vertical blinds",            // 4
        "strips from the top",        // 5
        "strips from the bottom",     // 6
        "strips from the left",       // 7
        "strips from the right",      // 8
        "fading horizontal blinds",   // 9
        "vertical blinds",            // 10
        "fading strips from the top", // 11
        "fading strips from the bottom",
        "fading strips from the left",
        "fading strips from the right",
        "ordered dissolve",           // 15
        "ordered dissolve 2",         // 16
        "random blocks",              // 17
        "ordered dissolve over A",    // 18
        "ordered dissolve 2 over A",  // 19
        "random dissolve over A",     // 20
        "mosaic out and in",          // 21
        "mosaic crossfade",           // 22
        "grow from the centre",       // 23
        "shrink into the centre",     // 24
        "zoom in",                    // 25
        "zoom out",                   // 26
        "grow and fade in",           // 27
        "shrink and fade out",        // 28
        "zoom in, fade in B",         // 29
        "zoom out and fade in",       // 30
        "scatter out and in",         // 31
        "scatter crossfade",          // 32
        "alpha scatter out and in",   // 33
        "alpha scatter crossfade",    // 34
        "vertical scatter out and in",// 35
        "vertical scatter crossfade", // 36
    };
    if (op == -1)
        return "white";
    return op >= 1 && op <= 36 ? kNames[op - 1] : "";
}
