#pragma once

#include <string>

// Upper-cases a name in the ANSI code page for comparing names as the file
// system does (Shift-JIS: full-width, Greek and Cyrillic letters too) through
// the system's wide CharUpperBuffW; where that is a stub (Windows 95, 98 and
// ME) the same letters are mapped by the framework's own table. The name goes
// through UTF-16, so two spellings of one character come out as one. False,
// and the name unchanged, when it cannot be converted.
bool UpperCaseName(std::string& name);
