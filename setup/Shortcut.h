#pragma once
// Shell links (".lnk") on the desktop and in the program menu, and the
// program menu's folders. The desktop and program-menu shortcuts of an
// installation are made by the engine (CInstallEngine::CreateDesktopShortcut,
// CreateProgramsShortcut), which resolves relative targets.
#include <string>

// Saves a shell link at shortcutPath (its folders made as needed) to target,
// with the target's folder as working folder and the target's first icon.
// True when the link was saved.
bool CreateShortcut(const std::string& shortcutPath, const std::string& target);

// Desktop folder + "\" + name + ".lnk"; empty when the desktop is unknown.
std::string DesktopShortcutPath(const std::string& name);
// The user's program menu + "\" + name + ".lnk" (name may hold subfolders);
// empty when the program menu is unknown.
std::string ProgramsShortcutPath(const std::string& name);

bool DeleteDesktopShortcut(const std::string& name);
bool DeleteProgramsShortcut(const std::string& name);
// Makes the subfolder chain below the user's program menu.
bool CreateProgramsFolder(const std::string& subfolder);
// Removes the (empty) subfolder below the user's and the shared program
// menu; failures are ignored.
bool RemoveProgramsFolder(const std::string& subfolder);
