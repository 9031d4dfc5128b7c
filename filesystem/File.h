#pragma once
#include "filesystem/FileInterface.h"
#include "filesystem/PackFormat.h"

#include <cstdint>
#include <string>

class CFileHandle;

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

    uint8_t* m_data = nullptr;
    uint32_t m_size = 0;
    uint8_t* m_cursor = nullptr;
    uint32_t m_position = 0;
};

// A member of a pack archive ("4A") named after a folder on its path.
class CZipArchiveFile : public CCompressFileBase {
public:
    ~CZipArchiveFile() override { Close(); }
    int _Load(const std::string& path) override;
    void _Release() override;

private:
    CZipCodec m_codec;
};

// A single-file pack ("4S") beside the place of the loose file.
class CZipSingleFile : public CCompressFileBase {
public:
    ~CZipSingleFile() override { Close(); }
    int _Load(const std::string& path) override;
    void _Release() override;

private:
    CZipCodec m_codec;
};

// A member of an LZSS ".dat" archive.
class CLZSSArchiveFile : public CCompressFileBase {
public:
    ~CLZSSArchiveFile() override { Close(); }
    int _Load(const std::string& path) override;
    void _Release() override;

private:
    size_t m_capacity = 0;  // of the decoded block, from CBlockPool
};

// One file stored alone, LZSS-compressed, as path + ".dat".
class CLZSSSingleFile : public CCompressFileBase {
public:
    ~CLZSSSingleFile() override { Close(); }
    int _Load(const std::string& path) override;
    void _Release() override;

private:
    size_t m_capacity = 0;  // of the decoded block, from CBlockPool
};

// Owner window of the LZSS readers' error boxes (the application's main
// window); without a source the boxes have no owner.
typedef void* (*MainWindowSource)();
void SetLzssDialogOwner(MainWindowSource source);

// Sets SEM_FAILCRITICALERRORS for its lifetime.
class CErrorModeGuard {
public:
    CErrorModeGuard();
    virtual ~CErrorModeGuard();

private:
    unsigned m_previous;
};

// Pack lookups used by CFile::Open (full, normalised paths).
bool IsSinglePackFor(const std::string& path);
bool FindPackArchive(const std::string& path, std::string& archive, std::string& member);
bool PackArchiveHasMember(const std::string& archive, const std::string& member);
// The letter the next CD-ROM search starts at ('A' before the first).
char GetLastCdromDrive();
