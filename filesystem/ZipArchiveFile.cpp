#include "filesystem/ZipArchiveFile.h"

#include "filesystem/PackLookup.h"

// The search hands over the archive, kept open by the cache, with the entry
// it matched; the index was walked once, which is all the member needs.
int CZipArchiveFile::_Load(const std::string& path)
{
    std::string archive, member;
    FoundArchive found;
    if (!SearchPackArchives(path, archive, member, found))
        return 0;
    CPackArchiveCache::Archive& source = *found.archive;
    const PackEntry& entry = found.entry;
    // A block outside the archive is damage: fail before allocating for it.
    bool inFile = entry.offset <= source.size && entry.size <= source.size - entry.offset;
    if (!inFile || !LoadPackBlock(entry, m_codec, "CZipArchiveFile::_Load()", path,
                       [&](uint8_t* block) { return CPackArchiveCache::ReadBlock(source, entry, block); })) {
        Close();
        return -1;
    }
    SetContents(m_codec.GetOutput(), m_codec.GetOutputLength());
    return 1;
}

void CZipArchiveFile::_Release() { m_codec.Free(); }
