#pragma once
#include <cstdint>
#include <string>
#include <vector>

// ".pak" files: a 14-byte header ("ZORVIDEX", kind "4A" or "4S", a length),
// an index of names with keyed offsets and sizes, and zlib blocks with a
// 4-byte decoded-size trailer whose first bytes are scrambled.
enum { kPackHeaderSize = 14, kPackMaxName = 260 };
const uint8_t kPackScramble = 0x5A;  // the constant S of the block scrambling

// Checks magic and kind ('A' or 'S'); length is the header's last field.
bool PackParseHeader(const uint8_t* header, char kind, uint32_t& length);
void PackBuildHeader(char kind, uint32_t length, uint8_t* header);

// Sum of the name's bytes as signed 8-bit values.
int32_t PackNameKey(const char* name, size_t len);

// XORs bytes 0..31 (at most) with the key sequence; its own inverse.
void PackScramble(uint8_t* block, uint32_t size);

struct PackEntry {
    std::string name;  // as stored, without its zero
    uint32_t offset = 0;  // key removed
    uint32_t size = 0;
};

// Walks an index; false when it is damaged (a name running past the index,
// a name longer than 259 bytes, a missing terminator). Entries read before
// the damage are still returned.
bool PackParseIndex(const uint8_t* index, uint32_t length, std::vector<PackEntry>& entries);
// Finds the first entry whose lowered name equals key or alternative.
bool PackFindMember(const uint8_t* index, uint32_t length, const std::string& key,
                    const std::string& altKey, PackEntry& found);
// Reads the name and keyed words that follow a "4S" header (L + 8 bytes).
bool PackParseSingle(const uint8_t* data, uint32_t nameLength, PackEntry& entry);

// Lower-case key and its forward-slash alternative for a member name.
void PackMemberKeys(const std::string& member, std::string& key, std::string& altKey);

// Writer side, for the tools and fixtures.
std::vector<uint8_t> PackBuildBlock(const uint8_t* data, size_t size);
struct PackSource {
    std::string name;  // stored as given
    std::vector<uint8_t> data;
};
std::vector<uint8_t> PackBuildArchive(const std::vector<PackSource>& members);
std::vector<uint8_t> PackBuildSingle(const PackSource& file);
// The single-file pack's name part: base name + the decimal values of the
// extension's bytes ("a.bmp" -> "a98109112"), without ".pak".
std::string PackSingleStem(const std::string& baseName, const std::string& extension);
// The single-file pack for a file path: folder\ + stem + ".pak", collapsed.
std::string PackSinglePath(const std::string& path);
