// The blit benchmark's sample on surfaces (Windows build): the same
// operations through CSurface::Blt and StretchBlt between memory surfaces
// and between DirectDraw surfaces in system memory (each locked for the
// call, as every blit does), side by side at the level in force.
#include "SurfaceBench.h"

#include "framework/DirectDraw.h"
#include "surface/DDSurface.h"
#include "surface/KernelTable.h"
#include "surface/MemorySurface.h"
#include "surface/SurfaceLock.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

const int kW = 800, kH = 600;

double Now()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Seconds per call: the best of three rounds of at least 0.1 s each.
template <class F> double TimeBest(F f)
{
    double best = 1e9;
    for (int round = 0; round < 3; ++round) {
        f();
        int n = 0;
        const double start = Now();
        double t;
        do {
            f();
            ++n;
        } while ((t = Now() - start) < 0.1);
        best = std::min(best, t / n);
    }
    return best;
}

// The same picture in any surface; a source of the given kind.
bool Paint(CSurface& s, int format, uint32_t seed, int kind)
{
    if (!s.Create(kW, kH, format, false))
        return false;
    {
        CSurfaceLock lock(&s);
        if (!lock.IsLocked())
            return false;
        const int bpp = format == 15 ? 2 : format / 8;
        for (int y = 0; y < kH; ++y) {
            BYTE* row = s.GetBits() + y * s.GetPitch();
            for (int x = 0; x < kW * bpp; ++x) {
                seed = seed * 1103515245u + 12345u;
                row[x] = BYTE((x / 3 + y / 2) ^ (seed >> 30));
            }
        }
    }
    if (kind == 1) {
        s.SetColorKeyEnable(true);
        s.Fill(RGB(0, 255, 0), 0, 0, kW / 2, kH);  // half the picture is key
    } else if (kind == 2) {
        s.SetAlphaEnable(true);
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x)
                s.SetAlpha(x, y, BYTE(x < kW / 2 ? 0 : x < kW / 2 + 64 ? (x - kW / 2) * 4 : 255));
    }
    return true;
}

}  // namespace

void BenchSurfaces()
{
    HWND hWnd = CreateWindowExA(0, "STATIC", "bench", WS_POPUP, 0, 0, 16, 16, NULL, NULL, NULL, NULL);
    std::unique_ptr<CDirectDraw> dd(new CDirectDraw(hWnd));
    if (dd->GetInterface() == nullptr) {
        std::printf("\n(no DirectDraw object: surfaces on DirectDraw left out)\n");
        DestroyWindow(hWnd);
        return;
    }
    std::printf("\nOn surfaces, %d x %d, level %s: memory surfaces against DirectDraw surfaces in system memory\n"
                "(ms per call; ratio = memory time / DirectDraw time, 1.00 = as fast)\n",
                kW, kH, CpuLevelName(CKernelTable::GetInstance().GetLevel()));
    const struct {
        const char* name;
        int format, kind, op, opacity, param2;
        bool stretch;
    } cases[] = {
        {"op 0 straight copy 32", 32, 0, 0, 255, 0, false}, {"op 0 straight copy 16", 16, 0, 0, 255, 0, false},
        {"op 0 opacity 128, 32", 32, 0, 0, 128, 0, false},  {"op 0 opacity 128, 16", 16, 0, 0, 128, 0, false},
        {"op 0 colour key 32", 32, 1, 0, 255, 0, false},    {"op 0 alpha plane 32", 32, 2, 0, 255, 0, false},
        {"op 0 alpha plane 16", 16, 2, 0, 255, 0, false},   {"op 2 rotation 100, 32", 32, 0, 2, 255, 100, false},
        {"op 7 dissolve 512, 32", 32, 0, 7, 255, 512, false}, {"op 11 mosaic 8, 32", 32, 0, 11, 255, 8, false},
        {"stretch op 1 to 1024x768, 32", 32, 0, 1, 255, 0, true},
    };
    std::printf("  %-30s %10s %10s %8s\n", "", "memory", "DirectDraw", "ratio");
    for (const auto& c : cases) {
        double t[2] = {0, 0};
        bool made = true;
        for (int side = 0; side < 2; ++side) {
            std::unique_ptr<CSurface> src, dst;
            if (side == 0) {
                src.reset(new CMemorySurface);
                dst.reset(new CMemorySurface);
            } else {
                src.reset(new CDDSurface(dd.get()));
                dst.reset(new CDDSurface(dd.get()));
            }
            src->SetAutoRestore(false);
            dst->SetAutoRestore(false);
            made = made && Paint(*src, c.format, 1, c.kind) && Paint(*dst, c.format, 2, 0);
            if (c.stretch)
                made = made && dst->Create(1024, 768, c.format, false);
            if (!made)
                break;
            const POINT at = {0, 0};
            const RECT whole = {0, 0, kW, kH}, big = {0, 0, 1024, 768};
            t[side] = c.stretch ? TimeBest([&] { dst->StretchBlt(c.op, src.get(), big, whole, c.opacity, c.param2); })
                                : TimeBest([&] { dst->Blt(c.op, src.get(), at, whole, c.opacity, c.param2); });
        }
        if (!made) {
            std::printf("  %-30s (surfaces not made)\n", c.name);
            continue;
        }
        std::printf("  %-30s %8.3f ms %8.3f ms %7.2fx\n", c.name, t[0] * 1e3, t[1] * 1e3, t[0] / t[1]);
    }
    // What a DirectDraw surface adds to every call: its lock and unlock.
    {
        CDDSurface s(dd.get());
        s.SetAutoRestore(false);
        if (s.Create(kW, kH, 32, false)) {
            const double t = TimeBest([&] {
                s.Lock();
                s.Unlock();
            });
            std::printf("  %-30s %8s    %8.3f ms\n", "lock and unlock alone, 32", "", t * 1e3);
        }
    }
    dd.reset();
    DestroyWindow(hWnd);
}
