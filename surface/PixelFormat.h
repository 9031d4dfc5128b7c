#pragma once
// Pixel formats of the surface layer, named by bits per pixel: 15 (X1R5G5B5),
// 16 (R5G6B5), 24 (bytes B, G, R) and 32 (bytes B, G, R and a fourth byte).
// Colours inside the layer are 0x00RRGGBB; Windows COLORREFs are 0x00BBGGRR.
#include <cstdint>

enum {
    kFormat15 = 15,
    kFormat16 = 16,
    kFormat24 = 24,
    kFormat32 = 32,
    kFormatPalette8 = 8,  // source only: 8-bit indices into a 256-entry table
    kFormatAlpha8 = 8,    // stretch rows of an alpha plane: one byte per pixel
};

inline bool IsSurfaceFormat(int format)
{
    return format == kFormat15 || format == kFormat16 || format == kFormat24 || format == kFormat32;
}

// Bytes per pixel: 2 for 15 and 16, 3 for 24, 4 for 32, 1 for the palette
// source, 0 for anything else.
inline int BytesPerPixel(int format)
{
    switch (format) {
    case kFormat15:
    case kFormat16: return 2;
    case kFormat24: return 3;
    case kFormat32: return 4;
    case kFormatPalette8: return 1;
    default: return 0;
    }
}

// 0, 1, 2, 3 for formats 15, 16, 24, 32; -1 otherwise.
inline int FormatIndex(int format)
{
    switch (format) {
    case kFormat15: return 0;
    case kFormat16: return 1;
    case kFormat24: return 2;
    case kFormat32: return 3;
    default: return -1;
    }
}

// Row pitch and total size of a surface: the pitch is width x bytes per pixel
// rounded up to a multiple of 4. False for a size of 0 or less in either
// direction, a format other than 15, 16, 24, 32, or a total that does not fit
// a signed 32-bit count.
bool ComputeSurfaceSize(int32_t width, int32_t height, int format, int32_t& pitch, int32_t& bytes);

// The alpha plane a surface allocates itself: width rounded up to 4 per row.
bool ComputeAlphaSize(int32_t width, int32_t height, int32_t& pitch, int32_t& bytes);

// COLORREF 0x00BBGGRR <-> 0x00RRGGBB (the same swap both ways).
inline uint32_t SwapRedBlue(uint32_t c)
{
    return (c & 0xFF) << 16 | (c & 0xFF00) | (c >> 16 & 0xFF);
}

// Narrowing truncates each channel.
inline uint16_t NarrowTo15(uint32_t rgb)
{
    return uint16_t((rgb >> 19 & 0x1F) << 10 | (rgb >> 8 & 0xF8) << 2 | (rgb & 0xFF) >> 3);
}
inline uint16_t NarrowTo16(uint32_t rgb)
{
    return uint16_t((rgb >> 19 & 0x1F) << 11 | (rgb >> 10 & 0x3F) << 5 | (rgb & 0xFF) >> 3);
}

// Widening shifts left without copying the high bits down; the top byte is 0.
inline uint32_t WidenFrom15(uint32_t p)
{
    return (p >> 7 & 0xF8) << 16 | (p >> 2 & 0xF8) << 8 | (p << 3 & 0xF8);
}
inline uint32_t WidenFrom16(uint32_t p)
{
    return (p >> 8 & 0xF8) << 16 | (p >> 3 & 0xFC) << 8 | (p << 3 & 0xF8);
}

// A 0x00RRGGBB colour as the pixel value of a format: narrowed for 15 and
// 16, the low 24 bits for 24, unchanged for 32.
uint32_t ColorToPixel(int format, uint32_t rgb);

// Blit mode: base + 4 x format index + state, state 0 opaque, 1 colour key on,
// 2 alpha on with a plane (which wins over the key); -1 for an invalid format.
int ComputeBlitMode(int base, int format, bool colorKeyOn, bool alphaOn, bool hasAlphaPlane);
