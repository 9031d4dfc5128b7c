// Bitmaps written by a real image tool, ImageMagick 6 (/usr/bin/convert), in
// every variant it writes: the loader reproduces the tool's own decoding
// pixel for pixel, or refuses the file. None loads with wrong pixels, and
// each variant loads or is refused as expected.
#include "filesystem/FileInterface.h"
#include "filesystem/ImageFile.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char kConvert[] = "/usr/bin/convert";
const char kIdentify[] = "/usr/bin/identify";
const int kWidth = 37, kHeight = 11;  // odd width: every row is padded

std::string Folder()
{
    std::string dir = QUILL_BINARY_DIR "/imagetool";
    mkdir(dir.c_str(), 0777);
    return dir;
}

std::vector<uint8_t> ReadFile(const std::string& path)
{
    std::vector<uint8_t> data;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        uint8_t buf[65536];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
            data.insert(data.end(), buf, buf + n);
        std::fclose(f);
    }
    return data;
}

void WriteFile(const std::string& path, const std::string& bytes)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(nullptr, f) << path;
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

// Runs a command; its status, and its output in out.
int Shell(const std::string& command, std::string* out = nullptr)
{
    FILE* p = popen((command + " 2>&1").c_str(), "r");
    if (!p)
        return -1;
    std::string text;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
        text.append(buf, n);
    int status = pclose(p);
    if (out)
        *out = text;
    return status;
}

// The source picture as a PAM file: many colours (more than 256), and an
// alpha channel that takes every value.
std::string SourcePicture(bool alpha)
{
    std::string pam = "P7\nWIDTH " + std::to_string(kWidth) + "\nHEIGHT " + std::to_string(kHeight) +
                      "\nDEPTH " + (alpha ? "4" : "3") + "\nMAXVAL 255\nTUPLTYPE " +
                      (alpha ? "RGB_ALPHA" : "RGB") + "\nENDHDR\n";
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            pam += char(x * 7 + y * 3);
            pam += char(y * 23 + x);
            pam += char((x * y * 5) ^ 0x5A);
            if (alpha)
                pam += char((x * 11 + y * 29) & 0xFF);
        }
    return pam;
}

struct Variant {
    const char* label;
    bool alphaSource;
    const char* options;  // between the source and the output
    const char* format;   // output prefix
    bool loads;           // the loader reads it (otherwise it refuses it)
};

// Everything the tool writes as ".bmp": the three header kinds (BMP2: the
// 12-byte OS/2 core header; BMP3: 40 bytes; BMP: V5, 124 bytes; V4 through a
// define), palettes of 2, 16, 200 and 256 colours compressed and not (the
// tool writes 1 and 4 bits for 2 and 16 uncompressed colours and RLE8 for
// every compressed palette), 24 bits, 32 bits with and without alpha, and
// 16-bit bit fields.
const Variant kVariants[] = {
    {"BMP2 2 colours", false, "-colors 2 -type Palette -compress None", "BMP2", false},
    {"BMP2 256 colours", false, "-colors 256 -type Palette -compress None", "BMP2", false},
    {"BMP2 24 bits", false, "-type TrueColor", "BMP2", false},
    {"BMP3 2 colours", false, "-colors 2 -type Palette -compress None", "BMP3", false},
    {"BMP3 2 colours RLE", false, "-colors 2 -type Palette -compress RLE", "BMP3", false},
    {"BMP3 16 colours", false, "-colors 16 -type Palette -compress None", "BMP3", false},
    {"BMP3 16 colours RLE", false, "-colors 16 -type Palette -compress RLE", "BMP3", false},
    {"BMP3 200 colours", false, "-colors 200 -type Palette -compress None", "BMP3", true},
    {"BMP3 200 colours RLE", false, "-colors 200 -type Palette -compress RLE", "BMP3", false},
    {"BMP3 256 colours", false, "-colors 256 -type Palette -compress None", "BMP3", true},
    {"BMP3 256 colours RLE", false, "-colors 256 -type Palette -compress RLE", "BMP3", false},
    {"BMP3 24 bits", false, "-type TrueColor", "BMP3", true},
    {"BMP3 32 bits alpha", true, "-define bmp3:alpha=true", "BMP3", true},
    {"V4 2 colours", false, "-colors 2 -type Palette -compress None -define bmp:format=bmp4", "BMP", false},
    {"V4 200 colours", false, "-colors 200 -type Palette -compress None -define bmp:format=bmp4", "BMP", true},
    {"V4 256 colours RLE", false, "-colors 256 -type Palette -compress RLE -define bmp:format=bmp4", "BMP",
     false},
    {"V4 24 bits", false, "-type TrueColor -define bmp:format=bmp4", "BMP", true},
    {"V4 32 bits alpha", true, "-define bmp:format=bmp4", "BMP", true},
    {"V5 2 colours", false, "-colors 2 -type Palette -compress None", "BMP", false},
    {"V5 2 colours RLE", false, "-colors 2 -type Palette -compress RLE", "BMP", false},
    {"V5 16 colours", false, "-colors 16 -type Palette -compress None", "BMP", false},
    {"V5 16 colours RLE", false, "-colors 16 -type Palette -compress RLE", "BMP", false},
    {"V5 200 colours", false, "-colors 200 -type Palette -compress None", "BMP", true},
    {"V5 200 colours RLE", false, "-colors 200 -type Palette -compress RLE", "BMP", false},
    {"V5 256 colours", false, "-colors 256 -type Palette -compress None", "BMP", true},
    {"V5 256 colours RLE", false, "-colors 256 -type Palette -compress RLE", "BMP", false},
    {"V5 24 bits", false, "-type TrueColor", "BMP", true},
    {"V5 32 bits alpha", true, "", "BMP", true},
    {"V5 32 bits without alpha", true, "-define bmp:subtype=XRGB8888", "BMP", true},
    {"V5 16 bits RGB565", false, "-define bmp:subtype=RGB565", "BMP", false},
    {"V5 16 bits ARGB1555", true, "-define bmp:subtype=ARGB1555", "BMP", false},
    {"V5 16 bits ARGB4444", true, "-define bmp:subtype=ARGB4444", "BMP", false},
};

// What the header says, for messages.
std::string Describe(const std::vector<uint8_t>& f)
{
    if (f.size() < 54)
        return "(short file)";
    auto u32 = [&](size_t at) { uint32_t v; std::memcpy(&v, &f[at], 4); return v; };
    uint16_t bits;
    std::memcpy(&bits, &f[28], 2);
    return "header " + std::to_string(u32(14)) + " bytes, " + std::to_string(bits) + " bits, compression " +
           std::to_string(u32(30)) + ", " + std::to_string(u32(46)) + " colours, rows at " +
           std::to_string(u32(10));
}

}  // namespace

TEST(ImageFileRealTool, ReadRightOrRefused)
{
    std::string version;
    ASSERT_EQ(0, Shell(std::string(kConvert) + " -version", &version))
        << kConvert << " (ImageMagick, package imagemagick) is needed: " << version;
    const std::string dir = Folder();
    WriteFile(dir + "/rgb.pam", SourcePicture(false));
    WriteFile(dir + "/rgba.pam", SourcePicture(true));

    for (size_t i = 0; i < sizeof kVariants / sizeof kVariants[0]; ++i) {
        const Variant& v = kVariants[i];
        SCOPED_TRACE(v.label);
        const std::string bmp = dir + "/v" + std::to_string(i) + ".bmp", raw = dir + "/v" + std::to_string(i) + ".rgba";
        std::string out;
        ASSERT_EQ(0, Shell(std::string(kConvert) + " " + dir + (v.alphaSource ? "/rgba.pam " : "/rgb.pam ") +
                               v.options + " " + v.format + ":" + bmp, &out))
            << out;
        const std::vector<uint8_t> file = ReadFile(bmp);
        const std::string header = Describe(file);

        // The tool's own decoding: top-down RGBA, and whether it sees alpha.
        ASSERT_EQ(0, Shell(std::string(kConvert) + " " + bmp + " -depth 8 rgba:" + raw, &out)) << out;
        const std::vector<uint8_t> rgba = ReadFile(raw);
        ASSERT_EQ(size_t(kWidth) * kHeight * 4, rgba.size()) << header;
        std::string alpha;
        ASSERT_EQ(0, Shell(std::string(kIdentify) + " -format %A " + bmp, &alpha)) << alpha;
        const bool toolAlpha = alpha != "False" && alpha != "Undefined";

        CMemoryFile memory(file.data(), uint32_t(file.size()));
        CImageFile image;
        const bool ok = image.LoadFrom(memory, nullptr, bmp);
        EXPECT_EQ(v.loads, ok) << (v.loads ? "refused: " : "loaded: ") << header;
        if (!ok)
            continue;
        ASSERT_EQ(kWidth, image.GetSize().first);
        ASSERT_EQ(kHeight, image.GetSize().second);
        const int step = image.GetBitCount() / 8;
        int wrong = 0;
        std::string first;
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                const uint8_t* p = image.GetPixels() + size_t(kHeight - 1 - y) * image.GetStride() + size_t(x) * step;
                const uint8_t* t = &rgba[(size_t(y) * kWidth + x) * 4];
                bool same = p[0] == t[2] && p[1] == t[1] && p[2] == t[0];
                if (step == 4 && toolAlpha)
                    same = same && p[3] == t[3];
                if (!same && wrong++ == 0) {
                    char text[160];
                    std::snprintf(text, sizeof text,
                                  "first at x %d, y %d from the top: loader B,G,R,x %d,%d,%d,%d, tool R,G,B,A %d,%d,%d,%d",
                                  x, y, p[0], p[1], p[2], step == 4 ? p[3] : -1, t[0], t[1], t[2], t[3]);
                    first = text;
                }
            }
        EXPECT_EQ(0, wrong) << "pixels that differ from the tool's decoding (" << header << "); " << first;
    }
}
