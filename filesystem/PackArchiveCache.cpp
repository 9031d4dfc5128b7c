#include "filesystem/PackArchiveCache.h"

#include "setup/SjisString.h"

namespace {

// Reads an open pack's header and index; false on any failure.
bool ReadIndex(CFileHandle& file, uint64_t fileSize, std::vector<uint8_t>& index)
{
    uint8_t header[kPackHeaderSize];
    uint32_t length = 0;
    if (fileSize < kPackHeaderSize || !file.ReadBytes(header, kPackHeaderSize) ||
        !PackParseHeader(header, 'A', length))
        return false;
    // An index longer than the file is damaged; never allocate for it.
    if (length > fileSize - kPackHeaderSize)
        return false;
    index.resize(length);
    return length == 0 || file.ReadBytes(index.data(), length);
}

}  // namespace

CPackArchiveCache& CPackArchiveCache::GetInstance()
{
    return CServiceObject<CPackArchiveCache>::Get();
}

CPackArchiveCache::ArchivePtr CPackArchiveCache::Open(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    bool isFile = GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) &&
                  !(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    uint64_t size = uint64_t(data.nFileSizeHigh) << 32 | data.nFileSizeLow;

    std::string key = ToLowerAscii(path);
    CCriticalLock guard(m_lock);
    for (size_t i = 0; i < m_archives.size(); ++i) {
        if (m_archives[i]->key != key)
            continue;
        ArchivePtr found = m_archives[i];
        m_archives.erase(m_archives.begin() + i);
        if (isFile && found->size == size && CompareFileTime(&found->lastWrite, &data.ftLastWriteTime) == 0) {
            m_archives.insert(m_archives.begin(), found);
            return found;
        }
        break;  // changed or gone: read it afresh
    }
    if (!isFile)
        return ArchivePtr();

    ArchivePtr archive = std::make_shared<Archive>();
    archive->path = path;
    archive->key = key;
    archive->size = size;
    archive->lastWrite = data.ftLastWriteTime;
    std::vector<uint8_t> index;
    if (!archive->file.OpenReadShareAll(path.c_str()) || !ReadIndex(archive->file, size, index))
        return ArchivePtr();
    archive->index.Build(index.data(), uint32_t(index.size()));
    m_archives.insert(m_archives.begin(), archive);
    if (m_archives.size() > kMaxArchives)
        m_archives.pop_back();
    return archive;
}

bool CPackArchiveCache::ReadBlock(Archive& archive, const PackEntry& entry, uint8_t* block)
{
    if (entry.offset > archive.size || entry.size > archive.size - entry.offset)
        return false;
    CCriticalLock guard(archive.lock);
    return archive.file.Seek(LONG(entry.offset), FILE_BEGIN) && archive.file.ReadBytes(block, entry.size);
}

void CPackArchiveCache::Forget(const std::string& path)
{
    ArchivePtr dropped;
    std::string key = ToLowerAscii(path);
    CCriticalLock guard(m_lock);
    for (size_t i = 0; i < m_archives.size(); ++i) {
        if (m_archives[i]->key == key) {
            dropped = m_archives[i];
            m_archives.erase(m_archives.begin() + i);
            break;
        }
    }
}

void CPackArchiveCache::Clear()
{
    std::vector<ArchivePtr> archives;
    {
        CCriticalLock guard(m_lock);
        archives.swap(m_archives);
    }
}

size_t CPackArchiveCache::GetCount()
{
    CCriticalLock guard(m_lock);
    return m_archives.size();
}
