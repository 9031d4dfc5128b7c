#include "filesystem/LZSSArchiveFile.h"

#include "filesystem/LzssCodec.h"
#include "filesystem/LzssFileLoad.h"
#include "framework/FileHandle.h"
#include "setup/FindFile.h"
#include "setup/SjisString.h"

int CLZSSArchiveFile::_Load(const std::string& path)
{
    static const char kMethod[] = "CLZSSArchiveFile::_OpenDatFile()";
    std::string current = path, archive, member;
    for (;;) {
        std::string parent = ParentFolder(current);
        if (parent == current)
            return 0;
        if (FindExists(parent + ".dat")) {
            archive = parent + ".dat";
            member = path.size() > parent.size() + 1 ? path.substr(parent.size() + 1) : std::string();
            break;
        }
        current = parent + ".dat";
    }
    CFileHandle file;
    if (!file.OpenRead(archive.c_str()))
        return 0;
    std::string key, alt;
    key = ToLowerAscii(CleanPath(member));
    alt = ToForwardSlashes(key);
    LzssEntry entry;
    for (;;) {
        uint8_t raw[kLzssEntrySize];
        if (!file.ReadBytes(raw, kLzssEntrySize))
            return -1;
        LzssMatch m = LzssMatchEntry(raw, key, alt, entry);
        if (m == kLzssEnd)
            return -1;
        if (m == kLzssFound)
            break;
    }
    DWORD archiveSize = file.GetSize();
    // Data outside the archive cannot be read; a decoded size beyond what the
    // stream can yield cannot be decoded. Both fail before allocating.
    if (!LzssEntryInFile(entry, archiveSize) || !file.Seek(LONG(entry.offset), FILE_BEGIN)) {
        LzssReadError(kMethod, path);
        Close();
        return -1;
    }
    if (!LzssSizeReachable(entry.decodedSize, entry.compressedSize)) {
        LzssDecodeError(kMethod, path);
        Close();
        return -1;
    }
    uint8_t* data = nullptr;
    size_t capacity = 0;
    if (!LzssLoadStream(file, entry.compressedSize, entry.decodedSize, kMethod, path, data, capacity)) {
        Close();
        return -1;
    }
    SetPooledContents(data, entry.decodedSize, capacity);
    return 1;
}

void CLZSSArchiveFile::_Release() { ReleasePooledContents(); }
