#pragma once
// The argument checks and clamps the blit operations and the transitions
// share.
#include "surface/BlitGeometry.h"
#include "surface/BlitOps.h"
#include "surface/PixelFormat.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace blit {

// Progress 1023 counts as the end.
inline int32_t ClampProgress(int32_t p) { return p >= 1023 ? 1024 : p < 0 ? 0 : p; }
inline int ClampOpacity(int64_t a) { return a < 0 ? 0 : a > 255 ? 255 : int(a); }

// Pixels in a format of the blits, with rows long enough for the width.
inline bool Usable(const BlitSurface& s)
{
    return s.bits != nullptr && s.width > 0 && s.height > 0 && IsSurfaceFormat(s.format) &&
           s.pitch >= s.width * BytesPerPixel(s.format);
}
inline bool Usable(const BlitSurface* s) { return s != nullptr && Usable(*s); }

// Empty, or wholly left of or above the origin.
inline bool BadRect(const PixelRect& r) { return IsEmptyRect(r) || r.right < 0 || r.bottom < 0; }

inline PixelRect SurfaceRect(const BlitSurface& s) { return PixelRect{0, 0, s.width, s.height}; }

// The bounds of both; an empty one adds nothing.
inline PixelRect UnionRect(const PixelRect& a, const PixelRect& b)
{
    if (IsEmptyRect(a)) return b;
    if (IsEmptyRect(b)) return a;
    return PixelRect{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                     std::max(a.bottom, b.bottom)};
}

// Whether the two surfaces' pixel memory overlaps.
inline bool Overlaps(const BlitSurface& a, const BlitSurface& b)
{
    const uint8_t* a0 = a.bits;
    const uint8_t* a1 = a.bits + ptrdiff_t(a.pitch) * a.height;
    const uint8_t* b0 = b.bits;
    const uint8_t* b1 = b.bits + ptrdiff_t(b.pitch) * b.height;
    return a0 < b1 && b0 < a1;
}

}  // namespace blit
