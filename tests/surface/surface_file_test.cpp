// Loading pictures into surfaces (loose and from a pack, 8, 24 and 32 bits,
// with and without alpha planes, into every format) and saving them as 24-bit
// bitmaps, under Wine.
#include "filesystem/PackFormat.h"
#include "surface/AutoSurface.h"
#include "surface/DIBSurface.h"
#include "surface/MemorySurface.h"
#include "surface/ScreenFormat.h"
#include "surface/SurfaceLock.h"

#include <gtest/gtest.h>

#include "SurfaceFiles.h"

#include <cstdlib>
#include <sstream>

using namespace surface_test;

namespace {

const int kW = 7, kH = 5;

std::string Name(int bits, bool alpha) { return std::string(alpha ? "a" : "p") + std::to_string(bits); }

// Pictures p8, p24, p32 and a8, a24, a32 (with ".alp" planes), loose in
// loose\ and as members of data.pak for data\bg\, in a folder of the test's
// own: tests run in parallel and would rewrite each other's files.
std::string MakePictures(const std::string& folder)
{
    const std::string dir = Folder(folder);
    std::vector<PackSource> members;
    for (int bits : {8, 24, 32})
        for (bool alpha : {false, true}) {
            const std::string name = Name(bits, alpha);
            const Bytes bmp = PatternBitmap(kW, kH, bits);
            EXPECT_TRUE(WriteBytes(dir + "\\loose\\" + name + ".bmp", bmp));
            members.push_back({"BG/" + name + ".BMP", bmp});
            if (alpha) {
                const Bytes alp = PatternAlphaFile(kW, kH);
                EXPECT_TRUE(WriteBytes(dir + "\\loose\\" + name + ".alp", alp));
                members.push_back({"BG/" + name + ".ALP", alp});
            }
        }
    EXPECT_TRUE(WriteBytes(dir + "\\data.pak", PackBuildArchive(members)));
    return dir;
}

// Every pixel, the plane and the switches of a loaded picture.
void CheckLoaded(CSurface& s, int bits, bool alpha, int format, DWORD key = 0x00FF00)
{
    ASSERT_TRUE(s.IsCreated());
    EXPECT_EQ(format, s.GetBitCount());
    EXPECT_EQ(kW, s.GetSize().cx);
    EXPECT_EQ(kH, s.GetSize().cy);
    EXPECT_EQ(key, s.GetColorKey());
    {
        CSurfaceLock lock(&s);
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) {
                uint32_t expected = InFormat(format, ExpectedRgb(bits, x, y));
                if (bits == 32 && format == 32)
                    expected |= 0x7F000000;  // equal formats copy the stored word
                ASSERT_EQ(expected, s.GetPixel(x, y)) << "pixel " << x << "," << y << " (the top row is the "
                                                      << "last one stored)";
            }
        const int used = kW * BytesPerPixel(format);
        for (int y = 0; y < kH; ++y)
            for (int i = used; i < s.GetPitch(); ++i)
                ASSERT_EQ(0, s.GetBits()[y * s.GetPitch() + i]) << "row padding of row " << y;
    }
    EXPECT_EQ(alpha, s.HasAlphaChannel());
    EXPECT_EQ(alpha, s.IsAlphaEnable());
    EXPECT_EQ(alpha ? 2 : 0, s.GetBlitMode() & 3);
    if (alpha) {
        EXPECT_EQ(kW, s.GetAlphaPitch()) << "a loaded plane keeps the picture's row length";
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x)
                ASSERT_EQ(PatternAlpha(x, y), s.GetAlpha(x, y)) << "alpha " << x << "," << y << ", rows as stored";
    }
}

TEST(SurfaceLoad, PicturesIntoEveryFormatLooseAndFromAPack)
{
    const std::string dir = MakePictures("load");
    for (bool dib : {false, true})
        for (const std::string& folder : {dir + "\\loose\\", dir + "\\data\\bg\\"})
            for (int bits : {8, 24, 32})
                for (bool alpha : {false, true})
                    for (int format : {15, 16, 24, 32}) {
                        const std::string path = folder + Name(bits, alpha) + ".bmp";
                        SCOPED_TRACE(path + " into format " + std::to_string(format) + (dib ? " (DIB)" : ""));
                        CAutoSurface s;
                        s.SetAutoRestore(false);
                        ASSERT_TRUE(s.Load(path, format, dib));
                        EXPECT_EQ(dib, dynamic_cast<CDIBSurface*>(s.GetSurface()) != nullptr);
                        CheckLoaded(s, bits, alpha, format);
                    }
}

TEST(SurfaceLoad, FileNameIsKeptForRestore)
{
    const std::string dir = MakePictures("restore");
    CMemorySurface s;
    const std::string path = dir + "\\loose\\a24.bmp";
    ASSERT_TRUE(s.Load(path, 16, false));
    EXPECT_EQ(path, s.GetFileName());
    s.SetColorKey(0x0000FF);
    s.SetColorKeyEnable(true);
    s.SetPixel(0, 0, 0);
    ASSERT_TRUE(s.Restore());
    EXPECT_EQ(path, s.GetFileName());
    CheckLoaded(s, 24, true, GetScreenBitCount(), 0xFF0000);
    EXPECT_TRUE(s.IsColorKeyEnable());

    ASSERT_TRUE(s.Load(s.GetFileName(), 24, false)) << "its own remembered name";
    ASSERT_TRUE(s.Create(3, 3, 24, false));
    EXPECT_EQ("", s.GetFileName()) << "Create forgets it";

    CMemorySurface gone;
    const std::string moved = dir + "\\loose\\moved.bmp";
    ASSERT_TRUE(CopyFileA(path.c_str(), moved.c_str(), FALSE));
    ASSERT_TRUE(gone.Load(moved, 24, false));
    ASSERT_TRUE(DeleteFileA(moved.c_str()));
    EXPECT_FALSE(gone.Restore()) << "the file is gone";
    EXPECT_FALSE(gone.IsCreated());
}

TEST(SurfaceLoad, FailuresLeaveTheSurfaceEmpty)
{
    const std::string dir = Folder("badload");
    Bytes bmp16 = PatternBitmap(4, 4, 24);
    Put16(bmp16, 28, 16);
    Bytes notBmp = PatternBitmap(4, 4, 24);
    notBmp[0] = 'X';
    Bytes truncated = PatternBitmap(40, 40, 24);
    truncated.resize(truncated.size() / 2);
    Bytes huge = PatternBitmap(4, 4, 24);
    Put32(huge, 18, 0x7FFFFFFF);
    Bytes flat = PatternBitmap(4, 4, 24);
    Put32(flat, 22, 0);
    const struct {
        const char* name;
        const Bytes* data;
    } cases[] = {{"bits16.bmp", &bmp16}, {"notbmp.bmp", &notBmp}, {"short.bmp", &truncated},
                 {"huge.bmp", &huge},     {"flat.bmp", &flat}};
    for (const auto& c : cases) {
        ASSERT_TRUE(WriteBytes(dir + "\\" + c.name, *c.data));
        for (bool dib : {false, true}) {
            CAutoSurface handle;
            EXPECT_FALSE(handle.Load(dir + "\\" + c.name, 24, dib)) << c.name;
            EXPECT_EQ(nullptr, handle.GetSurface()) << c.name;
        }
        CMemorySurface s;
        ASSERT_TRUE(s.Create(2, 2, 24, false));
        EXPECT_FALSE(s.Load(dir + "\\" + c.name, 24, false)) << c.name;
        EXPECT_FALSE(s.IsCreated()) << c.name;
        EXPECT_EQ("", s.GetFileName());
    }
    ASSERT_TRUE(WriteBytes(dir + "\\good.bmp", PatternBitmap(4, 4, 24)));
    CMemorySurface s;
    EXPECT_FALSE(s.Load(dir + "\\missing.bmp", 24, false));
    EXPECT_FALSE(s.Load(dir + "\\good.bmp", 8, false)) << "no such surface format";
    EXPECT_FALSE(s.IsCreated());
    EXPECT_TRUE(s.Load(dir + "\\good.bmp", 24, false));
}

// SaveBitmap and our own reader agree on every format; rows are padded to 4.
TEST(SurfaceSave, RoundTripThroughTheBitmapReader)
{
    const std::string dir = Folder("save");
    for (int format : {15, 16, 24, 32})
        for (bool dib : {false, true}) {
            SCOPED_TRACE(std::to_string(format) + (dib ? " DIB" : ""));
            CAutoSurface s;
            ASSERT_TRUE(s.Create(5, 3, format, dib));
            for (int y = 0; y < 3; ++y)
                for (int x = 0; x < 5; ++x)
                    s.SetPixel(x, y, 0xAB000000 | PatternRgb(x, y));
            const std::string path = dir + "\\f" + std::to_string(format) + (dib ? "d" : "m") + ".bmp";
            ASSERT_TRUE(s.SaveBitmap(path));
            const Bytes file = ReadBytes(path);
            ASSERT_EQ(54u + 16 * 3, file.size()) << "rows of 15 + 1 bytes";
            EXPECT_EQ(24, file[28]);
            EXPECT_EQ(0, file[54 + 15]) << "padding";
            CMemorySurface back;
            ASSERT_TRUE(back.Load(path, 32, false));
            for (int y = 0; y < 3; ++y)
                for (int x = 0; x < 5; ++x)
                    ASSERT_EQ(s.GetPixel(x, y) & 0xFFFFFF, back.GetPixel(x, y)) << x << "," << y;
        }
}

TEST(SurfaceSave, FailuresAreReported)
{
    CMemorySurface s;
    EXPECT_FALSE(s.SaveBitmap(Folder("savefail") + "\\empty.bmp")) << "nothing to save";
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((Folder("savefail") + "\\empty.bmp").c_str()))
        << "and no file made";
    ASSERT_TRUE(s.Create(64, 64, 24, false));
    EXPECT_FALSE(s.SaveBitmap("Z:\\no\\such\\folder\\x.bmp"));
    // Every write to /dev/full fails for want of room.
    EXPECT_FALSE(s.SaveBitmap("Z:\\dev\\full")) << "a failed write is a failure";
}

// Run by save_bitmap_check.sh, which has ImageMagick read every file back and
// compares its pixels with the ".rgb" file written beside it.
TEST(SurfaceSave, FilesForImageMagick)
{
    const char* out = std::getenv("QUILL_SAVE_DIR");
    if (out == nullptr)
        GTEST_SKIP() << "run through save_bitmap_check.sh";
    const std::string dir = WinePath(out);
    MakeFolders(dir);
    for (int format : {15, 16, 24, 32})
        for (int width : {1, 5, 8}) {
            CAutoSurface s;
            ASSERT_TRUE(s.Create(width, 4, format, format == 16));
            Bytes rgb;
            for (int y = 0; y < 4; ++y)
                for (int x = 0; x < width; ++x) {
                    s.SetPixel(x, y, PatternRgb(x * 9, y * 5));
                    const uint32_t c = s.GetPixel(x, y);
                    rgb.push_back(uint8_t(c >> 16));
                    rgb.push_back(uint8_t(c >> 8));
                    rgb.push_back(uint8_t(c));
                }
            const std::string name = dir + "\\s" + std::to_string(format) + "_" + std::to_string(width);
            ASSERT_TRUE(s.SaveBitmap(name + ".bmp"));
            ASSERT_TRUE(WriteBytes(name + ".rgb", rgb));
        }
}

}  // namespace
