#include "surface/CpuInfo.h"
#include "framework/ServiceObject.h"


#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#include <x86intrin.h>
#endif

CCpuInfo& CCpuInfo::GetInstance()
{
    return CServiceObject<CCpuInfo>::Get();
}

CCpuInfo::CCpuInfo() : m_Features(0)
{
    CCriticalLock lock(&m_Lock);
    const CpuDescription cpu = DescribeCpu(GetProcessorCpuId());
    m_Features = cpu.flags;
    m_Vendor = cpu.vendor;
    m_Name = cpu.name;
}

DWORD CCpuInfo::GetFeatures()
{
    CCriticalLock lock(&m_Lock);
    return m_Features;
}

std::string CCpuInfo::GetVendor()
{
    CCriticalLock lock(&m_Lock);
    return m_Vendor;
}

std::string CCpuInfo::GetName()
{
    CCriticalLock lock(&m_Lock);
    return m_Name;
}

CCpuInfo& GetCpuInfo()
{
    return CCpuInfo::GetInstance();
}

DWORD GetCpuFeatures()
{
    return CCpuInfo::GetInstance().GetFeatures();
}

namespace {

// The time-stamp counter after the identification instruction has
// serialised the processor.
unsigned long long SerialisedTsc()
{
#if defined(__i386__) || defined(__x86_64__)
    unsigned a, b, c, d;
    __cpuid(0, a, b, c, d);
    return __rdtsc();
#else
    return 0;
#endif
}

}  // namespace

DWORD MeasureCpuClock(DWORD ms)
{
    if (ms == 0 || !GetProcessorCpuId().IsAvailable())
        return 0;
    const unsigned long long t0 = SerialisedTsc();
    Sleep(ms);
    const unsigned long long t1 = SerialisedTsc();
    return DWORD((t1 - t0) * 1000 / ms / 1000 / 1000);
}
