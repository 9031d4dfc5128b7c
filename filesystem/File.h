#pragma once
#include "filesystem/ForwardingFile.h"

#include <string>

// The framework's file object: finds a name as a loose file, a single-file
// pack, a pack archive member, or the same below "data\gamedata" on a CD-ROM
// drive, and forwards to the implementation it chose.
class CFile : public CForwardingFile {
public:
    CFile() {}

    bool Create(const std::string& path, bool truncate) override;
    int Open(const std::string& path) override;

private:
    int OpenAt(const std::string& fullPath);
};

// The letter the next CD-ROM search starts at ('A' before the first).
char GetLastCdromDrive();
