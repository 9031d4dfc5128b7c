#pragma once
// Every kernel of the table with entries at more than one level, timed at
// every level this machine has on an 800 x 600 workload (rows of 1024 for the
// stretch rows), printed against the best level, and the kernels whose
// default (the level in force) is more than 5 % slower than another level's.
#include "BenchTiming.h"
#include "surface/kernels/KernelTable.h"
#include "surface/PixelFormat.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace bench {

struct KernelWorkload {
    static const int kW = 800, kH = 600, kRow = 1024, kRows = 768;
    std::vector<uint8_t> src, src2, dst, alpha, dstAlpha;
    uint32_t palette[256];

    KernelWorkload() : src(size_t(kRow) * 4 * kH), src2(src.size()), dst(src.size()), alpha(size_t(kRow) * kH),
                       dstAlpha(alpha.size())
    {
        uint32_t seed = 1;
        auto fill = [&](std::vector<uint8_t>& b) {
            for (size_t i = 0; i < b.size(); ++i) {
                seed = seed * 1103515245u + 12345u;
                b[i] = uint8_t((i / 3) ^ (seed >> 30));
            }
        };
        fill(src), fill(src2), fill(dst), fill(dstAlpha);
        // Soft-edged discs: a third opaque, a fifth partly, half clear.
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kRow; ++x) {
                const double dx = x % 100 - 49.5, dy = y % 100 - 49.5, d = std::sqrt(dx * dx + dy * dy);
                alpha[size_t(y) * kRow + x] = d < 32 ? 255 : d >= 40 ? 0 : uint8_t((40 - d) * 255 / 8);
            }
        for (int i = 0; i < 256; ++i)
            palette[i] = uint32_t(i * 0x010203) & 0xFFFFFF;
    }

    // One call's work for a key: the arguments, or false for a kernel this
    // bench has no workload for.
    bool Run(uint32_t key, KernelFn fn)
    {
        const int op = int(key >> 24), d = int(key >> 16 & 0xFF), s = int(key >> 8 & 0xFF);
        auto pitch = [](int f) { return ptrdiff_t(kW) * (f == 8 ? 1 : BytesPerPixel(f)); };
        KernelArgs a;
        a.dst = dst.data(), a.src = src.data(), a.src2 = src2.data();
        a.width = kW, a.height = kH;
        a.table = palette;
        switch (op) {
        case kOpCopyBytes:
            a.width = kW * 4, a.dstPitch = a.srcPitch = kW * 4;
            break;
        case kOpConvert:
            a.dstPitch = pitch(d), a.srcPitch = pitch(s);
            break;
        case kOpFill:
            a.dstPitch = pitch(d), a.value = 0x123456 & (d == 32 || d == 24 ? 0xFFFFFF : 0x7FFF);
            break;
        case kOpBlend:
        case kOpKeyBlend:
        case kOpAlphaBlend:
        case kOpBlendDstAlpha:
            a.dstPitch = pitch(d), a.srcPitch = pitch(s);
            a.opacity = op == kOpBlend ? 128 : 255;
            a.value = 0x1234;
            a.srcAlpha = alpha.data(), a.srcAlphaPitch = kW;
            a.dstAlpha = dstAlpha.data(), a.dstAlphaPitch = kW;
            break;
        case kOpCrossfade:
        case kOpMix:
            a.dstPitch = a.srcPitch = a.src2Pitch = pitch(d);
            a.opacity = 128;
            if (op == kOpMix)
                a.srcAlpha = alpha.data(), a.srcAlphaPitch = kW;
            break;
        case kOpStretchNearest:
        case kOpLerpRow:
        case kOpLerpRows: {
            // 800 columns to 1024, rows of the format (8: alpha bytes).
            a.width = kRow, a.height = 1;
            a.position = 0, a.step = int32_t((kW - 1) * 65536.0 / (kRow - 1)), a.last = kW - 1;
            a.value = 0x5A5A;
            const ptrdiff_t bytes = ptrdiff_t(kRow) * (d == 8 ? 1 : BytesPerPixel(d));
            for (int y = 0; y < kRows / 2; ++y) {
                a.dst = dst.data() + y * bytes, a.src = src.data() + y * bytes, a.src2 = src2.data() + y * bytes;
                fn(a);
            }
            return true;
        }
        default: return false;
        }
        fn(a);
        return true;
    }
};

inline std::string KernelName(uint32_t key)
{
    static const char* const ops[] = {"",         "CopyBytes", "Convert", "Fill",    "Blend",    "KeyBlend", "AlphaBlend",
                                      "BlendDstAlpha", "StretchNearest", "LerpRow", "LerpRows", "Crossfade", "Mix"};
    const int op = int(key >> 24), d = int(key >> 16 & 0xFF), s = int(key >> 8 & 0xFF), v = int(key & 0xFF);
    std::string name = op < int(sizeof ops / sizeof ops[0]) ? ops[op] : "?";
    if (d)
        name += " " + std::to_string(d);
    if (s)
        name += (op == kOpConvert ? " <- " : ", ") + std::to_string(s);
    if (op == kOpBlendDstAlpha)
        name += ", kind " + std::to_string(v);
    return name;
}

// Prints the table for the kernels whose op passes `wanted`; returns the
// number of kernels whose default loses by more than 5 %.
template <class Wanted> int PrintKernelLevels(Wanted wanted, double seconds = 0.02, int rounds = 5)
{
    CKernelTable& table = CKernelTable::GetInstance();
    const int maxLevel = table.GetMaxLevel(), level = table.GetLevel();
    std::map<uint32_t, int> levels;  // key -> number of levels with an entry
    for (const KernelEntry& e : table.GetEntries())
        if (e.level <= maxLevel && wanted(int(e.key >> 24)))
            ++levels[e.key];
    KernelWorkload work;
    std::printf("\nEvery kernel with more than one level, each level against the best one (1.00 = the best;\n"
                "0.80 = takes 1 / 0.80 of its time); * the level in force (%s)\n  %-28s",
                CpuLevelName(level), "");
    for (int l = 0; l <= maxLevel; ++l)
        std::printf(" %9s", CpuLevelName(l));
    std::printf("\n");
    std::vector<std::string> losers;
    for (const auto& k : levels) {
        if (k.second < 2)
            continue;
        // Each distinct kernel timed once per round, rounds alternating.
        std::vector<KernelFn> fns;
        for (int l = 0; l <= maxLevel; ++l) {
            KernelFn fn = table.GetAt(k.first, l);
            if (std::find(fns.begin(), fns.end(), fn) == fns.end())
                fns.push_back(fn);
        }
        std::vector<double> best(fns.size(), 1e9);
        bool ran = true;
        for (int round = 0; round < rounds && ran; ++round)
            for (size_t i = 0; i < fns.size() && ran; ++i) {
                ran = work.Run(k.first, fns[i]);
                best[i] = std::min(best[i], TimeOnce([&] { work.Run(k.first, fns[i]); }, seconds));
            }
        if (!ran)
            continue;
        const double fastest = *std::min_element(best.begin(), best.end());
        std::printf("  %-28s", KernelName(k.first).c_str());
        double atDefault = 0;
        for (int l = 0; l <= maxLevel; ++l) {
            const size_t i = size_t(std::find(fns.begin(), fns.end(), table.GetAt(k.first, l)) - fns.begin());
            std::printf(" %8.2f%s", fastest / best[i], l == level ? "*" : " ");
            if (l == level)
                atDefault = best[i];
        }
        const bool loses = atDefault > fastest * 1.05;
        if (loses)
            losers.push_back(KernelName(k.first));
        std::printf("%s\n", loses ? "  default more than 5 % slower" : "");
    }
    std::printf("  defaults more than 5 %% slower than another level: ");
    if (losers.empty())
        std::printf("none\n");
    for (size_t i = 0; i < losers.size(); ++i)
        std::printf("%s%s", losers[i].c_str(), i + 1 < losers.size() ? ", " : "\n");
    return int(losers.size());
}

}  // namespace bench
