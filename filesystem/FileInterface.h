#pragma once
#include <cstdint>
#include <string>

// The one interface every file kind implements, in its fixed slot order.
class CFileInterface {
public:
    virtual bool Create(const std::string& path, bool truncate) = 0;
    // 1 = opened; any other value = not opened.
    virtual int Open(const std::string& path) = 0;
    virtual void Close() = 0;
    // Returns the number of whole elements read.
    virtual uint32_t Read(void* buffer, uint32_t size, uint32_t count) = 0;
    virtual uint32_t Write(const void* buffer, uint32_t size, uint32_t count) = 0;
    virtual uint32_t GetSize() = 0;
    // origin: 0 = start, 1 = current position, 2 = end.
    virtual bool Seek(int32_t offset, int origin) = 0;
    virtual uint32_t Tell() = 0;
    virtual void Rewind() = 0;
    virtual bool IsOpen() = 0;
    virtual ~CFileInterface() {}
};

// Read and seek rules of the in-memory kinds, shared by every file that holds
// its whole contents in memory. The position may lie outside 0..size.
uint32_t MemoryRead(const uint8_t* data, uint32_t size, uint32_t& position,
                    void* buffer, uint32_t elementSize, uint32_t count);
bool MemorySeek(uint32_t size, uint32_t& position, int32_t offset, int origin);

// A read-only file over bytes it does not own (parsers and tests).
class CMemoryFile : public CFileInterface {
public:
    CMemoryFile() {}
    CMemoryFile(const void* data, uint32_t size) { Assign(data, size); }
    void Assign(const void* data, uint32_t size);

    bool Create(const std::string&, bool) override { return false; }
    int Open(const std::string&) override { return 0; }
    void Close() override { m_data = nullptr; m_size = 0; m_position = 0; }
    uint32_t Read(void* buffer, uint32_t size, uint32_t count) override;
    uint32_t Write(const void*, uint32_t, uint32_t) override { return 0; }
    uint32_t GetSize() override { return m_size; }
    bool Seek(int32_t offset, int origin) override;
    uint32_t Tell() override { return m_position; }
    void Rewind() override { m_position = 0; }
    bool IsOpen() override { return m_data != nullptr; }

private:
    const uint8_t* m_data = nullptr;
    uint32_t m_size = 0;
    uint32_t m_position = 0;
};
