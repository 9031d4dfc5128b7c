#pragma once
#include <cstdint>
#include <string>

// One record of the update journal. A step record names a change the update
// makes below the journal's folder (paths relative to it, a backup as a name
// in the folder of its path). The marks name a step by `index`, its place
// among the step records: begun says its change may be made from here on,
// made that it is made, closed that nothing of it needs taking back or
// committing. The last mark of a step holds: a step whose attempt made
// nothing is closed, and begun again when it is retried.
struct CJournalRecord {
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
    bool operator==(const CJournalRecord& other) const
    {
        return type == other.type && path == other.path && backup == other.backup &&
               index == other.index;
    }
};
