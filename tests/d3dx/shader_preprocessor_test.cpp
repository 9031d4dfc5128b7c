// The preprocessor in front of the shader assembler: macros, conditions,
// includes through a handler, the file and line of every result line and
// error, and the limits that stop recursion and growth.
#include "d3dx/ShaderAssembler.h"
#include "d3dx/ShaderPreprocessor.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace {

using Files = std::map<std::string, std::string>;

// Serves included files from a map, under the name they are asked by.
void Serve(CShaderPreprocessor& p, const Files& files)
{
    p.SetIncludeHandler([files](const CShaderPreprocessor::IncludeRequest& r, std::string& name, std::string& text,
                                std::string& why) {
        auto f = files.find(r.name);
        if (f == files.end()) {
            why = "not in the test's files";
            return false;
        }
        name = r.name;
        text = f->second;
        return true;
    });
}

// The result as "FILE:LINE text" lines, or "errors:\n..." when it fails.
std::string Pre(const std::string& text, const Files& files = {}, const std::string& name = "main.vsh")
{
    CShaderPreprocessor p;
    Serve(p, files);
    if (!p.Run(text.data(), text.size(), name))
        return "errors:\n" + p.GetErrors();
    std::string out;
    for (const CShaderPreprocessor::Line& l : p.GetLines())
        out += p.GetFiles()[l.file].name + ":" + std::to_string(l.line) + " " + l.text + "\n";
    return out;
}

}  // namespace

TEST(ShaderPreprocessor, MacrosWithAndWithoutParameters)
{
    // The assembler takes what the macros make.
    CShaderAssembler a;
    const std::string text = "vs.1.1\n#define WVP 4\n#define M(r, n) m4x4 r, v0, c[n]\nM(oPos, WVP)\nmov oD0, c[WVP + 1]\n";
    ASSERT_TRUE(a.Assemble(text.data(), text.size())) << a.GetErrors();
    CShaderAssembler b;
    const std::string plain = "vs.1.1\nm4x4 oPos, v0, c[4]\nmov oD0, c[5]\n";
    ASSERT_TRUE(b.Assemble(plain.data(), plain.size()));
    EXPECT_EQ(b.GetTokens(), a.GetTokens());
    EXPECT_EQ(4u, a.GetStatements()[1].line) << "statements keep their source lines";

    EXPECT_EQ("main.vsh:4 mov r0, f((a, b), c)\n", Pre("#define F(x, y) f(x, y)\n#define G F\n\n"
                                                      "mov r0, G((a, b), c)\n"));
    // Pasting, with empty arguments on either side.
    EXPECT_EQ("main.vsh:2 mov r0, v1, c3\n",
              Pre("#define P(a, b) a##b\nmov P(r, 0), P(, v1), P(c3, )\n"));
    // A macro does not expand inside itself; a name without "(" is no call.
    EXPECT_EQ("main.vsh:4 A A F + F\n", Pre("#define A A B\n#define B A\n#define F() F\nA F + F()\n"));
    EXPECT_EQ("main.vsh:3 X\n", Pre("#define X 1\n#undef X\nX\n"));
    EXPECT_EQ("main.vsh:3 1\n", Pre("#define X  1 \n#define X 1\nX\n")) << "an equal definition again";

    EXPECT_EQ("errors:\n"
              "main.vsh: line 2: macro \"X\" is defined already, differently; #undef it first\n"
              "main.vsh: line 4: macro \"F\" takes 2 arguments, not 1\n"
              "main.vsh: line 5: unterminated call of macro \"F\" (a call must end on its line)\n"
              "main.vsh: line 6: \"##\" cannot begin or end macro \"H\"\n"
              "main.vsh: line 7: parameter \"a\" given twice in macro \"J\"\n"
              "main.vsh: line 9: pasting \"+\" and \"r\" does not give one token\n"
              "main.vsh: line 10: \"#\" (making a string) is not available in shader text: macro \"S\"\n",
              Pre("#define X 1\n#define X 2\n#define F(a, b) a\nF(1)\nF(1,\n#define H ## x\n"
                  "#define J(a, a) a\n#define K(a) + ## a\nK(r)\n#define S(a) #a\n"));
}

TEST(ShaderPreprocessor, Conditions)
{
    const std::string text =
        "#define TWO 2\n"
        "#if TWO * 3 == 6 && defined TWO && !defined(NONE) && (1 << 4 | 1) == 17 && -7 / 2 == -3 && NONE == 0\n"
        "a\n"
        "#elif 1 / 0\n"  // never evaluated: an earlier group was taken
        "#else\n"
        "b\n"
        "#endif\n"
        "#if 0 && 1 / 0 || 0 ? 1 : 2 == 2\n"
        "c\n"
        "#endif\n"
        "#ifdef NONE\n"
        "#if 1 / 0\n"  // inside skipped text: not evaluated
        "#bogus\n"
        "#else\n"
        "d\n"
        "#endif\n"
        "#elif TWO > 1\n"
        "e\n"
        "#endif\n"
        "#ifndef TWO\nf\n#else\ng\n#endif\n";
    EXPECT_EQ("main.vsh:3 a\nmain.vsh:9 c\nmain.vsh:18 e\nmain.vsh:23 g\n", Pre(text));

    EXPECT_EQ("errors:\n"
              "main.vsh: line 1: #if: division by zero\n"
              "main.vsh: line 3: #if: \")\" expected\n"
              "main.vsh: line 5: #if without an expression\n"
              "main.vsh: line 7: #if: \"1.5\" is not an integer\n"
              "main.vsh: line 9: \"defined\" takes a macro name in #if\n"
              "main.vsh: line 13: #else after #else\n"
              "main.vsh: line 14: unexpected \"X\" after #endif\n"
              "main.vsh: line 15: #elif without #if\n"
              "main.vsh: line 16: #error stop here\n"
              "main.vsh: line 17: unknown directive \"#incldue\"\n"
              "main.vsh: line 18: #ifdef without #endif\n",
              Pre("#if 1 / 0\n#endif\n#if (1\n#endif\n#if\n#endif\n#if 1.5\n#endif\n#if defined\n#endif\n"
                  "#if 1\n#else\n#else\n#endif X\n#elif 1\n#error stop here\n#incldue \"x\"\n#ifdef A\n"));
}

TEST(ShaderPreprocessor, IncludesNameTheirFilesAndLines)
{
    const Files files = {
        {"common.h", "#pragma once\n#define WVP 4\n#include \"deep.h\"\n"},
        {"deep.h", "#ifndef DEEP\n#define DEEP\nmov r0, c[WVP]\n#endif\n"},
        {"bad.h", "\n\nfoo r0\n#if 1\n"},
        {"loop.h", "#include \"loop.h\"\n"},
    };
    EXPECT_EQ("main.vsh:1 vs.1.1\ndeep.h:3 mov r0, c[4]\nmain.vsh:5 mov oPos, v0\n",
              Pre("vs.1.1\n#include \"common.h\"\n#include <common.h>\n#define FILE \"deep.h\"\n"
                  "mov oPos, v0\n#include FILE\n",
                  files));

    // Errors of the assembler and of the preprocessor in the file they are in.
    CShaderAssembler a;
    Serve(a.GetPreprocessor(), files);
    std::string text = "vs.1.1\n#include \"bad.h\"\n";
    EXPECT_FALSE(a.Assemble(text.data(), text.size()));
    EXPECT_EQ("bad.h: line 4: #if without #endif\n", a.GetErrors());
    text = "vs.1.1\n\n#include \"bad.h\"\n#endif\n";
    EXPECT_EQ("errors:\nbad.h: line 4: #if without #endif\nmain.vsh: line 4: #endif without #if\n",
              Pre(text, files)) << "a condition does not reach past its file";
    text = "vs.1.1\n#include \"deep.h\"\nfoo r0\n";
    EXPECT_FALSE(a.Assemble(text.data(), text.size()));
    EXPECT_EQ("deep.h: line 3: bad constant index in \"c[WVP]\"\nline 3: unknown instruction \"foo\"\n",
              a.GetErrors())
        << "the main text unnamed";

    EXPECT_EQ("errors:\nloop.h: line 1: #include nested more than 16 deep (\"loop.h\" includes itself)\n",
              Pre("#include \"loop.h\"\n", files));
    EXPECT_EQ("errors:\nmain.vsh: line 1: cannot include \"none.h\": not in the test's files\n"
              "main.vsh: line 2: #include takes a file name: \"name\" or <name>\n"
              "main.vsh: line 3: missing \" after the file name of #include\n",
              Pre("#include \"none.h\"\n#include none.h\n#include \"x.h\n", files));
    CShaderPreprocessor p;
    EXPECT_FALSE(p.Run("#include \"a\"", 12));
    EXPECT_EQ("line 1: cannot include \"a\": no include handler was given\n", p.GetErrors());
}

TEST(ShaderPreprocessor, LinesCommentsAndShiftJis)
{
    // A trail byte 0x5C ("表", "ソ") at the end of a comment joins nothing; a
    // backslash does; a block comment over lines makes one line, numbered by
    // its first character.
    EXPECT_EQ("main.vsh:1 a \nmain.vsh:2 b \nmain.vsh:3 x   c\nmain.vsh:6  d\nmain.vsh:7 e   f\n",
              Pre("a ; \x95\x5c\nb // \x83\x5c\nx \\\n  c\n/* x\n */d\ne /* \n */ f\n"));
    EXPECT_EQ("main.vsh:3 mov r0, v0\n", Pre("#define V v0 \\\n\nmov r0, V\n"));
    EXPECT_EQ("errors:\nmain.vsh: line 2: unterminated comment\n", Pre("a\nb /* \n\n"));
}

TEST(ShaderPreprocessor, RecursionAndGrowthAreBounded)
{
    // Doubling twenty times over: the line stops growing at its limit.
    std::string nested = "v0";
    for (int i = 0; i < 20; ++i)
        nested = "F(" + nested + ")";
    EXPECT_EQ("errors:\nmain.vsh: line 2: the line grows longer than 8192 tokens by macro expansion\n",
              Pre("#define F(x) x x\n" + nested + "\n"));
    // Expansions that make nothing still count.
    std::string chain;
    for (char c = 'A'; c < 'Z'; ++c)
        chain += std::string("#define ") + c + " " + char(c + 1) + " " + char(c + 1) + "\n";
    chain += "#define Z\nA\n";
    EXPECT_EQ(0u, Pre(chain).find("errors:\nmain.vsh: line 27: macro expansion too long")) << Pre(chain);
    // Calls nested deeper in arguments than the limit.
    nested = "x";
    for (int i = 0; i < 40; ++i)
        nested = "I(" + nested + ")";
    EXPECT_EQ("errors:\nmain.vsh: line 2: macro calls nested more than 32 deep in arguments\n",
              Pre("#define I(x) x\n" + nested + "\n"));
    std::string parens(100, '(');
    EXPECT_EQ("errors:\nmain.vsh: line 1: #if: expression nested too deeply\n", Pre("#if " + parens + "1\n#endif\n"));
}

TEST(ShaderPreprocessor, MacrosGivenBeforeTheText)
{
    CShaderPreprocessor p;
    EXPECT_TRUE(p.Define("WVP", "4"));
    EXPECT_TRUE(p.Define("F(a, b)", "a + b"));
    EXPECT_TRUE(p.Define("WVP", "8")) << "a later definition replaces an earlier one";
    EXPECT_FALSE(p.Define("1X", "1"));
    EXPECT_FALSE(p.Define("G(a", "a"));
    EXPECT_FALSE(p.Define("X Y", "1"));
    const std::string text = "#if WVP == 8\nF(WVP, 1)\n#endif\n";
    ASSERT_TRUE(p.Run(text.data(), text.size())) << p.GetErrors();
    ASSERT_EQ(1u, p.GetLines().size());
    EXPECT_EQ("8 + 1", p.GetLines()[0].text);
    p.ClearDefines();
    ASSERT_TRUE(p.Run(text.data(), text.size()));
    EXPECT_TRUE(p.GetLines().empty());
}
