#include "filesystem/TextTable.h"

#include "filesystem/File.h"

#include <new>

bool CTextTable::LoadFile(const std::string& path)
{
    Release();
    CFile file;
    if (file.Open(path) != 1)
        return false;
    uint32_t size = file.GetSize();
    if (size == 0xFFFFFFFFu)
        return false;
    m_buffer = new (std::nothrow) uint8_t[size_t(size) + 1];
    if (m_buffer == nullptr)
        return false;
    if (size != 0 && file.Read(m_buffer, size, 1) != 1) {
        Release();
        return false;
    }
    m_buffer[size] = 0x0A;
    m_size = size;
    m_read = m_buffer;
    m_linesRead = 0;
    return true;
}
