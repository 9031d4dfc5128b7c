// The LZSS stream decoder: the first 4 bytes give the expected size.
#include "filesystem/LzssCodec.h"

#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<uint8_t> out;
    LzssDecodeSingle(data, size, out);
    // A round trip through the compressor must give the input back.
    std::vector<uint8_t> packed = LzssCompress(data, size);
    std::vector<uint8_t> back(size + 8);
    CLZSSCodec codec;
    if (codec.Decode(packed.data(), uint32_t(packed.size()), back.data(), uint32_t(size)) != int64_t(size))
        __builtin_trap();
    for (size_t i = 0; i < size; ++i)
        if (back[i] != data[i])
            __builtin_trap();
    return 0;
}
