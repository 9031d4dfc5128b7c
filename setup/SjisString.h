#pragma once
// Shift-JIS aware byte-string helpers. Pure: no system calls.
// A byte 0x81-0x9F or 0xE0-0xFC starts a double-byte character; the byte after
// it is never examined or changed, so its 0x5C or 0x2F is never a separator.
#include <cstdint>
#include <string>
#include <vector>

bool IsSjisLeadByte(unsigned char c);

std::string ToLowerAscii(const std::string& s);
std::string ToUpperAscii(const std::string& s);
// Every "/" to "\" / every "\" to "/".
std::string NormalizeSlashes(const std::string& s);
std::string ToForwardSlashes(const std::string& s);
// Shortens runs of backslashes to one; a leading pair (network path) stays.
std::string CollapseBackslashes(const std::string& s);
// NormalizeSlashes, then CollapseBackslashes.
std::string CleanPath(const std::string& s);
std::string RemoveSpaces(const std::string& s);
std::string RemoveTabs(const std::string& s);
std::string RemoveCarriageReturns(const std::string& s);

// The path without its last component (normalised and collapsed first).
std::string ParentFolder(const std::string& path);
// Two leading backslashes, or a colon anywhere outside double-byte characters.
bool IsAbsolutePath(const std::string& path);
// The part of full below base (byte-exact prefix), or empty.
std::string RelativePath(const std::string& full, const std::string& base);

// Index of the last "\" or "/" that is a character of its own; npos if none.
size_t FindLastSeparator(const std::string& s);
// True when the last character (not merely the last byte) is a backslash.
bool EndsWithBackslash(const std::string& s);
// Appends one backslash unless there is one already; an empty string stays empty.
std::string AddTrailingBackslash(const std::string& s);
// Removes one trailing backslash.
std::string RemoveTrailingBackslash(const std::string& s);
// The root a free-space query asks about: "D:\" for a path on drive D,
// "\\server\share\" for a network path, empty for a relative path.
std::string DriveRoot(const std::string& path);

// The components between "\" and "/" characters, empty ones included:
// "a\\ソ/b" gives "a", "", "ソ", "b"; an empty string gives none.
std::vector<std::string> SplitComponents(const std::string& path);
// A relative name with "." and empty components dropped and each ".." taking
// the component before it away; separators become "\", a leading and a
// trailing one stay. False (resolved left empty) when a ".." would climb
// above the folder the name starts in, or a component is three dots or more.
bool ResolveRelativePath(const std::string& path, std::string& resolved);

// Standard drive / directory / name / extension splitting (extension keeps its
// dot), Shift-JIS aware. Slashes of both kinds separate.
void SplitPathParts(const std::string& path, std::string& drive, std::string& dir,
                    std::string& name, std::string& ext);
// Folder (drive + directory, one trailing backslash removed unless it is all
// backslashes) and file (name + extension); the path is normalised first.
void SplitPath(const std::string& path, std::string& folder, std::string& file);
// Name and extension without its dot.
void SplitFileName(const std::string& path, std::string& name, std::string& ext);

std::string FormatInt(int value);
std::string FormatFloat(float value);
