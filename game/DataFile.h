#pragma once
// A file of the game's data, found wherever a release may keep it: first as
// the framework's file lookup finds it (a loose file, a single-file pack, a
// pack archive named after a folder on the path, the same below
// "data\gamedata" on a CD-ROM drive), then in an LZSS archive named after a
// folder on the path ("data\sys.dat" holds "data\sys\textbox.bmp"), then as
// an LZSS single file ("data\sys\textbox.bmp.dat"). Read-only.
#include "filesystem/FileInterface.h"

#include <cstdint>
#include <memory>
#include <string>

class CDataFile : public CFileInterface {
public:
    CDataFile() {}
    ~CDataFile() override { Close(); }

    // Refused: the game's data is never written.
    bool Create(const std::string& path, bool truncate) override;
    int Open(const std::string& path) override;
    void Close() override;
    uint32_t Read(void* buffer, uint32_t size, uint32_t count) override;
    uint32_t Write(const void* buffer, uint32_t size, uint32_t count) override;
    uint32_t GetSize() override;
    bool Seek(int32_t offset, int origin) override;
    uint32_t Tell() override;
    void Rewind() override;
    bool IsOpen() override;

private:
    std::unique_ptr<CFileInterface> m_File;

    CDataFile(const CDataFile&) = delete;
    CDataFile& operator=(const CDataFile&) = delete;
};

// The whole file through CDataFile; false when it cannot be found or read.
bool ReadDataFile(const std::string& path, std::unique_ptr<char[]>& bytes, uint32_t& size);
