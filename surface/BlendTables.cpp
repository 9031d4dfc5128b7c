#include "surface/BlendTables.h"

#include "framework/ProcessLock.h"

#include <atomic>
#include <cmath>

uint8_t BlendTable8[256][256];
uint16_t BlendTable555[32][65536];
uint16_t BlendTable565[32][65536];
int32_t SineTable[512];

namespace {

std::atomic<bool> g_built{false};

// A 16-bit table level by level: the three channel scalings are looked up per
// channel and combined, one pass over the 65536 pixels per level.
void BuildPacked(uint16_t (*table)[65536], int greenBits, int redShift)
{
    const int greenMask = (1 << greenBits) - 1;
    for (int level = 0; level < 32; ++level) {
        uint16_t five[32], green[64];
        for (int c = 0; c < 32; ++c)
            five[c] = uint16_t(c * level / 31);
        for (int c = 0; c <= greenMask; ++c)
            green[c] = uint16_t(c * level / 31);
        uint16_t* out = table[level];
        for (uint32_t p = 0; p < 65536; ++p) {
            const uint32_t r = p >> redShift & 31, g = p >> 5 & greenMask, b = p & 31;
            out[p] = uint16_t(five[r] << redShift | green[g] << 5 | five[b]);
        }
    }
}

}  // namespace

void FillBlendTables()
{
    for (int a = 0; a < 256; ++a)
        for (int v = 0; v < 256; ++v)
            BlendTable8[a][v] = uint8_t(a * v / 255);
    BuildPacked(BlendTable555, 5, 10);
    BuildPacked(BlendTable565, 6, 11);
    const double pi = 3.14159265358979323846;
    for (int i = 0; i < 512; ++i)
        SineTable[i] = int32_t(std::sin(2.0 * pi * i / 512.0) * 65536.0);
}

void BuildBlendTables()
{
    if (g_built.load(std::memory_order_acquire))
        return;
    // Built once, by the first caller; the others wait for it.
    CLockHold hold(GetProcessLock());
    if (!g_built.load(std::memory_order_relaxed)) {
        FillBlendTables();
        g_built.store(true, std::memory_order_release);
    }
}

bool AreBlendTablesBuilt()
{
    return g_built.load(std::memory_order_acquire);
}
