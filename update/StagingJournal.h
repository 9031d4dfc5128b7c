#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The files that say what an update's staging folder holds. Each is written
// whole and made durable under a temporary name, then renamed into place, so
// one that is present is complete; a present file that does not check is
// damage, never an interrupted write.
//
// Both kinds share one layout (integers little-endian):
//   header, 20 bytes: "QSTG", version (1), kind ('P' plan, 'S' switching),
//     two zero bytes, run id (u32), record count (u32), CRC-32 of the 16
//     bytes before it;
//   records: type (u8), payload length (u16), payload, CRC-32 of the run id
//     (u32), the record's number (u32, from 0), type, length and payload.
// A record moved to another place, or into the journal of another run, fails
// its check; the file ends right after the last record.
//
// The plan ("plan.jnl") holds one file record (type 1) per slot, in slot
// order: the destination path relative to the game folder. The switching
// record ("switch.jnl", one record of type 2) holds the plan's slot count and
// the CRC-32 of the whole plan file, so it belongs to that plan alone.
class CStagingJournal {
public:
    enum Kind : uint8_t { kPlan = 'P', kSwitching = 'S' };
    enum RecordType : uint8_t { kFileRecord = 1, kSwitchRecord = 2 };
    static constexpr uint8_t kVersion = 1;
    static constexpr size_t kHeaderSize = 20;
    static constexpr size_t kMaxPath = 259;
    static constexpr uint32_t kMaxSlots = 1000000;

    enum ParseResult {
        kGood,
        kUnknownVersion,  // a staging journal of a version this program does not know
        kDamaged,         // anything else that does not check
    };

    // The plan's bytes; false when a path is not a safe relative path.
    static bool WritePlan(uint32_t runId, const std::vector<std::string>& paths, std::vector<uint8_t>& out);
    static ParseResult ReadPlan(const uint8_t* data, size_t size, uint32_t runId,
                                std::vector<std::string>& paths);
    static std::vector<uint8_t> WriteSwitching(uint32_t runId, uint32_t slots, uint32_t planCrc);
    static ParseResult ReadSwitching(const uint8_t* data, size_t size, uint32_t runId, uint32_t slots,
                                     uint32_t planCrc);

    // A relative path of at most kMaxPath bytes whose components are plain
    // long names: not empty, not "." or "..", no drive, wildcard, control
    // byte or trailing dot or space, every lead byte followed by its trail
    // byte; no device name ("CON", "nul.txt", "COM1") and nothing that reads
    // as a short alias of another name ("SAVEDA~1.DAT").
    static bool IsSafeRelativePath(const std::string& path);
    static bool IsSafeName(const std::string& name);
    // CRC-32 (IEEE 802.3, as zlib's crc32), continued from crc.
    static uint32_t Crc32(const uint8_t* data, size_t size, uint32_t crc = 0);
};
