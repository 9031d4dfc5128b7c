// SSE kernels (built with -msse): block copies and fills through the 128-bit
// registers (only moves, which keep every bit pattern), and the blends on MMX
// registers with the integer instructions SSE added. The converters of this
// level are the MMX ones.
#include "surface/kernels/BlendVector.h"
#include "surface/kernels/KernelPixels.h"
#include "surface/kernels/Kernels.h"

#ifdef __SSE__
#include "surface/kernels/MmxRegisters.h"
#include <xmmintrin.h>

namespace {

inline __m128 Load128(const uint8_t* p) { return _mm_loadu_ps(reinterpret_cast<const float*>(p)); }
inline void Store128(uint8_t* p, __m128 v) { _mm_storeu_ps(reinterpret_cast<float*>(p), v); }

template <int F> void Fill(const KernelArgs& a)
{
    // One 48-byte period of the row in three registers.
    alignas(16) uint8_t pattern[48];
    const int bpp = BytesPerPixel(F), perStep = 48 / bpp;
    FillSpan<F>(pattern, 0, perStep, a.value);
    const __m128 p0 = Load128(pattern), p1 = Load128(pattern + 16), p2 = Load128(pattern + 32);
    ForEachRow(a, [&](uint8_t* d, const uint8_t*) {
        int i = 0;
        for (; i + perStep <= a.width; i += perStep) {
            uint8_t* p = d + i * bpp;
            Store128(p, p0), Store128(p + 16, p1), Store128(p + 32, p2);
        }
        FillSpan<F>(d, i, a.width, a.value);
    });
}

QUILL_VECTOR_BLEND_WRAPPERS(MmxRegisters<true>)

const KernelEntry kEntries[] = {
    QUILL_VECTOR_BLEND_ENTRIES(kCpuSSE),
    QUILL_FILL_ENTRIES(kCpuSSE, Fill),
};

}  // namespace

const KernelList kSurfaceKernelsSSE = {kEntries, sizeof kEntries / sizeof kEntries[0]};
#else
const KernelList kSurfaceKernelsSSE = {nullptr, 0};
#endif
