#pragma once
// Pixels of locked Direct3D surfaces in the ten formats the device layer
// reads and writes (R8G8B8 20 to X4R4G4B4 30, without A8 28), as 32-bit
// A8R8G8B8. Writing keeps each channel's high bits; reading widens without
// copying the high bits down. Pure: no Windows header.
#include "surface/PixelOps.h"

#include <cstdint>

// Whether the layer reads and writes pixels of this format.
bool IsD3DPixelFormat(uint32_t format);

// The pixel at x, y of rows pitch bytes apart; false (argb unchanged) for a
// format the layer does not convert.
bool D3DReadPixel(const uint8_t* bits, int32_t pitch, uint32_t format, int32_t x, int32_t y, uint32_t& argb);

// Fills left..right-1 x top..bottom-1, clamped to width x height, with the
// colour in the surface format. False for a format the layer does not write.
bool D3DFillRect(uint8_t* bits, int32_t pitch, int32_t width, int32_t height, uint32_t format, uint32_t argb,
                 PixelRect rect);

// Copies a framework surface (formats 15, 16, 24, 32; top row first) into
// the surface at its top-left corner, as many rows and columns as both
// have. With an alpha plane the alpha bytes become the alpha channel,
// otherwise alpha is 255. False for a format either side does not have.
bool D3DCopyFromPixels(uint8_t* bits, int32_t pitch, int32_t width, int32_t height, uint32_t format,
                       const PixelView& source, const AlphaView* alpha);
