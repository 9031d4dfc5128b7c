#pragma once
#include "filesystem/FileInterface.h"

#include <cstdint>
#include <string>

class CFileHandle;

// A loose file on disk.
class CDiskFile : public CFileInterface {
public:
    CDiskFile();
    ~CDiskFile() override;

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
    CFileHandle* m_handle;

    CDiskFile(const CDiskFile&) = delete;
    CDiskFile& operator=(const CDiskFile&) = delete;
};
