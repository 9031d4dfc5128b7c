#include "filesystem/CompressFileBase.h"

#include "filesystem/BlockPool.h"
#include "framework/DebugPrint.h"

bool CCompressFileBase::Create(const std::string&, bool)
{
    Close();
    DebugPrint("CCompressFileBase::Create() 圧縮ファイルの作成には対応していません。");
    return false;
}

uint32_t CCompressFileBase::Write(const void*, uint32_t, uint32_t)
{
    DebugPrint("CCompressFileBase::Write() 圧縮ファイル書き出しには対応していません。");
    return 0;
}

int CCompressFileBase::Open(const std::string& path)
{
    Close();
    int result = _Load(path);
    Rewind();
    return result;
}

void CCompressFileBase::Close()
{
    _Release();
    m_data = nullptr;
    m_size = 0;
    m_cursor = nullptr;
    m_position = 0;
}

uint32_t CCompressFileBase::Read(void* buffer, uint32_t size, uint32_t count)
{
    uint32_t n = MemoryRead(m_data, m_size, m_position, buffer, size, count);
    m_cursor = m_data + m_position;
    return n;
}

bool CCompressFileBase::Seek(int32_t offset, int origin)
{
    if (!MemorySeek(m_size, m_position, offset, origin))
        return false;
    m_cursor = m_data + m_position;
    return true;
}

void CCompressFileBase::SetContents(uint8_t* data, uint32_t size)
{
    m_data = data;
    m_size = size;
    m_cursor = data;
    m_position = 0;
}

void CCompressFileBase::SetPooledContents(uint8_t* data, uint32_t size, size_t capacity)
{
    SetContents(data, size);
    m_capacity = capacity;
}

void CCompressFileBase::ReleasePooledContents()
{
    CBlockPool::GetInstance().Release(m_data, m_capacity);
    m_capacity = 0;
    m_data = nullptr;
}
