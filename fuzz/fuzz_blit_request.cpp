// Blits of small surfaces with requests from the input: any operation,
// point, rectangles, parameters (extreme values included), source kind and
// formats. Nothing may be read or written outside the surfaces' pixels.
#include "surface/BlendTables.h"
#include "surface/BlitOps.h"
#include "surface/PixelFormat.h"

#include "FuzzSurface.h"

#include <cstring>
#include <vector>

using namespace fuzz_surface;

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
