// Throughput of LZSS decoding against zlib's uncompress and a plain copy on
// game-like data, and the cost of reading a pack member through CFile
// against the bare uncompress of its block.
#include "BenchTiming.h"
#include "filesystem/LzssCodec.h"
#include "filesystem/PackFormat.h"

#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#ifdef _WIN32
#include "filesystem/File.h"
#include <windows.h>
#endif

namespace {

typedef std::vector<uint8_t> Bytes;

// Longer runs than the default: file reads vary more.
template <class F> double TimeOnce(F f) { return bench::TimeOnce(f, 0.15); }
template <class A, class B> void TimePair(A a, B b, double& ta, double& tb)
{
    bench::TimePair(a, b, ta, tb, 0.15);
}

// Drawn artwork: flat fills, soft gradients, outlines and a little noise.
Bytes Artwork(int seed)
{
    const int w = 800, h = 600, stride = w * 3;
    Bytes px(size_t(stride) * h);
    uint32_t x = 12345u + seed;
    for (int y = 0; y < h; ++y)
        for (int i = 0; i < w; ++i) {
            uint8_t* p = &px[size_t(y) * stride + i * 3];
            int region = ((i + seed * 37) / 120 + (y / 90)) % 5;
            int dx = i - 400, dy = y - 300 - seed * 20;
            bool figure = dx * dx / 4 + dy * dy < 160 * 160;
            x = x * 1103515245u + 12345u;
            int noise = (x >> 29) == 0 ? int(x >> 24 & 3) : 0;
            if (figure) {
                p[0] = uint8_t(200 - y / 8 + noise);
                p[1] = uint8_t(180 - y / 10);
                p[2] = uint8_t(230 - y / 12);
                if (dx * dx / 4 + dy * dy > 156 * 156) p[0] = p[1] = p[2] = 20;
            } else {
                p[0] = uint8_t(40 * region + y / 16);
                p[1] = uint8_t(60 + 30 * region);
                p[2] = uint8_t(90 + i / 20 + noise);
            }
        }
    return px;
}

// Japanese scenario text in CP932.
Bytes Script(size_t size)
{
    static const char* const lines[] = {
        "「おはようございます、先輩。今日もいい天気ですね」\r\n",
        "　彼女はそう言って、窓の外を眺めた。\r\n",
        "【主人公】「ああ、そうだな。……でも午後から雨らしいぞ」\r\n",
        "　風が吹き抜け、桜の花びらが舞い上がる。\r\n",
        "「えっ、本当ですか？　傘、持ってきてないです……」\r\n",
        "#bg v_006_000\r\n#se door_open\r\n",
        "　放課後の図書室は、いつもより静かだった。\r\n",
        "【クイルムーア】「約束の時間まで、あと十分」\r\n",
    };
    Bytes out;
    uint32_t x = 7;
    while (out.size() < size) {
        x = x * 1103515245u + 12345u;
        const char* l = lines[(x >> 16) % 8];
        out.insert(out.end(), l, l + std::strlen(l));
        if ((x >> 8) % 5 == 0) {
            std::string n = std::to_string(x % 1000);
            out.insert(out.end(), n.begin(), n.end());
        }
    }
    out.resize(size);
    return out;
}

Bytes Zlib(const Bytes& in)
{
    uLongf n = compressBound(uLong(in.size()));
    Bytes out(n);
    compress2(out.data(), &n, in.data(), uLong(in.size()), Z_BEST_COMPRESSION);
    out.resize(n);
    return out;
}

struct Result {
    double lzss, zlib, copy, lzssRatio, zlibRatio;
};

Result Measure(const Bytes& data)
{
    Bytes lz = LzssCompress(data.data(), data.size());
    Bytes z = Zlib(data);
    Bytes out(data.size() + 8);
    double mb = double(data.size()) / 1e6;
    Result r;
    double tl, tz;
    TimePair(
        [&] {
            CLZSSCodec codec;
            if (codec.Decode(lz.data(), uint32_t(lz.size()), out.data(), uint32_t(data.size())) < 0)
                std::printf("LZSS decode failed\n");
        },
        [&] {
            uLongf n = uLongf(data.size());
            if (uncompress(out.data(), &n, z.data(), uLong(z.size())) != Z_OK)
                std::printf("uncompress failed\n");
        },
        tl, tz);
    r.lzss = mb / tl;
    r.zlib = mb / tz;
    r.copy = mb / TimeOnce([&] { std::memcpy(out.data(), data.data(), data.size()); });
    r.lzssRatio = double(lz.size()) / double(data.size());
    r.zlibRatio = double(z.size()) / double(data.size());
    return r;
}

void Print(const char* name, const Result& r)
{
    std::printf("%-22s LZSS %7.1f MB/s (size %5.1f%%)  zlib %7.1f MB/s (size %5.1f%%)  copy %8.1f MB/s  LZSS/zlib %.2fx\n",
                name, r.lzss, 100 * r.lzssRatio, r.zlib, 100 * r.zlibRatio, r.copy, r.lzss / r.zlib);
}

}  // namespace

int main()
{
    Bytes art;
    for (int i = 0; i < 4; ++i) {
        Bytes a = Artwork(i);
        art.insert(art.end(), a.begin(), a.end());
    }
    Bytes text = Script(4 << 20);
    Bytes packed = Zlib(art);
    Bytes noisy = Zlib(text);
    packed.insert(packed.end(), noisy.begin(), noisy.end());

    std::printf("Decoding throughput (MB/s of output), one run, same data:\n");
    Result a = Measure(art), t = Measure(text), c = Measure(packed);
    Print("800x600 24-bit art x4", a);
    Print("Japanese script 4 MiB", t);
    Print("already compressed", c);
    // Bitmaps and text together: total bytes over total time.
    double bytesA = double(art.size()), bytesT = double(text.size());
    double lz = (bytesA + bytesT) / (bytesA / a.lzss + bytesT / t.lzss);
    double zl = (bytesA + bytesT) / (bytesA / a.zlib + bytesT / t.zlib);
    std::printf("art + script together:  LZSS %.1f MB/s, zlib %.1f MB/s: LZSS/zlib %.2fx (target >= 1.50)\n",
                lz, zl, lz / zl);

#ifdef _WIN32
    // A pack of 1,000 members, one of them a 1 MiB bitmap.
    std::vector<PackSource> members;
    for (int i = 0; i < 999; ++i) {
        PackSource m;
        m.name = "bg\\s" + std::to_string(i) + ".txt";
        m.data.assign(text.begin() + i * 700, text.begin() + i * 700 + 700);
        members.push_back(m);
    }
    PackSource big;
    big.name = "bg\\big.bmp";
    big.data.assign(art.begin(), art.begin() + (1 << 20));
    members.insert(members.begin() + 500, big);
    Bytes pak = PackBuildArchive(members);
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::string dir = std::string(temp) + "quill_bench_fs";
    CreateDirectoryA(dir.c_str(), nullptr);
    {
        CFile out;
        if (!out.Create(dir + "\\data.pak", true) || out.Write(pak.data(), uint32_t(pak.size()), 1) != 1) {
            std::printf("cannot write %s\\data.pak\n", dir.c_str());
            return 1;
        }
    }
    Bytes block = PackBuildBlock(big.data.data(), big.data.size());
    PackScramble(block.data(), uint32_t(block.size()));
    Bytes out(big.data.size() + 1);
    std::string path = dir + "\\data\\bg\\big.bmp";
    double bare, viaFile;
    TimePair(
        [&] {
            uLongf n = uLongf(big.data.size());
            uncompress(out.data(), &n, block.data(), uLong(block.size() - 4));
        },
        [&] {
            CFile f;
            if (f.Open(path) != 1 || f.Read(out.data(), 1, f.GetSize()) != big.data.size())
                std::printf("CFile read failed\n");
        },
        bare, viaFile);
    std::printf("1 MiB member of a 1,000-member pack: CFile open+read %.2f ms, bare uncompress %.2f ms: %.3fx (target <= 1.10)\n",
                viaFile * 1e3, bare * 1e3, viaFile / bare);
    DeleteFileA((dir + "\\data.pak").c_str());
    RemoveDirectoryA(dir.c_str());
#endif
    return 0;
}
