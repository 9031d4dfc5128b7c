#pragma once
// Direct3D 8 pixel formats this layer reads and writes, converted to and from
// 32-bit A8R8G8B8. Pure: the format numbers are spelled out here.
#include <cstddef>
#include <cstdint>

namespace d3dx {

enum Format : uint32_t {
    kFmtUnknown = 0,
    kFmtR8G8B8 = 20,
    kFmtA8R8G8B8 = 21,
    kFmtX8R8G8B8 = 22,
    kFmtR5G6B5 = 23,
    kFmtX1R5G5B5 = 24,
    kFmtA1R5G5B5 = 25,
    kFmtA4R4G4B4 = 26,
    kFmtR3G3B2 = 27,
    kFmtA8 = 28,
    kFmtA8R3G3B2 = 29,
    kFmtX4R4G4B4 = 30,
    kFmtP8 = 41,
    kFmtL8 = 50,
    kFmtA8L8 = 51,
    kFmtA4L4 = 52,
};

// Bytes per pixel of a format that EncodePixels writes; 0 for any other.
uint32_t FormatBytesPerPixel(uint32_t format);
bool FormatHasAlpha(uint32_t format);

// Writes count pixels in the format, keeping each channel's high bits; unused
// (X) bits are set. Luminance is (77 R + 150 G + 29 B) / 256.
void EncodePixels(uint32_t format, const uint32_t* argb, size_t count, uint8_t* out);

// Reads one pixel as A8R8G8B8 by the device layer's read rules (low bits of a
// narrow channel stay 0). False, with argb unchanged, for a format it does not read.
bool DecodePixel(uint32_t format, const uint8_t* in, uint32_t& argb);

}  // namespace d3dx
