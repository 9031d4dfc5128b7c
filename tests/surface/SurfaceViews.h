#pragma once
// Surfaces under test as the pixel operations see them: random content,
// copies of their pixels with a BlitSurface view, rectangles and points.
#include "surface/BlitOps.h"
#include "surface/Surface.h"
#include "surface/SurfaceLock.h"

#include <windows.h>

#include <cstdint>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace surface_test {

typedef std::vector<uint8_t> Bytes;

inline std::string Str(const RECT& r)
{
    std::ostringstream o;
    o << "(" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << ")";
    return o.str();
}

inline bool Same(const RECT& a, const RECT& b) { return EqualRect(&a, &b) != FALSE; }

inline RECT ToRect(const PixelRect& p)
{
    RECT r = {p.left, p.top, p.right, p.bottom};
    return r;
}

inline RECT Rect(int l, int t, int r, int b)
{
    RECT x = {l, t, r, b};
    return x;
}

inline POINT Point(int x, int y)
{
    POINT p = {x, y};
    return p;
}

// Random pixels and, when asked, a random alpha plane.
inline void Randomise(CSurface& s, uint32_t seed, bool alpha = false)
{
    std::mt19937 rng(seed);
    {
        CSurfaceLock lock(&s);
        for (int i = 0; i < s.GetPitch() * s.GetSize().cy; ++i)
            s.GetBits()[i] = uint8_t(rng());
    }
    if (alpha) {
        s.FillAlpha(0);
        for (int y = 0; y < s.GetSize().cy; ++y)
            for (int x = 0; x < s.GetSize().cx; ++x)
                s.SetAlpha(x, y, uint8_t(rng() % 3 ? rng() : 255));
    }
}

inline Bytes PixelsOf(CSurface& s)
{
    CSurfaceLock lock(&s);
    return Bytes(s.GetBits(), s.GetBits() + s.GetPitch() * s.GetSize().cy);
}

inline Bytes AlphaOf(CSurface& s)
{
    if (!s.HasAlphaChannel())
        return Bytes();
    return Bytes(s.GetAlphaBits(), s.GetAlphaBits() + s.GetAlphaPitch() * s.GetSize().cy);
}

// A copy of a surface's pixels and alpha plane as the blits see them.
struct Copy {
    Bytes pixels, alpha;
    BlitSurface view;
    explicit Copy(CSurface& s) : pixels(PixelsOf(s)), alpha(AlphaOf(s))
    {
        view.bits = pixels.data();
        view.pitch = s.GetPitch();
        view.width = s.GetSize().cx;
        view.height = s.GetSize().cy;
        view.format = s.GetBitCount();
        view.alpha = alpha.empty() ? nullptr : alpha.data();
        view.alphaPitch = s.GetAlphaPitch();
        view.kind = s.GetBlitMode() & 3;
        view.colorKey = s.GetColorKey();
    }
};

}  // namespace surface_test
