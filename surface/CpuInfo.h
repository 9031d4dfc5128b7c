#pragma once
// The processor's identification, read once: feature flags (bit 0 MMX, 1 SSE,
// 2 SSE2, 3 3DNow!, 4 extended 3DNow!), vendor and brand name. The kernel
// level the pixel code runs at is the kernel table's (KernelTable.h), which a
// test or QUILL_CPU_LEVEL may force lower than these flags allow.
#include "framework/CriticalSection.h"
#include "surface/kernels/CpuId.h"

#include <string>

template <class T>
class CServiceObject;

class CCpuInfo {
public:
    // Created on first use under the process lock; never destroyed.
    static CCpuInfo& GetInstance();

    DWORD GetFeatures();
    std::string GetVendor();
    std::string GetName();

private:
    friend class CServiceObject<CCpuInfo>;
    CCpuInfo();

    CCriticalSection m_Lock;
    DWORD m_Features;
    std::string m_Vendor;
    std::string m_Name;

    CCpuInfo(const CCpuInfo&) = delete;
    CCpuInfo& operator=(const CCpuInfo&) = delete;
};

CCpuInfo& GetCpuInfo();
DWORD GetCpuFeatures();

// Clock frequency in MHz, from the time-stamp counter over a Sleep of ms
// milliseconds (0 for ms 0 or a processor without the counter).
DWORD MeasureCpuClock(DWORD ms);
