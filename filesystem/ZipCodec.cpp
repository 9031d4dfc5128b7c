#include "filesystem/ZipCodec.h"

#include "filesystem/BlockPool.h"
#include "filesystem/PackFormat.h"
#include "framework/ByteOrder.h"

#include <zlib.h>

namespace {
// Largest output a zlib stream of n bytes can inflate to (deflate's best
// ratio is about 1032:1).
uint64_t MaxInflated(uint64_t n) { return n * 1032 + 64; }
}  // namespace

void CZipCodec::Free()
{
    CBlockPool::GetInstance().Release(m_output, m_capacity);
    m_output = nullptr;
    m_outputLength = 0;
    m_capacity = 0;
}

uint8_t* CZipCodec::Detach()
{
    uint8_t* p = m_output;
    m_output = nullptr;
    m_outputLength = 0;
    m_capacity = 0;
    return p;
}

bool CZipCodec::Decode(uint8_t* block, uint32_t size)
{
    if (block == nullptr || size == 0)
        return false;
    m_input = block;
    m_inputSize = size;
    PackScramble(block, size);
    Free();
    if (size < 4)
        return false;
    uint64_t decoded = GetLE32(block + size - 4);
    // The trailer is only a hint of the size; never allocate past what the
    // stream can yield.
    if (decoded > MaxInflated(size - 4))
        decoded = MaxInflated(size - 4);
    if (decoded > 0xFFFFFFF0u)
        return false;
    m_output = CBlockPool::GetInstance().Acquire(size_t(decoded) + 1, m_capacity);
    if (m_output == nullptr)
        return false;
    uLongf length = uLongf(decoded);
    if (uncompress(m_output, &length, block, uLong(size - 4)) != Z_OK) {
        Free();
        return false;
    }
    m_outputLength = uint32_t(length);
    return true;
}
