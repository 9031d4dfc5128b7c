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
//   MulLo16, MulHi16 (signed), Srl16, Sll16; CmpEq16, CmpEq32; SubSatU8,
//   SubSatU16; UnpackLo8, UnpackHi8 (bytes of the low or high half of each
//   128-bit lane widened to 16 bits), Pack16 (the reverse, saturating);
//   Div255 (x / 255 truncated for 16-bit lanes up to 65025); AllZero, AllOnes;
//   Done (called when a kernel ends).
#include "surface/KernelPixels.h"

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

    // Every byte: s x a / 255 + d x b / 255, with the multipliers as 16-bit
    // lanes for the low and the high half.
    static R Mix8(R s, R d, R aLo, R aHi, R bLo, R bHi)
    {
        const R lo = V::Add16(V::Div255(V::MulLo16(V::UnpackLo8(s), aLo)), V::Div255(V::MulLo16(V::UnpackLo8(d), bLo)));
        const R hi = V::Add16(V::Div255(V::MulLo16(V::UnpackHi8(s), aHi)), V::Div255(V::MulLo16(V::UnpackHi8(d), bHi)));
        return V::Pack16(lo, hi);
    }

    // c x l / 31 truncated, for c x l up to 63 x 31.
    static R Scale31(R c, R l) { return V::MulHi16(V::MulLo16(c, l), V::Set16(2115)); }

    // The 16-bit table blend: every channel d x (31 - L) / 31 + s x L / 31.
    template <int F> static R Mix16(R s, R d, R level, R inverse)
    {
        const int redShift = F == kFormat16 ? 11 : 10;
        const R red = V::Set16(31), green = V::Set16(F == kFormat16 ? 63 : 31);
        const R rs = V::And(V::Srl16(s, redShift), red), rd = V::And(V::Srl16(d, redShift), red);
        const R gs = V::And(V::Srl16(s, 5), green), gd = V::And(V::Srl16(d, 5), green);
        const R bs = V::And(s, red), bd = V::And(d, red);
        const R r = V::Add16(Scale31(rd, inverse), Scale31(rs, level));
        const R g = V::Add16(Scale31(gd, inverse), Scale31(gs, level));
        const R b = V::Add16(Scale31(bd, inverse), Scale31(bs, level));
        return V::Or(V::Or(V::Sll16(r, redShift), V::Sll16(g, 5)), b);
    }

    static R Equal(R s, R d, int format)
    {
        return format == kFormat15 || format == kFormat16 ? V::CmpEq16(s, d) : V::CmpEq32(s, d);
    }

    // A block at one opacity (1..254): blended, the fourth byte of 32 kept,
    // equal pixels left alone.
    template <int F> static R BlendBlock(R s, R d, R a, R b, R fourth)
    {
        R mixed;
        if (F == kFormat15 || F == kFormat16) {
            mixed = Mix16<F>(s, d, a, b);
        } else {
            mixed = Mix8(s, d, a, a, b, b);
            if (F == kFormat32)
                mixed = V::Select(fourth, d, mixed);
        }
        return V::Select(Equal(s, d, F), d, mixed);
    }

    // Multipliers of an opacity: a and 255 - a (levels a >> 3 and 31 - them
    // for 15 and 16).
    template <int F> static void Multipliers(int o, R& a, R& b)
    {
        if (F == kFormat15 || F == kFormat16) {
            a = V::Set16(uint16_t(o >> 3));
            b = V::Set16(uint16_t(31 - (o >> 3)));
        } else {
            a = V::Set16(uint16_t(o));
            b = V::Set16(uint16_t(255 - o));
        }
    }

    template <class Row> static void Rows(const KernelArgs& args, Row row)
    {
        uint8_t* d = args.dst;
        const uint8_t* s = args.src;
        const uint8_t* alpha = args.srcAlpha;
        for (int32_t y = 0; y < args.height; ++y, d += args.dstPitch, s += args.srcPitch) {
            row(d, s, alpha);
            if (alpha)
                alpha += args.srcAlphaPitch;
        }
        V::Done();
    }

    template <int F> static void Blend(const KernelArgs& args)
    {
        const int o = ClampOpacity(args.opacity);
        if (o == 0)
            return;
        const int n = PixelsPerBlock<F>(), room = Room<F>();
        R a, b;
        Multipliers<F>(o, a, b);
        const R fourth = V::Set32(0xFF000000);
        Rows(args, [&](uint8_t* d, const uint8_t* s, const uint8_t*) {
            if (o == 255) {
                std::memcpy(d, s, size_t(args.width) * BytesPerPixel(F));
                return;
            }
            int i = 0;
            for (; i + n + room <= args.width; i += n)
                StorePixels<F>(d, i, BlendBlock<F>(LoadPixels<F>(s, i), LoadPixels<F>(d, i), a, b, fourth));
            BlendSpan<F, F>(d, s, i, args.width, o);
        });
    }

    template <int F> static void KeyBlend(const KernelArgs& args)
    {
        const int o = ClampOpacity(args.opacity);
        if (o == 0)
            return;
        const bool packed = F == kFormat15 || F == kFormat16;
        const int n = PixelsPerBlock<F>(), room = Room<F>();
        R a, b;
        Multipliers<F>(o, a, b);
        const R fourth = V::Set32(0xFF000000);
        const R key = packed ? V::Set16(uint16_t(args.value)) : V::Set32(args.value);
        const R keyBits = packed ? V::Set16(uint16_t(KeyMask<F>())) : V::Set32(KeyMask<F>());
        Rows(args, [&](uint8_t* d, const uint8_t* s, const uint8_t*) {
            int i = 0;
            for (; i + n + room <= args.width; i += n) {
                const R sv = LoadPixels<F>(s, i), dv = LoadPixels<F>(d, i);
                const R keyed = packed ? V::CmpEq16(V::And(sv, keyBits), key) : V::CmpEq32(V::And(sv, keyBits), key);
                const R drawn = o == 255 ? sv : BlendBlock<F>(sv, dv, a, b, fourth);
                StorePixels<F>(d, i, V::Select(keyed, dv, drawn));
            }
            KeySpan<F, F>(d, s, i, args.width, o, args.value);
        });
    }

    template <int F> static void AlphaBlend(const KernelArgs& args)
    {
        const int o = ClampOpacity(args.opacity);
        if (o == 0)
            return;
        const bool packed = F == kFormat15 || F == kFormat16;
        const int n = PixelsPerBlock<F>(), room = Room<F>();
        const R below = packed ? V::Set16(uint16_t(255 - o)) : V::Set32(uint32_t(255 - o) * 0x01010101u);
        const R full = packed ? V::Set16(255) : V::Set32(0xFFFFFFFF);
        const R fourth = V::Set32(0xFF000000);
        Rows(args, [&](uint8_t* d, const uint8_t* s, const uint8_t* alpha) {
            int i = 0;
            for (; i + n + room <= args.width; i += n) {
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
                    const R dv = LoadPixels<F>(d, i);
                    const R level = V::Srl16(a, 3);
                    R mixed = Mix16<F>(sv, dv, level, V::Sub16(V::Set16(31), level));
                    mixed = V::Select(opaque, sv, mixed);
                    const R keep = V::Or(V::CmpEq16(a, V::Zero()), V::CmpEq16(sv, dv));
                    StorePixels<F>(d, i, V::Select(keep, dv, mixed));
                } else {
                    const R a = V::SubSatU8(V::LoadAlpha32(alpha + i), below);
                    if (V::AllZero(a))
                        continue;
                    const R sv = LoadPixels<F>(s, i);
                    if (V::AllOnes(a)) {
                        StorePixels<F>(d, i, sv);
                        continue;
                    }
                    const R dv = LoadPixels<F>(d, i);
                    const R aLo = V::UnpackLo8(a), aHi = V::UnpackHi8(a), max = V::Set16(255);
                    R mixed = Mix8(sv, dv, aLo, aHi, V::Sub16(max, aLo), V::Sub16(max, aHi));
                    if (F == kFormat32)  // the fourth byte: the source's where a is 255
                        mixed = V::Select(fourth, V::Select(V::CmpEq32(a, full), sv, dv), mixed);
                    StorePixels<F>(d, i, V::Select(V::CmpEq32(sv, dv), dv, mixed));
                }
            }
            AlphaSpan<F, F>(d, s, alpha, i, args.width, o);
        });
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
// AlphaBlend and LerpRows over VectorBlend<Policy> in the including file.
#define QUILL_VECTOR_BLEND_ENTRIES(level)                                                      \
    QUILL_SAME_FORMAT_ENTRIES(kOpBlend, level, Blend),                                         \
    QUILL_SAME_FORMAT_ENTRIES(kOpKeyBlend, level, KeyBlend),                                   \
    QUILL_SAME_FORMAT_ENTRIES(kOpAlphaBlend, level, AlphaBlend),                               \
    {KernelKey(kOpLerpRows, 8), level, LerpRows<8>, "LerpRows<8>"},                            \
    {KernelKey(kOpLerpRows, 24), level, LerpRows<24>, "LerpRows<24>"},                         \
    {KernelKey(kOpLerpRows, 32), level, LerpRows<32>, "LerpRows<32>"}

// The wrappers the entries name; D and S are equal for the blends.
#define QUILL_VECTOR_BLEND_WRAPPERS(Policy)                                                    \
    template <int D, int S> void Blend(const KernelArgs& a) { VectorBlend<Policy>::Blend<D>(a); } \
    template <int D, int S> void KeyBlend(const KernelArgs& a) { VectorBlend<Policy>::KeyBlend<D>(a); } \
    template <int D, int S> void AlphaBlend(const KernelArgs& a) { VectorBlend<Policy>::AlphaBlend<D>(a); } \
    template <int F> void LerpRows(const KernelArgs& a) { VectorBlend<Policy>::LerpRows<F>(a); }
