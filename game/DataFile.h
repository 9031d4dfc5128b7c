#pragma once
// A file of the game's data, found wherever a release may keep it: first as
// the framework's file lookup finds it (a loose file, a single-file pack, a
// pack archive named after a folder on the path, the same below
// "data\gamedata" on a CD-ROM drive), then in an LZSS archive named after a
// folder on the path ("data\sys.dat" holds "data\sys\textbox.bmp"), then as
// an LZSS single file ("data\sys\textbox.bmp.dat"). Read-only.
#include "filesystem/ForwardingFile.h"

#include <cstdint>
#include <memory>
#include <string>

class CDataFile : public CForwardingFile {
public:
    CDataFile() {}

    // Refused: the game's data is never written.
    bool Create(const std::string& path, bool truncate) override;
    int Open(const std::string& path) override;
    uint32_t Write(const void* buffer, uint32_t size, uint32_t count) override;
};

// The whole file through CDataFile; false when it cannot be found or read.
bool ReadDataFile(const std::string& path, std::unique_ptr<char[]>& bytes, uint32_t& size);
