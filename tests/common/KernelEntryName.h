#pragma once
// The name of a kernel-table entry as a parameterised test's name: level,
// kernel and index, with every character GoogleTest refuses made '_'.
#include "surface/kernels/KernelTable.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>

inline std::string KernelEntryTestName(const ::testing::TestParamInfo<KernelEntry>& info)
{
    std::string s = std::string(CpuLevelName(info.param.level)) + "_" + info.param.name;
    for (char& c : s)
        if (!isalnum(static_cast<unsigned char>(c)))
            c = '_';
    return s + "_" + std::to_string(info.index);
}
