// Shader text through the assembler, with or without validation (first byte).
// A success must be a well-formed stream; a failure leaves no tokens.
#include "d3dx/ShaderAssembler.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    CShaderAssembler a;
    const bool ok = a.Assemble(reinterpret_cast<const char*>(data + 1), size - 1,
                               data[0] & 1 ? d3dx::kAssembleSkipValidation : 0);
    const auto& t = a.GetTokens();
    if (!ok) {
        if (!t.empty() || a.GetErrors().empty())
            std::abort();
        return 0;
    }
    if (t.size() < 2 || (t[0] >> 16) < 0xFFFE || t.back() != d3dx::kShaderEndToken)
        std::abort();
    for (const CShaderAssembler::Statement& s : a.GetStatements()) {
        const size_t limit = s.constant ? a.GetConstants().size() : t.size();
        if (s.tokenCount == 0 || s.firstToken + s.tokenCount > limit)
            std::abort();
    }
    return 0;
}
