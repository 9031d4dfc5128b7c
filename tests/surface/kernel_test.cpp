// Every kernel variant against the portable kernel of its key, byte for byte,
// and the level switch of the kernel table.
#include "surface/kernels/KernelTable.h"
#include "surface/PixelFormat.h"
#include "common/KernelVariantTest.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

// Test names and failure messages show the entry by name.
void PrintTo(const KernelEntry& e, std::ostream* os)
{
    *os << e.name << " (" << CpuLevelName(e.level) << ")";
}

namespace {

typedef std::vector<uint8_t> Bytes;

int OpOf(uint32_t key) { return int(key >> 24); }
int DstOf(uint32_t key) { return int(key >> 16 & 0xFF); }
int SrcOf(uint32_t key) { return int(key >> 8 & 0xFF); }

Bytes Random(size_t n, std::mt19937& rng)
{
    Bytes b(n);
    for (uint8_t& x : b)
        x = uint8_t(rng());
    return b;
}

// A buffer of rows with an odd pitch, a start that is not aligned, and
// guard bytes before and after; the kernel's rectangle is width x rows.
// Without a trailing guard the buffer ends with the last row's last pixel,
// so that AddressSanitizer reports a read past it.
struct Plane {
    Bytes bytes;
    size_t start;
    ptrdiff_t pitch;
    uint8_t* Row0() { return bytes.data() + start; }
};

Plane MakePlane(int rowBytes, int rows, int slack, int offset, bool trailingGuard, std::mt19937& rng)
{
    Plane p;
    p.pitch = rowBytes + slack;
    p.start = size_t(16 + offset);
    p.bytes = Random(p.start + size_t(p.pitch) * (rows - 1) + rowBytes + (trailingGuard ? 16 : 0), rng);
    return p;
}

std::string Describe(const KernelEntry& e)
{
    return std::string(e.name) + " at level " + CpuLevelName(e.level);
}

class KernelVariant : public KernelVariantTest {};

// Runs the entry and the portable kernel of its key on equal copies of the
// same random buffers and compares the whole destination, guards included.
TEST_P(KernelVariant, MatchesPortable)
{
    const KernelEntry& e = GetParam();
    const int op = OpOf(e.key), dstFormat = DstOf(e.key), srcFormat = SrcOf(e.key);
    const int dstBpp = op == kOpCopyBytes ? 1 : BytesPerPixel(dstFormat);
    const int srcBpp = op == kOpCopyBytes ? 1 : BytesPerPixel(srcFormat);
    std::mt19937 rng(e.key ^ uint32_t(e.level) << 4);
    uint32_t palette[256];
    for (uint32_t& c : palette)
        c = uint32_t(rng());

    const int rows = 3;
    for (int width = 1; width <= 67; ++width) {
        for (int variant = 0; variant < 4; ++variant) {
            const int slack = 1 + 2 * variant, dstOffset = variant, srcOffset = 3 - variant;
            const bool bottomUp = variant == 2;
            Plane dst = MakePlane(width * dstBpp, rows, slack, dstOffset, true, rng);
            Plane src = MakePlane(width * srcBpp, rows, slack + 2, srcOffset, false, rng);
            Plane expected = dst;

            KernelArgs a;
            a.width = width;
            a.height = rows;
            a.table = palette;
            a.value = uint32_t(rng());
            if (dstFormat == kFormat15 || dstFormat == kFormat16) a.value &= 0xFFFF;
            if (dstFormat == kFormat24) a.value &= 0xFFFFFF;
            if (op != kOpFill) {
                a.src = bottomUp ? src.Row0() + (rows - 1) * src.pitch : src.Row0();
                a.srcPitch = bottomUp ? -src.pitch : src.pitch;
            }
            a.dst = expected.Row0();
            a.dstPitch = expected.pitch;
            portable(a);
            a.dst = dst.Row0();
            e.fn(a);
            ASSERT_EQ(expected.bytes, dst.bytes)
                << Describe(e) << ": width " << width << ", pitch " << dst.pitch << ", start +" << dst.start
                << (bottomUp ? ", source bottom-up" : "");
        }
    }
}

// The copies, converters and fills (the blends have their own test).
std::vector<KernelEntry> Variants()
{
    std::vector<KernelEntry> v;
    for (const KernelEntry& e : CKernelTable::GetInstance().GetEntries())
        if (e.level != kCpuPortable && OpOf(e.key) <= kOpFill)
            v.push_back(e);
    return v;
}

INSTANTIATE_TEST_SUITE_P(Table, KernelVariant, ::testing::ValuesIn(Variants()), KernelEntryTestName);

TEST(KernelTable, EveryKeyHasAPortableKernel)
{
    CKernelTable& table = CKernelTable::GetInstance();
    for (const KernelEntry& e : table.GetEntries())
        EXPECT_NE(nullptr, table.GetAt(e.key, kCpuPortable)) << e.name;
    for (int dst : {15, 16, 24, 32})
        for (int src : {8, 15, 16, 24, 32})
            EXPECT_NE(nullptr, table.GetAt(KernelKey(kOpConvert, dst, src), kCpuPortable))
                << dst << " <- " << src;
    EXPECT_EQ(nullptr, table.Get(KernelKey(kOpConvert, 24, 7))) << "unknown key";
}

// Forcing a level makes Get choose the best entry at or below it; the level
// cannot be forced above what the machine allows.
TEST(KernelTable, LevelSwitch)
{
    CKernelTable& table = CKernelTable::GetInstance();
    const CpuLevel before = table.GetLevel();
    const uint32_t key = KernelKey(kOpConvert, 32, 24);
    for (int level = kCpuPortable; level <= table.GetMaxLevel(); ++level) {
        EXPECT_EQ(level, table.SetLevel(level));
        EXPECT_EQ(table.GetAt(key, level), table.Get(key)) << CpuLevelName(level);
        const KernelEntry* best = nullptr;
        for (const KernelEntry& e : table.GetEntries())
            if (e.key == key && e.level <= level && (!best || e.level > best->level))
                best = &e;
        ASSERT_NE(nullptr, best);
        EXPECT_EQ(best->fn, table.Get(key)) << "at " << CpuLevelName(level) << " expected " << Describe(*best);
    }
    EXPECT_EQ(table.GetMaxLevel(), table.SetLevel(kCpuLevelCount + 5));
    EXPECT_EQ(kCpuPortable, table.SetLevel(-3));
    table.SetLevel(before);
}

TEST(KernelTable, LevelNames)
{
    CpuLevel level;
    ASSERT_TRUE(ParseCpuLevel("SSE2", level));
    EXPECT_EQ(kCpuSSE2, level);
    ASSERT_TRUE(ParseCpuLevel("portable", level));
    EXPECT_EQ(kCpuPortable, level);
    EXPECT_FALSE(ParseCpuLevel("sse3", level));
    EXPECT_FALSE(ParseCpuLevel("", level));
    EXPECT_FALSE(ParseCpuLevel(nullptr, level));
    EXPECT_STREQ("mmx", CpuLevelName(kCpuMMX));
}

// Run with QUILL_CPU_LEVEL set (a test of its own in CMakeLists.txt): the
// table starts at that level, or at the machine's highest when that is lower.
TEST(KernelTableEnvironment, ForcedLevel)
{
    const char* forced = std::getenv("QUILL_CPU_LEVEL");
    if (forced == nullptr)
        GTEST_SKIP() << "QUILL_CPU_LEVEL not set";
    CpuLevel level;
    ASSERT_TRUE(ParseCpuLevel(forced, level)) << forced;
    CKernelTable& table = CKernelTable::GetInstance();
    EXPECT_EQ(level < table.GetMaxLevel() ? level : table.GetMaxLevel(), table.GetLevel());
}

}  // namespace
