// The blits on 800 x 600 pictures: against memcpy of the destination's bytes
// at every processor level this machine has, every other operation in frames
// per second, the construction of the blend tables, and (native build)
// against pixman doing the same drawing on the same pixels; (Windows build) a
// sample through CSurface on memory surfaces beside DirectDraw surfaces.
// Prints figures, not a verdict.
#include "BenchTiming.h"
#include "BlendBounds.h"
#include "KernelLevels.h"
#include "surface/BlendTables.h"
#include "surface/BlitOps.h"
#include "surface/kernels/KernelTable.h"
#include "surface/PixelFormat.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#ifdef QUILL_HAVE_PIXMAN
#include <pixman.h>
#endif
#ifdef _WIN32
#include "SurfaceBench.h"
#endif

namespace {

typedef std::vector<uint8_t> Bytes;
const int kW = 800, kH = 600;

using bench::Now;
using bench::TimeOnce;
using bench::TimePair;

template <class F> double TimeBest(F f)
{
    double best = 1e9;
    for (int round = 0; round < 3; ++round)
        best = std::min(best, TimeOnce(f));
    return best;
}

int Pitch(int format) { return (kW * BytesPerPixel(format) + 3) & ~3; }

// A drawn-looking picture: gradients, flat areas and a little noise.
Bytes Picture(int format, uint32_t seed)
{
    const int pitch = Pitch(format), bpp = BytesPerPixel(format);
    Bytes b(size_t(pitch) * kH);
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW * bpp; ++x) {
            seed = seed * 1103515245u + 12345u;
            b[size_t(y) * pitch + x] = uint8_t((x / 3 + y / 2) ^ ((x / 97 + y / 61) & 1 ? 0x40 : 0) ^ (seed >> 30));
        }
    return b;
}

// A sheet of sprites: discs of radius 40 in cells of 100 x 100, opaque to a
// radius of 32 with a soft edge; 32 % opaque, 18 % partly, 50 % clear.
uint8_t SpriteAlpha(int x, int y)
{
    const double dx = x % 100 - 49.5, dy = y % 100 - 49.5, d = std::sqrt(dx * dx + dy * dy);
    return d < 32 ? 255 : d >= 40 ? 0 : uint8_t((40 - d) * 255 / 8);
}

struct Plane {
    Bytes pixels, alpha;
    BlitSurface view;
    Plane(int format, uint32_t seed, int kind = 0, bool noiseAlpha = false) : pixels(Picture(format, seed))
    {
        view.bits = pixels.data();
        view.pitch = Pitch(format);
        view.width = kW;
        view.height = kH;
        view.format = format;
        view.kind = kind;
        view.colorKey = 0x00FF00;
        const int alphaPitch = (kW + 3) & ~3;
        alpha.resize(size_t(alphaPitch) * kH);
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x)
                alpha[size_t(y) * alphaPitch + x] = noiseAlpha ? uint8_t((x * 7 + y * 13) ^ (x * y)) : SpriteAlpha(x, y);
        view.alpha = alpha.data();
        view.alphaPitch = alphaPitch;
        if (kind == kSourceKey) {  // key pixels where the sprites are clear
            const uint32_t key = ColorToPixel(format, 0x00FF00);
            const int bpp = BytesPerPixel(format);
            for (int y = 0; y < kH; ++y)
                for (int x = 0; x < kW; ++x)
                    if (SpriteAlpha(x, y) == 0)
                        for (int k = 0; k < bpp; ++k)
                            pixels[size_t(y) * view.pitch + size_t(x) * bpp + k] = uint8_t(key >> (8 * k));
        }
    }
    Plane(const Plane& o) : pixels(o.pixels), alpha(o.alpha), view(o.view)
    {
        view.bits = pixels.data();
        view.alpha = alpha.data();
    }
};

BlitRequest Whole(int op, int opacity = 255, int param2 = 0)
{
    BlitRequest r;
    r.op = op;
    r.src = PixelRect{0, 0, kW, kH};
    r.clip = PixelRect{0, 0, kW, kH};
    r.param1 = opacity;
    r.param2 = param2;
    r.seed = 4357;
    return r;
}

void Draw(Plane& dst, const Plane& src, const BlitRequest& r)
{
    PixelRect touched;
    BltPixels(dst.view, src.view, r, touched);
}

const char* Mark(double ratio, double goal) { return ratio >= goal ? "goal met" : "goal NOT met"; }

}  // namespace

int main(int argc, char** argv)
{
    CKernelTable& table = CKernelTable::GetInstance();
    if (argc > 1 && std::strcmp(argv[1], "kernels") == 0) {  // the table of kernels per level only
        BuildBlendTables();
        return bench::PrintKernelLevels([](int) { return true; }) == 0 ? 0 : 1;
    }
    const int maxLevel = table.GetMaxLevel(), startLevel = table.GetLevel();
#ifdef _WIN32
    const char* build = "Windows build (i686, under Wine)";
#else
    const char* build = "native build (x86-64)";
#endif
    std::printf("Blits, %d x %d, %s; highest level here: %s, level in force: %s\n", kW, kH, build,
                CpuLevelName(maxLevel), CpuLevelName(startLevel));

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
        std::printf("\nBlend and sine tables (8.06 MB) at start-up: first build %.2f ms, rebuilt %.2f ms (best of 5)\n",
                    first * 1e3, best * 1e3);
    }

    // Op 0 against memcpy of the destination's bytes, at every level.
    {
        Bytes from(size_t(Pitch(32)) * kH, 0x5A), copy(from.size());
        const double t = TimeBest([&] { std::memcpy(copy.data(), from.data(), from.size()); });
        std::printf("memcpy of %u bytes: %.3f ms (%.1f GB/s)\n", unsigned(from.size()), t * 1e3, from.size() / t / 1e9);
    }
    const struct {
        const char* name;
        int format, kind, opacity;
        double goal;
    } cases[] = {
        {"straight copy 32", 32, kSourceOpaque, 255, 0.95},  {"straight copy 16", 16, kSourceOpaque, 255, 0.95},
        {"opacity 128, 32", 32, kSourceOpaque, 128, 0.5},    {"opacity 128, 16", 16, kSourceOpaque, 128, 0.6},
        {"colour key 32", 32, kSourceKey, 255, 0.5},         {"colour key 16", 16, kSourceKey, 255, 0.5},
        {"alpha plane onto 32", 32, kSourceAlpha, 255, 0.35}, {"alpha plane onto 16", 16, kSourceAlpha, 255, 0.6},
        {"alpha plane onto 24", 24, kSourceAlpha, 255, 0.6},
    };
    std::printf("\nOp 0, ratio = memcpy of the destination's bytes / blit (1.00 = as fast, higher is faster);\n"
                "alpha planes and key pixels: a sheet of soft-edged discs (32 %% opaque, 18 %% partly, 50 %% clear)\n");
    std::printf("  %-22s", "");
    for (int l = 0; l <= maxLevel; ++l)
        std::printf(" %9s", CpuLevelName(l));
    std::printf("   goal at %s\n", CpuLevelName(startLevel));
    for (const auto& c : cases) {
        Plane src(c.format, 1, c.kind), dst(c.format, 2);
        Bytes copy(dst.pixels.size()), from(dst.pixels.size(), 0x33);
        std::printf("  %-22s", c.name);
        double ratio = 0;
        for (int level = 0; level <= maxLevel; ++level) {
            table.SetLevel(level);
            double tb, tm;
            TimePair([&] { Draw(dst, src, Whole(0, c.opacity)); },
                     [&] { std::memcpy(copy.data(), from.data(), copy.size()); }, tb, tm);
            if (level == startLevel)
                ratio = tm / tb;
            std::printf(" %8.2fx", tm / tb);
        }
        if (c.goal > 0)
            std::printf("   >= %.2fx: %s", c.goal, Mark(ratio, c.goal));
        std::printf("\n");
    }
    table.SetLevel(startLevel);

    // The converters of loaded pictures against memcpy of the destination's bytes.
    {
        std::printf("\nConverters, ratio = memcpy of the destination's bytes / conversion\n  %-22s", "");
        for (int l = 0; l <= maxLevel; ++l)
            std::printf(" %9s", CpuLevelName(l));
        std::printf("   goal at %s\n", CpuLevelName(startLevel));
        uint32_t palette[256];
        for (int i = 0; i < 256; ++i)
            palette[i] = uint32_t(i * 0x010203) & 0xFFFFFF;
        const struct {
            const char* name;
            int dst, src;
        } converters[] = {{"24 -> 16", 16, 24}, {"8 (palette) -> 32", 32, 8}};
        for (const auto& c : converters) {
            const int srcPitch = c.src == 8 ? (kW + 3) & ~3 : Pitch(c.src);
            Bytes src(size_t(srcPitch) * kH + 32, 0x5C), dst(size_t(Pitch(c.dst)) * kH), from(dst.size(), 0x33),
                copy(dst.size());
            for (size_t i = 0; i < src.size(); ++i)
                src[i] = uint8_t(i * 7 + (i >> 9));
            std::printf("  %-22s", c.name);
            double ratio = 0, atDefault = 0;
            for (int level = 0; level <= maxLevel; ++level) {
                KernelArgs a;
                a.dst = dst.data(), a.dstPitch = Pitch(c.dst), a.src = src.data(), a.srcPitch = srcPitch;
                a.width = kW, a.height = kH, a.table = palette;
                const KernelFn fn = table.GetAt(KernelKey(kOpConvert, c.dst, c.src), level);
                double tk, tm;
                TimePair([&] { fn(a); }, [&] { std::memcpy(copy.data(), from.data(), copy.size()); }, tk, tm);
                ratio = tm / tk;
                if (level == startLevel)
                    atDefault = ratio;
                std::printf(" %8.2fx", ratio);
            }
            std::printf("   >= 0.50x: %s\n", Mark(atDefault, 0.5));
        }
    }

    // What the exact rules allow here: loops doing only their unavoidable
    // work, against memcpy of the same destination bytes.
    if (maxLevel >= kCpuAVX2) {
        std::printf("\nBounds at avx2, ratio = memcpy of the destination's bytes / a loop doing only the work\n"
                    "every exact kernel of the rule must do (faster than any such kernel can be here)\n");
        const struct {
            const char* name;
            int format;
            void (*loop)(uint8_t*, const uint8_t*, ptrdiff_t, int, int);
            const char* kernel;
        } bounds[] = {
            {"16 bits: six high multiplies per 16 pixels", 16, bench::BlendBound16, "opacity 128, 16"},
            {"24 bits: every pixel unpacked, two multiplies, repacked", 24, bench::BlendBound24,
             "alpha plane onto 24, whose clear and opaque runs skip it"},
        };
        for (const auto& b : bounds) {
            const size_t bytes = size_t(Pitch(b.format)) * kH;
            Bytes src(bytes + 64, 0x35), dst(bytes + 64, 0x53), from(bytes, 0x33), copy(bytes);
            double tl, tm;
            TimePair([&] { b.loop(dst.data(), src.data(), Pitch(b.format), kW, kH); },
                     [&] { std::memcpy(copy.data(), from.data(), bytes); }, tl, tm);
            std::printf("  %-58s %5.2fx  (beside %s)\n", b.name, tm / tl, b.kernel);
        }
    }

    bench::PrintKernelLevels([](int) { return true; });

    // Every other operation, frames per second at the level in force.
    std::printf("\nThe other operations, format 32 opaque onto 32, level %s:\n", CpuLevelName(startLevel));
    {
        Plane src(32, 1), dst(32, 2);
        Bytes mask(size_t(kW) * kH);
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x)
                mask[size_t(y) * kW + x] = uint8_t((x + y) * 255 / (kW + kH));
        RuleMask rule;
        rule.bits = mask.data(), rule.width = kW, rule.height = kH, rule.pitch = kW, rule.softness = 64;
        const struct {
            const char* name;
            int op, opacity, param2;
        } ops[] = {
            {"op 0 opacity 255", 0, 255, 0},       {"op 0 opacity 128", 0, 128, 0},
            {"op 2 rotation (angle 100)", 2, 255, 100}, {"op 2 rotation, opacity 128", 2, 128, 100},
            {"op 4 rule wipe (512)", 4, 255, 512}, {"op 5 blinds (512)", 5, 255, 512},
            {"op 6 blinds (512)", 6, 255, 512},    {"op 7 dissolve (512)", 7, 255, 512},
            {"op 8 dissolve (512)", 8, 255, 512},  {"op 9 random dissolve (512)", 9, 255, 512},
            {"op 10 blur n 2", 10, 255, 2},        {"op 10 blur n 4", 10, 255, 4},
            {"op 10 blur n 15", 10, 255, 15},      {"op 11 mosaic 8", 11, 255, 8},
            {"op 11 mosaic 8, opacity 128", 11, 128, 8}, {"op 12 scatter 8", 12, 255, 8},
            {"op 13 scatter 8", 13, 255, 8},       {"op 14 scatter 8", 14, 255, 8},
        };
        for (const auto& o : ops) {
            BlitRequest r = Whole(o.op, o.opacity, o.param2);
            r.rule = &rule;
            const double t = TimeBest([&] { Draw(dst, src, r); });
            std::printf("  %-30s %8.3f ms %8.0f frames/s\n", o.name, t * 1e3, 1 / t);
        }
        Bytes big(size_t(1024) * 4 * 768);
        BlitSurface to = dst.view;
        to.bits = big.data(), to.pitch = 1024 * 4, to.width = 1024, to.height = 768;
        for (int op : {0, 1}) {
            StretchRequest r;
            r.op = op, r.dst = PixelRect{0, 0, 1024, 768}, r.src = PixelRect{0, 0, kW, kH};
            r.clip = PixelRect{0, 0, 1024, 768};
            PixelRect touched;
            const double t = TimeBest([&] { StretchBltPixels(to, src.view, r, touched); });
            std::printf("  stretch op %d, 800x600 -> 1024x768 %8.3f ms %8.0f frames/s\n", op, t * 1e3, 1 / t);
        }
    }

#ifdef QUILL_HAVE_PIXMAN
    std::printf("\nAgainst pixman %s on the same pixels, level %s (ratio = pixman time / blit time):\n",
                pixman_version_string(), CpuLevelName(startLevel));
    auto image = [](pixman_format_code_t f, int w, int h, void* bits, int pitch) {
        return pixman_image_create_bits(f, w, h, static_cast<uint32_t*>(bits), pitch);
    };
    for (bool noise : {false, true})
        for (int format : {32, 16}) {
            Plane src(format, 1, kSourceAlpha, noise), dst(format, 2);
            Plane dstPixman = dst;
            const pixman_format_code_t pf = format == 32 ? PIXMAN_x8r8g8b8 : PIXMAN_r5g6b5;
            pixman_image_t* s = image(pf, kW, kH, src.pixels.data(), src.view.pitch);
            pixman_image_t* m = image(PIXMAN_a8, kW, kH, src.alpha.data(), src.view.alphaPitch);
            pixman_image_t* d = image(pf, kW, kH, dstPixman.pixels.data(), dst.view.pitch);
            double tb, tp;
            TimePair([&] { Draw(dst, src, Whole(0)); },
                     [&] { pixman_image_composite32(PIXMAN_OP_OVER, s, m, d, 0, 0, 0, 0, 0, 0, kW, kH); }, tb, tp);
            Bytes from(dst.pixels.size(), 0x33), copy(from.size());
            const double tm = TimeBest([&] { std::memcpy(copy.data(), from.data(), copy.size()); });
            // The same drawing through the portable kernels, once, on a fresh copy.
            Plane once(format, 2), onceTable(format, 2);
            table.SetLevel(kCpuPortable);
            Draw(onceTable, src, Whole(0));
            table.SetLevel(startLevel);
            Draw(once, src, Whole(0));
            const bool identical = once.pixels == onceTable.pixels;
            std::printf("  alpha plane onto %d (%s alpha): %.3f ms, pixman OVER %s + a8: %.3f ms = %.2fx pixman "
                        "(goal 1.5x: %s); pixman %.2fx memcpy; bytes %s the table path's\n",
                        format, noise ? "noise" : "sprite", tb * 1e3, format == 32 ? "x8r8g8b8" : "r5g6b5", tp * 1e3,
                        tp / tb, Mark(tp / tb, 1.5), tm / tp, identical ? "identical to" : "DIFFERENT from");
            pixman_image_unref(s);
            pixman_image_unref(m);
            pixman_image_unref(d);
        }
    {
        Plane src(32, 1);
        Bytes big(size_t(1024) * 4 * 768), bigPixman(big.size());
        BlitSurface to = src.view;
        to.bits = big.data(), to.pitch = 1024 * 4, to.width = 1024, to.height = 768;
        StretchRequest r;
        r.op = 1, r.dst = PixelRect{0, 0, 1024, 768}, r.src = PixelRect{0, 0, kW, kH};
        r.clip = PixelRect{0, 0, 1024, 768};
        pixman_image_t* s = image(PIXMAN_x8r8g8b8, kW, kH, src.pixels.data(), src.view.pitch);
        pixman_image_t* d = image(PIXMAN_x8r8g8b8, 1024, 768, bigPixman.data(), 1024 * 4);
        pixman_transform_t scale;
        pixman_transform_init_scale(&scale, pixman_double_to_fixed(double(kW - 1) / 1023),
                                    pixman_double_to_fixed(double(kH - 1) / 767));
        pixman_image_set_transform(s, &scale);
        pixman_image_set_filter(s, PIXMAN_FILTER_BILINEAR, nullptr, 0);
        pixman_image_set_repeat(s, PIXMAN_REPEAT_PAD);
        PixelRect touched;
        double tb, tp;
        TimePair([&] { StretchBltPixels(to, src.view, r, touched); },
                 [&] { pixman_image_composite32(PIXMAN_OP_SRC, s, nullptr, d, 0, 0, 0, 0, 0, 0, 1024, 768); }, tb, tp);
        std::printf("  stretch op 1 800x600 -> 1024x768, 32: %.3f ms, pixman bilinear SRC: %.3f ms = %.2fx pixman "
                    "(goal 1.0x: %s)\n",
                    tb * 1e3, tp * 1e3, tp / tb, Mark(tp / tb, 1.0));
        pixman_image_unref(s);
        pixman_image_unref(d);
    }
#else
    std::printf("\n(pixman comparisons: native build only)\n");
#endif
#ifdef _WIN32
    BenchSurfaces();
#endif
    return 0;
}
