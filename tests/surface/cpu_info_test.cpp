// The processor information object and the clock measurement under Wine.
#include "surface/CpuInfo.h"

#include <gtest/gtest.h>


namespace {

TEST(CpuInfo, OneObjectWithTheProcessorsIdentification)
{
    CCpuInfo& info = GetCpuInfo();
    EXPECT_EQ(&info, &CCpuInfo::GetInstance());
    const CpuDescription d = DescribeCpu(GetProcessorCpuId());
    EXPECT_EQ(d.flags, GetCpuFeatures());
    EXPECT_EQ(d.vendor, info.GetVendor());
    EXPECT_EQ(12u, info.GetVendor().size());
    EXPECT_EQ(d.name, info.GetName());
    EXPECT_LE(info.GetName().size(), 48u);
    EXPECT_EQ(0u, GetCpuFeatures() & ~0x1Fu) << "only the five documented bits";
}

TEST(CpuInfo, MeasureCpuClock)
{
    EXPECT_EQ(0u, MeasureCpuClock(0)) << "no time, no division";
    const DWORD mhz = MeasureCpuClock(100);
    EXPECT_GT(mhz, 200u);
    EXPECT_LT(mhz, 10000u);
}

}  // namespace
