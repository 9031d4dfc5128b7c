// CFile through Wine: disk files, lookup order, packs, LZSS kinds, bitmaps
// and text tables, with fixtures made by the pak tool.
#include "filesystem/File.h"
#include "filesystem/ImageFile.h"
#include "filesystem/LzssCodec.h"
#include "filesystem/TextTable.h"
#include "framework/DebugPrint.h"
#include "common/TestFiles.h"
#include "common/TraceCapture.h"
#include "filesystem/DiskFile.h"
#include "filesystem/LZSSArchiveFile.h"
#include "filesystem/LZSSSingleFile.h"
#include "filesystem/PackLookup.h"
#include "filesystem/ZipArchiveFile.h"
#include "filesystem/ZipSingleFile.h"
#include "common/TestThread.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace {

const std::string kRoot = WinePath(QUILL_BINARY_DIR "/fstest");

// A clean folder for one test below the build tree.
std::string Folder(const std::string& name)
{
    std::string dir = kRoot + "\\" + name;
    RemoveTree(dir);
    MakeFolders(dir);
    return dir;
}

// Writes a fixture through CFile::Create, which first closes an archive of
// that name that the pack cache keeps open (an exclusive open would fail).
void WriteFixture(const std::string& path, const std::vector<uint8_t>& data)
{
    MakeFolders(path.substr(0, path.find_last_of('\\')));
    CFile f;
    ASSERT_TRUE(f.Create(path, true)) << path;
    if (!data.empty()) {
        ASSERT_EQ(1u, f.Write(data.data(), uint32_t(data.size()), 1)) << path;
    }
}

void WriteFixture(const std::string& path, const std::string& text)
{
    WriteFixture(path, std::vector<uint8_t>(text.begin(), text.end()));
}

// Runs out\pak.exe with the arguments; returns its exit code.
int Pak(const std::string& args)
{
    std::string cmd = "\"" + WinePath(QUILL_OUT_DIR "/pak.exe") + "\" " + args;
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    std::vector<char> line(cmd.begin(), cmd.end());
    line.push_back(0);
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return -1;
    WaitForSingleObject(pi.hProcess, 120000);
    DWORD code = 1;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    return int(code);
}

std::vector<uint8_t> ReadAll(CFileInterface& f)
{
    std::vector<uint8_t> data(f.GetSize());
    if (!data.empty()) {
        EXPECT_EQ(1u, f.Read(data.data(), uint32_t(data.size()), 1));
    }
    return data;
}

std::string ReadText(const std::string& path)
{
    CFile f;
    if (f.Open(path) != 1)
        return "<not opened>";
    std::vector<uint8_t> d = ReadAll(f);
    return std::string(d.begin(), d.end());
}

std::vector<uint8_t> Pattern(size_t n, unsigned seed)
{
    std::vector<uint8_t> v(n);
    uint32_t x = seed * 2654435761u + 1;
    for (size_t i = 0; i < n; ++i) {
        x = x * 1103515245u + 12345u;
        // Half structure, half noise, like game data.
        v[i] = (i / 64) % 2 ? uint8_t(x >> 24) : uint8_t(i % 251);
    }
    return v;
}

// Presses the button of every message box of this process while it runs,
// keeping the text and caption of the last one.
class DialogAnswerer {
public:
    DialogAnswerer() : m_thread([this] { Run(); }) {}
    ~DialogAnswerer() { m_stop = true; m_thread.Join(); }
    int Count() const { return m_count; }
    std::string Text() const { return m_text; }
    std::string Caption() const { return m_caption; }

private:
    static BOOL CALLBACK FindText(HWND child, LPARAM param)
    {
        char cls[64], text[2048];
        GetClassNameA(child, cls, sizeof cls);
        if (lstrcmpiA(cls, "Static") == 0 && GetWindowTextA(child, text, sizeof text) > 0)
            *reinterpret_cast<std::string*>(param) = text;
        return TRUE;
    }
    static BOOL CALLBACK FindDialog(HWND hwnd, LPARAM param)
    {
        DialogAnswerer* self = reinterpret_cast<DialogAnswerer*>(param);
        DWORD pid = 0;
        GetWindowThreadProcessId(hwnd, &pid);
        char cls[64];
        GetClassNameA(hwnd, cls, sizeof cls);
        // A box answered already may still show until it handles the press.
        if (pid == GetCurrentProcessId() && lstrcmpA(cls, "#32770") == 0 && IsWindowVisible(hwnd) &&
            self->m_answered.insert(hwnd).second) {
            char caption[256];
            GetWindowTextA(hwnd, caption, sizeof caption);
            std::string text;
            EnumChildWindows(hwnd, FindText, LPARAM(&text));
            self->m_caption = caption;
            self->m_text = text;
            ++self->m_count;
            PostMessageA(hwnd, WM_COMMAND, IDOK, 0);
        }
        return TRUE;
    }
    void Run()
    {
        while (!m_stop) {
            EnumWindows(FindDialog, LPARAM(this));
            Sleep(30);
        }
    }

    std::atomic<bool> m_stop{false};
    std::atomic<int> m_count{0};
    std::string m_text, m_caption;
    std::set<HWND> m_answered;
    TestThread m_thread;
};

}  // namespace

TEST(DiskFile, WriteReadAndSeekRules)
{
    std::string dir = Folder("disk");
    CFile f;
    EXPECT_EQ(0, f.Open(""));
    EXPECT_FALSE(f.IsOpen());
    char buf[64] = {};
    EXPECT_EQ(0u, f.Read(buf, 1, 1)) << "closed";
    EXPECT_FALSE(f.Seek(0, 0));

    ASSERT_TRUE(f.Create(dir + "\\a.txt", true));
    EXPECT_EQ(13u, f.Write("0123456789abc", 1, 13));
    EXPECT_EQ(0u, f.Write("x", 0, 1));
    f.Close();
    ASSERT_TRUE(f.Create(dir + "\\a.txt", false));
    EXPECT_EQ(13u, f.Tell()) << "without truncation the file is appended to";
    f.Close();

    ASSERT_EQ(1, f.Open(dir + "\\a.txt"));
    EXPECT_NE(nullptr, dynamic_cast<CDiskFile*>(f.GetImplementation()));
    EXPECT_EQ(13u, f.GetSize());
    ASSERT_TRUE(f.Seek(4, 0));
    EXPECT_EQ(2u, f.Read(buf, 4, 10)) << "10 elements of 4 with 9 bytes left";
    EXPECT_EQ(0, std::memcmp(buf, "456789abc", 9));
    EXPECT_EQ(13u, f.Tell());
    EXPECT_EQ(0u, f.Read(buf, 1, 1));
    EXPECT_TRUE(f.Seek(-3, 2));
    EXPECT_EQ(1u, f.Read(buf, 3, 1));
    EXPECT_EQ(0, std::memcmp(buf, "abc", 3));
    EXPECT_FALSE(f.Seek(0, 3));
    f.Rewind();
    EXPECT_EQ(0u, f.Tell());
    EXPECT_EQ(0u, f.Read(buf, 0, 4));
    f.Close();
    EXPECT_FALSE(f.IsOpen());
    EXPECT_EQ(0u, f.GetSize());

    // A relative name is resolved against the current directory.
    char cwd[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, cwd);
    SetCurrentDirectoryA(dir.c_str());
    EXPECT_EQ(1, f.Open("A.TXT"));
    SetCurrentDirectoryA(cwd);
}

TEST(DiskFile, CreateFailureIsTraced)
{
    TraceCapture trace;
    std::string dir = Folder("create");
    CFile f;
    std::string bad = dir + "\\missing\\x.txt";
    EXPECT_FALSE(f.Create(bad, true));
    EXPECT_FALSE(f.IsOpen());
    ASSERT_EQ(1u, trace.Lines().size());
    EXPECT_EQ("error：ファイルの作成に失敗しました。<" + bad + "> [CFile::Create()]", trace.Lines()[0]);
    // A file held open without sharing cannot be created again.
    CFile holder;
    ASSERT_TRUE(holder.Create(dir + "\\held.txt", true));
    EXPECT_FALSE(f.Create(dir + "\\held.txt", true));
}

TEST(FileLookup, LooseBeforeSinglePackBeforeArchives)
{
    std::string dir = Folder("order");
    WriteFixture(dir + "\\src\\bg\\a.bmp", "from data.pak");
    WriteFixture(dir + "\\src\\bg\\b.bmp", "b from data.pak");
    WriteFixture(dir + "\\single\\a.bmp", "from the single pack");
    ASSERT_EQ(0, Pak("create " + dir + "\\data.pak " + dir + "\\src"));
    MakeFolders(dir + "\\data\\bg");
    ASSERT_EQ(0, Pak("create " + dir + "\\data\\bg\\a98109112.pak " + dir + "\\single\\a.bmp"));

    EXPECT_EQ("from the single pack", ReadText(dir + "\\data\\bg\\a.bmp"));
    CFile f;
    ASSERT_EQ(1, f.Open(dir + "\\data\\bg\\a.bmp"));
    EXPECT_NE(nullptr, dynamic_cast<CZipSingleFile*>(f.GetImplementation()));
    EXPECT_EQ("b from data.pak", ReadText(dir + "\\data\\bg\\b.bmp"));
    ASSERT_EQ(1, f.Open(dir + "\\data\\bg\\b.bmp"));
    EXPECT_NE(nullptr, dynamic_cast<CZipArchiveFile*>(f.GetImplementation()));
    WriteFixture(dir + "\\data\\bg\\a.bmp", "loose");
    EXPECT_EQ("loose", ReadText(dir + "\\data\\bg\\a.bmp"));
    // Slashes and case of the request do not matter for pack members.
    EXPECT_EQ("b from data.pak", ReadText(dir + "/DATA/bg//B.BMP"));
    EXPECT_EQ(0, f.Open(dir + "\\data\\bg\\c.bmp"));
    EXPECT_FALSE(f.IsOpen());
}

TEST(FileLookup, NearestArchiveFirstAndMemberNames)
{
    std::string dir = Folder("nearest");
    WriteFixture(dir + "\\outer\\bg\\a.bmp", "outer");
    WriteFixture(dir + "\\outer\\bg\\x.bmp", "outer x");
    WriteFixture(dir + "\\inner\\x.bmp", "inner x");
    ASSERT_EQ(0, Pak("create " + dir + "\\data.pak " + dir + "\\outer"));
    MakeFolders(dir + "\\data");
    ASSERT_EQ(0, Pak("create " + dir + "\\data\\bg.pak " + dir + "\\inner"));
    EXPECT_EQ("inner x", ReadText(dir + "\\data\\bg\\x.bmp")) << "nearest archive first";
    EXPECT_EQ("outer", ReadText(dir + "\\data\\bg\\a.bmp")) << "bg.pak lacks it, data.pak has it";

    // An index name stored as BG/A.BMP is found for ...\data\bg\a.bmp.
    std::vector<PackSource> members = {{"BG/A.BMP", {'u', 'p'}}};
    std::string other = Folder("nearest2");
    WriteFixture(other + "\\data.pak", PackBuildArchive(members));
    EXPECT_EQ("up", ReadText(other + "\\data\\bg\\a.bmp"));
    // An empty index yields nothing; a pack named after no folder is not used.
    WriteFixture(other + "\\data.pak", PackBuildArchive({}));
    CZipArchiveFile member;
    EXPECT_EQ(0, member.Open(other + "\\data\\bg\\a.bmp"));
}

TEST(FileLookup, SinglePackWithAnotherNameIsNotUsed)
{
    std::string dir = Folder("singlename");
    WriteFixture(dir + "\\src\\a.bmp", "archive");
    WriteFixture(dir + "\\one\\b.bmp", "other name");
    ASSERT_EQ(0, Pak("create " + dir + "\\data.pak " + dir + "\\src"));
    MakeFolders(dir + "\\data");
    // Stored name b.bmp under the pack name of a.bmp.
    ASSERT_EQ(0, Pak("create " + dir + "\\data\\a98109112.pak " + dir + "\\one\\b.bmp"));
    EXPECT_EQ("archive", ReadText(dir + "\\data\\a.bmp"));
    EXPECT_FALSE(IsSinglePackFor(dir + "\\data\\a.bmp"));
    // The stored name is compared without regard to case.
    WriteFixture(dir + "\\data\\c99.pak", PackBuildSingle({"C.C", {'k'}}));
    EXPECT_EQ("k", ReadText(dir + "\\data\\c.c"));
}

TEST(CompressedKinds, RefusalsAndSeekRules)
{
    TraceCapture trace;
    std::string dir = Folder("refuse");
    WriteFixture(dir + "\\src\\a.txt", "0123456789abc");
    ASSERT_EQ(0, Pak("create " + dir + "\\data.pak " + dir + "\\src"));
    CFile f;
    ASSERT_EQ(1, f.Open(dir + "\\data\\a.txt"));
    EXPECT_EQ(0u, f.Write("x", 1, 1));
    ASSERT_EQ(1u, trace.Lines().size());
    EXPECT_EQ("CCompressFileBase::Write() 圧縮ファイル書き出しには対応していません。", trace.Lines()[0]);
    EXPECT_TRUE(f.IsOpen());
    char buf[32] = {};
    EXPECT_EQ(3u, f.Read(buf, 4, 10)) << "13 bytes left: 3 whole elements";
    EXPECT_EQ(0, std::memcmp(buf, "0123456789abc", 13));
    EXPECT_TRUE(f.Seek(5, 2));
    EXPECT_EQ(18u, f.Tell());
    EXPECT_EQ(0u, f.Read(buf, 1, 1));
    EXPECT_FALSE(f.Seek(0, 3));
    EXPECT_EQ(18u, f.Tell());
    f.Rewind();
    EXPECT_EQ(1u, f.Read(buf, 13, 1));
    EXPECT_EQ(0, std::memcmp(buf, "0123456789abc", 13));

    CZipArchiveFile* impl = dynamic_cast<CZipArchiveFile*>(f.GetImplementation());
    ASSERT_NE(nullptr, impl);
    EXPECT_FALSE(impl->Create(dir + "\\x", true));
    EXPECT_FALSE(impl->IsOpen()) << "Create closes a compressed kind";
    ASSERT_EQ(2u, trace.Lines().size());
    EXPECT_EQ("CCompressFileBase::Create() 圧縮ファイルの作成には対応していません。", trace.Lines()[1]);
}

TEST(CompressedKinds, DamagedPacksFailQuietly)
{
    std::string dir = Folder("damaged");
    std::vector<uint8_t> good = PackBuildArchive({{"a.bin", Pattern(5000, 1)}});
    auto opens = [&](std::vector<uint8_t> pak) {
        WriteFixture(dir + "\\data.pak", pak);
        CFile f;
        return f.Open(dir + "\\data\\a.bin");
    };
    EXPECT_EQ(1, opens(good));
    std::vector<uint8_t> bad = good;
    bad[9] = 'S';
    EXPECT_EQ(0, opens(bad)) << "kind";
    bad = good;
    bad[10] = 0xFF; bad[11] = 0xFF; bad[12] = 0xFF; bad[13] = 0x7F;
    EXPECT_EQ(0, opens(bad)) << "index length past the end";
    bad = good;
    bad.back() ^= 0x55;  // size trailer too small or wrong
    bad[bad.size() - 30] ^= 0x55;
    EXPECT_EQ(0, opens(bad)) << "corrupt block";
    bad = good;
    bad.resize(good.size() - 100);
    EXPECT_EQ(0, opens(bad)) << "block past the end of the file";
}

TEST(RoundTrip, EveryKindByteIdentical)
{
    std::string dir = Folder("roundtrip");
    const size_t sizes[] = {0, 1, 7, 4099, 3 * 1024 * 1024 + 17};
    for (size_t i = 0; i < 5; ++i)
        WriteFixture(dir + "\\src\\f" + std::to_string(i) + ".bin", Pattern(sizes[i], unsigned(i)));
    ASSERT_EQ(0, Pak("create " + dir + "\\data.pak " + dir + "\\src"));
    ASSERT_EQ(0, Pak("create " + dir + "\\lz.dat " + dir + "\\src"));
    ASSERT_EQ(0, Pak("verify " + dir + "\\lz.dat"));
    MakeFolders(dir + "\\data");
    MakeFolders(dir + "\\single");
    for (size_t i = 0; i < 5; ++i) {
        std::string name = "f" + std::to_string(i) + ".bin";
        std::vector<uint8_t> expected = Pattern(sizes[i], unsigned(i));
        CFile f;
        ASSERT_EQ(1, f.Open(dir + "\\data\\" + name)) << name;
        EXPECT_TRUE(ReadAll(f) == expected) << "pack archive " << name;

        ASSERT_EQ(0, Pak("create " + dir + "\\single\\f" + std::to_string(i) + "98105110.pak " +
                         dir + "\\src\\" + name));
        ASSERT_EQ(1, f.Open(dir + "\\single\\" + name)) << name;
        EXPECT_TRUE(ReadAll(f) == expected) << "single-file pack " << name;

        CLZSSArchiveFile lz;
        ASSERT_EQ(1, lz.Open(dir + "\\lz\\" + name)) << name;
        EXPECT_TRUE(ReadAll(lz) == expected) << "LZSS archive " << name;

        ASSERT_EQ(0, Pak("create " + dir + "\\single\\" + name + ".dat " + dir + "\\src\\" + name));
        CLZSSSingleFile one;
        ASSERT_EQ(1, one.Open(dir + "\\single\\" + name)) << name;
        EXPECT_TRUE(ReadAll(one) == expected) << "LZSS single " << name;
    }
    // Extraction gives the files back.
    ASSERT_EQ(0, Pak("extract " + dir + "\\data.pak " + dir + "\\out"));
    EXPECT_EQ(sizes[4], CFile().Open(dir + "\\out\\f4.bin") ? sizes[4] : 0u);
}

TEST(LzssKinds, ArchiveSearchAndNames)
{
    std::string dir = Folder("lzss");
    WriteFixture(dir + "\\src\\bg\\a.bmp", "deep");
    WriteFixture(dir + "\\src\\top.txt", "top");
    ASSERT_EQ(0, Pak("create " + dir + "\\data.dat " + dir + "\\src"));
    CLZSSArchiveFile f;
    ASSERT_EQ(1, f.Open(dir + "\\data\\bg\\a.bmp"));
    EXPECT_EQ(4u, f.GetSize());
    EXPECT_EQ(-1, f.Open(dir + "\\data\\bg\\none.bmp"));
    EXPECT_FALSE(f.IsOpen());
    EXPECT_EQ(0, f.Open(dir + "\\elsewhere\\a.bmp"));
    // The first existing archive is taken even without the member.
    WriteFixture(dir + "\\data\\bg.dat", std::vector<uint8_t>(kLzssEntrySize, 0));
    EXPECT_EQ(-1, f.Open(dir + "\\data\\bg\\a.bmp"));
    EXPECT_EQ(1, f.Open(dir + "\\data\\top.txt"));

    // Entry names: slashes are found, upper case never.
    std::vector<uint8_t> payload = {'h', 'i'};
    std::vector<uint8_t> stream = LzssCompress(payload.data(), payload.size());
    std::vector<uint8_t> arc(3 * kLzssEntrySize);
    LzssEntry e;
    e.decodedSize = 2;
    e.compressedSize = uint32_t(stream.size());
    e.offset = uint32_t(arc.size());
    e.name = "bg/s.bmp";
    LzssBuildEntry(e, arc.data());
    e.name = "bg/U.bmp";
    LzssBuildEntry(e, arc.data() + kLzssEntrySize);
    arc.insert(arc.end(), stream.begin(), stream.end());
    std::string other = Folder("lzss2");
    WriteFixture(other + "\\pack.dat", arc);
    EXPECT_EQ(1, f.Open(other + "\\pack\\BG\\S.BMP"));
    EXPECT_EQ(-1, f.Open(other + "\\pack\\bg\\U.bmp"));
    EXPECT_EQ(-1, f.Open(other + "\\pack\\bg\\u.bmp"));
}

TEST(LzssKinds, ErrorDialogsAndTraces)
{
    TraceCapture trace;
    std::string dir = Folder("lzsserr");
    // A single file shorter than 4 bytes: trace only.
    WriteFixture(dir + "\\a.bin.dat", std::string("\x01\x02", 2));
    CLZSSSingleFile one;
    {
        DialogAnswerer answer;
        EXPECT_EQ(0, one.Open(dir + "\\a.bin"));
        Sleep(100);
        EXPECT_EQ(0, answer.Count());
    }
    ASSERT_EQ(1u, trace.Lines().size());
    EXPECT_EQ("CLZSSSingleFile::_OpenDatFile() ファイルヘッダの読み込みに失敗！(データファイル形式が違う可能性あり)[" +
                  dir + "\\a.bin]", trace.Lines()[0]);

    // A stream that yields fewer bytes than announced: decode error box.
    WriteFixture(dir + "\\b.bin.dat", std::vector<uint8_t>{9, 0, 0, 0, 0xFF, 'a', 'b'});
    trace.Clear();
    {
        DialogAnswerer answer;
        EXPECT_EQ(0, one.Open(dir + "\\b.bin"));
        EXPECT_EQ(1, answer.Count());
        EXPECT_EQ("ゲーム内部エラー", answer.Caption());
        EXPECT_EQ("[DecodeError]\nファイルの読み込みに失敗しました。データ破損の可能性があります。\n"
                  "お手数ですが、一旦ゲームを終了して頂き、再度ゲームのインストールを行って下さい。\n[" +
                      dir + "\\b.bin]", answer.Text());
    }
    ASSERT_EQ(1u, trace.Lines().size());
    EXPECT_EQ("CLZSSSingleFile::_OpenDatFile() decodeに失敗！(データ破損の可能性あり)[" + dir + "\\b.bin]",
              trace.Lines()[0]);
    EXPECT_FALSE(one.IsOpen());

    // An archive member whose data lies past the end: read error box.
    std::vector<uint8_t> arc(2 * kLzssEntrySize);
    LzssEntry e;
    e.name = "m.bin";
    e.decodedSize = 4;
    e.compressedSize = 5;
    e.offset = 100000;
    LzssBuildEntry(e, arc.data());
    WriteFixture(dir + "\\data.dat", arc);
    trace.Clear();
    CLZSSArchiveFile member;
    {
        DialogAnswerer answer;
        EXPECT_EQ(-1, member.Open(dir + "\\data\\m.bin"));
        EXPECT_EQ(1, answer.Count());
        EXPECT_EQ(0u, answer.Text().find("[ReadError]")) << answer.Text();
    }
    ASSERT_EQ(1u, trace.Lines().size());
    EXPECT_EQ("CLZSSArchiveFile::_OpenDatFile() データ読み込みに失敗！(データ破損の可能性あり)[" + dir +
                  "\\data\\m.bin]", trace.Lines()[0]);
    // A missing single file is silent.
    trace.Clear();
    EXPECT_EQ(0, one.Open(dir + "\\none"));
    EXPECT_TRUE(trace.Lines().empty());
}

TEST(ImageFileWin, LoadFromPackWithAlphaAndDraw)
{
    std::string dir = Folder("image");
    // 8-bit, width 3, height 2, palette entry i = (i, i+1, i+2).
    std::vector<uint8_t> bmp(54 + 1024 + 8);
    bmp[0] = 'B'; bmp[1] = 'M';
    uint32_t v = 40; std::memcpy(&bmp[14], &v, 4);
    v = 3; std::memcpy(&bmp[18], &v, 4);
    v = 2; std::memcpy(&bmp[22], &v, 4);
    bmp[26] = 1; bmp[28] = 8;
    for (int i = 0; i < 256; ++i) { bmp[54 + 4 * i] = uint8_t(i); bmp[55 + 4 * i] = uint8_t(i + 1); bmp[56 + 4 * i] = uint8_t(i + 2); }
    for (int i = 0; i < 8; ++i) bmp[1078 + i] = uint8_t(10 * i);
    WriteFixture(dir + "\\src\\a.bmp", bmp);
    WriteFixture(dir + "\\src\\a.alp", std::vector<uint8_t>{1, 2, 3, 4, 5, 6});
    ASSERT_EQ(0, Pak("create " + dir + "\\data.pak " + dir + "\\src"));
    CImageFile image;
    ASSERT_TRUE(image.Load(dir + "\\data\\a.bmp"));
    EXPECT_EQ(24, image.GetBitCount());
    EXPECT_EQ(12u, image.GetStride());
    ASSERT_NE(nullptr, image.GetAlpha());
    EXPECT_EQ(6, image.GetAlpha()[5]);
    EXPECT_EQ(dir + "\\data\\a.bmp", image.GetName());

    // Draw the whole picture into a memory DC and read a pixel back.
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP target = CreateCompatibleBitmap(screen, 8, 8);
    HGDIOBJ old = SelectObject(dc, target);
    EXPECT_TRUE(image.Draw(dc, 1, 1, 0, 0, 0, 0));
    // Top row of the picture is the file's second row: index 40 -> (40, 41, 42).
    EXPECT_EQ(RGB(42, 41, 40), GetPixel(dc, 1, 1) & 0xFFFFFF);
    EXPECT_EQ(RGB(2, 1, 0), GetPixel(dc, 1, 2) & 0xFFFFFF);
    SelectObject(dc, old);
    DeleteObject(target);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);

    EXPECT_FALSE(image.Load(dir + "\\data\\none.bmp"));
    EXPECT_FALSE(image.IsLoaded());
}

TEST(TextTableWin, LoadsThroughCFile)
{
    std::string dir = Folder("table");
    WriteFixture(dir + "\\src\\t.txt", "a b,c\r\n// x\n\x83\x5C,d");
    ASSERT_EQ(0, Pak("create " + dir + "\\data.pak " + dir + "\\src"));
    CTextTable table;
    ASSERT_TRUE(table.LoadFile(dir + "\\data\\t.txt"));
    std::string f[3];
    ASSERT_TRUE(table.ReadLine(3, f));
    EXPECT_EQ("c", f[2]);
    ASSERT_TRUE(table.ReadLine(3, f));
    EXPECT_EQ("\x83\x5C", f[0]);
    EXPECT_EQ("d", f[1]);
    EXPECT_FALSE(table.ReadLine(3, f));
    EXPECT_FALSE(table.LoadFile(dir + "\\none.txt"));
}

TEST(PackCache, ChangedArchiveIsReadAfresh)
{
    std::string dir = Folder("cache");
    std::string pak = dir + "\\data.pak", member = dir + "\\data\\a.txt";
    WriteFixture(pak, PackBuildArchive({{"a.txt", {'o', 'n', 'e'}}}));
    ASSERT_EQ("one", ReadText(member));

    // The kept handle lets an update move the archive aside and put another
    // in its place, written exclusively by someone else.
    ASSERT_TRUE(MoveFileA(pak.c_str(), (dir + "\\data.old").c_str())) << GetLastError();
    std::vector<uint8_t> two = PackBuildArchive({{"a.txt", {'t', 'w', 'o', '!'}}});
    HANDLE h = CreateFileA(pak.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h) << GetLastError();
    DWORD written = 0;
    WriteFile(h, two.data(), DWORD(two.size()), &written, nullptr);
    CloseHandle(h);
    EXPECT_EQ("two!", ReadText(member));

    // Rewritten in place through CFile with the same size: the last-write
    // time tells it apart (set apart explicitly, file times may be coarse).
    WriteFixture(pak, PackBuildArchive({{"a.txt", {'o', 'w', 't', '!'}}}));
    h = CreateFileA(pak.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    FILETIME t = {0x12345678, 0x01D00000};
    SetFileTime(h, nullptr, nullptr, &t);
    CloseHandle(h);
    EXPECT_EQ("owt!", ReadText(member));

    // Moved away with nothing in its place: the member is gone.
    ASSERT_TRUE(MoveFileA(pak.c_str(), (dir + "\\data.gone").c_str())) << GetLastError();
    CFile f;
    EXPECT_EQ(0, f.Open(member));
}

TEST(PackCache, ConcurrentLoadsGetTheirOwnBytes)
{
    // Members large enough to go through the block pool and small ones, read
    // from one archive by four threads at once.
    std::string dir = Folder("cachethreads");
    std::vector<PackSource> members;
    for (int i = 0; i < 8; ++i)
        members.push_back({"m" + std::to_string(i), Pattern(i % 2 ? 300 + i : 200000 + 4099 * i, unsigned(i))});
    WriteFixture(dir + "\\data.pak", PackBuildArchive(members));
    std::atomic<int> wrong{0};
    std::vector<TestThread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            for (int k = 0; k < 60; ++k) {
                int i = (k * 3 + t) % 8;
                CFile f;
                if (f.Open(dir + "\\data\\m" + std::to_string(i)) != 1 || ReadAll(f) != members[i].data)
                    ++wrong;
            }
        });
    for (auto& th : threads)
        th.Join();
    EXPECT_EQ(0, wrong.load()) << "loads that failed or gave another member's bytes";
}
