// The portable kernels: they define every result the other levels reproduce.
#include "surface/KernelPixels.h"
#include "surface/Kernels.h"

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
        ForEachRow(a, [&](uint8_t* d, const uint8_t* s) { std::memcpy(d, s, bytes); });
        return;
    }
    ForEachRow(a, [&](uint8_t* d, const uint8_t* s) { ConvertSpan<D, S>(d, s, 0, a.width, palette); });
}

template <int F> void Fill(const KernelArgs& a)
{
    ForEachRow(a, [&](uint8_t* d, const uint8_t*) { FillSpan<F>(d, 0, a.width, a.value); });
}

const KernelEntry kEntries[] = {
    {KernelKey(kOpCopyBytes), kCpuPortable, CopyBytes, "CopyBytes"},
    QUILL_CONVERT_ENTRIES(kCpuPortable, Convert),
    QUILL_FILL_ENTRIES(kCpuPortable, Fill),
};

}  // namespace

const KernelList kSurfaceKernelsPortable = {kEntries, sizeof kEntries / sizeof kEntries[0]};
