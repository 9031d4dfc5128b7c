// Surface kernels on 800 x 600 pictures against memcpy and memset of the same
// bytes, at every processor level this machine has; the load of a 24-bit
// picture into a format-32 surface against the bare read of its file; and the
// construction of the blend tables. Prints figures, not a verdict.
#include "BenchTiming.h"
#include "filesystem/FileInterface.h"
#include "filesystem/ImageFile.h"
#include "surface/BlendTables.h"
#include "surface/kernels/KernelTable.h"
#include "surface/PixelFormat.h"
#include "surface/PixelOps.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#ifdef _WIN32
#include "filesystem/File.h"
#include "surface/MemorySurface.h"
#include <windows.h>
#endif

namespace {

typedef std::vector<uint8_t> Bytes;
const int kW = 800, kH = 600;

using bench::Now;
using bench::TimeOnce;
using bench::TimePair;

// Drawn-looking pixels: gradients, flat areas and a little noise.
Bytes Picture(int bytesPerPixel, int pitch)
{
    Bytes b(size_t(pitch) * kH);
    uint32_t seed = 12345;
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW * bytesPerPixel; ++x) {
            seed = seed * 1103515245u + 12345u;
            b[size_t(y) * pitch + x] = uint8_t((x / 3 + y / 2) ^ ((x / 97 + y / 61) & 1 ? 0x40 : 0) ^ (seed >> 30));
        }
    return b;
}

int Pitch(int format)
{
    int32_t pitch, bytes;
    ComputeSurfaceSize(kW, kH, format, pitch, bytes);
    return pitch;
}

struct Row {
    const char* name;
    double ratio[kCpuLevelCount];
};

void PrintTable(const char* title, const char* baseline, const std::vector<Row>& rows, int maxLevel)
{
    std::printf("\n%s (ratio = %s time / kernel time; 1.00 = as fast, higher is faster)\n", title, baseline);
    std::printf("  %-22s", "");
    for (int l = 0; l <= maxLevel; ++l)
        std::printf(" %9s", CpuLevelName(l));
    std::printf("\n");
    for (const Row& r : rows) {
        std::printf("  %-22s", r.name);
        for (int l = 0; l <= maxLevel; ++l)
            std::printf(" %8.2fx", r.ratio[l]);
        std::printf("\n");
    }
}

}  // namespace

int main()
{
    CKernelTable& table = CKernelTable::GetInstance();
    const int maxLevel = table.GetMaxLevel(), startLevel = table.GetLevel();
#ifdef _WIN32
    const char* build = "Windows build (i686, under Wine)";
#else
    const char* build = "native build";
#endif
    std::printf("Surface kernels, %d x %d, %s; highest level here: %s, level in force: %s\n", kW, kH, build,
                CpuLevelName(maxLevel), CpuLevelName(startLevel));

    // Row converters against memcpy of the destination's bytes.
    const struct {
        const char* name;
        int dst, src;
    } converters[] = {{"24 -> 32", 32, 24}, {"24 -> 16", 16, 24}, {"32 -> 15", 15, 32}, {"8 (palette) -> 32", 32, 8},
                      {"32 -> 24", 24, 32}, {"16 -> 32", 32, 16}};
    uint32_t palette[256];
    for (int i = 0; i < 256; ++i)
        palette[i] = uint32_t(i * 0x010203) & 0xFFFFFF;
    std::vector<Row> rows;
    for (const auto& c : converters) {
        const int srcPitch = c.src == 8 ? (kW + 3) & ~3 : Pitch(c.src), dstPitch = Pitch(c.dst);
        Bytes src = Picture(BytesPerPixel(c.src), srcPitch), dst(size_t(dstPitch) * kH);
        Bytes from = Picture(1, dstPitch), copy(dst.size());
        Row row = {c.name, {}};
        for (int level = 0; level <= maxLevel; ++level) {
            KernelFn fn = table.GetAt(KernelKey(kOpConvert, c.dst, c.src), level);
            KernelArgs a;
            a.dst = dst.data();
            a.dstPitch = dstPitch;
            a.src = src.data();
            a.srcPitch = srcPitch;
            a.width = kW;
            a.height = kH;
            a.table = palette;
            double tk, tm;
            TimePair([&] { fn(a); }, [&] { std::memcpy(copy.data(), from.data(), copy.size()); }, tk, tm);
            row.ratio[level] = tm / tk;
        }
        rows.push_back(row);
    }
    PrintTable("Row converters", "memcpy of the destination's bytes", rows, maxLevel);

    // Fills against memset of the same bytes.
    rows.clear();
    const struct {
        const char* name;
        int format;
    } fills[] = {{"Fill 15", 15}, {"Fill 16", 16}, {"Fill 24", 24}, {"Fill 32", 32}};
    for (const auto& f : fills) {
        const int pitch = Pitch(f.format);
        Bytes dst(size_t(pitch) * kH);
        PixelView view;
        view.bits = dst.data();
        view.pitch = pitch;
        view.width = kW;
        view.height = kH;
        view.format = f.format;
        Row row = {f.name, {}};
        for (int level = 0; level <= maxLevel; ++level) {
            table.SetLevel(level);
            double tk, tm;
            // A colour other than 0, so that the fill runs its kernel.
            TimePair([&] { FillPixels(view, 0x3366CC, PixelRect{0, 0, kW, kH}); },
                     [&] { std::memset(dst.data(), 0x5A, dst.size()); }, tk, tm);
            row.ratio[level] = tm / tk;
        }
        rows.push_back(row);
    }
    table.SetLevel(startLevel);
    PrintTable("Fill", "memset of the same bytes", rows, maxLevel);

    // The memcpy baseline itself, for scale.
    {
        Bytes a(size_t(Pitch(32)) * kH), b(a.size());
        const double t = TimeOnce([&] { std::memcpy(b.data(), a.data(), a.size()); });
        std::printf("\nmemcpy of %u bytes: %.3f ms (%.1f GB/s)\n", unsigned(a.size()), t * 1e3, a.size() / t / 1e9);
    }

    // Loading a 24-bit bitmap into a format-32 surface.
    Bytes file(54 + size_t(kW) * 3 * kH);
    {
        Bytes pixels = Picture(3, kW * 3);
        std::memcpy(file.data() + 54, pixels.data(), pixels.size());
        const uint32_t size = uint32_t(file.size());
        const uint8_t header[54] = {'B', 'M', uint8_t(size), uint8_t(size >> 8), uint8_t(size >> 16), 0, 0, 0, 0, 0,
                                    54, 0, 0, 0, 40, 0, 0, 0, uint8_t(kW & 0xFF), uint8_t(kW >> 8), 0, 0,
                                    uint8_t(kH & 0xFF), uint8_t(kH >> 8), 0, 0, 1, 0, 24, 0};
        std::memcpy(file.data(), header, sizeof header);
    }
    std::printf("\nLoad of an %d x %d 24-bit bitmap into a format-32 surface (level %s):\n", kW, kH,
                CpuLevelName(startLevel));
    {
        // In memory: the bitmap reader on the file's bytes and the conversion,
        // against a copy of the file's bytes.
        Bytes surface(size_t(Pitch(32)) * kH), copy(file.size());
        PixelView view;
        view.bits = surface.data();
        view.pitch = Pitch(32);
        view.width = kW;
        view.height = kH;
        view.format = 32;
        double tl, tc;
        TimePair(
            [&] {
                CMemoryFile f(file.data(), uint32_t(file.size()));
                CImageFile image;
                image.LoadFrom(f, nullptr, "bench.bmp");
                ConvertBottomUpRows(view, image.GetPixels(), int32_t(image.GetStride()), 24);
            },
            [&] { std::memcpy(copy.data(), file.data(), file.size()); }, tl, tc);
        std::printf("  from memory: decode + convert %.3f ms, memcpy of the file %.3f ms: %.2fx the copy's time\n",
                    tl * 1e3, tc * 1e3, tl / tc);
    }
#ifdef _WIN32
    {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        const std::string path = std::string(temp) + "quill_bench_surface.bmp";
        {
            CFile f;
            f.Create(path, true);
            f.Write(file.data(), 1, uint32_t(file.size()));
        }
        Bytes buffer(file.size());
        CMemorySurface surface;
        surface.SetAutoRestore(false);
        double tl, tr;
        TimePair([&] { surface.Load(path, 32, false); },
                 [&] {
                     HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                                            nullptr);
                     DWORD got = 0;
                     ReadFile(h, buffer.data(), DWORD(buffer.size()), &got, nullptr);
                     CloseHandle(h);
                 },
                 tl, tr);
        std::printf("  from disk: CMemorySurface::Load %.3f ms, bare read of the file %.3f ms: %.2fx the read's time\n",
                    tl * 1e3, tr * 1e3, tl / tr);
        DeleteFileA(path.c_str());
    }
#endif

    // The blend tables, as the start-up object builds them.
    {
        const double t0 = Now();
        BuildBlendTables();
        const double first = Now() - t0;
        double best = 1e9;
        for (int i = 0; i < 5; ++i) {
            const double s = Now();
            FillBlendTables();
            best = std::min(best, Now() - s);
        }
        std::printf("\nBlend and sine tables (8.06 MB): first build %.2f ms, rebuilt %.2f ms (best of 5)\n", first * 1e3,
                    best * 1e3);
    }
    return 0;
}
