#pragma once
// The system's special folders and the temporary, Windows and current folders.
#include <string>

// CSIDL values used by the program-menu operations.
const int kProgramsFolder = 2;         // CSIDL_PROGRAMS: the user's program menu
const int kCommonProgramsFolder = 23;  // CSIDL_COMMON_PROGRAMS: shared by all users

// The folder of a CSIDL value through the shell; empty on failure.
std::string GetSpecialFolderPath(int csidl);
// GetTempPathA (with its trailing backslash).
std::string GetTempFolder();
std::string GetWindowsFolder();
// Empty when the current directory cannot be read.
std::string GetCurrentFolder();
