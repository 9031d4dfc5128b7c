#pragma once
// Rectangles of the blits: the clipping of a same-size blit and the bounds
// of a rotated source rectangle.
#include "surface/PixelOps.h"

#include <cstdint>

// The clipping every same-size operation starts with. The destination
// rectangle is (x, y) with the source rectangle's size (the point in 64
// bits, so that callers may offset it without wrapping); it is cut by the clip
// rectangle, the source rectangle by the source surface, then the destination
// rectangle by the destination surface, every cut moving the matching edges
// of the other rectangle by the same amount. False, with both rectangles all
// zero, when nothing is left.
bool ClipBlt(int32_t dstWidth, int32_t dstHeight, int32_t srcWidth, int32_t srcHeight, int64_t x, int64_t y,
             const PixelRect& srcRect, const PixelRect& clip, PixelRect& dstOut, PixelRect& srcOut);

// Sine and cosine of a rotation angle (0..1023 for one turn, clamped) from
// the sine table, in 16.16 fixed point.
void RotationSineCosine(int32_t angle, int32_t& sine, int32_t& cosine);

// The destination rectangle a rotation of srcRect drawn at (x, y) may touch:
// the bounding box of the rotated corners about the centres, widened by 2 to
// the left and top and by 3 to the right and bottom.
PixelRect RotatedBounds(int32_t x, int32_t y, const PixelRect& srcRect, int32_t angle);

// The intersection; all zero when empty.
PixelRect IntersectRect(const PixelRect& a, const PixelRect& b);
inline bool IsEmptyRect(const PixelRect& r) { return r.right <= r.left || r.bottom <= r.top; }
