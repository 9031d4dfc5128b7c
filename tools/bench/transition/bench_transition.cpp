// Every transition on 800 x 600 x 32 pictures at progress 512, in frames per
// second on one core (the level in force), the crossfade at every processor
// level, and (native build) extended op 1 against pixman drawing the same
// picture: A copied, then B OVER with a solid mask of the progress's opacity.
// Prints figures, not a verdict.
#include "surface/BlendTables.h"
#include "surface/BlitOps.h"
#include "surface/kernels/KernelTable.h"
#include "surface/PixelFormat.h"
#include "surface/Transitions.h"

#include "BenchTiming.h"
#include "KernelLevels.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#ifdef QUILL_HAVE_PIXMAN
#include <pixman.h>
#endif

namespace {

typedef std::vector<uint8_t> Bytes;
const int kW = 800, kH = 600, kProgress = 512;

using bench::TimePair;

// The best of three timings of f: seconds per call.
template <class F> double TimeBest(F f)
{
    double best = 1e9;
    for (int round = 0; round < 3; ++round)
        best = std::min(best, bench::TimeOnce(f));
    return best;
}

// A picture of the format with gradients, flat areas and some noise.
struct Picture {
    Bytes pixels;
    BlitSurface view;
    Picture(int format, uint32_t seed)
    {
        const int bpp = BytesPerPixel(format), pitch = (kW * bpp + 3) & ~3;
        pixels.resize(size_t(pitch) * kH);
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW * bpp; ++x) {
                seed = seed * 1103515245u + 12345u;
                pixels[size_t(y) * pitch + x] =
                    uint8_t((x / 3 + y / 2) ^ ((x / 97 + y / 61) & 1 ? 0x40 : 0) ^ (seed >> 30));
            }
        view.bits = pixels.data();
        view.pitch = pitch;
        view.width = kW;
        view.height = kH;
        view.format = format;
    }
};

const char* Mark(double value, double goal) { return value >= goal ? "met" : "NOT met"; }

}  // namespace

int main()
{
    BuildBlendTables();
    CKernelTable& table = CKernelTable::GetInstance();
    const CpuLevel level = table.GetLevel();
    Picture a(32, 1), b(32, 2), d(32, 3);
    std::vector<uint8_t> ruleBits(size_t(kW) * kH);
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x)
            ruleBits[size_t(y) * kW + x] = uint8_t((x * 3 + y * 5) / 11);
    RuleMask rule;
    rule.bits = ruleBits.data(), rule.width = kW, rule.height = kH, rule.pitch = kW, rule.softness = 64;
    const PixelRect whole = {0, 0, kW, kH};

    std::printf("Transitions, 800 x 600 x 32, progress %d, level %s (goal: 300 frames/s each)\n", kProgress,
                CpuLevelName(level));
    int met = 0, total = 0;
    auto report = [&](const char* family, int op, double t) {
        const double fps = 1 / t;
        ++total;
        met += fps >= 300;
        std::printf("  %-11s %3d %-30s %8.3f ms %8.0f frames/s  %s\n", family, op,
                    family[0] == 't' ? TransitionName(op) : ExTransitionName(op), t * 1e3, fps, Mark(fps, 300));
    };
    for (int op : {1, 33, 34, 35, 36}) {
        TransitionRequest r;
        r.op = op, r.firstRect = r.secondRect = r.clip = whole, r.progress = kProgress, r.seed = 7;
        PixelRect touched;
        report("two-picture", op, TimeBest([&] { TransitionPixels(d.view, &a.view, &b.view, r, touched); }));
    }
    for (int op = -1; op <= 36; ++op) {
        if (op == 0)
            continue;
        ExTransitionRequest r;
        r.op = op, r.firstRect = r.secondRect = r.clip = whole, r.progress = kProgress, r.seed = 7, r.rule = &rule;
        PixelRect touched;
        report("extended", op, TimeBest([&] { ExTransitionPixels(d.view, &a.view, &b.view, r, touched); }));
    }
    std::printf("  %d of %d at 300 frames/s or more\n", met, total);

    // The vertical scatter crossfade of both families, in alternating rounds.
    {
        TransitionRequest two;
        two.op = 36, two.firstRect = two.secondRect = two.clip = whole, two.progress = kProgress, two.seed = 7;
        ExTransitionRequest ex;
        ex.op = 36, ex.firstRect = ex.secondRect = ex.clip = whole, ex.progress = kProgress, ex.seed = 7;
        PixelRect touched;
        double t2, tx;
        TimePair([&] { TransitionPixels(d.view, &a.view, &b.view, two, touched); },
                 [&] { ExTransitionPixels(d.view, &a.view, &b.view, ex, touched); }, t2, tx);
        std::printf("\nTransition 36 (vertical scatter crossfade): two-picture %.0f frames/s, extended %.0f frames/s; "
                    "goal 300: %s\n",
                    1 / t2, 1 / tx, Mark(std::min(1 / t2, 1 / tx), 300));
    }

    // The kernels the transitions draw with, at every level.
    bench::PrintKernelLevels([](int op) {
        return op == kOpBlend || op == kOpAlphaBlend || op == kOpCrossfade || op == kOpMix ||
               op == kOpStretchNearest || op == kOpLerpRow || op == kOpLerpRows;
    });

    std::printf("\nExtended op 1 (crossfade) per level, 800 x 600:\n");
    for (int format : {32, 24, 16, 15}) {
        Picture fa(format, 1), fb(format, 2), fd(format, 3);
        ExTransitionRequest r;
        r.op = 1, r.firstRect = r.secondRect = r.clip = whole, r.progress = kProgress;
        for (int l = kCpuPortable; l <= table.GetMaxLevel(); ++l) {
            table.SetLevel(l);
            PixelRect touched;
            const double t = TimeBest([&] { ExTransitionPixels(fd.view, &fa.view, &fb.view, r, touched); });
            std::printf("  format %2d, %-8s %8.3f ms %8.0f frames/s\n", format, CpuLevelName(l), t * 1e3, 1 / t);
        }
    }
    table.SetLevel(level);

#ifdef QUILL_HAVE_PIXMAN
    std::printf("\nExtended op 1 against pixman %s, same pictures, level %s (ratio = pixman time / ours):\n",
                pixman_version_string(), CpuLevelName(level));
    for (int p : {512, 100, 1000}) {
        Picture ours(32, 3), theirs(32, 3);
        auto image = [](Picture& pic) {
            return pixman_image_create_bits(PIXMAN_x8r8g8b8, kW, kH, reinterpret_cast<uint32_t*>(pic.pixels.data()),
                                            pic.view.pitch);
        };
        pixman_image_t* pa = image(a);
        pixman_image_t* pb = image(b);
        pixman_image_t* pd = image(theirs);
        const int opacity = std::min(p >> 2, 255);
        const pixman_color_t grey = {0, 0, 0, uint16_t(opacity * 257)};
        pixman_image_t* mask = pixman_image_create_solid_fill(&grey);
        ExTransitionRequest r;
        r.op = 1, r.firstRect = r.secondRect = r.clip = whole, r.progress = p;
        PixelRect touched;
        double tq, tp;
        TimePair([&] { ExTransitionPixels(ours.view, &a.view, &b.view, r, touched); },
                 [&] {
                     pixman_image_composite32(PIXMAN_OP_SRC, pa, nullptr, pd, 0, 0, 0, 0, 0, 0, kW, kH);
                     pixman_image_composite32(PIXMAN_OP_OVER, pb, mask, pd, 0, 0, 0, 0, 0, 0, kW, kH);
                 },
                 tq, tp);
        std::printf("  progress %4d (opacity %3d): %.3f ms (%.0f frames/s), pixman SRC + OVER with solid mask: "
                    "%.3f ms (%.0f frames/s) = %.2fx pixman (goal 1.5x: %s)\n",
                    p, opacity, tq * 1e3, 1 / tq, tp * 1e3, 1 / tp, tp / tq, Mark(tp / tq, 1.5));
        pixman_image_unref(mask);
        pixman_image_unref(pa);
        pixman_image_unref(pb);
        pixman_image_unref(pd);
    }
#else
    std::printf("\n(pixman comparison: native build only)\n");
#endif
    return 0;
}
