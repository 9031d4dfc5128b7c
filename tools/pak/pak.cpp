// pak: creates, lists, extracts and verifies the game's data files: pack
// archives and single-file packs (".pak"), LZSS archives and LZSS single
// files (".dat").
#include "setup/SjisString.h"
#include "filesystem/LzssCodec.h"
#include "filesystem/PackFormat.h"
#include "filesystem/ZipCodec.h"
#include "framework/ByteOrder.h"


#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#ifdef _WIN32
#include "framework/FileRename.h"

#include <io.h>
#include <process.h>
#include <windows.h>
#else
#include <csignal>
#include <dirent.h>
#include <iconv.h>
#include <sys/stat.h>
#include <unistd.h>
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
    "only when all of them decode and none has a name that extract refuses\n"
    "(one that would leave the target folder, or one that Windows cannot\n"
    "hold: a part ending in a dot or a space).\n"
    "extract creates FOLDER, and every missing folder above it, first.\n"
    "create writes a temporary file beside ARCHIVE and replaces ARCHIVE with\n"
    "it only when it is complete; a failed or stopped run leaves it as it was.\n";

int Fail(const std::string& message)
{
    std::fprintf(stderr, "pak: %s\n", message.c_str());
    return 1;
}

// Host file names <-> stored CP932 bytes. Natively the host names are UTF-8
// and are split at "/" only (a UTF-8 sequence never holds that byte); stored
// names and Windows host names are CP932 and are split by the Shift-JIS aware
// helpers, since a trail byte may be 0x5C.
#ifdef _WIN32
std::string ToStored(const std::string& s) { return s; }
std::string ToHost(const std::string& s) { return s; }
bool ToHostStrict(const std::string& s, std::string& host) { host = s; return true; }
size_t HostLastSeparator(const std::string& path) { return FindLastSeparator(path); }
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
// For messages: the bytes as they are when they have no UTF-8 form.
std::string ToHost(const std::string& s) { bool ok; std::string r = Convert(s, "UTF-8", "CP932", ok); return ok ? r : s; }
bool ToHostStrict(const std::string& s, std::string& host) { bool ok; host = Convert(s, "UTF-8", "CP932", ok); return ok; }
size_t HostLastSeparator(const std::string& path) { return path.rfind('/'); }
#endif

// The last component of a host path.
std::string HostFileName(const std::string& path)
{
    size_t s = HostLastSeparator(path);
    return s == std::string::npos ? path : path.substr(s + 1);
}

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

bool WriteWhole(const std::string& path, const std::vector<uint8_t>& data, bool durable = false)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = data.empty() || std::fwrite(data.data(), 1, data.size(), f) == data.size();
    ok = std::fflush(f) == 0 && ok;
#ifdef _WIN32
    if (durable)
        ok = ok && _commit(_fileno(f)) == 0;
#else
    if (durable)
        ok = ok && fsync(fileno(f)) == 0;
#endif
    return std::fclose(f) == 0 && ok;
}

// The temporary file of a create, removed when the run is stopped.
char g_tempName[4096];

#ifdef _WIN32
BOOL WINAPI OnConsoleStop(DWORD)
{
    if (g_tempName[0])
        DeleteFileA(g_tempName);
    return FALSE;
}
#else
void OnStopSignal(int sig)
{
    if (g_tempName[0])
        unlink(g_tempName);
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}
#endif

// Writes the new archive to a temporary file beside it and moves that over
// the old one only when it is complete, so a failed or stopped run leaves the
// old archive as it was, and a reader that holds it open keeps its bytes.
bool ReplaceWhole(const std::string& path, const std::vector<uint8_t>& data, std::string& error)
{
#ifdef _WIN32
    const int pid = _getpid();
#else
    const int pid = int(getpid());
#endif
    const std::string temp = path + ".~" + std::to_string(pid) + ".tmp";
    if (temp.size() >= sizeof g_tempName) {
        error = "archive name too long: " + path;
        return false;
    }
    std::memcpy(g_tempName, temp.c_str(), temp.size() + 1);
#ifdef _WIN32
    SetConsoleCtrlHandler(OnConsoleStop, TRUE);
#else
    for (int sig : {SIGINT, SIGTERM, SIGHUP})
        std::signal(sig, OnStopSignal);
#endif
    bool ok = WriteWhole(temp, data, true);
    if (!ok)
        error = "cannot write " + ToHost(temp) + ": " + std::strerror(errno);
#ifdef _WIN32
    if (ok && !RenameFileOver(temp.c_str(), path.c_str())) {
        const DWORD code = GetLastError();
        ok = false;
        error = "cannot replace " + path + " (error " + std::to_string(code) +
                (code == ERROR_SHARING_VIOLATION || code == ERROR_ACCESS_DENIED ? ": the archive is in use" : "") + ")";
    }
#else
    if (ok && std::rename(temp.c_str(), path.c_str()) != 0) {
        ok = false;
        error = "cannot replace " + ToHost(path) + ": " + std::strerror(errno);
    }
#endif
    if (!ok)
        std::remove(temp.c_str());
    g_tempName[0] = 0;
    return ok;
}

// Folders through the system's own calls: the C runtime's stat and opendir
// of the Windows build take a trail byte 0x5C at the end of a name for a
// trailing backslash.
#ifdef _WIN32
bool IsFolder(const std::string& path)
{
    DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool MakeFolder(const std::string& path)
{
    return CreateDirectoryA(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

// The names in a folder, "." and ".." left out.
bool FolderNames(const std::string& folder, std::vector<std::string>& names)
{
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_FILE_NOT_FOUND;
    do {
        std::string n = data.cFileName;
        if (n != "." && n != "..")
            names.push_back(n);
    } while (FindNextFileA(find, &data));
    FindClose(find);
    return true;
}
#else
bool IsFolder(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool MakeFolder(const std::string& path)
{
    return mkdir(path.c_str(), 0777) == 0 || errno == EEXIST;
}

bool FolderNames(const std::string& folder, std::vector<std::string>& names)
{
    DIR* dir = opendir(folder.c_str());
    if (!dir)
        return false;
    while (dirent* e = readdir(dir)) {
        std::string n = e->d_name;
        if (n != "." && n != "..")
            names.push_back(n);
    }
    closedir(dir);
    return true;
}
#endif

// The folder and every missing one above it; failed names the one that could
// not be made. A root ("/", "C:\\", "\\\\server\\share") is not made.
bool MakeFolders(const std::string& path, std::string& failed)
{
    std::string folder = path;
    size_t last;
    while ((last = HostLastSeparator(folder)) != std::string::npos && last + 1 == folder.size() && last > 0)
        folder.erase(last);  // trailing separators
    if (folder.empty() || IsFolder(folder))
        return true;
    if (last != std::string::npos && last > 0) {
        const std::string parent = folder.substr(0, last);
#ifdef _WIN32
        const std::string drive = DriveRoot(parent);
        const bool root = !drive.empty() && RemoveTrailingBackslash(drive) == CleanPath(parent);
#else
        const bool root = false;
#endif
        if (!root && !MakeFolders(parent, failed))
            return false;
    }
    if (!MakeFolder(folder)) {
        failed = folder;
        return false;
    }
    return true;
}

// Every file below folder, as host paths relative to it ('/' separated).
bool ListFiles(const std::string& folder, const std::string& prefix, std::vector<std::string>& out)
{
    std::vector<std::string> names;
    if (!FolderNames(prefix.empty() ? folder : folder + "/" + prefix, names))
        return false;
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
    // "." is never a trail byte.
    std::string file = HostFileName(archive.substr(0, archive.size() - 4));
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
        std::string name = StoredName(HostFileName(source), false);
        if (EndsLower(archive, 4) == ".pak") {
            out = PackBuildSingle({name, data});
            std::string expected = PackSinglePath(name);
            if (ToLowerAscii(ToStored(HostFileName(archive))) != ToLowerAscii(expected))
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
    std::string error;
    if (!ReplaceWhole(archive, out, error))
        return Fail(error);
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
        m.name = ToStored(HostFileName(archive.substr(0, archive.size() - 4)));
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

// The host path of a stored name below folder; an empty result, or the
// reason for refusing the name:
// - it would leave the folder: empty, absolute, starting at a root, a
//   component of dots only ("..", and "..." which old systems took for two
//   folders up), or a "/" or ":" byte that a broken double-byte pair hides
//   from the split (a trail 0x5C belongs to its character, which the host
//   reads whole);
// - a component ends in a dot or a space, which Windows drops, so that two
//   names would land on one file;
// - natively, a component has no UTF-8 form.
std::string ExtractPath(const std::string& folder, const std::string& stored, std::string& path)
{
    const std::string leaves = "the name leaves the target folder";
    if (stored.empty() || IsAbsolutePath(stored))
        return leaves;
    std::vector<std::string> parts = SplitComponents(stored);
    if (parts.front().empty())
        return leaves;
    path = folder;
    for (const std::string& part : parts) {
        if (part.empty() || part == ".")
            continue;
        if (part.find_first_not_of(". ") == std::string::npos || part.find_first_of("/:") != std::string::npos)
            return leaves;
        if (part.back() == '.' || part.back() == ' ')  // never a trail byte
            return "a part of the name ends in a dot or a space, which Windows drops";
        std::string host;
        if (!ToHostStrict(part, host))
            return "the name has no UTF-8 form";
        path += "/" + host;
    }
    return path == folder ? leaves : std::string();
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
        std::string path, refusal;
        if (folder || verifyOnly)
            refusal = ExtractPath(folder ? *folder : ".", m.name, path);
        if (!refusal.empty()) {
            ++bad;
            std::fprintf(stderr, "pak: %s: %s, %s\n", host.c_str(),
                         folder ? "refused" : "extract would refuse it", refusal.c_str());
            continue;
        }
        if (folder) {
            // Every folder on the way, then the file.
            for (size_t p = folder->size(); (p = path.find('/', p + 1)) != std::string::npos;) {
                if (!MakeFolder(path.substr(0, p)))
                    return Fail("cannot create folder " + path.substr(0, p) + ": " + std::strerror(errno));
            }
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
    std::string failed;
    if (!MakeFolders(args[2], failed))
        return Fail("cannot create folder " + failed + ": " + std::strerror(errno));
    return List(archive, force, false, &args[2]);
}
