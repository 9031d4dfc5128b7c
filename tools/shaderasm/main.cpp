// shaderasm: assembles a vertex or pixel shader with the framework's own
// assembler and writes or lists the token stream.
#include "ShaderAsmTool.h"

#include <cstdio>

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string out, err;
    const int status = ShaderAsmMain(args, out, err);
    std::fwrite(out.data(), 1, out.size(), stdout);
    std::fwrite(err.data(), 1, err.size(), stderr);
    return status;
}
