#pragma once
// Per-pixel helpers of the kernels. Everything here is local to the file that
// includes it (unnamed namespace): the kernel files are compiled for
// different processor levels, and a shared inline copy could otherwise be
// taken from a file built for a higher level than the caller's.
#include "surface/KernelTable.h"
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
        } else if (D == kFormat15 || D == kFormat16) {
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
