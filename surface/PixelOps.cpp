#include "surface/PixelOps.h"

#include "surface/kernels/KernelTable.h"
#include "surface/PixelFormat.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

bool Usable(const PixelView& v)
{
    return v.bits != nullptr && v.width > 0 && v.height > 0 && IsSurfaceFormat(v.format);
}

uint8_t* PixelAt(const PixelView& v, int32_t x, int32_t y)
{
    return v.bits + ptrdiff_t(y) * v.pitch + ptrdiff_t(x) * BytesPerPixel(v.format);
}

void Put16(uint8_t* p, uint32_t v)
{
    const uint16_t x = uint16_t(v);
    std::memcpy(p, &x, 2);
}

}  // namespace

bool ClampRect(int32_t width, int32_t height, PixelRect& r)
{
    r.left = std::max(r.left, 0);
    r.top = std::max(r.top, 0);
    r.right = std::min(r.right, width);
    r.bottom = std::min(r.bottom, height);
    return r.right > r.left && r.bottom > r.top;
}

uint32_t ReadPixel(const PixelView& v, int32_t x, int32_t y)
{
    if (!Usable(v) || x < 0 || y < 0 || x >= v.width || y >= v.height)
        return 0;
    const uint8_t* p = PixelAt(v, x, y);
    switch (v.format) {
    case kFormat15:
    case kFormat16: {
        uint16_t w;
        std::memcpy(&w, p, 2);
        return v.format == kFormat15 ? WidenFrom15(w) : WidenFrom16(w);
    }
    case kFormat24: return uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
    default: {
        uint32_t w;
        std::memcpy(&w, p, 4);
        return w;
    }
    }
}

void WritePixel(const PixelView& v, int32_t x, int32_t y, uint32_t rgb)
{
    if (!Usable(v) || x < 0 || y < 0 || x >= v.width || y >= v.height)
        return;
    uint8_t* p = PixelAt(v, x, y);
    switch (v.format) {
    case kFormat15: Put16(p, NarrowTo15(rgb)); break;
    case kFormat16: Put16(p, NarrowTo16(rgb)); break;
    case kFormat24:
        p[0] = uint8_t(rgb);
        p[1] = uint8_t(rgb >> 8);
        p[2] = uint8_t(rgb >> 16);
        break;
    default: std::memcpy(p, &rgb, 4); break;
    }
}

void FillPixels(const PixelView& v, uint32_t colorref, PixelRect r)
{
    if (!Usable(v) || !ClampRect(v.width, v.height, r))
        return;
    if (colorref == 0 && r.right - r.left == v.width && r.bottom - r.top == v.height) {
        std::memset(v.bits, 0, size_t(v.pitch) * size_t(v.height));
        return;
    }
    KernelArgs a;
    a.dst = PixelAt(v, r.left, r.top);
    a.dstPitch = v.pitch;
    a.width = r.right - r.left;
    a.height = r.bottom - r.top;
    a.value = ColorToPixel(v.format, SwapRedBlue(colorref));
    RunKernel(KernelKey(kOpFill, v.format), a);
}

void ClearRowPadding(const PixelView& v)
{
    if (!Usable(v))
        return;
    const size_t used = size_t(v.width) * BytesPerPixel(v.format);
    if (used >= size_t(v.pitch))
        return;
    for (int32_t y = 0; y < v.height; ++y)
        std::memset(v.bits + ptrdiff_t(y) * v.pitch + used, 0, size_t(v.pitch) - used);
}

void FillAlphaRect(const AlphaView& plane, uint8_t value, PixelRect r)
{
    if (plane.bits == nullptr || !ClampRect(plane.width, plane.height, r))
        return;
    uint8_t* row = plane.bits + ptrdiff_t(r.top) * plane.pitch + r.left;
    for (int32_t y = r.top; y < r.bottom; ++y, row += plane.pitch)
        std::memset(row, value, size_t(r.right - r.left));
}

void CopyAlphaRect(const AlphaView& dst, PixelRect dr, const AlphaView& src, PixelRect sr)
{
    if (dst.bits == nullptr || src.bits == nullptr)
        return;
    // 64-bit, so that extreme coordinates cannot overflow.
    int64_t w = std::min(int64_t(dr.right) - dr.left, int64_t(sr.right) - sr.left);
    int64_t h = std::min(int64_t(dr.bottom) - dr.top, int64_t(sr.bottom) - sr.top);
    int64_t dx = dr.left, dy = dr.top, sx = sr.left, sy = sr.top;
    // A start left of or above a plane moves both starts by the same amount.
    auto clipStart = [](int64_t& a, int64_t& b, int64_t& size) {
        if (a < 0) {
            b -= a;
            size += a;
            a = 0;
        }
    };
    clipStart(dx, sx, w);
    clipStart(dy, sy, h);
    clipStart(sx, dx, w);
    clipStart(sy, dy, h);
    w = std::min({w, dst.width - dx, src.width - sx});
    h = std::min({h, dst.height - dy, src.height - sy});
    if (w <= 0 || h <= 0)
        return;

    KernelArgs a;
    a.dst = dst.bits + dy * dst.pitch + dx;
    a.dstPitch = dst.pitch;
    a.src = src.bits + sy * src.pitch + sx;
    a.srcPitch = src.pitch;
    a.width = int32_t(w);
    a.height = int32_t(h);
    const uint8_t* srcEnd = a.src + (h - 1) * src.pitch + w;
    const uint8_t* dstEnd = a.dst + (h - 1) * dst.pitch + w;
    if (a.dst < srcEnd && a.src < dstEnd) {
        // Overlapping parts of one plane: rows in the order that reads each
        // byte before it is overwritten.
        if (a.dst > a.src) {
            a.dst += (h - 1) * dst.pitch;
            a.src += (h - 1) * src.pitch;
            a.dstPitch = -a.dstPitch;
            a.srcPitch = -a.srcPitch;
        }
        uint8_t* d = a.dst;
        const uint8_t* s = a.src;
        for (int32_t y = 0; y < a.height; ++y, d += a.dstPitch, s += a.srcPitch)
            std::memmove(d, s, size_t(a.width));
        return;
    }
    RunKernel(KernelKey(kOpCopyBytes), a);
}

bool ConvertBottomUpRows(const PixelView& v, const uint8_t* rows, int32_t stride, int sourceFormat,
                         const uint32_t* palette)
{
    if (!Usable(v) || rows == nullptr || (sourceFormat == kFormatPalette8 && palette == nullptr))
        return false;
    KernelFn convert = GetKernel(KernelKey(kOpConvert, v.format, sourceFormat));
    if (convert == nullptr)
        return false;
    KernelArgs a;
    a.dst = v.bits;
    a.dstPitch = v.pitch;
    a.src = rows + ptrdiff_t(v.height - 1) * stride;
    a.srcPitch = -ptrdiff_t(stride);
    a.width = v.width;
    a.height = v.height;
    a.table = palette;
    convert(a);
    return true;
}

std::unique_ptr<uint8_t[]> EncodeBitmap24(const PixelView& v, uint32_t& fileSize)
{
    fileSize = 0;
    if (!Usable(v))
        return nullptr;
    const uint64_t rowSize = (uint64_t(v.width) * 3 + 3) & ~uint64_t(3);
    const uint64_t imageSize = rowSize * uint64_t(v.height);
    if (54 + imageSize > 0xFFFFFFFFu)
        return nullptr;
    std::unique_ptr<uint8_t[]> file(new (std::nothrow) uint8_t[size_t(54 + imageSize)]());
    if (!file)
        return nullptr;
    uint8_t* h = file.get();
    auto put16 = [](uint8_t* p, uint32_t x) { p[0] = uint8_t(x), p[1] = uint8_t(x >> 8); };
    auto put32 = [](uint8_t* p, uint32_t x) {
        p[0] = uint8_t(x), p[1] = uint8_t(x >> 8), p[2] = uint8_t(x >> 16), p[3] = uint8_t(x >> 24);
    };
    put16(h, 0x4D42);
    put32(h + 2, uint32_t(54 + imageSize));
    put32(h + 10, 54);
    put32(h + 14, 40);
    put32(h + 18, uint32_t(v.width));
    put32(h + 22, uint32_t(v.height));
    put16(h + 26, 1);
    put16(h + 28, 24);
    put32(h + 34, uint32_t(imageSize));

    // The bottom surface row is the first file row.
    KernelArgs a;
    a.dst = h + 54 + (v.height - 1) * rowSize;
    a.dstPitch = -ptrdiff_t(rowSize);
    a.src = v.bits;
    a.srcPitch = v.pitch;
    a.width = v.width;
    a.height = v.height;
    RunKernel(KernelKey(kOpConvert, kFormat24, v.format), a);
    fileSize = uint32_t(54 + imageSize);
    return file;
}
