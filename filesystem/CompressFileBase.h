#pragma once
#include "filesystem/FileInterface.h"

#include <cstddef>
#include <cstdint>
#include <string>

// Common base of the kinds that hold their whole decoded contents in memory.
class CCompressFileBase : public CFileInterface {
public:
    bool Create(const std::string& path, bool truncate) override;
    int Open(const std::string& path) override;
    void Close() override;
    uint32_t Read(void* buffer, uint32_t size, uint32_t count) override;
    uint32_t Write(const void* buffer, uint32_t size, uint32_t count) override;
    uint32_t GetSize() override { return m_size; }
    bool Seek(int32_t offset, int origin) override;
    uint32_t Tell() override { return m_position; }
    void Rewind() override { Seek(0, 0); }
    bool IsOpen() override { return m_data != nullptr; }

    // 1 = loaded, 0 = container not found or unusable, -1 = container read
    // but member not loaded.
    virtual int _Load(const std::string& path) = 0;
    virtual void _Release() = 0;

protected:
    CCompressFileBase() {}
    void SetContents(uint8_t* data, uint32_t size);
    // Contents in a block of CBlockPool, which ReleasePooledContents gives back.
    void SetPooledContents(uint8_t* data, uint32_t size, size_t capacity);
    void ReleasePooledContents();

    uint8_t* m_data = nullptr;
    uint32_t m_size = 0;
    uint8_t* m_cursor = nullptr;
    uint32_t m_position = 0;
    size_t m_capacity = 0;  // of a pooled block
};
