#include "filesystem/DiskFile.h"

#include "framework/FileHandle.h"

CDiskFile::CDiskFile() : m_handle(new CFileHandle) {}
CDiskFile::~CDiskFile() { delete m_handle; }

bool CDiskFile::Create(const std::string& path, bool truncate) { return m_handle->OpenWrite(path.c_str(), truncate); }
int CDiskFile::Open(const std::string& path) { return m_handle->OpenRead(path.c_str()) ? 1 : 0; }
void CDiskFile::Close() { m_handle->Close(); }

uint32_t CDiskFile::Read(void* buffer, uint32_t size, uint32_t count)
{
    if (size == 0 || count == 0)
        return 0;
    uint64_t wanted = uint64_t(size) * count;
    if (wanted <= 0xFFFFFFFFu && m_handle->ReadBytes(buffer, DWORD(wanted)))
        return count;
    DWORD fileSize = m_handle->GetSize();
    DWORD position = m_handle->Tell();
    if (fileSize == 0xFFFFFFFF || position >= fileSize || position + wanted <= fileSize)
        return 0;
    DWORD left = fileSize - position;
    return m_handle->ReadBytes(buffer, left) ? left / size : 0;
}

uint32_t CDiskFile::Write(const void* buffer, uint32_t size, uint32_t count)
{
    if (size == 0 || count == 0)
        return 0;
    uint64_t wanted = uint64_t(size) * count;
    return wanted <= 0xFFFFFFFFu && m_handle->WriteBytes(buffer, DWORD(wanted)) ? count : 0;
}

uint32_t CDiskFile::GetSize() { return m_handle->GetSize(); }

bool CDiskFile::Seek(int32_t offset, int origin)
{
    static const DWORD methods[3] = {FILE_BEGIN, FILE_CURRENT, FILE_END};
    if (origin < 0 || origin > 2)
        return false;
    return m_handle->Seek(offset, methods[origin]);
}

uint32_t CDiskFile::Tell() { return m_handle->Tell(); }
void CDiskFile::Rewind() { m_handle->Rewind(); }
bool CDiskFile::IsOpen() { return m_handle->IsOpen(); }
