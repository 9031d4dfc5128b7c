#pragma once
#include <cstdint>
#include <string>

// One record of the update journal. A step record names a change the update
// makes below the journal's folder (paths relative to it, a backup as a name
// in the folder of its path); a closed record says that step `index` (its
// place among the step records) needs nothing more, in either direction.
struct CJournalRecord {
    enum Type : uint8_t {
        kCreateFolder = 1,
        kCreateFile = 2,
        kReplaceFile = 3,
        kClosed = 4,
    };
    Type type = kCreateFile;
    std::string path;
    std::string backup;
    uint32_t index = 0;

    bool IsStep() const { return type != kClosed; }
    bool operator==(const CJournalRecord& other) const
    {
        return type == other.type && path == other.path && backup == other.backup &&
               index == other.index;
    }
};
