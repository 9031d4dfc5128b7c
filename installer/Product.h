#pragma once
#include <string>
#include <vector>

// Helpers of the update flow: the program's own path, the game's App Paths
// registration and the listing of a source folder.
namespace installer {

std::string GetModulePath();
// The program's folder, without a trailing backslash.
std::string GetModuleFolder();
// Backslashes to forward slashes; the second byte of a double-byte character
// is left alone.
std::string ToForwardSlashes(const std::string& path);
// App Paths of product + ".exe", machine key first, then the user's: the
// "Path" value as folder and the default value as program.
bool FindInstalledProduct(const std::string& product, std::string* folder, std::string* program);
// The registered program: the default value when absolute, else joined to
// the folder.
std::string RegisteredProgramPath(const std::string& folder, const std::string& program);
// Every file below folder (all subfolders), as paths relative to it.
std::vector<std::string> ListFilesBelow(const std::string& folder);

}  // namespace installer
