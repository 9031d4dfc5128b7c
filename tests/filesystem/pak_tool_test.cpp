// The pak tool run as a program: natively out/pak (host names in UTF-8), in
// the Windows build out\pak.exe under Wine (host names in CP932). Trees whose
// folder and file names hold characters with the trail byte 0x5C at every
// depth go through every archive kind and back; archives written by the
// test's own writer extract to the same tree; names that would leave the
// target folder are refused; a create that fails or is stopped leaves the
// old archive as it was.
#include "filesystem/LzssCodec.h"
#include "filesystem/PackFormat.h"
#include "setup/SjisString.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#ifdef _WIN32
#include "common/TestFiles.h"
#include <windows.h>
#else
#include <filesystem>
#include <iconv.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

// Characters whose second byte is 0x5C, and one whose second byte is "A".
const std::string kSo = "\x83\x5C";    // ソ
const std::string kHyo = "\x95\x5C";   // 表
const std::string kNo = "\x94\x5C";    // 能
const std::string kJu = "\x8F\x5C";    // 十
const std::string kShin = "\x90\x5C";  // 申
const std::string kBo = "\x96\x5C";    // 暴
const std::string kYo = "\x97\x5C";    // 予
const std::string kA = "\x83\x41";     // ア
const std::string kFuto = "\x83\x74\x83\x67";  // フト

// Relative names (CP932, "\" separators) and contents.
using Tree = std::map<std::string, std::string>;

// The tree of the round trips: a trail 0x5C at the end of every component
// and inside it, at depths 1 to 4, files without extension, an empty file.
Tree JapaneseTree()
{
    return {
        {kYo + ".bin", std::string("top\0level", 9)},
        {kHyo, "a file named " + kHyo},
        {kSo + kFuto + "\\" + kHyo + ".csv", "id,name\r\n1," + kHyo + "\r\n"},
        {kNo + "\\" + kJu + "\\" + kShin + ".txt", std::string(5000, 'x')},
        {kBo + "\\" + kYo + "\\" + kSo + "\\" + kNo, ""},
        {kBo + "\\" + kYo + "\\" + kSo + "\\" + kA + kSo + ".dat", "deep"},
        {"bg\\a.bmp", "ascii beside"},
        {"bg\\" + kJu + "\\" + kShin, "trail byte folder below an ascii one"},
    };
}

// What the test writes with its own writer: both separator kinds.
Tree StoredForm(const Tree& tree, bool forwardSlashes)
{
    Tree out;
    for (const auto& f : tree)
        out[forwardSlashes ? ToForwardSlashes(f.first) : f.first] = f.second;
    return out;
}

// ---- host file system -------------------------------------------------------

#ifdef _WIN32
// The system's own calls: the C runtime's stat and opendir take a trail
// byte 0x5C at the end of a name for a trailing backslash.
std::string HostName(const std::string& cp932) { return cp932; }
std::string Root() { return WinePath(QUILL_BINARY_DIR "/paktool"); }
const char kNewline[] = "\r\n";  // the tool's stdout is in text mode
void MakeDir(const std::string& path) { CreateDirectoryA(path.c_str(), nullptr); }
void RemoveAll(const std::string& path) { RemoveTree(path); }
// Every file below folder: host relative path ("/" separated) -> contents.
std::map<std::string, std::string> FilesBelow(const std::string& folder)
{
    std::map<std::string, std::string> files;
    for (const auto& entry : SnapshotTree(folder))
        if (entry.second != "<dir>")
            files[ToForwardSlashes(entry.first)] = entry.second;
    return files;
}
void WriteBytes(const std::string& path, const std::string& bytes) { PutFile(path, bytes); }
std::string ReadBytes(const std::string& path) { return GetFile(path); }
#else
std::string HostName(const std::string& cp932)
{
    iconv_t cd = iconv_open("UTF-8", "CP932");
    std::string out(cp932.size() * 3 + 4, '\0');
    char* in = const_cast<char*>(cp932.data());
    size_t inLeft = cp932.size(), outLeft = out.size();
    char* op = &out[0];
    size_t r = iconv(cd, &in, &inLeft, &op, &outLeft);
    iconv_close(cd);
    EXPECT_NE(size_t(-1), r) << "no UTF-8 form";
    out.resize(out.size() - outLeft);
    return out;
}
std::string Root() { return QUILL_BINARY_DIR "/paktool"; }
const char kNewline[] = "\n";
void MakeDir(const std::string& path) { mkdir(path.c_str(), 0777); }
void RemoveAll(const std::string& path)
{
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
}
void WriteBytes(const std::string& path, const std::string& bytes)
{
    for (size_t p = 0; (p = path.find('/', p + 1)) != std::string::npos;)
        MakeDir(path.substr(0, p));
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(nullptr, f) << "cannot write " << path;
    EXPECT_EQ(bytes.size(), std::fwrite(bytes.data(), 1, bytes.size(), f));
    std::fclose(f);
}
std::string ReadBytes(const std::string& path)
{
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return "<missing>";
    std::string data;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        data.append(buf, n);
    std::fclose(f);
    return data;
}
std::map<std::string, std::string> FilesBelow(const std::string& folder)
{
    std::map<std::string, std::string> files;
    std::error_code missing;  // no folder: no files
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder, missing))
        if (entry.is_regular_file())
            files[entry.path().string().substr(folder.size() + 1)] = ReadBytes(entry.path().string());
    return files;
}
#endif

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    WriteBytes(path, std::string(bytes.begin(), bytes.end()));
}

// A host path below folder for a CP932 name with "\" or "/" separators.
std::string HostPath(const std::string& folder, const std::string& name)
{
    std::string path = folder;
    for (const std::string& part : SplitComponents(name))
        path += "/" + HostName(part);
    return path;
}

void WriteTree(const std::string& folder, const Tree& tree)
{
    for (const auto& f : tree)
        WriteBytes(HostPath(folder, f.first), f.second);
}

// The tree as the host should hold it below a folder.
std::map<std::string, std::string> HostTree(const Tree& tree)
{
    std::map<std::string, std::string> out;
    for (const auto& f : tree)
        out[HostPath("", f.first).substr(1)] = f.second;
    return out;
}

// Names of a host tree in a readable form, for failure messages.
std::string Describe(const std::map<std::string, std::string>& tree)
{
    std::string s;
    for (const auto& f : tree)
        s += "  " + f.first + " (" + std::to_string(f.second.size()) + " bytes)\n";
    return s.empty() ? "  (nothing)\n" : s;
}

// A fresh folder for one case.
std::string CaseFolder()
{
    const ::testing::TestInfo* t = ::testing::UnitTest::GetInstance()->current_test_info();
    MakeDir(Root());
    std::string dir = Root() + "/" + t->test_suite_name() + "." + t->name();
    RemoveAll(dir);
    MakeDir(dir);
    return dir;
}

// ---- running the tool -------------------------------------------------------

struct ToolRun {
    int status = -1;
    std::string output;  // stdout and stderr
};

#ifdef _WIN32
std::string Quote(const std::string& arg) { return "\"" + arg + "\""; }

ToolRun Pak(const std::vector<std::string>& args)
{
    ToolRun r;
    std::string outPath = WinePath(QUILL_BINARY_DIR "/paktool") + "\\out." + std::to_string(GetCurrentThreadId());
    SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
    HANDLE out = CreateFileA(outPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa,
                             CREATE_ALWAYS, 0, nullptr);
    std::string cmd = Quote(WinePath(QUILL_OUT_DIR "/pak.exe"));
    for (const std::string& a : args)
        cmd += " " + Quote(a);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = si.hStdError = out;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION pi = {};
    std::vector<char> line(cmd.begin(), cmd.end());
    line.push_back(0);
    if (CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
        WaitForSingleObject(pi.hProcess, 120000);
        DWORD code = 1;
        GetExitCodeProcess(pi.hProcess, &code);
        r.status = int(code);
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
    }
    CloseHandle(out);
    r.output = ReadBytes(outPath);
    DeleteFileA(outPath.c_str());
    return r;
}
#else
std::string Quote(const std::string& arg)
{
    std::string q = "'";
    for (char c : arg)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// Runs the tool through the shell; prefix is shell text put before it.
ToolRun PakWith(const std::string& prefix, const std::vector<std::string>& args)
{
    ToolRun r;
    std::string outPath = Root() + "/out." + std::to_string(getpid());
    std::string cmd = prefix + " " + Quote(QUILL_OUT_DIR "/pak");
    for (const std::string& a : args)
        cmd += " " + Quote(a);
    int status = std::system(("( " + cmd + " ) >" + Quote(outPath) + " 2>&1").c_str());
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.output = ReadBytes(outPath);
    std::remove(outPath.c_str());
    return r;
}

ToolRun Pak(const std::vector<std::string>& args) { return PakWith("", args); }
#endif

// The output as UTF-8 in both builds, for messages.
std::string Shown(const std::string& output)
{
#ifdef _WIN32
    std::string out;
    int n = MultiByteToWideChar(932, 0, output.data(), int(output.size()), nullptr, 0);
    std::wstring w(size_t(n), L'\0');
    MultiByteToWideChar(932, 0, output.data(), int(output.size()), &w[0], n);
    n = WideCharToMultiByte(CP_UTF8, 0, w.data(), int(w.size()), nullptr, 0, nullptr, nullptr);
    out.resize(size_t(n));
    WideCharToMultiByte(CP_UTF8, 0, w.data(), int(w.size()), &out[0], n, nullptr, nullptr);
    return out;
#else
    return output;
#endif
}

// The host form of a stored name as the tool prints it.
std::string Printed(const std::string& stored)
{
#ifdef _WIN32
    return stored;
#else
    return HostName(stored);
#endif
}

// ---- the test's own archive writer ------------------------------------------

void Put32(std::vector<uint8_t>& v, uint32_t x)
{
    for (int i = 0; i < 4; ++i)
        v.push_back(uint8_t(x >> (8 * i)));
}

// A ".pak" archive: zlib stream + decoded size, first bytes scrambled with
// the format's constant 0x5A, offsets and sizes keyed with the name's sum.
std::vector<uint8_t> OwnPack(const Tree& tree)
{
    std::vector<std::vector<uint8_t>> blocks;
    size_t indexLength = 4;
    for (const auto& f : tree) {
        uLongf packed = compressBound(uLong(f.second.size()));
        std::vector<uint8_t> block(packed);
        EXPECT_EQ(Z_OK, compress(block.data(), &packed, reinterpret_cast<const Bytef*>(f.second.data()),
                                 uLong(f.second.size())));
        block.resize(packed);
        Put32(block, uint32_t(f.second.size()));
        uint8_t k = uint8_t((block.size() >> 3) + 0x5A);
        for (size_t i = 0; i < block.size() && i < 32; ++i, k = uint8_t(k * 8))
            block[i] ^= k;
        blocks.push_back(block);
        indexLength += f.first.size() + 1 + 12;
    }
    std::vector<uint8_t> out = {'Z', 'O', 'R', 'V', 'I', 'D', 'E', 'X', '4', 'A'};
    Put32(out, uint32_t(indexLength));
    uint32_t offset = uint32_t(14 + indexLength);
    Put32(out, tree.empty() ? 0 : uint32_t(tree.begin()->first.size() + 1));
    size_t i = 0;
    for (auto f = tree.begin(); f != tree.end(); ++f, ++i) {
        int32_t key = 0;
        for (char c : f->first)
            key += int8_t(c);
        out.insert(out.end(), f->first.begin(), f->first.end());
        out.push_back(0);
        Put32(out, offset ^ uint32_t(key));
        Put32(out, uint32_t(blocks[i].size()) ^ uint32_t(key));
        auto next = std::next(f);
        Put32(out, next == tree.end() ? 0 : uint32_t(next->first.size() + 1));
        offset += uint32_t(blocks[i].size());
    }
    for (const auto& b : blocks)
        out.insert(out.end(), b.begin(), b.end());
    return out;
}

// An LZSS stream of literals only: a flag byte 0xFF before every 8 bytes.
std::vector<uint8_t> LiteralStream(const std::string& data)
{
    std::vector<uint8_t> s;
    for (size_t i = 0; i < data.size(); ++i) {
        if (i % 8 == 0)
            s.push_back(0xFF);
        s.push_back(uint8_t(data[i]));
    }
    return s;
}

// A ".dat" archive: 140-byte entries (name, then three words masked with
// 0x5D5D5D), a zero entry, then the streams.
std::vector<uint8_t> OwnLzss(const Tree& tree)
{
    std::vector<uint8_t> out((tree.size() + 1) * 140, 0), streams;
    uint32_t offset = uint32_t(out.size());
    size_t i = 0;
    for (const auto& f : tree) {
        std::vector<uint8_t> s = LiteralStream(f.second);
        std::vector<uint8_t> words;
        Put32(words, uint32_t(f.second.size()) ^ 0x5D5D5Du);
        Put32(words, uint32_t(s.size()) ^ 0x5D5D5Du);
        Put32(words, (offset + uint32_t(streams.size())) ^ 0x5D5D5Du);
        std::memcpy(&out[i * 140], f.first.data(), f.first.size());
        std::memcpy(&out[i * 140 + 128], words.data(), 12);
        streams.insert(streams.end(), s.begin(), s.end());
        ++i;
    }
    out.insert(out.end(), streams.begin(), streams.end());
    return out;
}

// Stored names of an archive file, read with the library's parsers.
std::vector<std::string> StoredNames(const std::string& archive)
{
    std::string f = ReadBytes(archive);
    const uint8_t* p = reinterpret_cast<const uint8_t*>(f.data());
    std::vector<std::string> names;
    uint32_t length = 0;
    if (f.size() >= 14 && PackParseHeader(p, 'A', length)) {
        std::vector<PackEntry> entries;
        EXPECT_TRUE(length <= f.size() - 14 && PackParseIndex(p + 14, length, entries));
        for (const PackEntry& e : entries)
            names.push_back(e.name);
    } else {
        LzssEntry e;
        for (size_t at = 0; f.size() - at >= kLzssEntrySize && LzssParseEntry(p + at, e); at += kLzssEntrySize)
            names.push_back(e.name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

TEST(PakJapaneseNames, RoundTripThroughEveryArchiveKind)
{
    const std::string dir = CaseFolder();
    const Tree tree = JapaneseTree();
    WriteTree(dir + "/src", tree);
    std::map<std::string, std::string> written = FilesBelow(dir + "/src");
    ASSERT_TRUE(HostTree(tree) == written) << "the source tree as written:\n" << Describe(written);

    for (const std::string ext : {".pak", ".dat"}) {
        SCOPED_TRACE("archive kind " + ext);
        const std::string archive = dir + "/data" + ext, out = dir + "/out" + ext;
        ToolRun r = Pak({"create", archive, dir + "/src"});
        ASSERT_EQ(0, r.status) << Shown(r.output);

        // Stored as CP932 with backslashes; LZSS names lowered, trail bytes kept.
        std::vector<std::string> expected;
        for (const auto& f : tree)
            expected.push_back(ext == ".dat" ? ToLowerAscii(f.first) : f.first);
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(expected, StoredNames(archive));

        r = Pak({"list", archive});
        EXPECT_EQ(0, r.status) << Shown(r.output);
        for (const std::string& name : expected)
            EXPECT_NE(std::string::npos, r.output.find("  " + Printed(name) + kNewline))
                << "listed: " << Shown(Printed(name)) << "\nin:\n" << Shown(r.output);

        r = Pak({"verify", archive});
        EXPECT_EQ(0, r.status) << Shown(r.output);
        EXPECT_NE(std::string::npos, r.output.find(std::to_string(tree.size()) + " member(s), 0 damaged"))
            << Shown(r.output);

        r = Pak({"extract", archive, out});
        ASSERT_EQ(0, r.status) << Shown(r.output);
        std::map<std::string, std::string> got = FilesBelow(out);
        Tree wanted = tree;
        if (ext == ".dat") {
            wanted.clear();
            for (const auto& f : tree)
                wanted[ToLowerAscii(f.first)] = f.second;
        }
        EXPECT_TRUE(HostTree(wanted) == got) << "extracted:\n" << Describe(got) << "expected:\n"
                                             << Describe(HostTree(wanted));
    }
}

TEST(PakJapaneseNames, SingleFileKindsBelowTrailByteFolders)
{
    const std::string dir = CaseFolder();
    // The source lies in a folder whose name ends in a trail 0x5C: only the
    // file's own name is stored.
    const std::string name = kHyo + ".csv";
    const std::string source = HostPath(dir, kSo + "\\" + kJu + "\\" + name);
    WriteBytes(source, "1," + kNo + "\r\n");

    const std::string pack = HostPath(dir, PackSingleStem(kHyo, "csv") + ".pak");
    ToolRun r = Pak({"create", pack, source});
    ASSERT_EQ(0, r.status) << Shown(r.output);
    EXPECT_EQ(std::string::npos, r.output.find("note:")) << "the pack has the name the reader looks for\n"
                                                         << Shown(r.output);
    std::string f = ReadBytes(pack);
    ASSERT_GT(f.size(), 14u + name.size());
    EXPECT_EQ(name, std::string(f.data() + 14, strnlen(f.data() + 14, f.size() - 14))) << "stored name";

    const std::string lzss = HostPath(dir, name + ".dat");
    r = Pak({"create", lzss, source});
    ASSERT_EQ(0, r.status) << Shown(r.output);

    for (const std::string& archive : {pack, lzss}) {
        r = Pak({"list", archive});
        EXPECT_NE(std::string::npos, r.output.find("  " + Printed(name) + kNewline)) << Shown(r.output);
        r = Pak({"extract", archive, dir + "/out"});
        ASSERT_EQ(0, r.status) << Shown(r.output);
        EXPECT_EQ("1," + kNo + "\r\n", ReadBytes(HostPath(dir + "/out", name))) << Shown(archive);
        RemoveAll(dir + "/out");
    }
}

TEST(PakJapaneseNames, ArchivesOfAnotherWriterExtractToTheSameTree)
{
    const std::string dir = CaseFolder();
    const Tree tree = JapaneseTree();
    Tree lowered;
    for (const auto& f : tree)
        lowered[ToLowerAscii(f.first)] = f.second;
    struct Case {
        std::string file;
        std::vector<uint8_t> bytes;
        Tree extracted;
    };
    const Case cases[] = {
        {"back.pak", OwnPack(StoredForm(tree, false)), tree},
        {"forward.pak", OwnPack(StoredForm(tree, true)), tree},
        {"back.dat", OwnLzss(StoredForm(lowered, false)), lowered},
        {"forward.dat", OwnLzss(StoredForm(lowered, true)), lowered},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        WriteBytes(dir + "/" + c.file, c.bytes);
        ToolRun r = Pak({"verify", dir + "/" + c.file});
        EXPECT_EQ(0, r.status) << Shown(r.output);
        r = Pak({"extract", dir + "/" + c.file, dir + "/out-" + c.file});
        ASSERT_EQ(0, r.status) << Shown(r.output);
        std::map<std::string, std::string> got = FilesBelow(dir + "/out-" + c.file);
        EXPECT_TRUE(HostTree(c.extracted) == got) << "extracted:\n" << Describe(got) << "expected:\n"
                                                  << Describe(HostTree(c.extracted));
    }
}

TEST(PakTraversal, NamesLeavingTheFolderAreRefusedOthersExtracted)
{
    const std::string dir = CaseFolder();
    const Tree good = {
        {kSo + "\\" + kHyo + ".txt", "kept"},
        {kHyo + "..txt", "dots after a trail byte"},
        {kJu + "\\..." + kShin + ".txt", "dots before a character"},
        {"a\\\\b.txt", "an empty component"},
    };
    // Windows drops a trailing dot or space: two names could meet in one file.
    const std::vector<std::string> unholdable = {kJu + "..\\" + kShin + ".txt", kHyo + ".", "a \\b.txt"};
    const std::vector<std::string> bad = {
        "..\\evil.txt",
        kSo + "\\..\\..\\evil.txt",
        "ok/../evil.txt",
        "\\rooted.txt",
        "/rooted.txt",
        "C:evil.txt",
        "\\\\server\\share\\evil.txt",
        "a\\...\\evil.txt",
        "\x82/..",  // a broken pair whose trail byte is a slash
        "",
    };
    Tree all = good;
    for (const std::string& b : bad)
        all[b] = "must not be written";
    for (const std::string& u : unholdable)
        all[u] = "must not be written";
    for (const std::string ext : {".pak", ".dat"}) {
        SCOPED_TRACE(ext);
        const std::string archive = dir + "/t" + ext, out = dir + "/out" + ext + "/x";
        WriteBytes(archive, ext == ".pak" ? OwnPack(all) : OwnLzss(all));
        MakeDir(dir + "/out" + ext);  // so that one step up stays visible below dir
        ToolRun r = Pak({"extract", archive, out});
        EXPECT_EQ(1, r.status) << Shown(r.output);
        auto count = [&](const std::string& text) {
            int n = 0;
            for (size_t p = 0; (p = r.output.find(text, p)) != std::string::npos; ++p)
                ++n;
            return n;
        };
        EXPECT_EQ(int(bad.size()), count(": refused, the name leaves the target folder")) << Shown(r.output);
        EXPECT_EQ(int(unholdable.size()), count(": refused, a part of the name ends in a dot or a space"))
            << Shown(r.output);
        for (const auto& g : good)
            EXPECT_EQ(g.second, ReadBytes(HostPath(out, g.first))) << Shown(Printed(g.first));
        std::map<std::string, std::string> around = FilesBelow(dir);
        for (const auto& f : around)
            EXPECT_NE("must not be written", f.second) << f.first;

        r = Pak({"verify", archive});
        EXPECT_EQ(1, r.status) << "verify names the unsafe members\n" << Shown(r.output);
        EXPECT_NE(std::string::npos, r.output.find(std::to_string(all.size()) + " member(s), " +
                                                   std::to_string(bad.size() + unholdable.size()) + " damaged"))
            << Shown(r.output);
    }
}

TEST(PakExtract, CreatesTheWholeTargetPath)
{
    const std::string dir = CaseFolder();
    WriteTree(dir + "/src", {{kSo + "\\a.txt", "deep"}});
    const std::string archive = dir + "/data.pak";
    ASSERT_EQ(0, Pak({"create", archive, dir + "/src"}).status);
    // Three missing folders, one named with a trail byte 0x5C; a trailing separator.
    ToolRun r = Pak({"extract", archive, HostPath(dir, "new\\" + kHyo + "\\out") + "/"});
    ASSERT_EQ(0, r.status) << Shown(r.output);
    EXPECT_EQ("deep", ReadBytes(HostPath(dir, "new\\" + kHyo + "\\out\\" + kSo + "\\a.txt")));
    // A file in the way: named, and left as it was.
    WriteBytes(dir + "/file", "a file");
    r = Pak({"extract", archive, dir + "/file/below/out"});
    EXPECT_EQ(1, r.status);
    EXPECT_EQ(0u, r.output.find("pak: cannot create folder " + dir + "/file/below: ")) << Shown(r.output);
    EXPECT_EQ("a file", ReadBytes(dir + "/file"));
}

TEST(PakCreate, FailedCreateLeavesTheOldArchive)
{
    const std::string dir = CaseFolder();
    WriteTree(dir + "/old", {{"a.txt", "old"}});
    // A member name of 141 bytes: more than an LZSS entry holds.
    WriteTree(dir + "/new", {{"a.txt", "new"}, {std::string(70, 'n') + "\\" + std::string(70, 'm'), "long"}});
    const std::string archive = dir + "/data.dat";
    ASSERT_EQ(0, Pak({"create", archive, dir + "/old"}).status);
    const std::string before = ReadBytes(archive);
    ToolRun r = Pak({"create", archive, dir + "/new"});
    EXPECT_EQ(1, r.status) << Shown(r.output);
    EXPECT_NE(std::string::npos, r.output.find("longer than 127 bytes")) << Shown(r.output);
    EXPECT_EQ(before, ReadBytes(archive));
    std::map<std::string, std::string> files = FilesBelow(dir);
    for (const auto& f : files)
        EXPECT_EQ(std::string::npos, f.first.find(".tmp")) << "left behind: " << f.first;
}

#ifdef _WIN32
// A game holding the archive open for reading: the archive cannot be
// replaced under it and stays as it was; the create says why.
TEST(PakCreate, ArchiveHeldOpenByAReader)
{
    const std::string dir = CaseFolder();
    WriteTree(dir + "/old", {{"a.txt", "old"}});
    WriteTree(dir + "/new", {{"a.txt", "new, and longer than the old one"}});
    const std::string archive = dir + "/data.pak";
    ASSERT_EQ(0, Pak({"create", archive, dir + "/old"}).status);
    const std::string before = ReadBytes(archive);

    auto readHeld = [](HANDLE h) {
        std::string data(64 * 1024, '\0');
        DWORD got = 0;
        SetFilePointer(h, 0, nullptr, FILE_BEGIN);
        ReadFile(h, &data[0], DWORD(data.size()), &got, nullptr);
        data.resize(got);
        return data;
    };

    HANDLE held = CreateFileA(archive.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    ToolRun r = Pak({"create", archive, dir + "/new"});
    EXPECT_EQ(1, r.status) << Shown(r.output);
    EXPECT_NE(std::string::npos, r.output.find("in use")) << Shown(r.output);
    EXPECT_EQ(before, readHeld(held));
    CloseHandle(held);
    EXPECT_EQ(before, ReadBytes(archive));

    // With delete sharing the system may still refuse (Wine and Windows
    // before 10 do); either way the reader keeps the bytes it opened.
    held = CreateFileA(archive.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                       0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    r = Pak({"create", archive, dir + "/new"});
    EXPECT_EQ(before, readHeld(held)) << "the reader keeps what it opened";
    CloseHandle(held);
    if (r.status != 0) {
        EXPECT_EQ(before, ReadBytes(archive)) << Shown(r.output);
    }

    // Once the reader has let go, the archive is replaced.
    r = Pak({"create", archive, dir + "/new"});
    EXPECT_EQ(0, r.status) << Shown(r.output);
    r = Pak({"extract", archive, dir + "/out"});
    EXPECT_EQ("new, and longer than the old one", ReadBytes(dir + "/out/a.txt"));

    std::map<std::string, std::string> files = FilesBelow(dir);
    for (const auto& f : files)
        EXPECT_EQ(std::string::npos, f.first.find(".tmp")) << "left behind: " << f.first;
}
#else
// Stopped half-way: a file size limit ends the process with SIGXFSZ while
// it writes; ignored, the signal turns into a failed write instead.
TEST(PakCreate, StoppedOrFailingWriteLeavesTheOldArchive)
{
    const std::string dir = CaseFolder();
    WriteTree(dir + "/old", {{"a.txt", "old"}});
    std::string noise;
    for (uint32_t i = 0, x = 1; i < 300000; ++i, x = x * 1103515245u + 12345u)
        noise += char(x >> 24);
    WriteTree(dir + "/new", {{"a.txt", noise}});
    for (const std::string ext : {".pak", ".dat"}) {
        SCOPED_TRACE(ext);
        const std::string archive = dir + "/data" + ext;
        ASSERT_EQ(0, Pak({"create", archive, dir + "/old"}).status);
        const std::string before = ReadBytes(archive);

        FILE* held = std::fopen(archive.c_str(), "rb");
        ASSERT_NE(nullptr, held);
        // ulimit -f counts 1024-byte blocks: 64 KiB, far less than the new archive.
        ToolRun r = PakWith("ulimit -f 64;", {"create", archive, dir + "/new"});
        EXPECT_NE(0, r.status) << "stopped by the size limit\n" << r.output;
        EXPECT_EQ(before, ReadBytes(archive)) << "after a stopped create";

        r = PakWith("trap '' XFSZ; ulimit -f 64;", {"create", archive, dir + "/new"});
        EXPECT_EQ(1, r.status) << r.output;
        EXPECT_NE(std::string::npos, r.output.find("cannot write")) << r.output;
        EXPECT_EQ(before, ReadBytes(archive)) << "after a failed write";
        std::map<std::string, std::string> files = FilesBelow(dir);
        for (const auto& f : files)
            if (f.first.find(".tmp") != std::string::npos)
                std::remove((dir + "/" + f.first).c_str());  // the stopped run's, at most

        // A complete create replaces it; the reader that held it keeps its bytes.
        r = Pak({"create", archive, dir + "/new"});
        EXPECT_EQ(0, r.status) << r.output;
        std::string kept(before.size() + 16, '\0');
        kept.resize(std::fread(&kept[0], 1, kept.size(), held));
        std::fclose(held);
        EXPECT_EQ(before, kept) << "the reader keeps what it opened";
        EXPECT_NE(before, ReadBytes(archive));
        files = FilesBelow(dir);
        for (const auto& f : files)
            EXPECT_EQ(std::string::npos, f.first.find(".tmp")) << "left behind: " << f.first;
    }
}
#endif
