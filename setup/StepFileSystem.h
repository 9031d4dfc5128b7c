#pragma once
#include <cstdint>
#include <string>
#include <vector>

// The file operations the update's steps are made of. The Win32 shell
// implements them with the system's calls; tests use a folder tree in
// memory. A failed operation leaves its system error code in LastError().
class CStepFileSystem {
public:
    // The system error codes the steps give or look for.
    static constexpr uint32_t kErrorFileNotFound = 2;
    static constexpr uint32_t kErrorPathNotFound = 3;
    static constexpr uint32_t kErrorAccessDenied = 5;
    static constexpr uint32_t kErrorFileExists = 80;
    static constexpr uint32_t kErrorInvalidName = 123;
    static constexpr uint32_t kErrorDirNotEmpty = 145;
    static constexpr uint32_t kErrorAlreadyExists = 183;
    static constexpr uint32_t kErrorFilenameExcedRange = 206;

    enum Kind { kMissing, kFile, kReadOnlyFile, kFolder };

    virtual ~CStepFileSystem() {}

    virtual Kind GetKind(const std::string& path) = 0;
    // The names in a folder (files and folders; short aliases too, where the
    // file system keeps them). False when the folder cannot be read.
    virtual bool ListFolder(const std::string& folder, std::vector<std::string>& names) = 0;
    // A key under which the file system takes two names for the same one.
    virtual std::string FoldName(const std::string& name);

    // Fails (kErrorAlreadyExists) when anything has that name.
    virtual bool MakeFolder(const std::string& path) = 0;
    // True when the folder is gone (or was not there); fails with
    // kErrorDirNotEmpty when something is in it.
    virtual bool RemoveFolder(const std::string& path) = 0;
    // True when the file is gone (or was not there).
    virtual bool RemoveFile(const std::string& path) = 0;
    // Deletes the file only while it is empty. True when no empty file is
    // left there: a file with bytes (or a folder) is left alone.
    virtual bool RemoveFileIfEmpty(const std::string& path) = 0;
    // Fails (kErrorAlreadyExists or kErrorFileExists) when `to` exists.
    virtual bool Rename(const std::string& from, const std::string& to) = 0;
    // Replaces a file at `to`.
    virtual bool RenameOver(const std::string& from, const std::string& to) = 0;
    // Opens the file the copy writes: a new one (failing when the name is
    // taken), or the one there emptied.
    virtual bool OpenOutput(const std::string& path, bool createNew) = 0;

    virtual uint32_t LastError() const = 0;
    // Waits between attempts at a step that failed.
    virtual void Pause(unsigned milliseconds) = 0;
};
