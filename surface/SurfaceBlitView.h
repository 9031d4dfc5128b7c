#pragma once
// A surface as the pixel operations see it.
#include "surface/BlitOps.h"
#include "surface/Surface.h"

// Pixels, alpha plane, kind and colour key of a surface, while it is locked
// (SurfaceBlt.cpp).
BlitSurface BlitView(CSurface* surface);
