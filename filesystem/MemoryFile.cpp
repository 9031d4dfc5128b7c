#include "filesystem/FileInterface.h"

#include <cstring>

uint32_t MemoryRead(const uint8_t* data, uint32_t size, uint32_t& position,
                    void* buffer, uint32_t elementSize, uint32_t count)
{
    if (elementSize == 0 || count == 0 || data == nullptr || position >= size)
        return 0;
    uint32_t left = size - position;
    uint64_t wanted = uint64_t(elementSize) * count;
    if (wanted > left) {
        std::memcpy(buffer, data + position, left);
        position += left;
        return left / elementSize;
    }
    std::memcpy(buffer, data + position, size_t(wanted));
    position += uint32_t(wanted);
    return count;
}

bool MemorySeek(uint32_t size, uint32_t& position, int32_t offset, int origin)
{
    switch (origin) {
    case 0: position = uint32_t(offset); return true;
    case 1: position += uint32_t(offset); return true;
    case 2: position = size + uint32_t(offset); return true;
    default: return false;
    }
}

void CMemoryFile::Assign(const void* data, uint32_t size)
{
    m_data = static_cast<const uint8_t*>(data);
    m_size = size;
    m_position = 0;
}

uint32_t CMemoryFile::Read(void* buffer, uint32_t size, uint32_t count)
{
    return MemoryRead(m_data, m_size, m_position, buffer, size, count);
}

bool CMemoryFile::Seek(int32_t offset, int origin)
{
    return MemorySeek(m_size, m_position, offset, origin);
}
