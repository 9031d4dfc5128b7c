// The portable kernels: they define every result the other levels reproduce.
#include "surface/kernels/KernelPixels.h"
#include "surface/kernels/Kernels.h"

namespace {

void CopyBytes(const KernelArgs& a)
{
    ForEachRow(a, [&](uint8_t* d, const uint8_t* s) { std::memcpy(d, s, size_t(a.width)); });
}

// Equal formats copy the pixels as they are (the fourth byte of format 32 and
// bit 15 of format 15 included); other pairs go through 0x00RRGGBB.
template <int D, int S> void Convert(const KernelArgs& a)
{
    const uint32_t* palette = static_cast<const uint32_t*>(a.table);
    if (D == S) {
        const size_t bytes = size_t(a.width) * BytesPerPixel(D);
        if (a.dstPitch == a.srcPitch && ptrdiff_t(bytes) == a.dstPitch)
            std::memcpy(a.dst, a.src, bytes * size_t(a.height));  // contiguous rows: one block
        else
            ForEachRow(a, [&](uint8_t* d, const uint8_t* s) { std::memcpy(d, s, bytes); });
        return;
    }
    if (S == kFormatPalette8) {
        ConvertPalette<D>(a);
        return;
    }
    ForEachRow(a, [&](uint8_t* d, const uint8_t* s) { ConvertSpan<D, S>(d, s, 0, a.width, palette); });
}

template <int F> void Fill(const KernelArgs& a)
{
    ForEachRow(a, [&](uint8_t* d, const uint8_t*) { FillSpan<F>(d, 0, a.width, a.value); });
}

template <int D, int S> void Blend(const KernelArgs& a)
{
    const int opacity = ClampOpacity(a.opacity);
    if (opacity == 0)
        return;
    ForEachRow(a, [&](uint8_t* d, const uint8_t* s) { BlendSpan<D, S>(d, s, 0, a.width, opacity); });
}

template <int D, int S> void KeyBlend(const KernelArgs& a)
{
    const int opacity = ClampOpacity(a.opacity);
    if (opacity == 0)
        return;
    ForEachRow(a, [&](uint8_t* d, const uint8_t* s) { KeySpan<D, S>(d, s, 0, a.width, opacity, a.value); });
}

template <int D, int S> void AlphaBlend(const KernelArgs& a)
{
    const int opacity = ClampOpacity(a.opacity);
    if (opacity == 0)
        return;
    const uint8_t* alpha = a.srcAlpha;
    ForEachRow(a, [&](uint8_t* d, const uint8_t* s) {
        AlphaSpan<D, S>(d, s, alpha, 0, a.width, opacity);
        alpha += a.srcAlphaPitch;
    });
}

// Per pixel: the source kind's opacity, then the rule onto the destination's
// alpha byte.
template <int D, int S, int K> void BlendDstAlpha(const KernelArgs& a)
{
    const int opacity = ClampOpacity(a.opacity);
    if (opacity == 0)
        return;
    const uint8_t* srcAlpha = a.srcAlpha;
    uint8_t* dstAlpha = a.dstAlpha;
    ForEachRow(a, [&](uint8_t* d, const uint8_t* s) {
        for (int i = 0; i < a.width; ++i) {
            const uint32_t p = LoadPixel<S>(s, i);
            int o = opacity;
            if (K == kSourceKey && (p & KeyMask<S>()) == a.value)
                continue;
            if (K == kSourceAlpha)
                o = PlaneOpacity(srcAlpha[i], opacity);
            StorePixel<D>(d, i, BlendPixelDstAlpha<D>(ConvertPixel<D, S>(p), LoadPixel<D>(d, i), o, dstAlpha + i));
        }
        srcAlpha += a.srcAlphaPitch;
        dstAlpha += a.dstAlphaPitch;
    });
}

template <int F> void StretchNearest(const KernelArgs& a)
{
    uint32_t pos = uint32_t(a.position);
    for (int k = 0; k < a.width; ++k, pos += uint32_t(a.step))
        StorePixel<F>(a.dst, k, LoadPixel<F>(a.src, int(pos >> 16)));
}

template <int F> void LerpRow(const KernelArgs& a) { LerpRowSpan<F>(a, 0, a.width); }

template <int F> void LerpRows(const KernelArgs& a) { LerpRowsSpan<F>(a, 0, a.width); }

template <int D, int S> void Crossfade(const KernelArgs& args)
{
    const int o = ClampOpacity(args.opacity);
    ForEachMixRow(args, [&](uint8_t* d, const uint8_t* a, const uint8_t* b, const uint8_t*) {
        CrossfadeSpan<D>(d, a, b, 0, args.width, o);
    });
}

template <int D, int S> void Mix(const KernelArgs& args)
{
    const uint8_t* table = static_cast<const uint8_t*>(args.table);
    uint8_t coverage[256];
    ForEachMixRow(args, [&](uint8_t* d, const uint8_t* a, const uint8_t* b, const uint8_t* mask) {
        for (int from = 0; from < args.width; from += 256) {
            const int to = args.width - from < 256 ? args.width : from + 256;
            const size_t at = size_t(from) * BytesPerPixel(D);
            MixCoverage(mask, table, args.opacity, from, to, coverage);
            MixSpan<D>(d + at, a + at, b + at, coverage, 0, to - from);
        }
    });
}

const KernelEntry kEntries[] = {
    {KernelKey(kOpCopyBytes), kCpuPortable, CopyBytes, "CopyBytes"},
    QUILL_CONVERT_ENTRIES(kCpuPortable, Convert),
    QUILL_FILL_ENTRIES(kCpuPortable, Fill),
    QUILL_PAIR_ENTRIES(kOpBlend, kCpuPortable, Blend),
    QUILL_PAIR_ENTRIES(kOpKeyBlend, kCpuPortable, KeyBlend),
    QUILL_PAIR_ENTRIES(kOpAlphaBlend, kCpuPortable, AlphaBlend),
    QUILL_KIND_ENTRIES(kOpBlendDstAlpha, kCpuPortable, BlendDstAlpha),
    QUILL_ROW_ENTRIES(kOpStretchNearest, kCpuPortable, StretchNearest),
    QUILL_ROW_ENTRIES(kOpLerpRow, kCpuPortable, LerpRow),
    QUILL_ROW_ENTRIES(kOpLerpRows, kCpuPortable, LerpRows),
    QUILL_SAME_FORMAT_ENTRIES(kOpCrossfade, kCpuPortable, Crossfade),
    QUILL_SAME_FORMAT_ENTRIES(kOpMix, kCpuPortable, Mix),
};

}  // namespace

const KernelList kSurfaceKernelsPortable = {kEntries, sizeof kEntries / sizeof kEntries[0]};
