#pragma once
// Installed product lookup and registration in App Paths / Uninstall, system
// folders, administrator rights and free space.
#include <windows.h>
#undef GetFreeSpace  // a 16-bit leftover macro of <winbase.h>

#include <cstdint>
#include <string>

std::string AppPathsKey(const std::string& product);
std::string UninstallKey(const std::string& product);

// file when it is absolute, else destination + "\" + file collapsed.
std::string FullPathBelow(const std::string& destination, const std::string& file);

// HKLM first, then HKCU; a hit needs both the default value and "Path".
// The outputs are untouched on failure.
bool FindInstalledProduct(const std::string& product, std::string& folder, std::string& program);

// file is absolute, or relative to destination. Root by HasAdminRights.
bool RegisterAppPath(const std::string& destination, const std::string& file,
                     const std::string& product);
bool UnregisterAppPath(const std::string& product);
bool RegisterUninstall(const std::string& destination, const std::string& file,
                       const std::string& displayName, const std::string& product);
bool UnregisterUninstall(const std::string& product);

// Asks the registry once per process.
bool HasAdminRights();
std::string GetProgramFilesPath();
std::string GetDesktopPath();
// Bytes available to the caller on the drive of path; 0 on failure.
uint64_t GetFreeSpace(const std::string& path);
