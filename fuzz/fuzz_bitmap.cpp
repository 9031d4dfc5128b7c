// A ".bmp" file; its last quarter doubles as the alpha plane.
#include "filesystem/FileInterface.h"
#include "filesystem/ImageFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CMemoryFile picture(data, uint32_t(size));
    CMemoryFile alpha(data + size - size / 4, uint32_t(size / 4));
    CImageFile image;
    if (image.LoadFrom(picture, &alpha, "x.bmp")) {
        volatile uint8_t sink = 0;
        uint32_t bytes = image.GetStride() * uint32_t(image.GetSize().second);
        if (bytes)
            sink = sink + image.GetPixels()[bytes - 1];
        if (image.GetAlpha())
            sink = sink + image.GetAlpha()[image.GetSize().first * image.GetSize().second - 1];
    }
    return 0;
}
