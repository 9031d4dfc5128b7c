#pragma once
// The MT19937 generator as first published (1998), with its seeding by the
// multiplicative congruential generator x' = 69069 x: mt[0] = seed,
// mt[i] = 69069 x mt[i - 1] (mod 2^32). Unseeded, or seeded with 0 (which
// would give a state of zeros and only zeros out), it seeds itself with 4357.
#include <cstdint>

class CMersenneTwister {
public:
    CMersenneTwister() : m_Index(kSize + 1) {}
    explicit CMersenneTwister(uint32_t seed) { Seed(seed); }

    void Seed(uint32_t seed);
    // The next 32-bit output.
    uint32_t Next();
    // The next output modulo n; 0 for n = 0.
    uint32_t Random(uint32_t n) { return n == 0 ? 0 : Next() % n; }

private:
    static const int kSize = 624;
    uint32_t m_State[kSize];
    int m_Index;  // kSize + 1: not seeded yet
};
