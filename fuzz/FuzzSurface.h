#pragma once
// Input readers of the surface fuzz targets: numbers from the input (zero
// past its end) and small surfaces of any format, kind and row padding whose
// pixel buffers end right after the last pixel.
#include "surface/BlitOps.h"
#include "surface/PixelFormat.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace fuzz_surface {

struct Reader {
    const uint8_t* data;
    size_t size;
    uint32_t Next32()
    {
        uint32_t v = 0;
        const size_t n = size < 4 ? size : 4;
        std::memcpy(&v, data, n);
        data += n, size -= n;
        return v;
    }
    uint8_t Next8() { return uint8_t(Next32()); }
    // Mostly small coordinates, now and then the extremes.
    int32_t Coordinate()
    {
        const uint32_t v = Next32();
        switch (v & 7) {
        case 0: return int32_t(v);
        case 1: return INT32_MAX - int32_t(v >> 24);
        case 2: return INT32_MIN + int32_t(v >> 24);
        default: return int32_t(v >> 3) % 80 - 20;
        }
    }
};

const int kFormats[] = {15, 16, 24, 32};

struct Surface {
    std::vector<uint8_t> pixels, alpha;
    BlitSurface view;
    Surface(Reader& in)
    {
        view.width = 1 + in.Next8() % 40;
        view.height = 1 + in.Next8() % 40;
        view.format = kFormats[in.Next8() % 4];
        view.pitch = view.width * BytesPerPixel(view.format) + in.Next8() % 4;
        view.kind = in.Next8() % 3;
        view.colorKey = in.Next32() & 0xFFFFFF;
        pixels.assign(size_t(view.pitch) * view.height - (view.pitch - view.width * BytesPerPixel(view.format)),
                      0x5A);
        view.bits = pixels.data();
        if (view.kind == 2 || in.Next8() & 1) {
            view.alphaPitch = view.width;
            alpha.assign(size_t(view.width) * view.height, 0x80);
            view.alpha = alpha.data();
        }
    }
};

}  // namespace fuzz_surface
