// The blend and stretch kernels: every entry of every level against the
// portable kernel of its key, byte for byte, over random pixels, every
// opacity, widths 1 to 67, odd pitches, unaligned starts and bottom-up rows;
// and the portable kernels against the per-pixel rules written out here.
#include "surface/BlendTables.h"
#include "surface/kernels/KernelTable.h"
#include "surface/PixelFormat.h"
#include "common/KernelVariantTest.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

void PrintTo(const KernelEntry& e, std::ostream* os);

namespace {

typedef std::vector<uint8_t> Bytes;

int OpOf(uint32_t key) { return int(key >> 24); }
int DstOf(uint32_t key) { return int(key >> 16 & 0xFF); }
int SrcOf(uint32_t key) { return int(key >> 8 & 0xFF); }

bool IsBlend(int op) { return op >= kOpBlend && op <= kOpBlendDstAlpha; }
bool IsMix(int op) { return op == kOpCrossfade || op == kOpMix; }

std::string Describe(const KernelEntry& e) { return std::string(e.name) + " at level " + CpuLevelName(e.level); }

// Rows of bytes with an odd pitch, a start that is not aligned and guard
// bytes around them that no kernel may change.
struct Plane {
    Bytes bytes;
    size_t start = 0;
    ptrdiff_t pitch = 0;
    int rows = 0;
    uint8_t* Row(int y) { return bytes.data() + start + ptrdiff_t(y) * pitch; }
};

Plane MakePlane(int rowBytes, int rows, int slack, int offset, std::mt19937& rng)
{
    Plane p;
    p.pitch = rowBytes + slack;
    p.start = size_t(16 + offset);
    p.rows = rows;
    p.bytes.resize(p.start + size_t(p.pitch) * rows + 16);
    for (uint8_t& b : p.bytes)
        b = uint8_t(rng());
    return p;
}

// Alpha bytes in runs of 0, of 255, of values near both ends and of noise, so
// that the vector kernels' whole-block shortcuts and mixed blocks all run.
void FillAlpha(Plane& p, int width, std::mt19937& rng)
{
    for (int y = 0; y < p.rows; ++y) {
        uint8_t* row = p.Row(y);
        for (int x = 0; x < width;) {
            const int run = 1 + int(rng() % 24), kind = int(rng() % 5);
            for (int k = 0; k < run && x < width; ++k, ++x)
                row[x] = kind == 0 ? 0 : kind == 1 ? 255 : kind == 2 ? uint8_t(rng() % 8) : kind == 3 ? uint8_t(248 + rng() % 8) : uint8_t(rng());
        }
    }
}

uint32_t Mask(int format) { return format == 15 || format == 16 ? 0xFFFF : format == 24 ? 0xFFFFFF : 0xFFFFFFFF; }

uint32_t KeyBits(int format) { return format == 15 ? 0x7FFF : format == 16 ? 0xFFFF : 0xFFFFFF; }

uint32_t Load(const uint8_t* p, int bpp)
{
    uint32_t v = 0;
    for (int i = 0; i < bpp; ++i)
        v |= uint32_t(p[i]) << (8 * i);
    return v;
}

void Store(uint8_t* p, int bpp, uint32_t v)
{
    for (int i = 0; i < bpp; ++i)
        p[i] = uint8_t(v >> (8 * i));
}

// Makes some source pixels equal to their destination pixel (and, for 32,
// equal but for the fourth byte; for 15, but for bit 15) and some equal to the
// key, so that every branch of the pixel rule is taken.
void Plant(Plane& dst, Plane& src, int dstFormat, int srcFormat, int width, uint32_t key, std::mt19937& rng)
{
    const int db = BytesPerPixel(dstFormat), sb = BytesPerPixel(srcFormat);
    for (int y = 0; y < dst.rows; ++y)
        for (int x = 0; x < width; ++x) {
            const int what = int(rng() % 8);
            uint8_t* d = dst.Row(y) + x * db;
            uint8_t* s = src.Row(y) + x * sb;
            if (what == 0 && db == sb)
                std::memcpy(s, d, size_t(db));
            if (what == 1 && db == sb) {
                std::memcpy(s, d, size_t(db));
                s[db - 1] ^= dstFormat == 32 ? 0x5A : dstFormat == 15 ? 0x80 : 0;
            }
            if (what == 2)  // the bits the key is not compared with stay random
                Store(s, sb, key | (Load(s, sb) & ~KeyBits(srcFormat)));
        }
}

const int kSpecialOpacities[] = {0, 1, 7, 8, 127, 128, 247, 248, 254, 255, 256, 300, -1};

class BlitKernelVariant : public KernelVariantTest {
protected:
    static void SetUpTestSuite() { BuildBlendTables(); }
};

// Blends: destination, source, alpha planes, key and opacity; the whole
// destination buffers (guards included) must come out the same.
void CheckBlend(const KernelEntry& e, KernelFn portable)
{
    const int op = OpOf(e.key), df = DstOf(e.key), sf = SrcOf(e.key);
    const int db = BytesPerPixel(df), sb = BytesPerPixel(sf);
    std::mt19937 rng(e.key ^ uint32_t(e.level) << 4);
    int sweep = 0;
    for (int width = 1; width <= 67; ++width) {
        for (int variant = 0; variant < 4; ++variant) {
            const int rows = 3, slack = 1 + 2 * variant;
            const bool bottomUp = variant == 2;
            Plane dst = MakePlane(width * db, rows, slack, variant, rng);
            Plane src = MakePlane(width * sb, rows, slack + 2, 3 - variant, rng);
            Plane srcAlpha = MakePlane(width, rows, slack + 1, variant + 1, rng);
            Plane dstAlpha = MakePlane(width, rows, slack + 3, 2 - variant % 3, rng);
            FillAlpha(srcAlpha, width, rng);
            FillAlpha(dstAlpha, width, rng);
            const uint32_t key = ColorToPixel(sf, rng() & 0xFFFFFF) & KeyBits(sf);
            Plant(dst, src, df, sf, width, key, rng);

            std::vector<int> opacities(std::begin(kSpecialOpacities), std::end(kSpecialOpacities));
            for (int k = 0; k < 4; ++k)
                opacities.push_back(sweep++ % 256);
            for (int opacity : opacities) {
                Plane expected = dst, got = dst, expectedAlpha = dstAlpha, gotAlpha = dstAlpha;
                KernelArgs a;
                a.width = width;
                a.height = rows;
                a.opacity = opacity;
                a.value = key;
                a.src = bottomUp ? src.Row(rows - 1) : src.Row(0);
                a.srcPitch = bottomUp ? -src.pitch : src.pitch;
                a.srcAlpha = bottomUp ? srcAlpha.Row(rows - 1) : srcAlpha.Row(0);
                a.srcAlphaPitch = bottomUp ? -srcAlpha.pitch : srcAlpha.pitch;
                a.dstPitch = dst.pitch;
                a.dstAlphaPitch = dstAlpha.pitch;
                a.dst = expected.Row(0);
                a.dstAlpha = expectedAlpha.Row(0);
                portable(a);
                a.dst = got.Row(0);
                a.dstAlpha = gotAlpha.Row(0);
                e.fn(a);
                ASSERT_EQ(expected.bytes, got.bytes)
                    << Describe(e) << ": width " << width << ", opacity " << opacity << ", pitch " << dst.pitch
                    << ", start +" << dst.start << (bottomUp ? ", source bottom-up" : "");
                if (op == kOpBlendDstAlpha) {
                    ASSERT_EQ(expectedAlpha.bytes, gotAlpha.bytes)
                        << Describe(e) << ": destination alpha, width " << width << ", opacity " << opacity;
                }
            }
        }
    }
}

// Two-picture mixes: A, B and the mask with pitches of their own; every
// opacity (crossfade) or a mask of runs through a table or as it is (mix);
// into a separate destination and in place over A.
void CheckMix(const KernelEntry& e, KernelFn portable)
{
    const int op = OpOf(e.key), f = DstOf(e.key), bpp = BytesPerPixel(f);
    std::mt19937 rng(e.key ^ uint32_t(e.level) << 4);
    int sweep = 0;
    for (int width = 1; width <= 67; ++width) {
        for (int variant = 0; variant < 4; ++variant) {
            const int rows = 3, slack = 1 + 2 * variant;
            const bool bottomUp = variant == 2, inPlace = variant == 3;
            Plane dst = MakePlane(width * bpp, rows, slack, variant, rng);
            Plane first = MakePlane(width * bpp, rows, slack + 2, 3 - variant, rng);
            Plane second = MakePlane(width * bpp, rows, slack + 4, variant + 2, rng);
            Plane mask = MakePlane(width, rows, slack + 1, variant + 1, rng);
            FillAlpha(mask, width, rng);
            Plant(first, second, f, f, width, 0, rng);
            if (inPlace)
                dst = first;
            uint8_t table[256];
            for (int i = 0; i < 256; ++i)
                table[i] = uint8_t(i < 64 ? 0 : i > 192 ? 255 : rng());
            std::vector<int> settings;
            if (op == kOpCrossfade) {
                settings.assign(std::begin(kSpecialOpacities), std::end(kSpecialOpacities));
                for (int k = 0; k < 4; ++k)
                    settings.push_back(sweep++ % 256);
            } else {
                settings = {0, 1};  // without and with the table
            }
            for (int setting : settings) {
                Plane expected = dst, got = dst;
                KernelArgs a;
                a.width = width;
                a.height = rows;
                a.opacity = setting;
                a.table = op == kOpMix && setting == 1 ? table : nullptr;
                a.src2 = bottomUp ? second.Row(rows - 1) : second.Row(0);
                a.src2Pitch = bottomUp ? -second.pitch : second.pitch;
                a.srcAlpha = mask.Row(0);
                a.srcAlphaPitch = mask.pitch;
                a.dstPitch = dst.pitch;
                a.srcPitch = inPlace ? dst.pitch : first.pitch;
                a.dst = expected.Row(0);
                a.src = inPlace ? expected.Row(0) : first.Row(0);
                portable(a);
                a.dst = got.Row(0);
                a.src = inPlace ? got.Row(0) : first.Row(0);
                e.fn(a);
                ASSERT_EQ(expected.bytes, got.bytes)
                    << Describe(e) << ": width " << width << (op == kOpCrossfade ? ", opacity " : ", table ")
                    << setting << ", pitch " << dst.pitch << ", start +" << dst.start
                    << (bottomUp ? ", B bottom-up" : "") << (inPlace ? ", in place over A" : "");
            }
        }
    }
}

// Stretch rows: positions and steps that keep every read inside the source
// row, which ends at the last byte of its buffer.
void CheckStretchRow(const KernelEntry& e, KernelFn portable)
{
    const int op = OpOf(e.key), f = DstOf(e.key), bpp = BytesPerPixel(f);
    std::mt19937 rng(e.key ^ uint32_t(e.level) << 4);
    const uint32_t fractions[] = {0, 1, 0x7FFF, 0x8000, 0x8001, 0xFFFF};
    for (int width = 1; width <= 67; ++width) {
        for (int variant = 0; variant < 6; ++variant) {
            // Upscaling, downscaling and a step of 0.
            const int32_t step = variant == 0 ? 0 : variant == 1 ? 0x10000 : variant % 2 ? int32_t(rng() % 0x10000) + 1
                                                                                          : int32_t(rng() % 0x30000) + 1;
            const int32_t position = int32_t(rng() % 0x10000);
            const int64_t lastPos = position + int64_t(width - 1) * step;
            // A vertical interpolation reads width pixels of both rows.
            const int columns = op == kOpLerpRows ? width : int(lastPos >> 16) + 1 + int(rng() % 3);
            Bytes src(size_t(columns) * bpp + variant), src2(src.size());
            for (uint8_t& b : src)
                b = uint8_t(rng());
            for (uint8_t& b : src2)
                b = uint8_t(rng());
            Bytes expected(size_t(width) * bpp + 7), got;
            for (uint8_t& b : expected)
                b = uint8_t(rng());
            got = expected;
            KernelArgs a;
            a.width = width;
            a.height = 1;
            a.src = src.data() + variant;
            a.src2 = src2.data() + variant;
            a.position = position;
            a.step = step;
            a.last = columns - 1;
            a.value = op == kOpLerpRows ? fractions[variant] : 0;
            if (op == kOpLerpRows && variant == 5)
                a.value = rng() & 0xFFFF;
            a.dst = expected.data() + 3;
            portable(a);
            a.dst = got.data() + 3;
            e.fn(a);
            ASSERT_EQ(expected, got) << Describe(e) << ": width " << width << ", position " << position << ", step "
                                     << step << ", fraction " << a.value;
        }
    }
}

TEST_P(BlitKernelVariant, MatchesPortable)
{
    const KernelEntry& e = GetParam();
    if (IsBlend(OpOf(e.key)))
        CheckBlend(e, portable);
    else if (IsMix(OpOf(e.key)))
        CheckMix(e, portable);
    else
        CheckStretchRow(e, portable);
}

std::vector<KernelEntry> Variants()
{
    std::vector<KernelEntry> v;
    for (const KernelEntry& e : CKernelTable::GetInstance().GetEntries())
        if (e.level != kCpuPortable && OpOf(e.key) >= kOpBlend)
            v.push_back(e);
    return v;
}

INSTANTIATE_TEST_SUITE_P(Table, BlitKernelVariant, ::testing::ValuesIn(Variants()), KernelEntryTestName);

// Every pair of channel values at every opacity, through the blend of each
// level: one row of 65536 pixels whose blue and green channels run through
// all pairs (swapped), with red different so that no pixel is left alone.
TEST(BlitKernels, EveryChannelPairAtEveryOpacity)
{
    BuildBlendTables();
    CKernelTable& table = CKernelTable::GetInstance();
    for (int format : {24, 32}) {
        const int bpp = format / 8, n = 65536;
        Bytes src(size_t(n) * bpp), dst(size_t(n) * bpp);
        for (int k = 0; k < n; ++k) {
            uint8_t* s = &src[size_t(k) * bpp];
            uint8_t* d = &dst[size_t(k) * bpp];
            s[0] = uint8_t(k), d[0] = uint8_t(k >> 8);
            s[1] = uint8_t(k >> 8), d[1] = uint8_t(k);
            s[2] = 0x55, d[2] = 0xAA;
            if (bpp == 4)
                s[3] = uint8_t(k * 7), d[3] = uint8_t(k * 13);
        }
        for (int level = kCpuMMX; level <= table.GetMaxLevel(); ++level) {
            const KernelFn fn = table.GetAt(KernelKey(kOpBlend, format, format), level);
            for (int opacity = 0; opacity < 256; ++opacity) {
                Bytes got = dst;
                KernelArgs a;
                a.dst = got.data();
                a.src = src.data();
                a.width = n;
                a.height = 1;
                a.opacity = opacity;
                fn(a);
                for (int k = 0; k < n; ++k) {
                    const uint8_t* g = &got[size_t(k) * bpp];
                    const int o = opacity;
                    const int b = o == 255 ? uint8_t(k) : o == 0 ? uint8_t(k >> 8) : uint8_t(k) * o / 255 + (k >> 8) * (255 - o) / 255;
                    const int gr = o == 255 ? (k >> 8) : o == 0 ? uint8_t(k) : (k >> 8) * o / 255 + uint8_t(k) * (255 - o) / 255;
                    ASSERT_TRUE(g[0] == b && g[1] == gr)
                        << "format " << format << " at " << CpuLevelName(level) << ", opacity " << o << ": source "
                        << (k & 255) << " onto " << (k >> 8) << " gave " << int(g[0]) << ", expected " << b;
                }
            }
        }
    }
}

// The same for the 16-bit formats: every pair of 6-bit greens and of 5-bit
// reds and blues at every level L of the table.
TEST(BlitKernels, EveryPackedChannelPairAtEveryLevel)
{
    BuildBlendTables();
    CKernelTable& table = CKernelTable::GetInstance();
    for (int format : {15, 16}) {
        const int n = 4096;
        Bytes src(size_t(n) * 2), dst(size_t(n) * 2);
        const int gm = format == 16 ? 63 : 31, rs = format == 16 ? 11 : 10;
        for (int k = 0; k < n; ++k) {
            const int a = k & 63, b = k >> 6;
            const uint32_t s = uint32_t((a & 31) << rs | (a & gm) << 5 | (b & 31)) | (format == 15 ? (k & 1) << 15 : 0);
            const uint32_t d = uint32_t((b & 31) << rs | (b & gm) << 5 | (a & 31)) | (format == 15 ? (k & 2) << 14 : 0);
            src[size_t(k) * 2] = uint8_t(s), src[size_t(k) * 2 + 1] = uint8_t(s >> 8);
            dst[size_t(k) * 2] = uint8_t(d), dst[size_t(k) * 2 + 1] = uint8_t(d >> 8);
        }
        const KernelFn portable = table.GetAt(KernelKey(kOpBlend, format, format), kCpuPortable);
        for (int level = kCpuMMX; level <= table.GetMaxLevel(); ++level) {
            const KernelFn fn = table.GetAt(KernelKey(kOpBlend, format, format), level);
            for (int opacity = 0; opacity < 256; opacity += 1) {
                Bytes expected = dst, got = dst;
                KernelArgs a;
                a.src = src.data();
                a.width = n;
                a.height = 1;
                a.opacity = opacity;
                a.dst = expected.data();
                portable(a);
                a.dst = got.data();
                fn(a);
                ASSERT_EQ(expected, got) << "format " << format << " at " << CpuLevelName(level) << ", opacity " << opacity;
            }
        }
    }
}

// The portable blend against the rule written out per pixel.
TEST(BlitKernels, PortableBlendFollowsThePixelRule)
{
    BuildBlendTables();
    struct Case {
        int format;
        uint32_t src, dst;
        int opacity;
        uint32_t expected;
        const char* why;
    } cases[] = {
        {32, 0x11223344, 0x55667788, 0, 0x55667788, "opacity 0 leaves the destination"},
        {32, 0x11223344, 0x55667788, 255, 0x11223344, "255 stores the whole word"},
        {32, 0x11223344, 0x55667788, 300, 0x11223344, "300 acts as 255"},
        {32, 0x11223344, 0x55667788, -1, 0x55667788, "a negative opacity acts as 0"},
        {32, 0x00FFFFFF, 0x55000000, 128, 0x55808080, "128 x 255 / 255 + 127 x 0 / 255; fourth byte kept"},
        {32, 0x12345678, 0x12345678, 100, 0x12345678, "equal pixels are left alone"},
        {32, 0x00C8C8C8, 0x01C8C8C8, 100, 0x01C7C7C7, "differing in the fourth byte only: 78 + 121, fourth kept"},
        {24, 0x00FF00, 0x0000FF, 51, 0x0033CC, "each channel: 51 x v / 255 + 204 x w / 255"},
        {16, 0xFFFF, 0x0000, 128, 0x8410, "level 16: 31 x 16 / 31, 63 x 16 / 31"},
        {15, 0x7FFF, 0x8000, 255, 0x7FFF, "15 at 255 copies the word"},
        {15, 0x7FFF, 0x8000, 254, 0x7FFF, "level 31: bit 15 of the destination dropped"},
        {15, 0x1234, 0x1234, 128, 0x1234, "equal"},
    };
    for (const Case& c : cases) {
        const int bpp = BytesPerPixel(c.format);
        uint8_t s[4], d[4];
        Store(s, bpp, c.src);
        Store(d, bpp, c.dst);
        KernelArgs a;
        a.dst = d;
        a.src = s;
        a.width = a.height = 1;
        a.opacity = c.opacity;
        RunKernel(KernelKey(kOpBlend, c.format, c.format), a);
        EXPECT_EQ(c.expected, Load(d, bpp) & Mask(c.format))
            << "format " << c.format << ", " << std::hex << c.src << " onto " << c.dst << " at " << std::dec
            << c.opacity << ": " << c.why;
    }
}

// Alpha-plane sources, keys and destinations with alpha, one pixel each.
TEST(BlitKernels, PortableSourceKindsAndDestinationAlpha)
{
    BuildBlendTables();
    auto run = [](uint32_t op, int kind, uint32_t src, uint8_t srcAlpha, uint32_t dst, uint8_t& dstAlpha, int opacity,
                  uint32_t key = 0) {
        uint8_t s[4], d[4], sa = srcAlpha;
        Store(s, 4, src);
        Store(d, 4, dst);
        KernelArgs a;
        a.dst = d;
        a.src = s;
        a.srcAlpha = &sa;
        a.dstAlpha = &dstAlpha;
        a.width = a.height = 1;
        a.opacity = opacity;
        a.value = key;
        RunKernel(KernelKey(op, 32, 32, kind), a);
        return Load(d, 4);
    };
    uint8_t unused = 0;
    // An alpha-plane source at opacity 128 leaves every pixel whose alpha
    // byte is 127 or less alone.
    EXPECT_EQ(0x00102030u, run(kOpAlphaBlend, 0, 0x00FFFFFF, 127, 0x00102030, unused, 128));
    EXPECT_EQ(0x00010101u, run(kOpAlphaBlend, 0, 0x00FFFFFF, 128, 0x00000000, unused, 128)) << "alpha 128 draws at 1";
    EXPECT_EQ(0x00FFFFFFu, run(kOpAlphaBlend, 0, 0x00FFFFFF, 255, 0x00102030, unused, 255));
    // A key pixel is skipped even at 255; the fourth byte is not compared.
    EXPECT_EQ(0x00102030u, run(kOpKeyBlend, 0, 0x7700FF00, 0, 0x00102030, unused, 255, 0x00FF00));
    EXPECT_EQ(0x7700FF01u, run(kOpKeyBlend, 0, 0x7700FF01, 0, 0x00102030, unused, 255, 0x00FF00));
    // Onto a destination whose alpha is 0: the source pixel, and its opacity
    // as alpha.
    uint8_t b = 0;
    EXPECT_EQ(0x00ABCDEFu, run(kOpBlendDstAlpha, kSourceOpaque, 0x00ABCDEF, 0, 0x00102030, b, 77));
    EXPECT_EQ(77, b);
    b = 0;
    EXPECT_EQ(0x00ABCDEFu, run(kOpBlendDstAlpha, kSourceAlpha, 0x00ABCDEF, 200, 0x00102030, b, 128));
    EXPECT_EQ(200 - 127, b) << "the effective opacity of the alpha-plane pixel";
    // Both partly covered: b' = b x (255 - a) / 255, alpha a + b', weights by
    // a and b'.
    b = 100;
    const uint32_t mixed = run(kOpBlendDstAlpha, kSourceOpaque, 0x00FF0000, 0, 0x000000FF, b, 100);
    const int under = 100 * 155 / 255, sum = 100 + under, ws = 100 * 255 / sum, wd = under * 255 / sum;
    EXPECT_EQ(sum, b);
    EXPECT_EQ(uint32_t(255 * ws / 255) << 16 | uint32_t(255 * wd / 255), mixed);
    b = 9;
    EXPECT_EQ(0x000000FFu, run(kOpBlendDstAlpha, kSourceKey, 0x0000FF00, 0, 0x000000FF, b, 255, 0x00FF00));
    EXPECT_EQ(9, b) << "a key pixel leaves the alpha too";
    b = 9;
    EXPECT_EQ(0x0000FF00u, run(kOpBlendDstAlpha, kSourceOpaque, 0x0000FF00, 0, 0x000000FF, b, 255));
    EXPECT_EQ(255, b) << "an opaque draw at 255 makes the pixel opaque";
}

}  // namespace
