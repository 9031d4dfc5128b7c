#include "BlendBounds.h"

#if defined(__i386__) || defined(__x86_64__)
#include <immintrin.h>

namespace bench {

namespace {

__attribute__((target("avx2"))) inline __m256i Load(const uint8_t* p)
{
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

}  // namespace

__attribute__((target("avx2"))) void BlendBound16(uint8_t* dst, const uint8_t* src, ptrdiff_t pitch, int width,
                                                  int height)
{
    const __m256i ms = _mm256_set1_epi16(2115 * 16), md = _mm256_set1_epi16(2115 * 15);
    for (int y = 0; y < height; ++y, dst += pitch, src += pitch)
        for (int x = 0; x + 16 <= width; x += 16) {
            const __m256i s = Load(src + 2 * x), d = Load(dst + 2 * x);
            __m256i r = _mm256_add_epi16(_mm256_mulhi_epu16(s, ms), _mm256_mulhi_epu16(d, md));
            r = _mm256_add_epi16(r, _mm256_mulhi_epu16(_mm256_srli_epi16(s, 5), ms));
            r = _mm256_add_epi16(r, _mm256_mulhi_epu16(_mm256_srli_epi16(d, 5), md));
            r = _mm256_add_epi16(r, _mm256_mulhi_epu16(_mm256_srli_epi16(s, 11), ms));
            r = _mm256_add_epi16(r, _mm256_mulhi_epu16(_mm256_srli_epi16(d, 11), md));
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + 2 * x), r);
        }
}

__attribute__((target("avx2"))) void BlendBound24(uint8_t* dst, const uint8_t* src, ptrdiff_t pitch, int width,
                                                  int height)
{
    const __m256i halves = _mm256_setr_epi32(0, 1, 2, 3, 3, 4, 5, 6), back = _mm256_setr_epi32(0, 1, 2, 4, 5, 6, 7, 7);
    const __m256i spread = _mm256_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1,  //
                                            0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
    const __m256i pack = _mm256_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1,  //
                                          0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
    const __m256i a = _mm256_set1_epi16(257 * 100 + 1), b = _mm256_set1_epi16(257 * 155 + 1);
    const __m256i zero = _mm256_setzero_si256();
    for (int y = 0; y < height; ++y, dst += pitch, src += pitch)
        for (int x = 0; x + 8 <= width; x += 8) {
            const __m256i s = _mm256_shuffle_epi8(_mm256_permutevar8x32_epi32(Load(src + 3 * x), halves), spread);
            const __m256i d = _mm256_shuffle_epi8(_mm256_permutevar8x32_epi32(Load(dst + 3 * x), halves), spread);
            const __m256i lo = _mm256_add_epi16(_mm256_mulhi_epu16(_mm256_unpacklo_epi8(s, zero), a),
                                                _mm256_mulhi_epu16(_mm256_unpacklo_epi8(d, zero), b));
            const __m256i hi = _mm256_add_epi16(_mm256_mulhi_epu16(_mm256_unpackhi_epi8(s, zero), a),
                                                _mm256_mulhi_epu16(_mm256_unpackhi_epi8(d, zero), b));
            const __m256i out = _mm256_permutevar8x32_epi32(_mm256_shuffle_epi8(_mm256_packus_epi16(lo, hi), pack), back);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 3 * x), _mm256_castsi256_si128(out));
            _mm_storel_epi64(reinterpret_cast<__m128i*>(dst + 3 * x + 16), _mm256_extracti128_si256(out, 1));
        }
}

}  // namespace bench
#else
// No AVX2 on other processors: the benchmark never calls these.
void bench::BlendBound16(uint8_t*, const uint8_t*, ptrdiff_t, int, int) {}
void bench::BlendBound24(uint8_t*, const uint8_t*, ptrdiff_t, int, int) {}
#endif
