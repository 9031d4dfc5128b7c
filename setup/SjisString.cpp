#include "setup/SjisString.h"

#include <cstdio>

bool IsSjisLeadByte(unsigned char c)
{
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

namespace {

// Calls f(index) for the first byte of every character; a lead byte at the
// very end stands alone.
template <typename F>
void ForEachChar(const std::string& s, F f)
{
    for (size_t i = 0; i < s.size(); ++i) {
        f(i);
        if (IsSjisLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size())
            ++i;
    }
}

// Copy with single-byte characters mapped by f; double-byte ones unchanged.
template <typename F>
std::string MapSingleBytes(const std::string& s, F f)
{
    std::string out(s);
    ForEachChar(s, [&](size_t i) { out[i] = f(s[i]); });
    return out;
}

std::string RemoveByte(const std::string& s, char b)
{
    std::string out;
    out.reserve(s.size());
    for (char c : s)
        if (c != b)
            out += c;  // 0x20, 0x09 and 0x0D are never trail bytes
    return out;
}

}  // namespace

std::string ToLowerAscii(const std::string& s)
{
    return MapSingleBytes(s, [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; });
}

std::string ToUpperAscii(const std::string& s)
{
    return MapSingleBytes(s, [](char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; });
}

std::string NormalizeSlashes(const std::string& s)
{
    return MapSingleBytes(s, [](char c) { return c == '/' ? '\\' : c; });
}

std::string ToForwardSlashes(const std::string& s)
{
    return MapSingleBytes(s, [](char c) { return c == '\\' ? '/' : c; });
}

std::string CollapseBackslashes(const std::string& s)
{
    std::string out;
    out.reserve(s.size());
    bool prevBackslash = false;
    ForEachChar(s, [&](size_t i) {
        const bool lead = IsSjisLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size();
        const bool backslash = !lead && s[i] == '\\';
        // A backslash right after one is dropped, except as the second
        // character of the string (the pair that starts a network path).
        if (backslash && prevBackslash && out.size() != 1) {
            return;
        }
        out += s[i];
        if (lead)
            out += s[i + 1];
        prevBackslash = backslash;
    });
    return out;
}

std::string CleanPath(const std::string& s)
{
    return CollapseBackslashes(NormalizeSlashes(s));
}

std::string RemoveSpaces(const std::string& s) { return RemoveByte(s, ' '); }
std::string RemoveTabs(const std::string& s) { return RemoveByte(s, '\t'); }
std::string RemoveCarriageReturns(const std::string& s) { return RemoveByte(s, '\r'); }

std::string ParentFolder(const std::string& path)
{
    const std::string p = CollapseBackslashes(NormalizeSlashes(path));
    size_t cut = std::string::npos;
    bool seenOther = false;
    ForEachChar(p, [&](size_t i) {
        if (p[i] == '\\') {  // a lead byte is never 0x5C
            if (seenOther && i + 1 != p.size())
                cut = i;
        } else {
            seenOther = true;
        }
    });
    return cut == std::string::npos ? p : p.substr(0, cut);
}

bool IsAbsolutePath(const std::string& path)
{
    if (path.size() < 2)
        return false;
    if (path[0] == '\\' && path[1] == '\\')
        return true;
    bool colon = false;
    ForEachChar(path, [&](size_t i) {
        if (path[i] == ':')
            colon = true;
    });
    return colon;
}

std::string RelativePath(const std::string& full, const std::string& base)
{
    if (base.empty() || full.size() < base.size() || full.compare(0, base.size(), base) != 0)
        return std::string();
    size_t start = base.size();
    if (!EndsWithBackslash(base) && start < full.size() && full[start] == '\\')
        ++start;
    return full.substr(start);
}

size_t FindLastSeparator(const std::string& s)
{
    size_t last = std::string::npos;
    ForEachChar(s, [&](size_t i) {
        if (s[i] == '\\' || s[i] == '/')  // a lead byte is neither
            last = i;
    });
    return last;
}

bool EndsWithBackslash(const std::string& s)
{
    bool last = false;
    ForEachChar(s, [&](size_t i) { last = s[i] == '\\'; });
    return last;
}

std::string AddTrailingBackslash(const std::string& s)
{
    return s.empty() || EndsWithBackslash(s) ? s : s + "\\";
}

std::string RemoveTrailingBackslash(const std::string& s)
{
    return EndsWithBackslash(s) ? s.substr(0, s.size() - 1) : s;
}

std::string DriveRoot(const std::string& path)
{
    std::string drive, dir, name, ext;
    SplitPathParts(path, drive, dir, name, ext);
    if (!drive.empty())
        return drive + "\\";
    const std::string p = CollapseBackslashes(NormalizeSlashes(path));
    if (p.size() < 3 || p.compare(0, 2, "\\\\") != 0)
        return std::string();
    // "\\server\share": cut after the share, the second separator after the pair.
    int separators = 0;
    size_t end = p.size();
    ForEachChar(p, [&](size_t i) {
        if (i >= 2 && p[i] == '\\' && end == p.size() && ++separators == 2)
            end = i;
    });
    return AddTrailingBackslash(p.substr(0, end));
}

std::vector<std::string> SplitComponents(const std::string& path)
{
    std::vector<std::string> parts;
    if (path.empty())
        return parts;
    size_t start = 0;
    ForEachChar(path, [&](size_t i) {
        if (path[i] == '\\' || path[i] == '/') {  // a lead byte is neither
            parts.push_back(path.substr(start, i - start));
            start = i + 1;
        }
    });
    parts.push_back(path.substr(start));
    return parts;
}

bool ResolveRelativePath(const std::string& path, std::string& resolved)
{
    resolved.clear();
    const std::vector<std::string> parts = SplitComponents(path);
    std::vector<const std::string*> kept;
    for (const std::string& part : parts) {
        if (part.empty() || part == ".")
            continue;
        // Windows 9x took "..." for two folders up: no name is only dots.
        if (part.find_first_not_of('.') == std::string::npos && part.size() > 2)
            return false;
        if (part == "..") {
            if (kept.empty())
                return false;
            kept.pop_back();
            continue;
        }
        kept.push_back(&part);
    }
    const bool leading = parts.size() > 1 && parts.front().empty();
    const bool trailing = parts.size() > 1 && parts.back().empty();
    if (leading)
        resolved = "\\";
    for (size_t i = 0; i < kept.size(); ++i)
        resolved += (i ? "\\" : "") + *kept[i];
    if (trailing && !kept.empty())
        resolved += "\\";
    return true;
}

void SplitPathParts(const std::string& path, std::string& drive, std::string& dir,
                    std::string& name, std::string& ext)
{
    drive.clear();
    dir.clear();
    name.clear();
    ext.clear();
    size_t pos = 0;
    if (path.size() >= 2 && path[1] == ':' && !IsSjisLeadByte(static_cast<unsigned char>(path[0]))) {
        drive = path.substr(0, 2);
        pos = 2;
    }
    const std::string rest = path.substr(pos);
    size_t lastSep = std::string::npos, lastDot = std::string::npos;
    ForEachChar(rest, [&](size_t i) {
        if (IsSjisLeadByte(static_cast<unsigned char>(rest[i])) && i + 1 < rest.size())
            return;
        if (rest[i] == '\\' || rest[i] == '/') {
            lastSep = i;
            lastDot = std::string::npos;
        } else if (rest[i] == '.') {
            lastDot = i;
        }
    });
    const size_t fileStart = lastSep == std::string::npos ? 0 : lastSep + 1;
    dir = rest.substr(0, fileStart);
    if (lastDot != std::string::npos) {
        name = rest.substr(fileStart, lastDot - fileStart);
        ext = rest.substr(lastDot);
    } else {
        name = rest.substr(fileStart);
    }
}

void SplitPath(const std::string& path, std::string& folder, std::string& file)
{
    std::string drive, dir, name, ext;
    SplitPathParts(CollapseBackslashes(NormalizeSlashes(path)), drive, dir, name, ext);
    folder = drive + dir;
    file = name + ext;
    if (!folder.empty() && folder.back() == '\\' &&
        folder.find_first_not_of('\\') != std::string::npos)
        folder.pop_back();
}

void SplitFileName(const std::string& path, std::string& name, std::string& ext)
{
    std::string drive, dir;
    SplitPathParts(CollapseBackslashes(NormalizeSlashes(path)), drive, dir, name, ext);
    if (!ext.empty() && ext[0] == '.')
        ext.erase(0, 1);
}

std::string FormatInt(int value)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%d", value);
    return buf;
}

std::string FormatFloat(float value)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%1.2f", static_cast<double>(value));
    return buf;
}
