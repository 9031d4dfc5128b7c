#include "surface/BlitOps.h"

#include "surface/BlendTables.h"
#include "surface/BlitChecks.h"
#include "surface/kernels/KernelTable.h"
#include "surface/MersenneTwister.h"
#include "surface/PixelFormat.h"

#include <algorithm>
#include <cstring>
#include <vector>

const int16_t kDissolveThresholds[2][16] = {
    {192, 576, 64, 704, 832, 448, 960, 320, 64, 704, 192, 576, 960, 320, 832, 448},
    {32, 96, 160, 224, 736, 800, 864, 288, 672, 992, 928, 352, 608, 544, 480, 416},
};

namespace {

using namespace blit;

typedef std::vector<uint8_t> Bytes;

const PixelRect kNoRect = {0, 0, 0, 0};

uint32_t ReadRaw(int format, const uint8_t* p)
{
    switch (format) {
    case kFormat15:
    case kFormat16: return uint32_t(p[0]) | uint32_t(p[1]) << 8;
    case kFormat24: return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16;
    default: return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
    }
}

uint32_t KeyMaskOf(int format)
{
    return format == kFormat15 ? 0x7FFF : format == kFormat16 ? 0xFFFF : 0xFFFFFF;
}

// The drawing of one source onto one destination: the op-0 rectangle and
// rows of gathered source pixels with a coverage byte each.
class Blitter {
public:
    Blitter(const BlitSurface& dst, const BlitSurface& src)
        : m_Dst(dst), m_Src(src), m_Table(CKernelTable::GetInstance()), m_DstBpp(BytesPerPixel(dst.format)),
          m_SrcBpp(BytesPerPixel(src.format)),
          m_Kind(src.kind == kSourceAlpha && src.alpha != nullptr ? kSourceAlpha
                 : src.kind == kSourceKey                        ? kSourceKey
                                                                 : kSourceOpaque),
          m_DstAlpha(dst.kind == kSourceAlpha && dst.alpha != nullptr),
          m_Key(ColorToPixel(src.format, src.colorKey) & KeyMaskOf(src.format))
    {
        m_RowFn = RowKernel(src.format);
    }

    const BlitSurface& Dst() const { return m_Dst; }
    const BlitSurface& Src() const { return m_Src; }
    int Kind() const { return m_Kind; }
    int SrcBpp() const { return m_SrcBpp; }
    bool SameFormat() const { return m_Dst.format == m_Src.format; }

    uint8_t* DstAt(int32_t x, int32_t y) const
    {
        return m_Dst.bits + ptrdiff_t(y) * m_Dst.pitch + ptrdiff_t(x) * m_DstBpp;
    }
    const uint8_t* SrcAt(int32_t x, int32_t y) const
    {
        return m_Src.bits + ptrdiff_t(y) * m_Src.pitch + ptrdiff_t(x) * m_SrcBpp;
    }
    const uint8_t* SrcAlphaAt(int32_t x, int32_t y) const
    {
        return m_Src.alpha ? m_Src.alpha + ptrdiff_t(y) * m_Src.alphaPitch + x : nullptr;
    }

    // Op 0 over a clipped destination rectangle from source (sx, sy).
    void Rect(const PixelRect& d, int32_t sx, int32_t sy, int32_t opacity) const
    {
        const int o = ClampOpacity(opacity);
        if (o == 0 || IsEmptyRect(d))
            return;
        KernelArgs a;
        a.dst = DstAt(d.left, d.top);
        a.dstPitch = m_Dst.pitch;
        a.src = SrcAt(sx, sy);
        a.srcPitch = m_Src.pitch;
        a.width = d.right - d.left;
        a.height = d.bottom - d.top;
        a.opacity = o;
        a.value = m_Key;
        if (m_Kind == kSourceAlpha) {
            a.srcAlpha = SrcAlphaAt(sx, sy);
            a.srcAlphaPitch = m_Src.alphaPitch;
        }
        uint32_t key;
        if (m_DstAlpha) {
            a.dstAlpha = m_Dst.alpha + ptrdiff_t(d.top) * m_Dst.alphaPitch + d.left;
            a.dstAlphaPitch = m_Dst.alphaPitch;
            key = KernelKey(kOpBlendDstAlpha, m_Dst.format, m_Src.format, m_Kind);
        } else if (m_Kind == kSourceKey) {
            key = KernelKey(kOpKeyBlend, m_Dst.format, m_Src.format);
        } else if (m_Kind == kSourceAlpha) {
            key = KernelKey(kOpAlphaBlend, m_Dst.format, m_Src.format);
        } else {
            key = KernelKey(o == 255 ? kOpConvert : kOpBlend, m_Dst.format, m_Src.format);
            // Whole rows of surfaces without row padding: one block.
            const ptrdiff_t rowBytes = ptrdiff_t(a.width) * m_DstBpp;
            if (o == 255 && SameFormat() && a.width == m_Dst.width && a.width == m_Src.width &&
                m_Dst.pitch == rowBytes && m_Src.pitch == rowBytes && rowBytes * a.height <= INT32_MAX) {
                key = KernelKey(kOpCopyBytes);
                a.width = int32_t(rowBytes * a.height);
                a.height = 1;
            }
        }
        RunKernel(key, a);
    }

    // The blend of every pixel by its own coverage (0..255), whatever the
    // source kind: the kernel of alpha-plane sources at opacity 255.
    KernelFn RowKernel(int srcFormat) const
    {
        return m_Table.Get(m_DstAlpha ? KernelKey(kOpBlendDstAlpha, m_Dst.format, srcFormat, kSourceAlpha)
                                      : KernelKey(kOpAlphaBlend, m_Dst.format, srcFormat));
    }

    // width x height destination pixels from (x, y), drawn from pixels of
    // the source's format (or of the format fn was chosen for) pixelPitch
    // bytes apart per row, each at its coverage byte (coveragePitch apart
    // per row). A column is width 1 with the pitches of one pixel.
    void Span(int32_t x, int32_t y, int32_t width, int32_t height, const uint8_t* pixels, ptrdiff_t pixelPitch,
              const uint8_t* coverage, ptrdiff_t coveragePitch, KernelFn fn = nullptr) const
    {
        if (width <= 0 || height <= 0)
            return;
        KernelArgs a;
        a.dst = DstAt(x, y);
        a.dstPitch = m_Dst.pitch;
        a.src = pixels;
        a.srcPitch = pixelPitch;
        a.srcAlpha = coverage;
        a.srcAlphaPitch = coveragePitch;
        a.width = width;
        a.height = height;
        a.opacity = 255;
        if (m_DstAlpha) {
            a.dstAlpha = m_Dst.alpha + ptrdiff_t(y) * m_Dst.alphaPitch + x;
            a.dstAlphaPitch = m_Dst.alphaPitch;
        }
        (fn ? fn : m_RowFn)(a);
    }

    // One row, trimmed to its covered pixels.
    void Row(int32_t x, int32_t y, int32_t count, const uint8_t* pixels, const uint8_t* coverage,
             int bpp = 0, KernelFn fn = nullptr) const
    {
        int32_t first = 0, last = count;
        while (first < last && coverage[first] == 0)
            ++first;
        while (last > first && coverage[last - 1] == 0)
            --last;
        if (bpp == 0)
            bpp = m_SrcBpp;
        Span(x + first, y, last - first, 1, pixels + ptrdiff_t(first) * bpp, 0, coverage + first, 0, fn);
    }

    // The coverage of one source pixel drawn at an opacity: the opacity, 0 for
    // a key pixel, the alpha-plane rule for an alpha source.
    uint8_t Coverage(const uint8_t* pixel, uint8_t alpha, int opacity) const
    {
        if (m_Kind == kSourceKey)
            return (ReadRaw(m_Src.format, pixel) & KeyMaskOf(m_Src.format)) == m_Key ? 0 : uint8_t(opacity);
        if (m_Kind == kSourceAlpha) {
            const int a = alpha - (255 - opacity);
            return uint8_t(a > 0 ? a : 0);
        }
        return uint8_t(opacity);
    }

    bool IsKey(const uint8_t* pixel) const
    {
        return m_Kind == kSourceKey && (ReadRaw(m_Src.format, pixel) & KeyMaskOf(m_Src.format)) == m_Key;
    }

private:
    const BlitSurface& m_Dst;
    const BlitSurface& m_Src;
    CKernelTable& m_Table;
    int m_DstBpp, m_SrcBpp;
    int m_Kind;
    bool m_DstAlpha;
    uint32_t m_Key;
    KernelFn m_RowFn;
};

// The clipped request every operation starts from.
struct Clipped {
    PixelRect d;  // destination rectangle after clipping
    PixelRect s;  // matching source rectangle
};

// ---- Operations ------------------------------------------------------------

// Ops 2 and 3: nearest-neighbour rotation about the centres.
bool Rotate(const Blitter& b, const BlitRequest& r, PixelRect& touched)
{
    const PixelRect area = IntersectRect(IntersectRect(RotatedBounds(r.x, r.y, r.src, r.param2), r.clip),
                                         SurfaceRect(b.Dst()));
    const PixelRect valid = IntersectRect(r.src, SurfaceRect(b.Src()));
    if (IsEmptyRect(area) || IsEmptyRect(valid))
        return false;
    int32_t s, c;
    RotationSineCosine(r.param2, s, c);
    const int64_t w = int64_t(r.src.right) - r.src.left, h = int64_t(r.src.bottom) - r.src.top;
    const int64_t scx = r.src.left + (w >> 1), scy = r.src.top + (h >> 1);
    const int64_t cx = r.x + (w >> 1), cy = r.y + (h >> 1);
    const int o = ClampOpacity(r.param1);
    const int bpp = b.SrcBpp();
    const int32_t width = area.right - area.left;
    Bytes pixels(size_t(width) * bpp), coverage(static_cast<size_t>(width));
    for (int32_t y = area.top; y < area.bottom; ++y) {
        const int64_t dv = y - cy, di0 = area.left - cx;
        int64_t u = di0 * c - dv * s, v = dv * c + di0 * s;
        for (int32_t i = 0; i < width; ++i, u += c, v += s) {
            const int64_t sx = scx + (u >> 16), sy = scy + (v >> 16);
            coverage[i] = 0;
            if (sx < valid.left || sx >= valid.right || sy < valid.top || sy >= valid.bottom)
                continue;
            const uint8_t* p = b.SrcAt(int32_t(sx), int32_t(sy));
            std::memcpy(&pixels[size_t(i) * bpp], p, size_t(bpp));
            const uint8_t* alpha = b.SrcAlphaAt(int32_t(sx), int32_t(sy));
            coverage[i] = b.Coverage(p, alpha ? *alpha : 255, o);
        }
        b.Row(area.left, y, width, pixels.data(), coverage.data());
    }
    touched = area;
    return true;
}

// Op 4: each pixel at the opacity the rule table gives its mask value; the
// mask is laid at the destination point and nothing is drawn beyond it.
bool RuleWipe(const Blitter& b, const BlitRequest& r, const Clipped& c, PixelRect& touched)
{
    const RuleMask* rule = r.rule;
    if (rule == nullptr || rule->bits == nullptr || rule->width <= 0 || rule->height <= 0)
        return false;
    const PixelRect maskArea = {r.x, r.y, int32_t(std::min<int64_t>(int64_t(r.x) + rule->width, INT32_MAX)),
                                int32_t(std::min<int64_t>(int64_t(r.y) + rule->height, INT32_MAX))};
    const PixelRect d = IntersectRect(c.d, maskArea);
    if (IsEmptyRect(d))
        return false;
    uint8_t table[256];
    BuildRuleTable(r.param2, rule->softness, r.param1, table);
    const int32_t width = d.right - d.left, sx = c.s.left + (d.left - c.d.left);
    const int bpp = b.SrcBpp();
    Bytes coverage(static_cast<size_t>(width));
    for (int32_t y = d.top; y < d.bottom; ++y) {
        const int32_t sy = c.s.top + (y - c.d.top);
        const uint8_t* mask = rule->bits + (int64_t(y) - r.y) * rule->pitch + (int64_t(d.left) - r.x);
        const uint8_t* pixels = b.SrcAt(sx, sy);
        const uint8_t* alpha = b.SrcAlphaAt(sx, sy);
        for (int32_t i = 0; i < width; ++i)
            coverage[i] = b.Coverage(pixels + ptrdiff_t(i) * bpp, alpha ? alpha[i] : 255, table[mask[i]]);
        b.Row(d.left, y, width, pixels, coverage.data());
    }
    touched = d;
    return true;
}

// Ops 5 and 6: the first (progress >> 5) rows (columns) of every band of 32,
// each band drawn with op 0.
bool Blinds(const Blitter& b, const BlitRequest& r, const Clipped& c, bool vertical, PixelRect& touched)
{
    const int32_t lines = ClampProgress(r.param2) >> 5;
    const int64_t extent = vertical ? int64_t(r.src.right) - r.src.left : int64_t(r.src.bottom) - r.src.top;
    if (lines > 0) {
        // Only the bands that reach the clipped rectangle.
        const int64_t reach0 = vertical ? int64_t(c.d.left) - r.x : int64_t(c.d.top) - r.y;
        const int64_t reach1 = vertical ? int64_t(c.d.right) - r.x : int64_t(c.d.bottom) - r.y;
        for (int64_t band = std::max<int64_t>(0, reach0 / 32 * 32); band < extent && band < reach1; band += 32) {
            const int32_t n = int32_t(std::min<int64_t>(lines, extent - band));
            PixelRect sub = r.src;
            int64_t x = r.x, y = r.y;
            if (vertical) {
                sub.left = int32_t(r.src.left + band), sub.right = sub.left + n;
                x = r.x + band;
            } else {
                sub.top = int32_t(r.src.top + band), sub.bottom = sub.top + n;
                y = r.y + band;
            }
            PixelRect d, s;
            if (ClipBlt(b.Dst().width, b.Dst().height, b.Src().width, b.Src().height, x, y, sub, r.clip, d, s))
                b.Rect(d, s.left, s.top, r.param1);
        }
    }
    touched = c.d;
    return true;
}

// Ops 7 and 8: the 4 x 4 ordered dissolve.
bool OrderedDissolve(const Blitter& b, const BlitRequest& r, const Clipped& c, PixelRect& touched)
{
    if (!b.SameFormat() || b.Kind() != kSourceOpaque)
        return false;
    const int16_t* threshold = kDissolveThresholds[r.op - kBlitOrderedDissolve];
    const int32_t progress = ClampProgress(r.param2);
    const uint8_t o = uint8_t(ClampOpacity(r.param1));
    const int32_t width = c.d.right - c.d.left;
    Bytes coverage(static_cast<size_t>(width));
    for (int32_t y = c.d.top; y < c.d.bottom; ++y) {
        const int row = int((int64_t(y) - r.y) & 3) * 4;
        for (int32_t i = 0; i < width; ++i)
            coverage[i] = progress >= threshold[row + int((int64_t(c.d.left) + i - r.x) & 3)] ? o : 0;
        b.Row(c.d.left, y, width, b.SrcAt(c.s.left, c.s.top + (y - c.d.top)), coverage.data());
    }
    touched = c.d;
    return true;
}

// Op 9: 2 x 2 blocks drawn where progress - Random(1024) >= 0.
bool RandomDissolve(const Blitter& b, const BlitRequest& r, const Clipped& c, PixelRect& touched)
{
    if (!b.SameFormat() || b.Kind() != kSourceOpaque)
        return false;
    CMersenneTwister random(r.seed);
    const int32_t progress = ClampProgress(r.param2);
    const uint8_t o = uint8_t(ClampOpacity(r.param1));
    const int32_t width = c.d.right - c.d.left;
    Bytes coverage(static_cast<size_t>(width));
    for (int32_t y = c.d.top; y < c.d.bottom; y += 2) {
        for (int32_t i = 0; i < width; i += 2) {
            const uint8_t v = progress - int32_t(random.Random(1024)) >= 0 ? o : 0;
            coverage[i] = v;
            if (i + 1 < width)
                coverage[i + 1] = v;
        }
        for (int32_t k = 0; k < 2 && y + k < c.d.bottom; ++k)
            b.Row(c.d.left, y + k, width, b.SrcAt(c.s.left, c.s.top + (y + k - c.d.top)), coverage.data());
    }
    touched = c.d;
    return true;
}

// Op 10: the source drawn n x n times with op 0 around the point.
bool Blur(const Blitter& b, const BlitRequest& r, const Clipped& c, PixelRect& touched)
{
    const int64_t n = r.param2;
    const int o = ClampOpacity(r.param1);
    if (n <= 1) {
        b.Rect(c.d, c.s.left, c.s.top, o);
        touched = c.d;
        return true;
    }
    // Each draw at opacity / (n x n): nothing at all once that is 0 (n of 16
    // and more), which also bounds the loop below to 15 x 15 draws.
    const int64_t each = n < 16 ? o / (n * n) : 0;
    if (each == 0)
        return false;
    PixelRect all = kNoRect;
    for (int64_t j = -(n / 2); j <= n - 1 - n / 2; ++j)
        for (int64_t i = -(n / 2); i <= n - 1 - n / 2; ++i) {
            PixelRect d, s;
            if (ClipBlt(b.Dst().width, b.Dst().height, b.Src().width, b.Src().height, r.x + i, r.y + j, r.src,
                        r.clip, d, s)) {
                b.Rect(d, s.left, s.top, int32_t(each));
                all = UnionRect(all, d);
            }
        }
    touched = all;
    return !IsEmptyRect(all);
}

// Op 11: cells of c x c with borders at point - c / 2 + k x c, each showing
// the source pixel of its first clipped column and row.
bool Mosaic(const Blitter& b, const BlitRequest& r, const Clipped& c, PixelRect& touched)
{
    const int64_t cell = r.param2;
    if (cell <= 0) {
        b.Rect(c.d, c.s.left, c.s.top, r.param1);
        touched = c.d;
        return true;
    }
    if (b.Kind() != kSourceOpaque)
        return false;
    const int64_t baseX = int64_t(r.x) - (cell >> 1), baseY = int64_t(r.y) - (cell >> 1);
    auto cellStart = [cell](int64_t v, int64_t base, int32_t first) {
        return int32_t(std::max<int64_t>(base + (v - base) / cell * cell, first));
    };
    const int bpp = b.SrcBpp();
    const int32_t width = c.d.right - c.d.left;
    Bytes pixels(size_t(width) * bpp), coverage(size_t(width), uint8_t(ClampOpacity(r.param1)));
    int32_t gatheredRow = -1;
    for (int32_t y = c.d.top; y < c.d.bottom; ++y) {
        const int32_t sampleY = cellStart(y, baseY, c.d.top);
        if (sampleY != gatheredRow) {
            const int32_t sy = c.s.top + (sampleY - c.d.top);
            for (int32_t i = 0; i < width;) {
                const int32_t x = c.d.left + i, sampleX = cellStart(x, baseX, c.d.left);
                const int64_t cellEnd = std::min<int64_t>(baseX + (x - baseX) / cell * cell + cell, c.d.right);
                const uint8_t* p = b.SrcAt(c.s.left + (sampleX - c.d.left), sy);
                for (; c.d.left + i < cellEnd; ++i)
                    std::memcpy(&pixels[size_t(i) * bpp], p, size_t(bpp));
            }
            gatheredRow = sampleY;
        }
        b.Row(c.d.left, y, width, pixels.data(), coverage.data());
    }
    touched = c.d;
    return true;
}

// Ops 12, 13 and 14: random scatter along rows (12, 13) or columns (14). Each
// destination pixel takes the last source pixel written to it and is then
// drawn once at the opacity.
bool Scatter(const Blitter& b, const BlitRequest& r, const Clipped& c, PixelRect& touched)
{
    const bool vertical = r.op == kBlitVerticalAlphaScatter, pairs = r.op == kBlitScatter;
    if (pairs && (!b.SameFormat() || b.Kind() != kSourceOpaque))
        return false;
    const int64_t spread = r.param2;
    if (pairs && spread <= 0) {
        b.Rect(c.d, c.s.left, c.s.top, r.param1);
        touched = c.d;
        return true;
    }
    // Without a spread ops 13 and 14 draw every taken pixel in its place.
    const bool direct = spread <= 0;
    const int o = ClampOpacity(r.param1);
    const PixelRect valid = IntersectRect(r.src, SurfaceRect(b.Src()));
    const PixelRect allowed = IntersectRect(r.clip, SurfaceRect(b.Dst()));
    // Along the scatter: positions 0..length of the request; across: the
    // clipped lines.
    const int64_t length = vertical ? int64_t(r.src.bottom) - r.src.top : int64_t(r.src.right) - r.src.left;
    const int64_t origin = vertical ? r.y : r.x;
    const int64_t srcOrigin = vertical ? r.src.top : r.src.left;
    const int32_t alongFirst = vertical ? allowed.top : allowed.left;
    const int32_t alongLast = vertical ? allowed.bottom : allowed.right;
    const int32_t srcFirst = vertical ? valid.top : valid.left, srcLast = vertical ? valid.bottom : valid.right;
    const int32_t lineFirst = vertical ? c.d.left : c.d.top, lineLast = vertical ? c.d.right : c.d.bottom;
    const int32_t span = alongLast - alongFirst;
    if (span <= 0 || srcLast <= srcFirst)
        return false;

    CMersenneTwister random(r.seed);
    const int bpp = b.SrcBpp();
    const uint8_t* plane = b.Src().alpha;
    int32_t low = INT32_MAX, high = INT32_MIN;
    // A line's pixels and coverage before they are drawn. A vertical
    // scatter writes its columns straight into a tile of kTile columns side
    // by side, drawn as rows when full, so that the kernel sees rows rather
    // than single pixels (a pixel of coverage 0 leaves the destination as it
    // is). Very tall columns are drawn one by one.
    // A tile row is one cache line of pixels (16 of 32 bits, 21 of 24, 32
    // of 16), so that the lines a column's runs write stay in the first
    // level cache for the columns after it.
    const int32_t kTile = vertical && span <= 65536 ? 64 / bpp : 1;
    // Along a line, positions are `stride` pixels apart in the buffers.
    const int32_t stride = vertical ? kTile : 1;
    Bytes pixelBuffer(size_t(span) * kTile * bpp + 64), coverage(size_t(span) * kTile);
    uint8_t* const pixels = pixelBuffer.data() + (64 - reinterpret_cast<uintptr_t>(pixelBuffer.data()) % 64) % 64;
    int32_t tileFirst = lineFirst, tileLow = INT32_MAX, tileHigh = INT32_MIN;
    // Draws the columns [tileFirst, tileEnd) and clears the tile's coverage.
    auto flushTile = [&](int32_t tileEnd) {
        if (tileHigh >= tileLow) {
            b.Span(tileFirst, alongFirst + tileLow, tileEnd - tileFirst, tileHigh - tileLow + 1,
                   &pixels[size_t(tileLow) * kTile * bpp], ptrdiff_t(kTile) * bpp, &coverage[size_t(tileLow) * kTile],
                   kTile);
            std::memset(&coverage[size_t(tileLow) * kTile], 0, size_t(tileHigh - tileLow + 1) * kTile);
        }
        tileFirst = tileEnd, tileLow = INT32_MAX, tileHigh = INT32_MIN;
    };
    for (int32_t line = lineFirst; line < lineLast; ++line) {
        if (vertical && line - tileFirst == kTile)
            flushTile(line);
        // The source line matching this destination line.
        const int32_t srcLine = vertical ? c.s.left + (line - c.d.left) : c.s.top + (line - c.d.top);
        // This line's buffers: a column of the tile, or the one line.
        const size_t slot = vertical ? size_t(line - tileFirst) : 0;
        uint8_t* linePixels = &pixels[slot * bpp];
        uint8_t* lineCoverage = &coverage[slot];
        if (!vertical)
            std::memset(lineCoverage, 0, size_t(span));
        int32_t lineLow = INT32_MAX, lineHigh = INT32_MIN;
        auto write = [&](int64_t at, const uint8_t* p) {
            if (at < alongFirst || at >= alongLast)
                return;
            const int32_t k = int32_t(at - alongFirst);
            std::memcpy(&linePixels[size_t(k) * stride * bpp], p, size_t(bpp));
            lineCoverage[size_t(k) * stride] = uint8_t(o);
            lineLow = std::min(lineLow, k), lineHigh = std::max(lineHigh, k);
        };
        // Positions [k0, k1) of the line all take the pixel p.
        auto writeRun = [&](int32_t k0, int32_t k1, const uint8_t* p) {
            const int32_t n = k1 - k0;
            lineLow = std::min(lineLow, k0), lineHigh = std::max(lineHigh, k1 - 1);
            uint8_t* out = &linePixels[size_t(k0) * stride * bpp];
            uint8_t* cov = &lineCoverage[size_t(k0) * stride];
            if (vertical) {
                // Down a column of the tile; constant sizes, so that each
                // copy is one move.
                const size_t step = size_t(stride) * bpp;
                const uint8_t c = uint8_t(o);
                uint32_t w = 0;
                if (bpp == 2) {
                    std::memcpy(&w, p, 2);
                    for (int32_t k = 0; k < n; ++k, out += step, cov += stride)
                        std::memcpy(out, &w, 2), *cov = c;
                } else if (bpp == 3) {
                    for (int32_t k = 0; k < n; ++k, out += step, cov += stride)
                        std::memcpy(out, p, 3), *cov = c;
                } else {
                    std::memcpy(&w, p, 4);
                    for (int32_t k = 0; k < n; ++k, out += step, cov += stride)
                        std::memcpy(out, &w, 4), *cov = c;
                }
                return;
            }
            // The pixel in a local word, so that the fill becomes wide stores.
            if (bpp == 2) {
                uint16_t w;
                std::memcpy(&w, p, 2);
                for (int32_t k = 0; k < n; ++k)
                    std::memcpy(out + 2 * k, &w, 2);
            } else if (bpp == 3) {
                for (int32_t k = 0; k < n; ++k)
                    std::memcpy(out + 3 * k, p, 3);
            } else {
                uint32_t w;
                std::memcpy(&w, p, 4);
                for (int32_t k = 0; k < n; ++k)
                    std::memcpy(out + 4 * k, &w, 4);
            }
            std::memset(cov, o, size_t(n));
        };
        // The walk over the request's length; where the request reaches
        // beyond the source surface, only the part that can take a pixel.
        int64_t u = direct ? std::max<int64_t>(0, srcFirst - srcOrigin)
                           : int64_t(random.Random(uint32_t(spread))) - spread / 2;
        if (!direct)
            u = std::max(u, srcFirst - srcOrigin - spread - 2);
        const int64_t end = std::min(length, srcLast - srcOrigin) + (direct ? 0 : spread);
        // Ops 13 and 14: each taken run is held until the next step is known;
        // the part of it that the next run overwrites is not written.
        int64_t heldFrom = 0, heldTo = 0;
        const uint8_t* held = nullptr;
        auto put = [&](int64_t from, int64_t to, const uint8_t* p) {
            from = std::max<int64_t>(from, alongFirst), to = std::min<int64_t>(to, alongLast);
            if (from < to)
                writeRun(int32_t(from - alongFirst), int32_t(to - alongFirst), p);
        };
        while (u < end) {
            int64_t v = direct ? 0 : random.Random(uint32_t(spread));
            if (!direct && v / 2 < 1)
                v = 2;
            const int64_t at = srcOrigin + v / 2 + u;
            const uint8_t* p = nullptr;
            if (at >= srcFirst && at < srcLast) {
                const int32_t sx = vertical ? srcLine : int32_t(at), sy = vertical ? int32_t(at) : srcLine;
                p = b.SrcAt(sx, sy);
                if (!pairs && !((plane == nullptr || *b.SrcAlphaAt(sx, sy) == 255) && !b.IsKey(p)))
                    p = nullptr;  // not taken
            }
            if (pairs) {
                if (p) {
                    write(origin + u, p);
                    write(origin + u + v, p);
                }
            } else {
                // v pixels from origin + u (one without a spread).
                const int64_t from = origin + u, to = origin + u + (direct ? 1 : v);
                if (held)
                    put(heldFrom, p && to >= heldTo ? std::min(heldTo, from) : heldTo, held);
                held = p, heldFrom = from, heldTo = to;
            }
            u += direct ? 1 : v / 2;
        }
        if (held)
            put(heldFrom, heldTo, held);
        if (lineHigh < lineLow)
            continue;
        if (vertical) {
            tileLow = std::min(tileLow, lineLow), tileHigh = std::max(tileHigh, lineHigh);
        } else {
            const int32_t n = lineHigh - lineLow + 1;
            b.Span(alongFirst + lineLow, line, n, 1, &linePixels[size_t(lineLow) * bpp], 0,
                   &lineCoverage[size_t(lineLow)], 0);
        }
        low = std::min(low, lineLow), high = std::max(high, lineHigh);
    }
    if (vertical)
        flushTile(lineLast);
    if (high < low)
        return false;
    touched = vertical ? PixelRect{c.d.left, alongFirst + low, c.d.right, alongFirst + high + 1}
                       : PixelRect{alongFirst + low, c.d.top, alongFirst + high + 1, c.d.bottom};
    return true;
}

// A copy of the source when its pixels are the destination's (a surface drawn
// onto itself), so that no pixel is read after it was drawn: the readable
// rectangle's pixels (and alpha) at their places in a buffer of the
// surface's layout.
struct SourceCopy {
    Bytes pixels, alpha;
    BlitSurface view;
};

const BlitSurface& Snapshot(const BlitSurface& src, const BlitSurface& dst, const PixelRect& readable,
                            SourceCopy& copy)
{
    if (!Overlaps(src, dst) && !(src.alpha && dst.alpha && src.alpha == dst.alpha))
        return src;
    const PixelRect r = IntersectRect(readable, SurfaceRect(src));
    const int bpp = BytesPerPixel(src.format);
    copy.view = src;
    copy.pixels.assign(size_t(src.pitch) * size_t(src.height), 0);
    copy.view.bits = copy.pixels.data();
    for (int32_t y = r.top; y < r.bottom; ++y)
        std::memcpy(&copy.pixels[size_t(y) * src.pitch + size_t(r.left) * bpp],
                    src.bits + ptrdiff_t(y) * src.pitch + ptrdiff_t(r.left) * bpp, size_t(r.right - r.left) * bpp);
    if (src.alpha) {
        copy.alpha.assign(size_t(src.alphaPitch) * size_t(src.height), 0);
        copy.view.alpha = copy.alpha.data();
        for (int32_t y = r.top; y < r.bottom; ++y)
            std::memcpy(&copy.alpha[size_t(y) * src.alphaPitch + r.left],
                        src.alpha + ptrdiff_t(y) * src.alphaPitch + r.left, size_t(r.right - r.left));
    }
    return copy.view;
}

// ---- Stretching -------------------------------------------------------------

// Calls f(first, count, column, position) for the destination pixels
// [0, count) of a row whose source positions are start + k x step (16.16):
// in pieces whose positions, taken from the piece's first column, fit 31 bits.
template <class F> void ForPositionRuns(int64_t start, int64_t step, int32_t count, F f)
{
    const int64_t limit = (int64_t(1) << 30);
    for (int32_t first = 0; first < count;) {
        const int64_t pos = start + first * step;
        const int64_t column = pos >> 16;
        const int64_t rel = pos - (column << 16);
        int64_t n = step > 0 ? (limit - rel) / step + 1 : count - first;
        n = std::min<int64_t>(n, count - first);
        f(first, int32_t(n), column, int32_t(rel));
        first += int32_t(n);
    }
}

}  // namespace

bool BltPixels(const BlitSurface& dst, const BlitSurface& srcIn, const BlitRequest& r, PixelRect& touched)
{
    touched = kNoRect;
    if (!Usable(dst) || !Usable(srcIn) || r.op < kBlitCopy || r.op > kBlitLastOp || BadRect(r.src) || BadRect(r.clip))
        return false;
    Clipped c;
    if (!ClipBlt(dst.width, dst.height, srcIn.width, srcIn.height, r.x, r.y, r.src, r.clip, c.d, c.s))
        return false;
    BuildBlendTables();
    SourceCopy copy;
    const Blitter b(dst, Snapshot(srcIn, dst, r.src, copy));

    switch (r.op) {
    case kBlitCopy:
    case kBlitCopy2:
        b.Rect(c.d, c.s.left, c.s.top, r.param1);
        touched = c.d;
        return true;
    case kBlitRotate:
    case kBlitRotate2: return Rotate(b, r, touched);
    case kBlitRuleWipe: return RuleWipe(b, r, c, touched);
    case kBlitHorizontalBlinds:
    case kBlitVerticalBlinds: return Blinds(b, r, c, r.op == kBlitVerticalBlinds, touched);
    case kBlitOrderedDissolve:
    case kBlitOrderedDissolve2: return OrderedDissolve(b, r, c, touched);
    case kBlitRandomDissolve: return RandomDissolve(b, r, c, touched);
    case kBlitBlur: return Blur(b, r, c, touched);
    case kBlitMosaic: return Mosaic(b, r, c, touched);
    default: return Scatter(b, r, c, touched);
    }
}

bool StretchBltPixels(const BlitSurface& dst, const BlitSurface& srcIn, const StretchRequest& r, PixelRect& touched)
{
    touched = kNoRect;
    if (!Usable(dst) || !Usable(srcIn) || (r.op != kBlitCopy && r.op != kBlitCopy2))
        return false;
    const int64_t dw = int64_t(r.dst.right) - r.dst.left, dh = int64_t(r.dst.bottom) - r.dst.top;
    const int64_t sw = int64_t(r.src.right) - r.src.left, sh = int64_t(r.src.bottom) - r.src.top;
    if (dw < 2 || dh < 2 || sw < 2 || sh < 2)
        return false;
    const PixelRect area = IntersectRect(IntersectRect(r.dst, r.clip), SurfaceRect(dst));
    const PixelRect valid = IntersectRect(r.src, SurfaceRect(srcIn));
    if (IsEmptyRect(area) || IsEmptyRect(valid))
        return false;
    BuildBlendTables();
    SourceCopy copy;
    const Blitter b(dst, Snapshot(srcIn, dst, r.src, copy));
    const BlitSurface& src = b.Src();
    const int o = ClampOpacity(r.param1);

    const int64_t stepX = int64_t(double(sw - 1) / double(dw - 1) * 65536.0);
    const int64_t stepY = int64_t(double(sh - 1) / double(dh - 1) * 65536.0);
    // Destination columns whose source column is inside: one run, since the
    // source column grows with the destination column.
    auto column = [&](int64_t x) { return r.src.left + (((x - r.dst.left) * stepX) >> 16); };
    int32_t x0 = area.left, x1 = area.right;
    while (x0 < x1 && column(x0) < valid.left)
        ++x0;
    while (x1 > x0 && column(x1 - 1) >= valid.right)
        --x1;
    if (x0 >= x1)
        return false;
    touched = area;
    if (o == 0)
        return true;

    const int32_t width = x1 - x0;
    const int bpp = b.SrcBpp();
    const int format = src.format;
    const bool alpha = b.Kind() == kSourceAlpha;
    const bool direct = b.Kind() == kSourceOpaque && o == 255 && dst.format == format &&
                        !(dst.kind == kSourceAlpha && dst.alpha != nullptr);
    CKernelTable& table = CKernelTable::GetInstance();
    const KernelFn nearest = table.Get(KernelKey(kOpStretchNearest, format));
    const KernelFn nearestAlpha = table.Get(KernelKey(kOpStretchNearest, kFormatAlpha8));
    const KernelFn lerpRow = table.Get(KernelKey(kOpLerpRow, format));
    const KernelFn lerpRowAlpha = table.Get(KernelKey(kOpLerpRow, kFormatAlpha8));
    const KernelFn lerpRows = table.Get(KernelKey(kOpLerpRows, format));
    const KernelFn lerpRowsAlpha = table.Get(KernelKey(kOpLerpRows, kFormatAlpha8));
    const int64_t start = (int64_t(x0) - r.dst.left) * stepX;

    // A source row resampled across: pixels (and alpha bytes) at every
    // destination column of the run.
    auto resample = [&](int32_t sy, bool lerp, uint8_t* out, uint8_t* outAlpha) {
        ForPositionRuns(start, stepX, width, [&](int32_t first, int32_t n, int64_t col, int32_t rel) {
            const int64_t srcColumn = r.src.left + col;
            KernelArgs a;
            a.dst = out + ptrdiff_t(first) * bpp;
            a.src = b.SrcAt(int32_t(srcColumn), sy);
            a.width = n;
            a.height = 1;
            a.position = rel;
            a.step = int32_t(stepX);
            a.last = int32_t(valid.right - 1 - srcColumn);
            (lerp ? lerpRow : nearest)(a);
            if (outAlpha) {
                a.dst = outAlpha + first;
                a.src = b.SrcAlphaAt(int32_t(srcColumn), sy);
                (lerp ? lerpRowAlpha : nearestAlpha)(a);
            }
        });
    };

    Bytes pixels(size_t(width) * bpp), alphas(alpha ? size_t(width) : 0), coverage(static_cast<size_t>(width));
    // Op 1 keeps the last two resampled source rows.
    Bytes cache[2] = {Bytes(size_t(width) * bpp), Bytes(size_t(width) * bpp)};
    Bytes cacheAlpha[2] = {Bytes(alpha ? size_t(width) : 0), Bytes(alpha ? size_t(width) : 0)};
    int32_t cached[2] = {-1, -1};
    int next = 0;
    auto resampled = [&](int32_t sy) -> int {
        for (int k = 0; k < 2; ++k)
            if (cached[k] == sy)
                return k;
        const int k = next;
        next ^= 1;
        resample(sy, true, cache[k].data(), alpha ? cacheAlpha[k].data() : nullptr);
        cached[k] = sy;
        return k;
    };

    for (int32_t y = area.top; y < area.bottom; ++y) {
        const int64_t pos = (int64_t(y) - r.dst.top) * stepY;
        const int64_t sy = r.src.top + (pos >> 16);
        if (sy < valid.top || sy >= valid.bottom)
            continue;
        uint8_t* out = direct ? b.DstAt(x0, y) : pixels.data();
        uint8_t* outAlpha = alpha ? alphas.data() : nullptr;
        if (r.op == kBlitCopy) {
            resample(int32_t(sy), false, out, outAlpha);
        } else {
            const int32_t below = int32_t(sy + 1 < valid.bottom ? sy + 1 : sy);
            const int upper = resampled(int32_t(sy));
            const int lower = resampled(below);
            KernelArgs a;
            a.dst = out;
            a.src = cache[upper].data();
            a.src2 = cache[lower].data();
            a.width = width;
            a.height = 1;
            a.value = uint32_t(pos & 0xFFFF);
            lerpRows(a);
            if (alpha) {
                a.dst = outAlpha;
                a.src = cacheAlpha[upper].data();
                a.src2 = cacheAlpha[lower].data();
                lerpRowsAlpha(a);
            }
        }
        if (direct)
            continue;
        for (int32_t i = 0; i < width; ++i)
            coverage[i] = b.Coverage(&pixels[size_t(i) * bpp], alpha ? alphas[i] : 255, o);
        b.Row(x0, y, width, pixels.data(), coverage.data());
    }
    return true;
}
