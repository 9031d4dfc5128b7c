#pragma once
// Decoding of the processor identification instruction: feature flags, vendor
// and brand name, and the highest kernel level the processor and the system
// allow. The instruction is reached through a source object, so that tests
// can describe processors this machine is not.
#include <cstdint>
#include <string>

enum : uint32_t {
    kCpuFeatureMMX = 1u << 0,
    kCpuFeatureSSE = 1u << 1,
    kCpuFeatureSSE2 = 1u << 2,
    kCpuFeature3DNow = 1u << 3,
    kCpuFeature3DNowExt = 1u << 4,
};

struct CpuIdRegs {
    uint32_t eax, ebx, ecx, edx;
};

class CCpuIdSource {
public:
    // False when the processor has no identification instruction.
    virtual bool IsAvailable() = 0;
    virtual CpuIdRegs Query(uint32_t leaf, uint32_t subleaf) = 0;
    // The extended control register 0 (state the system saves); only asked
    // when leaf 1 reports OSXSAVE.
    virtual uint64_t ReadXcr0() = 0;
    virtual ~CCpuIdSource() {}
};

// The processor this code runs on.
CCpuIdSource& GetProcessorCpuId();

struct CpuDescription {
    uint32_t flags = 0;  // kCpuFeature*
    std::string vendor;  // 12 characters, empty without the instruction
    std::string name;    // brand name up to 48 characters, may be empty
    bool avx2 = false;   // AVX2 present and its registers saved by the system
};

CpuDescription DescribeCpu(CCpuIdSource& source);

// The kernel level (CpuLevel of KernelTable.h) of a description: flags & 3
// of 0 is portable, 1 MMX, 2 or 3 SSE; SSE2 and AVX2 above that when present.
int CpuLevelOf(const CpuDescription& cpu);
