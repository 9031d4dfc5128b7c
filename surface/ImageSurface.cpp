#include "surface/ImageSurface.h"

#include "filesystem/ImageFile.h"
#include "surface/PixelOps.h"
#include "surface/SurfaceLock.h"

#include <cstring>

bool CopyImageToSurface(CImageInterface& image, CSurface& surface, int format, bool useDib)
{
    if (!image.IsLoaded())
        return false;
    int width = 0, height = 0;
    image.GetSize(width, height);
    if (!surface.Create(width, height, format, useDib) || !surface.IsCreated())
        return false;
    {
        CSurfaceLock lock(&surface);
        if (!lock.IsLocked() ||
            !ConvertBottomUpRows(surface.GetPixelView(), image.GetPixels(), int32_t(image.GetStride()),
                                 image.GetBitCount())) {
            surface.Release();
            return false;
        }
    }
    surface.SetAlphaEnable(false);
    if (image.GetAlpha() != nullptr) {
        // The plane is stored top row first, as the surface keeps it.
        surface.FillAlpha(255);
        BYTE* plane = surface.GetAlphaBits();
        const int pitch = surface.GetAlphaPitch();
        const uint32_t stride = image.GetAlphaStride();
        if (plane == nullptr || pitch < width || stride < uint32_t(width))
            return true;  // opaque: better than nothing
        for (int y = 0; y < height; ++y)
            std::memcpy(plane + size_t(y) * size_t(pitch), image.GetAlpha() + size_t(y) * stride, size_t(width));
        surface.SetAlphaEnable(true);
    }
    return true;
}
