// A ".dat" archive: directory walk, entry checks and member decoding.
#include "filesystem/LzssCodec.h"

#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<uint8_t> out;
    LzssExtractMember(data, size, "a.bmp", "a.bmp", out);
    LzssExtractMember(data, size, "bg\\a.bmp", "bg/a.bmp", out);
    if (size >= kLzssEntrySize) {
        LzssEntry e;
        if (LzssParseEntry(data, e))
            LzssExtractMember(data, size, e.name, e.name, out);
    }
    return 0;
}
