#include "update/LegacyJournal.h"

#include "framework/ByteOrder.h"
#include "update/StagingJournal.h"

#include <cstring>

namespace {

const uint8_t kMagic[4] = {'Q', 'J', 'N', 'L'};
const size_t kRecordOverhead = 1 + 2 + 4;  // type, length, CRC

}  // namespace

std::vector<uint8_t> CLegacyJournal::Header(State state, uint8_t version)
{
    std::vector<uint8_t> header(kMagic, kMagic + 4);
    header.push_back(version);
    header.push_back(state);
    header.push_back(0);
    header.push_back(0);
    return header;
}

bool CLegacyJournal::Append(const Record& record, std::vector<uint8_t>& out)
{
    std::vector<uint8_t> payload;
    switch (record.type) {
    case Record::kCreateFolder:
    case Record::kCreateFile:
        payload.assign(record.path.begin(), record.path.end());
        break;
    case Record::kReplaceFile:
        AppendLE16(payload, static_cast<uint16_t>(record.path.size()));
        payload.insert(payload.end(), record.path.begin(), record.path.end());
        payload.insert(payload.end(), record.backup.begin(), record.backup.end());
        break;
    case Record::kClosed:
    case Record::kBegun:
    case Record::kMade:
        AppendLE32(payload, record.index);
        break;
    default:
        return false;
    }
    if (payload.size() > 0xFFFF)
        return false;
    size_t start = out.size();
    out.push_back(record.type);
    AppendLE16(out, static_cast<uint16_t>(payload.size()));
    out.insert(out.end(), payload.begin(), payload.end());
    AppendLE32(out, CStagingJournal::Crc32(out.data() + start, out.size() - start));
    return true;
}

bool CLegacyJournal::Parse(const uint8_t* data, size_t size)
{
    m_State = kRunning;
    m_Version = kVersion;
    m_Records.clear();
    m_Damaged = false;
    if (!data || size < kHeaderSize || std::memcmp(data, kMagic, 4) != 0 ||
        (data[4] != kVersion && data[4] != kVersionWithoutMarks) || (data[5] != kRunning && data[5] != kCommitting) ||
        data[6] != 0 || data[7] != 0)
        return false;
    m_Version = data[4];
    m_State = static_cast<State>(data[5]);
    size_t at = kHeaderSize;
    uint32_t steps = 0;
    while (size - at >= kRecordOverhead) {
        const uint8_t* p = data + at;
        size_t length = GetLE16(p + 1);
        if (size - at - kRecordOverhead < length || GetLE32(p + 3 + length) != CStagingJournal::Crc32(p, 3 + length))
            break;
        Record record;
        record.type = static_cast<Record::Type>(p[0]);
        const char* text = reinterpret_cast<const char*>(p + 3);
        bool good = false;
        switch (p[0]) {
        case Record::kCreateFolder:
        case Record::kCreateFile:
            record.path.assign(text, length);
            good = length > 0;
            break;
        case Record::kReplaceFile:
            if (length >= 2 && GetLE16(p + 3) <= length - 2) {
                size_t pathLength = GetLE16(p + 3);
                record.path.assign(text + 2, pathLength);
                record.backup.assign(text + 2 + pathLength, length - 2 - pathLength);
                good = pathLength > 0 && !record.backup.empty();
            }
            break;
        case Record::kBegun:
        case Record::kMade:
            if (m_Version == kVersionWithoutMarks)
                break;
            [[fallthrough]];
        case Record::kClosed:
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
    }
    m_Damaged = at != size;
    return true;
}

bool CLegacyJournal::HasOpenSteps() const
{
    std::vector<bool> open;
    for (const Record& record : m_Records) {
        if (record.IsStep())
            open.push_back(true);
        else if (record.index < open.size())
            open[record.index] = record.type != Record::kClosed;
    }
    for (bool step : open)
        if (step)
            return true;
    return false;
}
