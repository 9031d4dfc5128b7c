// pak: creates, lists, extracts and verifies the game's data files: pack
// archives and single-file packs (".pak"), LZSS archives and LZSS single
// files (".dat").
#include "setup/SjisString.h"
#include "filesystem/LzssCodec.h"
#include "filesystem/PackFormat.h"
#include "filesystem/ZipCodec.h"
#include "framework/ByteOrder.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#ifdef _WIN32
#include <direct.h>
#else
#include <iconv.h>
#endif

namespace {

const char kUsage[] =
    "usage: pak create ARCHIVE SOURCE\n"
    "       pak list ARCHIVE\n"
    "       pak extract ARCHIVE FOLDER\n"
    "       pak verify ARCHIVE\n"
    "\n"
    "The kind follows the name of ARCHIVE:\n"
    "  NAME.pak from a folder   pack archive (\"4A\") of every file below it\n"
    "  NAME.pak from a file     single-file pack (\"4S\"); the reader looks for\n"
    "                           a.bmp as a98109112.pak (name + extension bytes)\n"
    "  NAME.dat from a folder   LZSS archive (140-byte directory entries)\n"
    "  NAME.EXT.dat             LZSS single file (also NAME.dat made from a file)\n"
    "Options: --single / --archive force the kind of a \".dat\" for list,\n"
    "extract and verify. verify decodes every member; its exit status is 0\n"
    "only when all of them decode.\n";

int Fail(const std::string& message)
{
    std::fprintf(stderr, "pak: %s\n", message.c_str());
    return 1;
}

// Host file names <-> stored CP932 bytes.
#ifdef _WIN32
std::string ToStored(const std::string& s) { return s; }
std::string ToHost(const std::string& s) { return s; }
#else
std::string Convert(const std::string& s, const char* to, const char* from, bool& ok)
{
    iconv_t cd = iconv_open(to, from);
    if (cd == iconv_t(-1)) { ok = false; return s; }
    std::string out(s.size() * 4 + 4, '\0');
    char* in = const_cast<char*>(s.data());
    size_t inLeft = s.size(), outLeft = out.size();
    char* op = &out[0];
    ok = iconv(cd, &in, &inLeft, &op, &outLeft) != size_t(-1);
    iconv_close(cd);
    out.resize(out.size() - outLeft);
    return out;
}
bool g_nameError = false;
std::string ToStored(const std::string& s) { bool ok; std::string r = Convert(s, "CP932", "UTF-8", ok); if (!ok) g_nameError = true; return r; }
std::string ToHost(const std::string& s) { bool ok; std::string r = Convert(s, "UTF-8", "CP932", ok); return ok ? r : s; }
#endif

bool ReadWhole(const std::string& path, std::vector<uint8_t>& data)
{
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return false;
    data.clear();
    uint8_t buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        data.insert(data.end(), buf, buf + n);
    bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

bool WriteWhole(const std::string& path, const std::vector<uint8_t>& data)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = data.empty() || std::fwrite(data.data(), 1, data.size(), f) == data.size();
    return std::fclose(f) == 0 && ok;
}

bool IsFolder(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool MakeFolder(const std::string& path)
{
#ifdef _WIN32
    return _mkdir(path.c_str()) == 0 || errno == EEXIST;
#else
    return mkdir(path.c_str(), 0777) == 0 || errno == EEXIST;
#endif
}

// Every file below folder, as host paths relative to it ('/' separated).
bool ListFiles(const std::string& folder, const std::string& prefix, std::vector<std::string>& out)
{
    DIR* dir = opendir((folder + (prefix.empty() ? "" : "/" + prefix)).c_str());
    if (!dir)
        return false;
    std::vector<std::string> names;
    while (dirent* e = readdir(dir)) {
        std::string n = e->d_name;
        if (n != "." && n != "..")
            names.push_back(n);
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    for (const std::string& n : names) {
        std::string rel = prefix.empty() ? n : prefix + "/" + n;
        if (IsFolder(folder + "/" + rel)) {
            if (!ListFiles(folder, rel, out))
                return false;
        } else {
            out.push_back(rel);
        }
    }
    return true;
}

std::string EndsLower(const std::string& s, size_t n)
{
    return ToLowerAscii(s.size() >= n ? s.substr(s.size() - n) : s);
}

enum Kind { kPack, kLzssArchive, kLzssSingle };

// A ".dat" whose name has an inner extension (a.bmp.dat) is a single file.
Kind KindOf(const std::string& archive, int force)
{
    if (EndsLower(archive, 4) == ".pak")
        return kPack;
    if (force)
        return force == 1 ? kLzssSingle : kLzssArchive;
    std::string base = archive.substr(0, archive.size() - 4);
    size_t slash = base.find_last_of("/\\");
    std::string file = slash == std::string::npos ? base : base.substr(slash + 1);
    return file.find('.') != std::string::npos ? kLzssSingle : kLzssArchive;
}

std::string StoredName(const std::string& rel, bool lower)
{
    std::string s = NormalizeSlashes(ToStored(rel));
    return lower ? ToLowerAscii(s) : s;
}

void PrintRatio(size_t in, size_t out, size_t files)
{
    std::printf("%zu file(s), %zu bytes stored as %zu bytes (%.1f%%)\n", files, in, out,
                in ? 100.0 * double(out) / double(in) : 100.0);
}

int Create(const std::string& archive, const std::string& source)
{
    if (EndsLower(archive, 4) != ".pak" && EndsLower(archive, 4) != ".dat")
        return Fail("archive name must end in .pak or .dat: " + archive);
    bool folder = IsFolder(source);
    std::vector<std::string> files;
    if (folder && !ListFiles(source, "", files))
        return Fail("cannot list folder " + source + ": " + std::strerror(errno));
    std::vector<uint8_t> out;
    size_t total = 0;
    if (!folder) {
        std::vector<uint8_t> data;
        if (!ReadWhole(source, data))
            return Fail("cannot read " + source + ": " + std::strerror(errno));
        total = data.size();
        size_t slash = source.find_last_of("/\\");
        std::string name = StoredName(slash == std::string::npos ? source : source.substr(slash + 1), false);
        if (EndsLower(archive, 4) == ".pak") {
            out = PackBuildSingle({name, data});
            std::string expected = PackSinglePath(name);
            size_t s = archive.find_last_of("/\\");
            std::string given = s == std::string::npos ? archive : archive.substr(s + 1);
            if (ToLowerAscii(ToStored(given)) != ToLowerAscii(expected))
                std::fprintf(stderr, "pak: note: the reader looks for %s as %s\n", source.c_str(),
                             ToHost(expected).c_str());
        } else {
            if (data.size() > 0xFFFFFFFFu)
                return Fail("file too large: " + source);
            std::vector<uint8_t> packed = LzssCompress(data.data(), data.size());
            out.resize(4);
            PutLE32(out.data(), uint32_t(data.size()));
            out.insert(out.end(), packed.begin(), packed.end());
        }
        files.push_back(name);
    } else if (EndsLower(archive, 4) == ".pak") {
        std::vector<PackSource> members;
        for (const std::string& rel : files) {
            PackSource m;
            m.name = StoredName(rel, false);
            if (m.name.size() >= kPackMaxName)
                return Fail("member name too long: " + rel);
            if (!ReadWhole(source + "/" + rel, m.data))
                return Fail("cannot read " + rel + ": " + std::strerror(errno));
            total += m.data.size();
            members.push_back(std::move(m));
        }
        out = PackBuildArchive(members);
    } else {
        std::vector<std::vector<uint8_t>> streams;
        std::vector<LzssEntry> entries;
        for (const std::string& rel : files) {
            std::vector<uint8_t> data;
            if (!ReadWhole(source + "/" + rel, data))
                return Fail("cannot read " + rel + ": " + std::strerror(errno));
            LzssEntry e;
            e.name = StoredName(rel, true);
            if (e.name.size() >= kLzssNameField)
                return Fail("member name longer than 127 bytes: " + rel);
            e.decodedSize = uint32_t(data.size());
            streams.push_back(LzssCompress(data.data(), data.size()));
            e.compressedSize = uint32_t(streams.back().size());
            total += data.size();
            entries.push_back(e);
        }
        uint64_t offset = uint64_t(entries.size() + 1) * kLzssEntrySize;
        out.resize(size_t(offset));
        for (size_t i = 0; i < entries.size(); ++i) {
            entries[i].offset = uint32_t(offset);
            offset += entries[i].compressedSize;
            // Masked words that happen to be all zero would end the directory.
            if ((entries[i].decodedSize ^ kLzssMask) == 0 && (entries[i].compressedSize ^ kLzssMask) == 0 &&
                (entries[i].offset ^ kLzssMask) == 0)
                return Fail("cannot store " + files[i]);
            LzssBuildEntry(entries[i], out.data() + i * kLzssEntrySize);
        }
        if (offset > 0xFFFFFFFFu)
            return Fail("archive larger than 4 GiB");
        for (const auto& s : streams)
            out.insert(out.end(), s.begin(), s.end());
    }
#ifndef _WIN32
    if (g_nameError)
        return Fail("a file name has no Shift-JIS (CP932) form");
#endif
    if (!WriteWhole(archive, out))
        return Fail("cannot write " + archive + ": " + std::strerror(errno));
    PrintRatio(total, out.size(), files.size());
    return 0;
}

struct Member {
    std::string name;  // stored bytes
    uint32_t stored = 0;
    bool ok = false;
    std::vector<uint8_t> data;
};

// Decodes every member of an archive of any kind.
bool ReadArchive(const std::string& archive, int force, std::vector<Member>& members, std::string& error)
{
    std::vector<uint8_t> f;
    if (!ReadWhole(archive, f)) {
        error = "cannot read " + archive + ": " + std::strerror(errno);
        return false;
    }
    Kind kind = KindOf(archive, force);
    if (kind == kLzssSingle) {
        Member m;
        std::string base = archive.substr(0, archive.size() - 4);
        size_t s = base.find_last_of("/\\");
        m.name = ToStored(s == std::string::npos ? base : base.substr(s + 1));
        m.stored = f.size() >= 4 ? uint32_t(f.size() - 4) : 0;
        m.ok = LzssDecodeSingle(f.data(), f.size(), m.data);
        members.push_back(m);
        return true;
    }
    if (kind == kLzssArchive) {
        for (size_t at = 0; f.size() - at >= kLzssEntrySize; at += kLzssEntrySize) {
            LzssEntry e;
            if (!LzssParseEntry(f.data() + at, e))
                break;
            Member m;
            m.name = e.name;
            m.stored = e.compressedSize;
            if (LzssEntryInFile(e, f.size()) && LzssSizeReachable(e.decodedSize, e.compressedSize)) {
                m.data.resize(size_t(e.decodedSize) + 8);
                CLZSSCodec codec;
                m.ok = codec.Decode(f.data() + e.offset, e.compressedSize, m.data.data(), e.decodedSize) >= 0;
                m.data.resize(m.ok ? e.decodedSize : 0);
            }
            members.push_back(std::move(m));
        }
        return true;
    }
    uint32_t length = 0;
    if (f.size() < kPackHeaderSize) {
        error = archive + ": not a pack file (too short)";
        return false;
    }
    std::vector<PackEntry> entries;
    if (PackParseHeader(f.data(), 'A', length)) {
        if (length > f.size() - kPackHeaderSize || !PackParseIndex(f.data() + kPackHeaderSize, length, entries)) {
            error = archive + ": damaged index";
            if (entries.empty())
                return false;
        }
    } else if (PackParseHeader(f.data(), 'S', length)) {
        PackEntry e;
        if (length > f.size() - kPackHeaderSize || f.size() - kPackHeaderSize - length < 8 ||
            !PackParseSingle(f.data() + kPackHeaderSize, length, e)) {
            error = archive + ": damaged single-file record";
            return false;
        }
        entries.push_back(e);
    } else {
        error = archive + ": not a pack file (no ZORVIDEX 4A/4S header)";
        return false;
    }
    for (const PackEntry& e : entries) {
        Member m;
        m.name = e.name;
        m.stored = e.size;
        if (e.offset <= f.size() && e.size <= f.size() - e.offset) {
            std::vector<uint8_t> block(f.begin() + e.offset, f.begin() + e.offset + e.size);
            CZipCodec codec;
            if (codec.Decode(block.data(), e.size)) {
                m.ok = true;
                m.data.assign(codec.GetOutput(), codec.GetOutput() + codec.GetOutputLength());
            }
        }
        members.push_back(std::move(m));
    }
    return true;
}

// Refuses names that would leave the target folder.
bool SafeName(const std::string& stored)
{
    if (stored.empty() || IsAbsolutePath(stored))
        return false;
    std::string n = NormalizeSlashes(stored);
    if (n[0] == '\\')
        return false;
    size_t start = 0;
    for (;;) {
        size_t end = n.find('\\', start);
        std::string part = n.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (part == "..")
            return false;
        if (end == std::string::npos)
            return true;
        start = end + 1;
    }
}

int List(const std::string& archive, int force, bool verifyOnly, const std::string* folder)
{
    std::vector<Member> members;
    std::string error;
    if (!ReadArchive(archive, force, members, error))
        return Fail(error);
    int bad = 0;
    size_t total = 0, stored = 0;
    for (const Member& m : members) {
        std::string host = ToHost(m.name);
        total += m.data.size();
        stored += m.stored;
        if (!m.ok) {
            ++bad;
            std::fprintf(stderr, "pak: %s: member does not decode\n", host.c_str());
            continue;
        }
        if (folder) {
            if (!SafeName(m.name)) {
                ++bad;
                std::fprintf(stderr, "pak: %s: refused, the name leaves the target folder\n", host.c_str());
                continue;
            }
            std::string rel = NormalizeSlashes(m.name);
            std::string path = *folder;
            size_t start = 0;
            for (size_t p; (p = rel.find('\\', start)) != std::string::npos; start = p + 1) {
                path += "/" + ToHost(rel.substr(start, p - start));
                if (!MakeFolder(path))
                    return Fail("cannot create folder " + path + ": " + std::strerror(errno));
            }
            path += "/" + ToHost(rel.substr(start));
            if (!WriteWhole(path, m.data))
                return Fail("cannot write " + path + ": " + std::strerror(errno));
        } else if (!verifyOnly) {
            std::printf("%10zu %10u  %s\n", m.data.size(), m.stored, host.c_str());
        }
    }
    if (!folder && !verifyOnly)
        PrintRatio(total, stored, members.size());
    if (verifyOnly)
        std::printf("%zu member(s), %d damaged\n", members.size(), bad);
    if (!error.empty())
        return Fail(error);
    return bad ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args;
    int force = 0;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "-h" || a == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (a == "--single") force = 1;
        else if (a == "--archive") force = 2;
        else if (a.size() > 1 && a[0] == '-') return Fail("unknown option " + a + " (see pak --help)");
        else args.push_back(a);
    }
    if (args.empty()) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    const std::string& cmd = args[0];
    size_t want = cmd == "create" || cmd == "extract" ? 3 : cmd == "list" || cmd == "verify" ? 2 : 0;
    if (want == 0)
        return Fail("unknown command " + cmd + " (see pak --help)");
    if (args.size() != want)
        return Fail(cmd + ": wrong number of arguments (see pak --help)");
    std::string archive = args[1];
    if (EndsLower(archive, 4) != ".pak" && EndsLower(archive, 4) != ".dat")
        return Fail("archive name must end in .pak or .dat: " + archive);
    if (cmd == "create")
        return Create(archive, args[2]);
    if (cmd == "list")
        return List(archive, force, false, nullptr);
    if (cmd == "verify")
        return List(archive, force, true, nullptr);
    if (!MakeFolder(args[2]))
        return Fail("cannot create folder " + args[2] + ": " + std::strerror(errno));
    return List(archive, force, false, &args[2]);
}
