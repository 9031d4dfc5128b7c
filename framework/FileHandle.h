#pragma once

#include "framework/Handle.h"

#include <windows.h>

#include <cstdint>

// One Win32 file handle. ReadBytes/WriteBytes transfer the whole request or
// fail with the file position put back where it was.
class CFileHandle {
public:
    CFileHandle() {}
    virtual ~CFileHandle() { Close(); }

    // Shared reading, sequential scan; the file must exist.
    bool OpenRead(const char* path);
    // Reading that lets others write, rename and delete the file meanwhile
    // (not delete on Windows 95, 98 and ME), for handles kept open for long.
    bool OpenReadShareAll(const char* path);
    // Exclusive read/write; created when missing. With truncate the file is
    // emptied, otherwise the position is at its end (appending).
    bool OpenWrite(const char* path, bool truncate);
    // Exclusive read/write of a file that must not exist yet.
    bool CreateNew(const char* path);
    void Close();
    bool IsOpen() const { return m_File.IsValid(); }

    DWORD GetSize() const;      // 0xFFFFFFFF when closed or on failure
    uint64_t GetSize64() const; // all bits set when closed or on failure
    bool Seek(LONG distance, DWORD method);
    DWORD Tell() const;         // 0 when closed or on failure
    bool Rewind() { return Seek(0, FILE_BEGIN); }

    bool ReadBytes(void* buffer, DWORD count);
    bool WriteBytes(const void* buffer, DWORD count);

    HANDLE GetHandle() const { return m_File.Get(); }

private:
    CFileHandle(const CFileHandle&) = delete;
    CFileHandle& operator=(const CFileHandle&) = delete;

    CFileObjectHandle m_File;
};
