// Bitmap headers, palette expansion, row strides and alpha planes.
#include "filesystem/FileInterface.h"
#include "filesystem/ImageFile.h"

#include <gtest/gtest.h>

#include <algorithm>
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

namespace {

// A bitmap as other tools lay it out: info header size, bit fields, palette
// length and a gap before the rows chosen freely. Palette entry i is
// (i, 2i, 3i); rows are the given bytes.
struct Layout {
    int32_t width = 2, height = 2;
    uint16_t bits = 8;
    uint32_t infoSize = 40;
    uint32_t compression = 0;
    uint32_t clrUsed = 0;       // as written in the header
    uint32_t paletteCount = 0;  // entries actually written
    std::vector<uint32_t> masks;  // written right after the header
    size_t gap = 0;             // bytes between palette and rows
    int64_t offset = -1;        // file header offset; -1: where the rows are
    std::vector<uint8_t> rows;
};

std::vector<uint8_t> Build(const Layout& l)
{
    std::vector<uint8_t> f(14 + std::max<uint32_t>(l.infoSize, 40));
    f[0] = 'B';
    f[1] = 'M';
    Put32(f, 14, l.infoSize);
    Put32(f, 18, uint32_t(l.width));
    Put32(f, 22, uint32_t(l.height));
    f[26] = 1;
    f[28] = uint8_t(l.bits);
    Put32(f, 30, l.compression);
    Put32(f, 46, l.clrUsed);
    f.resize(14 + l.infoSize);  // a short header is cut off after its fields
    if (f.size() < 54 + 4 * l.masks.size())
        f.resize(54 + 4 * l.masks.size());
    for (size_t i = 0; i < l.masks.size(); ++i)
        Put32(f, 54 + 4 * i, l.masks[i]);
    for (uint32_t i = 0; i < l.paletteCount; ++i) {
        const uint8_t e[4] = {uint8_t(i), uint8_t(2 * i), uint8_t(3 * i), 0};
        f.insert(f.end(), e, e + 4);
    }
    f.resize(f.size() + l.gap, 0xEE);
    Put32(f, 10, uint32_t(l.offset < 0 ? f.size() : size_t(l.offset)));
    f.insert(f.end(), l.rows.begin(), l.rows.end());
    return f;
}

// Pixel bytes of the first row (bottom row of the picture), padding left out.
std::vector<uint8_t> FirstRow(CImageFile& image)
{
    const int bytes = image.GetSize().first * image.GetBitCount() / 8;
    return std::vector<uint8_t>(image.GetPixels(), image.GetPixels() + bytes);
}

using Bytes = std::vector<uint8_t>;

}  // namespace

TEST(ImageFileLayouts, ShortPalettesAndLongHeaders)
{
    CImageFile image;
    Layout l;
    l.rows = {1, 15, 0, 0, 2, 3, 0, 0};
    // 16 entries, rows right after them (what a tool writes for 16 colours).
    l.clrUsed = l.paletteCount = 16;
    ASSERT_TRUE(Load(image, Build(l)));
    EXPECT_EQ(Bytes({1, 2, 3, 15, 30, 45}), FirstRow(image));
    EXPECT_EQ(24, image.GetBitCount());
    EXPECT_EQ(40u, uint32_t(image.GetInfoHeader().size));
    EXPECT_EQ(0u, uint32_t(image.GetInfoHeader().clrUsed)) << "no colour table is held";

    // Index 16 has no colour in a palette of 16.
    l.rows[1] = 16;
    EXPECT_FALSE(Load(image, Build(l))) << "index past the palette";
    EXPECT_FALSE(image.IsLoaded());
    l.rows[1] = 15;

    // A 124-byte header: the palette starts at 138, not at 54.
    l.infoSize = 124;
    l.clrUsed = 0;
    l.paletteCount = 256;
    l.rows = {200, 7, 0, 0, 0, 0, 0, 0};
    ASSERT_TRUE(Load(image, Build(l)));
    EXPECT_EQ(Bytes({200, 144, 88, 7, 14, 21}), FirstRow(image)) << "(200, 400, 600) modulo 256";
    EXPECT_EQ(40u, uint32_t(image.GetInfoHeader().size)) << "the header held is the 40 bytes GDI is given";

    l.clrUsed = 257;
    EXPECT_FALSE(Load(image, Build(l))) << "more than 256 entries";
    l.infoSize = 12;
    l.clrUsed = 0;
    EXPECT_FALSE(Load(image, Build(l))) << "an OS/2 core header (12 bytes, 3-byte entries)";
    l.infoSize = 39;
    EXPECT_FALSE(Load(image, Build(l)));
}

TEST(ImageFileLayouts, RowsAtThePlausibleOffset)
{
    CImageFile image;
    Layout l;
    l.bits = 24;
    l.rows = {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0};
    // A gap before the rows (tools that align them): the offset says where.
    l.gap = 10;
    ASSERT_TRUE(Load(image, Build(l)));
    EXPECT_EQ(Bytes({1, 2, 3, 4, 5, 6}), FirstRow(image));

    // An offset inside the headers, past the end, or so late that the rows
    // would not fit, is not plausible: the rows follow the headers, as in a
    // file that carries no offset at all.
    l.gap = 0;
    for (int64_t offset : {int64_t(0), int64_t(20), int64_t(53), int64_t(55), int64_t(1) << 31}) {
        l.offset = offset;
        ASSERT_TRUE(Load(image, Build(l))) << "offset " << offset;
        EXPECT_EQ(Bytes({1, 2, 3, 4, 5, 6}), FirstRow(image)) << "offset " << offset;
    }
    // And when even there they do not fit, the picture fails.
    l.offset = 0;
    l.rows.pop_back();
    EXPECT_FALSE(Load(image, Build(l))) << "rows past the end of the file";

    // 8 bits: an offset inside the palette is not plausible either.
    Layout p;
    p.clrUsed = p.paletteCount = 4;
    p.rows = {3, 2, 0, 0, 1, 0, 0, 0};
    p.offset = 54 + 8;
    ASSERT_TRUE(Load(image, Build(p)));
    EXPECT_EQ(Bytes({3, 6, 9, 2, 4, 6}), FirstRow(image));
}

TEST(ImageFileLayouts, CompressionAndBitFields)
{
    CImageFile image;
    Layout l;
    l.bits = 32;
    l.width = 1;
    l.height = 1;
    l.rows = {10, 20, 30, 40};
    // Standard masks after a 40-byte header: the rows follow the masks.
    l.compression = 3;
    l.masks = {0x00FF0000, 0x0000FF00, 0x000000FF};
    ASSERT_TRUE(Load(image, Build(l)));
    EXPECT_EQ(Bytes({10, 20, 30, 40}), FirstRow(image)) << "the fourth byte as stored";
    EXPECT_EQ(0u, uint32_t(image.GetInfoHeader().compression)) << "held as plain rows";
    l.offset = 0;
    ASSERT_TRUE(Load(image, Build(l)));
    EXPECT_EQ(Bytes({10, 20, 30, 40}), FirstRow(image)) << "without an offset, after the masks";
    l.offset = -1;

    // Masks inside a V4 / V5 header (an alpha mask there is fine).
    for (uint32_t size : {108u, 124u, 56u, 52u}) {
        l.infoSize = size;
        l.masks = {0x00FF0000, 0x0000FF00, 0x000000FF};
        if (size >= 56)
            l.masks.push_back(0xFF000000);
        ASSERT_TRUE(Load(image, Build(l))) << "header of " << size;
        EXPECT_EQ(Bytes({10, 20, 30, 40}), FirstRow(image)) << "header of " << size;
    }

    // Any other masks would need the pixels reordered: refused.
    l.infoSize = 40;
    for (auto masks : {std::vector<uint32_t>{0x000000FF, 0x0000FF00, 0x00FF0000},
                       std::vector<uint32_t>{0xFF000000, 0x00FF0000, 0x0000FF00},
                       std::vector<uint32_t>{0x00FF0000, 0x0000FF00, 0x00000000}}) {
        l.masks = masks;
        EXPECT_FALSE(Load(image, Build(l))) << std::hex << masks[0] << " " << masks[1] << " " << masks[2];
    }
    l.masks = {0x00FF0000, 0x0000FF00, 0x000000FF};
    l.infoSize = 44;
    EXPECT_FALSE(Load(image, Build(l))) << "a header too short for masks, too long for masks after it";

    // Bit fields are for 16 and 32 bits only; compression never loads.
    Layout t;
    t.bits = 24;
    t.rows = Bytes(16, 1);
    t.compression = 3;
    t.masks = {0x00FF0000, 0x0000FF00, 0x000000FF};
    EXPECT_FALSE(Load(image, Build(t))) << "24 bits with bit fields";
    t.masks.clear();
    for (uint32_t c : {1u, 2u, 4u, 5u, 6u, 0x7FFFFFFFu}) {
        t.compression = c;
        EXPECT_FALSE(Load(image, Build(t))) << "compression " << c;
    }
    Layout rle;
    rle.compression = 1;  // RLE8: 2 pixels of index 3, end of line, end of picture
    rle.paletteCount = 256;
    rle.rows = {2, 3, 0, 0, 2, 3, 0, 1};
    EXPECT_FALSE(Load(image, Build(rle))) << "RLE8";
    EXPECT_FALSE(image.IsLoaded());
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
