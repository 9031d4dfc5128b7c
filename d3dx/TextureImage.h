#pragma once
// A picture decoded from an image file held in memory, as top-down A8R8G8B8,
// with the colour key and the resampling a texture needs. Pure.
//
// Accepted files: Windows bitmaps as the framework's bitmap reader takes them
// (8, 24 or 32 bits, bottom-up, uncompressed), optionally followed directly by
// an alpha plane in the ".alp" layout (width x height bytes, rows in the
// picture's order), which is recognised when the data holds exactly that many
// bytes after the pixel rows; and Truevision TGA files (types 2, 3, 10, 11:
// true-colour 16, 24 or 32 bits and 8-bit grey, raw or run-length encoded).
#include <cstddef>
#include <cstdint>
#include <vector>

namespace d3dx {

// Image file formats (the values of D3DXIMAGE_FILEFORMAT).
enum ImageFileFormat : uint32_t { kFileBmp = 0, kFileTga = 2 };

// Filters (the low byte of the D3DX_FILTER_ values).
enum Filter : uint32_t { kFilterNone = 1, kFilterPoint = 2, kFilterLinear = 3, kFilterTriangle = 4, kFilterBox = 5 };

}  // namespace d3dx

class CTextureImage {
public:
    // False for data that is no accepted picture; the image is then empty.
    bool Decode(const void* data, size_t size);

    uint32_t GetWidth() const { return m_width; }
    uint32_t GetHeight() const { return m_height; }
    // Rows top to bottom, 0xAARRGGBB.
    const std::vector<uint32_t>& GetPixels() const { return m_pixels; }
    // The file's own pixel format (d3dx::Format) and file format.
    uint32_t GetSourceFormat() const { return m_sourceFormat; }
    uint32_t GetFileFormat() const { return m_fileFormat; }
    // True when the file carries alpha (an alpha plane, or a TGA alpha channel).
    bool HasAlpha() const { return m_hasAlpha; }

    // Every pixel equal to key (alpha included) becomes transparent black;
    // a key of 0 changes nothing.
    void ApplyColorKey(uint32_t key);

    // This picture at width x height by a d3dx::Filter: none copies the
    // overlap and leaves the rest transparent black; point takes the nearest
    // pixel; linear interpolates; box averages the covered area; triangle
    // averages when shrinking and interpolates when enlarging.
    CTextureImage Resized(uint32_t width, uint32_t height, uint32_t filter) const;

    // Levels of a full mipmap chain down to 1 x 1.
    static uint32_t FullMipCount(uint32_t width, uint32_t height);

    void Assign(uint32_t width, uint32_t height, std::vector<uint32_t> pixels);

private:
    uint32_t m_width = 0, m_height = 0;
    std::vector<uint32_t> m_pixels;
    uint32_t m_sourceFormat = 0;
    uint32_t m_fileFormat = 0;
    bool m_hasAlpha = false;

    bool DecodeBitmap(const uint8_t* data, size_t size);
    bool DecodeTarga(const uint8_t* data, size_t size);
};
