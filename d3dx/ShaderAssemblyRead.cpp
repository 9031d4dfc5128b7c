// Reading the statements: the version, registers, operands with their
// masks, swizzles and modifiers, numbers, and the statements themselves.
//
// Text form, after the preprocessor has removed comments and directives: one
// statement per line. The first statement is the version ("vs.1.1",
// "ps.1.4"; "vs_1_1" is accepted too); then "def c#, f, f, f, f", "phase"
// (ps.1.4) and instructions "[+]name[_modifier...] operand, ...". Any
// non-ASCII byte left is an error.
#include "d3dx/ShaderAssembly.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace shader {

namespace {

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

// "vs.1.1" or "vs_1_1" (any digits).
bool IsVersionWord(const std::string& word)
{
    const std::string v = LowerCase(word);
    return v.size() == 6 && (v[0] == 'v' || v[0] == 'p') && v[1] == 's' && (v[2] == '.' || v[2] == '_') &&
           v[4] == v[2] && IsDigit(v[3]) && IsDigit(v[5]);
}

}  // namespace

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

}  // namespace shader
