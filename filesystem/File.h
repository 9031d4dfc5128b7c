#pragma once
#include "filesystem/FileInterface.h"

#include <cstdint>
#include <string>

// The framework's file object: finds a name as a loose file, a single-file
// pack, a pack archive member, or the same below "data\gamedata" on a CD-ROM
// drive, and forwards to the implementation it chose.
class CFile : public CFileInterface {
public:
    CFile() {}
    ~CFile() override { Close(); }

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

    // The implementation chosen by the last Open (null when closed).
    CFileInterface* GetImplementation() const { return m_impl; }

private:
    int OpenAt(const std::string& fullPath);

    CFileInterface* m_impl = nullptr;

    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;
};

// The letter the next CD-ROM search starts at ('A' before the first).
char GetLastCdromDrive();
