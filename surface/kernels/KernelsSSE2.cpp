// SSE2 kernels (built with -msse2): four 0x00RRGGBB lanes per register, eight
// pixels per step.
#include "surface/kernels/BlendVector.h"
#include "surface/kernels/KernelPixels.h"
#include "surface/kernels/Kernels.h"

#ifdef __SSE2__
#include <emmintrin.h>

namespace {

inline __m128i Load128(const uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
inline void Store128(uint8_t* p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }
inline __m128i Lane(int k) // 0x00FFFFFF in lane k
{
    return _mm_set_epi32(k == 3 ? 0xFFFFFF : 0, k == 2 ? 0xFFFFFF : 0, k == 1 ? 0xFFFFFF : 0,
                         k == 0 ? 0xFFFFFF : 0);
}

// Eight pixels: lo holds pixels 0 to 3, hi pixels 4 to 7.
struct Block {
    __m128i lo, hi;
};

inline __m128i Widen(__m128i p, int S)
{
    const __m128i b = _mm_and_si128(_mm_slli_epi32(p, 3), _mm_set1_epi32(0xF8));
    if (S == kFormat16)
        return _mm_or_si128(b, _mm_or_si128(_mm_and_si128(_mm_slli_epi32(p, 5), _mm_set1_epi32(0xFC00)),
                                            _mm_and_si128(_mm_slli_epi32(p, 8), _mm_set1_epi32(0xF80000))));
    return _mm_or_si128(b, _mm_or_si128(_mm_and_si128(_mm_slli_epi32(p, 6), _mm_set1_epi32(0xF800)),
                                        _mm_and_si128(_mm_slli_epi32(p, 9), _mm_set1_epi32(0xF80000))));
}

// Lanes 0x00RRGGBB to 15 or 16 bits: B + R x 2048 (x 1024 for 15) in one
// multiply of the masked words, plus G moved into place, all shifted up by 3;
// the channels' bits do not overlap. The result is sign-extended from 16 bits
// so that the signed pack keeps values up to 0xFFFF.
inline __m128i Narrow(__m128i x, int D)
{
    const bool six = D == kFormat16;
    const __m128i rb = _mm_madd_epi16(_mm_and_si128(x, _mm_set1_epi32(0x00F800F8)),
                                      _mm_set1_epi32(six ? 0x08000001 : 0x04000001));
    const __m128i g = _mm_and_si128(x, _mm_set1_epi32(six ? 0xFC00 : 0xF800));
    const __m128i sum = _mm_add_epi32(rb, six ? _mm_srli_epi32(g, 2) : _mm_srli_epi32(g, 3));
    return _mm_srai_epi32(_mm_slli_epi32(sum, 13), 16);
}

// Four 3-byte pixels (bytes 0 to 11 of v) as lanes: pixel k moves up k bytes.
inline __m128i Expand24(__m128i v)
{
    return _mm_or_si128(_mm_or_si128(_mm_and_si128(v, Lane(0)), _mm_and_si128(_mm_slli_si128(v, 1), Lane(1))),
                        _mm_or_si128(_mm_and_si128(_mm_slli_si128(v, 2), Lane(2)),
                                     _mm_and_si128(_mm_slli_si128(v, 3), Lane(3))));
}

// Four lanes as 12 bytes at the start of the register: lane k moves down k bytes.
inline __m128i Pack24(__m128i x)
{
    return _mm_or_si128(_mm_or_si128(_mm_and_si128(x, Lane(0)), _mm_srli_si128(_mm_and_si128(x, Lane(1)), 1)),
                        _mm_or_si128(_mm_srli_si128(_mm_and_si128(x, Lane(2)), 2),
                                     _mm_srli_si128(_mm_and_si128(x, Lane(3)), 3)));
}

inline __m128i Lookup4(const uint8_t* x, const uint32_t* palette)
{
    const __m128i v = _mm_set_epi32(int(palette[x[3]]), int(palette[x[2]]), int(palette[x[1]]),
                                    int(palette[x[0]]));
    return _mm_and_si128(v, _mm_set1_epi32(0xFFFFFF));
}

template <int S> inline Block LoadBlock(const uint8_t* s, int i, const uint32_t* palette)
{
    Block b;
    if (S == kFormat15 || S == kFormat16) {
        const __m128i v = Load128(s + 2 * i), zero = _mm_setzero_si128();
        b.lo = Widen(_mm_unpacklo_epi16(v, zero), S);
        b.hi = Widen(_mm_unpackhi_epi16(v, zero), S);
    } else if (S == kFormat24) {
        b.lo = Expand24(Load128(s + 3 * i));
        b.hi = Expand24(Load128(s + 3 * i + 12));
    } else if (S == kFormat32) {
        const __m128i m = _mm_set1_epi32(0xFFFFFF);
        b.lo = _mm_and_si128(Load128(s + 4 * i), m);
        b.hi = _mm_and_si128(Load128(s + 4 * i + 16), m);
    } else {
        b.lo = Lookup4(s + i, palette);
        b.hi = Lookup4(s + i + 4, palette);
    }
    return b;
}

template <int D> inline void StoreBlock(uint8_t* d, int i, const Block& b)
{
    if (D == kFormat15 || D == kFormat16) {
        Store128(d + 2 * i, _mm_packs_epi32(Narrow(b.lo, D), Narrow(b.hi, D)));
    } else if (D == kFormat24) {
        // Each store's four spare bytes are written again by the next one (the
        // caller leaves room after the last).
        Store128(d + 3 * i, Pack24(b.lo));
        Store128(d + 3 * i + 12, Pack24(b.hi));
    } else {
        Store128(d + 4 * i, b.lo);
        Store128(d + 4 * i + 16, b.hi);
    }
}

template <int D, int S> void Convert(const KernelArgs& a)
{
    const uint32_t* palette = static_cast<const uint32_t*>(a.table);
    // 24-bit rows are read and written a few bytes past the block.
    const int room = D == kFormat24 || S == kFormat24 ? 2 : 0;
    ForEachRow(a, [&](uint8_t* d, const uint8_t* s) {
        BlockRow(a.width, 8, room, [&](int i) { StoreBlock<D>(d, i, LoadBlock<S>(s, i, palette)); },
                 [&](int from) { ConvertSpan<D, S>(d, s, from, a.width, palette); });
    });
}

template <int F> void Fill(const KernelArgs& a)
{
    // One 48-byte period of the row in three registers.
    uint8_t pattern[48];
    const int bpp = BytesPerPixel(F), perStep = 48 / bpp;
    FillSpan<F>(pattern, 0, perStep, a.value);
    const __m128i p0 = Load128(pattern), p1 = Load128(pattern + 16), p2 = Load128(pattern + 32);
    ForEachRow(a, [&](uint8_t* d, const uint8_t*) {
        int i = 0;
        for (; i + perStep <= a.width; i += perStep) {
            uint8_t* p = d + i * bpp;
            Store128(p, p0), Store128(p + 16, p1), Store128(p + 32, p2);
        }
        FillSpan<F>(d, i, a.width, a.value);
    });
}

// The blends' registers: four 32-bit pixels or eight 16-bit pixels.
struct Sse2 {
    typedef __m128i R;
    static const int kBytes = 16;
    static const int kRoom24 = 2;  // Load24 reads 16 bytes for 12
    static R Load(const uint8_t* p) { return Load128(p); }
    static void Store(uint8_t* p, R v) { Store128(p, v); }
    static R Load24(const uint8_t* p) { return Expand24(Load128(p)); }
    static void Store24(uint8_t* p, R v)
    {
        const R packed = Pack24(v);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(p), packed);
        StoreU32(p + 8, uint32_t(_mm_cvtsi128_si32(_mm_srli_si128(packed, 8))));
    }
    static R LoadAlpha32(const uint8_t* a)
    {
        const R x = _mm_cvtsi32_si128(int(LoadU32(a)));
        const R pairs = _mm_unpacklo_epi8(x, x);
        return _mm_unpacklo_epi16(pairs, pairs);
    }
    static R LoadAlpha16(const uint8_t* a)
    {
        return _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(a)), Zero());
    }
    static R Zero() { return _mm_setzero_si128(); }
    static R Set16(uint16_t v) { return _mm_set1_epi16(short(v)); }
    static R Set32(uint32_t v) { return _mm_set1_epi32(int(v)); }
    static R And(R a, R b) { return _mm_and_si128(a, b); }
    static R Or(R a, R b) { return _mm_or_si128(a, b); }
    static R Select(R m, R a, R b) { return _mm_or_si128(_mm_and_si128(m, a), _mm_andnot_si128(m, b)); }
    static R Add16(R a, R b) { return _mm_add_epi16(a, b); }
    static R Sub16(R a, R b) { return _mm_sub_epi16(a, b); }
    static R MulLo16(R a, R b) { return _mm_mullo_epi16(a, b); }
    static R MulHi16(R a, R b) { return _mm_mulhi_epi16(a, b); }
    static R Srl16(R a, int n) { return _mm_srli_epi16(a, n); }
    static R Sll16(R a, int n) { return _mm_slli_epi16(a, n); }
    static R CmpEq16(R a, R b) { return _mm_cmpeq_epi16(a, b); }
    static R CmpEq32(R a, R b) { return _mm_cmpeq_epi32(a, b); }
    static R SubSatU8(R a, R b) { return _mm_subs_epu8(a, b); }
    static R SubSatU16(R a, R b) { return _mm_subs_epu16(a, b); }
    static R UnpackLo8(R a) { return _mm_unpacklo_epi8(a, Zero()); }
    static R UnpackHi8(R a) { return _mm_unpackhi_epi8(a, Zero()); }
    static R UnpackLo8x2(R a) { return _mm_unpacklo_epi8(a, a); }
    static R UnpackHi8x2(R a) { return _mm_unpackhi_epi8(a, a); }
    static R MulHiU16(R a, R b) { return _mm_mulhi_epu16(a, b); }
    static R Pack16(R lo, R hi) { return _mm_packus_epi16(lo, hi); }
    static bool AllZero(R v) { return _mm_movemask_epi8(_mm_cmpeq_epi8(v, Zero())) == 0xFFFF; }
    static bool AllOnes(R v) { return _mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi32(-1))) == 0xFFFF; }
    static void Done() {}
};

QUILL_VECTOR_BLEND_WRAPPERS(Sse2)

// p + ((q - p) x f >> 16) in 16-bit lanes, f of 0..65535 (see LerpRows).
inline __m128i LerpLanes(__m128i p, __m128i q, __m128i f)
{
    const __m128i diff = _mm_sub_epi16(q, p);
    return _mm_add_epi16(p, _mm_add_epi16(_mm_mulhi_epi16(diff, f), _mm_and_si128(diff, _mm_srai_epi16(f, 15))));
}

// Horizontal interpolation of 32-bit pixels, four per step: each pixel's two
// source pixels come with one 8-byte load.
void LerpRow32(const KernelArgs& a)
{
    const uint32_t step = uint32_t(a.step);
    uint32_t pos = uint32_t(a.position);
    int k = 0;
    for (; k + 4 <= a.width; k += 4, pos += 4 * step) {
        const uint32_t p0 = pos, p1 = pos + step, p2 = pos + 2 * step, p3 = pos + 3 * step;
        if (int32_t(p3 >> 16) >= a.last)
            break;  // the next column of the last pixels may be the edge
        auto pair = [&](uint32_t p) { return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(a.src + 4 * (p >> 16))); };
        const __m128i x01 = _mm_unpacklo_epi32(pair(p0), pair(p1)), x23 = _mm_unpacklo_epi32(pair(p2), pair(p3));
        // Fractions: f0 f0 f1 f1 f2 f2 f3 f3, then four lanes per pixel.
        __m128i f = _mm_set_epi32(int(p3 & 0xFFFF), int(p2 & 0xFFFF), int(p1 & 0xFFFF), int(p0 & 0xFFFF));
        f = _mm_shufflehi_epi16(_mm_shufflelo_epi16(f, 0xA0), 0xA0);
        const __m128i zero = _mm_setzero_si128();
        const __m128i r01 = LerpLanes(_mm_unpacklo_epi8(x01, zero), _mm_unpackhi_epi8(x01, zero), _mm_unpacklo_epi32(f, f));
        const __m128i r23 = LerpLanes(_mm_unpacklo_epi8(x23, zero), _mm_unpackhi_epi8(x23, zero), _mm_unpackhi_epi32(f, f));
        Store128(a.dst + 4 * k, _mm_packus_epi16(r01, r23));
    }
    LerpRowSpan<kFormat32>(a, k, a.width);
}

const KernelEntry kEntries[] = {
    QUILL_VECTOR_BLEND_ENTRIES(kCpuSSE2),
    {KernelKey(kOpLerpRow, 32), kCpuSSE2, LerpRow32, "LerpRow32"},
    QUILL_CONVERTING_ENTRIES(kCpuSSE2, Convert),
    QUILL_FILL_ENTRIES(kCpuSSE2, Fill),
};

}  // namespace

const KernelList kSurfaceKernelsSSE2 = {kEntries, sizeof kEntries / sizeof kEntries[0]};
#else
const KernelList kSurfaceKernelsSSE2 = {nullptr, 0};
#endif
