#include "d3dx/ShaderPreprocessor.h"
#include "d3dx/ShaderText.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <set>

// Macros expand as in C: every token carries the set of macros it came out
// of, and a name is not expanded inside its own expansion (so a macro that
// names itself stops after one step). A call's arguments must close on the
// line of the call, and arguments are expanded before they are put in.

namespace {

using IncludeRequest = CShaderPreprocessor::IncludeRequest;
using IncludeHandler = CShaderPreprocessor::IncludeHandler;
using Line = CShaderPreprocessor::Line;
using File = CShaderPreprocessor::File;

constexpr unsigned kMaxErrors = 50;
constexpr unsigned kMaxExpressionDepth = 64;

using shader::IsDigit;
using shader::IsSpace;
using shader::Trim;

bool IsIdentStart(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }
bool IsIdentChar(char c) { return IsIdentStart(c) || IsDigit(c); }

// A Shift-JIS lead byte followed by a trail byte (0x40-0xFC but 0x7F).
bool IsPair(const std::string& s, size_t i)
{
    if (i + 1 >= s.size())
        return false;
    const unsigned char a = uint8_t(s[i]), b = uint8_t(s[i + 1]);
    return ((a >= 0x81 && a <= 0x9F) || (a >= 0xE0 && a <= 0xFC)) && b >= 0x40 && b <= 0xFC && b != 0x7F;
}

enum Kind : uint8_t { kIdent, kNumber, kPunct, kOther };

// Ids of macros, sorted; shared between the tokens of one expansion. Null
// is the empty set.
using HideSet = std::shared_ptr<const std::vector<uint32_t>>;

struct Token {
    std::string text;
    Kind kind = kOther;
    bool space = false;  // blanks before it
    HideSet hide;        // the macros it came out of
};

bool IsPunct(const Token& t, const char* text) { return t.kind == kPunct && t.text == text; }

void Lex(const std::string& s, std::vector<Token>& out)
{
    static const char* const kTwo[] = {"##", "<<", ">>", "<=", ">=", "==", "!=", "&&", "||"};
    bool space = false;
    for (size_t i = 0; i < s.size();) {
        const char c = s[i];
        if (IsSpace(c)) {
            space = true;
            ++i;
            continue;
        }
        Token t;
        t.space = space;
        space = false;
        size_t end = i + 1;
        if (IsIdentStart(c)) {
            t.kind = kIdent;
            while (end < s.size() && IsIdentChar(s[end]))
                ++end;
        } else if (IsDigit(c) || (c == '.' && i + 1 < s.size() && IsDigit(s[i + 1]))) {
            t.kind = kNumber;  // a C preprocessing number: 1, 0x1F, 0.5f, 1e-3
            while (end < s.size() && (IsIdentChar(s[end]) || s[end] == '.' ||
                                      ((s[end] == '+' || s[end] == '-') && (s[end - 1] | 0x20) == 'e')))
                ++end;
        } else if (c == '"') {
            while (end < s.size() && s[end] != '"')
                end += IsPair(s, end) ? 2 : 1;
            end = std::min(end + 1, s.size());
        } else if (IsPair(s, i)) {
            end = i + 2;
        } else if (uint8_t(c) > 0x20 && uint8_t(c) < 0x7F) {
            t.kind = kPunct;
            for (const char* two : kTwo)
                if (s.compare(i, 2, two) == 0)
                    end = i + 2;
        }
        t.text = s.substr(i, end - i);
        out.push_back(std::move(t));
        i = end;
    }
}

std::string Join(const std::vector<Token>& tokens)
{
    std::string s;
    for (const Token& t : tokens) {
        if (t.space && !s.empty())
            s += ' ';
        s += t.text;
    }
    return s;
}

std::string WhereIn(const std::vector<File>& files, uint32_t file, uint32_t line)
{
    std::string where;
    if (file < files.size() && (file != 0 || !files[0].name.empty()))
        where = files[file].name + ": ";
    return where + "line " + std::to_string(line) + ": ";
}

struct SourceLine {
    uint32_t line;  // of its first character
    std::string text;
};

// Splits a text into logical lines: a backslash at the end of a line joins
// the next one, a comment becomes one blank (a block comment may span lines,
// which then make one), blank lines are left out. False when a block
// comment is not closed; openLine is then its line.
bool SplitLines(const std::string& text, std::vector<SourceLine>& out, uint32_t& openLine)
{
    enum { kCode, kString, kLineComment, kBlockComment } state = kCode;
    uint32_t physical = 1, first = 0;
    std::string current;
    const size_t n = text.size();
    for (size_t i = 0; i < n; ++i) {
        const char c = text[i];
        if (IsPair(text, i)) {  // whole, in comments too: its trail byte may be 0x5C
            if (state == kCode || state == kString) {
                if (!first)
                    first = physical;
                current.append(text, i, 2);
            }
            ++i;
            continue;
        }
        if (c == '\\') {
            size_t j = i + 1;
            if (j < n && text[j] == '\r')
                ++j;
            if (j < n && text[j] == '\n') {
                i = j;
                ++physical;
                continue;
            }
        }
        if (c == '\n') {
            if (state == kLineComment || state == kString)
                state = kCode;
            if (state == kCode) {
                if (first)
                    out.push_back({first, current});
                current.clear();
                first = 0;
            }
            ++physical;
            continue;
        }
        if (state == kLineComment)
            continue;
        if (state == kBlockComment) {
            if (c == '*' && i + 1 < n && text[i + 1] == '/') {
                state = kCode;
                current += ' ';
                ++i;
            }
            continue;
        }
        if (state == kString) {
            current += c;
            if (c == '"')
                state = kCode;
            continue;
        }
        if (c == ';' || (c == '/' && i + 1 < n && text[i + 1] == '/')) {
            state = kLineComment;
            continue;
        }
        if (c == '/' && i + 1 < n && text[i + 1] == '*') {
            state = kBlockComment;
            openLine = physical;
            ++i;
            continue;
        }
        if (c == '"')
            state = kString;
        if (!first && !IsSpace(c))
            first = physical;
        current += c;
    }
    if (first)
        out.push_back({first, current});
    return state != kBlockComment;
}

struct Macro {
    uint32_t id = 0;
    bool function = false;
    std::vector<std::string> params;
    std::vector<Token> body;
};

bool SameMacro(const Macro& a, const Macro& b)
{
    if (a.function != b.function || a.params != b.params || a.body.size() != b.body.size())
        return false;
    for (size_t i = 0; i < a.body.size(); ++i)
        if (a.body[i].text != b.body[i].text || (i > 0 && a.body[i].space != b.body[i].space))
            return false;
    return true;
}

bool Contains(const HideSet& set, uint32_t id) { return set && std::binary_search(set->begin(), set->end(), id); }

HideSet Union(const HideSet& a, const HideSet& b)
{
    if (!a || a == b)
        return b;
    if (!b)
        return a;
    auto r = std::make_shared<std::vector<uint32_t>>();
    std::set_union(a->begin(), a->end(), b->begin(), b->end(), std::back_inserter(*r));
    return r;
}

HideSet Intersection(const HideSet& a, const HideSet& b)
{
    if (!a || !b || a == b)
        return a && b ? a : nullptr;
    auto r = std::make_shared<std::vector<uint32_t>>();
    std::set_intersection(a->begin(), a->end(), b->begin(), b->end(), std::back_inserter(*r));
    return r->empty() ? nullptr : HideSet(r);
}

// An integer expression of #if and #elif, after macro expansion: the C
// operators on 64-bit signed values (wrapping), names that are left count 0.
class Expression {
public:
    explicit Expression(const std::vector<Token>& tokens) : m_t(tokens) {}

    bool Evaluate(int64_t& value, std::string& error)
    {
        if (Comma(value, true) && m_at != m_t.size())
            Fail("unexpected \"" + m_t[m_at].text + "\"");
        error = m_error;
        return m_error.empty();
    }

private:
    const std::vector<Token>& m_t;
    size_t m_at = 0;
    unsigned m_depth = 0;
    std::string m_error;

    bool Fail(const std::string& message)
    {
        if (m_error.empty())
            m_error = message;
        return false;
    }
    bool Is(const char* op) const { return m_at < m_t.size() && IsPunct(m_t[m_at], op); }
    bool Deeper() { return ++m_depth <= kMaxExpressionDepth || Fail("expression nested too deeply"); }

    bool Comma(int64_t& v, bool eval)
    {
        if (!Conditional(v, eval))
            return false;
        while (Is(",")) {
            ++m_at;
            if (!Conditional(v, eval))
                return false;
        }
        return true;
    }

    bool Conditional(int64_t& v, bool eval)
    {
        if (!Binary(v, 1, eval) || !Is("?"))
            return m_error.empty();
        ++m_at;
        int64_t a = 0, b = 0;
        if (!Deeper() || !Comma(a, eval && v != 0))
            return false;
        if (!Is(":"))
            return Fail("\":\" expected after \"?\"");
        ++m_at;
        if (!Conditional(b, eval && v == 0))
            return false;
        --m_depth;
        v = v != 0 ? a : b;
        return true;
    }

    static int Precedence(const Token& t)
    {
        static const char* const kLevels[][4] = {
            {"||"}, {"&&"}, {"|"}, {"^"}, {"&"}, {"==", "!="}, {"<", ">", "<=", ">="}, {"<<", ">>"}, {"+", "-"},
            {"*", "/", "%"}};
        if (t.kind != kPunct)
            return 0;
        for (int level = 0; level < 10; ++level)
            for (const char* op : kLevels[level])
                if (op && t.text == op)
                    return level + 1;
        return 0;
    }

    bool Binary(int64_t& v, int level, bool eval)
    {
        if (level > 10)
            return Unary(v, eval);
        if (!Binary(v, level + 1, eval))
            return false;
        while (m_at < m_t.size() && Precedence(m_t[m_at]) == level) {
            const std::string op = m_t[m_at++].text;
            const bool right = eval && !(op == "&&" && v == 0) && !(op == "||" && v != 0);
            int64_t r = 0;
            if (!Binary(r, level + 1, right) || !Apply(op, v, r, eval))
                return false;
        }
        return true;
    }

    bool Apply(const std::string& op, int64_t& v, int64_t r, bool eval)
    {
        const uint64_t a = uint64_t(v), b = uint64_t(r);
        if (op == "/" || op == "%" || op == "<<" || op == ">>") {
            if (!eval) {
                v = 0;
                return true;
            }
            if (op[0] == '/' || op[0] == '%') {
                if (r == 0)
                    return Fail("division by zero");
                if (r == -1)  // INT64_MIN / -1 overflows
                    v = op[0] == '/' ? int64_t(0 - a) : 0;
                else
                    v = op[0] == '/' ? v / r : v % r;
            } else {
                if (r < 0 || r > 63)
                    return Fail("shift count out of range");
                v = op == "<<" ? int64_t(a << r) : v >> r;
            }
            return true;
        }
        if (op == "*") v = int64_t(a * b);
        else if (op == "+") v = int64_t(a + b);
        else if (op == "-") v = int64_t(a - b);
        else if (op == "<") v = v < r;
        else if (op == ">") v = v > r;
        else if (op == "<=") v = v <= r;
        else if (op == ">=") v = v >= r;
        else if (op == "==") v = v == r;
        else if (op == "!=") v = v != r;
        else if (op == "&") v = v & r;
        else if (op == "^") v = v ^ r;
        else if (op == "|") v = v | r;
        else if (op == "&&") v = v && r;
        else v = v || r;
        return true;
    }

    bool Unary(int64_t& v, bool eval)
    {
        if (Is("+") || Is("-") || Is("~") || Is("!")) {
            const char op = m_t[m_at++].text[0];
            if (!Deeper() || !Unary(v, eval))
                return false;
            --m_depth;
            if (op == '-')
                v = int64_t(0 - uint64_t(v));
            else if (op == '~')
                v = ~v;
            else if (op == '!')
                v = !v;
            return true;
        }
        if (m_at == m_t.size())
            return Fail("the expression ends too early");
        const Token& t = m_t[m_at++];
        if (IsPunct(t, "(")) {
            if (!Deeper() || !Comma(v, eval))
                return false;
            if (!Is(")"))
                return Fail("\")\" expected");
            ++m_at;
            --m_depth;
            return true;
        }
        if (t.kind == kIdent) {
            v = 0;
            return true;
        }
        if (t.kind == kNumber)
            return Number(t.text, v);
        return Fail("unexpected \"" + t.text + "\"");
    }

    // Decimal, octal (0...) or hexadecimal (0x...) with u and l suffixes.
    bool Number(const std::string& s, int64_t& v)
    {
        unsigned base = 10;
        size_t i = 0, digits = 0;
        if (s.size() > 1 && s[0] == '0' && (s[1] | 0x20) == 'x') {
            base = 16;
            i = 2;
        } else if (s[0] == '0') {
            base = 8;
        }
        uint64_t value = 0;
        for (; i < s.size(); ++i, ++digits) {
            const char c = char(s[i] | 0x20);
            const unsigned d = IsDigit(s[i]) ? unsigned(s[i] - '0') : c >= 'a' && c <= 'f' ? unsigned(c - 'a' + 10) : 99;
            if (d >= base)
                break;
            if (value > (UINT64_MAX - d) / base)
                return Fail("the number " + s + " is too large");
            value = value * base + d;
        }
        const std::string suffix = s.substr(i);
        if (digits == 0 || suffix.size() > 3 || suffix.find_first_not_of("uUlL") != std::string::npos)
            return Fail("\"" + s + "\" is not an integer");
        v = int64_t(value);
        return true;
    }
};

// An #if, #ifdef or #ifndef with its #elif and #else groups.
struct Group {
    uint32_t line;
    std::string directive;  // if, ifdef, ifndef
    bool active;            // this group's lines are read
    bool taken;             // a group of this chain was (or may never be) read
    bool sawElse;
};

// One run over a text and the files it includes.
class Preprocessing {
public:
    Preprocessing(const IncludeHandler& include, std::vector<Line>& lines, std::vector<File>& files,
                  std::string& errors)
        : m_include(include), m_lines(lines), m_files(files), m_errors(errors)
    {
    }

    // A macro given before the text; false when it does not parse.
    bool Predefine(const std::string& head, const std::string& body)
    {
        std::vector<Token> t;
        Lex(head, t);
        std::string name;
        Macro m;
        if (ParseHead(t, name, m) != t.size())
            return false;
        Lex(body, m.body);
        if (!CheckBody(name, m))
            return false;
        m.id = ++m_nextId;
        m_macros[name] = std::move(m);
        return true;
    }

    void Run() { RunFile(0, 1); }
    bool Failed() const { return m_errorCount != 0; }

private:
    const IncludeHandler& m_include;
    std::vector<Line>& m_lines;
    std::vector<File>& m_files;
    std::string& m_errors;
    std::map<std::string, Macro> m_macros;
    std::set<std::string> m_once;
    uint32_t m_nextId = 0;
    uint32_t m_file = 0, m_line = 0;
    unsigned m_errorCount = 0, m_includes = 0;
    bool m_fatal = false;
    size_t m_work = 0, m_output = 0;

    bool ErrorAt(uint32_t file, uint32_t line, const std::string& message)
    {
        if (++m_errorCount <= kMaxErrors) {
            m_errors += WhereIn(m_files, file, line) + message + "\n";
        } else if (m_errorCount == kMaxErrors + 1) {
            m_errors += "too many errors\n";
            m_fatal = true;
        }
        return false;
    }
    bool Error(const std::string& message) { return ErrorAt(m_file, m_line, message); }
    bool Fatal(const std::string& message)
    {
        Error(message);
        m_fatal = true;
        return false;
    }

    bool Active(const std::vector<Group>& conditions) const
    {
        return conditions.empty() || conditions.back().active;
    }

    void RunFile(uint32_t file, unsigned depth)
    {
        std::vector<SourceLine> lines;
        uint32_t openLine = 0;
        if (!SplitLines(m_files[file].text, lines, openLine))
            ErrorAt(file, openLine, "unterminated comment");
        std::vector<Group> conditions;
        for (const SourceLine& l : lines) {
            if (m_fatal)
                return;
            m_file = file;
            m_line = l.line;
            const size_t first = l.text.find_first_not_of(" \t\r\v\f");
            if (l.text[first] == '#')
                Directive(l.text.substr(first + 1), conditions, depth);
            else if (Active(conditions))
                Text(l.text);
        }
        if (!m_fatal && !conditions.empty())
            ErrorAt(file, conditions.back().line, "#" + conditions.back().directive + " without #endif");
    }

    void Text(const std::string& text)
    {
        std::vector<Token> tokens;
        Lex(text, tokens);
        std::string out = text;
        for (const Token& t : tokens) {
            if (t.kind == kIdent && m_macros.count(t.text)) {
                std::vector<Token> expanded;
                if (!Expand(tokens, expanded, 0))
                    return;
                out = Join(expanded);
                break;
            }
        }
        if (Trim(out).empty())
            return;
        m_output += out.size();
        if (m_output > CShaderPreprocessor::kMaxOutput) {
            Fatal("the preprocessed text is longer than " + std::to_string(CShaderPreprocessor::kMaxOutput) +
                  " bytes");
            return;
        }
        m_lines.push_back({m_file, m_line, out});
    }

    void Directive(const std::string& rest, std::vector<Group>& conditions, unsigned depth)
    {
        size_t at = 0;
        while (at < rest.size() && IsSpace(rest[at]))
            ++at;
        size_t end = at;
        while (end < rest.size() && IsIdentChar(rest[end]))
            ++end;
        const std::string name = rest.substr(at, end - at), tail = Trim(rest.substr(end));
        std::vector<Token> args;
        Lex(tail, args);
        if (name.empty() && args.empty())
            return;  // "#" alone
        const bool active = Active(conditions);

        if (name == "if" || name == "ifdef" || name == "ifndef") {
            bool value = false;
            if (active)
                value = name == "if" ? Evaluate(args, "#if") : IsDefined(args, name);
            conditions.push_back({m_line, name, value, value || !active, false});
            return;
        }
        if (name == "elif" || name == "else" || name == "endif") {
            if (conditions.empty()) {
                Error("#" + name + " without #if");
                return;
            }
            Group& c = conditions.back();
            if (name != "elif" && !args.empty())
                Error("unexpected \"" + tail + "\" after #" + name);
            if (name == "endif") {
                conditions.pop_back();
            } else if (c.sawElse) {
                Error("#" + name + " after #else");
            } else if (name == "else") {
                c.sawElse = true;
                c.active = !c.taken;
                c.taken = true;
            } else {
                c.active = !c.taken && Evaluate(args, "#elif");
                c.taken = c.taken || c.active;
            }
            return;
        }
        if (!active)
            return;  // skipped text: only the conditions are followed
        if (name == "define") {
            Macro m;
            std::string macro;
            const size_t body = ParseHead(args, macro, m);
            if (body == std::string::npos)
                return;
            m.body.assign(args.begin() + std::ptrdiff_t(body), args.end());
            if (!m.body.empty())
                m.body[0].space = false;
            if (!CheckBody(macro, m))
                return;
            auto found = m_macros.find(macro);
            if (found != m_macros.end()) {
                if (!SameMacro(found->second, m))
                    Error("macro \"" + macro + "\" is defined already, differently; #undef it first");
                return;
            }
            m.id = ++m_nextId;
            m_macros[macro] = std::move(m);
        } else if (name == "undef") {
            if (args.size() != 1 || args[0].kind != kIdent)
                Error("#undef takes one macro name");
            else
                m_macros.erase(args[0].text);
        } else if (name == "include") {
            Include(tail, depth);
        } else if (name == "error") {
            Error("#error " + tail);
        } else if (name == "pragma") {
            if (args.size() == 1 && args[0].text == "once" && !m_files[m_file].name.empty())
                m_once.insert(m_files[m_file].name);
        } else {
            Error("unknown directive \"#" + (name.empty() ? args[0].text : name) + "\"");
        }
    }

    bool IsDefined(const std::vector<Token>& args, const std::string& directive)
    {
        if (args.size() != 1 || args[0].kind != kIdent)
            return Error("#" + directive + " takes one macro name");
        return (m_macros.count(args[0].text) != 0) == (directive == "ifdef");
    }

    bool Evaluate(const std::vector<Token>& args, const std::string& directive)
    {
        // "defined NAME" and "defined(NAME)" first, so that NAME is not expanded.
        std::vector<Token> t;
        for (size_t i = 0; i < args.size(); ++i) {
            if (args[i].kind != kIdent || args[i].text != "defined") {
                t.push_back(args[i]);
                continue;
            }
            const bool paren = i + 1 < args.size() && IsPunct(args[i + 1], "(");
            const size_t nameAt = i + (paren ? 2 : 1);
            if (nameAt >= args.size() || args[nameAt].kind != kIdent ||
                (paren && (nameAt + 1 >= args.size() || !IsPunct(args[nameAt + 1], ")"))))
                return Error("\"defined\" takes a macro name in " + directive);
            Token value;
            value.kind = kNumber;
            value.space = args[i].space;
            value.text = m_macros.count(args[nameAt].text) ? "1" : "0";
            t.push_back(value);
            i = nameAt + (paren ? 1 : 0);
        }
        std::vector<Token> expanded;
        if (!Expand(t, expanded, 0))
            return false;
        if (expanded.empty())
            return Error(directive + " without an expression");
        int64_t value = 0;
        std::string error;
        if (!Expression(expanded).Evaluate(value, error))
            return Error(directive + ": " + error);
        return value != 0;
    }

    // "NAME" or "NAME(a, b)": the index of the body's first token, or npos.
    size_t ParseHead(const std::vector<Token>& t, std::string& name, Macro& m)
    {
        if (t.empty() || t[0].kind != kIdent) {
            Error("#define takes a macro name");
            return std::string::npos;
        }
        name = t[0].text;
        if (name == "defined") {
            Error("\"defined\" cannot be defined");
            return std::string::npos;
        }
        size_t i = 1;
        if (i < t.size() && IsPunct(t[i], "(") && !t[i].space) {
            m.function = true;
            if (++i < t.size() && IsPunct(t[i], ")"))
                return i + 1;
            for (;;) {
                if (i >= t.size() || t[i].kind != kIdent)
                    break;
                if (std::find(m.params.begin(), m.params.end(), t[i].text) != m.params.end()) {
                    Error("parameter \"" + t[i].text + "\" given twice in macro \"" + name + "\"");
                    return std::string::npos;
                }
                m.params.push_back(t[i++].text);
                if (i < t.size() && IsPunct(t[i], ")"))
                    return i + 1;
                if (i >= t.size() || !IsPunct(t[i++], ","))
                    break;
            }
            Error("bad parameter list of macro \"" + name + "\"");
            return std::string::npos;
        }
        return i;
    }

    bool CheckBody(const std::string& name, const Macro& m)
    {
        if (!m.body.empty() && (IsPunct(m.body.front(), "##") || IsPunct(m.body.back(), "##")))
            return Error("\"##\" cannot begin or end macro \"" + name + "\"");
        if (m.function)
            for (const Token& t : m.body)
                if (IsPunct(t, "#"))
                    return Error("\"#\" (making a string) is not available in shader text: macro \"" + name + "\"");
        return true;
    }

    void Include(const std::string& operand, unsigned depth)
    {
        std::string s = operand;
        if (!s.empty() && s[0] != '"' && s[0] != '<') {
            std::vector<Token> t, expanded;
            Lex(s, t);
            if (!Expand(t, expanded, 0))
                return;
            s = Trim(Join(expanded));
        }
        if (s.empty() || (s[0] != '"' && s[0] != '<')) {
            Error("#include takes a file name: \"name\" or <name>");
            return;
        }
        const bool system = s[0] == '<';
        const size_t close = s.find(system ? '>' : '"', 1);  // never a trail byte
        if (close == std::string::npos) {
            Error(std::string("missing ") + (system ? ">" : "\"") + " after the file name of #include");
            return;
        }
        const std::string name = s.substr(1, close - 1), after = Trim(s.substr(close + 1));
        if (name.empty() || !after.empty()) {
            Error(name.empty() ? "empty file name in #include" : "unexpected \"" + after + "\" after #include " + s.substr(0, close + 1));
            return;
        }
        if (++m_includes > CShaderPreprocessor::kMaxIncludes) {
            Fatal("more than " + std::to_string(CShaderPreprocessor::kMaxIncludes) + " #include lines followed");
            return;
        }
        if (!m_include) {
            Error("cannot include \"" + name + "\": no include handler was given");
            return;
        }
        std::string resolved, text, why;
        if (!m_include(IncludeRequest{name, system, m_file}, resolved, text, why)) {
            Error("cannot include \"" + name + "\"" + (why.empty() ? "" : ": " + why));
            return;
        }
        const size_t nul = text.find('\0');
        if (nul != std::string::npos)
            text.resize(nul);
        const uint32_t index = uint32_t(m_files.size()), file = m_file, line = m_line;
        m_files.push_back({resolved.empty() ? name : resolved, std::move(text), file, line});
        if (depth >= CShaderPreprocessor::kMaxIncludeDepth) {
            bool cycle = false;
            for (uint32_t f = file;; f = m_files[f].includer) {
                cycle = cycle || m_files[f].name == m_files[index].name;
                if (f == 0)
                    break;
            }
            Fatal("#include nested more than " + std::to_string(CShaderPreprocessor::kMaxIncludeDepth) +
                  " deep" + (cycle ? " (\"" + m_files[index].name + "\" includes itself)" : ""));
            return;
        }
        if (m_once.count(m_files[index].name))
            return;
        RunFile(index, depth + 1);
        m_file = file;
        m_line = line;
    }

    bool Grow(size_t tokens)
    {
        m_work += tokens + 1;
        if (m_work > CShaderPreprocessor::kMaxExpansion)
            return Fatal("macro expansion too long (more than " +
                         std::to_string(CShaderPreprocessor::kMaxExpansion) + " tokens)");
        return true;
    }

    bool Expand(const std::vector<Token>& input, std::vector<Token>& out, unsigned depth)
    {
        if (depth > CShaderPreprocessor::kMaxNesting)
            return Error("macro calls nested more than " + std::to_string(CShaderPreprocessor::kMaxNesting) +
                         " deep in arguments");
        // The tokens still to read, the next one last.
        std::vector<Token> in(input.rbegin(), input.rend());
        while (!in.empty()) {
            if (m_fatal)
                return false;
            if (in.size() + out.size() > CShaderPreprocessor::kMaxLineTokens)
                return Error("the line grows longer than " + std::to_string(CShaderPreprocessor::kMaxLineTokens) +
                             " tokens by macro expansion");
            Token t = std::move(in.back());
            in.pop_back();
            auto found = t.kind == kIdent ? m_macros.find(t.text) : m_macros.end();
            if (found == m_macros.end() ||
                Contains(t.hide, found->second.id)) {
                out.push_back(std::move(t));
                continue;
            }
            const Macro& m = found->second;
            std::vector<std::vector<Token>> args;
            HideSet hide = t.hide;
            if (m.function) {
                if (in.empty() || !IsPunct(in.back(), "(")) {
                    out.push_back(std::move(t));  // the name alone is no call
                    continue;
                }
                in.pop_back();
                args.emplace_back();
                for (int nesting = 0;;) {
                    if (in.empty())
                        return Error("unterminated call of macro \"" + t.text + "\" (a call must end on its line)");
                    Token a = std::move(in.back());
                    in.pop_back();
                    if (IsPunct(a, ")") && nesting == 0) {
                        hide = Intersection(hide, a.hide);
                        break;
                    }
                    if (IsPunct(a, "("))
                        ++nesting;
                    else if (IsPunct(a, ")"))
                        --nesting;
                    if (IsPunct(a, ",") && nesting == 0)
                        args.emplace_back();
                    else
                        args.back().push_back(std::move(a));
                }
                if (m.params.empty() && args.size() == 1 && args[0].empty())
                    args.clear();
                if (args.size() != m.params.size())
                    return Error("macro \"" + t.text + "\" takes " + std::to_string(m.params.size()) + " argument" +
                                 (m.params.size() == 1 ? "" : "s") + ", not " + std::to_string(args.size()));
            }
            hide = Union(hide, std::make_shared<std::vector<uint32_t>>(1, m.id));
            std::vector<Token> body;
            if (!Substitute(m, args, hide, body, depth) || !Grow(body.size()))
                return false;
            if (!body.empty())
                body[0].space = t.space;
            in.insert(in.end(), std::make_move_iterator(body.rbegin()), std::make_move_iterator(body.rend()));
        }
        return true;
    }

    // The body with the arguments put in and pasted, every token marked
    // with hide. An empty argument next to "##" is a placemarker (an empty
    // token) until the pasting is done.
    bool Substitute(const Macro& m, const std::vector<std::vector<Token>>& args, const HideSet& hide,
                    std::vector<Token>& out, unsigned depth)
    {
        auto param = [&](const Token& t) -> const std::vector<Token>* {
            if (t.kind != kIdent)
                return nullptr;
            auto p = std::find(m.params.begin(), m.params.end(), t.text);
            return p == m.params.end() ? nullptr : &args[size_t(p - m.params.begin())];
        };
        auto raw = [&](const Token& t) {
            const std::vector<Token>* arg = param(t);
            return !arg ? std::vector<Token>(1, t) : arg->empty() ? std::vector<Token>(1, Token()) : *arg;
        };
        const std::vector<Token>& body = m.body;
        for (size_t i = 0; i < body.size(); ++i) {
            const Token& t = body[i];
            if (IsPunct(t, "##")) {  // never first or last
                if (!Paste(out, raw(body[++i])))
                    return false;
                continue;
            }
            const std::vector<Token>* arg = param(t);
            if (!arg) {
                out.push_back(t);
                continue;
            }
            const size_t from = out.size();
            if (i + 1 < body.size() && IsPunct(body[i + 1], "##")) {
                const std::vector<Token> operand = raw(t);
                out.insert(out.end(), operand.begin(), operand.end());
            } else if (!Expand(*arg, out, depth + 1) || !Grow(out.size() - from)) {
                return false;
            }
            if (out.size() > from)
                out[from].space = t.space;
        }
        out.erase(std::remove_if(out.begin(), out.end(), [](const Token& t) { return t.text.empty(); }), out.end());
        HideSet before, after;  // the last union made: neighbours mostly share their sets
        for (Token& t : out) {
            if (t.hide != before || !after) {
                before = t.hide;
                after = Union(t.hide, hide);
            }
            t.hide = after;
        }
        return true;
    }

    // Joins the last token of out and the first of right into one token.
    bool Paste(std::vector<Token>& out, const std::vector<Token>& right)
    {
        if (out.empty() || right.empty()) {
            out.insert(out.end(), right.begin(), right.end());
            return true;
        }
        Token& left = out.back();
        if (left.text.empty()) {
            const bool space = left.space;
            left = right[0];
            left.space = space;
        } else if (!right[0].text.empty()) {
            std::vector<Token> joined;
            Lex(left.text + right[0].text, joined);
            if (joined.size() != 1)
                return Error("pasting \"" + left.text + "\" and \"" + right[0].text + "\" does not give one token");
            left.text = joined[0].text;
            left.kind = joined[0].kind;
            left.hide = Intersection(left.hide, right[0].hide);
        }
        out.insert(out.end(), right.begin() + 1, right.end());
        return true;
    }
};

}  // namespace

bool CShaderPreprocessor::Define(const std::string& name, const std::string& body)
{
    std::vector<Line> lines;
    std::vector<File> files;
    std::string errors;
    if (!Preprocessing(m_include, lines, files, errors).Predefine(name, body))
        return false;
    for (auto it = m_predefined.begin(); it != m_predefined.end(); ++it)
        if (it->first == name) {
            m_predefined.erase(it);
            break;
        }
    m_predefined.emplace_back(name, body);
    return true;
}

void CShaderPreprocessor::ClearDefines() { m_predefined.clear(); }

bool CShaderPreprocessor::Run(const char* text, size_t length, const std::string& name)
{
    m_lines.clear();
    m_files.clear();
    m_errors.clear();
    if (!text)
        length = 0;
    const void* nul = length ? std::memchr(text, 0, length) : nullptr;
    if (nul)
        length = size_t(static_cast<const char*>(nul) - text);
    m_files.push_back({name, length ? std::string(text, length) : std::string(), 0, 0});
    m_lastLine = 1 + uint32_t(std::count(m_files[0].text.begin(), m_files[0].text.end(), '\n'));
    Preprocessing run(m_include, m_lines, m_files, m_errors);
    for (const auto& d : m_predefined)
        run.Predefine(d.first, d.second);
    run.Run();
    if (run.Failed()) {
        m_lines.clear();
        return false;
    }
    return true;
}

std::string CShaderPreprocessor::Where(uint32_t file, uint32_t line) const { return WhereIn(m_files, file, line); }
