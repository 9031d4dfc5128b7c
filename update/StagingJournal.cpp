#include "update/StagingJournal.h"

#include "framework/ByteOrder.h"
#include "setup/SjisString.h"

#include <cstring>

namespace {

const uint8_t kMagic[4] = {'Q', 'S', 'T', 'G'};
const size_t kRecordOverhead = 1 + 2 + 4;  // type, length, CRC

uint32_t HeaderCrc(const uint8_t* header)
{
    return CStagingJournal::Crc32(header, 16);
}

uint32_t RecordCrc(uint32_t runId, uint32_t number, const uint8_t* record, size_t size)
{
    uint8_t prefix[8];
    PutLE32(prefix, runId);
    PutLE32(prefix + 4, number);
    return CStagingJournal::Crc32(record, size, CStagingJournal::Crc32(prefix, sizeof prefix));
}

std::vector<uint8_t> Header(CStagingJournal::Kind kind, uint32_t runId, uint32_t count)
{
    std::vector<uint8_t> out(kMagic, kMagic + 4);
    out.push_back(CStagingJournal::kVersion);
    out.push_back(kind);
    out.push_back(0);
    out.push_back(0);
    AppendLE32(out, runId);
    AppendLE32(out, count);
    AppendLE32(out, HeaderCrc(out.data()));
    return out;
}

void AppendRecord(std::vector<uint8_t>& out, uint32_t runId, uint32_t number, uint8_t type,
                  const uint8_t* payload, size_t length)
{
    size_t start = out.size();
    out.push_back(type);
    AppendLE16(out, static_cast<uint16_t>(length));
    out.insert(out.end(), payload, payload + length);
    AppendLE32(out, RecordCrc(runId, number, out.data() + start, out.size() - start));
}

// Checks the header; on success `count` is its record count.
CStagingJournal::ParseResult ReadHeader(const uint8_t* data, size_t size, CStagingJournal::Kind kind,
                                        uint32_t runId, uint32_t& count)
{
    if (!data || size < 5 || std::memcmp(data, kMagic, 4) != 0)
        return CStagingJournal::kDamaged;
    // A later version may lay its header out otherwise.
    if (data[4] != CStagingJournal::kVersion)
        return CStagingJournal::kUnknownVersion;
    if (size < CStagingJournal::kHeaderSize || GetLE32(data + 16) != HeaderCrc(data) ||
        data[5] != kind || data[6] != 0 || data[7] != 0 || GetLE32(data + 8) != runId)
        return CStagingJournal::kDamaged;
    count = GetLE32(data + 12);
    return CStagingJournal::kGood;
}

// The next record at `at`, checked; false when it is cut short or fails.
bool NextRecord(const uint8_t* data, size_t size, size_t& at, uint32_t runId, uint32_t number,
                uint8_t& type, const uint8_t*& payload, size_t& length)
{
    if (size - at < kRecordOverhead)
        return false;
    const uint8_t* p = data + at;
    length = GetLE16(p + 1);
    if (size - at - kRecordOverhead < length)
        return false;
    if (GetLE32(p + 3 + length) != RecordCrc(runId, number, p, 3 + length))
        return false;
    type = p[0];
    payload = p + 3;
    at += kRecordOverhead + length;
    return true;
}

bool IsDeviceName(const std::string& part)
{
    static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CLOCK$", "CONIN$", "CONOUT$"};
    size_t dot = part.find('.');  // no lead byte is a dot: any dot is one
    std::string base = ToUpperAscii(part.substr(0, dot));
    while (!base.empty() && base.back() == ' ')
        base.pop_back();
    for (const char* device : kDevices)
        if (base == device)
            return true;
    return base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) &&
           base[3] >= '1' && base[3] <= '9';
}

// "SAVEDA~1.DAT": at most eight bytes, ending in "~" and digits, and at most
// three after the dot. The system may take it for another file's short name.
bool LooksLikeShortAlias(const std::string& part)
{
    size_t dot = std::string::npos;
    for (size_t i = 0; i < part.size(); ++i) {
        if (IsSjisLeadByte(static_cast<unsigned char>(part[i])))
            ++i;
        else if (part[i] == '.')
            dot = i;
    }
    std::string base = dot == std::string::npos ? part : part.substr(0, dot);
    size_t extension = dot == std::string::npos ? 0 : part.size() - dot - 1;
    if (base.size() > 8 || extension > 3)
        return false;
    size_t digits = 0;
    while (digits < base.size() && base[base.size() - 1 - digits] >= '0' && base[base.size() - 1 - digits] <= '9')
        ++digits;
    if (digits == 0 || digits == base.size() || base[base.size() - 1 - digits] != '~')
        return false;
    // The "~" must be a character of its own, not the trail byte of one.
    for (size_t i = 0; i < base.size() - 1 - digits; ++i)
        if (IsSjisLeadByte(static_cast<unsigned char>(base[i])) && ++i == base.size() - 1 - digits)
            return false;
    return true;
}

bool IsSafeComponent(const std::string& s, size_t begin, size_t end)
{
    if (begin == end)
        return false;
    std::string part = s.substr(begin, end - begin);
    if (part == "." || part == "..")
        return false;
    char last = part.back();
    for (size_t i = 0; i < part.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(part[i]);
        if (IsSjisLeadByte(c)) {
            if (i + 1 >= part.size())
                return false;
            unsigned char trail = static_cast<unsigned char>(part[i + 1]);
            if (trail < 0x40 || trail == 0x7F || trail > 0xFC)
                return false;
            if (i + 2 == part.size())
                last = 'x';  // a double-byte character ends it
            ++i;
            continue;
        }
        if (c < 0x20 || c == 0x7F || std::strchr("\\/:*?\"<>|", c))
            return false;
    }
    return last != '.' && last != ' ' && !IsDeviceName(part) && !LooksLikeShortAlias(part);
}

}  // namespace

uint32_t CStagingJournal::Crc32(const uint8_t* data, size_t size, uint32_t crc)
{
    static uint32_t table[256];
    static const bool made = [] {
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            table[n] = c;
        }
        return true;
    }();
    (void)made;
    crc ^= 0xFFFFFFFFu;
    for (size_t i = 0; i < size; ++i)
        crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

bool CStagingJournal::IsSafeName(const std::string& name)
{
    return name.size() <= kMaxPath && IsSafeComponent(name, 0, name.size());
}

bool CStagingJournal::IsSafeRelativePath(const std::string& path)
{
    if (path.empty() || path.size() > kMaxPath)
        return false;
    size_t begin = 0;
    for (size_t i = 0; i < path.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(path[i]);
        if (IsSjisLeadByte(c)) {
            ++i;  // its trail byte may be 0x5C; a missing one fails below
            continue;
        }
        if (c == '\\') {
            if (!IsSafeComponent(path, begin, i))
                return false;
            begin = i + 1;
        }
    }
    return IsSafeComponent(path, begin, path.size());
}

bool CStagingJournal::WritePlan(uint32_t runId, const std::vector<std::string>& paths, std::vector<uint8_t>& out)
{
    if (paths.size() > kMaxSlots)
        return false;
    out = Header(kPlan, runId, static_cast<uint32_t>(paths.size()));
    for (size_t i = 0; i < paths.size(); ++i) {
        if (!IsSafeRelativePath(paths[i]))
            return false;
        AppendRecord(out, runId, static_cast<uint32_t>(i), kFileRecord,
                     reinterpret_cast<const uint8_t*>(paths[i].data()), paths[i].size());
    }
    return true;
}

CStagingJournal::ParseResult CStagingJournal::ReadPlan(const uint8_t* data, size_t size, uint32_t runId,
                                                       std::vector<std::string>& paths)
{
    paths.clear();
    uint32_t count = 0;
    ParseResult header = ReadHeader(data, size, kPlan, runId, count);
    if (header != kGood)
        return header;
    // Every record takes room: a count the bytes cannot hold is damage.
    if (count > kMaxSlots || count > (size - kHeaderSize) / kRecordOverhead)
        return kDamaged;
    size_t at = kHeaderSize;
    for (uint32_t i = 0; i < count; ++i) {
        uint8_t type;
        const uint8_t* payload;
        size_t length;
        if (!NextRecord(data, size, at, runId, i, type, payload, length) || type != kFileRecord) {
            paths.clear();
            return kDamaged;
        }
        paths.emplace_back(reinterpret_cast<const char*>(payload), length);
        if (!IsSafeRelativePath(paths.back())) {
            paths.clear();
            return kDamaged;
        }
    }
    if (at != size) {
        paths.clear();
        return kDamaged;
    }
    return kGood;
}

std::vector<uint8_t> CStagingJournal::WriteSwitching(uint32_t runId, uint32_t slots, uint32_t planCrc)
{
    std::vector<uint8_t> out = Header(kSwitching, runId, 1);
    uint8_t payload[8];
    PutLE32(payload, slots);
    PutLE32(payload + 4, planCrc);
    AppendRecord(out, runId, 0, kSwitchRecord, payload, sizeof payload);
    return out;
}

CStagingJournal::ParseResult CStagingJournal::ReadSwitching(const uint8_t* data, size_t size, uint32_t runId,
                                                            uint32_t slots, uint32_t planCrc)
{
    uint32_t count = 0;
    ParseResult header = ReadHeader(data, size, kSwitching, runId, count);
    if (header != kGood)
        return header;
    size_t at = kHeaderSize;
    uint8_t type;
    const uint8_t* payload;
    size_t length;
    if (count != 1 || !NextRecord(data, size, at, runId, 0, type, payload, length) || at != size ||
        type != kSwitchRecord || length != 8 || GetLE32(payload) != slots || GetLE32(payload + 4) != planCrc)
        return kDamaged;
    return kGood;
}
