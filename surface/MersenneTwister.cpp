#include "surface/MersenneTwister.h"

namespace {

const int kShift = 397;
const uint32_t kMatrixA = 0x9908B0DF;
const uint32_t kUpper = 0x80000000, kLower = 0x7FFFFFFF;

inline uint32_t Twist(uint32_t upper, uint32_t lower, uint32_t far)
{
    const uint32_t y = (upper & kUpper) | (lower & kLower);
    return far ^ (y >> 1) ^ (y & 1 ? kMatrixA : 0);
}

}  // namespace

void CMersenneTwister::Seed(uint32_t seed)
{
    // Seeded with 0 every word of the state would be 0 and every output 0
    // (timeGetTime gives 0 once every 49.7 days): the default seed instead.
    m_State[0] = seed != 0 ? seed : 4357;
    for (int i = 1; i < kSize; ++i)
        m_State[i] = 69069u * m_State[i - 1];
    m_Index = kSize;
}

uint32_t CMersenneTwister::Next()
{
    if (m_Index >= kSize) {
        if (m_Index == kSize + 1)
            Seed(4357);
        int k = 0;
        for (; k < kSize - kShift; ++k)
            m_State[k] = Twist(m_State[k], m_State[k + 1], m_State[k + kShift]);
        for (; k < kSize - 1; ++k)
            m_State[k] = Twist(m_State[k], m_State[k + 1], m_State[k + kShift - kSize]);
        m_State[kSize - 1] = Twist(m_State[kSize - 1], m_State[0], m_State[kShift - 1]);
        m_Index = 0;
    }
    uint32_t y = m_State[m_Index++];
    y ^= y >> 11;
    y ^= (y << 7) & 0x9D2C5680;
    y ^= (y << 15) & 0xEFC60000;
    y ^= y >> 18;
    return y;
}
