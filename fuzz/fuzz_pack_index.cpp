// A ".pak" file: header, index or single-file record, and the member block.
#include "filesystem/PackFormat.h"

#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < kPackHeaderSize)
        return 0;
    uint32_t length = 0;
    std::vector<PackEntry> entries;
    if (PackParseHeader(data, data[9], length) && length <= size - kPackHeaderSize) {
        const uint8_t* body = data + kPackHeaderSize;
        PackEntry e;
        if (data[9] == 'A') {
            PackParseIndex(body, length, entries);
            std::string key, alt;
            PackMemberKeys("BG\\\\a.BMP", key, alt);
            PackFindMember(body, length, key, alt, e);
        } else if (data[9] == 'S' && size - kPackHeaderSize - length >= 8) {
            if (PackParseSingle(body, length, e))
                entries.push_back(e);
        }
    }
    for (const PackEntry& e : entries) {
        if (e.offset > size || e.size > size - e.offset || e.size == 0)
            continue;
        std::vector<uint8_t> block(data + e.offset, data + e.offset + e.size);
        CZipCodec codec;
        codec.Decode(block.data(), uint32_t(block.size()));
    }
    return 0;
}
