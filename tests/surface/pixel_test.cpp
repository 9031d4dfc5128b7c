// Formats, pitches, narrowing and widening, single pixels, fills, alpha
// planes, picture rows and the 24-bit bitmap encoding, on plain memory.
#include "surface/PixelFormat.h"
#include "surface/PixelOps.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

typedef std::vector<uint8_t> Bytes;

// Pixel memory of a surface, with guard bytes after it.
struct Pixels {
    Bytes bytes;
    PixelView view;
    Pixels(int width, int height, int format, uint8_t fill = 0xCD)
    {
        int32_t pitch, size;
        EXPECT_TRUE(ComputeSurfaceSize(width, height, format, pitch, size));
        bytes.assign(size_t(size) + 8, fill);
        view.bits = bytes.data();
        view.pitch = pitch;
        view.width = width;
        view.height = height;
        view.format = format;
    }
    uint8_t* Row(int y) { return bytes.data() + size_t(y) * view.pitch; }
};

uint32_t Le32(const uint8_t* p) { return uint32_t(p[0]) | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }

TEST(PixelFormat, PitchesOfOddWidthsInEveryFormat)
{
    const struct {
        int format, width, pitch;
    } cases[] = {
        {24, 1, 4}, {24, 2, 8}, {24, 3, 12}, {24, 5, 16}, {16, 1, 4}, {16, 3, 8}, {16, 5, 12},
        {15, 1, 4}, {15, 3, 8},  {15, 7, 16}, {32, 1, 4},  {32, 3, 12}, {32, 7, 28},
    };
    for (const auto& c : cases) {
        int32_t pitch, bytes;
        ASSERT_TRUE(ComputeSurfaceSize(c.width, 3, c.format, pitch, bytes)) << c.format << " x " << c.width;
        EXPECT_EQ(c.pitch, pitch) << "format " << c.format << ", width " << c.width;
        EXPECT_EQ(3 * c.pitch, bytes);
    }
}

TEST(PixelFormat, SizesThatFailCleanly)
{
    int32_t pitch = -1, bytes = -1;
    EXPECT_FALSE(ComputeSurfaceSize(0, 10, 32, pitch, bytes));
    EXPECT_EQ(0, pitch);
    EXPECT_EQ(0, bytes);
    EXPECT_FALSE(ComputeSurfaceSize(10, 0, 32, pitch, bytes));
    EXPECT_FALSE(ComputeSurfaceSize(-4, 10, 24, pitch, bytes));
    EXPECT_FALSE(ComputeSurfaceSize(10, -1, 24, pitch, bytes));
    EXPECT_FALSE(ComputeSurfaceSize(10, 10, 8, pitch, bytes)) << "not a surface format";
    EXPECT_FALSE(ComputeSurfaceSize(10, 10, 0, pitch, bytes)) << "0 is resolved before";
    // pitch x height beyond a signed 32-bit count, and width x 4 beyond 32 bits.
    EXPECT_FALSE(ComputeSurfaceSize(65536, 65536, 16, pitch, bytes));
    EXPECT_FALSE(ComputeSurfaceSize(0x40000000, 1, 32, pitch, bytes));
    EXPECT_FALSE(ComputeSurfaceSize(0x7FFFFFFF, 1, 24, pitch, bytes));
    EXPECT_TRUE(ComputeSurfaceSize(16384, 32767, 32, pitch, bytes));
    EXPECT_EQ(65536, pitch);
    EXPECT_FALSE(ComputeSurfaceSize(16384, 32768, 32, pitch, bytes));
    EXPECT_TRUE(ComputeAlphaSize(5, 3, pitch, bytes));
    EXPECT_EQ(8, pitch);
    EXPECT_EQ(24, bytes);
    EXPECT_FALSE(ComputeAlphaSize(0, 3, pitch, bytes));
}

TEST(PixelFormat, NarrowingTruncatesAndWideningShifts)
{
    EXPECT_EQ(0x7FFF, NarrowTo15(0xFFFFFF));
    EXPECT_EQ(0xFFFF, NarrowTo16(0xFFFFFF));
    EXPECT_EQ(0x7C00, NarrowTo15(0xFF0000));
    EXPECT_EQ(0x03E0, NarrowTo15(0x00FF00));
    EXPECT_EQ(0x07E0, NarrowTo16(0x00FF00));
    EXPECT_EQ(0x0000, NarrowTo16(0x070307)) << "low bits are cut, not rounded";
    EXPECT_EQ(0x0821, NarrowTo16(0x080408));
    EXPECT_EQ(0xF8FCF8u, WidenFrom16(0xFFFF)) << "white loses the low bits of each channel";
    EXPECT_EQ(0xF8F8F8u, WidenFrom15(0x7FFF));
    EXPECT_EQ(0xF8F8F8u, WidenFrom15(0xFFFF)) << "bit 15 carries no colour";
    EXPECT_EQ(0x000008u, WidenFrom16(0x0001));
    EXPECT_EQ(0x000400u, WidenFrom16(0x0020));
    EXPECT_EQ(0x080000u, WidenFrom16(0x0800));
    for (uint32_t p = 0; p < 0x10000; ++p) {
        ASSERT_EQ(p, NarrowTo16(WidenFrom16(p))) << p;
        ASSERT_EQ(p & 0x7FFF, NarrowTo15(WidenFrom15(p))) << p;
        ASSERT_EQ(0u, WidenFrom16(p) >> 24);
    }
}

TEST(PixelFormat, ColorKeySwapAndBlitModes)
{
    EXPECT_EQ(0xFF0000u, SwapRedBlue(0x0000FF)) << "COLORREF red";
    EXPECT_EQ(0x00FF00u, SwapRedBlue(0x00FF00));
    EXPECT_EQ(0x563412u, SwapRedBlue(0x123456));
    EXPECT_EQ(0x563412u, SwapRedBlue(0x01123456)) << "the flag byte of a COLORREF is not a colour";
    EXPECT_EQ(0x7C00u, ColorToPixel(15, 0xFF0000));
    EXPECT_EQ(0x123456u, ColorToPixel(24, 0xAB123456));
    EXPECT_EQ(0xAB123456u, ColorToPixel(32, 0xAB123456));

    EXPECT_EQ(0, ComputeBlitMode(0, 15, false, false, false));
    EXPECT_EQ(5, ComputeBlitMode(0, 16, true, false, false));
    EXPECT_EQ(10, ComputeBlitMode(0, 24, true, true, true)) << "alpha wins over the key";
    EXPECT_EQ(13, ComputeBlitMode(0, 32, true, true, false)) << "alpha without a plane";
    EXPECT_EQ(12, ComputeBlitMode(0, 32, false, false, true)) << "a plane without the switch";
    EXPECT_EQ(30, ComputeBlitMode(16, 32, false, true, true));
    EXPECT_EQ(-1, ComputeBlitMode(0, 8, false, false, false));
}

TEST(PixelOps, GetAndSetPixelPerFormat)
{
    Pixels p24(3, 2, 24);
    WritePixel(p24.view, 1, 1, 0xAB123456);
    EXPECT_EQ(0x56, p24.Row(1)[3]);
    EXPECT_EQ(0x34, p24.Row(1)[4]);
    EXPECT_EQ(0x12, p24.Row(1)[5]);
    EXPECT_EQ(0xCD, p24.Row(1)[6]) << "the next pixel stays";
    EXPECT_EQ(0x123456u, ReadPixel(p24.view, 1, 1)) << "top byte 0 on format 24";

    Pixels p32(2, 2, 32);
    WritePixel(p32.view, 1, 0, 0xAB123456);
    EXPECT_EQ(0xAB123456u, Le32(p32.Row(0) + 4)) << "format 32 stores the word";
    EXPECT_EQ(0xAB123456u, ReadPixel(p32.view, 1, 0)) << "and returns it with its top byte";

    Pixels p16(3, 1, 16);
    WritePixel(p16.view, 2, 0, 0xFFFFFF);
    EXPECT_EQ(0xFF, p16.Row(0)[4]);
    EXPECT_EQ(0xFF, p16.Row(0)[5]);
    EXPECT_EQ(0xF8FCF8u, ReadPixel(p16.view, 2, 0));
    Pixels p15(3, 1, 15);
    WritePixel(p15.view, 0, 0, 0xFFFFFF);
    EXPECT_EQ(0x7F, p15.Row(0)[1]);
    EXPECT_EQ(0xF8F8F8u, ReadPixel(p15.view, 0, 0));

    // Outside: nothing written, 0 read.
    const Bytes before = p24.bytes;
    for (auto xy : {std::make_pair(-1, 0), std::make_pair(0, -1), std::make_pair(3, 0), std::make_pair(0, 2)}) {
        WritePixel(p24.view, xy.first, xy.second, 0xFFFFFF);
        EXPECT_EQ(0u, ReadPixel(p24.view, xy.first, xy.second));
    }
    EXPECT_EQ(before, p24.bytes);
    EXPECT_EQ(0u, ReadPixel(PixelView(), 0, 0));
}

TEST(PixelOps, FillWholeWithZeroClearsPaddingOtherFillsLeaveIt)
{
    for (int format : {15, 16, 24, 32}) {
        Pixels p(3, 4, format);
        const int rowBytes = 3 * BytesPerPixel(format);
        FillPixels(p.view, 0x0000FF, PixelRect{0, 0, 3, 4});  // COLORREF red
        for (int y = 0; y < 4; ++y) {
            for (int x = 0; x < 3; ++x)
                ASSERT_EQ(format <= 16 ? 0xF80000u : 0xFF0000u, ReadPixel(p.view, x, y)) << format;
            for (int i = rowBytes; i < p.view.pitch; ++i)
                EXPECT_EQ(0xCD, p.Row(y)[i]) << "padding of format " << format;
        }
        FillPixels(p.view, 0, PixelRect{-5, -5, 10, 10});
        for (int i = 0; i < p.view.pitch * 4; ++i)
            ASSERT_EQ(0, p.bytes[size_t(i)]) << "format " << format << " byte " << i;
        EXPECT_EQ(0xCD, p.bytes[size_t(p.view.pitch) * 4]) << "nothing after the surface";

        Pixels q(3, 2, format);
        FillPixels(q.view, 0, PixelRect{0, 0, 2, 2});
        EXPECT_EQ(0xCD, q.Row(0)[rowBytes - 1]) << "a partial fill with 0 is a fill";
        EXPECT_EQ(0xCD, q.Row(0)[q.view.pitch - 1]);
    }
}

TEST(PixelOps, ClearRowPadding)
{
    Pixels p(3, 2, 24, 0xCD);
    ClearRowPadding(p.view);
    for (int y = 0; y < 2; ++y) {
        EXPECT_EQ(0xCD, p.Row(y)[8]);
        for (int i = 9; i < 12; ++i)
            EXPECT_EQ(0, p.Row(y)[i]) << y << ":" << i;
    }
    EXPECT_EQ(0xCD, p.bytes[24]) << "nothing after the surface";
    Pixels q(2, 2, 32, 0xCD);
    ClearRowPadding(q.view);
    EXPECT_EQ(Bytes(16, 0xCD), Bytes(q.bytes.begin(), q.bytes.begin() + 16)) << "no padding";
}

TEST(PixelOps, FillIsClippedToTheSurface)
{
    Pixels p(4, 3, 32, 0);
    FillPixels(p.view, 0x00FF00, PixelRect{-2, 1, 2, 9});
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(y >= 1 && x < 2 ? 0x00FF00u : 0u, ReadPixel(p.view, x, y)) << x << "," << y;
    const Bytes before = p.bytes;
    FillPixels(p.view, 0xFFFFFF, PixelRect{3, 1, 3, 2});
    FillPixels(p.view, 0xFFFFFF, PixelRect{5, 0, 9, 2});
    FillPixels(p.view, 0xFFFFFF, PixelRect{2, 2, 1, 3});
    EXPECT_EQ(before, p.bytes) << "empty or outside rectangles change nothing";
}

TEST(PixelOps, FillWritesFormat24And32AsTheKernelsSay)
{
    Pixels p(5, 1, 24);
    FillPixels(p.view, 0x123456, PixelRect{1, 0, 4, 1});
    // COLORREF 0x123456 is red 0x56, green 0x34, blue 0x12: bytes B, G, R.
    const uint8_t expected[] = {0xCD, 0xCD, 0xCD, 0x12, 0x34, 0x56, 0x12, 0x34, 0x56,
                                0x12, 0x34, 0x56, 0xCD, 0xCD, 0xCD, 0xCD};
    EXPECT_EQ(0, std::memcmp(expected, p.Row(0), 16));
    Pixels q(2, 1, 32);
    FillPixels(q.view, 0x123456, PixelRect{0, 0, 2, 1});
    EXPECT_EQ(0x00563412u, Le32(q.Row(0))) << "the fourth byte is 0";
}

struct Plane {
    Bytes bytes;
    AlphaView view;
    Plane(int width, int height, int pitch, uint8_t fill)
    {
        bytes.assign(size_t(pitch) * height, fill);
        view.bits = bytes.data();
        view.pitch = pitch;
        view.width = width;
        view.height = height;
    }
    uint8_t At(int x, int y) const { return bytes[size_t(y) * view.pitch + x]; }
};

TEST(PixelOps, FillAlphaIsClipped)
{
    Plane a(5, 3, 8, 7);
    FillAlphaRect(a.view, 200, PixelRect{3, -1, 9, 2});
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 8; ++x)
            EXPECT_EQ(x >= 3 && x < 5 && y < 2 ? 200 : 7, a.At(x, y)) << x << "," << y;
    const Bytes before = a.bytes;
    FillAlphaRect(a.view, 1, PixelRect{4, 0, 4, 3});
    FillAlphaRect(a.view, 1, PixelRect{2, 2, 1, 1});
    EXPECT_EQ(before, a.bytes);
}

TEST(PixelOps, CopyAlphaIsClippedToBothPlanesAndTheDestinationRectangle)
{
    Plane src(4, 4, 4, 0);
    for (int i = 0; i < 16; ++i)
        src.bytes[size_t(i)] = uint8_t(100 + i);

    // A destination start left of and above the plane moves the source start.
    Plane d1(3, 3, 4, 0);
    CopyAlphaRect(d1.view, PixelRect{-1, -2, 3, 2}, src.view, PixelRect{0, 0, 4, 4});
    EXPECT_EQ(src.At(1, 2), d1.At(0, 0));
    EXPECT_EQ(src.At(3, 3), d1.At(2, 1));
    EXPECT_EQ(0, d1.At(0, 2)) << "the destination rectangle ends at row 2";
    EXPECT_EQ(0, d1.At(3, 0)) << "row padding";

    // A destination reaching past the plane shrinks the copy.
    Plane d2(3, 3, 4, 0);
    CopyAlphaRect(d2.view, PixelRect{2, 2, 6, 6}, src.view, PixelRect{0, 0, 4, 4});
    EXPECT_EQ(src.At(0, 0), d2.At(2, 2));
    EXPECT_EQ(0, d2.At(3, 2));
    EXPECT_EQ(0, d2.At(1, 1));

    // A source rectangle beyond the source is limited to it.
    Plane d3(4, 4, 4, 0);
    CopyAlphaRect(d3.view, PixelRect{0, 0, 4, 4}, src.view, PixelRect{2, 3, 9, 9});
    EXPECT_EQ(src.At(2, 3), d3.At(0, 0));
    EXPECT_EQ(src.At(3, 3), d3.At(1, 0));
    EXPECT_EQ(0, d3.At(2, 0));
    EXPECT_EQ(0, d3.At(0, 1));

    // A negative source start moves the destination start.
    Plane d4(4, 4, 4, 0);
    CopyAlphaRect(d4.view, PixelRect{0, 0, 4, 4}, src.view, PixelRect{-1, 0, 2, 1});
    EXPECT_EQ(0, d4.At(0, 0));
    EXPECT_EQ(src.At(0, 0), d4.At(1, 0));
    EXPECT_EQ(src.At(1, 0), d4.At(2, 0));
    EXPECT_EQ(0, d4.At(3, 0));

    // Extreme coordinates copy nothing and do not overflow.
    Plane d5(4, 4, 4, 0);
    CopyAlphaRect(d5.view, PixelRect{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}, src.view,
                  PixelRect{INT32_MIN, 0, INT32_MAX, 4});
    EXPECT_EQ(Bytes(16, 0), d5.bytes);
    CopyAlphaRect(d5.view, PixelRect{0, 0, 4, 4}, AlphaView(), PixelRect{0, 0, 4, 4});
    EXPECT_EQ(Bytes(16, 0), d5.bytes);
}

TEST(PixelOps, CopyAlphaWithinOnePlaneReadsBeforeItWrites)
{
    Plane p(6, 6, 8, 0);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x)
            p.bytes[size_t(y) * 8 + x] = uint8_t(10 * y + x);
    Plane expected = p;
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            expected.bytes[size_t(y + 2) * 8 + x + 1] = uint8_t(10 * y + x);
    CopyAlphaRect(p.view, PixelRect{1, 2, 5, 6}, p.view, PixelRect{0, 0, 4, 4});
    EXPECT_EQ(expected.bytes, p.bytes) << "down and right";

    Plane q(6, 6, 8, 0);
    for (int i = 0; i < 48; ++i)
        q.bytes[size_t(i)] = uint8_t(i);
    expected = q;
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 5; ++x)
            expected.bytes[size_t(y) * 8 + x] = uint8_t((y + 1) * 8 + x + 1);
    CopyAlphaRect(q.view, PixelRect{0, 0, 5, 5}, q.view, PixelRect{1, 1, 6, 6});
    EXPECT_EQ(expected.bytes, q.bytes) << "up and left";
}

// A bottom-up picture: row r of the file is row (height - 1 - r) of the surface.
TEST(PixelOps, BottomUpRowsInEveryFormat)
{
    const int w = 5, h = 3, stride = 16;
    Bytes rows(size_t(stride) * h, 0xEE);
    for (int r = 0; r < h; ++r)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = &rows[size_t(r) * stride + 3 * x];
            p[0] = uint8_t(0x10 * r + x);  // blue
            p[1] = uint8_t(0x80 + x);      // green
            p[2] = uint8_t(0xF0 - r);      // red
        }
    for (int format : {15, 16, 24, 32}) {
        Pixels p(w, h, format);
        ASSERT_TRUE(ConvertBottomUpRows(p.view, rows.data(), stride, 24));
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const int r = h - 1 - y;
                const uint32_t rgb = uint32_t(0xF0 - r) << 16 | uint32_t(0x80 + x) << 8 | uint32_t(0x10 * r + x);
                const uint32_t mask = format == 15 ? 0xF8F8F8 : format == 16 ? 0xF8FCF8 : 0xFFFFFFFF;
                EXPECT_EQ(rgb & mask, ReadPixel(p.view, x, y)) << "format " << format << " at " << x << "," << y;
            }
        for (int y = 0; y < h; ++y)
            for (int i = w * BytesPerPixel(format); i < p.view.pitch; ++i)
                EXPECT_EQ(0xCD, p.Row(y)[i]) << "padding of format " << format;
    }

    // 32-bit rows keep B, G, R and get a fourth byte of 0 in a format-32 surface.
    Bytes rows32 = {1, 2, 3, 0x99, 4, 5, 6, 0x88};
    Pixels q(1, 2, 32);
    ASSERT_TRUE(ConvertBottomUpRows(q.view, rows32.data(), 4, 32));
    EXPECT_EQ(0x99030201u, Le32(q.Row(1))) << "equal formats copy the stored word";
    Pixels r(1, 2, 24);
    ASSERT_TRUE(ConvertBottomUpRows(r.view, rows32.data(), 4, 32));
    EXPECT_EQ(0x060504u, ReadPixel(r.view, 0, 0));
    Pixels s(2, 1, 32);
    const uint8_t two24[] = {1, 2, 3, 4, 5, 6, 0, 0};
    ASSERT_TRUE(ConvertBottomUpRows(s.view, two24, 8, 24));
    EXPECT_EQ(0x00030201u, Le32(s.Row(0)));
    EXPECT_EQ(0x00060504u, Le32(s.Row(0) + 4));

    EXPECT_FALSE(ConvertBottomUpRows(s.view, nullptr, 8, 24));
    EXPECT_FALSE(ConvertBottomUpRows(s.view, two24, 8, 12)) << "no such source format";
    EXPECT_FALSE(ConvertBottomUpRows(s.view, two24, 8, 8)) << "palette source without a palette";
}

TEST(PixelOps, FifteenAndSixteenBitConversions)
{
    // 16 -> 15 drops the low green bit; 15 -> 16 makes it 0.
    const uint8_t p16[] = {0xFF, 0xFF, 0x20, 0x00, 0x00, 0x00, 0x00, 0x00};
    Pixels a(2, 1, 15);
    ASSERT_TRUE(ConvertBottomUpRows(a.view, p16, 8, 16));
    EXPECT_EQ(0x7F, a.Row(0)[1]);
    EXPECT_EQ(0xFF, a.Row(0)[0]);
    EXPECT_EQ(0x00, a.Row(0)[2]) << "the lowest green bit of 16 is gone";
    const uint8_t p15[] = {0xFF, 0xFF, 0x20, 0x00, 0, 0, 0, 0};
    Pixels b(2, 1, 16);
    ASSERT_TRUE(ConvertBottomUpRows(b.view, p15, 8, 15));
    EXPECT_EQ(0xFF, b.Row(0)[1]);
    EXPECT_EQ(0xDF, b.Row(0)[0]) << "green bit 0 is 0";
    EXPECT_EQ(0x40, b.Row(0)[2]);
    Pixels c(2, 1, 15);
    ASSERT_TRUE(ConvertBottomUpRows(c.view, p15, 8, 15));
    EXPECT_EQ(0xFF, c.Row(0)[1]) << "equal formats keep bit 15";
    Pixels d(1, 1, 24);
    const uint8_t one16[] = {0xFF, 0xFF, 0, 0};
    ASSERT_TRUE(ConvertBottomUpRows(d.view, one16, 4, 16));
    EXPECT_EQ(0xF8FCF8u, ReadPixel(d.view, 0, 0));
}

TEST(PixelOps, PaletteRows)
{
    uint32_t palette[256];
    for (int i = 0; i < 256; ++i)
        palette[i] = 0xAA000000u | uint32_t(i) << 16 | uint32_t(255 - i) << 8 | uint32_t(i / 2);
    const uint8_t rows[] = {0, 1, 255, 0, 7, 8, 9, 0};
    Pixels p(3, 2, 32);
    ASSERT_TRUE(ConvertBottomUpRows(p.view, rows, 4, 8, palette));
    EXPECT_EQ(palette[7] & 0xFFFFFF, Le32(p.Row(0)));
    EXPECT_EQ(palette[255] & 0xFFFFFF, Le32(p.Row(1) + 8)) << "the fourth byte is 0";

    // Rows of nine: two blocks of four and one pixel, in every format; the
    // padding after a 24-bit row is left alone.
    const uint8_t nine[] = {3, 200, 0, 255, 17, 128, 64, 9, 250, 0, 0, 0};
    for (int format : {15, 16, 24, 32}) {
        Pixels q(9, 1, format);
        ASSERT_TRUE(ConvertBottomUpRows(q.view, nine, 12, 8, palette));
        for (int x = 0; x < 9; ++x) {
            const uint32_t rgb = palette[nine[x]] & 0xFFFFFF;
            const uint32_t want = format == 15 ? WidenFrom15(NarrowTo15(rgb))
                                  : format == 16 ? WidenFrom16(NarrowTo16(rgb))
                                                 : rgb;
            EXPECT_EQ(want, ReadPixel(q.view, x, 0)) << "format " << format << ", pixel " << x;
        }
        if (format == 24) {
            EXPECT_EQ(0xCD, q.Row(0)[27]) << "padding";
        }
    }
}

TEST(PixelOps, Bitmap24File)
{
    Pixels p(5, 2, 16);
    FillPixels(p.view, 0xFFFFFF, PixelRect{0, 0, 5, 2});
    WritePixel(p.view, 0, 1, 0x0000F8);
    uint32_t size = 0;
    auto file = EncodeBitmap24(p.view, size);
    ASSERT_TRUE(file);
    ASSERT_EQ(54u + 16 * 2, size) << "rows of 15 + 1 bytes";
    const uint8_t* f = file.get();
    EXPECT_EQ('B', f[0]);
    EXPECT_EQ('M', f[1]);
    EXPECT_EQ(size, Le32(f + 2));
    EXPECT_EQ(54u, Le32(f + 10));
    EXPECT_EQ(40u, Le32(f + 14));
    EXPECT_EQ(5u, Le32(f + 18));
    EXPECT_EQ(2u, Le32(f + 22)) << "positive height: bottom-up";
    EXPECT_EQ(1, f[26]);
    EXPECT_EQ(24, f[28]);
    EXPECT_EQ(0u, Le32(f + 30));
    EXPECT_EQ(32u, Le32(f + 34));
    // The bottom surface row comes first; padding bytes are 0.
    EXPECT_EQ(0xF8, f[54]);
    EXPECT_EQ(0x00, f[55]);
    EXPECT_EQ(0x00, f[56]);
    EXPECT_EQ(0xF8, f[57]);
    EXPECT_EQ(0xFC, f[58]);
    EXPECT_EQ(0x00, f[54 + 15]);
    EXPECT_EQ(0xF8, f[54 + 16]);
    EXPECT_EQ(0xFC, f[54 + 17]);
    EXPECT_EQ(0x00, f[54 + 31]);
    EXPECT_FALSE(EncodeBitmap24(PixelView(), size));
    EXPECT_EQ(0u, size);
}

}  // namespace
