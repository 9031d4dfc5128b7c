#include "surface/RuleMask.h"

#include "surface/PixelFormat.h"

#include <algorithm>

void BuildRuleTable(int32_t progress, int softness, int32_t opacity, uint8_t table[256])
{
    progress = progress >= 1023 ? 1024 : std::max(progress, 0);
    softness = std::min(std::max(softness, 0), 255);
    opacity = std::min(std::max(opacity, 0), 255);
    const int32_t p = progress * (softness + 256) / 1024;
    for (int i = 0; i < 256; ++i) {
        const int32_t t = (p - i) * 256 / (softness + 1) + opacity - 255;
        table[i] = uint8_t(std::min(std::max(t, 0), 255));
    }
}

bool FillRuleFromPixels(const PixelView& view, int32_t width, int32_t height, uint8_t* out, int32_t pitch)
{
    if (view.bits == nullptr || view.width <= 0 || view.height <= 0 || !IsSurfaceFormat(view.format) ||
        width <= 0 || height <= 0 || pitch < width || out == nullptr)
        return false;
    const int bpp = BytesPerPixel(view.format);
    const bool packed = bpp == 2;
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* row = view.bits + ptrdiff_t(y % view.height) * view.pitch;
        uint8_t* o = out + ptrdiff_t(y) * pitch;
        for (int32_t x = 0; x < width; ++x) {
            const uint8_t first = row[ptrdiff_t(x % view.width) * bpp];
            o[x] = packed ? uint8_t(first << 3) : first;
        }
    }
    return true;
}
