// The blend tables and the sine table.
#include "surface/BlendTables.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace {

class BlendTables : public ::testing::Test {
protected:
    static void SetUpTestSuite() { BuildBlendTables(); }
};

TEST_F(BlendTables, BuiltOnceAndKept)
{
    EXPECT_TRUE(AreBlendTablesBuilt());
    const uint8_t before = BlendTable8[128][200];
    BuildBlendTables();
    EXPECT_EQ(before, BlendTable8[128][200]);
}

TEST_F(BlendTables, EightBitTable)
{
    for (int a = 0; a < 256; ++a)
        for (int v = 0; v < 256; ++v)
            ASSERT_EQ(a * v / 255, BlendTable8[a][v]) << a << " x " << v;
    EXPECT_EQ(0, BlendTable8[254][1]) << "integer division truncates";
    EXPECT_EQ(255, BlendTable8[255][255]);
    EXPECT_EQ(127, BlendTable8[128][254]);
}

// Channel by channel, computed here independently of the table's layout.
uint16_t Scale(uint32_t p, int level, bool sixBitGreen)
{
    const uint32_t b = p & 31, g = sixBitGreen ? p >> 5 & 63 : p >> 5 & 31, r = sixBitGreen ? p >> 11 : p >> 10 & 31;
    const uint32_t sb = b * level / 31, sg = g * level / 31, sr = r * level / 31;
    return uint16_t(sixBitGreen ? sr << 11 | sg << 5 | sb : sr << 10 | sg << 5 | sb);
}

TEST_F(BlendTables, PackedTables)
{
    for (uint32_t p = 0; p < 65536; ++p) {
        ASSERT_EQ(0, BlendTable555[0][p]);
        ASSERT_EQ(0, BlendTable565[0][p]);
        ASSERT_EQ(p, BlendTable565[31][p]) << "level 31 is the identity";
        ASSERT_EQ(p & 0x7FFF, BlendTable555[31][p]);
        if (p < 0x8000)
            ASSERT_EQ(p, BlendTable555[31][p]);
        else
            for (int level = 1; level < 31; ++level)
                ASSERT_EQ(BlendTable555[level][p & 0x7FFF], BlendTable555[level][p]) << "bit 15 ignored";
    }
    std::mt19937 rng(5);
    for (int i = 0; i < 20000; ++i) {
        const uint32_t p = rng() & 0xFFFF;
        const int level = int(rng() % 32);
        ASSERT_EQ(Scale(p, level, false), BlendTable555[level][p]) << p << " at " << level;
        ASSERT_EQ(Scale(p, level, true), BlendTable565[level][p]) << p << " at " << level;
    }
    EXPECT_EQ(0x4210, BlendTable555[16][0x7FFF]) << "31 x 16 / 31 = 16 per channel";
    EXPECT_EQ(0x8410, BlendTable565[16][0xFFFF]) << "green 63 x 16 / 31 = 32";
    EXPECT_EQ(0x0000, BlendTable555[1][0x7BDE]) << "30 x 1 / 31 = 0";
}

// The blend of two pixels adds two entries of complementary levels; no
// channel carries into the next.
TEST_F(BlendTables, ComplementaryLevelsNeverCarry)
{
    std::mt19937 rng(9);
    for (int i = 0; i < 200000; ++i) {
        const uint32_t s = rng() & 0xFFFF, d = rng() & 0xFFFF;
        const int level = int(rng() % 32);
        const uint32_t sum565 = uint32_t(BlendTable565[31 - level][d]) + BlendTable565[level][s];
        ASSERT_LT(sum565, 0x10000u);
        const uint32_t b = (d & 31) * (31 - level) / 31 + (s & 31) * level / 31;
        const uint32_t g = (d >> 5 & 63) * (31 - level) / 31 + (s >> 5 & 63) * level / 31;
        const uint32_t r = (d >> 11) * (31 - level) / 31 + (s >> 11) * level / 31;
        ASSERT_EQ(r << 11 | g << 5 | b, sum565) << s << " over " << d << " at " << level;
        const uint32_t sum555 = uint32_t(BlendTable555[31 - level][d]) + BlendTable555[level][s];
        ASSERT_LT(sum555, 0x8000u);
    }
}

TEST(SineTable, QuarterPoints)
{
    BuildBlendTables();
    EXPECT_EQ(0, SineTable[0]);
    EXPECT_EQ(65536, SineTable[128]);
    EXPECT_EQ(0, SineTable[256]);
    EXPECT_EQ(-65536, SineTable[384]);
    EXPECT_EQ(46340, SineTable[64]) << "sin 45 degrees, truncated";
    EXPECT_EQ(-46340, SineTable[320]);
    EXPECT_EQ(804, SineTable[1]);
    EXPECT_EQ(65536, Cosine(0));
    EXPECT_EQ(SineTable[130], Cosine(2));
    EXPECT_EQ(SineTable[0], Sine(512)) << "indices wrap";
    EXPECT_EQ(SineTable[511], Sine(-1));
    for (int i = 0; i < 512; ++i) {
        const double exact = std::sin(2 * 3.14159265358979323846 * i / 512) * 65536;
        ASSERT_EQ(int32_t(exact), SineTable[i]) << i;
        ASSERT_EQ(-SineTable[i], SineTable[(512 - i) & 511]) << "odd symmetry at " << i;
    }
}

}  // namespace
