#pragma once
// Breaking a line of Shift-JIS text into rows of a text box.
#include <functional>
#include <string>
#include <vector>

// Width of one character (its one or two bytes) in the box's font.
typedef std::function<int(const char* bytes, size_t count)> CharWidth;

// The rows of text no wider than maxWidth, broken between characters (a
// double-byte character is never split). The two bytes "\n" force a break. A
// closing mark ("、", "。", "」", "！", ...) that would begin a row stays at
// the end of the row before, even when that makes the row wider. A single
// character wider than the box gets a row of its own.
std::vector<std::string> WrapText(const std::string& text, int maxWidth, const CharWidth& widthOf);
