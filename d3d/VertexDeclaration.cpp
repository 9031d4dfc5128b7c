#include "d3d/VertexDeclaration.h"

namespace {

constexpr uint32_t kTypeShift = 29;
constexpr uint32_t kTypeConstMem = 4;
constexpr uint32_t kTypeExt = 5;

}  // namespace

size_t VertexDeclarationLength(const uint32_t* tokens, size_t max)
{
    if (!tokens)
        return 0;
    size_t i = 0;
    while (i < max) {
        const uint32_t token = tokens[i];
        if (token == kVertexDeclarationEnd)
            return i + 1;
        size_t data = 0;
        switch (token >> kTypeShift) {
        case kTypeConstMem: data = 4 * ((token >> 25) & 0xF); break;  // four floats per register
        case kTypeExt: data = (token >> 24) & 0x1F; break;
        default: break;
        }
        i += 1 + data;
    }
    return 0;
}

std::vector<uint32_t> AppendToDeclaration(const std::vector<uint32_t>& declaration,
                                          const std::vector<uint32_t>& extra)
{
    std::vector<uint32_t> out(declaration);
    if (!out.empty() && out.back() == kVertexDeclarationEnd)
        out.pop_back();
    out.insert(out.end(), extra.begin(), extra.end());
    out.push_back(kVertexDeclarationEnd);
    return out;
}
