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

// Row walk of a kernel: calls row(dst, src) for every row.
template <class Row> inline void ForEachRow(const KernelArgs& a, Row row)
{
    uint8_t* d = a.dst;
    const uint8_t* s = a.src;
    for (int32_t y = 0; y < a.height; ++y, d += a.dstPitch, s += a.srcPitch)
        row(d, s);
}

}  // namespace
