#pragma once
#include <cstdint>
#include <string>

// Names for the originals the update keeps while it replaces them: "~" and
// base-36 digits, never longer (in characters) than the file's own name and
// at most 8, so that a backup in the file's folder fits wherever the file
// fits. A one-character name gets one character of its own.
class CBackupNames {
public:
    // The n-th name for a file of this name; empty when names of that length
    // are used up.
    static std::string Candidate(const std::string& fileName, uint64_t n);
    // Characters in a Shift-JIS name (a double-byte character counts once).
    static size_t CharacterCount(const std::string& name);
};
