// Blits of small surfaces with requests from the input: any operation,
// point, rectangles, parameters (extreme values included), source kind and
// formats. Nothing may be read or written outside the surfaces' pixels.
#include "surface/BlendTables.h"
#include "surface/BlitOps.h"
#include "surface/PixelFormat.h"

#include <cstring>
#include <vector>

namespace {

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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    BuildBlendTables();
    Reader in = {data, size};
    Surface dst(in), src(in);
    std::vector<uint8_t> mask(size_t(1 + in.Next8() % 30) * 20, 0x40);
    RuleMask rule;
    rule.bits = mask.data();
    rule.width = 20, rule.height = int32_t(mask.size() / 20), rule.pitch = 20, rule.softness = in.Next8();
    PixelRect touched;
    if (in.Next8() & 1) {
        StretchRequest r;
        r.op = in.Next8() % 3;
        r.dst = PixelRect{in.Coordinate(), in.Coordinate(), in.Coordinate(), in.Coordinate()};
        r.src = PixelRect{in.Coordinate(), in.Coordinate(), in.Coordinate(), in.Coordinate()};
        r.clip = PixelRect{in.Coordinate(), in.Coordinate(), in.Coordinate(), in.Coordinate()};
        r.param1 = int32_t(in.Next32());
        StretchBltPixels(dst.view, src.view, r, touched);
    } else {
        BlitRequest r;
        r.op = in.Next8() % 16;
        r.x = in.Coordinate(), r.y = in.Coordinate();
        r.src = PixelRect{in.Coordinate(), in.Coordinate(), in.Coordinate(), in.Coordinate()};
        r.clip = PixelRect{in.Coordinate(), in.Coordinate(), in.Coordinate(), in.Coordinate()};
        r.param1 = int32_t(in.Next32());
        r.param2 = in.Coordinate();
        r.seed = in.Next32();
        r.rule = &rule;
        BltPixels(dst.view, in.Next8() & 1 ? dst.view : src.view, r, touched);
    }
    return 0;
}
