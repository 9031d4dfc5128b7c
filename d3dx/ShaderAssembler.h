#pragma once
// Assembler for Direct3D 8 shader text: vertex shaders 1.0 and 1.1, pixel
// shaders 1.0 to 1.4, into the token stream the device's shader creation
// takes. The text goes through the C preprocessor first. Pure: no Windows
// header.
#include "d3dx/ShaderPreprocessor.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace d3dx {

// Assembly flags (the values of the library's D3DXASM_ flags).
constexpr uint32_t kAssembleDebug = 1;           // accepted; no debug tokens are written
constexpr uint32_t kAssembleSkipValidation = 2;  // only syntax and token limits are checked

// Token format.
constexpr uint32_t kShaderEndToken = 0x0000FFFF;
constexpr uint32_t kShaderPhaseToken = 0x0000FFFD;
constexpr uint32_t kCoissueBit = 0x40000000;
constexpr uint32_t VertexShaderVersion(uint32_t major, uint32_t minor) { return 0xFFFE0000u | major << 8 | minor; }
constexpr uint32_t PixelShaderVersion(uint32_t major, uint32_t minor) { return 0xFFFF0000u | major << 8 | minor; }

}  // namespace d3dx

class CShaderAssembler {
public:
    // One statement of the text and the tokens it became, for listings.
    struct Statement {
        uint32_t line;        // 1-based source line; 0 for the end token
        uint32_t firstToken;  // index into GetTokens(), or into GetConstants() for a vertex shader def
        uint32_t tokenCount;
        bool constant;        // a vertex shader def, written to the constants
        uint32_t file;        // index into GetFiles() of the text the line is in
    };

    // Assembles length bytes of text (a NUL byte ends it early) named name
    // in messages. Returns false for bad input, with GetErrors() naming each
    // faulty line as "line N: what" (in the unnamed main text) or "NAME: line
    // N: what"; the token stream is then empty.
    bool Assemble(const char* text, size_t length, uint32_t flags = 0, const std::string& name = std::string());

    // Its include handler and macros stay for later assemblies.
    CShaderPreprocessor& GetPreprocessor() { return m_preprocessor; }
    // The main text, then each included one, as the last assembly read them.
    const std::vector<CShaderPreprocessor::File>& GetFiles() const { return m_preprocessor.GetFiles(); }

    // Version token, instruction tokens, end token.
    const std::vector<uint32_t>& GetTokens() const { return m_tokens; }
    // The defs of a vertex shader as a vertex declaration fragment: per def
    // one constant-memory token (register, count 1) and four floats. Pixel
    // shader defs stay in the token stream.
    const std::vector<uint32_t>& GetConstants() const { return m_constants; }
    const std::vector<Statement>& GetStatements() const { return m_statements; }
    const std::string& GetErrors() const { return m_errors; }

private:
    CShaderPreprocessor m_preprocessor;
    std::vector<uint32_t> m_tokens;
    std::vector<uint32_t> m_constants;
    std::vector<Statement> m_statements;
    std::string m_errors;
};
