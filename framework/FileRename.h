#pragma once

// Renames of files and folders on every Windows the program runs on. Both
// return false with the system's error in GetLastError.
//
// MoveFileExA does the work; where it is not implemented (it answers
// ERROR_CALL_NOT_IMPLEMENTED on Windows 95, 98 and ME) MoveFileA takes over.

// Gives from the name to; fails when something already has that name.
bool RenameFile(const char* from, const char* to);

// Gives the file from the name to, replacing the file there (not a folder,
// not a read-only file). Where the system cannot replace in one call, the old
// file is first renamed aside ("to.~PID.old"), put back when the second
// rename fails and deleted when it succeeds (a copy aside that cannot be
// deleted stays). A file held open without delete sharing is not replaced.
bool RenameFileOver(const char* from, const char* to);
