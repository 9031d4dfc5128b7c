#pragma once
// A picture already decoded (by the image cache, say) put into a surface.
#include "surface/Surface.h"

class CImageInterface;

// A new surface of the picture's size in the given format (0: the screen's),
// made as Create makes it, with the picture's pixels and, when it has one,
// its alpha plane (switched on). False, with the surface empty, when the
// picture is not loaded or the surface cannot be made.
bool CopyImageToSurface(CImageInterface& image, CSurface& surface, int format, bool useDib = false);
