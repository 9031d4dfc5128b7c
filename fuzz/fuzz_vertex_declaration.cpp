// Vertex declarations from untrusted tokens: the counted length stays within
// the tokens given and ends on an end token; defs go before it.
#include "d3d/VertexDeclaration.h"

#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<uint32_t> tokens(size / 4);
    if (!tokens.empty())
        std::memcpy(tokens.data(), data, tokens.size() * 4);
    const size_t length = VertexDeclarationLength(tokens.data(), tokens.size());
    if (length > tokens.size() || (length != 0 && tokens[length - 1] != kVertexDeclarationEnd))
        std::abort();
    if (length == 0)
        return 0;
    const std::vector<uint32_t> declaration(tokens.begin(), tokens.begin() + long(length));
    const std::vector<uint32_t> extra = {0x80000000u | 1u << 25 | 20, 0, 0, 0, 0};
    const std::vector<uint32_t> full = AppendToDeclaration(declaration, extra);
    if (full.size() != length + extra.size() || full.back() != kVertexDeclarationEnd)
        std::abort();
    return 0;
}
