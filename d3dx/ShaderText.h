#pragma once
// The character classes and trimming the shader preprocessor and assembler
// read their text with (ASCII only: the assembler refuses any other byte, and
// the preprocessor keeps Shift-JIS pairs whole before it looks at a byte).
#include <string>

namespace shader {

inline bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }
inline bool IsDigit(char c) { return c >= '0' && c <= '9'; }
inline bool IsAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
inline char Lower(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

// Without the blanks at either end.
inline std::string Trim(const std::string& s)
{
    size_t b = 0, e = s.size();
    while (b < e && IsSpace(s[b]))
        ++b;
    while (e > b && IsSpace(s[e - 1]))
        --e;
    return s.substr(b, e - b);
}

}  // namespace shader
