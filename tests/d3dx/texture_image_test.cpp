// Pictures from image files in memory for textures: bitmaps with and without
// an alpha plane, TGA files, the colour key, resampling, and the pixel formats
// written to and read from textures.
#include "d3dx/PixelFormat.h"
#include "d3dx/TextureImage.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

void Put16(std::vector<uint8_t>& v, size_t at, uint32_t x) { v[at] = uint8_t(x); v[at + 1] = uint8_t(x >> 8); }
void Put32(std::vector<uint8_t>& v, size_t at, uint32_t x) { Put16(v, at, x); Put16(v, at + 2, x >> 16); }

// A bottom-up bitmap of the given top-down 0xRRGGBB pixels.
std::vector<uint8_t> Bitmap(uint32_t width, uint32_t height, int bits, const std::vector<uint32_t>& rgb)
{
    const uint32_t bpp = bits == 8 ? 1 : bits / 8, stride = (width * bpp + 3) & ~3u;
    const size_t palette = bits == 8 ? 1024 : 0;
    std::vector<uint8_t> f(54 + palette + size_t(stride) * height);
    f[0] = 'B';
    f[1] = 'M';
    Put32(f, 2, uint32_t(f.size()));
    Put32(f, 10, uint32_t(54 + palette));
    Put32(f, 14, 40);
    Put32(f, 18, width);
    Put32(f, 22, height);
    Put16(f, 26, 1);
    Put16(f, 28, uint32_t(bits));
    for (uint32_t y = 0; y < height; ++y) {
        uint8_t* row = &f[54 + palette + size_t(height - 1 - y) * stride];
        for (uint32_t x = 0; x < width; ++x) {
            const uint32_t c = rgb[y * width + x];
            if (bits == 8) {
                row[x] = uint8_t(c);  // the index; the palette maps i to (i, 2i, 3i)
            } else {
                row[x * bpp] = uint8_t(c);
                row[x * bpp + 1] = uint8_t(c >> 8);
                row[x * bpp + 2] = uint8_t(c >> 16);
                if (bits == 32)
                    row[x * bpp + 3] = 0x12;  // not alpha
            }
        }
    }
    if (bits == 8)
        for (uint32_t i = 0; i < 256; ++i) {
            f[54 + 4 * i] = uint8_t(3 * i);
            f[54 + 4 * i + 1] = uint8_t(2 * i);
            f[54 + 4 * i + 2] = uint8_t(i);
        }
    return f;
}

std::string Hex(const std::vector<uint32_t>& v)
{
    std::string s;
    char w[16];
    for (uint32_t x : v) {
        std::snprintf(w, sizeof w, "%s%08x", s.empty() ? "" : " ", unsigned(x));
        s += w;
    }
    return s;
}

std::string Decoded(const std::vector<uint8_t>& file, CTextureImage& image)
{
    if (!image.Decode(file.data(), file.size()))
        return "(not decoded)";
    return Hex(image.GetPixels());
}

}  // namespace

TEST(TextureImage, BitmapsOfEachDepthComeOutTopDown)
{
    const std::vector<uint32_t> rgb = {0x102030, 0x405060, 0x708090, 0xA0B0C0, 0xD0E0F0, 0x010203};
    CTextureImage image;
    EXPECT_EQ("ff102030 ff405060 ff708090 ffa0b0c0 ffd0e0f0 ff010203", Decoded(Bitmap(3, 2, 24, rgb), image));
    EXPECT_EQ(3u, image.GetWidth());
    EXPECT_EQ(2u, image.GetHeight());
    EXPECT_EQ(uint32_t(d3dx::kFmtR8G8B8), image.GetSourceFormat());
    EXPECT_EQ(uint32_t(d3dx::kFileBmp), image.GetFileFormat());
    EXPECT_FALSE(image.HasAlpha());

    // The fourth byte of a 32-bit bitmap is not alpha.
    EXPECT_EQ("ff102030 ff405060 ff708090 ffa0b0c0 ffd0e0f0 ff010203", Decoded(Bitmap(3, 2, 32, rgb), image));
    EXPECT_EQ(uint32_t(d3dx::kFmtX8R8G8B8), image.GetSourceFormat());

    EXPECT_EQ("ff010203 ff050a0f", Decoded(Bitmap(2, 1, 8, {1, 5}), image));
    EXPECT_EQ(uint32_t(d3dx::kFmtP8), image.GetSourceFormat());
}

TEST(TextureImage, AlphaPlaneAfterTheRows)
{
    std::vector<uint8_t> f = Bitmap(2, 2, 24, {0x111111, 0x222222, 0x333333, 0x444444});
    // The plane's rows are in the picture's order: bottom row first.
    const uint8_t plane[] = {0x30, 0x40, 0x10, 0x20};
    f.insert(f.end(), plane, plane + 4);
    CTextureImage image;
    EXPECT_EQ("10111111 20222222 30333333 40444444", Decoded(f, image));
    EXPECT_TRUE(image.HasAlpha());
    EXPECT_EQ(uint32_t(d3dx::kFmtA8R8G8B8), image.GetSourceFormat());

    // Any other number of trailing bytes is not a plane.
    f.push_back(0);
    EXPECT_EQ("ff111111 ff222222 ff333333 ff444444", Decoded(f, image));
    EXPECT_FALSE(image.HasAlpha());
    f.resize(f.size() - 2);
    EXPECT_EQ("ff111111 ff222222 ff333333 ff444444", Decoded(f, image));
}

TEST(TextureImage, BadFilesAreRefused)
{
    CTextureImage image;
    const std::vector<uint8_t> good = Bitmap(2, 2, 24, {1, 2, 3, 4});
    std::vector<uint8_t> f = good;
    f.pop_back();  // a row short
    EXPECT_FALSE(image.Decode(f.data(), f.size()));
    EXPECT_EQ(0u, image.GetWidth());
    EXPECT_TRUE(image.GetPixels().empty());
    f = good;
    Put16(f, 28, 16);
    EXPECT_FALSE(image.Decode(f.data(), f.size())) << "16-bit bitmap";
    f = good;
    Put32(f, 22, 0xFFFFFFFE);
    EXPECT_FALSE(image.Decode(f.data(), f.size())) << "top-down bitmap";
    f = good;
    Put32(f, 18, 0x7FFFFFFF);
    EXPECT_FALSE(image.Decode(f.data(), f.size())) << "absurd width";
    EXPECT_FALSE(image.Decode(good.data(), 20));
    EXPECT_FALSE(image.Decode(good.data(), 0));
    EXPECT_FALSE(image.Decode(nullptr, 10));
    const char text[] = "plain text, no picture at all";
    EXPECT_FALSE(image.Decode(text, sizeof text));
}

TEST(TextureImage, TargaFiles)
{
    // 2 x 2, 24 bits, bottom-up (descriptor 0).
    std::vector<uint8_t> tga(18);
    tga[2] = 2;
    Put16(tga, 12, 2);
    Put16(tga, 14, 2);
    tga[16] = 24;
    const uint8_t bottomUp[] = {0x03, 0x02, 0x01, 0x06, 0x05, 0x04, 0x09, 0x08, 0x07, 0x0C, 0x0B, 0x0A};
    tga.insert(tga.end(), bottomUp, bottomUp + sizeof bottomUp);
    CTextureImage image;
    EXPECT_EQ("ff070809 ff0a0b0c ff010203 ff040506", Decoded(tga, image));
    EXPECT_EQ(uint32_t(d3dx::kFileTga), image.GetFileFormat());
    EXPECT_EQ(uint32_t(d3dx::kFmtR8G8B8), image.GetSourceFormat());
    tga.pop_back();
    EXPECT_FALSE(image.Decode(tga.data(), tga.size())) << "short";

    // 32 bits with 8 alpha bits, top-down, run-length encoded: one run of 3,
    // one raw packet of 1.
    std::vector<uint8_t> rle(18);
    rle[2] = 10;
    Put16(rle, 12, 2);
    Put16(rle, 14, 2);
    rle[16] = 32;
    rle[17] = 0x28;
    const uint8_t packets[] = {0x82, 0x33, 0x22, 0x11, 0x80, 0x00, 0x66, 0x55, 0x44, 0x7F};
    rle.insert(rle.end(), packets, packets + sizeof packets);
    EXPECT_EQ("80112233 80112233 80112233 7f445566", Decoded(rle, image));
    EXPECT_TRUE(image.HasAlpha());
    EXPECT_EQ(uint32_t(d3dx::kFmtA8R8G8B8), image.GetSourceFormat());
    rle.resize(rle.size() - 3);
    EXPECT_FALSE(image.Decode(rle.data(), rle.size())) << "packet cut short";
    rle.resize(22);
    EXPECT_FALSE(image.Decode(rle.data(), rle.size())) << "packets missing";

    // 8-bit grey, mirrored left to right, with an image id to skip.
    std::vector<uint8_t> grey(18);
    grey[0] = 3;
    grey[2] = 3;
    Put16(grey, 12, 2);
    Put16(grey, 14, 1);
    grey[16] = 8;
    grey[17] = 0x10;
    const uint8_t body[] = {'i', 'd', '!', 0x40, 0x80};
    grey.insert(grey.end(), body, body + sizeof body);
    EXPECT_EQ("ff808080 ff404040", Decoded(grey, image));
    EXPECT_EQ(uint32_t(d3dx::kFmtL8), image.GetSourceFormat());

    // 16 bits, one alpha bit.
    std::vector<uint8_t> hi(18);
    hi[2] = 2;
    Put16(hi, 12, 2);
    Put16(hi, 14, 1);
    hi[16] = 16;
    hi[17] = 0x21;
    const uint8_t px[] = {0x1F, 0x80, 0xE0, 0x03};  // blue, opaque; green, clear
    hi.insert(hi.end(), px, px + 4);
    EXPECT_EQ("ff0000ff 0000ff00", Decoded(hi, image));
    EXPECT_EQ(uint32_t(d3dx::kFmtA1R5G5B5), image.GetSourceFormat());

    hi[2] = 1;  // colour-mapped: not accepted
    EXPECT_FALSE(image.Decode(hi.data(), hi.size()));
}

TEST(TextureImage, ColorKeyMakesTransparentBlack)
{
    CTextureImage image;
    ASSERT_TRUE(image.Decode(Bitmap(3, 1, 24, {0xFF00FF, 0x00FF00, 0xFF00FE}).data(),
                             Bitmap(3, 1, 24, {0, 0, 0}).size()));
    image.ApplyColorKey(0xFFFF00FF);
    EXPECT_EQ("00000000 ff00ff00 ffff00fe", Hex(image.GetPixels()));
    // The key's alpha counts: a key with alpha 0 matches nothing opaque.
    ASSERT_TRUE(image.Decode(Bitmap(1, 1, 24, {0xFF00FF}).data(), Bitmap(1, 1, 24, {0}).size()));
    image.ApplyColorKey(0x00FF00FF);
    EXPECT_EQ("ffff00ff", Hex(image.GetPixels()));
    image.ApplyColorKey(0);
    EXPECT_EQ("ffff00ff", Hex(image.GetPixels()));
}

TEST(TextureImage, Resampling)
{
    CTextureImage image;
    image.Assign(2, 2, {0xFF000000, 0xFF0000FF, 0xFF00FF00, 0x00FF0000});
    // None: the overlap, the rest transparent black.
    EXPECT_EQ("ff000000 ff0000ff 00000000 ff00ff00 00ff0000 00000000",
              Hex(image.Resized(3, 2, d3dx::kFilterNone).GetPixels()));
    EXPECT_EQ("ff000000", Hex(image.Resized(1, 1, d3dx::kFilterNone).GetPixels()));
    // Point: each pixel doubled.
    EXPECT_EQ("ff000000 ff000000 ff0000ff ff0000ff ff00ff00 ff00ff00 00ff0000 00ff0000",
              Hex(image.Resized(4, 2, d3dx::kFilterPoint).GetPixels()));
    // Box: the average of the four (alpha 3 x 255 / 4 = 191.25, colours 63.75).
    EXPECT_EQ("bf404040", Hex(image.Resized(1, 1, d3dx::kFilterBox).GetPixels()));
    EXPECT_EQ("bf404040", Hex(image.Resized(1, 1, d3dx::kFilterTriangle).GetPixels()));
    // Same size: unchanged by every filter.
    for (uint32_t f = d3dx::kFilterNone; f <= d3dx::kFilterBox; ++f)
        EXPECT_EQ(Hex(image.GetPixels()), Hex(image.Resized(2, 2, f).GetPixels())) << "filter " << f;

    // Linear between pixel centres: 0 and 255 over four pixels.
    image.Assign(2, 1, {0xFF000000, 0xFF0000FF});
    EXPECT_EQ("ff000000 ff000040 ff0000bf ff0000ff", Hex(image.Resized(4, 1, d3dx::kFilterLinear).GetPixels()));
    // Box over a 3:2 shrink weighs partial coverage.
    image.Assign(3, 1, {0xFF000000, 0xFF000030, 0xFF0000F0});
    EXPECT_EQ("ff000010 ff0000b0", Hex(image.Resized(2, 1, d3dx::kFilterBox).GetPixels()));

    EXPECT_EQ(1u, CTextureImage::FullMipCount(1, 1));
    EXPECT_EQ(3u, CTextureImage::FullMipCount(4, 1));
    EXPECT_EQ(9u, CTextureImage::FullMipCount(256, 200));
}

TEST(PixelFormat, EncodeKeepsTheHighBits)
{
    const uint32_t argb[] = {0x80FF7F3F, 0x00010203};
    const struct {
        uint32_t format;
        const char* bytes;
    } cases[] = {
        {d3dx::kFmtA8R8G8B8, "3f7fff80 03020100"},
        {d3dx::kFmtX8R8G8B8, "3f7fff ff 030201 ff"},
        {d3dx::kFmtR8G8B8, "3f7fff 030201"},
        {d3dx::kFmtR5G6B5, "e7 fb 00 00"},
        {d3dx::kFmtX1R5G5B5, "e7 fd 00 80"},
        {d3dx::kFmtA1R5G5B5, "e7 fd 00 00"},
        {d3dx::kFmtA4R4G4B4, "73 8f 00 00"},
        {d3dx::kFmtX4R4G4B4, "73 ff 00 f0"},
        {d3dx::kFmtR3G3B2, "ec 00"},
        {d3dx::kFmtA8R3G3B2, "ec 80 00 00"},
        {d3dx::kFmtA8, "80 00"},
        {d3dx::kFmtL8, "9e 01"},
        {d3dx::kFmtA8L8, "9e 80 01 00"},
        {d3dx::kFmtA4L4, "89 00"},
    };
    for (const auto& c : cases) {
        const uint32_t bpp = d3dx::FormatBytesPerPixel(c.format);
        ASSERT_NE(0u, bpp) << c.format;
        std::vector<uint8_t> out(2 * bpp + 1, 0xEE);
        d3dx::EncodePixels(c.format, argb, 2, out.data());
        EXPECT_EQ(0xEE, out.back()) << "format " << c.format << " wrote past its pixels";
        std::string got;
        std::string want;
        for (char ch : std::string(c.bytes))
            if (ch != ' ')
                want += ch;
        char b[4];
        for (size_t i = 0; i + 1 < out.size(); ++i) {
            std::snprintf(b, sizeof b, "%02x", out[i]);
            got += b;
        }
        EXPECT_EQ(want, got) << "format " << c.format;
    }
    EXPECT_EQ(0u, d3dx::FormatBytesPerPixel(d3dx::kFmtP8));
    EXPECT_EQ(0u, d3dx::FormatBytesPerPixel(0x31545844));  // DXT1
}

TEST(PixelFormat, DecodeByTheReadRules)
{
    const struct {
        uint32_t format;
        uint8_t bytes[4];
        uint32_t argb;
    } cases[] = {
        {d3dx::kFmtR8G8B8, {0x11, 0x22, 0x33}, 0xFF332211},
        {d3dx::kFmtA8R8G8B8, {0x11, 0x22, 0x33, 0x44}, 0x44332211},
        {d3dx::kFmtX8R8G8B8, {0x11, 0x22, 0x33, 0x44}, 0xFF332211},
        {d3dx::kFmtR5G6B5, {0xFF, 0xFF}, 0xFFF8FCF8},
        {d3dx::kFmtR5G6B5, {0x1F, 0x00}, 0xFF0000F8},
        {d3dx::kFmtX1R5G5B5, {0xFF, 0x7F}, 0xFFF8F8F8},
        {d3dx::kFmtA1R5G5B5, {0xFF, 0x7F}, 0x00F8F8F8},
        {d3dx::kFmtA1R5G5B5, {0x00, 0x80}, 0xFF000000},
        {d3dx::kFmtA4R4G4B4, {0xBC, 0x0A}, 0x00A0B0C0},
        {d3dx::kFmtA4R4G4B4, {0xBC, 0x1A}, 0x1FA0B0C0},
        {d3dx::kFmtX4R4G4B4, {0xBC, 0x0A}, 0xFFA0B0C0},
        {d3dx::kFmtR3G3B2, {0xFF}, 0xFFE0E0C0},
        {d3dx::kFmtA8R3G3B2, {0x03, 0x7F}, 0x7F0000C0},
        {d3dx::kFmtL8, {0x42}, 0xFF424242},
        {d3dx::kFmtA8, {0x42}, 0x42000000},
        {d3dx::kFmtA8L8, {0x42, 0x99}, 0x99424242},
        {d3dx::kFmtA4L4, {0x9C}, 0x90C0C0C0},
    };
    for (const auto& c : cases) {
        uint32_t argb = 0;
        EXPECT_TRUE(d3dx::DecodePixel(c.format, c.bytes, argb)) << c.format;
        EXPECT_EQ(c.argb, argb) << "format " << c.format << std::hex << " got 0x" << argb;
    }
    uint32_t untouched = 0x12345678;
    const uint8_t any[4] = {};
    EXPECT_FALSE(d3dx::DecodePixel(d3dx::kFmtP8, any, untouched));
    EXPECT_EQ(0x12345678u, untouched);
}
