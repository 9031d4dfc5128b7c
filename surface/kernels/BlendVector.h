#pragma once
// The blend kernels of equal source and destination formats, written once
// over a vector policy V and instantiated by the level files (MMX, SSE, SSE2,
// AVX2), each with its own registers. Like KernelPixels.h, everything is local
// to the including file.
//
// V provides, on its register type R of V::kBytes bytes:
//   Load, Store (kBytes bytes), Load24 (kBytes / 4 pixels of 3 bytes as
//   32-bit lanes, reading up to kRoom24 pixels further), Store24 (exactly
//   3 x kBytes / 4 bytes), LoadAlpha32 (kBytes / 4 alpha bytes, each repeated
//   over its 32-bit lane), LoadAlpha16 (kBytes / 2 alpha bytes as 16-bit
//   lanes); Zero, Set16, Set32; And, Or, Select(mask, a, b); Add16, Sub16,
//   MulLo16, MulHi16 (signed), MulHiU16 (unsigned), Srl16, Sll16; CmpEq16,
//   CmpEq32; SubSatU8, SubSatU16; UnpackLo8, UnpackHi8 (bytes of the low or
//   high half of each 128-bit lane widened to 16 bits), UnpackLo8x2,
//   UnpackHi8x2 (the same bytes repeated in both halves of the 16-bit lane:
//   byte x 257), Pack16 (the reverse of the widening, saturating); AllZero,
//   AllOnes; Done (called when a kernel ends).
//
// The table blend is exact with one unsigned high multiply per term:
// a x v / 255 truncated is (v x (257 a + 1)) >> 16 for bytes v and a below
// 255, and c x L / 31 of a 5- or 6-bit field c at its place in the pixel is
// the field's bits of the high product of the field and 2115 L, for L up to
// 30 (both checked over every value by the kernel tests).
#include "surface/kernels/KernelPixels.h"

#include <type_traits>

namespace {

template <class V> struct VectorBlend {
    typedef typename V::R R;
    static const int kPixels32 = V::kBytes / 4;  // pixels of 24 and 32 per register
    static const int kPixels16 = V::kBytes / 2;  // pixels of 15 and 16 per register

    template <int F> static int PixelsPerBlock() { return F == kFormat15 || F == kFormat16 ? kPixels16 : kPixels32; }
    template <int F> static int Room() { return F == kFormat24 ? V::kRoom24 : 0; }
    template <int F> static R LoadPixels(const uint8_t* row, int i)
    {
        return F == kFormat24 ? V::Load24(row + 3 * i) : V::Load(row + BytesPerPixel(F) * i);
    }
    template <int F> static void StorePixels(uint8_t* row, int i, R v)
    {
        if (F == kFormat24)
            V::Store24(row + 3 * i, v);
        else
            V::Store(row + BytesPerPixel(F) * i, v);
    }

    // Every byte: s x a / 255 + d x b / 255, the multipliers given as
    // 257 a + 1 and 257 b + 1 in the 16-bit lanes of the low and high half.
    static R Mix8(R s, R d, R aLo, R aHi, R bLo, R bHi)
    {
        const R lo = V::Add16(V::MulHiU16(V::UnpackLo8(s), aLo), V::MulHiU16(V::UnpackLo8(d), bLo));
        const R hi = V::Add16(V::MulHiU16(V::UnpackHi8(s), aHi), V::MulHiU16(V::UnpackHi8(d), bHi));
        return V::Pack16(lo, hi);
    }

    // Every 5- or 6-bit field of p scaled by L / 31, in place: m is 2115 L
    // (0 for L = 31), whole the lanes where L is 31 (fields kept as they are).
    // (Without kWhole no lane has L = 31.)
    template <int F, bool kWhole> static R ScaleFields(R p, R m, R whole)
    {
        const R red = V::Set16(F == kFormat16 ? 0xF800 : 0x7C00), green = V::Set16(F == kFormat16 ? 0x07E0 : 0x03E0);
        const R blue = V::Set16(0x001F), fields = V::Set16(F == kFormat16 ? 0xFFFF : 0x7FFF);
        const R r = V::And(V::MulHiU16(V::And(p, red), m), red);
        const R g = V::And(V::MulHiU16(V::And(p, green), m), green);
        const R b = V::MulHiU16(V::And(p, blue), m);
        const R scaled = V::Or(V::Or(r, g), b);
        return kWhole ? V::Or(scaled, V::And(whole, V::And(p, fields))) : scaled;
    }

    // The multiplier and whole-lane mask of levels L (lanes of 0..31).
    static void LevelMultiplier(R level, R& m, R& whole)
    {
        whole = V::CmpEq16(level, V::Set16(31));
        m = V::Select(whole, V::Zero(), V::MulLo16(level, V::Set16(2115)));
    }

    // The 16-bit table blend: every field d x (31 - L) / 31 + s x L / 31; the
    // two never carry into the next field.
    template <int F, bool kWhole = true> static R Mix16(R s, R d, R ms, R wholeS, R md, R wholeD)
    {
        return V::Add16(ScaleFields<F, kWhole>(s, ms, wholeS), ScaleFields<F, kWhole>(d, md, wholeD));
    }

    static R Equal(R s, R d, int format)
    {
        return format == kFormat15 || format == kFormat16 ? V::CmpEq16(s, d) : V::CmpEq32(s, d);
    }

    // The multipliers of one opacity (1..254): for bytes 257 a + 1 and
    // 257 (255 - a) + 1; for 15 and 16 those of the levels a >> 3 and 31 - it.
    struct Opacity {
        R a, b, wholeA, wholeB;
        bool whole;  // a level of 0 or 31
    };
    template <int F> static Opacity Multipliers(int o)
    {
        Opacity m;
        m.whole = (o >> 3) == 0 || (o >> 3) == 31;
        if (F == kFormat15 || F == kFormat16) {
            LevelMultiplier(V::Set16(uint16_t(o >> 3)), m.a, m.wholeA);
            LevelMultiplier(V::Set16(uint16_t(31 - (o >> 3))), m.b, m.wholeB);
        } else {
            m.a = V::Set16(uint16_t(257 * o + 1));
            m.b = V::Set16(uint16_t(257 * (255 - o) + 1));
        }
        return m;
    }

    // A block at one opacity: blended, the fourth byte of 32 kept, equal
    // pixels left alone. kWhole is m.whole (15 and 16 only).
    template <int F, bool kWhole> static R BlendBlock(R s, R d, const Opacity& m, R fourth)
    {
        R mixed;
        if (F == kFormat15 || F == kFormat16) {
            mixed = Mix16<F, kWhole>(s, d, m.a, m.wholeA, m.b, m.wholeB);
        } else {
            mixed = Mix8(s, d, m.a, m.a, m.b, m.b);
            if (F == kFormat32)
                mixed = V::Select(fourth, d, mixed);
        }
        return V::Select(Equal(s, d, F), d, mixed);
    }

    // Calls f(std::integral_constant<bool, m.whole>()), so that the choice
    // is made once per call rather than once per block.
    template <int F, class Fn> static void WithWhole(const Opacity& m, Fn f)
    {
        if ((F == kFormat15 || F == kFormat16) && m.whole)
            f(std::true_type());
        else
            f(std::false_type());
    }

    // A block of s drawn onto d by the coverage of each pixel: a in 16-bit
    // lanes (15, 16) or repeated over the bytes of 32-bit lanes (24, 32).
    template <int F> static R MixByCoverage(R sv, R dv, R a, R fourth)
    {
        if (F == kFormat15 || F == kFormat16) {
            // Levels 1..30 of the source; the destination's multiplier
            // 2115 (31 - L) is 65565 - 2115 L, which is 29 - 2115 L in 16 bits.
            // Levels 31 and 0 are the tables' identity (without bit 15 of
            // format 15) of one pixel and zero of the other.
            const R level = V::Srl16(a, 3);
            const R ms = V::MulLo16(level, V::Set16(2115)), md = V::Sub16(V::Set16(29), ms);
            R mixed = Mix16<F, false>(sv, dv, ms, ms, md, md);
            const R fields = V::Set16(F == kFormat16 ? 0xFFFF : 0x7FFF);
            mixed = V::Select(V::CmpEq16(level, V::Set16(31)), F == kFormat16 ? sv : V::And(sv, fields), mixed);
            mixed = V::Select(V::CmpEq16(level, V::Zero()), F == kFormat16 ? dv : V::And(dv, fields), mixed);
            mixed = V::Select(V::CmpEq16(a, V::Set16(255)), sv, mixed);
            const R keep = V::Or(V::CmpEq16(a, V::Zero()), V::CmpEq16(sv, dv));
            return V::Select(keep, dv, mixed);
        }
        // 257 a + 1 and 257 (255 - a) + 1 = 65536 - 257 a; right for a of
        // 1..254, the others are chosen below.
        const R aLo = V::UnpackLo8x2(a), aHi = V::UnpackHi8x2(a), one = V::Set16(1);
        R mixed = Mix8(sv, dv, V::Add16(aLo, one), V::Add16(aHi, one), V::Sub16(V::Zero(), aLo),
                       V::Sub16(V::Zero(), aHi));
        if (F == kFormat32)
            mixed = V::Select(fourth, dv, mixed);
        mixed = V::Select(V::CmpEq32(a, V::Set32(0xFFFFFFFF)), sv, mixed);
        const R keep = V::Or(V::CmpEq32(a, V::Zero()), V::CmpEq32(sv, dv));
        return V::Select(keep, dv, mixed);
    }

    template <class Row> static void Rows(const KernelArgs& args, Row row)
    {
        uint8_t* d = args.dst;
        const uint8_t* s = args.src;
        const uint8_t* alpha = args.srcAlpha;
        const ptrdiff_t dstPitch = args.dstPitch, srcPitch = args.srcPitch, alphaPitch = args.srcAlphaPitch;
        for (int32_t y = 0, height = args.height; y < height; ++y, d += dstPitch, s += srcPitch) {
            row(d, s, alpha);
            if (alpha)
                alpha += alphaPitch;
        }
        V::Done();
    }

    // The kernels read args' fields into locals first: a store through a
    // pixel pointer could otherwise be taken to change them.
    template <int F> static void Blend(const KernelArgs& args)
    {
        const int o = ClampOpacity(args.opacity), width = args.width;
        if (o == 0)
            return;
        const int n = PixelsPerBlock<F>(), room = Room<F>();
        const Opacity m = Multipliers<F>(o == 255 ? 254 : o);
        const R fourth = V::Set32(0xFF000000);
        WithWhole<F>(m, [&](auto whole) {
            constexpr bool kWhole = decltype(whole)::value;
            Rows(args, [&](uint8_t* d, const uint8_t* s, const uint8_t*) {
                if (o == 255) {
                    std::memcpy(d, s, size_t(width) * BytesPerPixel(F));
                    return;
                }
                int i = 0;
                // Two blocks a step where the registers allow it.
                for (; F != kFormat15 && F != kFormat16 && i + 2 * n + room <= width; i += 2 * n) {
                    const R s0 = LoadPixels<F>(s, i), s1 = LoadPixels<F>(s, i + n);
                    const R d0 = LoadPixels<F>(d, i), d1 = LoadPixels<F>(d, i + n);
                    StorePixels<F>(d, i, BlendBlock<F, kWhole>(s0, d0, m, fourth));
                    StorePixels<F>(d, i + n, BlendBlock<F, kWhole>(s1, d1, m, fourth));
                }
                for (; i + n + room <= width; i += n)
                    StorePixels<F>(d, i, BlendBlock<F, kWhole>(LoadPixels<F>(s, i), LoadPixels<F>(d, i), m, fourth));
                BlendSpan<F, F>(d, s, i, width, o);
            });
        });
    }

    template <int F> static void KeyBlend(const KernelArgs& args)
    {
        const int o = ClampOpacity(args.opacity), width = args.width;
        const uint32_t keyValue = args.value;
        if (o == 0)
            return;
        const bool packed = F == kFormat15 || F == kFormat16;
        const int n = PixelsPerBlock<F>(), room = Room<F>();
        const Opacity m = Multipliers<F>(o == 255 ? 254 : o);
        const R fourth = V::Set32(0xFF000000);
        const R key = packed ? V::Set16(uint16_t(keyValue)) : V::Set32(keyValue);
        const R keyBits = packed ? V::Set16(uint16_t(KeyMask<F>())) : V::Set32(KeyMask<F>());
        WithWhole<F>(m, [&](auto whole) {
            constexpr bool kWhole = decltype(whole)::value;
            Rows(args, [&](uint8_t* d, const uint8_t* s, const uint8_t*) {
                int i = 0;
                for (; i + n + room <= width; i += n) {
                    const R sv = LoadPixels<F>(s, i), dv = LoadPixels<F>(d, i);
                    const R keyed =
                        packed ? V::CmpEq16(V::And(sv, keyBits), key) : V::CmpEq32(V::And(sv, keyBits), key);
                    const R drawn = o == 255 ? sv : BlendBlock<F, kWhole>(sv, dv, m, fourth);
                    StorePixels<F>(d, i, V::Select(keyed, dv, drawn));
                }
                KeySpan<F, F>(d, s, i, width, o, keyValue);
            });
        });
    }

    template <int F> static void AlphaBlend(const KernelArgs& args)
    {
        const int o = ClampOpacity(args.opacity), width = args.width;
        if (o == 0)
            return;
        const bool packed = F == kFormat15 || F == kFormat16;
        const int n = PixelsPerBlock<F>(), room = Room<F>();
        const R below = packed ? V::Set16(uint16_t(255 - o)) : V::Set32(uint32_t(255 - o) * 0x01010101u);
        const R full = packed ? V::Set16(255) : V::Set32(0xFFFFFFFF);
        const R fourth = V::Set32(0xFF000000);
        Rows(args, [&](uint8_t* d, const uint8_t* s, const uint8_t* alpha) {
            int i = 0;
            for (; i + n + room <= width; i += n) {
                if (packed) {
                    const R a = V::SubSatU16(V::LoadAlpha16(alpha + i), below);
                    if (V::AllZero(a))
                        continue;
                    const R sv = LoadPixels<F>(s, i);
                    const R opaque = V::CmpEq16(a, full);
                    if (V::AllOnes(opaque)) {
                        StorePixels<F>(d, i, sv);
                        continue;
                    }
                    StorePixels<F>(d, i, MixByCoverage<F>(sv, LoadPixels<F>(d, i), a, fourth));
                } else {
                    const R a = V::SubSatU8(V::LoadAlpha32(alpha + i), below);
                    if (V::AllZero(a))
                        continue;
                    const R sv = LoadPixels<F>(s, i);
                    if (V::AllOnes(a)) {
                        StorePixels<F>(d, i, sv);
                        continue;
                    }
                    StorePixels<F>(d, i, MixByCoverage<F>(sv, LoadPixels<F>(d, i), a, fourth));
                }
            }
            AlphaSpan<F, F>(d, s, alpha, i, width, o);
        });
    }

    // Two pictures into dst: B (src2) onto A (src) at one opacity.
    template <int F> static void Crossfade(const KernelArgs& args)
    {
        const int o = ClampOpacity(args.opacity), width = args.width;
        const int n = PixelsPerBlock<F>(), room = Room<F>();
        const Opacity m = Multipliers<F>(o == 0 || o == 255 ? 254 : o);
        const R fourth = V::Set32(0xFF000000);
        const size_t bytes = size_t(width) * BytesPerPixel(F);
        WithWhole<F>(m, [&](auto whole) {
            constexpr bool kWhole = decltype(whole)::value;
            ForEachMixRow(args, [&](uint8_t* d, const uint8_t* a, const uint8_t* b, const uint8_t*) {
                if (o == 0 || o == 255) {
                    const uint8_t* from = o == 0 ? a : b;
                    if (from != d)
                        std::memcpy(d, from, bytes);
                    return;
                }
                int i = 0;
                for (; i + n + room <= width; i += n)
                    StorePixels<F>(d, i, BlendBlock<F, kWhole>(LoadPixels<F>(b, i), LoadPixels<F>(a, i), m, fourth));
                CrossfadeSpan<F>(d, a, b, i, width, o);
            });
        });
        V::Done();
    }

    // Two pictures into dst, B (src2) onto A (src) by each pixel's coverage:
    // the mask's bytes, through the table when there is one.
    template <int F> static void Mix(const KernelArgs& args)
    {
        const int width = args.width;
        const bool packed = F == kFormat15 || F == kFormat16;
        const int n = PixelsPerBlock<F>(), room = Room<F>(), bpp = BytesPerPixel(F);
        const uint8_t* table = static_cast<const uint8_t*>(args.table);
        const R fourth = V::Set32(0xFF000000);
        uint8_t coverage[256];
        ForEachMixRow(args, [&](uint8_t* d, const uint8_t* a, const uint8_t* b, const uint8_t* mask) {
            for (int from = 0; from < width; from += 256) {
                const int to = width - from < 256 ? width : from + 256;
                MixCoverage(mask, table, args.opacity, from, to, coverage);
                int i = from;
                for (; i + n <= to && i + n + room <= width; i += n) {
                    const R cov = packed ? V::LoadAlpha16(coverage + (i - from)) : V::LoadAlpha32(coverage + (i - from));
                    StorePixels<F>(d, i, MixByCoverage<F>(LoadPixels<F>(b, i), LoadPixels<F>(a, i), cov, fourth));
                }
                const size_t at = size_t(i) * bpp;
                MixSpan<F>(d + at, a + at, b + at, coverage + (i - from), 0, to - i);
            }
        });
        V::Done();
    }

    // Vertical interpolation of rows of bytes (formats 8, 24, 32): every byte
    // p + ((q - p) x f >> 16). The signed high product of (q - p) and f taken
    // as a signed word is right when f < 32768 and short by (q - p) otherwise.
    template <int F> static void LerpRows(const KernelArgs& args)
    {
        const uint32_t f = args.value & 0xFFFF;
        const R fv = V::Set16(uint16_t(f)), fix = V::Set16(f >= 32768 ? 0xFFFF : 0);
        const int bytes = args.width * BytesPerPixel(F);
        auto lerp = [&](R p, R q) {
            const R diff = V::Sub16(q, p);
            return V::Add16(p, V::Add16(V::MulHi16(diff, fv), V::And(diff, fix)));
        };
        int i = 0;
        for (; i + V::kBytes <= bytes; i += V::kBytes) {
            const R p = V::Load(args.src + i), q = V::Load(args.src2 + i);
            V::Store(args.dst + i,
                     V::Pack16(lerp(V::UnpackLo8(p), V::UnpackLo8(q)), lerp(V::UnpackHi8(p), V::UnpackHi8(q))));
        }
        V::Done();
        for (; i < bytes; ++i)
            args.dst[i] = uint8_t(LerpChannel(args.src[i], args.src2[i], f));
    }
};

}  // namespace

// Entries of the vector blends of a level, with wrappers named Blend, KeyBlend,
// AlphaBlend, LerpRows, Crossfade and Mix over VectorBlend<Policy> in the including file.
#define QUILL_VECTOR_BLEND_ENTRIES(level)                                                      \
    QUILL_SAME_FORMAT_ENTRIES(kOpBlend, level, Blend),                                         \
    QUILL_SAME_FORMAT_ENTRIES(kOpKeyBlend, level, KeyBlend),                                   \
    QUILL_SAME_FORMAT_ENTRIES(kOpAlphaBlend, level, AlphaBlend),                               \
    {KernelKey(kOpLerpRows, 8), level, LerpRows<8>, "LerpRows<8>"},                            \
    {KernelKey(kOpLerpRows, 24), level, LerpRows<24>, "LerpRows<24>"},                         \
    {KernelKey(kOpLerpRows, 32), level, LerpRows<32>, "LerpRows<32>"},                         \
    QUILL_SAME_FORMAT_ENTRIES(kOpCrossfade, level, Crossfade),                                 \
    QUILL_SAME_FORMAT_ENTRIES(kOpMix, level, Mix)

// The wrappers the entries name; D and S are equal for the blends.
#define QUILL_VECTOR_BLEND_WRAPPERS(Policy)                                                    \
    template <int D, int S> void Blend(const KernelArgs& a) { VectorBlend<Policy>::Blend<D>(a); } \
    template <int D, int S> void KeyBlend(const KernelArgs& a) { VectorBlend<Policy>::KeyBlend<D>(a); } \
    template <int D, int S> void AlphaBlend(const KernelArgs& a) { VectorBlend<Policy>::AlphaBlend<D>(a); } \
    template <int F> void LerpRows(const KernelArgs& a) { VectorBlend<Policy>::LerpRows<F>(a); } \
    template <int D, int S> void Crossfade(const KernelArgs& a) { VectorBlend<Policy>::Crossfade<D>(a); } \
    template <int D, int S> void Mix(const KernelArgs& a) { VectorBlend<Policy>::Mix<D>(a); }
