// Pixels of Direct3D surfaces: the read rules of the ten formats, fills and
// copies from framework surfaces.
#include "d3d/D3DPixels.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

namespace {

struct ReadCase {
    uint32_t format;
    std::vector<uint8_t> stored;
    uint32_t expected;  // A8R8G8B8
};

std::string Hex(uint32_t v)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", v);
    return text;
}

TEST(D3DPixels, ReadRulesOfTheTenFormats)
{
    const ReadCase cases[] = {
        {20, {0x11, 0x22, 0x33}, 0xFF332211},
        {21, {0x11, 0x22, 0x33, 0x44}, 0x44332211},
        {22, {0x11, 0x22, 0x33, 0x44}, 0xFF332211},
        {23, {0x1F, 0xF8}, 0xFFF800F8},  // red and blue at full: low bits stay 0
        {23, {0xE0, 0x07}, 0xFF00FC00},
        {23, {0x18, 0x82}, 0xFF8040C0},
        {24, {0xFF, 0x7F}, 0xFFF8F8F8},
        {24, {0x00, 0x80}, 0xFF000000},  // the X bit is no alpha
        {25, {0x1F, 0x80}, 0xFF0000F8},
        {25, {0x00, 0x7C}, 0x00F80000},
        {26, {0x34, 0x12}, 0x1F203040},  // alpha = top nibble << 4 | 0x0F
        {26, {0xBC, 0x0A}, 0x00A0B0C0},  // a top nibble of 0 is transparent
        {26, {0x00, 0xF0}, 0xFF000000},
        {27, {0xE3}, 0xFFE000C0},
        {27, {0x1C}, 0xFF00E000},
        {29, {0xE3, 0x80}, 0x80E000C0},
        {30, {0xBC, 0x0A}, 0xFFA0B0C0},
        {30, {0x34, 0x12}, 0xFF203040},
    };
    for (const ReadCase& c : cases) {
        std::vector<uint8_t> row(8, 0xEE);
        std::copy(c.stored.begin(), c.stored.end(), row.begin() + int(c.stored.size()));  // the second pixel
        uint32_t argb = 0;
        ASSERT_TRUE(D3DReadPixel(row.data(), 8, c.format, 1, 0, argb)) << c.format;
        EXPECT_EQ(Hex(c.expected), Hex(argb)) << "format " << c.format;
    }
    uint8_t bytes[4] = {1, 2, 3, 4};
    for (uint32_t format : {0u, 28u, 31u, 41u, 50u, 80u}) {
        uint32_t argb = 0x12345678;
        EXPECT_FALSE(D3DReadPixel(bytes, 4, format, 0, 0, argb)) << format;
        EXPECT_EQ(0x12345678u, argb);
        EXPECT_FALSE(IsD3DPixelFormat(format));
    }
    uint32_t argb = 0;
    EXPECT_FALSE(D3DReadPixel(nullptr, 4, 21, 0, 0, argb));
}

TEST(D3DPixels, FillWritesTheRectangleOnlyAndReadsBack)
{
    // 4 x 3 pixels of R5G6B5, 10 bytes a row (2 bytes of padding).
    std::vector<uint8_t> bits(30, 0xAA);
    ASSERT_TRUE(D3DFillRect(bits.data(), 10, 4, 3, 23, 0xFF8040C0, PixelRect{1, 1, 3, 5}));
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 5; ++x) {
            const uint8_t* p = &bits[size_t(y) * 10 + size_t(x) * 2];
            const bool inside = x >= 1 && x < 3 && y >= 1;
            if (inside) {
                EXPECT_EQ(0x18, p[0]) << x << "," << y;
                EXPECT_EQ(0x82, p[1]) << x << "," << y;
                uint32_t argb = 0;
                ASSERT_TRUE(D3DReadPixel(bits.data(), 10, 23, x, y, argb));
                EXPECT_EQ(0xFF8040C0u, argb);
            } else {
                EXPECT_EQ(0xAA, p[0]) << x << "," << y;
                EXPECT_EQ(0xAA, p[1]) << x << "," << y;
            }
        }
    }
    // Nothing left after clamping; formats it does not write.
    EXPECT_TRUE(D3DFillRect(bits.data(), 10, 4, 3, 23, 0, PixelRect{4, 0, 9, 3}));
    EXPECT_TRUE(D3DFillRect(bits.data(), 10, 4, 3, 23, 0, PixelRect{2, 2, 1, 1}));
    EXPECT_EQ(0xAA, bits[0]);
    EXPECT_FALSE(D3DFillRect(bits.data(), 10, 4, 3, 28, 0, PixelRect{0, 0, 4, 3}));
    EXPECT_FALSE(D3DFillRect(nullptr, 10, 4, 3, 23, 0, PixelRect{0, 0, 4, 3}));
}

TEST(D3DPixels, FillKeepsEachChannelsHighBits)
{
    const struct {
        uint32_t format;
        std::vector<uint8_t> bytes;
    } cases[] = {
        {20, {0x56, 0x34, 0x12}},       {21, {0x56, 0x34, 0x12, 0x9A}}, {22, {0x56, 0x34, 0x12, 0xFF}},
        {23, {0xAA, 0x11}},             {24, {0xCA, 0x88}},             {25, {0xCA, 0x88}},
        {26, {0x35, 0x91}},             {27, {0x05}},                   {29, {0x05, 0x9A}},
        {30, {0x35, 0xF1}},
    };
    // A = 0x9A, R = 0x12, G = 0x34, B = 0x56.
    for (const auto& c : cases) {
        std::vector<uint8_t> bits(4, 0xEE);
        ASSERT_TRUE(D3DFillRect(bits.data(), 4, 1, 1, c.format, 0x9A123456, PixelRect{0, 0, 1, 1}));
        EXPECT_EQ(c.bytes, std::vector<uint8_t>(bits.begin(), bits.begin() + int(c.bytes.size())))
            << "format " << c.format;
    }
}

TEST(D3DPixels, CopyFromFrameworkPixelsKeepsTheTopRowOnTop)
{
    // A 3 x 2 source in each framework format: top row red, green, blue;
    // bottom row white, black, grey. Format 32 carries junk in its top byte.
    const uint32_t rgb[2][3] = {{0xFF0000, 0x00FF00, 0x0000FF}, {0xFFFFFF, 0x000000, 0x808080}};
    for (int format : {15, 16, 24, 32}) {
        const int bpp = format == 24 ? 3 : format == 32 ? 4 : 2;
        const int pitch = (3 * bpp + 3) & ~3;
        std::vector<uint8_t> src(size_t(pitch) * 2, 0);
        PixelView view;
        view.bits = src.data();
        view.pitch = pitch;
        view.width = 3;
        view.height = 2;
        view.format = format;
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 3; ++x)
                WritePixel(view, x, y, rgb[y][x] | (format == 32 ? 0x77000000u : 0));
        // Into 2 x 3 of A8R8G8B8: two columns, two rows are copied.
        std::vector<uint32_t> dst(6, 0xDEADBEEF);
        ASSERT_TRUE(D3DCopyFromPixels(reinterpret_cast<uint8_t*>(dst.data()), 8, 2, 3, 21, view, nullptr));
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 2; ++x)
                EXPECT_EQ(Hex(0xFF000000u | ReadPixel(view, x, y)), Hex(dst[size_t(y) * 2 + x]))
                    << "format " << format << " at " << x << "," << y;
        EXPECT_EQ(0xDEADBEEFu, dst[4]) << "the third row stays";
        EXPECT_EQ(Hex(0xFFF80000), Hex(dst[0] & 0xFFF8FFFF)) << "red at the top left";
    }
}

TEST(D3DPixels, CopyTakesTheAlphaPlaneWhenGiven)
{
    std::vector<uint8_t> src(8, 0);
    PixelView view;
    view.bits = src.data();
    view.pitch = 4;
    view.width = 2;
    view.height = 2;
    view.format = 16;
    WritePixel(view, 0, 0, 0xFFFFFF);
    WritePixel(view, 1, 1, 0xF80000);
    std::vector<uint8_t> plane = {0x00, 0x40, 0, 0, 0x80, 0xFF, 0, 0};
    AlphaView alpha;
    alpha.bits = plane.data();
    alpha.pitch = 4;
    alpha.width = 2;
    alpha.height = 2;
    std::vector<uint8_t> dst(8, 0xEE);  // A4R4G4B4, 2 x 2
    ASSERT_TRUE(D3DCopyFromPixels(dst.data(), 4, 2, 2, 26, view, &alpha));
    uint32_t argb = 0;
    D3DReadPixel(dst.data(), 4, 26, 0, 0, argb);
    EXPECT_EQ(Hex(0x00F0F0F0), Hex(argb)) << "alpha 0";
    D3DReadPixel(dst.data(), 4, 26, 1, 0, argb);
    EXPECT_EQ(Hex(0x4F000000), Hex(argb));
    D3DReadPixel(dst.data(), 4, 26, 0, 1, argb);
    EXPECT_EQ(Hex(0x8F000000), Hex(argb));
    D3DReadPixel(dst.data(), 4, 26, 1, 1, argb);
    EXPECT_EQ(Hex(0xFFF00000), Hex(argb));

    // A format on either side that is not converted.
    view.format = 8;
    EXPECT_FALSE(D3DCopyFromPixels(dst.data(), 4, 2, 2, 26, view, nullptr));
    view.format = 16;
    EXPECT_FALSE(D3DCopyFromPixels(dst.data(), 4, 2, 2, 50, view, nullptr));
    view.bits = nullptr;
    EXPECT_FALSE(D3DCopyFromPixels(dst.data(), 4, 2, 2, 26, view, nullptr));
}

}  // namespace
