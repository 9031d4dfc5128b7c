#pragma once
// The shaderasm tool without its process: arguments in, standard output and
// standard error texts and the exit status out, so tests can call it.
#include <string>
#include <vector>

// args exclude the program name. Exit status: 0 assembled, 1 bad shader text,
// 2 bad usage or a file that cannot be read or written.
int ShaderAsmMain(const std::vector<std::string>& args, std::string& out, std::string& err);
