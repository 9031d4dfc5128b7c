#pragma once
// The pixel kernels of the surface layer and the one table that chooses them.
//
// Every operation with a fast path has one plain portable kernel that defines
// its result; faster variants for a processor level are further entries with
// the same key. The table picks, per key, the entry of the highest level the
// processor (or the forced level) allows, once, when it is made or the level
// is changed. A kernel works on a rectangle; pitches may be negative (rows
// walked bottom-up).
//
// Adding a kernel: write it in the file of its level and append it to that
// file's entry list; a new list is named once in KernelLists.cpp. Nothing in
// the dispatch changes.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

// Processor levels, lowest first. Each includes the ones below it.
enum CpuLevel : int {
    kCpuPortable = 0,
    kCpuMMX,
    kCpuSSE,
    kCpuSSE2,
    kCpuAVX2,
    kCpuLevelCount
};

// "portable", "mmx", "sse", "sse2", "avx2".
const char* CpuLevelName(int level);
// The level of a name (case-insensitive); false for an unknown name.
bool ParseCpuLevel(const char* name, CpuLevel& level);

// Arguments of every kernel. A kernel touches width x height pixels of dst
// (and reads as many of src); other fields are read as its operation says.
struct KernelArgs {
    uint8_t* dst = nullptr;
    ptrdiff_t dstPitch = 0;
    const uint8_t* src = nullptr;
    ptrdiff_t srcPitch = 0;
    uint8_t* dstAlpha = nullptr;
    ptrdiff_t dstAlphaPitch = 0;
    const uint8_t* srcAlpha = nullptr;
    ptrdiff_t srcAlphaPitch = 0;
    int32_t width = 0;   // pixels (bytes for the byte operations)
    int32_t height = 0;  // rows
    uint32_t value = 0;  // a pixel in the kernel's format (fills, colour keys)
    int32_t opacity = 255;        // blends: taken as 0 below 0 and 255 above 255
    const void* table = nullptr;  // palette of 256 0x00RRGGBB words, ...
    // Stretching rows: source position of the first pixel and step between
    // pixels in 16.16 fixed point, from the start of src; the last pixel of
    // src a position may reach (column count - 1); the second row of a
    // vertical interpolation.
    int32_t position = 0;
    int32_t step = 0;
    int32_t last = 0;
    const uint8_t* src2 = nullptr;
    ptrdiff_t src2Pitch = 0;  // rows of src2 in the two-picture mixes
};
typedef void (*KernelFn)(const KernelArgs& args);

// Operations. The formats of a key are 0 where the operation has none.
enum KernelOp : uint8_t {
    kOpCopyBytes = 1,  // width bytes per row, src to dst, no overlap
    kOpConvert = 2,    // dst format <- src format (equal formats copy)
    kOpFill = 3,       // value (in the format) into every pixel

    // Blends of a source onto a destination without alpha (formats dst, src;
    // the source pixel is converted to the destination's format first). Each
    // pixel follows the blend rule with its opacity a: 0 leaves the
    // destination, 255 stores the source pixel, other values blend where the
    // two pixels differ.
    kOpBlend = 4,       // every pixel at a = opacity
    kOpKeyBlend = 5,    // as kOpBlend; pixels equal to value (the key in the source format) skipped
    kOpAlphaBlend = 6,  // a = srcAlpha - (255 - opacity), at least 0
    // The same onto a destination with an alpha plane (dstAlpha); variant is
    // the source kind (kSourceOpaque, kSourceKey, kSourceAlpha).
    kOpBlendDstAlpha = 7,

    // Rows of a stretch (format in dst, 8 for alpha bytes): pixel k of dst
    // from position p = position + k x step of src.
    kOpStretchNearest = 8,  // src[p >> 16]
    kOpLerpRow = 9,         // src[p >> 16] towards src[min(p >> 16 + 1, last)] by p & 0xFFFF
    kOpLerpRows = 10,       // src[k] towards src2[k] by value (0..65535)

    // Mixes of two pictures of the destination's format (formats F, F): dst
    // gets picture A (src) drawn over by picture B (src2) by the blend rule,
    // pixel by pixel: A where a is 0, B where a is 255, A where the two are
    // equal, otherwise the blend of B onto A. dst may be A or B itself.
    kOpCrossfade = 11,  // a = opacity for every pixel
    kOpMix = 12,        // a = table[srcAlpha[k]] (256 bytes), srcAlpha[k] without a table,
                        // opacity without srcAlpha
};

// Source kinds of the blends: the source surface's blit mode & 3.
enum SourceKind : uint8_t {
    kSourceOpaque = 0,
    kSourceKey = 1,
    kSourceAlpha = 2,
};

constexpr uint32_t KernelKey(int op, int dstFormat = 0, int srcFormat = 0, int variant = 0)
{
    return uint32_t(op) << 24 | uint32_t(dstFormat & 0xFF) << 16 | uint32_t(srcFormat & 0xFF) << 8 |
           uint32_t(variant & 0xFF);
}

struct KernelEntry {
    uint32_t key;
    int level;  // CpuLevel
    KernelFn fn;
    const char* name;
};

struct KernelList {
    const KernelEntry* entries;
    size_t count;
};

template <class T>
class CServiceObject;

class CKernelTable {
public:
    // Made on first use: detects the processor level, then applies
    // QUILL_CPU_LEVEL (portable|mmx|sse|sse2|avx2) when it names a lower one.
    static CKernelTable& GetInstance();

    // The chosen kernel for a key at the current level; null for an unknown key.
    KernelFn Get(uint32_t key) const;
    // The kernel a given level would choose (the best entry at or below it).
    KernelFn GetAt(uint32_t key, int level) const;

    // The level kernels are chosen for, and the highest this machine allows.
    CpuLevel GetLevel() const { return CpuLevel(m_level.load(std::memory_order_relaxed)); }
    CpuLevel GetMaxLevel() const { return m_maxLevel; }
    // Forces a level (clamped to the highest allowed); returns the one set.
    CpuLevel SetLevel(int level);

    // Every registered entry, portable ones included (tests, reports).
    const std::vector<KernelEntry>& GetEntries() const { return m_entries; }

private:
    friend class CServiceObject<CKernelTable>;
    CKernelTable();
    CKernelTable(const CKernelTable&) = delete;
    CKernelTable& operator=(const CKernelTable&) = delete;

    struct Choice {
        uint32_t key;
        int level;
        KernelFn fn;
    };
    std::vector<KernelEntry> m_entries;
    std::vector<Choice> m_chosen[kCpuLevelCount];  // sorted by key
    CpuLevel m_maxLevel;
    std::atomic<int> m_level;
};

// Shorthand for the chosen kernel of a key.
inline KernelFn GetKernel(uint32_t key)
{
    return CKernelTable::GetInstance().Get(key);
}

// Runs the chosen kernel of a key; false when there is none.
inline bool RunKernel(uint32_t key, const KernelArgs& args)
{
    KernelFn fn = GetKernel(key);
    if (fn == nullptr)
        return false;
    fn(args);
    return true;
}
