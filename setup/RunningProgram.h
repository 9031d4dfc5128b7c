#pragma once
// Starting programs and finding the window of one that runs.
#include "setup/Toolhelp.h"

#include <windows.h>

#include <string>

// Starts the command line in workFolder (the caller's when empty). A line
// that names an existing file as a whole is quoted first, unless it begins
// with a double quote. With wait, returns when the program has ended.
// False for an empty line or when the program cannot be started.
bool LaunchProgram(const std::string& commandLine, const std::string& workFolder, bool wait);

// The executable file name of the process that owns window, copied into
// buffer with lstrcpynA (cut to length - 1 bytes). False when the window
// has no process or the process is not in a snapshot, or the functions are
// missing.
bool GetWindowProgramName(HWND window, char* buffer, int length,
                          CToolhelp& toolhelp = CToolhelp::GetInstance());

// Brings the first visible top-level window of a process whose executable
// has the file name of programPath (byte-exact) to the front: shown normal,
// made the foreground window. The result reads inverted: true when NO window
// was activated; false when one was, or when the process functions are
// missing (then no window is looked at).
bool ActivateRunningProgram(const std::string& programPath,
                            CToolhelp& toolhelp = CToolhelp::GetInstance());
