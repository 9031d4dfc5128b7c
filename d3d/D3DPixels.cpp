#include "d3d/D3DPixels.h"

#include "d3dx/PixelFormat.h"

#include <algorithm>
#include <vector>

bool IsD3DPixelFormat(uint32_t format)
{
    return format >= d3dx::kFmtR8G8B8 && format <= d3dx::kFmtX4R4G4B4 && format != d3dx::kFmtA8;
}

bool D3DReadPixel(const uint8_t* bits, int32_t pitch, uint32_t format, int32_t x, int32_t y, uint32_t& argb)
{
    if (!bits || !IsD3DPixelFormat(format))
        return false;
    const uint8_t* p = bits + ptrdiff_t(y) * pitch + ptrdiff_t(x) * d3dx::FormatBytesPerPixel(format);
    return d3dx::DecodePixel(format, p, argb);
}

bool D3DFillRect(uint8_t* bits, int32_t pitch, int32_t width, int32_t height, uint32_t format, uint32_t argb,
                 PixelRect rect)
{
    if (!bits || !IsD3DPixelFormat(format))
        return false;
    if (!ClampRect(width, height, rect))
        return true;
    const uint32_t bpp = d3dx::FormatBytesPerPixel(format);
    uint8_t pixel[4];
    d3dx::EncodePixels(format, &argb, 1, pixel);
    for (int32_t y = rect.top; y < rect.bottom; ++y) {
        uint8_t* p = bits + ptrdiff_t(y) * pitch + ptrdiff_t(rect.left) * bpp;
        for (int32_t x = rect.left; x < rect.right; ++x, p += bpp)
            std::copy(pixel, pixel + bpp, p);
    }
    return true;
}

bool D3DCopyFromPixels(uint8_t* bits, int32_t pitch, int32_t width, int32_t height, uint32_t format,
                       const PixelView& source, const AlphaView* alpha)
{
    if (!bits || !source.bits || !IsD3DPixelFormat(format))
        return false;
    if (source.format != 15 && source.format != 16 && source.format != 24 && source.format != 32)
        return false;
    const int32_t columns = std::min(width, source.width);
    const int32_t rows = std::min(height, source.height);
    if (columns <= 0 || rows <= 0)
        return true;
    const bool useAlpha = alpha && alpha->bits && alpha->width >= columns && alpha->height >= rows;
    std::vector<uint32_t> row(static_cast<size_t>(columns));
    for (int32_t y = 0; y < rows; ++y) {
        const uint8_t* a = useAlpha ? alpha->bits + ptrdiff_t(y) * alpha->pitch : nullptr;
        for (int32_t x = 0; x < columns; ++x) {
            const uint32_t rgb = ReadPixel(source, x, y) & 0xFFFFFF;
            row[size_t(x)] = rgb | uint32_t(a ? a[x] : 0xFF) << 24;
        }
        d3dx::EncodePixels(format, row.data(), row.size(), bits + ptrdiff_t(y) * pitch);
    }
    return true;
}
