#pragma once

#include <cstdint>
#include <vector>

// Little-endian readers and writers of the stored formats (packs, LZSS
// archives, bitmaps, journals): byte by byte, so alignment and the host's
// byte order never matter.
inline uint16_t GetLE16(const uint8_t* p)
{
    return uint16_t(p[0] | p[1] << 8);
}

inline uint32_t GetLE32(const uint8_t* p)
{
    return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24;
}

inline void PutLE16(uint8_t* p, uint16_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}

inline void PutLE32(uint8_t* p, uint32_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
    p[3] = uint8_t(v >> 24);
}

inline void AppendLE16(std::vector<uint8_t>& out, uint16_t v)
{
    uint8_t bytes[2];
    PutLE16(bytes, v);
    out.insert(out.end(), bytes, bytes + 2);
}

inline void AppendLE32(std::vector<uint8_t>& out, uint32_t v)
{
    uint8_t bytes[4];
    PutLE32(bytes, v);
    out.insert(out.end(), bytes, bytes + 4);
}
