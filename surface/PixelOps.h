#pragma once
// The pixel work of the software surfaces on plain memory: single pixels,
// fills, alpha planes, loading bottom-up picture rows and encoding a 24-bit
// bitmap file. The surface classes hand their memory in as views.
#include <cstdint>
#include <memory>

// Pixels of a surface: top row first, pitch bytes apart.
struct PixelView {
    uint8_t* bits = nullptr;
    int32_t pitch = 0;
    int32_t width = 0, height = 0;
    int format = 0;  // 15, 16, 24 or 32
};

// An alpha plane: one byte per pixel, pitch bytes per row, width x height
// bytes in use (the surface's size).
struct AlphaView {
    uint8_t* bits = nullptr;
    int32_t pitch = 0;
    int32_t width = 0, height = 0;
};

// A rectangle with exclusive right and bottom.
struct PixelRect {
    int32_t left, top, right, bottom;
};

// Limits the rectangle to 0..width x 0..height; false when nothing is left.
bool ClampRect(int32_t width, int32_t height, PixelRect& rect);

// 0x00RRGGBB of the pixel at (x, y): widened for 15 and 16, the three bytes
// for 24, the stored word (top byte included) for 32. 0 outside the view.
uint32_t ReadPixel(const PixelView& view, int32_t x, int32_t y);
// Writes 0x00RRGGBB at (x, y) (narrowed for 15 and 16; format 32 stores the
// whole value); nothing outside the view.
void WritePixel(const PixelView& view, int32_t x, int32_t y, uint32_t rgb);

// Fills the rectangle (clamped) with a COLORREF. Colour 0 over the whole
// surface clears pitch x height bytes, padding included; every other fill
// leaves the row padding alone.
void FillPixels(const PixelView& view, uint32_t colorref, PixelRect rect);

// Sets the bytes after the last pixel of every row to 0.
void ClearRowPadding(const PixelView& view);

void FillAlphaRect(const AlphaView& plane, uint8_t value, PixelRect rect);

// Copies alpha bytes one to one from the source rectangle of src to the
// destination rectangle of dst: as many rows and columns as both rectangles
// have, clipped to both planes. The planes may be the same.
void CopyAlphaRect(const AlphaView& dst, PixelRect dstRect, const AlphaView& src, PixelRect srcRect);

// Converts a bottom-up picture (the first stored row is the bottom row) of
// the view's size into the view: stride bytes per source row, source format
// 15, 16, 24, 32, or 8 with a palette of 256 0x00RRGGBB words.
bool ConvertBottomUpRows(const PixelView& view, const uint8_t* rows, int32_t stride, int sourceFormat,
                         const uint32_t* palette = nullptr);

// A whole uncompressed 24-bit Windows bitmap file of the view: 14 + 40 header
// bytes, then the rows bottom row first, 3 x width bytes each padded with
// zeros to a multiple of 4. Null when memory runs out.
std::unique_ptr<uint8_t[]> EncodeBitmap24(const PixelView& view, uint32_t& fileSize);
