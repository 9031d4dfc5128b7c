#include "filesystem/LzssCodec.h"

#include "framework/ByteOrder.h"

#include <cstring>

namespace {
const uint32_t kRing = 4096;
const uint32_t kStart = 4096 - 18;
const uint32_t kMinMatch = 3;
const uint32_t kMaxMatch = 18;


// Copies a reference of len bytes from distance d >= 8 in 8-byte steps; each
// step reads only bytes already written. Writes whole steps: up to 24 bytes.
inline void CopyFar(uint8_t* dst, uint32_t d, uint32_t len)
{
    const uint8_t* src = dst - d;
    uint32_t done = 0;
    do {
        uint64_t v;
        std::memcpy(&v, src + done, 8);
        std::memcpy(dst + done, &v, 8);
        done += 8;
    } while (done < len);
}

// Smallest multiple of each period 1..7 that is at least 8.
const uint32_t kPeriodStep[8] = {0, 8, 8, 9, 8, 10, 12, 14};

// One reference at output position n (n < d means part of it still reads the
// zeroed ring). Exact: writes len bytes and no more.
inline void CopyReference(uint8_t* out, uint32_t n, uint32_t d, uint32_t len)
{
    if (d > n) {
        for (uint32_t i = 0; i < len; ++i, ++n)
            out[n] = (n >= d) ? out[n - d] : 0;
    } else if (d >= len) {
        std::memcpy(out + n, out + n - d, len);
    } else if (d == 1) {
        std::memset(out + n, out[n - 1], len);
    } else {
        for (uint32_t i = 0; i < len; ++i, ++n)
            out[n] = out[n - d];
    }
}

// Distance back from output position n to ring slot pos.
inline uint32_t Distance(uint32_t n, uint32_t pos)
{
    uint32_t d = (n + kStart - pos) & (kRing - 1);
    return d == 0 ? kRing : d;
}

// Room a whole flag group needs: 7 references of 18 bytes, then one whose
// CopyFar writes 24.
const uint32_t kGroupInput = 1 + 8 * 2;
const uint32_t kGroupOutput = 7 * kMaxMatch + 24;
}

// The ring is never materialised: the byte at ring slot p, when n bytes have
// been written, is output byte n - d with d = (n + kStart - p) mod 4096 (a
// slot not yet written since the start holds zero).
//
// Groups far from both ends run without bounds checks and copy references in
// 8-byte steps; the rest goes through the checked loop, which defines the
// results (consumed and written counts included).
int64_t CLZSSCodec::Decode(const uint8_t* in, uint32_t inSize, uint8_t* out, uint32_t expected)
{
    m_consumed = 0;
    m_written = 0;
    const uint8_t* ip = in;
    const uint8_t* end = in + inSize;
    uint32_t n = 0;
    while (uint32_t(end - ip) >= kGroupInput && expected - n >= kGroupOutput) {
        uint32_t flags = *ip++;
        if (flags == 0xFF) {
            std::memcpy(out + n, ip, 8);
            ip += 8;
            n += 8;
            continue;
        }
        for (int bit = 0; bit < 8; ++bit, flags >>= 1) {
            if (flags & 1) {
                out[n++] = *ip++;
                continue;
            }
            uint32_t pos = ip[0] | (ip[1] & 0xF0u) << 4;
            uint32_t len = (ip[1] & 0x0Fu) + kMinMatch;
            ip += 2;
            uint32_t d = Distance(n, pos);
            if (d > n) {
                CopyReference(out, n, d, len);
            } else if (d >= 8) {
                CopyFar(out + n, d, len);
            } else {
                // A short period: once the first 8 bytes are in place, the
                // rest repeats at the period's multiple of at least 8.
                uint8_t* dst = out + n;
                const uint8_t* src = dst - d;
                for (uint32_t i = 0; i < 8; ++i)
                    dst[i] = src[i];
                if (len > 8)
                    CopyFar(dst + 8, kPeriodStep[d], len - 8);
            }
            n += len;
        }
    }
    while (ip < end) {
        uint32_t flags = *ip++;
        for (int bit = 0; bit < 8; ++bit, flags >>= 1) {
            if (flags & 1) {
                if (ip >= end)
                    goto done;
                if (n >= expected)
                    goto overflow;
                out[n++] = *ip++;
                continue;
            }
            if (end - ip < 2)
                goto done;
            uint32_t pos = ip[0] | (ip[1] & 0xF0u) << 4;
            uint32_t len = (ip[1] & 0x0Fu) + kMinMatch;
            ip += 2;
            // A stream that would produce more than expected fails.
            if (len > expected - n)
                goto overflow;
            CopyReference(out, n, Distance(n, pos), len);
            n += len;
        }
    }
done:
    m_consumed = uint32_t(ip - in);
    m_written = n;
    return n == expected ? int64_t(n) : -1;
overflow:
    m_consumed = uint32_t(ip - in);
    m_written = n;
    return -1;
}

std::vector<uint8_t> LzssCompress(const uint8_t* data, size_t size)
{
    std::vector<uint8_t> out;
    out.reserve(size / 2 + 16);
    const int kHashBits = 15;
    const int kDepth = 48;
    std::vector<int32_t> head(1 << kHashBits, -1);
    std::vector<int32_t> prev(kRing, -1);
    auto hash = [&](size_t i) {
        return ((data[i] << 10) ^ (data[i + 1] << 5) ^ data[i + 2]) & ((1 << kHashBits) - 1);
    };
    auto insert = [&](size_t i) {
        if (i + kMinMatch > size)
            return;
        uint32_t h = hash(i);
        prev[i & (kRing - 1)] = head[h];
        head[h] = int32_t(i);
    };

    size_t i = 0;
    while (i < size) {
        size_t flagAt = out.size();
        out.push_back(0);
        for (int bit = 0; bit < 8 && i < size; ++bit) {
            uint32_t bestLen = 0;
            size_t bestPos = 0;
            if (i + kMinMatch <= size) {
                size_t maxLen = size - i < kMaxMatch ? size - i : kMaxMatch;
                int32_t cand = head[hash(i)];
                for (int depth = 0; cand >= 0 && depth < kDepth; ++depth) {
                    size_t c = size_t(cand);
                    if (i - c >= kRing)
                        break;
                    uint32_t len = 0;
                    while (len < maxLen && data[c + len] == data[i + len])
                        ++len;
                    if (len > bestLen) {
                        bestLen = len;
                        bestPos = c;
                        if (len == maxLen)
                            break;
                    }
                    int32_t next = prev[c & (kRing - 1)];
                    if (next >= cand)
                        break;
                    cand = next;
                }
            }
            if (bestLen >= kMinMatch) {
                uint32_t ring = uint32_t(bestPos + kStart) & (kRing - 1);
                out.push_back(uint8_t(ring));
                out.push_back(uint8_t(((ring >> 4) & 0xF0) | (bestLen - kMinMatch)));
                for (uint32_t k = 0; k < bestLen; ++k)
                    insert(i + k);
                i += bestLen;
            } else {
                out[flagAt] |= uint8_t(1 << bit);
                out.push_back(data[i]);
                insert(i);
                ++i;
            }
        }
    }
    return out;
}

bool LzssParseEntry(const uint8_t* entry, LzssEntry& out)
{
    uint32_t a = GetLE32(entry + 128), b = GetLE32(entry + 132), c = GetLE32(entry + 136);
    if (a == 0 && b == 0 && c == 0)
        return false;
    size_t len = strnlen(reinterpret_cast<const char*>(entry), kLzssNameField);
    out.name.assign(reinterpret_cast<const char*>(entry), len);
    out.decodedSize = a ^ kLzssMask;
    out.compressedSize = b ^ kLzssMask;
    out.offset = c ^ kLzssMask;
    return true;
}

void LzssBuildEntry(const LzssEntry& entry, uint8_t* out)
{
    std::memset(out, 0, kLzssEntrySize);
    size_t len = entry.name.size() < kLzssNameField - 1 ? entry.name.size() : kLzssNameField - 1;
    std::memcpy(out, entry.name.data(), len);
    PutLE32(out + 128, entry.decodedSize ^ kLzssMask);
    PutLE32(out + 132, entry.compressedSize ^ kLzssMask);
    PutLE32(out + 136, entry.offset ^ kLzssMask);
}

LzssMatch LzssMatchEntry(const uint8_t* entry, const std::string& key,
                         const std::string& altKey, LzssEntry& out)
{
    if (!LzssParseEntry(entry, out))
        return kLzssEnd;
    return (out.name == key || out.name == altKey) ? kLzssFound : kLzssOther;
}

bool LzssEntryInFile(const LzssEntry& entry, uint64_t archiveSize)
{
    return entry.offset <= archiveSize && entry.compressedSize <= archiveSize - entry.offset;
}

bool LzssSizeReachable(uint64_t decodedSize, uint64_t compressedSize)
{
    return decodedSize <= LzssMaxDecoded(compressedSize);
}

int LzssExtractMember(const uint8_t* archive, size_t size, const std::string& key,
                      const std::string& altKey, std::vector<uint8_t>& out)
{
    out.clear();
    for (size_t at = 0; size - at >= kLzssEntrySize; at += kLzssEntrySize) {
        LzssEntry e;
        LzssMatch m = LzssMatchEntry(archive + at, key, altKey, e);
        if (m == kLzssEnd)
            return -1;
        if (m == kLzssOther)
            continue;
        if (!LzssEntryInFile(e, size) || !LzssSizeReachable(e.decodedSize, e.compressedSize))
            return -1;
        out.resize(size_t(e.decodedSize) + 8);
        CLZSSCodec codec;
        if (codec.Decode(archive + e.offset, e.compressedSize, out.data(), e.decodedSize) < 0) {
            out.clear();
            return -1;
        }
        out.resize(e.decodedSize);
        return 1;
    }
    return -1;
}

bool LzssDecodeSingle(const uint8_t* file, size_t size, std::vector<uint8_t>& out)
{
    out.clear();
    if (size < 4)
        return false;
    uint32_t decoded = GetLE32(file);
    if (!LzssSizeReachable(decoded, size - 4))
        return false;
    out.resize(size_t(decoded) + 8);
    CLZSSCodec codec;
    if (codec.Decode(file + 4, uint32_t(size - 4), out.data(), decoded) < 0) {
        out.clear();
        return false;
    }
    out.resize(decoded);
    return true;
}
