// Image files for textures: decoding, then the colour key and a resample to a
// small size by a filter chosen from the first byte.
#include "d3dx/TextureImage.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 3)
        return 0;
    CTextureImage image;
    if (!image.Decode(data + 3, size - 3))
        return 0;
    if (image.GetPixels().size() != size_t(image.GetWidth()) * image.GetHeight() || image.GetWidth() == 0)
        std::abort();
    image.ApplyColorKey(image.GetPixels()[0]);
    const uint32_t filter = 1 + data[0] % 5;
    const uint32_t width = 1 + data[1] % 64, height = 1 + data[2] % 64;
    const CTextureImage small = image.Resized(width, height, filter);
    if (small.GetPixels().size() != size_t(width) * height)
        std::abort();
    return 0;
}
