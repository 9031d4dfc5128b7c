#pragma once
#include "setup/JournalRecord.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The update journal as stored in the game folder: an 8-byte header ("QJNL",
// the version, the state byte, two zero bytes), then records, each
//   type (1 byte), payload length (LE16), payload, CRC-32 of the three.
// Payloads: a path (folder and file steps); LE16 path length, path, backup
// name (replace steps); LE32 step index (closed, begun, made). Paths are
// relative to the journal's folder, Shift-JIS, backslash-separated.
//
// Version 2 marks each step begun before its change and made after it;
// version 1 has neither mark, so each of its steps counts as made.
//
// The state byte is overwritten in place when the update starts committing,
// so that mark needs no room on a full disk.
class CJournal {
public:
    enum State : uint8_t { kRunning = 'R', kCommitting = 'C' };
    static const char* const kFileName;
    static constexpr uint8_t kVersion = 2;
    static constexpr uint8_t kVersionWithoutMarks = 1;
    static constexpr size_t kHeaderSize = 8;
    static constexpr size_t kVersionOffset = 4;
    static constexpr size_t kStateOffset = 5;
    static constexpr size_t kMaxPath = 259;

    CJournal() {}

    static std::vector<uint8_t> Header(State state, uint8_t version = kVersion);
    // Appends the record's bytes; false, with nothing appended, when the
    // record does not name a plain relative path (or a plain backup name).
    static bool Append(const CJournalRecord& record, std::vector<uint8_t>& out);

    // Reads stored bytes. False when they do not begin with a journal header
    // (nothing is then taken from them). Records are taken up to the first
    // one that is cut short, fails its check, is of no known type, names
    // anything but a plain relative path or marks a step not yet recorded;
    // the rest counts as damage.
    bool Parse(const uint8_t* data, size_t size);

    State GetState() const { return m_State; }
    uint8_t GetVersion() const { return m_Version; }
    // Whether steps are marked begun and made; if not, every step counts as
    // made.
    bool MarksBegun() const { return m_Version != kVersionWithoutMarks; }
    const std::vector<CJournalRecord>& Records() const { return m_Records; }
    // Bytes up to the end of the last record taken.
    size_t ValidSize() const { return m_ValidSize; }
    bool IsDamaged() const { return m_Damaged; }

    // A relative path of at most kMaxPath bytes whose components are plain
    // names: not empty, not "." or "..", no drive, wildcard, control byte or
    // trailing dot or space, every lead byte followed by its trail byte.
    static bool IsSafeRelativePath(const std::string& path);
    // One such component.
    static bool IsSafeName(const std::string& name);
    // The CRC-32 (IEEE 802.3) each record ends with.
    static uint32_t Checksum(const uint8_t* data, size_t size);

private:
    State m_State = kRunning;
    uint8_t m_Version = kVersion;
    std::vector<CJournalRecord> m_Records;
    size_t m_ValidSize = 0;
    bool m_Damaged = false;
};
