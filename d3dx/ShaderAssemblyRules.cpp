// The rules of each version: register ranges, and what vertex and pixel
// shader instructions may write, read and combine; the checks that wait for
// the end of the text.
#include "d3dx/ShaderAssembly.h"

#include <cstdio>

namespace shader {

bool Assembly::CheckRegisterRange(const Register& reg)
{
    if (reg.number > kMaxRegisterNumber)
        return Error("register number of \"" + reg.text + "\" too large");
    if (!m_validate)
        return true;
    uint32_t limit = 0;
    const char* name = "";
    if (m_pixel) {
        const bool v14 = m_version == PS14;
        switch (reg.type) {
        case kTemp: limit = v14 ? 6 : 2; name = "r"; break;
        case kInput: limit = 2; name = "v"; break;
        case kConst: limit = 8; name = "c"; break;
        case kTexture: limit = v14 ? 6 : 4; name = "t"; break;
        }
    } else {
        switch (reg.type) {
        case kTemp: limit = 12; name = "r"; break;
        case kInput: limit = 16; name = "v"; break;
        case kConst: limit = 96; name = "c"; break;
        case kAddr: limit = m_version == VS11 ? 1 : 0; name = "a"; break;
        case kRastOut: return true;
        case kAttrOut: limit = 2; name = "oD"; break;
        case kTexCrdOut: limit = 8; name = "oT"; break;
        }
    }
    if (reg.number < limit)
        return true;
    if (limit == 0)
        return Error("register \"" + reg.text + "\" is not available in " + VersionName(m_version));
    char range[64];
    std::snprintf(range, sizeof range, " (%s0 to %s%u)", name, name, unsigned(limit - 1));
    if (reg.relative)
        std::snprintf(range, sizeof range, " (offset 0 to %u)", unsigned(limit - 1));
    return Error("register \"" + reg.text + "\" is out of range in " + VersionName(m_version) + range);
}

bool Assembly::CheckVertex(const OpInfo& op, const std::vector<std::string>& mods, const Operand& dest,
                           const std::vector<Operand>& src)
{
    // Types the token stream cannot express in a vertex shader are always errors.
    if (!mods.empty())
        return Error("instruction modifier \"_" + mods[0] + "\" is not available in vertex shaders");
    if (op.dest) {
        if (dest.reg.type == kInput || dest.reg.type == kConst)
            return Error("\"" + dest.reg.text + "\" cannot be written");
        if (dest.reg.relative)
            return Error("relative addressing is only available for sources");
        if (dest.reg.addr && (op.opcode != kOpMov || (m_validate && dest.mask != 1)))
            return Error("a0 is written only by mov, with the mask .x");
    }
    int constants = 0, inputs = 0;
    uint32_t constNumber = 0, inputNumber = 0;
    bool constRelative = false;
    for (const Operand& s : src) {
        const Register& r = s.reg;
        if (r.addr)
            return Error("a0 is read only as the index of a constant: c[a0.x + n]");
        if (r.type >= kRastOut)
            return Error("output register \"" + r.text + "\" cannot be read");
        if (s.mod != kModNone && s.mod != kModNeg)
            return Error("source modifiers other than \"-\" are not available in vertex shaders");
        if (r.relative && m_version != VS11)
            return Error(std::string("relative addressing is not available in ") + VersionName(m_version));
        if (r.type == kConst) {
            if (constants == 0 || constNumber != r.number || constRelative != r.relative)
                ++constants;
            constNumber = r.number;
            constRelative = r.relative;
        }
        if (r.type == kInput) {
            if (inputs == 0 || inputNumber != r.number)
                ++inputs;
            inputNumber = r.number;
        }
    }
    if (m_validate && constants > 1)
        return Error("an instruction may read only one constant register");
    if (m_validate && inputs > 1)
        return Error("an instruction may read only one input register");
    return true;
}

// Source selectors of pixel shaders: none in ps.1.0 to 1.3 but the alpha
// (and from 1.1 the blue) replicate; the four replicates in ps.1.4 arithmetic;
// .xyz and .xyw for texld and texcrd.
bool Assembly::CheckPixelSwizzle(const OpInfo& op, const Operand& s)
{
    if (!s.hasSwizzle || s.swizzle == kIdentity)
        return true;
    const uint8_t sw = s.swizzle;
    bool ok = false;
    if (op.kind == kTex)
        ok = false;
    else if (op.kind == kTex14)
        ok = sw == kXYZZ || sw == kXYWW;
    else if (m_version == PS14)
        ok = sw == 0x00 || sw == 0x55 || sw == kReplicateZ || sw == kReplicateW;
    else
        ok = sw == kReplicateW || (sw == kReplicateZ && m_version != PS10);
    if (!ok)
        return Error("source selector of \"" + s.reg.text + "\" is not available in " +
                     VersionName(m_version) + (op.kind == kArith ? "" : " texture addressing"));
    return true;
}

bool Assembly::CheckPixel(const OpInfo& op, uint32_t shift, bool sat, bool coissue, const Operand& dest,
                          const std::vector<Operand>& src)
{
    const bool v14 = m_version == PS14;
    // Always: constants and inputs are never written.
    if (op.dest && (dest.reg.type == kConst || dest.reg.type == kInput))
        return Error("\"" + dest.reg.text + "\" cannot be written");
    if (op.dest && dest.reg.relative)
        return Error("relative addressing is not available in pixel shaders");
    for (const Operand& s : src)
        if (s.reg.relative)
            return Error("relative addressing is not available in pixel shaders");
    if (op.kind != kArith && (shift != 0 || sat))
        return Error(std::string("texture instruction \"") + op.name + "\" takes no modifiers");
    if (coissue && op.kind != kArith)
        return Error("only arithmetic instructions can be co-issued");
    if (!m_validate) {
        m_lastWasArith = op.kind == kArith;
        return true;
    }

    // Result modifiers.
    if (shift == 3 || shift == 0xE || shift == 0xD) {
        if (!v14)
            return Error(std::string("_x8, _d4 and _d8 are only available in ps.1.4, not in ") + VersionName(m_version));
    }

    if (op.kind == kArith) {
        if (op.dest) {
            if (v14 && dest.reg.type != kTemp)
                return Error("arithmetic in ps.1.4 writes only r#, not \"" + dest.reg.text + "\"");
            const uint32_t m = dest.mask;
            if (!v14 && m != 0xF && m != 0x7 && m != 0x8)
                return Error(std::string("write mask must be .rgba, .rgb or .a in ") + VersionName(m_version));
        }
        for (const Operand& s : src) {
            if (v14 && s.reg.type == kTexture)
                return Error("texture coordinates \"" + s.reg.text + "\" are read only by texld and texcrd in ps.1.4");
            if (s.mod == kModDz || s.mod == kModDw)
                return Error("_dz and _dw are only available on texld and texcrd");
            if (!v14 && (s.mod == kModX2 || s.mod == kModX2Neg))
                return Error(std::string("source modifier _x2 is only available in ps.1.4, not in ") + VersionName(m_version));
            if (!CheckPixelSwizzle(op, s))
                return false;
        }
        if (op.opcode == kOpCnd && !v14) {
            const Operand& s = src[0];
            if (s.reg.type != kTemp || s.reg.number != 0 || s.swizzle != kReplicateW || s.mod != kModNone)
                return Error(std::string("cnd in ") + VersionName(m_version) + " needs r0.a as its first source");
        }
        if (op.opcode == kOpBem) {
            if (dest.mask != 0x3)
                return Error("bem writes the mask .rg");
            if (m_phaseSeen)
                return Error("bem is only available in the first phase");
            if (m_firstPhase1OnlyLine == 0) {
                m_firstPhase1OnlyFile = m_file;
                m_firstPhase1OnlyLine = m_line;
                m_phase1OnlyWhat = "bem is only available in the first phase of a shader with a phase marker";
            }
        }
        if (v14 && !m_phaseSeen && m_firstPhase2OnlyLine == 0)
            for (const Operand& s : src)
                if (s.reg.type == kInput) {
                    m_firstPhase2OnlyFile = m_file;
                    m_firstPhase2OnlyLine = m_line;
                    m_phase2OnlyWhat = "colour registers v# are only available in the second phase";
                }
        // Co-issue pairs one colour and one alpha instruction.
        if (coissue) {
            if (!m_lastWasArith || m_lastCoissued)
                return Error("a co-issued instruction must follow an arithmetic instruction");
            const uint32_t a = m_lastMask, b = op.dest ? dest.mask : 0xF;
            const bool pair = v14 ? ((a == 0x8 && b && (b & 0x8) == 0) || (b == 0x8 && a && (a & 0x8) == 0))
                                  : ((a == 0x7 && b == 0x8) || (a == 0x8 && b == 0x7));
            if (!pair)
                return Error("co-issued instructions must write the colour (.rgb) and the alpha (.a) separately");
        } else {
            ++m_arithCount;
        }
        m_arithInPhase = true;
        if (m_arithCount > 8)
            return Error("more than 8 arithmetic instructions" + std::string(v14 ? " in one phase" : ""));
    } else {
        if (m_arithInPhase)
            return Error("texture instructions must come before arithmetic instructions" +
                         std::string(v14 ? " in each phase" : ""));
        ++m_texCount;
        if (m_texCount > (v14 ? 6u : 4u))
            return Error(v14 ? "more than 6 texture instructions in one phase" : "more than 4 texture instructions");
        if (op.kind == kTex) {
            if (dest.reg.type != kTexture || dest.mask != 0xF)
                return Error(std::string("\"") + op.name + "\" writes a texture register t# without a mask");
            for (size_t i = 0; i < src.size(); ++i) {
                const Operand& s = src[i];
                const bool eyeConstant = op.opcode == kOpTexM3x3Spec && i == 1;
                if (eyeConstant) {
                    if (s.reg.type != kConst)
                        return Error("the last operand of texm3x3spec is a constant register");
                } else {
                    if (s.reg.type != kTexture)
                        return Error(std::string("\"") + op.name + "\" reads a texture register t#, not \"" + s.reg.text + "\"");
                    if (s.reg.number >= dest.reg.number)
                        return Error("\"" + s.reg.text + "\" must be an earlier stage than \"" + dest.reg.text + "\"");
                }
                if (s.mod != kModNone && s.mod != kModSign)
                    return Error("texture instructions take only the _bx2 source modifier");
                if (!CheckPixelSwizzle(op, s))
                    return false;
            }
        } else {
            const uint16_t code = op.opcode;
            if (code == kOpTex || code == kOpTexCoord) {  // texld, texcrd
                if (dest.reg.type != kTemp)
                    return Error(std::string("\"") + op.name + "\" writes r#, not \"" + dest.reg.text + "\"");
                if (code == kOpTex && dest.mask != 0xF)
                    return Error("texld takes no write mask");
                if (code == kOpTexCoord && dest.mask != 0xF && dest.mask != 0x7 && dest.mask != 0x3)
                    return Error("texcrd writes .rgba, .rgb or .rg");
                const Operand& s = src[0];
                if (code == kOpTexCoord && s.reg.type != kTexture)
                    return Error("texcrd reads texture coordinates t#, not \"" + s.reg.text + "\"");
                if (s.reg.type != kTexture && s.reg.type != kTemp)
                    return Error("texld reads t# or r#, not \"" + s.reg.text + "\"");
                if (s.mod != kModNone && s.mod != kModDz && s.mod != kModDw)
                    return Error(std::string("\"") + op.name + "\" takes only the _dz and _dw source modifiers");
                if (!CheckPixelSwizzle(op, s))
                    return false;
                if (s.reg.type == kTemp) {
                    if (m_phaseSeen == false && m_firstPhase2OnlyLine == 0) {
                        m_firstPhase2OnlyFile = m_file;
                        m_firstPhase2OnlyLine = m_line;
                        m_phase2OnlyWhat = "texld reads r# only in the second phase";
                    }
                }
            } else if (code == kOpTexKill) {
                if ((dest.reg.type != kTemp && dest.reg.type != kTexture) || dest.hasMask)
                    return Error("texkill takes r# or t# without a mask");
            } else if (code == kOpTexDepth) {
                if (dest.reg.type != kTemp || dest.reg.number != 5 || dest.hasMask)
                    return Error("texdepth takes r5 without a mask");
                if (!m_phaseSeen && m_firstPhase2OnlyLine == 0) {
                    m_firstPhase2OnlyFile = m_file;
                    m_firstPhase2OnlyLine = m_line;
                    m_phase2OnlyWhat = "texdepth is only available in the second phase";
                }
            }
        }
    }
    m_lastWasArith = op.kind == kArith;
    m_lastCoissued = coissue;
    m_lastMask = op.dest ? dest.mask : 0xF;
    return true;
}

void Assembly::Finish(uint32_t lastLine)
{
    m_file = 0;
    m_line = lastLine;
    if (!m_haveVersion) {
        if (m_errorCount == 0)
            Error("shader version (vs.1.1, ps.1.4 ...) expected; the text is empty");
        return;
    }
    if (m_validate && m_version == PS14) {
        // Without a phase marker the whole shader is its second phase.
        if (m_phaseSeen && m_firstPhase2OnlyLine)
            ErrorAt(m_firstPhase2OnlyFile, m_firstPhase2OnlyLine, m_phase2OnlyWhat);
        if (!m_phaseSeen && m_firstPhase1OnlyLine)
            ErrorAt(m_firstPhase1OnlyFile, m_firstPhase1OnlyLine, m_phase1OnlyWhat);
    }
    m_statements.push_back({0, uint32_t(m_tokens.size()), 1, false, 0});
    m_tokens.push_back(d3dx::kShaderEndToken);
}

}  // namespace shader
