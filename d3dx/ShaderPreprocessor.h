#pragma once
// The C preprocessor in front of the shader assembler. Lines joined after a
// backslash, comments (";", "//", "/* */") removed, then the directives:
// #define with and without parameters ("##" pastes), #undef, #include
// through a handler the caller gives, #if/#ifdef/#ifndef/#elif/#else/#endif
// with 64-bit integer expressions and defined, #error, #pragma once. Every
// scan is Shift-JIS aware. Each line of the result keeps the file and line
// it came from, so errors name where they are. Pure: no Windows header.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

class CShaderPreprocessor {
public:
    // Guards against recursion and unbounded growth.
    static constexpr unsigned kMaxIncludeDepth = 16;   // files open at once, the main text included
    static constexpr unsigned kMaxIncludes = 256;      // #include lines followed in one run
    static constexpr unsigned kMaxNesting = 32;        // macro calls inside macro arguments
    static constexpr size_t kMaxLineTokens = 8192;     // tokens of one line while it expands
    static constexpr size_t kMaxExpansion = 1 << 18;   // tokens all expansions of a run may make
    static constexpr size_t kMaxOutput = 1 << 20;      // bytes of the result

    // A text that took part: the main text is file 0, every #include that
    // the handler answered adds one.
    struct File {
        std::string name;      // as messages name it; empty for an unnamed main text
        std::string text;      // up to its first NUL byte
        uint32_t includer;     // the file whose #include brought it in
        uint32_t includeLine;  // and the line of that #include; 0 for the main text
    };
    // One line of the result: not empty, comments removed, macros expanded.
    struct Line {
        uint32_t file;  // index into GetFiles()
        uint32_t line;  // 1-based line of its first character in that file
        std::string text;
    };
    struct IncludeRequest {
        std::string name;   // as written between "" or <>
        bool system;        // written <name>
        uint32_t includer;  // index into GetFiles() of the file that asks
    };
    // Gives the text of an included file and the name it is known by (in
    // messages, and to the handler when that file includes others); or
    // returns false, with why the file cannot be had (may stay empty).
    using IncludeHandler =
        std::function<bool(const IncludeRequest& request, std::string& name, std::string& text, std::string& why)>;

    // Without a handler every #include fails.
    void SetIncludeHandler(IncludeHandler handler) { m_include = std::move(handler); }
    // A macro defined before every text, as by #define: name is "NAME" or
    // "NAME(a, b)". False (and nothing defined) when it does not parse.
    bool Define(const std::string& name, const std::string& body);
    void ClearDefines();

    // Preprocesses length bytes (a NUL byte ends the text early; a null text
    // is empty). False for bad input, with GetErrors() naming each fault as
    // Where() + what, one per line; GetLines() is then empty.
    bool Run(const char* text, size_t length, const std::string& name = std::string());

    const std::vector<Line>& GetLines() const { return m_lines; }
    const std::vector<File>& GetFiles() const { return m_files; }
    const std::string& GetErrors() const { return m_errors; }
    // The number of lines of the main text.
    uint32_t GetLastLine() const { return m_lastLine; }
    // "line N: " in an unnamed main text, else "NAME: line N: ".
    std::string Where(uint32_t file, uint32_t line) const;

private:
    IncludeHandler m_include;
    std::vector<std::pair<std::string, std::string>> m_predefined;  // name, body
    std::vector<Line> m_lines;
    std::vector<File> m_files;
    std::string m_errors;
    uint32_t m_lastLine = 0;
};
