#include "installer/PictureCompose.h"
#include <gtest/gtest.h>
#include <climits>
#include <vector>

namespace {

// A picture in memory with its views.
struct Picture {
    std::vector<uint8_t> bits, alpha;
    PixelView view;
    AlphaView plane;
    Picture(int32_t width, int32_t height, int format, uint32_t rgb = 0)
    {
        const int bytes = format == 15 ? 2 : format / 8;
        view.pitch = (width * bytes + 3) & ~3;
        bits.assign(size_t(view.pitch) * height, 0);
        view.bits = bits.data();
        view.width = width;
        view.height = height;
        view.format = format;
        for (int32_t y = 0; y < height; ++y)
            for (int32_t x = 0; x < width; ++x)
                WritePixel(view, x, y, rgb);
    }
    void SetAlpha(uint8_t value)
    {
        alpha.assign(size_t(view.width) * view.height, value);
        plane.bits = alpha.data();
        plane.pitch = plane.width = view.width;
        plane.height = view.height;
    }
    uint32_t At(int32_t x, int32_t y) const { return ReadPixel(view, x, y) & 0xFFFFFF; }
};

TEST(DrawPictureOver, OpaqueCopyIsClippedOnEverySide)
{
    Picture dst(4, 3, 32, 0x111111), src(3, 2, 32, 0xABCDEF);
    DrawPictureOver(dst.view, -1, 2, src.view, AlphaView());
    // Only columns 1 and 2 of the source's first row land, at (0, 2) and (1, 2).
    EXPECT_EQ(0xABCDEFu, dst.At(0, 2));
    EXPECT_EQ(0xABCDEFu, dst.At(1, 2));
    EXPECT_EQ(0x111111u, dst.At(2, 2));
    EXPECT_EQ(0x111111u, dst.At(0, 1));

    Picture edge(4, 3, 32, 0x111111);
    DrawPictureOver(edge.view, 3, 0, src.view, AlphaView());
    EXPECT_EQ(0xABCDEFu, edge.At(3, 0));
    EXPECT_EQ(0xABCDEFu, edge.At(3, 1));
    EXPECT_EQ(0x111111u, edge.At(2, 0));
}

TEST(DrawPictureOver, FarOffsetsDrawNothingAndDoNotOverflow)
{
    Picture dst(4, 3, 24, 0x222222), src(3, 2, 24, 0xFFFFFF);
    for (int32_t at : {INT_MIN, -3, 4, INT_MAX}) {
        DrawPictureOver(dst.view, at, 0, src.view, AlphaView());
        DrawPictureOver(dst.view, 0, at, src.view, AlphaView());
    }
    for (int32_t y = 0; y < 3; ++y)
        for (int32_t x = 0; x < 4; ++x)
            EXPECT_EQ(0x222222u, dst.At(x, y)) << x << "," << y;
}

TEST(DrawPictureOver, AlphaWeightsEachChannelWithRounding)
{
    Picture dst(3, 1, 32, 0x000000), src(3, 1, 32, 0xFF8001);
    src.SetAlpha(0);
    src.alpha[1] = 128;
    src.alpha[2] = 255;
    DrawPictureOver(dst.view, 0, 0, src.view, src.plane);
    EXPECT_EQ(0x000000u, dst.At(0, 0)) << "alpha 0 keeps the destination";
    // (255 * 128 + 127) / 255 = 128, (128 * 128 + 127) / 255 = 64, (1 * 128 + 127) / 255 = 1.
    EXPECT_EQ(0x804001u, dst.At(1, 0));
    EXPECT_EQ(0xFF8001u, dst.At(2, 0)) << "alpha 255 replaces";

    Picture white(1, 1, 32, 0xFFFFFF), black(1, 1, 32, 0);
    black.SetAlpha(1);
    DrawPictureOver(white.view, 0, 0, black.view, black.plane);
    EXPECT_EQ(0xFEFEFEu, white.At(0, 0));
}

TEST(DrawPictureOver, FormatsAreConvertedOnTheWay)
{
    Picture dst(2, 1, 16, 0), src(2, 1, 24, 0xFFFFFF);
    DrawPictureOver(dst.view, 0, 0, src.view, AlphaView());
    EXPECT_EQ(0xF8FCF8u, dst.At(0, 0));
    Picture wide(1, 1, 32, 0), narrow(1, 1, 15, 0xFFFFFF);
    DrawPictureOver(wide.view, 0, 0, narrow.view, AlphaView());
    EXPECT_EQ(0xF8F8F8u, wide.At(0, 0));
}

TEST(DrawPictureOver, EmptyViewsAreIgnored)
{
    Picture dst(2, 2, 32, 0x123456), src(2, 2, 32, 0xFFFFFF);
    DrawPictureOver(dst.view, 0, 0, PixelView(), AlphaView());
    DrawPictureOver(PixelView(), 0, 0, src.view, AlphaView());
    EXPECT_EQ(0x123456u, dst.At(1, 1));
}

}  // namespace
