// AVX2 kernels (built with -mavx2; chosen only when the system saves the
// 256-bit registers): eight 0x00RRGGBB lanes per register, sixteen pixels per
// step.
#include "surface/kernels/BlendVector.h"
#include "surface/kernels/KernelPixels.h"
#include "surface/kernels/Kernels.h"

#ifdef __AVX2__
#include <immintrin.h>

namespace {

inline __m128i Load128(const uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
inline void Store128(uint8_t* p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }
inline __m256i Load256(const uint8_t* p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)); }
inline void Store256(uint8_t* p, __m256i v) { _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v); }

// Sixteen pixels: lo holds pixels 0 to 7, hi pixels 8 to 15.
struct Block {
    __m256i lo, hi;
};

inline __m256i Widen(__m256i p, int S)
{
    const __m256i b = _mm256_and_si256(_mm256_slli_epi32(p, 3), _mm256_set1_epi32(0xF8));
    if (S == kFormat16)
        return _mm256_or_si256(
            b, _mm256_or_si256(_mm256_and_si256(_mm256_slli_epi32(p, 5), _mm256_set1_epi32(0xFC00)),
                               _mm256_and_si256(_mm256_slli_epi32(p, 8), _mm256_set1_epi32(0xF80000))));
    return _mm256_or_si256(
        b, _mm256_or_si256(_mm256_and_si256(_mm256_slli_epi32(p, 6), _mm256_set1_epi32(0xF800)),
                           _mm256_and_si256(_mm256_slli_epi32(p, 9), _mm256_set1_epi32(0xF80000))));
}

// Lanes 0x00RRGGBB to 15 or 16 bits in two multiplies: the kept bits of B, G
// and R as bytes, then B + G x 64 (x 32 for 15) in the low word and R x 32 in
// the high word, then low + high x 64 (x 32), which puts every channel at its
// place shifted up by 3. The channels' bits do not overlap, so nothing carries.
inline __m256i Narrow(__m256i x, int D)
{
    const bool six = D == kFormat16;
    const __m256i kept = _mm256_and_si256(x, _mm256_set1_epi32(six ? 0x00F8FCF8 : 0x00F8F8F8));
    const __m256i words = _mm256_maddubs_epi16(kept, _mm256_set1_epi32(six ? 0x00204001 : 0x00202001));
    const __m256i sum = _mm256_madd_epi16(words, _mm256_set1_epi32(six ? 0x00400001 : 0x00200001));
    return _mm256_srli_epi32(sum, 3);
}

// Eight 3-byte pixels from one 32-byte load (8 bytes more than they take):
// bytes 12 to 27 move to the upper half, then each half spreads four pixels
// to lanes.
inline __m256i Expand24(const uint8_t* p)
{
    const __m256i v = _mm256_permutevar8x32_epi32(Load256(p), _mm256_setr_epi32(0, 1, 2, 3, 3, 4, 5, 6));
    const __m256i spread = _mm256_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1,  //
                                            0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
    return _mm256_shuffle_epi8(v, spread);
}

// Eight lanes as 24 bytes; each 16-byte store carries four spare bytes that
// the next store writes again (the caller leaves room after the last).
inline void Pack24(uint8_t* d, __m256i x)
{
    const __m256i pack = _mm256_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1,  //
                                          0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
    const __m256i c = _mm256_shuffle_epi8(x, pack);
    Store128(d, _mm256_castsi256_si128(c));
    Store128(d + 12, _mm256_extracti128_si256(c, 1));
}

template <int S> inline Block LoadBlock(const uint8_t* s, int i, const uint32_t* palette)
{
    (void)palette;
    Block b;
    if (S == kFormat15 || S == kFormat16) {
        const __m256i v = Load256(s + 2 * i);
        b.lo = Widen(_mm256_cvtepu16_epi32(_mm256_castsi256_si128(v)), S);
        b.hi = Widen(_mm256_cvtepu16_epi32(_mm256_extracti128_si256(v, 1)), S);
    } else if (S == kFormat24) {
        b.lo = Expand24(s + 3 * i);
        b.hi = Expand24(s + 3 * i + 24);
    } else {
        const __m256i m = _mm256_set1_epi32(0xFFFFFF);
        b.lo = _mm256_and_si256(Load256(s + 4 * i), m);
        b.hi = _mm256_and_si256(Load256(s + 4 * i + 32), m);
    }
    return b;
}

template <int D> inline void StoreBlock(uint8_t* d, int i, const Block& b)
{
    if (D == kFormat15 || D == kFormat16) {
        // The pack works per 128-bit half; the permute puts the quarters back
        // in pixel order.
        const __m256i packed = _mm256_packus_epi32(Narrow(b.lo, D), Narrow(b.hi, D));
        Store256(d + 2 * i, _mm256_permute4x64_epi64(packed, 0xD8));
    } else if (D == kFormat24) {
        Pack24(d + 3 * i, b.lo);
        Pack24(d + 3 * i + 24, b.hi);
    } else {
        Store256(d + 4 * i, b.lo);
        Store256(d + 4 * i + 32, b.hi);
    }
}

template <int D, int S> void Convert(const KernelArgs& a)
{
    const uint32_t* palette = static_cast<const uint32_t*>(a.table);
    // 24-bit rows are read (8 bytes) and written (4 bytes) past the block.
    const int room = S == kFormat24 ? 3 : D == kFormat24 ? 2 : 0;
    ForEachRow(a, [&](uint8_t* d, const uint8_t* s) {
        BlockRow(a.width, 16, room, [&](int i) { StoreBlock<D>(d, i, LoadBlock<S>(s, i, palette)); },
                 [&](int from) { ConvertSpan<D, S>(d, s, from, a.width, palette); });
    });
}

template <int F> void Fill(const KernelArgs& a)
{
    // One 96-byte period of the row in three registers.
    uint8_t pattern[96];
    const int bpp = BytesPerPixel(F), perStep = 96 / bpp;
    FillSpan<F>(pattern, 0, perStep, a.value);
    const __m256i p0 = Load256(pattern), p1 = Load256(pattern + 32), p2 = Load256(pattern + 64);
    ForEachRow(a, [&](uint8_t* d, const uint8_t*) {
        int i = 0;
        for (; i + perStep <= a.width; i += perStep) {
            uint8_t* p = d + i * bpp;
            Store256(p, p0), Store256(p + 32, p1), Store256(p + 64, p2);
        }
        FillSpan<F>(d, i, a.width, a.value);
    });
}

// The blends' registers: eight 32-bit pixels or sixteen 16-bit pixels. The
// byte unpacks and packs work per 128-bit half, which keeps pixels in place
// as long as both are used together.
struct Avx2 {
    typedef __m256i R;
    static const int kBytes = 32;
    static const int kRoom24 = 3;  // Load24 reads 32 bytes for 24
    static R Load(const uint8_t* p) { return Load256(p); }
    static void Store(uint8_t* p, R v) { Store256(p, v); }
    static R Load24(const uint8_t* p) { return Expand24(p); }
    static void Store24(uint8_t* p, R v)
    {
        const R pack = _mm256_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1,  //
                                        0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
        const R packed = _mm256_permutevar8x32_epi32(_mm256_shuffle_epi8(v, pack),
                                                     _mm256_setr_epi32(0, 1, 2, 4, 5, 6, 7, 7));
        Store128(p, _mm256_castsi256_si128(packed));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(p + 16), _mm256_extracti128_si256(packed, 1));
    }
    static R LoadAlpha32(const uint8_t* a)
    {
        const R spread = _mm256_setr_epi8(0, 0, 0, 0, 4, 4, 4, 4, 8, 8, 8, 8, 12, 12, 12, 12,  //
                                          0, 0, 0, 0, 4, 4, 4, 4, 8, 8, 8, 8, 12, 12, 12, 12);
        return _mm256_shuffle_epi8(_mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(a))),
                                   spread);
    }
    static R LoadAlpha16(const uint8_t* a) { return _mm256_cvtepu8_epi16(Load128(a)); }
    static R Zero() { return _mm256_setzero_si256(); }
    static R Set16(uint16_t v) { return _mm256_set1_epi16(short(v)); }
    static R Set32(uint32_t v) { return _mm256_set1_epi32(int(v)); }
    static R And(R a, R b) { return _mm256_and_si256(a, b); }
    static R Or(R a, R b) { return _mm256_or_si256(a, b); }
    static R Select(R m, R a, R b) { return _mm256_blendv_epi8(b, a, m); }
    static R Add16(R a, R b) { return _mm256_add_epi16(a, b); }
    static R Sub16(R a, R b) { return _mm256_sub_epi16(a, b); }
    static R MulLo16(R a, R b) { return _mm256_mullo_epi16(a, b); }
    static R MulHi16(R a, R b) { return _mm256_mulhi_epi16(a, b); }
    static R Srl16(R a, int n) { return _mm256_srli_epi16(a, n); }
    static R Sll16(R a, int n) { return _mm256_slli_epi16(a, n); }
    static R CmpEq16(R a, R b) { return _mm256_cmpeq_epi16(a, b); }
    static R CmpEq32(R a, R b) { return _mm256_cmpeq_epi32(a, b); }
    static R SubSatU8(R a, R b) { return _mm256_subs_epu8(a, b); }
    static R SubSatU16(R a, R b) { return _mm256_subs_epu16(a, b); }
    static R UnpackLo8(R a) { return _mm256_unpacklo_epi8(a, Zero()); }
    static R UnpackHi8(R a) { return _mm256_unpackhi_epi8(a, Zero()); }
    static R UnpackLo8x2(R a) { return _mm256_unpacklo_epi8(a, a); }
    static R UnpackHi8x2(R a) { return _mm256_unpackhi_epi8(a, a); }
    static R MulHiU16(R a, R b) { return _mm256_mulhi_epu16(a, b); }
    static R Pack16(R lo, R hi) { return _mm256_packus_epi16(lo, hi); }
    static bool AllZero(R v) { return _mm256_testz_si256(v, v) != 0; }
    static bool AllOnes(R v) { return _mm256_testc_si256(v, _mm256_set1_epi32(-1)) != 0; }
    static void Done() {}
};

QUILL_VECTOR_BLEND_WRAPPERS(Avx2)

// p + ((q - p) x f >> 16) in 16-bit lanes, f of 0..65535 (see LerpRows).
inline __m256i LerpLanes(__m256i p, __m256i q, __m256i f)
{
    const __m256i diff = _mm256_sub_epi16(q, p);
    return _mm256_add_epi16(
        p, _mm256_add_epi16(_mm256_mulhi_epi16(diff, f), _mm256_and_si256(diff, _mm256_srai_epi16(f, 15))));
}

// Horizontal interpolation of 32-bit pixels, eight per step. Enlarging (a
// step below one pixel), the eight pixels' sources lie among nine columns:
// two loads of eight from the first column and the one after it, picked per
// lane. Otherwise each pixel's pair comes with an 8-byte load.
void LerpRow32(const KernelArgs& a)
{
    const uint32_t step = uint32_t(a.step);
    uint32_t pos = uint32_t(a.position);
    int k = 0;
    const __m256i zero = _mm256_setzero_si256();
    const __m256i spreadLo = _mm256_setr_epi8(0, 1, 0, 1, 0, 1, 0, 1, 4, 5, 4, 5, 4, 5, 4, 5,  //
                                              0, 1, 0, 1, 0, 1, 0, 1, 4, 5, 4, 5, 4, 5, 4, 5);
    const __m256i spreadHi = _mm256_setr_epi8(8, 9, 8, 9, 8, 9, 8, 9, 12, 13, 12, 13, 12, 13, 12, 13,  //
                                              8, 9, 8, 9, 8, 9, 8, 9, 12, 13, 12, 13, 12, 13, 12, 13);
    if (step < 0x10000) {
        __m256i positions = _mm256_add_epi32(_mm256_set1_epi32(int(pos)),
                                             _mm256_mullo_epi32(_mm256_set1_epi32(int(step)),
                                                                _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7)));
        const __m256i advance = _mm256_set1_epi32(int(8 * step));
        for (; k + 8 <= a.width; k += 8, pos += 8 * step) {
            const int32_t first = int32_t(pos >> 16);
            if (first + 8 > a.last)
                break;  // the loads would pass the last column
            const __m256i columns = _mm256_sub_epi32(_mm256_srli_epi32(positions, 16), _mm256_set1_epi32(first));
            const __m256i p = _mm256_permutevar8x32_epi32(Load256(a.src + 4 * first), columns);
            const __m256i q = _mm256_permutevar8x32_epi32(Load256(a.src + 4 * first + 4), columns);
            const __m256i f = _mm256_and_si256(positions, _mm256_set1_epi32(0xFFFF));
            const __m256i lo = LerpLanes(_mm256_unpacklo_epi8(p, zero), _mm256_unpacklo_epi8(q, zero),
                                         _mm256_shuffle_epi8(f, spreadLo));
            const __m256i hi = LerpLanes(_mm256_unpackhi_epi8(p, zero), _mm256_unpackhi_epi8(q, zero),
                                         _mm256_shuffle_epi8(f, spreadHi));
            Store256(a.dst + 4 * k, _mm256_packus_epi16(lo, hi));
            positions = _mm256_add_epi32(positions, advance);
        }
    } else {
        for (; k + 4 <= a.width; k += 4, pos += 4 * step) {
            const uint32_t p0 = pos, p1 = pos + step, p2 = pos + 2 * step, p3 = pos + 3 * step;
            if (int32_t(p3 >> 16) >= a.last)
                break;
            auto pair = [&](uint32_t p) {
                return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(a.src + 4 * (p >> 16)));
            };
            // Per half: the two pixels of one load's pair side by side.
            const __m256i x = _mm256_set_m128i(_mm_unpacklo_epi32(pair(p2), pair(p3)),
                                               _mm_unpacklo_epi32(pair(p0), pair(p1)));
            const __m256i f = _mm256_setr_epi32(int(p0 & 0xFFFF), int(p1 & 0xFFFF), 0, 0, int(p2 & 0xFFFF),
                                                int(p3 & 0xFFFF), 0, 0);
            const __m256i r = LerpLanes(_mm256_unpacklo_epi8(x, zero), _mm256_unpackhi_epi8(x, zero),
                                        _mm256_shuffle_epi8(f, spreadLo));
            const __m256i packed = _mm256_packus_epi16(r, r);
            Store128(a.dst + 4 * k, _mm256_castsi256_si128(_mm256_permute4x64_epi64(packed, 0x08)));
        }
    }
    LerpRowSpan<kFormat32>(a, k, a.width);
}

const KernelEntry kEntries[] = {
    QUILL_VECTOR_BLEND_ENTRIES(kCpuAVX2),
    {KernelKey(kOpLerpRow, 32), kCpuAVX2, LerpRow32, "LerpRow32"},
    QUILL_CONVERTING_ENTRIES(kCpuAVX2, Convert),
    QUILL_FILL_ENTRIES(kCpuAVX2, Fill),
};

}  // namespace

const KernelList kSurfaceKernelsAVX2 = {kEntries, sizeof kEntries / sizeof kEntries[0]};
#else
const KernelList kSurfaceKernelsAVX2 = {nullptr, 0};
#endif
