// MMX kernels (built with -mmmx): 64-bit registers, two pixels per register
// as 0x00RRGGBB lanes.
#include "surface/kernels/BlendVector.h"
#include "surface/kernels/KernelPixels.h"
#include "surface/kernels/Kernels.h"

#ifdef __MMX__
#include "surface/kernels/MmxRegisters.h"

namespace {

// Four pixels: lo holds pixels 0 and 1, hi pixels 2 and 3.
struct Block {
    __m64 lo, hi;
};

inline __m64 Widen(__m64 p, int S)
{
    const __m64 b = _mm_and_si64(_mm_slli_pi32(p, 3), _mm_set1_pi32(0xF8));
    if (S == kFormat16)
        return _mm_or_si64(b, _mm_or_si64(_mm_and_si64(_mm_slli_pi32(p, 5), _mm_set1_pi32(0xFC00)),
                                          _mm_and_si64(_mm_slli_pi32(p, 8), _mm_set1_pi32(0xF80000))));
    return _mm_or_si64(b, _mm_or_si64(_mm_and_si64(_mm_slli_pi32(p, 6), _mm_set1_pi32(0xF800)),
                                      _mm_and_si64(_mm_slli_pi32(p, 9), _mm_set1_pi32(0xF80000))));
}

// Lanes 0x00RRGGBB to 15 or 16 bits: B + R x 2048 (x 1024 for 15) in one
// multiply of the masked words, plus G moved into place, all shifted up by 3;
// the channels' bits do not overlap. The result is sign-extended from 16 bits
// so that the signed pack keeps values up to 0xFFFF.
inline __m64 Narrow(__m64 x, int D)
{
    const bool six = D == kFormat16;
    const __m64 rb = _mm_madd_pi16(_mm_and_si64(x, _mm_set1_pi32(0x00F800F8)),
                                   _mm_set1_pi32(six ? 0x08000001 : 0x04000001));
    const __m64 g = _mm_and_si64(x, _mm_set1_pi32(six ? 0xFC00 : 0xF800));
    const __m64 sum = _mm_add_pi32(rb, six ? _mm_srli_pi32(g, 2) : _mm_srli_pi32(g, 3));
    return _mm_srai_pi32(_mm_slli_pi32(sum, 13), 16);
}

template <int S> inline Block LoadBlock(const uint8_t* s, int i, const uint32_t* palette)
{
    Block b;
    if (S == kFormat15 || S == kFormat16) {
        const __m64 v = Load64(s + 2 * i), zero = _mm_setzero_si64();
        b.lo = Widen(_mm_unpacklo_pi16(v, zero), S);
        b.hi = Widen(_mm_unpackhi_pi16(v, zero), S);
    } else if (S == kFormat24) {
        b.lo = Expand24(Load64(s + 3 * i));
        b.hi = Expand24(Load64(s + 3 * i + 6));
    } else if (S == kFormat32) {
        const __m64 m = _mm_set1_pi32(0xFFFFFF);
        b.lo = _mm_and_si64(Load64(s + 4 * i), m);
        b.hi = _mm_and_si64(Load64(s + 4 * i + 8), m);
    } else {
        const uint8_t* x = s + i;
        b.lo = Mask(palette[x[0]] & 0xFFFFFF, palette[x[1]] & 0xFFFFFF);
        b.hi = Mask(palette[x[2]] & 0xFFFFFF, palette[x[3]] & 0xFFFFFF);
    }
    return b;
}

template <int D> inline void StoreBlock(uint8_t* d, int i, const Block& b)
{
    if (D == kFormat15 || D == kFormat16) {
        Store64(d + 2 * i, _mm_packs_pi32(Narrow(b.lo, D), Narrow(b.hi, D)));
    } else if (D == kFormat24) {
        // Six bytes per register; each store's two spare bytes are written
        // again by the next one (the caller leaves room after the last).
        const __m64 m0 = Mask(0xFFFFFF, 0), m1 = Mask(0xFF000000, 0xFFFF);
        Store64(d + 3 * i, _mm_or_si64(_mm_and_si64(b.lo, m0), _mm_and_si64(_mm_srli_si64(b.lo, 8), m1)));
        Store64(d + 3 * i + 6, _mm_or_si64(_mm_and_si64(b.hi, m0), _mm_and_si64(_mm_srli_si64(b.hi, 8), m1)));
    } else {
        Store64(d + 4 * i, b.lo);
        Store64(d + 4 * i + 8, b.hi);
    }
}

template <int D, int S> void Convert(const KernelArgs& a)
{
    const uint32_t* palette = static_cast<const uint32_t*>(a.table);
    // 24-bit rows are read and written a few bytes past the block.
    const int room = D == kFormat24 || S == kFormat24 ? 2 : 0;
    ForEachRow(a, [&](uint8_t* d, const uint8_t* s) {
        BlockRow(a.width, 4, room, [&](int i) { StoreBlock<D>(d, i, LoadBlock<S>(s, i, palette)); },
                 [&](int from) { ConvertSpan<D, S>(d, s, from, a.width, palette); });
    });
    _mm_empty();
}

template <int F> void Fill(const KernelArgs& a)
{
    // One 24-byte period of the row: 4 pixels of 16 bits per register, 2 of
    // 32, 8 of 24 over three registers.
    uint8_t pattern[24];
    const int bpp = BytesPerPixel(F), perStep = 24 / bpp;
    FillSpan<F>(pattern, 0, perStep, a.value);
    const __m64 p0 = Load64(pattern), p1 = Load64(pattern + 8), p2 = Load64(pattern + 16);
    ForEachRow(a, [&](uint8_t* d, const uint8_t*) {
        int i = 0;
        for (; i + perStep <= a.width; i += perStep) {
            uint8_t* p = d + i * bpp;
            Store64(p, p0), Store64(p + 8, p1), Store64(p + 16, p2);
        }
        FillSpan<F>(d, i, a.width, a.value);
    });
    _mm_empty();
}

QUILL_VECTOR_BLEND_WRAPPERS(MmxRegisters<false>)

const KernelEntry kEntries[] = {
    QUILL_CONVERTING_ENTRIES(kCpuMMX, Convert),
    QUILL_FILL_ENTRIES(kCpuMMX, Fill),
    QUILL_VECTOR_BLEND_ENTRIES(kCpuMMX),
};

}  // namespace

const KernelList kSurfaceKernelsMMX = {kEntries, sizeof kEntries / sizeof kEntries[0]};
#else
const KernelList kSurfaceKernelsMMX = {nullptr, 0};
#endif
