#include "surface/PixelFormat.h"

namespace {

// Rows of rowBytes rounded up to 4, height rows, all within INT32_MAX.
bool RoundedRows(int32_t width, int32_t height, int bytesPerPixel, int32_t& pitch, int32_t& bytes)
{
    pitch = bytes = 0;
    if (width <= 0 || height <= 0 || bytesPerPixel <= 0)
        return false;
    const uint64_t row = (uint64_t(uint32_t(width)) * uint32_t(bytesPerPixel) + 3) & ~uint64_t(3);
    const uint64_t total = row * uint32_t(height);
    if (total > 0x7FFFFFFFu)
        return false;
    pitch = int32_t(row);
    bytes = int32_t(total);
    return true;
}

}  // namespace

bool ComputeSurfaceSize(int32_t width, int32_t height, int format, int32_t& pitch, int32_t& bytes)
{
    return RoundedRows(width, height, IsSurfaceFormat(format) ? BytesPerPixel(format) : 0, pitch,
                       bytes);
}

bool ComputeAlphaSize(int32_t width, int32_t height, int32_t& pitch, int32_t& bytes)
{
    return RoundedRows(width, height, 1, pitch, bytes);
}

uint32_t ColorToPixel(int format, uint32_t rgb)
{
    switch (format) {
    case kFormat15: return NarrowTo15(rgb);
    case kFormat16: return NarrowTo16(rgb);
    case kFormat24: return rgb & 0xFFFFFF;
    default: return rgb;
    }
}

int ComputeBlitMode(int base, int format, bool colorKeyOn, bool alphaOn, bool hasAlphaPlane)
{
    const int f = FormatIndex(format);
    if (f < 0)
        return -1;
    const int state = alphaOn && hasAlphaPlane ? 2 : colorKeyOn ? 1 : 0;
    return base + 4 * f + state;
}
