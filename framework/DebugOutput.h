#pragma once

// Destinations of the framework's diagnostics: the debug window (a list box
// on a thread of its own) and "log.txt", echoed to the system debugger. Both
// are off until switched on; with both off a line is discarded.

// Writes one finished line to the enabled destinations; not formatted again.
void DebugOutput(const char* text);
// Switches the debug window on and opens it; true when it exists afterwards.
bool ShowDebugWindow();
// Empties the debug window's list; does nothing while the window is off.
void ClearDebugWindow();
// Switches the log file on and creates "log.txt" at once.
void EnableLogFile();
