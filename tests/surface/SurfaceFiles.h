#pragma once
// Pictures and folders for the surface tests under Wine: bitmap files of 8,
// 24 and 32 bits with a known pattern, alpha planes, packs.
#include "common/TestFiles.h"
#include "filesystem/File.h"
#include "surface/PixelFormat.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace surface_test {

typedef std::vector<uint8_t> Bytes;

// A clean folder below the build tree.
inline std::string Folder(const std::string& name)
{
    // Below the running test's own folder: tests run in parallel, and two
    // asking for the same name would remove and rewrite each other's files.
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string owner = test ? std::string(test->test_suite_name()) + "." + test->name() : "outside";
    std::string dir = WinePath(QUILL_BINARY_DIR "/surfacetest/" + owner + "/" + name);
    RemoveTree(dir);
    MakeFolders(dir);
    return dir;
}

inline bool WriteBytes(const std::string& path, const Bytes& data)
{
    MakeFolders(path.substr(0, path.find_last_of('\\')));
    CFile f;
    if (!f.Create(path, true))
        return false;
    return data.empty() || f.Write(data.data(), 1, uint32_t(data.size())) == data.size();
}

inline Bytes ReadBytes(const std::string& path)
{
    CFile f;
    if (f.Open(path) != 1)
        return Bytes();
    Bytes data(f.GetSize());
    if (!data.empty() && f.Read(data.data(), 1, uint32_t(data.size())) != data.size())
        return Bytes();
    return data;
}

inline void Put16(Bytes& v, size_t at, uint32_t x)
{
    v[at] = uint8_t(x);
    v[at + 1] = uint8_t(x >> 8);
}
inline void Put32(Bytes& v, size_t at, uint32_t x)
{
    for (int i = 0; i < 4; ++i)
        v[at + size_t(i)] = uint8_t(x >> (8 * i));
}

// The colour of a pattern pixel (x, y counted from the top), 0x00RRGGBB.
inline uint32_t PatternRgb(int x, int y)
{
    return uint32_t((x * 37 + y * 11 + 5) & 0xFF) << 16 | uint32_t((x * 5 + y * 71 + 100) & 0xFF) << 8 |
           uint32_t((x * 13 ^ y * 29) & 0xFF);
}
// Palette entries and indices of the 8-bit pattern.
inline uint32_t PaletteRgb(int i) { return PatternRgb(i, 255 - i); }
inline int PatternIndex(int x, int y) { return (x + 3 * y) & 0xFF; }
// What a pixel of a bitmap of that many bits holds.
inline uint32_t ExpectedRgb(int bits, int x, int y)
{
    return bits == 8 ? PaletteRgb(PatternIndex(x, y)) : PatternRgb(x, y);
}
// The same colour after a round trip through a surface format.
inline uint32_t InFormat(int format, uint32_t rgb)
{
    if (format == kFormat15) return WidenFrom15(NarrowTo15(rgb));
    if (format == kFormat16) return WidenFrom16(NarrowTo16(rgb));
    return rgb;
}

// A bottom-up Windows bitmap of the pattern (8, 24 or 32 bits per pixel; the
// fourth byte of 32-bit pixels is 0x7F).
inline Bytes PatternBitmap(int width, int height, int bits)
{
    const size_t palette = bits == 8 ? 1024 : 0;
    const size_t stride = (size_t(width) * (bits / 8) + 3) & ~size_t(3);
    Bytes f(54 + palette + stride * size_t(height), 0);
    f[0] = 'B';
    f[1] = 'M';
    Put32(f, 2, uint32_t(f.size()));
    Put32(f, 10, uint32_t(54 + palette));
    Put32(f, 14, 40);
    Put32(f, 18, uint32_t(width));
    Put32(f, 22, uint32_t(height));
    Put16(f, 26, 1);
    Put16(f, 28, uint32_t(bits));
    for (size_t i = 0; i < palette / 4; ++i)
        Put32(f, 54 + 4 * i, PaletteRgb(int(i)));
    for (int r = 0; r < height; ++r) {
        const int y = height - 1 - r;  // the first stored row is the bottom row
        uint8_t* row = &f[54 + palette + stride * size_t(r)];
        for (int x = 0; x < width; ++x) {
            const uint32_t c = PatternRgb(x, y);
            if (bits == 8) {
                row[x] = uint8_t(PatternIndex(x, y));
            } else {
                uint8_t* p = row + x * (bits / 8);
                p[0] = uint8_t(c), p[1] = uint8_t(c >> 8), p[2] = uint8_t(c >> 16);
                if (bits == 32) p[3] = 0x7F;
            }
        }
    }
    return f;
}

// An alpha plane as stored in a ".alp" file: width bytes per row, first row first.
inline uint8_t PatternAlpha(int x, int y) { return uint8_t(x * 7 + y * 13 + 1); }
inline Bytes PatternAlphaFile(int width, int height)
{
    Bytes a(size_t(width) * size_t(height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            a[size_t(y) * width + x] = PatternAlpha(x, y);
    return a;
}

}  // namespace surface_test
