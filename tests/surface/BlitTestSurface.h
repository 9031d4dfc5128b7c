#pragma once
// Surfaces on plain memory for the blit tests, and the blit rules written out
// pixel by pixel, independently of the kernels, as references.
#include "surface/BlitOps.h"
#include "surface/PixelFormat.h"

#include <algorithm>
#include <cstdint>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace blit_test {

typedef std::vector<uint8_t> Bytes;

// Pixels (and an alpha plane) of random content with a few bytes of padding
// per row.
struct TestSurface {
    Bytes pixels, alpha;
    BlitSurface view;

    TestSurface(int width, int height, int format, int kind = 0, bool withAlpha = false, uint32_t seed = 1,
                int padding = 3)
    {
        std::mt19937 rng(seed);
        view.width = width;
        view.height = height;
        view.format = format;
        view.pitch = width * BytesPerPixel(format) + padding;
        view.kind = kind;
        pixels.resize(size_t(view.pitch) * height);
        for (uint8_t& b : pixels)
            b = uint8_t(rng());
        view.bits = pixels.data();
        if (withAlpha || kind == 2) {
            view.alphaPitch = width + 1;
            alpha.resize(size_t(view.alphaPitch) * height);
            for (uint8_t& b : alpha)
                b = uint8_t(rng() % 3 == 0 ? 255 : rng() % 3 == 0 ? 0 : rng());
            view.alpha = alpha.data();
        }
    }
    TestSurface(const TestSurface& o) : pixels(o.pixels), alpha(o.alpha), view(o.view)
    {
        view.bits = pixels.data();
        view.alpha = alpha.empty() ? nullptr : alpha.data();
    }
    TestSurface& operator=(const TestSurface& o)
    {
        pixels = o.pixels;
        alpha = o.alpha;
        view = o.view;
        view.bits = pixels.data();
        view.alpha = alpha.empty() ? nullptr : alpha.data();
        return *this;
    }

    int Bpp() const { return BytesPerPixel(view.format); }
    uint32_t Get(int x, int y) const
    {
        const uint8_t* p = &pixels[size_t(y) * view.pitch + size_t(x) * Bpp()];
        uint32_t v = 0;
        for (int i = 0; i < Bpp(); ++i)
            v |= uint32_t(p[i]) << (8 * i);
        return v;
    }
    void Set(int x, int y, uint32_t v)
    {
        uint8_t* p = &pixels[size_t(y) * view.pitch + size_t(x) * Bpp()];
        for (int i = 0; i < Bpp(); ++i)
            p[i] = uint8_t(v >> (8 * i));
    }
    uint8_t& A(int x, int y) { return alpha[size_t(y) * view.alphaPitch + x]; }
    uint8_t A(int x, int y) const { return alpha[size_t(y) * view.alphaPitch + x]; }
    void FillWith(uint32_t v)
    {
        for (int y = 0; y < view.height; ++y)
            for (int x = 0; x < view.width; ++x)
                Set(x, y, v);
    }
};

// ---- Descriptions for failure messages --------------------------------------

inline std::string Str(const PixelRect& r)
{
    std::ostringstream o;
    o << "(" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << ")";
    return o.str();
}

// The first differing pixel of two surfaces, described; empty when equal.
inline std::string Diff(const TestSurface& expected, const TestSurface& got)
{
    for (int y = 0; y < expected.view.height; ++y)
        for (int x = 0; x < expected.view.width; ++x) {
            if (expected.Get(x, y) != got.Get(x, y)) {
                std::ostringstream o;
                o << "pixel (" << x << ", " << y << "): expected " << std::hex << expected.Get(x, y) << ", got "
                  << got.Get(x, y);
                return o.str();
            }
            if (!expected.alpha.empty() && expected.A(x, y) != got.A(x, y)) {
                std::ostringstream o;
                o << "alpha (" << x << ", " << y << "): expected " << int(expected.A(x, y)) << ", got "
                  << int(got.A(x, y));
                return o.str();
            }
        }
    for (size_t i = 0; i < expected.pixels.size(); ++i)
        if (expected.pixels[i] != got.pixels[i])
            return "row padding byte " + std::to_string(i) + " changed";
    return "";
}

// ---- The pixel rules --------------------------------------------------------

inline uint32_t RefToRgb(int format, uint32_t p)
{
    if (format == 15) return (p >> 10 & 31) << 19 | (p >> 5 & 31) << 11 | (p & 31) << 3;
    if (format == 16) return (p >> 11 & 31) << 19 | (p >> 5 & 63) << 10 | (p & 31) << 3;
    return p & 0xFFFFFF;
}

inline uint32_t RefFromRgb(int format, uint32_t c)
{
    const uint32_t r = c >> 16 & 255, g = c >> 8 & 255, b = c & 255;
    if (format == 15) return (r >> 3) << 10 | (g >> 3) << 5 | b >> 3;
    if (format == 16) return (r >> 3) << 11 | (g >> 2) << 5 | b >> 3;
    return c;
}

inline uint32_t RefConvert(int dst, int src, uint32_t p)
{
    return dst == src ? p : RefFromRgb(dst, RefToRgb(src, p));
}

inline uint32_t RefKeyBits(int format) { return format == 15 ? 0x7FFF : format == 16 ? 0xFFFF : 0xFFFFFF; }

// Every channel c x a / 255 + d x b / 255 (24, 32; the fourth byte of d
// kept), or c x La / 31 + d x Lb / 31 of the 5- and 6-bit fields (15, 16).
inline uint32_t RefMix(int format, uint32_t s, uint32_t d, int wa, int wb)
{
    if (format == 15 || format == 16) {
        const int la = wa >> 3, lb = wb >> 3;
        const int rs = format == 16 ? 11 : 10, gm = format == 16 ? 63 : 31;
        auto ch = [&](int shift, int mask) {
            return uint32_t(int(s >> shift & mask) * la / 31 + int(d >> shift & mask) * lb / 31) << shift;
        };
        return ch(rs, 31) | ch(5, gm) | ch(0, 31);
    }
    uint32_t r = format == 32 ? d & 0xFF000000 : 0;
    for (int shift = 0; shift < 24; shift += 8)
        r |= uint32_t(int(s >> shift & 255) * wa / 255 + int(d >> shift & 255) * wb / 255) << shift;
    return r;
}

// The destination pixel after drawing s (in the destination's format) at a.
inline uint32_t RefBlend(int format, uint32_t s, uint32_t d, int a)
{
    if (a <= 0) return d;
    if (a >= 255) return s;
    if (s == d) return d;
    if (format == 15 || format == 16)  // levels a >> 3 and 31 - that
        return RefMix(format, s, d, (a >> 3) << 3, (31 - (a >> 3)) << 3);
    return RefMix(format, s, d, a, 255 - a);
}

// The same onto a destination pixel with alpha byte b.
inline uint32_t RefBlendDstAlpha(int format, uint32_t s, uint32_t d, int a, uint8_t& b)
{
    if (a <= 0) return d;
    if (a >= 255 || b == 0) {
        b = uint8_t(a);
        return s;
    }
    const int under = b * (255 - a) / 255, sum = a + under;
    const int ws = a * 255 / sum, wd = under * 255 / sum;
    b = uint8_t(sum);
    if (format == 15 || format == 16)
        return RefMix(format, s, d, (ws >> 3) << 3, (wd >> 3) << 3);
    return RefMix(format, s, d, ws, wd);
}

inline int RefClamp(int o) { return o < 0 ? 0 : o > 255 ? 255 : o; }

// Draws source pixel (sx, sy) onto destination pixel (x, y) at an opacity,
// by the source's kind and the destination's alpha: the rule of op 0.
inline void RefDraw(TestSurface& dst, const TestSurface& src, int x, int y, int sx, int sy, int opacity)
{
    const int o = RefClamp(opacity);
    const uint32_t raw = src.Get(sx, sy);
    int a = o;
    if (src.view.kind == 1 && (raw & RefKeyBits(src.view.format)) == (ColorToPixel(src.view.format, src.view.colorKey) & RefKeyBits(src.view.format)))
        return;
    if (src.view.kind == 2)
        a = o == 255 ? src.A(sx, sy) : std::max(0, src.A(sx, sy) - (255 - o));
    const uint32_t s = RefConvert(dst.view.format, src.view.format, raw);
    if (dst.view.kind == 2)
        dst.Set(x, y, RefBlendDstAlpha(dst.view.format, s, dst.Get(x, y), a, dst.A(x, y)));
    else
        dst.Set(x, y, RefBlend(dst.view.format, s, dst.Get(x, y), a));
}

}  // namespace blit_test
