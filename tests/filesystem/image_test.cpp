// Bitmap headers, palette expansion, row strides and alpha planes.
#include "filesystem/FileInterface.h"
#include "filesystem/ImageFile.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

void Put32(std::vector<uint8_t>& v, size_t at, uint32_t x) { std::memcpy(&v[at], &x, 4); }

// A bottom-up bitmap whose pixel bytes count up from 0.
std::vector<uint8_t> Bitmap(int32_t width, int32_t height, uint16_t bits, size_t pixelBytes)
{
    size_t palette = bits == 8 ? 1024 : 0;
    std::vector<uint8_t> f(54 + palette + pixelBytes);
    f[0] = 'B';
    f[1] = 'M';
    Put32(f, 10, uint32_t(54 + palette));
    Put32(f, 14, 40);
    Put32(f, 18, uint32_t(width));
    Put32(f, 22, uint32_t(height));
    f[26] = 1;
    f[28] = uint8_t(bits);
    f[29] = uint8_t(bits >> 8);
    for (size_t i = 0; i < palette / 4; ++i) {
        f[54 + 4 * i] = uint8_t(i);          // blue
        f[54 + 4 * i + 1] = uint8_t(i + 1);  // green
        f[54 + 4 * i + 2] = uint8_t(i + 2);  // red
        f[54 + 4 * i + 3] = 0xEE;
    }
    for (size_t i = 0; i < pixelBytes; ++i)
        f[54 + palette + i] = uint8_t(i);
    return f;
}

bool Load(CImageFile& image, const std::vector<uint8_t>& f, const std::vector<uint8_t>* alpha = nullptr)
{
    CMemoryFile file(f.data(), uint32_t(f.size()));
    CMemoryFile plane;
    if (alpha)
        plane.Assign(alpha->data(), uint32_t(alpha->size()));
    return image.LoadFrom(file, alpha ? &plane : nullptr, "a.bmp");
}

}  // namespace

TEST(ImageFile, RowStrides)
{
    CImageFile image;
    EXPECT_EQ(4u, image.RowStride(8, 3));
    EXPECT_EQ(12u, image.RowStride(24, 3));
    EXPECT_EQ(16u, image.RowStride(24, 5));
    EXPECT_EQ(20u, image.RowStride(32, 5));
    EXPECT_EQ(0u, image.RowStride(16, 5));
    EXPECT_EQ(7u, image.AlphaRowStride(7));
}

TEST(ImageFile, EightBitExpansion)
{
    CImageFile image;
    // Width 3: index rows of 4 bytes, expanded rows of 12 (9 rounded up).
    ASSERT_TRUE(Load(image, Bitmap(3, 2, 8, 8)));
    EXPECT_EQ(24, image.GetBitCount());
    EXPECT_EQ(12u, image.GetStride());
    EXPECT_EQ(24u, image.GetMemorySize());
    const uint8_t* p = image.GetPixels();
    // Row 0 holds indices 0,1,2; row 1 starts at index 4 (after the pad byte).
    const uint8_t expected[] = {0, 1, 2, 1, 2, 3, 2, 3, 4, 0, 0, 0, 4, 5, 6, 5, 6, 7, 6, 7, 8};
    for (size_t i = 0; i < sizeof expected; ++i)
        EXPECT_EQ(expected[i], p[i]) << "byte " << i;
    EXPECT_EQ(nullptr, image.GetAlpha());
    EXPECT_EQ(0u, image.GetAlphaStride());
    EXPECT_EQ("a.bmp", image.GetName());
}

TEST(ImageFile, DirectDepthsAndAlpha)
{
    CImageFile image;
    std::vector<uint8_t> alpha(5 * 3, 0x80);
    ASSERT_TRUE(Load(image, Bitmap(5, 3, 24, 48), &alpha));
    EXPECT_EQ(16u, image.GetStride());
    EXPECT_EQ(47, image.GetPixels()[47]);
    ASSERT_NE(nullptr, image.GetAlpha());
    EXPECT_EQ(5u, image.GetAlphaStride());
    EXPECT_EQ(48u + 15u, image.GetMemorySize());
    int w = 0, h = 0;
    image.GetSize(w, h);
    EXPECT_EQ(5, w);
    EXPECT_EQ(3, h);

    // A short alpha file leaves no plane but the picture loads.
    std::vector<uint8_t> shortAlpha(14);
    ASSERT_TRUE(Load(image, Bitmap(5, 3, 32, 60), &shortAlpha));
    EXPECT_EQ(32, image.GetBitCount());
    EXPECT_EQ(nullptr, image.GetAlpha());
    image.Release();
    EXPECT_FALSE(image.IsLoaded());
    EXPECT_EQ(0, image.GetBitCount());
}

TEST(ImageFile, RejectedHeaders)
{
    CImageFile image;
    EXPECT_FALSE(Load(image, Bitmap(4, 4, 16, 32))) << "16 bits";
    EXPECT_FALSE(Load(image, Bitmap(4, 4, 4, 8))) << "4 bits";
    EXPECT_FALSE(Load(image, Bitmap(4, 0, 24, 0))) << "height 0";
    EXPECT_FALSE(Load(image, Bitmap(4, -4, 24, 48))) << "top-down";
    EXPECT_FALSE(Load(image, Bitmap(-4, 4, 24, 48))) << "negative width";
    EXPECT_FALSE(Load(image, Bitmap(0x40000000, 0x40000000, 32, 16))) << "huge";
    EXPECT_FALSE(Load(image, Bitmap(4, 4, 24, 47))) << "truncated rows";
    std::vector<uint8_t> f = Bitmap(1, 1, 24, 4);
    f[0] = 'X';
    EXPECT_FALSE(Load(image, f)) << "type";
    f = Bitmap(1, 1, 24, 4);
    Put32(f, 14, 0xFFFFFFF0u);
    EXPECT_FALSE(Load(image, f)) << "info size";
    EXPECT_FALSE(Load(image, std::vector<uint8_t>(20, 'B'))) << "short header";
    EXPECT_FALSE(image.IsLoaded());
    EXPECT_EQ(nullptr, image.GetPixels());
}

TEST(MemoryFile, ReadAndSeekRules)
{
    const char text[] = "0123456789abc";  // 13 bytes
    CMemoryFile f(text, 13);
    ASSERT_TRUE(f.Seek(4, 0));
    char buf[64] = {};
    // 10 elements of 4 bytes with 9 left: 2 whole elements, 9 bytes copied.
    EXPECT_EQ(2u, f.Read(buf, 4, 10));
    EXPECT_EQ(0, std::memcmp(buf, "456789abc", 9));
    EXPECT_EQ(13u, f.Tell());
    EXPECT_EQ(0u, f.Read(buf, 1, 1));
    EXPECT_TRUE(f.Seek(5, 2));
    EXPECT_EQ(18u, f.Tell());
    EXPECT_EQ(0u, f.Read(buf, 1, 1));
    EXPECT_TRUE(f.Seek(-20, 1));
    EXPECT_EQ(0u, f.Read(buf, 1, 1)) << "before the start reads nothing";
    EXPECT_FALSE(f.Seek(0, 3));
    f.Rewind();
    EXPECT_EQ(0u, f.Read(buf, 0, 5));
    EXPECT_EQ(0u, f.Read(buf, 5, 0));
    EXPECT_EQ(0u, f.Tell());
}
