#include "filesystem/PackFormat.h"

#include "framework/ByteOrder.h"
#include "setup/SjisString.h"

#include <zlib.h>

#include <cstring>
#include <new>

namespace {
const char kMagic[8] = {'Z', 'O', 'R', 'V', 'I', 'D', 'E', 'X'};
}  // namespace

bool PackParseHeader(const uint8_t* header, char kind, uint32_t& length)
{
    if (std::memcmp(header, kMagic, 8) != 0 || header[8] != '4' || header[9] != uint8_t(kind))
        return false;
    length = GetLE32(header + 10);
    return true;
}

void PackBuildHeader(char kind, uint32_t length, uint8_t* header)
{
    std::memcpy(header, kMagic, 8);
    header[8] = '4';
    header[9] = uint8_t(kind);
    PutLE32(header + 10, length);
}

int32_t PackNameKey(const char* name, size_t len)
{
    uint32_t key = 0;
    for (size_t i = 0; i < len && name[i] != 0; ++i)
        key += uint32_t(int32_t(int8_t(name[i])));
    return int32_t(key);
}

void PackScramble(uint8_t* block, uint32_t size)
{
    uint8_t k = uint8_t((size >> 3) + kPackScramble);
    for (uint32_t i = 0; i < 32 && i < size; ++i) {
        block[i] ^= k;
        k = uint8_t(k * 8);
    }
}

static bool ParseEntryTail(const uint8_t* name, uint32_t nameLength, PackEntry& e)
{
    size_t len = strnlen(reinterpret_cast<const char*>(name), nameLength);
    e.name.assign(reinterpret_cast<const char*>(name), len);
    uint32_t key = uint32_t(PackNameKey(e.name.data(), e.name.size()));
    e.offset = GetLE32(name + nameLength) ^ key;
    e.size = GetLE32(name + nameLength + 4) ^ key;
    return true;
}

bool PackParseIndex(const uint8_t* index, uint32_t length, std::vector<PackEntry>& entries)
{
    entries.clear();
    if (length < 4)
        return false;
    uint32_t at = 0;
    uint32_t nameLength = GetLE32(index);
    at = 4;
    while (nameLength != 0) {
        // name, offset, size and the next name length must fit the index.
        if (nameLength > kPackMaxName || length - at < nameLength || length - at - nameLength < 12)
            return false;
        PackEntry e;
        ParseEntryTail(index + at, nameLength, e);
        entries.push_back(e);
        at += nameLength + 8;
        nameLength = GetLE32(index + at);
        at += 4;
    }
    return true;
}

void PackMemberKeys(const std::string& member, std::string& key, std::string& altKey)
{
    std::string s;
    s.reserve(member.size());
    bool lastSlash = false;
    for (size_t i = 0; i < member.size(); ++i) {
        uint8_t c = uint8_t(member[i]);
        if (IsSjisLeadByte(c) && i + 1 < member.size()) {
            s += member[i];
            s += member[++i];
            lastSlash = false;
            continue;
        }
        if (c == '/')
            c = '\\';
        // Runs of backslashes shrink to one, except a leading pair.
        if (c == '\\' && lastSlash && s.size() != 1)
            continue;
        lastSlash = c == '\\';
        s += char(c);
    }
    key = ToLowerAscii(s);
    altKey = key;
    for (size_t i = 0; i < altKey.size(); ++i) {
        if (IsSjisLeadByte(uint8_t(altKey[i]))) { ++i; continue; }
        if (altKey[i] == '\\') altKey[i] = '/';
    }
}

// Lowered name equals key: compared in place, Shift-JIS aware, no copies.
static bool LoweredEquals(const uint8_t* name, size_t len, const std::string& key)
{
    if (len != key.size())
        return false;
    for (size_t i = 0; i < len; ++i) {
        uint8_t c = name[i];
        if (IsSjisLeadByte(c) && i + 1 < len) {
            if (char(c) != key[i] || char(name[i + 1]) != key[i + 1])
                return false;
            ++i;
            continue;
        }
        if (c >= 'A' && c <= 'Z')
            c = uint8_t(c + 32);
        if (char(c) != key[i])
            return false;
    }
    return true;
}

bool PackFindMember(const uint8_t* index, uint32_t length, const std::string& key,
                    const std::string& altKey, PackEntry& found)
{
    // The walk of PackParseIndex, without building the entry list.
    if (length < 4)
        return false;
    uint32_t nameLength = GetLE32(index);
    uint32_t at = 4;
    while (nameLength != 0) {
        if (nameLength > kPackMaxName || length - at < nameLength || length - at - nameLength < 12)
            return false;
        const uint8_t* name = index + at;
        size_t len = strnlen(reinterpret_cast<const char*>(name), nameLength);
        if (LoweredEquals(name, len, key) || LoweredEquals(name, len, altKey))
            return ParseEntryTail(name, nameLength, found);
        at += nameLength + 8;
        nameLength = GetLE32(index + at);
        at += 4;
    }
    return false;
}

bool PackParseSingle(const uint8_t* data, uint32_t nameLength, PackEntry& entry)
{
    if (nameLength == 0 || nameLength > kPackMaxName)
        return false;
    return ParseEntryTail(data, nameLength, entry);
}

std::vector<uint8_t> PackBuildBlock(const uint8_t* data, size_t size)
{
    uLongf bound = compressBound(uLong(size));
    std::vector<uint8_t> block(bound + 4);
    uint8_t dummy = 0;
    compress2(block.data(), &bound, size ? data : &dummy, uLong(size), Z_BEST_COMPRESSION);
    block.resize(bound);
    AppendLE32(block, uint32_t(size));
    PackScramble(block.data(), uint32_t(block.size()));
    return block;
}

static void AppendName(std::vector<uint8_t>& v, const std::string& name)
{
    v.insert(v.end(), name.begin(), name.end());
    v.push_back(0);
}

std::vector<uint8_t> PackBuildArchive(const std::vector<PackSource>& members)
{
    std::vector<std::vector<uint8_t>> blocks;
    uint32_t indexLength = 4;
    for (const PackSource& m : members) {
        blocks.push_back(PackBuildBlock(m.data.data(), m.data.size()));
        indexLength += uint32_t(m.name.size()) + 1 + 12;
    }
    std::vector<uint8_t> out(kPackHeaderSize);
    PackBuildHeader('A', indexLength, out.data());
    uint32_t offset = kPackHeaderSize + indexLength;
    AppendLE32(out, members.empty() ? 0 : uint32_t(members[0].name.size() + 1));
    for (size_t i = 0; i < members.size(); ++i) {
        uint32_t key = uint32_t(PackNameKey(members[i].name.data(), members[i].name.size()));
        AppendName(out, members[i].name);
        AppendLE32(out, offset ^ key);
        AppendLE32(out, uint32_t(blocks[i].size()) ^ key);
        AppendLE32(out, i + 1 < members.size() ? uint32_t(members[i + 1].name.size() + 1) : 0);
        offset += uint32_t(blocks[i].size());
    }
    for (const auto& b : blocks)
        out.insert(out.end(), b.begin(), b.end());
    return out;
}

std::vector<uint8_t> PackBuildSingle(const PackSource& file)
{
    std::vector<uint8_t> block = PackBuildBlock(file.data.data(), file.data.size());
    uint32_t nameLength = uint32_t(file.name.size() + 1);
    std::vector<uint8_t> out(kPackHeaderSize);
    PackBuildHeader('S', nameLength, out.data());
    uint32_t key = uint32_t(PackNameKey(file.name.data(), file.name.size()));
    AppendName(out, file.name);
    AppendLE32(out, (kPackHeaderSize + nameLength + 8) ^ key);
    AppendLE32(out, uint32_t(block.size()) ^ key);
    out.insert(out.end(), block.begin(), block.end());
    return out;
}

std::string PackSingleStem(const std::string& baseName, const std::string& extension)
{
    std::string s = baseName;
    for (char c : extension)
        s += std::to_string(int(int8_t(c)));
    return s;
}

std::string PackSinglePath(const std::string& path)
{
    std::string folder, file, name, ext;
    SplitPath(path, folder, file);
    SplitFileName(file, name, ext);
    return CollapseBackslashes((folder.empty() ? "" : folder + "\\") + PackSingleStem(name, ext) + ".pak");
}
