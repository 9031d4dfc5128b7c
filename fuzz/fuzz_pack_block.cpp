// One stored block: unscrambling, size trailer and inflation.
#include "filesystem/PackFormat.h"
#include "filesystem/ZipCodec.h"

#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<uint8_t> block(data, data + size);
    CZipCodec codec;
    codec.Decode(block.data(), uint32_t(block.size()));
    return 0;
}
