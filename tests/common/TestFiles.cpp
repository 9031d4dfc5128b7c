#include "common/TestFiles.h"

#include "framework/Handle.h"
#include "setup/SjisString.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cstring>

std::string WinePath(std::string hostPath)
{
    for (char& c : hostPath)
        if (c == '/')
            c = '\\';
    return "Z:" + hostPath;
}

void MakeFolders(const std::string& folder)
{
    if (folder.empty() || GetFileAttributesA(folder.c_str()) != INVALID_FILE_ATTRIBUTES)
        return;
    size_t slash = FindLastSeparator(folder);
    if (slash != std::string::npos && slash > 2)
        MakeFolders(folder.substr(0, slash));
    CreateDirectoryA(folder.c_str(), nullptr);
}

void RemoveTree(const std::string& folder)
{
    WIN32_FIND_DATAA data;
    CFindHandle find(FindFirstFileA((folder + "\\*").c_str(), &data));
    if (find.IsValid()) {
        do {
            std::string name = data.cFileName;
            if (name == "." || name == "..")
                continue;
            std::string path = folder + "\\" + name;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(path);
            } else {
                SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(path.c_str());
            }
        } while (FindNextFileA(find.Get(), &data));
    }
    find.Close();
    RemoveDirectoryA(folder.c_str());
}

bool PutFile(const std::string& path, const std::string& bytes)
{
    size_t slash = FindLastSeparator(path);
    if (slash != std::string::npos)
        MakeFolders(path.substr(0, slash));
    CFileObjectHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    bool ok = file.IsValid() && (bytes.empty() || (WriteFile(file.Get(), bytes.data(), DWORD(bytes.size()),
                                                             &written, nullptr) && written == bytes.size()));
    if (!ok)
        ADD_FAILURE() << "cannot write " << path << ", error " << GetLastError();
    return ok;
}

bool PutFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    return PutFile(path, std::string(bytes.begin(), bytes.end()));
}

std::string GetFile(const std::string& path)
{
    CFileObjectHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file.IsValid())
        return "<missing>";
    std::string bytes(GetFileSize(file.Get(), nullptr), '\0');
    DWORD got = 0;
    if (!bytes.empty() && (!ReadFile(file.Get(), &bytes[0], DWORD(bytes.size()), &got, nullptr) || got != bytes.size()))
        return "<unreadable>";
    return bytes;
}

bool PathExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

namespace {

void SnapshotInto(const std::string& folder, const std::string& prefix, std::map<std::string, std::string>& tree)
{
    WIN32_FIND_DATAA data;
    CFindHandle find(FindFirstFileA((folder + "\\*").c_str(), &data));
    if (!find.IsValid())
        return;
    do {
        std::string name = data.cFileName;
        if (name == "." || name == "..")
            continue;
        std::string relative = prefix + name;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            tree[relative] = "<dir>";
            SnapshotInto(folder + "\\" + name, relative + "\\", tree);
        } else {
            tree[relative] = GetFile(folder + "\\" + name);
        }
    } while (FindNextFileA(find.Get(), &data));
}

std::string Describe(const std::map<std::string, std::string>& tree, const std::string& path)
{
    auto entry = tree.find(path);
    if (entry == tree.end())
        return "absent";
    if (entry->second == "<dir>")
        return "a folder";
    return std::to_string(entry->second.size()) + " bytes";
}

}  // namespace

std::map<std::string, std::string> SnapshotTree(const std::string& root)
{
    std::map<std::string, std::string> tree;
    SnapshotInto(root, "", tree);
    return tree;
}

std::string TreeDifference(const std::map<std::string, std::string>& expected,
                           const std::map<std::string, std::string>& actual)
{
    std::map<std::string, int> paths;
    for (const auto& entry : expected)
        paths[entry.first];
    for (const auto& entry : actual)
        paths[entry.first];
    std::string lines;
    for (const auto& path : paths) {
        auto want = expected.find(path.first);
        auto got = actual.find(path.first);
        if (want != expected.end() && got != actual.end() && want->second == got->second)
            continue;
        lines += "  " + path.first + ": expected " + Describe(expected, path.first) + ", found " +
                 Describe(actual, path.first);
        if (want != expected.end() && got != actual.end() && want->second.size() == got->second.size())
            lines += " (other bytes)";
        lines += "\n";
    }
    return lines;
}

std::vector<uint8_t> MakeBitmapFile(unsigned width, unsigned height, const std::vector<uint32_t>& rgb)
{
    const unsigned stride = (width * 3 + 3) & ~3u;
    std::vector<uint8_t> f(54 + size_t(stride) * height);
    auto put32 = [&](size_t at, uint32_t v) { std::memcpy(&f[at], &v, 4); };
    f[0] = 'B';
    f[1] = 'M';
    put32(2, uint32_t(f.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, width);
    put32(22, height);
    f[26] = 1;
    f[28] = 24;
    for (unsigned y = 0; y < height; ++y) {
        uint8_t* row = &f[54 + size_t(height - 1 - y) * stride];
        for (unsigned x = 0; x < width; ++x) {
            const uint32_t c = rgb[size_t(y) * width + x];
            row[3 * x] = uint8_t(c);
            row[3 * x + 1] = uint8_t(c >> 8);
            row[3 * x + 2] = uint8_t(c >> 16);
        }
    }
    return f;
}

bool SaveBitmapFile(const std::string& path, const std::vector<uint32_t>& rgb, unsigned width, unsigned height)
{
    const std::vector<uint8_t> file = MakeBitmapFile(width, height, rgb);
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const bool ok = std::fwrite(file.data(), 1, file.size(), f) == file.size();
    return std::fclose(f) == 0 && ok;
}

bool NearRgb(uint32_t a, uint32_t b, int tolerance)
{
    for (int shift = 0; shift < 24; shift += 8) {
        const int d = int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF);
        if (d > tolerance || -d > tolerance)
            return false;
    }
    return true;
}
