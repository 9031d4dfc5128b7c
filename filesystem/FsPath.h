#pragma once
#include <string>

// Shift-JIS aware path scanning used by the file system (a lead byte
// 0x81-0x9F or 0xE0-0xFC and the byte after it form one character).
namespace fspath {
bool IsLeadByte(unsigned char c);
std::string ToLowerAscii(const std::string& s);
std::string NormalizeSlashes(const std::string& s);
std::string ToForwardSlashes(const std::string& s);
std::string CollapseBackslashes(const std::string& s);
// The path without its last component; unchanged when it has none.
std::string ParentFolder(const std::string& path);
bool IsAbsolutePath(const std::string& path);
// Folder (no trailing backslash) and file part.
void SplitPath(const std::string& path, std::string& folder, std::string& file);
// Base name and extension (without its dot) of a file name or path.
void SplitFileName(const std::string& path, std::string& name, std::string& ext);
// The single-file pack for a file path: F\B + decimal extension bytes + ".pak".
std::string SinglePackPath(const std::string& path);
}
