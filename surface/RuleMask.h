#pragma once
// The grey picture of a rule-mask wipe and the tables that turn its values
// into opacities.
#include "surface/PixelOps.h"

#include <cstdint>

// A view of a rule image: one grey byte per pixel, with its softness e
// (0..255; larger values soften the edge of the wipe).
struct RuleMask {
    const uint8_t* bits = nullptr;
    int32_t width = 0, height = 0;
    int32_t pitch = 0;
    int softness = 255;
};

// The opacity of every mask value at a progress (0..1024; 1023 and above
// count as 1024, below 0 as 0) and an opacity (0..255, clamped):
// t[i] = clamp(((P - i) x 256) / (e + 1) + opacity - 255, 0, 255) with
// P = progress x (e + 256) / 1024, divisions truncating.
void BuildRuleTable(int32_t progress, int softness, int32_t opacity, uint8_t table[256]);

// The grey bytes of a picture, repeated across and down when width x height
// is larger: the first byte of each pixel for 24 and 32 (blue), the low byte
// shifted left by 3 for 15 and 16 (blue scaled to 8 bits). out holds height
// rows of pitch bytes (pitch >= width). False for an empty view or size.
bool FillRuleFromPixels(const PixelView& view, int32_t width, int32_t height, uint8_t* out, int32_t pitch);
