#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The journal an earlier version of the update kept in the game folder
// ("~QuillmoorUpdate.jnl"): an 8-byte header ("QJNL", the version, the state
// byte, two zero bytes), then records, each type (1 byte), payload length
// (LE16), payload, CRC-32 of the three. Its marks cannot prove which names
// are the update's, so it is only read: to tell whether it leaves anything
// open.
class CLegacyJournal {
public:
    struct Record {
        enum Type : uint8_t {
            kCreateFolder = 1,
            kCreateFile = 2,
            kReplaceFile = 3,
            kClosed = 4,
            kBegun = 5,
            kMade = 6,
        };
        Type type = kCreateFile;
        std::string path;
        std::string backup;
        uint32_t index = 0;

        bool IsStep() const { return type == kCreateFolder || type == kCreateFile || type == kReplaceFile; }
        bool operator==(const Record& other) const
        {
            return type == other.type && path == other.path && backup == other.backup && index == other.index;
        }
    };
    enum State : uint8_t { kRunning = 'R', kCommitting = 'C' };
    static constexpr uint8_t kVersion = 2;
    static constexpr uint8_t kVersionWithoutMarks = 1;
    static constexpr size_t kHeaderSize = 8;

    static std::vector<uint8_t> Header(State state, uint8_t version = kVersion);
    // Appends the record's bytes; false, with nothing appended, when the
    // record does not name a plain relative path (or a plain backup name).
    static bool Append(const Record& record, std::vector<uint8_t>& out);

    // False when the bytes do not begin with a journal header. Records are
    // taken up to the first one that is cut short, fails its check, is of no
    // known type, names anything but a plain relative path or marks a step
    // not yet recorded; the rest counts as damage.
    bool Parse(const uint8_t* data, size_t size);
    State GetState() const { return m_State; }
    uint8_t GetVersion() const { return m_Version; }
    const std::vector<Record>& Records() const { return m_Records; }
    bool IsDamaged() const { return m_Damaged; }
    // Whether a step is left that is not closed (each step of a journal
    // without marks counts as open).
    bool HasOpenSteps() const;

private:
    State m_State = kRunning;
    uint8_t m_Version = kVersion;
    std::vector<Record> m_Records;
    bool m_Damaged = false;
};
