// Decoding of the identification instruction for described processors, and
// the kernel level each gets.
#include "surface/kernels/CpuId.h"
#include "surface/kernels/KernelTable.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>

namespace {

// A processor described leaf by leaf; leaves it does not list answer zeros.
class CFakeCpu : public CCpuIdSource {
public:
    bool available = true;
    uint64_t xcr0 = 0;
    int xcr0Reads = 0;
    std::map<uint32_t, CpuIdRegs> leaves;

    bool IsAvailable() override { return available; }
    CpuIdRegs Query(uint32_t leaf, uint32_t) override
    {
        auto it = leaves.find(leaf);
        return it == leaves.end() ? CpuIdRegs{0, 0, 0, 0} : it->second;
    }
    uint64_t ReadXcr0() override
    {
        ++xcr0Reads;
        return xcr0;
    }

    void Vendor(const char* v12, uint32_t maxLeaf)
    {
        CpuIdRegs r = {maxLeaf, 0, 0, 0};
        std::memcpy(&r.ebx, v12, 4);
        std::memcpy(&r.edx, v12 + 4, 4);
        std::memcpy(&r.ecx, v12 + 8, 4);
        leaves[0] = r;
    }
    void Brand(const char* name)
    {
        char b[48] = {};
        std::strncpy(b, name, 48);
        for (uint32_t i = 0; i < 3; ++i) {
            CpuIdRegs r;
            std::memcpy(&r, b + 16 * i, 16);
            leaves[0x80000002u + i] = r;
        }
    }
};

TEST(CpuId, NoIdentificationInstruction)
{
    CFakeCpu cpu;
    cpu.available = false;
    cpu.Vendor("GenuineIntel", 1);
    const CpuDescription d = DescribeCpu(cpu);
    EXPECT_EQ(0u, d.flags);
    EXPECT_EQ("", d.vendor);
    EXPECT_EQ("", d.name);
    EXPECT_EQ(kCpuPortable, CpuLevelOf(d));
}

TEST(CpuId, FeatureBitsAndBrandName)
{
    CFakeCpu cpu;
    cpu.Vendor("AuthenticAMD", 1);
    cpu.leaves[1] = CpuIdRegs{0, 0, 0, 1u << 23 | 1u << 25 | 1u << 26};
    cpu.leaves[0x80000000u] = CpuIdRegs{0x80000008u, 0, 0, 0};
    cpu.leaves[0x80000001u] = CpuIdRegs{0, 0, 0, 1u << 31 | 1u << 30};
    cpu.Brand("AMD Athlon(tm) XP 2400+");
    const CpuDescription d = DescribeCpu(cpu);
    EXPECT_EQ(kCpuFeatureMMX | kCpuFeatureSSE | kCpuFeatureSSE2 | kCpuFeature3DNow | kCpuFeature3DNowExt, d.flags);
    EXPECT_EQ("AuthenticAMD", d.vendor);
    EXPECT_EQ("AMD Athlon(tm) XP 2400+", d.name) << "read up to the first zero byte";
    EXPECT_EQ(kCpuSSE2, CpuLevelOf(d));
    EXPECT_FALSE(d.avx2);
}

TEST(CpuId, NoExtendedLeavesKeepsTheVendorAndNoName)
{
    CFakeCpu cpu;
    cpu.Vendor("GenuineIntel", 2);
    cpu.leaves[1] = CpuIdRegs{0, 0, 0, 1u << 23};
    cpu.leaves[0x80000000u] = CpuIdRegs{2, 0, 0, 0};  // a basic leaf's data
    cpu.leaves[0x80000001u] = CpuIdRegs{0, 0, 0, 0xFFFFFFFFu};
    cpu.Brand("garbage");
    const CpuDescription d = DescribeCpu(cpu);
    EXPECT_EQ("GenuineIntel", d.vendor);
    EXPECT_EQ("", d.name);
    EXPECT_EQ(kCpuFeatureMMX, d.flags) << "no 3DNow! bits from a leaf that is not there";
}

TEST(CpuId, LevelsFollowTheLowTwoFlags)
{
    CpuDescription d;
    d.flags = kCpuFeatureMMX;
    EXPECT_EQ(kCpuMMX, CpuLevelOf(d)) << "MMX without SSE";
    d.flags = kCpuFeatureSSE;
    EXPECT_EQ(kCpuSSE, CpuLevelOf(d)) << "SSE whether or not MMX is reported";
    d.flags = kCpuFeatureSSE | kCpuFeatureMMX;
    EXPECT_EQ(kCpuSSE, CpuLevelOf(d));
    d.flags = kCpuFeatureSSE | kCpuFeatureSSE2;
    EXPECT_EQ(kCpuSSE2, CpuLevelOf(d));
    d.avx2 = true;
    EXPECT_EQ(kCpuAVX2, CpuLevelOf(d));
    d.flags = kCpuFeature3DNow | kCpuFeatureSSE2;
    EXPECT_EQ(kCpuPortable, CpuLevelOf(d)) << "neither of the two low flags";
}

TEST(CpuId, Avx2OnlyWhenTheSystemSavesItsRegisters)
{
    CFakeCpu cpu;
    cpu.Vendor("GenuineIntel", 7);
    cpu.leaves[1] = CpuIdRegs{0, 0, 1u << 27 | 1u << 28, 1u << 23 | 1u << 25 | 1u << 26};
    cpu.leaves[7] = CpuIdRegs{0, 1u << 5, 0, 0};
    cpu.xcr0 = 0x3;  // no YMM state
    EXPECT_FALSE(DescribeCpu(cpu).avx2);
    cpu.xcr0 = 0x7;
    EXPECT_TRUE(DescribeCpu(cpu).avx2);
    EXPECT_EQ(kCpuAVX2, CpuLevelOf(DescribeCpu(cpu)));
    cpu.leaves[1].ecx = 1u << 28;  // no OSXSAVE: XCR0 is not read
    cpu.xcr0Reads = 0;
    EXPECT_FALSE(DescribeCpu(cpu).avx2);
    EXPECT_EQ(0, cpu.xcr0Reads);
    cpu.leaves[1].ecx = 1u << 27 | 1u << 28;
    cpu.Vendor("GenuineIntel", 6);
    EXPECT_FALSE(DescribeCpu(cpu).avx2) << "leaf 7 beyond the maximum";
}

TEST(CpuId, ThisProcessor)
{
    const CpuDescription d = DescribeCpu(GetProcessorCpuId());
#if defined(__i386__) || defined(__x86_64__)
    EXPECT_EQ(12u, d.vendor.size());
#if defined(__x86_64__)
    EXPECT_EQ(kCpuFeatureMMX | kCpuFeatureSSE | kCpuFeatureSSE2,
              d.flags & (kCpuFeatureMMX | kCpuFeatureSSE | kCpuFeatureSSE2));
#endif
    EXPECT_EQ(CpuLevelOf(d), CKernelTable::GetInstance().GetMaxLevel());
#endif
}

}  // namespace
