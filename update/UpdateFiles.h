#pragma once
#include <cstdint>
#include <string>
#include <vector>

// The file operations the update's staging and switch are made of. The Win32
// shell implements them with the system's calls; tests use a folder tree in
// memory that can lose power between any two. A failed operation leaves its
// system error code in LastError().
class CUpdateFiles {
public:
    // The system error codes the update gives or looks for.
    static constexpr uint32_t kErrorFileNotFound = 2;
    static constexpr uint32_t kErrorPathNotFound = 3;
    static constexpr uint32_t kErrorAccessDenied = 5;
    static constexpr uint32_t kErrorFileExists = 80;
    static constexpr uint32_t kErrorInvalidName = 123;
    static constexpr uint32_t kErrorDirNotEmpty = 145;
    static constexpr uint32_t kErrorAlreadyExists = 183;
    static constexpr uint32_t kErrorFilenameExcedRange = 206;
    static constexpr uint32_t kErrorInvalidData = 13;

    enum Kind { kMissing, kFile, kReadOnlyFile, kFolder };

    virtual ~CUpdateFiles() {}

    // Anything there that cannot be looked at counts as a file: never free.
    virtual Kind GetKind(const std::string& path) = 0;
    // The long names in a folder. False when it cannot be read.
    virtual bool ListFolder(const std::string& folder, std::vector<std::string>& names) = 0;
    // A key under which the file system takes two names for the same one.
    virtual std::string FoldName(const std::string& name);

    // Fails (kErrorAlreadyExists) when anything has that name.
    virtual bool MakeFolder(const std::string& path) = 0;
    // True when no folder is left there; fails with kErrorDirNotEmpty while
    // something is in it.
    virtual bool RemoveFolder(const std::string& path) = 0;
    // True when no file is left there.
    virtual bool RemoveFile(const std::string& path) = 0;
    // Renames within one volume; never replaces (fails when `to` exists).
    virtual bool Rename(const std::string& from, const std::string& to) = 0;
    // A whole small file. False when it cannot be read.
    virtual bool ReadFile(const std::string& path, std::vector<uint8_t>& bytes) = 0;
    // Creates a new file (failing when the name is taken), writes the bytes
    // and makes them durable before it returns.
    virtual bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) = 0;
    // Whether the existing file could be written now: opened for writing
    // without truncation and without sharing, then closed again.
    virtual bool CheckWritable(const std::string& path) = 0;

    virtual uint32_t LastError() const = 0;
    // Waits between attempts at an operation that failed.
    virtual void Pause(unsigned milliseconds) = 0;
};
