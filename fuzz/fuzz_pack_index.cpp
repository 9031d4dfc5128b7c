// A ".pak" file: header, index or single-file record, and the member block.
#include "filesystem/PackIndex.h"
#include "filesystem/ZipCodec.h"

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
            // The hashed index must find exactly what the walk finds, for a
            // fixed name and for names taken from the index itself.
            CPackIndex index;
            index.Build(body, length);
            std::vector<std::string> names = {"BG\\\\a.BMP"};
            for (size_t i = 0; i < entries.size() && i < 4; ++i)
                names.push_back(entries[i].name);
            for (const std::string& name : names) {
                std::string key, alt;
                PackMemberKeys(name, key, alt);
                PackEntry walked, hashed;
                bool w = PackFindMember(body, length, key, alt, walked);
                bool h = index.Find(key, alt, hashed);
                if (w != h || (w && (walked.name != hashed.name || walked.offset != hashed.offset ||
                                     walked.size != hashed.size)))
                    __builtin_trap();
            }
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
