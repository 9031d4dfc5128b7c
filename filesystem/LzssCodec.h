#pragma once
#include <cstdint>
#include <string>
#include <vector>

// LZSS with a 4096-byte ring that starts zeroed, writing from 4078; flag bits
// from the lowest up, 1 = literal, 0 = reference (12-bit ring position,
// length 3..18).
class CLZSSCodec {
public:
    // Decodes into out, which holds expected bytes. Returns expected on
    // success, -1 when the stream would produce more or fewer bytes.
    int64_t Decode(const uint8_t* in, uint32_t inSize, uint8_t* out, uint32_t expected);

    uint32_t GetConsumed() const { return m_consumed; }
    uint32_t GetWritten() const { return m_written; }

private:
    uint32_t m_consumed = 0;
    uint32_t m_written = 0;
};

// Greedy compressor producing streams the decoder above accepts.
std::vector<uint8_t> LzssCompress(const uint8_t* data, size_t size);

// One 140-byte directory entry of a ".dat" archive.
enum { kLzssEntrySize = 140, kLzssNameField = 128 };
const uint32_t kLzssMask = 0x5D5D5D;

struct LzssEntry {
    std::string name;          // up to the first zero byte
    uint32_t decodedSize = 0;  // mask removed
    uint32_t compressedSize = 0;
    uint32_t offset = 0;
};

// False for the terminator entry (all three stored words 0).
bool LzssParseEntry(const uint8_t* entry, LzssEntry& out);
// Writes one entry (name truncated to 127 bytes); the terminator is 140 zeros.
void LzssBuildEntry(const LzssEntry& entry, uint8_t* out);

// Upper bound of the bytes a stream of inSize bytes can decode to: every
// flag byte announces 8 references of 18 bytes each.
inline uint64_t LzssMaxDecoded(uint64_t inSize) { return inSize * 16; }

// Result of comparing a directory entry with a member key.
enum LzssMatch { kLzssEnd = -1, kLzssOther = 0, kLzssFound = 1 };
// Names in the archive are compared byte for byte, not lowered.
LzssMatch LzssMatchEntry(const uint8_t* entry, const std::string& key,
                         const std::string& altKey, LzssEntry& out);
// An entry is usable when its data lies inside the archive; its decoded
// size must be one the compressed bytes can yield.
bool LzssEntryInFile(const LzssEntry& entry, uint64_t archiveSize);
bool LzssSizeReachable(uint64_t decodedSize, uint64_t compressedSize);

// Searches a whole archive held in memory and decodes the member; the
// reference implementation of the reader's rules (fuzzing, tools).
// Returns 1 decoded, -1 not present or damaged.
int LzssExtractMember(const uint8_t* archive, size_t size, const std::string& key,
                      const std::string& altKey, std::vector<uint8_t>& out);
// Decodes an LZSS single file (4-byte decoded size, then the stream).
bool LzssDecodeSingle(const uint8_t* file, size_t size, std::vector<uint8_t>& out);
