#include "setup/Journal.h"

#include "framework/ByteOrder.h"
#include "setup/SjisString.h"

#include <cstring>

const char* const CJournal::kFileName = "~QuillmoorUpdate.jnl";

namespace {

const uint8_t kMagic[4] = {'Q', 'J', 'N', 'L'};
const size_t kRecordOverhead = 1 + 2 + 4;  // type, length, CRC

}  // namespace

uint32_t CJournal::Checksum(const uint8_t* data, size_t size)
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
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < size; ++i)
        crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

namespace {

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
    return last != '.' && last != ' ';
}

}  // namespace

std::vector<uint8_t> CJournal::Header(State state, uint8_t version)
{
    std::vector<uint8_t> header(kMagic, kMagic + 4);
    header.push_back(version);
    header.push_back(state);
    header.push_back(0);
    header.push_back(0);
    return header;
}

bool CJournal::IsSafeName(const std::string& name)
{
    return name.size() <= kMaxPath && IsSafeComponent(name, 0, name.size());
}

bool CJournal::IsSafeRelativePath(const std::string& path)
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

bool CJournal::Append(const CJournalRecord& record, std::vector<uint8_t>& out)
{
    std::vector<uint8_t> payload;
    switch (record.type) {
    case CJournalRecord::kCreateFolder:
    case CJournalRecord::kCreateFile:
        if (!IsSafeRelativePath(record.path))
            return false;
        payload.assign(record.path.begin(), record.path.end());
        break;
    case CJournalRecord::kReplaceFile:
        if (!IsSafeRelativePath(record.path) || !IsSafeName(record.backup))
            return false;
        AppendLE16(payload, static_cast<uint16_t>(record.path.size()));
        payload.insert(payload.end(), record.path.begin(), record.path.end());
        payload.insert(payload.end(), record.backup.begin(), record.backup.end());
        break;
    case CJournalRecord::kClosed:
    case CJournalRecord::kBegun:
    case CJournalRecord::kMade:
        AppendLE32(payload, record.index);
        break;
    default:
        return false;
    }
    size_t start = out.size();
    out.push_back(record.type);
    AppendLE16(out, static_cast<uint16_t>(payload.size()));
    out.insert(out.end(), payload.begin(), payload.end());
    AppendLE32(out, Checksum(out.data() + start, out.size() - start));
    return true;
}

bool CJournal::Parse(const uint8_t* data, size_t size)
{
    m_State = kRunning;
    m_Version = kVersion;
    m_Records.clear();
    m_ValidSize = 0;
    m_Damaged = false;
    if (!data || size < kHeaderSize || std::memcmp(data, kMagic, 4) != 0 ||
        (data[kVersionOffset] != kVersion && data[kVersionOffset] != kVersionWithoutMarks) ||
        (data[kStateOffset] != kRunning && data[kStateOffset] != kCommitting) || data[6] != 0 || data[7] != 0)
        return false;
    m_Version = data[kVersionOffset];
    m_State = static_cast<State>(data[kStateOffset]);
    size_t at = kHeaderSize;
    uint32_t steps = 0;
    while (at < size) {
        if (size - at < kRecordOverhead)
            break;
        const uint8_t* p = data + at;
        size_t length = GetLE16(p + 1);
        if (size - at - kRecordOverhead < length)
            break;
        if (GetLE32(p + 3 + length) != Checksum(p, 3 + length))
            break;
        CJournalRecord record;
        record.type = static_cast<CJournalRecord::Type>(p[0]);
        const char* text = reinterpret_cast<const char*>(p + 3);
        bool good = false;
        switch (p[0]) {
        case CJournalRecord::kCreateFolder:
        case CJournalRecord::kCreateFile:
            record.path.assign(text, length);
            good = IsSafeRelativePath(record.path);
            break;
        case CJournalRecord::kReplaceFile:
            if (length >= 2) {
                size_t pathLength = GetLE16(p + 3);
                if (pathLength <= length - 2) {
                    record.path.assign(text + 2, pathLength);
                    record.backup.assign(text + 2 + pathLength, length - 2 - pathLength);
                    good = IsSafeRelativePath(record.path) && IsSafeName(record.backup);
                }
            }
            break;
        case CJournalRecord::kBegun:
        case CJournalRecord::kMade:
            if (!MarksBegun())
                break;
            [[fallthrough]];
        case CJournalRecord::kClosed:
            if (length == 4) {
                record.index = GetLE32(p + 3);
                good = record.index < steps;
            }
            break;
        default:
            break;
        }
        if (!good)
            break;
        if (record.IsStep())
            ++steps;
        m_Records.push_back(record);
        at += kRecordOverhead + length;
        m_ValidSize = at;
    }
    if (m_ValidSize == 0)
        m_ValidSize = kHeaderSize;
    m_Damaged = m_ValidSize != size;
    return true;
}
