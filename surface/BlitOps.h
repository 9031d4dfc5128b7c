#pragma once
// The blit operations on plain memory: every drawing of one surface onto
// another, same-size (operations 0 to 14) and stretching (0 and 1). The
// surface classes hand their locked pixels in as BlitSurface views; the
// pixel loops are the kernels of the kernel table.
#include "surface/PixelOps.h"
#include "surface/RuleMask.h"

#include <cstdint>

// The same-size operations; the stretching ones are kBlitCopy (nearest
// pixel) and kBlitCopy2 (bilinear).
enum BlitOp : int32_t {
    kBlitCopy = 0,                  // copy or blend at the opacity
    kBlitCopy2 = 1,                 // the same
    kBlitRotate = 2,                // about the centres, by param2 (1024 a turn)
    kBlitRotate2 = 3,               // the same
    kBlitRuleWipe = 4,              // through the rule mask, to progress param2
    kBlitHorizontalBlinds = 5,      // bands of 32 rows
    kBlitVerticalBlinds = 6,        // bands of 32 columns
    kBlitOrderedDissolve = 7,       // 4 x 4, first threshold table
    kBlitOrderedDissolve2 = 8,      // 4 x 4, second threshold table
    kBlitRandomDissolve = 9,        // 2 x 2 blocks
    kBlitBlur = 10,                 // param2 x param2 draws around the point
    kBlitMosaic = 11,               // cells of param2
    kBlitScatter = 12,              // along rows, spread param2
    kBlitAlphaScatter = 13,         // along rows, opaque source pixels only
    kBlitVerticalAlphaScatter = 14, // along columns, opaque source pixels only
    kBlitLastOp = 14
};

// A surface as a blit sees it.
struct BlitSurface {
    uint8_t* bits = nullptr;  // top row
    int32_t pitch = 0;
    int32_t width = 0, height = 0;
    int format = 0;               // 15, 16, 24 or 32
    uint8_t* alpha = nullptr;     // the alpha plane, null when there is none
    int32_t alphaPitch = 0;
    // The blit mode's state (mode & 3). As a source: 0 opaque, 1 colour key,
    // 2 alpha plane. As a destination, 2 draws into the alpha plane as well.
    int kind = 0;
    uint32_t colorKey = 0;  // 0x00RRGGBB
};

// A same-size operation.
struct BlitRequest {
    int32_t op = 0;
    int32_t x = 0, y = 0;  // destination point
    PixelRect src = {0, 0, 0, 0};
    PixelRect clip = {0, 0, 0, 0};  // destination coordinates
    int32_t param1 = 255;           // opacity
    int32_t param2 = 0;             // angle, progress, size or spread
    uint32_t seed = 0;              // the generator of ops 9, 12, 13, 14
    const RuleMask* rule = nullptr; // op 4; nothing is drawn without one
};

// A stretching operation (op 0 nearest pixel, op 1 bilinear).
struct StretchRequest {
    int32_t op = 0;
    PixelRect dst = {0, 0, 0, 0};
    PixelRect src = {0, 0, 0, 0};
    PixelRect clip = {0, 0, 0, 0};
    int32_t param1 = 255;
};

// Progress at which cell 4 x row + column of the 4 x 4 pattern of the
// ordered dissolves (op 7: [0], op 8: [1]) is drawn.
extern const int16_t kDissolveThresholds[2][16];

// Runs the operation; true when it ran, with the destination rectangle it
// may have changed in touched. False (touched empty) when it does nothing:
// unknown operation, empty or negative rectangles, nothing left after
// clipping, or a source the operation does not draw.
bool BltPixels(const BlitSurface& dst, const BlitSurface& src, const BlitRequest& request, PixelRect& touched);

// Stretches the source rectangle onto the destination rectangle (both at
// least 2 x 2; equal sizes are the caller's same-size blit). True when it
// ran, with the destination rectangle, clip and surface intersected.
bool StretchBltPixels(const BlitSurface& dst, const BlitSurface& src, const StretchRequest& request,
                      PixelRect& touched);
