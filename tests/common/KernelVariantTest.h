#pragma once
// Parameterised tests over the kernel table's entries.
#include "surface/kernels/KernelTable.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>

// Level, kernel and index, with every character GoogleTest refuses made
// '_'.
inline std::string KernelEntryTestName(const ::testing::TestParamInfo<KernelEntry>& info)
{
    std::string s = std::string(CpuLevelName(info.param.level)) + "_" + info.param.name;
    for (char& c : s)
        if (!isalnum(static_cast<unsigned char>(c)))
            c = '_';
    return s + "_" + std::to_string(info.index);
}

// The base of a test of one entry against the portable kernel of its key:
// skips an entry of a level this processor lacks, finds `portable`.
class KernelVariantTest : public ::testing::TestWithParam<KernelEntry> {
protected:
    void SetUp() override
    {
        const KernelEntry& e = GetParam();
        if (e.level > CKernelTable::GetInstance().GetMaxLevel())
            GTEST_SKIP() << CpuLevelName(e.level) << " is not available here";
        portable = CKernelTable::GetInstance().GetAt(e.key, kCpuPortable);
        ASSERT_NE(nullptr, portable) << "no portable kernel for " << e.name;
    }

    KernelFn portable = nullptr;
};
