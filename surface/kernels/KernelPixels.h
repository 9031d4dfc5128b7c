#pragma once
// Per-pixel helpers of the kernels. Everything here is local to the file that
// includes it (unnamed namespace): the kernel files are compiled for
// different processor levels, and a shared inline copy could otherwise be
// taken from a file built for a higher level than the caller's.
#include "surface/BlendTables.h"
#include "surface/kernels/KernelTable.h"
#include "surface/PixelFormat.h"

#include <cstring>

namespace {

inline uint16_t LoadU16(const uint8_t* p)
{
    uint16_t v;
    std::memcpy(&v, p, 2);
    return v;
}
inline uint32_t LoadU32(const uint8_t* p)
{
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}
inline void StoreU16(uint8_t* p, uint32_t v)
{
    uint16_t x = uint16_t(v);
    std::memcpy(p, &x, 2);
}
inline void StoreU32(uint8_t* p, uint32_t v) { std::memcpy(p, &v, 4); }

// Pixel i of a row as 0x00RRGGBB. S is a surface format or the palette source.
template <int S> inline uint32_t LoadRgb(const uint8_t* row, int i, const uint32_t* palette)
{
    (void)palette;
    if (S == kFormat15) return WidenFrom15(LoadU16(row + 2 * i));
    if (S == kFormat16) return WidenFrom16(LoadU16(row + 2 * i));
    if (S == kFormat24) {
        const uint8_t* p = row + 3 * i;
        return uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
    }
    if (S == kFormat32) return LoadU32(row + 4 * i) & 0xFFFFFF;
    return palette[row[i]] & 0xFFFFFF;
}

// Stores 0x00RRGGBB as pixel i of a row; the fourth byte of format 32 is 0.
template <int D> inline void StoreRgb(uint8_t* row, int i, uint32_t rgb)
{
    if (D == kFormat15) StoreU16(row + 2 * i, NarrowTo15(rgb));
    if (D == kFormat16) StoreU16(row + 2 * i, NarrowTo16(rgb));
    if (D == kFormat24) {
        uint8_t* p = row + 3 * i;
        p[0] = uint8_t(rgb);
        p[1] = uint8_t(rgb >> 8);
        p[2] = uint8_t(rgb >> 16);
    }
    if (D == kFormat32) StoreU32(row + 4 * i, rgb);
}

// Pixels [from, to) of a row converted one by one (portable result; the
// vector kernels finish their rows with it).
template <int D, int S>
inline void ConvertSpan(uint8_t* dst, const uint8_t* src, int from, int to, const uint32_t* palette)
{
    for (int i = from; i < to; ++i)
        StoreRgb<D>(dst, i, LoadRgb<S>(src, i, palette));
}

// Pixels [from, to) of a row set to one pixel value of the format.
template <int F> inline void FillSpan(uint8_t* row, int from, int to, uint32_t value)
{
    for (int i = from; i < to; ++i) {
        if (F == kFormat15 || F == kFormat16) StoreU16(row + 2 * i, value);
        if (F == kFormat24) {
            uint8_t* p = row + 3 * i;
            p[0] = uint8_t(value);
            p[1] = uint8_t(value >> 8);
            p[2] = uint8_t(value >> 16);
        }
        if (F == kFormat32) StoreU32(row + 4 * i, value);
    }
}

// A row in blocks of n pixels: block(i) for i = 0, n, 2n, ... while a block
// and room pixels after it fit, then one block that ends room pixels before
// the row's end (overlapping the previous one, which it writes again with the
// same values), then span(from) for what is left. Rows too short for one
// block go to span(0) whole.
template <class Block, class Span> inline void BlockRow(int width, int n, int room, Block block, Span span)
{
    int i = 0;
    for (; i + n + room <= width; i += n)
        block(i);
    if (i > 0 && i < width - room) {
        block(width - room - n);
        i = width - room;
    }
    span(i);
}

// 8-bit indices through a palette converted once into the destination
// format: one lookup and one store per pixel.
template <int D> inline void ConvertPalette(const KernelArgs& a)
{
    const uint32_t* palette = static_cast<const uint32_t*>(a.table);
    uint32_t pixel[256];
    for (int i = 0; i < 256; ++i) {
        const uint32_t rgb = palette[i] & 0xFFFFFF;
        pixel[i] = D == kFormat15 ? NarrowTo15(rgb) : D == kFormat16 ? NarrowTo16(rgb) : rgb;
    }
    uint8_t* d = a.dst;
    const uint8_t* s = a.src;
    for (int32_t y = 0; y < a.height; ++y, d += a.dstPitch, s += a.srcPitch) {
        int x = 0;
        if (D == kFormat32) {
            for (; x + 4 <= a.width; x += 4) {
                const uint32_t four = LoadU32(s + x);
                StoreU32(d + 4 * x, pixel[four & 0xFF]);
                StoreU32(d + 4 * x + 4, pixel[four >> 8 & 0xFF]);
                StoreU32(d + 4 * x + 8, pixel[four >> 16 & 0xFF]);
                StoreU32(d + 4 * x + 12, pixel[four >> 24]);
            }
        } else if (D == kFormat24) {
            // Four pixels as three words.
            for (; x + 4 <= a.width; x += 4) {
                const uint32_t four = LoadU32(s + x);
                const uint32_t p0 = pixel[four & 0xFF], p1 = pixel[four >> 8 & 0xFF];
                const uint32_t p2 = pixel[four >> 16 & 0xFF], p3 = pixel[four >> 24];
                StoreU32(d + 3 * x, p0 | p1 << 24);
                StoreU32(d + 3 * x + 4, p1 >> 8 | p2 << 16);
                StoreU32(d + 3 * x + 8, p2 >> 16 | p3 << 8);
            }
        } else {
            for (; x + 4 <= a.width; x += 4) {
                const uint32_t four = LoadU32(s + x);
                StoreU32(d + 2 * x, pixel[four & 0xFF] | pixel[four >> 8 & 0xFF] << 16);
                StoreU32(d + 2 * x + 4, pixel[four >> 16 & 0xFF] | pixel[four >> 24] << 16);
            }
        }
        for (; x < a.width; ++x) {
            const uint32_t p = pixel[s[x]];
            if (D == kFormat32) {
                StoreU32(d + 4 * x, p);
            } else if (D == kFormat24) {
                uint8_t* q = d + 3 * x;
                q[0] = uint8_t(p), q[1] = uint8_t(p >> 8), q[2] = uint8_t(p >> 16);
            } else {
                StoreU16(d + 2 * x, p);
            }
        }
    }
}

// Row walk of a kernel: calls row(dst, src) for every row.
template <class Row> inline void ForEachRow(const KernelArgs& a, Row row)
{
    uint8_t* d = a.dst;
    const uint8_t* s = a.src;
    for (int32_t y = 0; y < a.height; ++y, d += a.dstPitch, s += a.srcPitch)
        row(d, s);
}

}  // namespace

// ---- Blends ---------------------------------------------------------------
// The per-pixel rules every blend kernel reproduces. Pixels are raw values of
// their format: the 16-bit word for 15 and 16, three bytes for 24, the whole
// word for 32.

namespace {

template <int F> inline uint32_t LoadPixel(const uint8_t* row, int i)
{
    if (F == kFormat15 || F == kFormat16) return LoadU16(row + 2 * i);
    if (F == kFormat24) {
        const uint8_t* p = row + 3 * i;
        return uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
    }
    if (F == kFormat32) return LoadU32(row + 4 * i);
    return row[i];
}

template <int F> inline void StorePixel(uint8_t* row, int i, uint32_t v)
{
    if (F == kFormat15 || F == kFormat16) StoreU16(row + 2 * i, v);
    if (F == kFormat24) {
        uint8_t* p = row + 3 * i;
        p[0] = uint8_t(v), p[1] = uint8_t(v >> 8), p[2] = uint8_t(v >> 16);
    }
    if (F == kFormat32) StoreU32(row + 4 * i, v);
    if (F == kFormatAlpha8) row[i] = uint8_t(v);
}

// A raw pixel of format S as a raw pixel of format D, by the row converter's
// rules; equal formats keep every bit (bit 15 of 15, the fourth byte of 32).
template <int D, int S> inline uint32_t ConvertPixel(uint32_t p)
{
    if (D == S) return p;
    const uint32_t rgb = S == kFormat15 ? WidenFrom15(p) : S == kFormat16 ? WidenFrom16(p) : p & 0xFFFFFF;
    if (D == kFormat15) return NarrowTo15(rgb);
    if (D == kFormat16) return NarrowTo16(rgb);
    return rgb;
}

// The bits of a source pixel a colour key is compared with.
template <int S> constexpr uint32_t KeyMask()
{
    return S == kFormat15 ? 0x7FFFu : S == kFormat16 ? 0xFFFFu : 0xFFFFFFu;
}

inline int ClampOpacity(int32_t a)
{
    return a < 0 ? 0 : a > 255 ? 255 : int(a);
}

// Opacity of an alpha-plane pixel drawn at an opacity: its alpha byte at 255,
// else alpha - (255 - opacity), at least 0.
inline int PlaneOpacity(int alpha, int opacity)
{
    const int a = alpha - (255 - opacity);
    return a > 0 ? a : 0;
}

inline uint32_t BlendChannels8(uint32_t s, uint32_t d, int a)
{
    const uint8_t* ts = BlendTable8[a];
    const uint8_t* td = BlendTable8[255 - a];
    return uint32_t(ts[s & 0xFF] + td[d & 0xFF]) | uint32_t(ts[s >> 8 & 0xFF] + td[d >> 8 & 0xFF]) << 8 |
           uint32_t(ts[s >> 16 & 0xFF] + td[d >> 16 & 0xFF]) << 16;
}

// The destination pixel d after drawing the source pixel s (already in the
// destination's format) with opacity a (0..255).
template <int D> inline uint32_t BlendPixel(uint32_t s, uint32_t d, int a)
{
    if (a == 0) return d;
    if (a == 255 || s == d) return a == 255 ? s : d;
    if (D == kFormat15 || D == kFormat16) {
        const uint16_t(*t)[65536] = D == kFormat15 ? BlendTable555 : BlendTable565;
        const int level = a >> 3;
        return uint32_t(t[31 - level][d] + t[level][s]);
    }
    const uint32_t bgr = BlendChannels8(s, d, a);
    return D == kFormat32 ? bgr | (d & 0xFF000000) : bgr;
}

// The same onto a destination pixel with alpha byte *b: an empty destination
// or an opaque draw takes the source pixel and its opacity; otherwise the two
// are weighed by a and by what shows of b beneath it.
template <int D> inline uint32_t BlendPixelDstAlpha(uint32_t s, uint32_t d, int a, uint8_t* b)
{
    if (a == 0) return d;
    if (a == 255 || *b == 0) {
        *b = uint8_t(a);
        return s;
    }
    const int under = BlendTable8[*b][255 - a], sum = a + under;
    const int ws = a * 255 / sum, wd = under * 255 / sum;
    *b = uint8_t(sum);
    if (D == kFormat15 || D == kFormat16) {
        const uint16_t(*t)[65536] = D == kFormat15 ? BlendTable555 : BlendTable565;
        return uint32_t(t[wd >> 3][d] + t[ws >> 3][s]);
    }
    const uint8_t* ts = BlendTable8[ws];
    const uint8_t* td = BlendTable8[wd];
    const uint32_t bgr = uint32_t(ts[s & 0xFF] + td[d & 0xFF]) | uint32_t(ts[s >> 8 & 0xFF] + td[d >> 8 & 0xFF]) << 8 |
                         uint32_t(ts[s >> 16 & 0xFF] + td[d >> 16 & 0xFF]) << 16;
    return D == kFormat32 ? bgr | (d & 0xFF000000) : bgr;
}

// Pixels [from, to) of a row, one by one (the vector kernels finish their
// rows with these).
template <int D, int S> inline void BlendSpan(uint8_t* d, const uint8_t* s, int from, int to, int a)
{
    for (int i = from; i < to; ++i)
        StorePixel<D>(d, i, BlendPixel<D>(ConvertPixel<D, S>(LoadPixel<S>(s, i)), LoadPixel<D>(d, i), a));
}

template <int D, int S>
inline void KeySpan(uint8_t* d, const uint8_t* s, int from, int to, int a, uint32_t key)
{
    for (int i = from; i < to; ++i) {
        const uint32_t p = LoadPixel<S>(s, i);
        if ((p & KeyMask<S>()) != key)
            StorePixel<D>(d, i, BlendPixel<D>(ConvertPixel<D, S>(p), LoadPixel<D>(d, i), a));
    }
}

template <int D, int S>
inline void AlphaSpan(uint8_t* d, const uint8_t* s, const uint8_t* alpha, int from, int to, int opacity)
{
    for (int i = from; i < to; ++i)
        StorePixel<D>(d, i,
                      BlendPixel<D>(ConvertPixel<D, S>(LoadPixel<S>(s, i)), LoadPixel<D>(d, i),
                                    PlaneOpacity(alpha[i], opacity)));
}

// One channel from p towards q by f / 65536, truncated towards minus infinity.
inline uint32_t LerpChannel(uint32_t p, uint32_t q, uint32_t f)
{
    return uint32_t(int32_t(p) + ((int32_t(q) - int32_t(p)) * int32_t(f) >> 16));
}

// Channel by channel: the bytes of 24 and 32 (the fourth byte too), the
// 5- and 6-bit fields of 15 and 16 (bit 15 of 15 becomes 0), the one byte of
// an alpha row.
template <int F> inline uint32_t LerpPixel(uint32_t p, uint32_t q, uint32_t f)
{
    if (F == kFormat15 || F == kFormat16) {
        const int rs = F == kFormat15 ? 10 : 11;
        const uint32_t gm = F == kFormat15 ? 31 : 63;
        return LerpChannel(p >> rs & 31, q >> rs & 31, f) << rs | LerpChannel(p >> 5 & gm, q >> 5 & gm, f) << 5 |
               LerpChannel(p & 31, q & 31, f);
    }
    if (F == kFormatAlpha8) return LerpChannel(p, q, f);
    uint32_t r = 0;
    for (int shift = 0; shift < (F == kFormat24 ? 24 : 32); shift += 8)
        r |= LerpChannel(p >> shift & 0xFF, q >> shift & 0xFF, f) << shift;
    return r;
}

// Pixels [from, to) of a horizontal interpolation (kOpLerpRow).
template <int F> inline void LerpRowSpan(const KernelArgs& a, int from, int to)
{
    uint32_t pos = uint32_t(a.position) + uint32_t(from) * uint32_t(a.step);
    for (int k = from; k < to; ++k, pos += uint32_t(a.step)) {
        const int c = int(pos >> 16), n = c < a.last ? c + 1 : c;
        StorePixel<F>(a.dst, k, LerpPixel<F>(LoadPixel<F>(a.src, c), LoadPixel<F>(a.src, n), pos & 0xFFFF));
    }
}

// Pixels [from, to) of a vertical interpolation (kOpLerpRows).
template <int F> inline void LerpRowsSpan(const KernelArgs& a, int from, int to)
{
    for (int k = from; k < to; ++k)
        StorePixel<F>(a.dst, k, LerpPixel<F>(LoadPixel<F>(a.src, k), LoadPixel<F>(a.src2, k), a.value));
}

// Pixels [from, to) of a mix of two pictures into dst (kOpCrossfade and
// kOpMix): B drawn onto A at a, with a of 0..255.
template <int F> inline void CrossfadeSpan(uint8_t* d, const uint8_t* a, const uint8_t* b, int from, int to, int o)
{
    for (int i = from; i < to; ++i)
        StorePixel<F>(d, i, BlendPixel<F>(LoadPixel<F>(b, i), LoadPixel<F>(a, i), o));
}

template <int F>
inline void MixSpan(uint8_t* d, const uint8_t* a, const uint8_t* b, const uint8_t* coverage, int from, int to)
{
    for (int i = from; i < to; ++i)
        StorePixel<F>(d, i, BlendPixel<F>(LoadPixel<F>(b, i), LoadPixel<F>(a, i), coverage[i]));
}

// The coverage of pixels [from, to) of a kOpMix row: the mask's bytes, through
// the table when there is one; the opacity everywhere without a mask.
inline void MixCoverage(const uint8_t* mask, const uint8_t* table, int opacity, int from, int to, uint8_t* out)
{
    if (mask == nullptr) {
        std::memset(out, ClampOpacity(opacity), size_t(to - from));
        return;
    }
    if (table == nullptr) {
        std::memcpy(out, mask + from, size_t(to - from));
        return;
    }
    for (int i = from; i < to; ++i)
        out[i - from] = table[mask[i]];
}

// Rows of a two-picture kernel: row(dst, a, b, mask) for every row.
template <class Row> inline void ForEachMixRow(const KernelArgs& args, Row row)
{
    uint8_t* d = args.dst;
    const uint8_t* a = args.src;
    const uint8_t* b = args.src2;
    const uint8_t* mask = args.srcAlpha;
    for (int32_t y = 0; y < args.height; ++y) {
        row(d, a, b, mask);
        d += args.dstPitch, a += args.srcPitch, b += args.src2Pitch;
        if (mask)
            mask += args.srcAlphaPitch;
    }
}

}  // namespace
