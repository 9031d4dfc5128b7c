#include "installer/PictureCompose.h"

#include <algorithm>

namespace {

uint32_t Mix(uint32_t s, uint32_t d, uint32_t a)
{
    uint32_t out = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const uint32_t sc = (s >> shift) & 0xFF, dc = (d >> shift) & 0xFF;
        out |= ((sc * a + dc * (255 - a) + 127) / 255) << shift;
    }
    return out;
}

}  // namespace

void DrawPictureOver(const PixelView& dst, int32_t x, int32_t y, const PixelView& src, const AlphaView& alpha)
{
    if (dst.bits == nullptr || src.bits == nullptr)
        return;
    // Source columns and rows that land inside dst (64-bit: x + width may not fit).
    const int32_t left = int32_t(std::min<int64_t>(src.width, std::max<int64_t>(0, -int64_t(x))));
    const int32_t top = int32_t(std::min<int64_t>(src.height, std::max<int64_t>(0, -int64_t(y))));
    const int32_t right = int32_t(std::min<int64_t>(src.width, int64_t(dst.width) - x));
    const int32_t bottom = int32_t(std::min<int64_t>(src.height, int64_t(dst.height) - y));
    const bool blend = alpha.bits != nullptr && alpha.width >= src.width && alpha.height >= src.height;
    for (int32_t sy = top; sy < bottom; ++sy) {
        for (int32_t sx = left; sx < right; ++sx) {
            const uint32_t s = ReadPixel(src, sx, sy) & 0xFFFFFF;
            if (!blend) {
                WritePixel(dst, x + sx, y + sy, s);
                continue;
            }
            const uint32_t a = alpha.bits[ptrdiff_t(sy) * alpha.pitch + sx];
            if (a == 0)
                continue;
            const uint32_t d = ReadPixel(dst, x + sx, y + sy) & 0xFFFFFF;
            WritePixel(dst, x + sx, y + sy, a == 255 ? s : Mix(s, d, a));
        }
    }
}
