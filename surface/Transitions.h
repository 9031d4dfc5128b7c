#pragma once
// Transitions on plain memory: the state of a change from picture A to
// picture B drawn into a destination at a progress of 0..1024, composed of
// the same-size and stretching operations (BlitOps.h) and the two-picture
// kernels. Two families: the two-picture transitions (1, 33 to 36), where
// each picture has a point and a rectangle of its own, and the extended ones
// (-1, 1 to 36), where both land at one destination point.
//
// Each family has a query that returns the rectangle an operation would
// touch without drawing; the drawing reports that same rectangle, which
// holds every pixel it may change.
#include "surface/BlitOps.h"
#include "surface/RuleMask.h"

#include <cstdint>

// The two-picture transitions.
enum TransitionOp : int32_t {
    kTransCrossfade = 1,
    kTransScatterOutIn = 33,  // A scattered away, then B gathered in
    kTransScatterCrossfade = 34,
    kTransVerticalScatterOutIn = 35,
    kTransVerticalScatterCrossfade = 36,
};

// The extended transitions: B comes over A.
enum ExTransitionOp : int32_t {
    kExWhite = -1,  // the whole destination white, without the pictures
    kExCrossfade = 1,
    kExRule = 2,  // through the rule image
    kExSlats = 3,
    kExBlinds = 4,
    kExStripsFromTop = 5,
    kExStripsFromBottom = 6,
    kExStripsFromLeft = 7,
    kExStripsFromRight = 8,
    kExFadingSlats = 9,
    kExBlinds2 = 10,
    kExFadingStripsFromTop = 11,
    kExFadingStripsFromBottom = 12,
    kExFadingStripsFromLeft = 13,
    kExFadingStripsFromRight = 14,
    kExOrderedDissolve = 15,
    kExOrderedDissolve2 = 16,
    kExRandomBlocks = 17,
    kExOrderedDissolveOverA = 18,
    kExOrderedDissolve2OverA = 19,
    kExRandomDissolveOverA = 20,
    kExMosaicOutIn = 21,
    kExMosaicCrossfade = 22,
    kExGrow = 23,  // B from nothing to its size, at the centre
    kExShrink = 24,  // A from its size to nothing
    kExZoomIn = 25,  // A to twice its size, then B
    kExZoomOut = 26,  // A, then B from twice its size
    kExGrowFadeIn = 27,
    kExShrinkFadeOut = 28,
    kExZoomInFadeIn = 29,
    kExZoomOutFadeIn = 30,
    kExScatterOutIn = 31,
    kExScatterCrossfade = 32,
    kExAlphaScatterOutIn = 33,
    kExAlphaScatterCrossfade = 34,
    kExVerticalScatterOutIn = 35,
    kExVerticalScatterCrossfade = 36,
};

// A two-picture transition.
struct TransitionRequest {
    int32_t op = 0;
    int32_t firstX = 0, firstY = 0;  // where A's rectangle lands
    PixelRect firstRect = {0, 0, 0, 0};
    int32_t secondX = 0, secondY = 0;  // where B's rectangle lands
    PixelRect secondRect = {0, 0, 0, 0};
    PixelRect clip = {0, 0, 0, 0};  // destination coordinates
    int32_t progress = 0;           // 0..1024; 1023 and above count as 1024
    uint32_t seed = 0;              // the generator of the scatter kernels
};

// An extended transition.
struct ExTransitionRequest {
    int32_t op = 0;
    int32_t x = 0, y = 0;  // destination point of both pictures
    PixelRect firstRect = {0, 0, 0, 0};
    PixelRect secondRect = {0, 0, 0, 0};
    PixelRect clip = {0, 0, 0, 0};
    int32_t progress = 0;
    uint32_t seed = 0;              // random dissolves and scatters
    const RuleMask* rule = nullptr; // op 2; nothing is drawn without one
};

// A missing picture is a null pointer. Each returns true when it drew, with
// the rectangle of the query in touched; false (touched empty) when the
// operation draws nothing: unknown number, bad rectangles, nothing left
// after clipping, or pictures of the wrong format.
bool TransitionPixels(const BlitSurface& dst, const BlitSurface* first, const BlitSurface* second,
                      const TransitionRequest& request, PixelRect& touched);
bool ExTransitionPixels(const BlitSurface& dst, const BlitSurface* first, const BlitSurface* second,
                        const ExTransitionRequest& request, PixelRect& touched);

// The rectangle the same call would touch (empty when it draws nothing).
PixelRect QueryTransition(const BlitSurface& dst, const BlitSurface* first, const BlitSurface* second,
                          const TransitionRequest& request);
PixelRect QueryExTransition(const BlitSurface& dst, const BlitSurface* first, const BlitSurface* second,
                            const ExTransitionRequest& request);

// "crossfade", "scatter", ... : a short English name of an operation of each
// family, for captions and reports; "" for an undefined number.
const char* TransitionName(int op);
const char* ExTransitionName(int op);
// Whether the family defines the number.
bool IsTransition(int op);
bool IsExTransition(int op);

// The centred rectangle of kExGrow to kExZoomOutFadeIn at a progress, for a transition of
// w x h at (x, y): false when the operation has none at that progress or its
// tween cannot hold the size.
bool CentredTransitionRect(int op, int32_t x, int32_t y, int32_t w, int32_t h, int32_t progress, PixelRect& out);

// The destination lines [first, last) of strip k of a cascading wipe along an
// extent h at a progress, counted from the starting edge; false when the
// walk has stopped before strip k (or h is 15 or less).
bool CascadeStrip(int32_t h, int32_t progress, int32_t k, int32_t& first, int32_t& last);
