#pragma once
// How the installer's window puts its two pictures together: a picture drawn
// over another at a point, weighted by its alpha plane.
#include "surface/PixelOps.h"

// Draws src over dst with its top-left corner at (x, y), clipped to dst.
// With an alpha plane each channel becomes (s * a + d * (255 - a) + 127) / 255;
// without one (alpha.bits null) the pixels are copied. Formats may differ.
void DrawPictureOver(const PixelView& dst, int32_t x, int32_t y, const PixelView& src, const AlphaView& alpha);
