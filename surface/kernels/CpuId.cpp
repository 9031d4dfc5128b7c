#include "surface/kernels/CpuId.h"

#include "surface/kernels/KernelTable.h"

#include <cstring>

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#define QUILL_X86 1
#endif

namespace {

class CProcessorCpuId : public CCpuIdSource {
public:
    bool IsAvailable() override
    {
#ifdef QUILL_X86
        // On 32-bit x86 this first tests whether bit 21 of EFLAGS toggles.
        return __get_cpuid_max(0, nullptr) != 0;
#else
        return false;
#endif
    }
    CpuIdRegs Query(uint32_t leaf, uint32_t subleaf) override
    {
        CpuIdRegs r = {0, 0, 0, 0};
#ifdef QUILL_X86
        __cpuid_count(leaf, subleaf, r.eax, r.ebx, r.ecx, r.edx);
#else
        (void)leaf;
        (void)subleaf;
#endif
        return r;
    }
    uint64_t ReadXcr0() override
    {
#ifdef QUILL_X86
        uint32_t lo, hi;
        __asm__ __volatile__(".byte 0x0f, 0x01, 0xd0" : "=a"(lo), "=d"(hi) : "c"(0));
        return uint64_t(hi) << 32 | lo;
#else
        return 0;
#endif
    }
};

void AppendRegister(std::string& s, uint32_t r)
{
    char b[4];
    std::memcpy(b, &r, 4);
    s.append(b, 4);
}

}  // namespace

CCpuIdSource& GetProcessorCpuId()
{
    static CProcessorCpuId source;
    return source;
}

CpuDescription DescribeCpu(CCpuIdSource& source)
{
    CpuDescription cpu;
    if (!source.IsAvailable())
        return cpu;

    const CpuIdRegs leaf0 = source.Query(0, 0);
    const uint32_t maxLeaf = leaf0.eax;
    AppendRegister(cpu.vendor, leaf0.ebx);
    AppendRegister(cpu.vendor, leaf0.edx);
    AppendRegister(cpu.vendor, leaf0.ecx);

    // Leaves above the reported maximum return another leaf's data; they are
    // not read.
    bool osSavesYmm = false;
    if (maxLeaf >= 1) {
        const CpuIdRegs leaf1 = source.Query(1, 0);
        if (leaf1.edx & (1u << 23)) cpu.flags |= kCpuFeatureMMX;
        if (leaf1.edx & (1u << 25)) cpu.flags |= kCpuFeatureSSE;
        if (leaf1.edx & (1u << 26)) cpu.flags |= kCpuFeatureSSE2;
        const bool osxsave = (leaf1.ecx & (1u << 27)) != 0, avx = (leaf1.ecx & (1u << 28)) != 0;
        osSavesYmm = osxsave && avx && (source.ReadXcr0() & 6) == 6;
    }
    if (maxLeaf >= 7 && osSavesYmm)
        cpu.avx2 = (source.Query(7, 0).ebx & (1u << 5)) != 0;

    const uint32_t maxExtended = source.Query(0x80000000u, 0).eax;
    if (maxExtended >= 0x80000001u && maxExtended <= 0x8000FFFFu) {
        const CpuIdRegs ext1 = source.Query(0x80000001u, 0);
        if (ext1.edx & (1u << 31)) cpu.flags |= kCpuFeature3DNow;
        if (ext1.edx & (1u << 30)) cpu.flags |= kCpuFeature3DNowExt;
    }
    if (maxExtended >= 0x80000004u && maxExtended <= 0x8000FFFFu) {
        std::string brand;
        for (uint32_t leaf = 0x80000002u; leaf <= 0x80000004u; ++leaf) {
            const CpuIdRegs r = source.Query(leaf, 0);
            AppendRegister(brand, r.eax);
            AppendRegister(brand, r.ebx);
            AppendRegister(brand, r.ecx);
            AppendRegister(brand, r.edx);
        }
        cpu.name = brand.substr(0, brand.find('\0'));
    }
    return cpu;
}

int CpuLevelOf(const CpuDescription& cpu)
{
    if (cpu.flags & kCpuFeatureSSE) {
        if (!(cpu.flags & kCpuFeatureSSE2))
            return kCpuSSE;
        return cpu.avx2 ? kCpuAVX2 : kCpuSSE2;
    }
    return cpu.flags & kCpuFeatureMMX ? kCpuMMX : kCpuPortable;
}
