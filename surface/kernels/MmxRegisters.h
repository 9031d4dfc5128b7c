#pragma once
// MMX registers for the kernels of the MMX and SSE levels: unaligned 64-bit
// loads and stores, and the register policy of the vector blends
// (BlendVector.h). Local to the including file, like KernelPixels.h.
#include "surface/kernels/KernelPixels.h"

#include <mmintrin.h>
#ifdef __SSE__
#include <xmmintrin.h>
#endif

namespace {

// An __m64 at any address.
typedef __m64 Unaligned64 __attribute__((aligned(1), may_alias));
inline __m64 Load64(const uint8_t* p) { return *reinterpret_cast<const Unaligned64*>(p); }
inline void Store64(uint8_t* p, __m64 v) { *reinterpret_cast<Unaligned64*>(p) = v; }
inline __m64 Mask(uint32_t lo, uint32_t hi) { return _mm_set_pi32(int(hi), int(lo)); }

// Two 3-byte pixels (bytes 0 to 5 of v) as lanes.
inline __m64 Expand24(__m64 v)
{
    return _mm_or_si64(_mm_and_si64(v, Mask(0xFFFFFF, 0)),
                       _mm_and_si64(_mm_slli_si64(v, 8), Mask(0, 0xFFFFFF)));
}

// The blends' registers: two 32-bit pixels or four 16-bit pixels. With kSse
// the integer instructions SSE added to them multiply unsigned words
// and test blocks through their byte masks.
template <bool kSse> struct MmxRegisters {
    typedef __m64 R;
    static const int kBytes = 8;
    static const int kRoom24 = 1;  // Load24 reads 8 bytes for 6
    static R Load(const uint8_t* p) { return Load64(p); }
    static void Store(uint8_t* p, R v) { Store64(p, v); }
    static R Load24(const uint8_t* p) { return Expand24(Load64(p)); }
    static void Store24(uint8_t* p, R v)
    {
        const R packed = _mm_or_si64(_mm_and_si64(v, Mask(0xFFFFFF, 0)),
                                     _mm_and_si64(_mm_srli_si64(v, 8), Mask(0xFF000000, 0xFFFF)));
        StoreU32(p, uint32_t(_mm_cvtsi64_si32(packed)));
        StoreU16(p + 4, uint32_t(_mm_cvtsi64_si32(_mm_srli_si64(packed, 32))));
    }
    static R LoadAlpha32(const uint8_t* a)
    {
        const R x = _mm_cvtsi32_si64(int(LoadU16(a)));
        const R pairs = _mm_unpacklo_pi8(x, x);
        return _mm_unpacklo_pi16(pairs, pairs);
    }
    static R LoadAlpha16(const uint8_t* a) { return _mm_unpacklo_pi8(_mm_cvtsi32_si64(int(LoadU32(a))), Zero()); }
    static R Zero() { return _mm_setzero_si64(); }
    static R Set16(uint16_t v) { return _mm_set1_pi16(short(v)); }
    static R Set32(uint32_t v) { return _mm_set1_pi32(int(v)); }
    static R And(R a, R b) { return _mm_and_si64(a, b); }
    static R Or(R a, R b) { return _mm_or_si64(a, b); }
    static R Select(R m, R a, R b) { return _mm_or_si64(_mm_and_si64(m, a), _mm_andnot_si64(m, b)); }
    static R Add16(R a, R b) { return _mm_add_pi16(a, b); }
    static R Sub16(R a, R b) { return _mm_sub_pi16(a, b); }
    static R MulLo16(R a, R b) { return _mm_mullo_pi16(a, b); }
    static R MulHi16(R a, R b) { return _mm_mulhi_pi16(a, b); }
    static R Srl16(R a, int n) { return _mm_srli_pi16(a, n); }
    static R Sll16(R a, int n) { return _mm_slli_pi16(a, n); }
    static R CmpEq16(R a, R b) { return _mm_cmpeq_pi16(a, b); }
    static R CmpEq32(R a, R b) { return _mm_cmpeq_pi32(a, b); }
    static R SubSatU8(R a, R b) { return _mm_subs_pu8(a, b); }
    static R SubSatU16(R a, R b) { return _mm_subs_pu16(a, b); }
    static R UnpackLo8(R a) { return _mm_unpacklo_pi8(a, Zero()); }
    static R UnpackHi8(R a) { return _mm_unpackhi_pi8(a, Zero()); }
    static R UnpackLo8x2(R a) { return _mm_unpacklo_pi8(a, a); }
    static R UnpackHi8x2(R a) { return _mm_unpackhi_pi8(a, a); }
    static R Pack16(R lo, R hi) { return _mm_packs_pu16(lo, hi); }
    static R MulHiU16(R a, R b)
    {
#ifdef __SSE__
        if (kSse)
            return _mm_mulhi_pu16(a, b);
#endif
        // The signed product, corrected for operands of 32768 and above.
        const R fixA = _mm_and_si64(_mm_srai_pi16(a, 15), b), fixB = _mm_and_si64(_mm_srai_pi16(b, 15), a);
        return Add16(Add16(_mm_mulhi_pi16(a, b), fixA), fixB);
    }
    static bool AllZero(R v)
    {
#ifdef __SSE__
        if (kSse)
            return _mm_movemask_pi8(_mm_cmpeq_pi8(v, Zero())) == 0xFF;
#endif
        return _mm_cvtsi64_si32(_mm_or_si64(v, _mm_srli_si64(v, 32))) == 0;
    }
    static bool AllOnes(R v)
    {
#ifdef __SSE__
        if (kSse)
            return _mm_movemask_pi8(_mm_cmpeq_pi8(v, _mm_set1_pi32(-1))) == 0xFF;
#endif
        return _mm_cvtsi64_si32(_mm_and_si64(v, _mm_srli_si64(v, 32))) == -1;
    }
    static void Done() { _mm_empty(); }
};

}  // namespace
