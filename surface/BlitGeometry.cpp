#include "surface/BlitGeometry.h"

#include "surface/BlendTables.h"

#include <algorithm>

namespace {

const PixelRect kEmpty = {0, 0, 0, 0};

int32_t Clamp32(int64_t v)
{
    return int32_t(std::min<int64_t>(std::max<int64_t>(v, INT32_MIN), INT32_MAX));
}

}  // namespace

PixelRect IntersectRect(const PixelRect& a, const PixelRect& b)
{
    const PixelRect r = {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                         std::min(a.bottom, b.bottom)};
    return IsEmptyRect(r) ? kEmpty : r;
}

bool ClipBlt(int32_t dstWidth, int32_t dstHeight, int32_t srcWidth, int32_t srcHeight, int64_t x, int64_t y,
             const PixelRect& srcRect, const PixelRect& clip, PixelRect& dstOut, PixelRect& srcOut)
{
    // In 64 bits: a point far out plus a width must not wrap.
    int64_t dl = x, dt = y;
    int64_t dr = dl + (int64_t(srcRect.right) - srcRect.left), db = dt + (int64_t(srcRect.bottom) - srcRect.top);
    int64_t sl = srcRect.left, st = srcRect.top, sr = srcRect.right, sb = srcRect.bottom;

    // The destination by a rectangle, the source edges moving along.
    auto cutDst = [&](int64_t l, int64_t t, int64_t r, int64_t b) {
        if (dl < l) sl += l - dl, dl = l;
        if (dt < t) st += t - dt, dt = t;
        if (dr > r) sr -= dr - r, dr = r;
        if (db > b) sb -= db - b, db = b;
    };
    cutDst(clip.left, clip.top, clip.right, clip.bottom);
    if (sl < 0) dl -= sl, sl = 0;
    if (st < 0) dt -= st, st = 0;
    if (sr > srcWidth) dr -= sr - srcWidth, sr = srcWidth;
    if (sb > srcHeight) db -= sb - srcHeight, sb = srcHeight;
    cutDst(0, 0, dstWidth, dstHeight);

    if (dr <= dl || db <= dt || sr <= sl || sb <= st || dl < 0 || dt < 0 || dr > dstWidth || db > dstHeight ||
        sl < 0 || st < 0 || sr > srcWidth || sb > srcHeight) {
        dstOut = srcOut = kEmpty;
        return false;
    }
    dstOut = PixelRect{int32_t(dl), int32_t(dt), int32_t(dr), int32_t(db)};
    srcOut = PixelRect{int32_t(sl), int32_t(st), int32_t(sr), int32_t(sb)};
    return true;
}

void RotationSineCosine(int32_t angle, int32_t& sine, int32_t& cosine)
{
    angle = std::min(std::max(angle, 0), 1023);
    sine = Sine(angle >> 1);
    cosine = Cosine(angle >> 1);
}

PixelRect RotatedBounds(int32_t x, int32_t y, const PixelRect& srcRect, int32_t angle)
{
    int32_t s, c;
    RotationSineCosine(angle, s, c);
    const int64_t w = int64_t(srcRect.right) - srcRect.left, h = int64_t(srcRect.bottom) - srcRect.top;
    const int64_t scx = srcRect.left + (w >> 1), scy = srcRect.top + (h >> 1);
    const int64_t cx = x + (w >> 1), cy = y + (h >> 1);
    const int64_t us[2] = {srcRect.left - scx, srcRect.right - scx};
    const int64_t vs[2] = {srcRect.top - scy, srcRect.bottom - scy};
    int64_t left = INT64_MAX, top = INT64_MAX, right = INT64_MIN, bottom = INT64_MIN;
    for (int64_t u : us)
        for (int64_t v : vs) {
            // The inverse of the drawing's mapping from destination to source.
            const int64_t px = cx + ((u * c + v * s) >> 16), py = cy + ((v * c - u * s) >> 16);
            left = std::min(left, px), right = std::max(right, px);
            top = std::min(top, py), bottom = std::max(bottom, py);
        }
    return PixelRect{Clamp32(left - 2), Clamp32(top - 2), Clamp32(right + 3), Clamp32(bottom + 3)};
}
