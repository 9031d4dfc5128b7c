#pragma once
#include <string>
#include <vector>

// Splits a command line at single spaces; an argument that begins with a
// double quote runs to the next quote followed by a space or the end and is
// kept without its quotes. Empty arguments are dropped.
std::vector<std::string> SplitCommandLine(const char* line);
