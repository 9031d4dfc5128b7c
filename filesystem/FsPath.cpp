#include "filesystem/FsPath.h"

#include "filesystem/PackFormat.h"

namespace fspath {

bool IsLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

namespace {
// Calls f(index) for every single-byte character.
template <class F> void EachSingle(const std::string& s, F f)
{
    for (size_t i = 0; i < s.size(); ++i) {
        if (IsLeadByte((unsigned char)s[i]) && i + 1 < s.size()) { ++i; continue; }
        f(i);
    }
}
}

std::string ToLowerAscii(const std::string& s)
{
    std::string r = s;
    EachSingle(r, [&](size_t i) { if (r[i] >= 'A' && r[i] <= 'Z') r[i] = char(r[i] + 32); });
    return r;
}

std::string NormalizeSlashes(const std::string& s)
{
    std::string r = s;
    EachSingle(r, [&](size_t i) { if (r[i] == '/') r[i] = '\\'; });
    return r;
}

std::string ToForwardSlashes(const std::string& s)
{
    std::string r = s;
    EachSingle(r, [&](size_t i) { if (r[i] == '\\') r[i] = '/'; });
    return r;
}

std::string CollapseBackslashes(const std::string& s)
{
    std::string r;
    r.reserve(s.size());
    bool lastSlash = false;
    for (size_t i = 0; i < s.size(); ++i) {
        if (IsLeadByte((unsigned char)s[i]) && i + 1 < s.size()) {
            r += s[i];
            r += s[++i];
            lastSlash = false;
            continue;
        }
        if (s[i] == '\\' && lastSlash && r.size() != 1)
            continue;
        lastSlash = s[i] == '\\';
        r += s[i];
    }
    return r;
}

std::string ParentFolder(const std::string& path)
{
    std::string p = CollapseBackslashes(NormalizeSlashes(path));
    size_t cut = std::string::npos;
    bool seenOther = false;
    EachSingle(p, [&](size_t i) {
        if (p[i] == '\\') {
            if (seenOther && i + 1 != p.size())
                cut = i;
        } else {
            seenOther = true;
        }
    });
    // A lead byte counts as a non-backslash character as well.
    for (size_t i = 0; i < p.size() && !seenOther; ++i)
        if (p[i] != '\\') seenOther = true;
    return cut == std::string::npos ? p : p.substr(0, cut);
}

bool IsAbsolutePath(const std::string& path)
{
    if (path.size() < 2)
        return false;
    if (path[0] == '\\' && path[1] == '\\')
        return true;
    bool colon = false;
    EachSingle(path, [&](size_t i) { if (path[i] == ':') colon = true; });
    return colon;
}

void SplitPath(const std::string& path, std::string& folder, std::string& file)
{
    std::string p = CollapseBackslashes(NormalizeSlashes(path));
    size_t last = std::string::npos;
    EachSingle(p, [&](size_t i) { if (p[i] == '\\' || p[i] == ':') last = i; });
    if (last == std::string::npos) {
        folder.clear();
        file = p;
        return;
    }
    folder = p.substr(0, last + 1);
    file = p.substr(last + 1);
    if (folder.size() > 1 && folder.back() == '\\' &&
        folder.find_first_not_of('\\') != std::string::npos)
        folder.pop_back();
}

void SplitFileName(const std::string& path, std::string& name, std::string& ext)
{
    std::string folder, file;
    SplitPath(path, folder, file);
    size_t dot = std::string::npos;
    EachSingle(file, [&](size_t i) { if (file[i] == '.') dot = i; });
    if (dot == std::string::npos) {
        name = file;
        ext.clear();
    } else {
        name = file.substr(0, dot);
        ext = file.substr(dot + 1);
    }
}

std::string SinglePackPath(const std::string& path)
{
    std::string folder, file, name, ext;
    SplitPath(path, folder, file);
    SplitFileName(file, name, ext);
    return CollapseBackslashes((folder.empty() ? "" : folder + "\\") + PackSingleStem(name, ext) + ".pak");
}

}  // namespace fspath
