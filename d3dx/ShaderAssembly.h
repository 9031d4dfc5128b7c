#pragma once
// One assembly of 1.x shader text: fed the preprocessor's lines one by one, it
// reads each statement (ShaderAssemblyRead.cpp), checks it against the rules
// of its version (ShaderAssemblyRules.cpp) and appends its tokens
// (ShaderTokens.cpp).
#include "d3dx/ShaderAssembler.h"
#include "d3dx/ShaderOpcodes.h"
#include "d3dx/ShaderText.h"

#include <cstdint>
#include <string>
#include <vector>

namespace shader {

struct Register {
    uint32_t type = 0;
    uint32_t number = 0;
    bool relative = false;  // c[a0.x + number]
    bool addr = false;      // a0 (type 3 in vertex shaders)
    bool rastOut = false;
    std::string text;       // as written, for messages
};

struct Operand {
    Register reg;
    uint32_t mask = 0xF;      // destination
    bool hasMask = false;
    uint8_t swizzle = kIdentity;
    bool hasSwizzle = false;
    uint32_t mod = kModNone;  // source
};

class Assembly {
public:
    Assembly(uint32_t flags, const CShaderPreprocessor& source, std::vector<uint32_t>& tokens,
             std::vector<uint32_t>& constants, std::vector<CShaderAssembler::Statement>& statements,
             std::string& errors)
        : m_validate((flags & d3dx::kAssembleSkipValidation) == 0), m_source(source), m_tokens(tokens),
          m_constants(constants), m_statements(statements), m_errors(errors)
    {
    }

    void Line(uint32_t file, uint32_t number, const std::string& text);
    void Finish(uint32_t lastLine);
    bool Failed() const { return m_errorCount != 0; }

private:
    bool m_validate;
    const CShaderPreprocessor& m_source;
    std::vector<uint32_t>& m_tokens;
    std::vector<uint32_t>& m_constants;
    std::vector<CShaderAssembler::Statement>& m_statements;
    std::string& m_errors;
    uint32_t m_file = 0, m_line = 0;
    unsigned m_errorCount = 0;

    bool m_haveVersion = false;
    bool m_abandoned = false;  // the version statement was bad
    Version m_version = VS11;
    bool m_pixel = false;

    // Ordering and counts.
    bool m_anyInstruction = false;
    bool m_phaseSeen = false;
    bool m_arithInPhase = false;
    unsigned m_texCount = 0, m_arithCount = 0;
    bool m_lastWasArith = false;       // the statement before may take a co-issued partner
    bool m_lastCoissued = false;
    uint32_t m_lastMask = 0;
    // ps.1.4 rules that depend on a later phase marker (file, line; line 0: none).
    uint32_t m_firstPhase1OnlyFile = 0, m_firstPhase1OnlyLine = 0;  // bem before any phase marker
    uint32_t m_firstPhase2OnlyFile = 0, m_firstPhase2OnlyLine = 0;  // v#, texld from r#, texdepth before any phase marker
    std::string m_phase1OnlyWhat, m_phase2OnlyWhat;

    bool Error(const std::string& message);
    bool ErrorAt(uint32_t file, uint32_t line, const std::string& message);
    bool ParseVersion(const std::string& text);
    bool ParseRegister(const std::string& text, size_t& at, Register& reg);
    bool ParseDest(const std::string& text, Operand& op);
    bool ParseSource(const std::string& text, Operand& op);
    bool ParseFloat(const std::string& text, uint32_t& bits);
    bool Def(const std::vector<std::string>& operands, uint32_t line);
    bool Phase(bool coissue, const std::vector<std::string>& operands);
    bool Instruction(const std::string& word, bool coissue, const std::vector<std::string>& operands);
    bool CheckRegisterRange(const Register& reg);
    bool CheckVertex(const OpInfo& op, const std::vector<std::string>& mods, const Operand& dest,
                     const std::vector<Operand>& src);
    bool CheckPixel(const OpInfo& op, uint32_t shift, bool sat, bool coissue, const Operand& dest,
                    const std::vector<Operand>& src);
    bool CheckPixelSwizzle(const OpInfo& op, const Operand& s);
    void Emit(uint32_t line, const std::vector<uint32_t>& words);
    static uint32_t DestToken(const Operand& d, uint32_t shift, bool sat);
    static uint32_t SourceToken(const Operand& s);
};

}  // namespace shader
