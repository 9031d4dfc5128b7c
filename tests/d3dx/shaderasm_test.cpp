// The shaderasm tool: listing, token file, error text with line numbers, exit
// statuses. Files are made in the working directory (the build folder).
#include "ShaderAsmTool.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

namespace {

void WriteText(const std::string& path, const std::string& text)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(nullptr, f) << path;
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
}

std::string ReadBytes(const std::string& path)
{
    std::string data;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return "(missing)";
    int c;
    while ((c = std::fgetc(f)) != EOF)
        data += char(c);
    std::fclose(f);
    return data;
}

struct ToolRun {
    int status;
    std::string out, err;
};

ToolRun Tool(const std::vector<std::string>& args)
{
    ToolRun r;
    r.status = ShaderAsmMain(args, r.out, r.err);
    return r;
}

}  // namespace

TEST(ShaderAsmTool, ListsOneStatementPerLine)
{
    WriteText("shaderasm_list.psh", "ps.1.4 ; colour\r\ndef c0, 1, 0.5, 0, 1\n\ntexld r0, t0\nmul r0, r0, c0\n");
    const ToolRun r = Tool({"shaderasm_list.psh"});
    EXPECT_EQ(0, r.status) << r.err;
    EXPECT_EQ("", r.err);
    EXPECT_EQ("ffff0104                                              ; ps.1.4 ; colour\n"
              "00000051 a00f0000 3f800000 3f000000 00000000 3f800000 ; def c0, 1, 0.5, 0, 1\n"
              "00000042 800f0000 b0e40000                            ; texld r0, t0\n"
              "00000005 800f0000 80e40000 a0e40000                   ; mul r0, r0, c0\n"
              "0000ffff\n",
              r.out);
}

TEST(ShaderAsmTool, VertexShaderDefsAreListedAsTheDeclarationFragment)
{
    WriteText("shaderasm_def.vsh", "vs.1.1\ndef c4, 1, 0, 0, 1\nm4x4 oPos, v0, c0\n");
    ToolRun r = Tool({"shaderasm_def.vsh"});
    EXPECT_EQ(0, r.status);
    EXPECT_EQ("fffe0101                            ; vs.1.1\n"
              "00000014 c00f0000 90e40000 a0e40000 ; m4x4 oPos, v0, c0\n"
              "0000ffff\n"
              "; constants: vertex shader declaration fragment\n"
              "82000004 3f800000 00000000 00000000 3f800000 ; def c4, 1, 0, 0, 1\n",
              r.out);
    r = Tool({"-o", "shaderasm_def.bin", "shaderasm_def.vsh"});
    EXPECT_EQ(0, r.status);
    EXPECT_EQ("shaderasm_def.vsh: note: the defs of a vertex shader are not in shaderasm_def.bin; "
              "the listing shows their declaration fragment\n", r.err);
}

TEST(ShaderAsmTool, WritesLittleEndianWords)
{
    WriteText("shaderasm_out.vsh", "vs.1.1\nmov oPos, v0\n");
    std::remove("shaderasm_out.bin");
    const ToolRun r = Tool({"shaderasm_out.vsh", "-o", "shaderasm_out.bin"});
    EXPECT_EQ(0, r.status) << r.err;
    EXPECT_EQ("", r.out);
    EXPECT_EQ("", r.err);
    EXPECT_EQ(std::string("\x01\x01\xfe\xff\x01\x00\x00\x00\x00\x00\x0f\xc0\x00\x00\xe4\x90\xff\xff\x00\x00", 20),
              ReadBytes("shaderasm_out.bin"));
}

TEST(ShaderAsmTool, ErrorsNameFileAndLine)
{
    WriteText("shaderasm_bad.psh", "ps.1.1\nmov r0, v0\nfoo r0\nmov r2, c0\n");
    std::remove("shaderasm_bad.bin");
    const ToolRun r = Tool({"shaderasm_bad.psh", "-o", "shaderasm_bad.bin"});
    EXPECT_EQ(1, r.status);
    EXPECT_EQ("", r.out);
    EXPECT_EQ("shaderasm_bad.psh: line 3: unknown instruction \"foo\"\n"
              "shaderasm_bad.psh: line 4: register \"r2\" is out of range in ps.1.1 (r0 to r1)\n",
              r.err);
    EXPECT_EQ("(missing)", ReadBytes("shaderasm_bad.bin")) << "nothing is written for a bad shader";
}

// "NAME" next to the including file, then in the -I folders; <NAME> in the
// folders only. Errors name the file as it was found.
TEST(ShaderAsmTool, IncludesFromTheFileAndTheFolders)
{
#ifdef _WIN32
    CreateDirectoryA("shaderasm_inc", nullptr);
    CreateDirectoryA("shaderasm_inc/sub", nullptr);
    CreateDirectoryA("shaderasm_lib", nullptr);
#else
    mkdir("shaderasm_inc", 0777);
    mkdir("shaderasm_inc/sub", 0777);
    mkdir("shaderasm_lib", 0777);
#endif
    WriteText("shaderasm_inc/main.vsh", "vs.1.1\n#include \"sub/a.h\"\nm4x4 oPos, v0, c[WVP]\n");
    WriteText("shaderasm_inc/sub/a.h", "#include \"b.h\"\n#include <lib.h>\n");
    WriteText("shaderasm_inc/sub/b.h", "#define WVP BASE\n");
    WriteText("shaderasm_lib/lib.h", "#ifndef BASE\n#define BASE 4\n#endif\nmov oD0, BAD\n");
    ToolRun r = Tool({"shaderasm_inc/main.vsh", "-I", "shaderasm_lib", "-DBAD=v1"});
    EXPECT_EQ(0, r.status) << r.err;
    EXPECT_EQ("fffe0101                            ; vs.1.1\n"
              "00000001 d00f0000 90e40001          ; mov oD0, BAD\n"
              "00000014 c00f0000 90e40000 a0e40004 ; m4x4 oPos, v0, c[WVP]\n"
              "0000ffff\n",
              r.out);
    r = Tool({"shaderasm_inc/main.vsh", "-Ishaderasm_lib", "-D", "BASE=96"});
    EXPECT_EQ(1, r.status);
    EXPECT_EQ("shaderasm_lib/lib.h: line 4: unknown register \"BAD\"\n"
              "shaderasm_inc/main.vsh: line 3: register \"c[96]\" is out of range in vs.1.1 (c0 to c95)\n", r.err);
    r = Tool({"shaderasm_inc/main.vsh"});
    EXPECT_EQ(1, r.status);
    EXPECT_EQ("shaderasm_inc/sub/a.h: line 2: cannot include \"lib.h\": not found\n", r.err);
    r = Tool({"shaderasm_inc/main.vsh", "-D", "1X"});
    EXPECT_EQ(2, r.status);
    EXPECT_EQ("shaderasm: bad macro -D 1X=1\n", r.err);
}

TEST(ShaderAsmTool, UsageAndFiles)
{
    ToolRun r = Tool({});
    EXPECT_EQ(2, r.status);
    EXPECT_EQ(0u, r.err.find("usage: shaderasm FILE.vsh|FILE.psh [-o OUT] [-I FOLDER]... [-D NAME[=VALUE]]...\n"));
    r = Tool({"--help"});
    EXPECT_EQ(0, r.status);
    EXPECT_EQ(0u, r.out.find("usage: shaderasm"));
    r = Tool({"a.vsh", "b.vsh"});
    EXPECT_EQ(2, r.status);
    r = Tool({"a.vsh", "-o"});
    EXPECT_EQ(2, r.status);
    r = Tool({"a.vsh", "-o", "x", "-o", "y"});
    EXPECT_EQ(2, r.status);
    r = Tool({"-x", "a.vsh"});
    EXPECT_EQ(2, r.status);
    EXPECT_EQ(0u, r.err.find("shaderasm: unknown option -x\n"));
    r = Tool({"shaderasm_no_such_file.vsh"});
    EXPECT_EQ(2, r.status);
    EXPECT_EQ("shaderasm: cannot read shaderasm_no_such_file.vsh\n", r.err);
    WriteText("shaderasm_ok.vsh", "vs.1.1\n");
    r = Tool({"shaderasm_ok.vsh", "-o", "no_such_folder/out.bin"});
    EXPECT_EQ(2, r.status);
    EXPECT_EQ("shaderasm: cannot write no_such_folder/out.bin\n", r.err);
}

#ifndef _WIN32
// The built program itself: its status and streams.
TEST(ShaderAsmTool, TheProgram)
{
    WriteText("shaderasm_prog.vsh", "vs.1.1\nmovv r0, v0\n");
    const std::string program = std::string(QUILL_OUT_DIR) + "/shaderasm";
    FILE* p = popen((program + " shaderasm_prog.vsh 2>&1").c_str(), "r");
    ASSERT_NE(nullptr, p);
    std::string text;
    char buffer[256];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, p)) > 0)
        text.append(buffer, n);
    const int status = pclose(p);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(1, WEXITSTATUS(status));
    EXPECT_EQ("shaderasm_prog.vsh: line 2: unknown instruction \"movv\"\n", text);
}
#endif
