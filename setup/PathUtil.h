#pragma once
// Path and folder helpers of the install toolkit (Win32 side); the pure
// string scanning lives in SjisString.h and is re-exported here.
#include "setup/SjisString.h"

#include <windows.h>

#include <string>

// Absolute paths are normalised and collapsed; relative ones are resolved
// against the current directory (GetFullPathNameA, 260 bytes).
std::string MakeFullPath(const std::string& path);
std::string GetModulePath();
// The program's folder without a trailing backslash.
std::string GetModuleFolder();
bool SetCurrentFolder(const std::string& path);
// One folder; its parent must exist. An empty path gives false.
bool CreateFolder(const std::string& path);
// Creates every missing folder on the way; false when the folder itself
// already existed.
bool MakeFolderChain(const std::string& folder);
// wvsprintfA into 4,096 bytes; one trailing newline removed.
std::string FormatText(const char* format, ...);
