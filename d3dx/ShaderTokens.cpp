// Writing the tokens: a statement's words, and the parameter tokens of
// destination and source operands.
#include "d3dx/ShaderAssembly.h"

namespace shader {

void Assembly::Emit(uint32_t line, const std::vector<uint32_t>& words)
{
    m_statements.push_back({line, uint32_t(m_tokens.size()), uint32_t(words.size()), false, m_file});
    m_tokens.insert(m_tokens.end(), words.begin(), words.end());
}

uint32_t Assembly::DestToken(const Operand& d, uint32_t shift, bool sat)
{
    return 0x80000000u | d.reg.type << 28 | shift << 24 | (sat ? 1u : 0u) << 20 | d.mask << 16 |
           d.reg.number;
}

uint32_t Assembly::SourceToken(const Operand& s)
{
    return 0x80000000u | s.reg.type << 28 | s.mod << 24 | uint32_t(s.swizzle) << 16 |
           (s.reg.relative ? 1u : 0u) << 13 | s.reg.number;
}

}  // namespace shader
