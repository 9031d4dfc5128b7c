// Transitions of small surfaces with requests from the input: either family,
// any operation, points, rectangles and progress (extreme values included),
// pictures of any format and kind, missing, or the destination itself.
// Nothing may be read or written outside the surfaces' pixels, and every
// pixel that changes lies inside the rectangle the drawing reports, which is
// the query's.
#include "surface/BlendTables.h"
#include "surface/BlitGeometry.h"
#include "surface/Transitions.h"

#include "FuzzSurface.h"

#include <cstdlib>
#include <vector>

using namespace fuzz_surface;

namespace {

bool Same(const PixelRect& a, const PixelRect& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

PixelRect Rect(Reader& in) { return PixelRect{in.Coordinate(), in.Coordinate(), in.Coordinate(), in.Coordinate()}; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    BuildBlendTables();
    Reader in = {data, size};
    Surface dst(in), first(in), second(in);
    std::vector<uint8_t> mask(size_t(1 + in.Next8() % 30) * 20, 0x40);
    RuleMask rule;
    rule.bits = mask.data();
    rule.width = 20, rule.height = int32_t(mask.size() / 20), rule.pitch = 20, rule.softness = in.Next8();
    // Each picture: its own surface, the destination, or missing.
    auto pick = [&](Surface& own) -> const BlitSurface* {
        const int which = in.Next8() % 4;
        return which == 0 ? nullptr : which == 1 ? &dst.view : &own.view;
    };
    const BlitSurface* a = pick(first);
    const BlitSurface* b = pick(second);
    const std::vector<uint8_t> before = dst.pixels;
    PixelRect touched, query;
    if (in.Next8() & 1) {
        TransitionRequest r;
        r.op = in.Next8() % 40 - 2;
        r.firstX = in.Coordinate(), r.firstY = in.Coordinate(), r.firstRect = Rect(in);
        r.secondX = in.Coordinate(), r.secondY = in.Coordinate(), r.secondRect = Rect(in);
        r.clip = Rect(in);
        r.progress = int32_t(uint32_t(in.Coordinate()) * 17u);
        r.seed = in.Next32();
        query = QueryTransition(dst.view, a, b, r);
        TransitionPixels(dst.view, a, b, r, touched);
    } else {
        ExTransitionRequest r;
        r.op = in.Next8() % 40 - 2;
        r.x = in.Coordinate(), r.y = in.Coordinate();
        r.firstRect = Rect(in), r.secondRect = Rect(in), r.clip = Rect(in);
        r.progress = int32_t(uint32_t(in.Coordinate()) * 17u);
        r.seed = in.Next32();
        r.rule = in.Next8() & 1 ? &rule : nullptr;
        query = QueryExTransition(dst.view, a, b, r);
        ExTransitionPixels(dst.view, a, b, r, touched);
    }
    if (!Same(query, touched) && !IsEmptyRect(touched))
        std::abort();  // the drawing reports another rectangle than the query
    if (!IsEmptyRect(touched) &&
        (touched.left < 0 || touched.top < 0 || touched.right > dst.view.width || touched.bottom > dst.view.height))
        std::abort();
    const int bpp = BytesPerPixel(dst.view.format);
    for (int32_t y = 0; y < dst.view.height; ++y)
        for (int32_t x = 0; x < dst.view.width; ++x) {
            const bool inside = x >= touched.left && x < touched.right && y >= touched.top && y < touched.bottom;
            const size_t at = size_t(y) * dst.view.pitch + size_t(x) * bpp;
            if (!inside && std::memcmp(&before[at], &dst.pixels[at], size_t(bpp)) != 0)
                std::abort();  // a pixel changed outside the reported rectangle
        }
    return 0;
}
