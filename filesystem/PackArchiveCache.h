#pragma once
#include "filesystem/PackIndex.h"
#include "framework/CriticalSection.h"
#include "framework/FileHandle.h"
#include "framework/ServiceObject.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// Pack archives whose header and index have been read, kept open: opening a
// member then costs neither an archive open nor an index read. An archive is
// taken from the cache only while its size and last-write time are still
// those it was read with, so a replaced or rewritten archive is read afresh;
// the handles share writing, renaming and deletion, so an update can move an
// archive aside and put a new one in its place. Only an exclusive open of an
// archive in the cache fails, as for any file in use; CFile::Create forgets
// the path first. A deleted archive turns delete-pending on Windows and fails
// the attribute query, which drops it (Wine keeps it visible until its last
// handle closes: Forget or Clear closes ours).
class CPackArchiveCache {
public:
    enum { kMaxArchives = 8 };

    struct Archive {
        std::string path;
        std::string key;  // the path lowered: Windows names ignore case
        uint64_t size = 0;
        FILETIME lastWrite = {0, 0};
        CPackIndex index;
        CCriticalSection lock;  // guards the handle's position
        CFileHandle file;
    };
    typedef std::shared_ptr<Archive> ArchivePtr;

    static CPackArchiveCache& GetInstance();

    // The "4A" archive at path as it is now; null when the path is missing,
    // is a folder, cannot be opened, or has a wrong header or unreadable
    // index.
    ArchivePtr Open(const std::string& path);
    // Reads an entry's stored block (entry.size bytes) into block; the entry
    // was checked against nothing yet.
    static bool ReadBlock(Archive& archive, const PackEntry& entry, uint8_t* block);
    // Closes the archive at path (once no load uses it any more), so that it
    // can be opened exclusively, for writing it.
    void Forget(const std::string& path);
    // Closes every archive, likewise.
    void Clear();
    size_t GetCount();

private:
    CCriticalSection m_lock;
    std::vector<ArchivePtr> m_archives;  // most recently used first
};
