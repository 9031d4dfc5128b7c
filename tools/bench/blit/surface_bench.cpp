// The blit benchmark's sample on surfaces (Windows build): the same
// operations through CSurface::Blt and StretchBlt between memory surfaces
// and between DirectDraw surfaces in system memory (each locked for the
// call, as every blit does), side by side at the level in force, and the
// same drawing on the DirectDraw pixels held locked. Under Wine a DirectDraw
// lock and unlock is a round trip to wined3d's command-stream thread: cheap
// on a quiet machine, milliseconds when other processes hold the cores;
// with the prefix's HKCU\Software\Wine\Direct3D "csmt" = 0 it costs about
// a microsecond.
#include "BenchTiming.h"
#include "SurfaceBench.h"

#include "framework/DirectDraw.h"
#include "surface/BlitOps.h"
#include "surface/DDSurface.h"
#include "surface/kernels/KernelTable.h"
#include "surface/MemorySurface.h"
#include "surface/SurfaceLock.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>

namespace {

const int kW = 800, kH = 600;

using bench::Now;

// Seconds per call of each function: rounds of at least 50 ms each, the
// functions taking turns round by round so that a busy machine weighs on
// all of them alike; the best round of each.
template <size_t N, class F> void TimeBest(F (&f)[N], double (&best)[N])
{
    for (size_t i = 0; i < N; ++i) {
        f[i]();
        best[i] = 1e9;
    }
    for (int round = 0; round < 5; ++round)
        for (size_t i = 0; i < N; ++i) {
            int n = 0;
            const double start = Now();
            double t;
            do {
                f[i]();
                ++n;
            } while ((t = Now() - start) < 0.05);
            best[i] = std::min(best[i], t / n);
        }
}

// A locked surface as the blits see it (what CSurface's blits hand in).
BlitSurface View(CSurface& s)
{
    BlitSurface v;
    v.bits = s.GetBits();
    v.pitch = s.GetPitch();
    s.GetSize(v.width, v.height);
    v.format = s.GetBitCount();
    v.alpha = s.GetAlphaBits();
    v.alphaPitch = s.GetAlphaPitch();
    v.kind = s.GetBlitMode() & 3;
    v.colorKey = s.GetColorKey();
    return v;
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
                "(ms per call through CSurface, which locks both surfaces for each call; ratio = memory time /\n"
                "DirectDraw time, 1.00 = as fast; \"pixels\": the same drawing on the DirectDraw surfaces' pixels\n"
                "while they stay locked, that is without DirectDraw's lock and unlock)\n",
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
    std::printf("  %-30s %10s %13s %8s %13s\n", "", "memory", "DirectDraw", "ratio", "pixels");
    for (const auto& c : cases) {
        CMemorySurface memSrc, memDst;
        CDDSurface ddSrc(dd.get()), ddDst(dd.get());
        CSurface* const all[] = {&memSrc, &memDst, &ddSrc, &ddDst};
        for (CSurface* s : all)
            s->SetAutoRestore(false);
        const bool made = Paint(memSrc, c.format, 1, c.kind) && Paint(ddSrc, c.format, 1, c.kind) &&
               (c.stretch ? memDst.Create(1024, 768, c.format, false) && ddDst.Create(1024, 768, c.format, false)
                          : Paint(memDst, c.format, 2, 0) && Paint(ddDst, c.format, 2, 0));
        if (!made) {
            std::printf("  %-30s (surfaces not made)\n", c.name);
            continue;
        }
        const POINT at = {0, 0};
        const RECT whole = {0, 0, kW, kH}, big = {0, 0, 1024, 768};
        auto through = [&](CSurface& dst, CSurface& src) {
            if (c.stretch)
                dst.StretchBlt(c.op, &src, big, whole, c.opacity, c.param2);
            else
                dst.Blt(c.op, &src, at, whole, c.opacity, c.param2);
        };
        BlitRequest blit;
        blit.op = c.op;
        blit.src = PixelRect{0, 0, kW, kH};
        blit.clip = PixelRect{0, 0, kW, kH};
        blit.param1 = c.opacity;
        blit.param2 = c.param2;
        StretchRequest stretch;
        stretch.op = c.op;
        stretch.dst = stretch.clip = PixelRect{0, 0, 1024, 768};
        stretch.src = PixelRect{0, 0, kW, kH};
        stretch.param1 = c.opacity;
        BlitSurface dstView, srcView;
        auto pixels = [&] {
            PixelRect touched;
            if (c.stretch)
                StretchBltPixels(dstView, srcView, stretch, touched);
            else
                BltPixels(dstView, srcView, blit, touched);
        };
        // The pixels alone are timed with both surfaces held locked; the
        // calls through CSurface lock them themselves.
        bool locked = false;
        auto hold = [&](bool on) {
            if (on == locked)
                return;
            if (on) {
                ddDst.Lock();
                ddSrc.Lock();
                dstView = View(ddDst);
                srcView = View(ddSrc);
            } else {
                ddSrc.Unlock();
                ddDst.Unlock();
            }
            locked = on;
        };
        std::function<void()> turns[3] = {[&] {
                                              hold(false);
                                              through(memDst, memSrc);
                                          },
                                          [&] {
                                              hold(false);
                                              through(ddDst, ddSrc);
                                          },
                                          [&] {
                                              hold(true);
                                              pixels();
                                          }};
        double t[3];
        TimeBest(turns, t);
        hold(false);
        std::printf("  %-30s %7.3f ms %10.3f ms %7.2fx %10.3f ms\n", c.name, t[0] * 1e3, t[1] * 1e3, t[0] / t[1],
                    t[2] * 1e3);
    }
    // What a DirectDraw surface adds to every call: its lock and unlock.
    {
        CDDSurface s(dd.get());
        s.SetAutoRestore(false);
        if (s.Create(kW, kH, 32, false)) {
            std::function<void()> lockUnlock[1] = {[&] {
                s.Lock();
                s.Unlock();
            }};
            double t[1];
            TimeBest(lockUnlock, t);
            std::printf("  %-30s %10s %10.3f ms\n", "lock and unlock alone, 32", "", t[0] * 1e3);
        }
    }
    dd.reset();
    DestroyWindow(hWnd);
}
