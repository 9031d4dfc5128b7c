#include "d3dx/ShaderAssembler.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// Text form, after the preprocessor has removed comments and directives: one
// statement per line. The first statement is the version ("vs.1.1",
// "ps.1.4"; "vs_1_1" is accepted too); then "def c#, f, f, f, f", "phase"
// (ps.1.4) and instructions "[+]name[_modifier...] operand, ...". Any
// non-ASCII byte left is an error.

namespace {

// Shader versions, one bit each in the instruction table.
enum Version { VS10, VS11, PS10, PS11, PS12, PS13, PS14 };
constexpr uint16_t Bit(Version v) { return uint16_t(1u << v); }
constexpr uint16_t kVS = Bit(VS10) | Bit(VS11);
constexpr uint16_t kPS10to13 = Bit(PS10) | Bit(PS11) | Bit(PS12) | Bit(PS13);
constexpr uint16_t kPS12to13 = Bit(PS12) | Bit(PS13);
constexpr uint16_t kPS12up = Bit(PS12) | Bit(PS13) | Bit(PS14);
constexpr uint16_t kPS = kPS10to13 | Bit(PS14);

// Register types of the token format.
constexpr uint32_t kTemp = 0, kInput = 1, kConst = 2, kAddr = 3, kTexture = 3, kRastOut = 4,
                   kAttrOut = 5, kTexCrdOut = 6;

// Source modifiers of the token format.
enum SrcMod : uint32_t {
    kModNone = 0, kModNeg = 1, kModBias = 2, kModBiasNeg = 3, kModSign = 4, kModSignNeg = 5,
    kModComp = 6, kModX2 = 7, kModX2Neg = 8, kModDz = 9, kModDw = 10
};

constexpr uint32_t kOpDef = 81;
constexpr uint32_t kMaxRegisterNumber = 0x7FF;  // bits 0-10 of a parameter token
constexpr uint8_t kIdentity = 0xE4;             // .xyzw
constexpr uint8_t kReplicateZ = 0xAA, kReplicateW = 0xFF, kXYZZ = 0xA4, kXYWW = 0xF4;

enum Kind : uint8_t {
    kArith,    // arithmetic
    kTex,      // texture addressing, ps.1.0 to 1.3
    kTex14,    // texture addressing, ps.1.4
};

struct OpInfo {
    const char* name;
    uint16_t opcode;
    bool dest;
    uint8_t sources;
    Kind kind;
    uint16_t versions;
};

const OpInfo kOps[] = {
    // Both shader kinds (the versions say which).
    {"nop", 0, false, 0, kArith, kVS | kPS},
    {"mov", 1, true, 1, kArith, kVS | kPS},
    {"add", 2, true, 2, kArith, kVS | kPS},
    {"sub", 3, true, 2, kArith, kVS | kPS},
    {"mad", 4, true, 3, kArith, kVS | kPS},
    {"mul", 5, true, 2, kArith, kVS | kPS},
    {"dp3", 8, true, 2, kArith, kVS | kPS},
    {"dp4", 9, true, 2, kArith, kVS | kPS12up},
    // Vertex shaders.
    {"rcp", 6, true, 1, kArith, kVS},
    {"rsq", 7, true, 1, kArith, kVS},
    {"min", 10, true, 2, kArith, kVS},
    {"max", 11, true, 2, kArith, kVS},
    {"slt", 12, true, 2, kArith, kVS},
    {"sge", 13, true, 2, kArith, kVS},
    {"exp", 14, true, 1, kArith, kVS},
    {"log", 15, true, 1, kArith, kVS},
    {"lit", 16, true, 1, kArith, kVS},
    {"dst", 17, true, 2, kArith, kVS},
    {"frc", 19, true, 1, kArith, kVS},
    {"m4x4", 20, true, 2, kArith, kVS},
    {"m4x3", 21, true, 2, kArith, kVS},
    {"m3x4", 22, true, 2, kArith, kVS},
    {"m3x3", 23, true, 2, kArith, kVS},
    {"m3x2", 24, true, 2, kArith, kVS},
    {"expp", 78, true, 1, kArith, kVS},
    {"logp", 79, true, 1, kArith, kVS},
    // Pixel shader arithmetic.
    {"lrp", 18, true, 3, kArith, kPS},
    {"cnd", 80, true, 3, kArith, kPS},
    {"cmp", 88, true, 3, kArith, kPS12up},
    {"bem", 89, true, 2, kArith, Bit(PS14)},
    // Texture addressing, ps.1.0 to 1.3: the operand after the destination
    // is a texture register of an earlier stage.
    {"texcoord", 64, true, 0, kTex, kPS10to13},
    {"texkill", 65, true, 0, kTex, kPS10to13},
    {"tex", 66, true, 0, kTex, kPS10to13},
    {"texbem", 67, true, 1, kTex, kPS10to13},
    {"texbeml", 68, true, 1, kTex, kPS10to13},
    {"texreg2ar", 69, true, 1, kTex, kPS10to13},
    {"texreg2gb", 70, true, 1, kTex, kPS10to13},
    {"texm3x2pad", 71, true, 1, kTex, kPS10to13},
    {"texm3x2tex", 72, true, 1, kTex, kPS10to13},
    {"texm3x3pad", 73, true, 1, kTex, kPS10to13},
    {"texm3x3tex", 74, true, 1, kTex, kPS10to13},
    {"texm3x3spec", 76, true, 2, kTex, kPS10to13},
    {"texm3x3vspec", 77, true, 1, kTex, kPS10to13},
    {"texreg2rgb", 82, true, 1, kTex, kPS12to13},
    {"texdp3tex", 83, true, 1, kTex, kPS12to13},
    {"texm3x2depth", 84, true, 1, kTex, Bit(PS13)},
    {"texdp3", 85, true, 1, kTex, kPS12to13},
    {"texm3x3", 86, true, 1, kTex, kPS12to13},
    // Texture addressing, ps.1.4.
    {"texcrd", 64, true, 1, kTex14, Bit(PS14)},
    {"texkill", 65, true, 0, kTex14, Bit(PS14)},
    {"texld", 66, true, 1, kTex14, Bit(PS14)},
    {"texdepth", 87, true, 0, kTex14, Bit(PS14)},
};

const OpInfo* FindOp(const std::string& name, Version version, bool& otherVersion)
{
    otherVersion = false;
    for (const OpInfo& op : kOps) {
        if (name != op.name)
            continue;
        if (op.versions & Bit(version))
            return &op;
        otherVersion = true;
    }
    return nullptr;
}

const char* VersionName(Version v)
{
    static const char* const names[] = {"vs.1.0", "vs.1.1", "ps.1.0", "ps.1.1", "ps.1.2", "ps.1.3", "ps.1.4"};
    return names[v];
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
char Lower(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

std::string Trim(const std::string& s)
{
    size_t b = 0, e = s.size();
    while (b < e && IsSpace(s[b]))
        ++b;
    while (e > b && IsSpace(s[e - 1]))
        --e;
    return s.substr(b, e - b);
}

std::string LowerCase(std::string s)
{
    for (char& c : s)
        c = Lower(c);
    return s;
}

// Component index of a mask or swizzle letter, or -1.
int Component(char c)
{
    switch (Lower(c)) {
    case 'x': case 'r': return 0;
    case 'y': case 'g': return 1;
    case 'z': case 'b': return 2;
    case 'w': case 'a': return 3;
    default: return -1;
    }
}

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

// One assembly: fed line by line, it parses each statement, checks it against
// the version's rules and appends its tokens.
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

bool Assembly::Error(const std::string& message) { return ErrorAt(m_file, m_line, message); }

bool Assembly::ErrorAt(uint32_t file, uint32_t line, const std::string& message)
{
    ++m_errorCount;
    if (m_errorCount <= 50) {
        m_errors += m_source.Where(file, line) + message + "\n";
    } else if (m_errorCount == 51) {
        m_errors += "too many errors\n";
    }
    return false;
}

void Assembly::Emit(uint32_t line, const std::vector<uint32_t>& words)
{
    m_statements.push_back({line, uint32_t(m_tokens.size()), uint32_t(words.size()), false, m_file});
    m_tokens.insert(m_tokens.end(), words.begin(), words.end());
}

// "vs.1.1" or "vs_1_1" (any digits).
bool IsVersionWord(const std::string& word)
{
    const std::string v = LowerCase(word);
    return v.size() == 6 && (v[0] == 'v' || v[0] == 'p') && v[1] == 's' && (v[2] == '.' || v[2] == '_') &&
           v[4] == v[2] && IsDigit(v[3]) && IsDigit(v[5]);
}

bool Assembly::ParseVersion(const std::string& text)
{
    const std::string v = LowerCase(text);
    if (IsVersionWord(v)) {
        const int major = v[3] - '0', minor = v[5] - '0';
        if (v[0] == 'v' && major == 1 && minor <= 1) {
            m_version = minor == 0 ? VS10 : VS11;
            m_pixel = false;
            m_haveVersion = true;
            Emit(m_line, {d3dx::VertexShaderVersion(1, uint32_t(minor))});
            return true;
        }
        if (v[0] == 'p' && major == 1 && minor <= 4) {
            m_version = Version(PS10 + minor);
            m_pixel = true;
            m_haveVersion = true;
            Emit(m_line, {d3dx::PixelShaderVersion(1, uint32_t(minor))});
            return true;
        }
        return Error("unsupported shader version \"" + text + "\" (vs.1.0, vs.1.1, ps.1.0 to ps.1.4)");
    }
    return Error("shader version (vs.1.1, ps.1.4 ...) expected before \"" + text + "\"");
}

// Reads a register name at text[at]: r#, v#, c#, c[...], a0, t#, oPos, oFog,
// oPts, oD#, oT#.
bool Assembly::ParseRegister(const std::string& text, size_t& at, Register& reg)
{
    const size_t start = at;
    std::string letters;
    while (at < text.size() && IsAlpha(text[at]))
        letters += Lower(text[at++]);
    if (letters.empty())
        return Error("register expected in \"" + text + "\"");

    if (letters == "c" && at < text.size() && text[at] == '[') {
        // c[n], c[a0.x], c[a0.x + n], c[n + a0.x], c[n + m]
        const size_t close = text.find(']', at);
        if (close == std::string::npos)
            return Error("missing \"]\" in \"" + text + "\"");
        const std::string inside = text.substr(at + 1, close - at - 1);
        if (Trim(inside).empty())
            return Error("empty constant index in \"" + text + "\"");
        size_t p = 0;
        for (;;) {
            while (p < inside.size() && IsSpace(inside[p]))
                ++p;
            if (p < inside.size() && Lower(inside[p]) == 'a') {
                std::string term;
                while (p < inside.size() && !IsSpace(inside[p]) && inside[p] != '+')
                    term += Lower(inside[p++]);
                if (term != "a0.x")
                    return Error("the index of a constant must be a0.x, not \"" + term + "\"");
                if (reg.relative)
                    return Error("a0.x given twice in \"" + text + "\"");
                reg.relative = true;
            } else if (p < inside.size() && IsDigit(inside[p])) {
                uint32_t n = 0;
                size_t digits = 0;
                while (p < inside.size() && IsDigit(inside[p])) {
                    if (++digits > 5)
                        return Error("register number too large in \"" + text + "\"");
                    n = n * 10 + uint32_t(inside[p++] - '0');
                }
                // Offsets add up: c[BASE + 1] with BASE a macro.
                reg.number += n;
                if (reg.number > kMaxRegisterNumber)
                    return Error("register number too large in \"" + text + "\"");
            } else {
                return Error("bad constant index in \"" + text + "\"");
            }
            while (p < inside.size() && IsSpace(inside[p]))
                ++p;
            if (p == inside.size())
                break;
            if (inside[p] != '+')
                return Error("bad constant index in \"" + text + "\"");
            ++p;
        }
        at = close + 1;
        reg.type = kConst;
        reg.text = text.substr(start, at - start);
        return true;
    }

    bool haveDigits = false;
    uint32_t number = 0;
    size_t digits = 0;
    while (at < text.size() && IsDigit(text[at])) {
        if (++digits > 5)
            return Error("register number too large in \"" + text + "\"");
        number = number * 10 + uint32_t(text[at++] - '0');
        haveDigits = true;
    }
    reg.text = text.substr(start, at - start);
    reg.number = number;

    bool known = true, numbered = true;
    if (m_pixel) {
        if (letters == "r") reg.type = kTemp;
        else if (letters == "v") reg.type = kInput;
        else if (letters == "c") reg.type = kConst;
        else if (letters == "t") reg.type = kTexture;
        else known = false;
    } else {
        if (letters == "r") reg.type = kTemp;
        else if (letters == "v") reg.type = kInput;
        else if (letters == "c") reg.type = kConst;
        else if (letters == "a") { reg.type = kAddr; reg.addr = true; }
        else if (letters == "od") reg.type = kAttrOut;
        else if (letters == "ot") reg.type = kTexCrdOut;
        else if (letters == "opos" || letters == "ofog" || letters == "opts") {
            reg.type = kRastOut;
            reg.rastOut = true;
            reg.number = letters == "opos" ? 0 : letters == "ofog" ? 1 : 2;
            numbered = false;
        } else known = false;
    }
    if (!known)
        return Error("unknown register \"" + reg.text + "\"");
    if (numbered && !haveDigits)
        return Error("register number missing in \"" + reg.text + "\"");
    if (!numbered && haveDigits)
        return Error("unknown register \"" + reg.text + "\"");
    return true;
}

bool Assembly::ParseDest(const std::string& text, Operand& op)
{
    size_t at = 0;
    if (!text.empty() && (text[0] == '-' || text[0] == '1'))
        return Error("a destination takes no source modifier: \"" + text + "\"");
    if (!ParseRegister(text, at, op.reg))
        return false;
    if (at < text.size() && text[at] == '.') {
        ++at;
        uint32_t mask = 0;
        int last = -1;
        const size_t begin = at;
        while (at < text.size() && IsAlpha(text[at])) {
            const int c = Component(text[at]);
            if (c < 0 || c <= last)
                return Error("invalid write mask \"." + text.substr(begin) + "\"");
            mask |= 1u << c;
            last = c;
            ++at;
        }
        if (mask == 0)
            return Error("empty write mask in \"" + text + "\"");
        op.mask = mask;
        op.hasMask = true;
    }
    if (at != text.size())
        return Error("unexpected \"" + text.substr(at) + "\" after destination \"" + op.reg.text + "\"");
    return true;
}

bool Assembly::ParseSource(const std::string& text, Operand& op)
{
    size_t at = 0;
    bool neg = false, comp = false;
    if (at < text.size() && text[at] == '-') {
        neg = true;
        ++at;
        while (at < text.size() && IsSpace(text[at]))
            ++at;
    }
    if (at < text.size() && text[at] == '1') {
        size_t p = at + 1;
        while (p < text.size() && IsSpace(text[p]))
            ++p;
        if (p < text.size() && text[p] == '-') {
            comp = true;
            at = p + 1;
            while (at < text.size() && IsSpace(text[at]))
                ++at;
        }
    }
    if (neg && comp)
        return Error("\"-\" and \"1-\" cannot be combined: \"" + text + "\"");
    if (!ParseRegister(text, at, op.reg))
        return false;

    uint32_t suffix = kModNone;
    bool haveSuffix = false;
    while (at < text.size()) {
        if (text[at] == '_') {
            size_t begin = ++at;
            while (at < text.size() && (IsAlpha(text[at]) || IsDigit(text[at])))
                ++at;
            const std::string m = LowerCase(text.substr(begin, at - begin));
            if (haveSuffix)
                return Error("more than one source modifier in \"" + text + "\"");
            if (m == "bias") suffix = kModBias;
            else if (m == "bx2") suffix = kModSign;
            else if (m == "x2") suffix = kModX2;
            else if (m == "dz" || m == "db") suffix = kModDz;
            else if (m == "dw" || m == "da") suffix = kModDw;
            else return Error("unknown source modifier \"_" + m + "\"");
            haveSuffix = true;
        } else if (text[at] == '.') {
            if (op.hasSwizzle)
                return Error("more than one swizzle in \"" + text + "\"");
            size_t begin = ++at;
            int comps[4];
            int n = 0;
            while (at < text.size() && IsAlpha(text[at])) {
                const int c = Component(text[at]);
                if (c < 0 || n == 4)
                    return Error("invalid swizzle \"." + text.substr(begin) + "\"");
                comps[n++] = c;
                ++at;
            }
            if (n == 0)
                return Error("empty swizzle in \"" + text + "\"");
            for (int i = n; i < 4; ++i)
                comps[i] = comps[n - 1];
            op.swizzle = uint8_t(comps[0] | comps[1] << 2 | comps[2] << 4 | comps[3] << 6);
            op.hasSwizzle = true;
        } else {
            return Error("unexpected \"" + text.substr(at) + "\" in source \"" + text + "\"");
        }
    }

    if (comp) {
        if (haveSuffix)
            return Error("\"1-\" cannot be combined with another modifier: \"" + text + "\"");
        op.mod = kModComp;
    } else if (neg) {
        switch (suffix) {
        case kModNone: op.mod = kModNeg; break;
        case kModBias: op.mod = kModBiasNeg; break;
        case kModSign: op.mod = kModSignNeg; break;
        case kModX2: op.mod = kModX2Neg; break;
        default: return Error("\"-\" cannot be combined with _dz or _dw: \"" + text + "\"");
        }
    } else {
        op.mod = suffix;
    }
    return true;
}

// A decimal number with an optional sign, fraction, exponent and 'f'.
bool Assembly::ParseFloat(const std::string& text, uint32_t& bits)
{
    size_t i = 0;
    std::string clean;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        clean += text[i++];
    size_t mantissa = 0;
    while (i < text.size() && IsDigit(text[i])) { clean += text[i++]; ++mantissa; }
    if (i < text.size() && text[i] == '.') {
        clean += text[i++];
        while (i < text.size() && IsDigit(text[i])) { clean += text[i++]; ++mantissa; }
    }
    if (mantissa == 0)
        return Error("number expected, not \"" + text + "\"");
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        clean += text[i++];
        if (i < text.size() && (text[i] == '-' || text[i] == '+'))
            clean += text[i++];
        size_t exp = 0;
        while (i < text.size() && IsDigit(text[i])) { clean += text[i++]; ++exp; }
        if (exp == 0)
            return Error("number expected, not \"" + text + "\"");
    }
    if (i < text.size() && (text[i] == 'f' || text[i] == 'F'))
        ++i;
    if (i != text.size())
        return Error("number expected, not \"" + text + "\"");
    const float f = std::strtof(clean.c_str(), nullptr);
    if (!std::isfinite(f))
        return Error("number out of range: \"" + text + "\"");
    std::memcpy(&bits, &f, 4);
    return true;
}

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

void Assembly::Line(uint32_t file, uint32_t number, const std::string& raw)
{
    m_file = file;
    m_line = number;
    std::string text = Trim(raw);
    if (text.empty() || m_abandoned)
        return;
    for (char c : text)
        if (uint8_t(c) < 0x20 && !IsSpace(c)) {
            Error("unexpected control character");
            return;
        } else if (uint8_t(c) >= 0x80) {
            Error("unexpected non-ASCII character outside a comment");
            return;
        }

    bool coissue = false;
    if (text[0] == '+') {
        coissue = true;
        text = Trim(text.substr(1));
    }
    size_t end = 0;
    while (end < text.size() && (IsAlpha(text[end]) || IsDigit(text[end]) || text[end] == '_' ||
                                 text[end] == '.'))
        ++end;
    const std::string word = text.substr(0, end);
    if (word.empty()) {
        Error("instruction expected, not \"" + text + "\"");
        return;
    }
    std::string rest = text.substr(end);
    if (!rest.empty() && !IsSpace(rest[0])) {
        Error("unexpected \"" + rest + "\" after \"" + word + "\"");
        return;
    }
    rest = Trim(rest);

    if (!m_haveVersion) {
        // Later lines would only repeat that the version is missing.
        m_abandoned = true;
        if (coissue)
            Error("shader version (vs.1.1, ps.1.4 ...) expected before \"+\"");
        else if (!rest.empty() && IsVersionWord(word))
            Error("unexpected \"" + rest + "\" after the version");
        else if (ParseVersion(word))
            m_abandoned = false;
        return;
    }

    std::vector<std::string> operands;
    if (!rest.empty()) {
        size_t from = 0;
        for (;;) {
            const size_t comma = rest.find(',', from);
            const std::string op = Trim(rest.substr(from, comma == std::string::npos ? std::string::npos : comma - from));
            if (op.empty()) {
                Error("missing operand after \"" + word + "\"");
                return;
            }
            operands.push_back(op);
            if (comma == std::string::npos)
                break;
            from = comma + 1;
        }
    }

    const std::string name = LowerCase(word);
    if (name == "def") {
        if (coissue) {
            Error("def cannot be co-issued");
            return;
        }
        Def(operands, number);
        return;
    }
    if (name == "phase") {
        Phase(coissue, operands);
        return;
    }
    if (IsVersionWord(name)) {
        Error("the shader version is given twice");
        return;
    }
    Instruction(name, coissue, operands);
}

bool Assembly::Def(const std::vector<std::string>& operands, uint32_t line)
{
    if (operands.size() != 5)
        return Error("def takes a constant register and four numbers");
    Operand d;
    if (!ParseDest(operands[0], d))
        return false;
    if (d.reg.type != kConst || d.reg.relative || d.hasMask || d.reg.addr || d.reg.rastOut)
        return Error("def needs a constant register c#, not \"" + operands[0] + "\"");
    if (!CheckRegisterRange(d.reg))
        return false;
    uint32_t values[4];
    for (int i = 0; i < 4; ++i)
        if (!ParseFloat(operands[size_t(i) + 1], values[i]))
            return false;
    if (m_pixel) {
        if (m_validate && m_anyInstruction)
            return Error("def must come before the first instruction");
        Emit(line, {kOpDef, DestToken(d, 0, false), values[0], values[1], values[2], values[3]});
    } else {
        // Vertex shaders take their constants through the declaration.
        m_statements.push_back({line, uint32_t(m_constants.size()), 5, true, m_file});
        m_constants.insert(m_constants.end(),
                           {0x80000000u | 1u << 25 | d.reg.number, values[0], values[1], values[2], values[3]});
    }
    return true;
}

bool Assembly::Phase(bool coissue, const std::vector<std::string>& operands)
{
    if (m_version != PS14)
        return Error(std::string("phase is only available in ps.1.4, not in ") + VersionName(m_version));
    if (coissue)
        return Error("phase cannot be co-issued");
    if (!operands.empty())
        return Error("phase takes no operands");
    if (m_phaseSeen)
        return Error("phase given twice");
    m_phaseSeen = true;
    m_arithInPhase = false;
    m_texCount = m_arithCount = 0;
    m_lastWasArith = false;
    m_anyInstruction = true;
    Emit(m_line, {d3dx::kShaderPhaseToken});
    return true;
}

bool Assembly::Instruction(const std::string& word, bool coissue, const std::vector<std::string>& operands)
{
    // Split "name_mod_mod".
    std::vector<std::string> mods;
    std::string name = word;
    const size_t underscore = word.find('_');
    if (underscore != std::string::npos) {
        name = word.substr(0, underscore);
        size_t from = underscore + 1;
        for (;;) {
            const size_t next = word.find('_', from);
            mods.push_back(word.substr(from, next == std::string::npos ? std::string::npos : next - from));
            if (next == std::string::npos)
                break;
            from = next + 1;
        }
    }
    bool otherVersion = false;
    const OpInfo* op = FindOp(name, m_version, otherVersion);
    if (!op) {
        if (otherVersion)
            return Error("\"" + name + "\" is not available in " + VersionName(m_version));
        return Error("unknown instruction \"" + name + "\"");
    }
    const size_t want = (op->dest ? 1u : 0u) + op->sources;
    if (operands.size() != want) {
        char text[96];
        std::snprintf(text, sizeof text, "\"%s\" takes %u operand%s, not %u", op->name, unsigned(want),
                      want == 1 ? "" : "s", unsigned(operands.size()));
        return Error(text);
    }

    // Instruction modifiers: a result shift and saturation.
    uint32_t shift = 0;
    bool sat = false, haveShift = false;
    for (const std::string& m : mods) {
        uint32_t s = 0;
        if (m == "sat") {
            if (sat)
                return Error("_sat given twice");
            sat = true;
            continue;
        }
        if (m == "x2") s = 1;
        else if (m == "x4") s = 2;
        else if (m == "x8") s = 3;
        else if (m == "d2") s = 0xF;
        else if (m == "d4") s = 0xE;
        else if (m == "d8") s = 0xD;
        else return Error("unknown instruction modifier \"_" + m + "\"");
        if (haveShift)
            return Error("more than one result shift on \"" + word + "\"");
        haveShift = true;
        shift = s;
    }

    Operand dest;
    std::vector<Operand> src(op->sources);
    if (op->dest && !ParseDest(operands[0], dest))
        return false;
    for (size_t i = 0; i < op->sources; ++i)
        if (!ParseSource(operands[i + (op->dest ? 1 : 0)], src[i]))
            return false;
    if (op->dest && !CheckRegisterRange(dest.reg))
        return false;
    for (const Operand& s : src)
        if (!CheckRegisterRange(s.reg))
            return false;

    if (m_pixel) {
        if (!CheckPixel(*op, shift, sat, coissue, dest, src))
            return false;
    } else {
        if (coissue)
            return Error("co-issue (+) is only available in pixel shaders");
        if (!CheckVertex(*op, mods, dest, src))
            return false;
    }

    std::vector<uint32_t> words;
    words.push_back(op->opcode | (coissue ? d3dx::kCoissueBit : 0u));
    if (op->dest)
        words.push_back(DestToken(dest, shift, sat));
    for (const Operand& s : src)
        words.push_back(SourceToken(s));
    Emit(m_line, words);
    m_anyInstruction = true;
    return true;
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
        if (dest.reg.addr && (op.opcode != 1 || (m_validate && dest.mask != 1)))
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
        if (op.opcode == 80 && !v14) {
            const Operand& s = src[0];
            if (s.reg.type != kTemp || s.reg.number != 0 || s.swizzle != kReplicateW || s.mod != kModNone)
                return Error(std::string("cnd in ") + VersionName(m_version) + " needs r0.a as its first source");
        }
        if (op.opcode == 89) {  // bem
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
                const bool eyeConstant = op.opcode == 76 && i == 1;  // texm3x3spec
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
            if (code == 66 || code == 64) {  // texld, texcrd
                if (dest.reg.type != kTemp)
                    return Error(std::string("\"") + op.name + "\" writes r#, not \"" + dest.reg.text + "\"");
                if (code == 66 && dest.mask != 0xF)
                    return Error("texld takes no write mask");
                if (code == 64 && dest.mask != 0xF && dest.mask != 0x7 && dest.mask != 0x3)
                    return Error("texcrd writes .rgba, .rgb or .rg");
                const Operand& s = src[0];
                if (code == 64 && s.reg.type != kTexture)
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
            } else if (code == 65) {  // texkill
                if ((dest.reg.type != kTemp && dest.reg.type != kTexture) || dest.hasMask)
                    return Error("texkill takes r# or t# without a mask");
            } else if (code == 87) {  // texdepth
                if (dest.reg.type != kTemp || dest.reg.number != 5 || dest.hasMask)
                    return Error("texdepth takes r5 without a mask");
                if (!m_phaseSeen && m_firstPhase2OnlyLine == 0) {
                    m_firstPhase2OnlyFile = m_file;
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

}  // namespace

bool CShaderAssembler::Assemble(const char* text, size_t length, uint32_t flags, const std::string& name)
{
    m_tokens.clear();
    m_constants.clear();
    m_statements.clear();
    m_errors.clear();
    if (!m_preprocessor.Run(text, length, name)) {
        m_errors = m_preprocessor.GetErrors();
        return false;
    }
    Assembly a(flags, m_preprocessor, m_tokens, m_constants, m_statements, m_errors);
    for (const CShaderPreprocessor::Line& line : m_preprocessor.GetLines())
        a.Line(line.file, line.line, line.text);
    a.Finish(m_preprocessor.GetLastLine());
    if (a.Failed()) {
        m_tokens.clear();
        m_constants.clear();
        m_statements.clear();
        return false;
    }
    return true;
}
