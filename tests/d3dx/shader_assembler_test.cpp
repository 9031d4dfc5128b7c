// Shader text into Direct3D 8 tokens: encodings per instruction family,
// modifiers, masks and swizzles, the register ranges of each version, and the
// errors with their line numbers. Expected words are worked out by hand from
// the token format (opcode in bits 0-15, co-issue bit 30; parameters: register
// number 0-10, relative 13, write mask 16-19 or swizzle 16-23, saturate 20,
// shift or source modifier 24-27, register type 28-30, bit 31 set).
#include "d3dx/ShaderAssembler.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::string Hex(const std::vector<uint32_t>& words, size_t from = 0, size_t to = size_t(-1))
{
    std::string s;
    char w[16];
    for (size_t i = from; i < words.size() && i < to; ++i) {
        std::snprintf(w, sizeof w, "%s%08x", s.empty() ? "" : " ", unsigned(words[i]));
        s += w;
    }
    return s;
}

// Tokens of a text that must assemble.
std::vector<uint32_t> Tokens(const std::string& text, uint32_t flags = 0)
{
    CShaderAssembler a;
    const bool ok = a.Assemble(text.data(), text.size(), flags);
    EXPECT_TRUE(ok) << "text:\n" << text << "\nerrors:\n" << a.GetErrors();
    return a.GetTokens();
}

// The instruction words between the version and the end token.
std::string Body(const std::string& version, const std::string& lines)
{
    const std::vector<uint32_t> t = Tokens(version + "\n" + lines);
    if (t.size() < 2)
        return "(nothing)";
    EXPECT_EQ(0x0000FFFFu, t.back()) << "end token";
    return Hex(t, 1, t.size() - 1);
}

// The error text of a text that must fail.
std::string Errors(const std::string& text, uint32_t flags = 0)
{
    CShaderAssembler a;
    EXPECT_FALSE(a.Assemble(text.data(), text.size(), flags)) << "assembled:\n" << text;
    EXPECT_TRUE(a.GetTokens().empty());
    return a.GetErrors();
}

#define EXPECT_ERROR(text, fragment)                                                        \
    do {                                                                                    \
        const std::string e_ = Errors(text);                                                \
        EXPECT_NE(std::string::npos, e_.find(fragment)) << "expected \"" << (fragment)      \
                                                        << "\" in:\n" << e_;                \
    } while (0)

}  // namespace

TEST(ShaderAssembler, VersionAndEndTokens)
{
    EXPECT_EQ("fffe0100 0000ffff", Hex(Tokens("vs.1.0")));
    EXPECT_EQ("fffe0101 0000ffff", Hex(Tokens("vs.1.1\n")));
    EXPECT_EQ("ffff0100 0000ffff", Hex(Tokens("ps.1.0")));
    EXPECT_EQ("ffff0103 0000ffff", Hex(Tokens("ps.1.3")));
    EXPECT_EQ("ffff0104 0000ffff", Hex(Tokens("  PS_1_4  ")));
    EXPECT_ERROR("vs.2.0", "line 1: unsupported shader version \"vs.2.0\"");
    EXPECT_ERROR("ps.1.5", "unsupported shader version");
    EXPECT_ERROR("", "line 1: shader version (vs.1.1, ps.1.4 ...) expected; the text is empty");
    EXPECT_ERROR("; only a comment\n\n", "expected; the text is empty");
    EXPECT_ERROR("\nmov r0, v0", "line 2: shader version (vs.1.1, ps.1.4 ...) expected before \"mov\"");
    EXPECT_ERROR("vs.1.1\nvs.1.1", "line 2: the shader version is given twice");
    EXPECT_ERROR("vs.1.1 mov", "line 1: unexpected \"mov\" after the version");
    // After a bad version nothing more is said.
    EXPECT_EQ("line 1: unsupported shader version \"vs.3.0\" (vs.1.0, vs.1.1, ps.1.0 to ps.1.4)\n",
              Errors("vs.3.0\nmov r0, v0\nfoo"));
}

TEST(ShaderAssembler, VertexShaderInstructions)
{
    // mov oPos, v0 / m4x4 oPos, v0, c0: the classic transform.
    EXPECT_EQ("00000001 c00f0000 90e40000", Body("vs.1.1", "mov oPos, v0"));
    EXPECT_EQ("00000014 c00f0000 90e40000 a0e40000", Body("vs.1.1", "m4x4 oPos, v0, c0"));
    const struct {
        const char* text;
        const char* words;
    } cases[] = {
        {"nop", "00000000"},
        {"add r0, r1, r2", "00000002 800f0000 80e40001 80e40002"},
        {"sub r0, r1, r2", "00000003 800f0000 80e40001 80e40002"},
        {"mad r11, v15, c95, r10", "00000004 800f000b 90e4000f a0e4005f 80e4000a"},
        {"mul r0, r1, r2", "00000005 800f0000 80e40001 80e40002"},
        {"rcp r0.x, r1.w", "00000006 80010000 80ff0001"},
        {"rsq r0.y, r1.x", "00000007 80020000 80000001"},
        {"dp3 r0.x, r1, r2", "00000008 80010000 80e40001 80e40002"},
        {"dp4 oPos.x, v0, c4", "00000009 c0010000 90e40000 a0e40004"},
        {"min r0, r1, r2", "0000000a 800f0000 80e40001 80e40002"},
        {"max r0, r1, r2", "0000000b 800f0000 80e40001 80e40002"},
        {"slt r0, r1, r2", "0000000c 800f0000 80e40001 80e40002"},
        {"sge r0, r1, r2", "0000000d 800f0000 80e40001 80e40002"},
        {"exp r0, r1.w", "0000000e 800f0000 80ff0001"},
        {"log r0, r1.w", "0000000f 800f0000 80ff0001"},
        {"lit r0, r1", "00000010 800f0000 80e40001"},
        {"dst r0, r1, r2", "00000011 800f0000 80e40001 80e40002"},
        {"frc r0.xy, r1", "00000013 80030000 80e40001"},
        {"m4x3 r0.xyz, v0, c0", "00000015 80070000 90e40000 a0e40000"},
        {"m3x4 r0, v0, c0", "00000016 800f0000 90e40000 a0e40000"},
        {"m3x3 r0.xyz, v0, c0", "00000017 80070000 90e40000 a0e40000"},
        {"m3x2 r0.xy, v0, c0", "00000018 80030000 90e40000 a0e40000"},
        {"expp r0, r1.w", "0000004e 800f0000 80ff0001"},
        {"logp r0, r1.w", "0000004f 800f0000 80ff0001"},
        // Outputs: oFog and oPts are rasteriser outputs 1 and 2, oD# attribute
        // outputs, oT# texture coordinate outputs.
        {"mov oFog.x, r0.x", "00000001 c0010001 80000000"},
        {"mov oPts.x, r0.x", "00000001 c0010002 80000000"},
        {"mov oD1, v1", "00000001 d00f0001 90e40001"},
        {"mov oT7.xy, v2", "00000001 e0030007 90e40002"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.words, Body("vs.1.1", c.text)) << c.text;
    EXPECT_EQ("00000001 800f0000 90e40000", Body("vs.1.0", "mov r0, v0"));
}

TEST(ShaderAssembler, VertexShaderSwizzlesNegationAndMasks)
{
    EXPECT_EQ("00000001 80090000 911b0001", Body("vs.1.1", "mov r0.xw, -v1.wzyx"));
    // Short swizzles repeat their last component; rgba names the same.
    EXPECT_EQ("00000001 800f0000 a0540002", Body("vs.1.1", "mov r0, c2.xy"));
    EXPECT_EQ("00000001 800f0000 a0e40002", Body("vs.1.1", "mov r0, c2.rgba"));
    EXPECT_EQ("00000001 80080000 a0aa0002", Body("vs.1.1", "mov r0.a, c2.b"));
    EXPECT_EQ("00000001 800f0000 a1e40002", Body("vs.1.1", "mov r0, - c2"));
    EXPECT_ERROR("vs.1.1\nmov r0.yx, v0", "line 2: invalid write mask \".yx\"");
    EXPECT_ERROR("vs.1.1\nmov r0.xx, v0", "invalid write mask");
    EXPECT_ERROR("vs.1.1\nmov r0, v0.xyzwx", "invalid swizzle");
    EXPECT_ERROR("vs.1.1\nmov r0, v0.q", "invalid swizzle");
    EXPECT_ERROR("vs.1.1\nmov r0, v0_bx2", "source modifiers other than \"-\" are not available in vertex shaders");
    EXPECT_ERROR("vs.1.1\nmov r0, 1-v0", "source modifiers other than");
    EXPECT_ERROR("vs.1.1\nmov_sat r0, v0", "instruction modifier \"_sat\" is not available in vertex shaders");
    EXPECT_ERROR("vs.1.1\nmov -r0, v0", "a destination takes no source modifier");
}

TEST(ShaderAssembler, VertexShaderAddressRegister)
{
    EXPECT_EQ("00000001 b0010000 a0000000", Body("vs.1.1", "mov a0.x, c0.x"));
    EXPECT_EQ("00000001 d00f0000 a0e42005", Body("vs.1.1", "mov oD0, c[a0.x + 5]"));
    EXPECT_EQ("00000001 d00f0000 a0e42005", Body("vs.1.1", "mov oD0, c[5+A0.X]"));
    EXPECT_EQ("00000001 d00f0000 a0e42000", Body("vs.1.1", "mov oD0, c[a0.x]"));
    EXPECT_EQ("00000001 d00f0000 a1002003", Body("vs.1.1", "mov oD0, -c[a0.x+3].x"));
    EXPECT_EQ("00000001 d00f0000 a0e40007", Body("vs.1.1", "mov oD0, c[7]"));
    EXPECT_ERROR("vs.1.0\nmov a0.x, c0.x", "line 2: register \"a0\" is not available in vs.1.0");
    EXPECT_ERROR("vs.1.0\nmov r0, c[a0.x + 1]", "relative addressing is not available in vs.1.0");
    EXPECT_ERROR("vs.1.1\nmov a0, c0.x", "a0 is written only by mov, with the mask .x");
    EXPECT_ERROR("vs.1.1\nadd a0.x, c0, c0", "a0 is written only by mov");
    EXPECT_ERROR("vs.1.1\nmov r0, a0", "a0 is read only as the index of a constant");
    EXPECT_ERROR("vs.1.1\nmov r0, c[a0.y]", "the index of a constant must be a0.x, not \"a0.y\"");
    EXPECT_ERROR("vs.1.1\nmov r0, c[a0.x + 96]", "out of range in vs.1.1 (offset 0 to 95)");
    // Offsets add up (c[BASE + 1] with BASE a macro).
    EXPECT_EQ(Body("vs.1.1", "mov r0, c[a0.x + 3]"), Body("vs.1.1", "mov r0, c[1 + a0.x + 2]"));
    EXPECT_ERROR("vs.1.1\nmov r0, c[a0.x + 2000 + 48]", "register number too large");
    EXPECT_ERROR("vs.1.1\nmov r0, c[a0.x", "missing \"]\"");
    EXPECT_ERROR("vs.1.1\nmov r0, c[]", "empty constant index");
    EXPECT_ERROR("vs.1.1\nmov c[a0.x], r0", "cannot be written");
}

TEST(ShaderAssembler, VertexShaderRegisterRanges)
{
    EXPECT_EQ("00000001 800f000b 90e4000f", Body("vs.1.1", "mov r11, v15"));
    EXPECT_EQ("00000001 800f0000 a0e4005f", Body("vs.1.1", "mov r0, c95"));
    EXPECT_ERROR("vs.1.1\nmov r12, v0", "line 2: register \"r12\" is out of range in vs.1.1 (r0 to r11)");
    EXPECT_ERROR("vs.1.1\nmov r0, v16", "register \"v16\" is out of range in vs.1.1 (v0 to v15)");
    EXPECT_ERROR("vs.1.1\nmov r0, c96", "register \"c96\" is out of range in vs.1.1 (c0 to c95)");
    EXPECT_ERROR("vs.1.1\nmov oD2, v0", "(oD0 to oD1)");
    EXPECT_ERROR("vs.1.1\nmov oT8, v0", "(oT0 to oT7)");
    EXPECT_ERROR("vs.1.1\nmov t0, v0", "unknown register \"t0\"");
    EXPECT_ERROR("vs.1.1\nmov oPos1, v0", "unknown register \"oPos1\"");
    EXPECT_ERROR("vs.1.1\nmov r, v0", "register number missing in \"r\"");
    EXPECT_ERROR("vs.1.1\nmov v0, r0", "\"v0\" cannot be written");
    EXPECT_ERROR("vs.1.1\nmov c0, r0", "\"c0\" cannot be written");
    EXPECT_ERROR("vs.1.1\nmov r0, oPos", "output register \"oPos\" cannot be read");
    EXPECT_ERROR("vs.1.1\nmov r0, oT0", "cannot be read");
    EXPECT_ERROR("vs.1.1\nmov r0, r123456", "register number too large");
}

TEST(ShaderAssembler, VertexShaderReadPorts)
{
    EXPECT_EQ("00000002 800f0000 a0e40001 a0000001", Body("vs.1.1", "add r0, c1, c1.x"));
    EXPECT_ERROR("vs.1.1\nadd r0, c1, c2", "line 2: an instruction may read only one constant register");
    EXPECT_ERROR("vs.1.1\nadd r0, c1, c[a0.x + 1]", "only one constant register");
    EXPECT_ERROR("vs.1.1\nmad r0, v0, r1, v1", "only one input register");
    // Without validation the device decides.
    EXPECT_EQ("fffe0101 00000002 800f0000 a0e40001 a0e40002 0000ffff",
              Hex(Tokens("vs.1.1\nadd r0, c1, c2", d3dx::kAssembleSkipValidation)));
}

TEST(ShaderAssembler, VertexShaderDefGoesToTheConstants)
{
    CShaderAssembler a;
    const std::string text = "vs.1.1\ndef c4, 1.0, -0.5, 0, 2e1\nmov oPos, v0\ndef c95, .5f, 1, 1, 1\n";
    ASSERT_TRUE(a.Assemble(text.data(), text.size())) << a.GetErrors();
    EXPECT_EQ("fffe0101 00000001 c00f0000 90e40000 0000ffff", Hex(a.GetTokens()));
    // One constant-memory declaration token (type 4 in bits 29-31, count 1 in
    // bits 25-28, register) and the four floats, per def.
    EXPECT_EQ("82000004 3f800000 bf000000 00000000 41a00000 8200005f 3f000000 3f800000 3f800000 3f800000",
              Hex(a.GetConstants()));
    ASSERT_EQ(5u, a.GetStatements().size());
    EXPECT_TRUE(a.GetStatements()[1].constant);
    EXPECT_EQ(2u, a.GetStatements()[1].line);
    EXPECT_EQ(0u, a.GetStatements()[1].firstToken);
    EXPECT_EQ(5u, a.GetStatements()[3].firstToken);
}

TEST(ShaderAssembler, PixelShaderArithmetic)
{
    EXPECT_EQ("00000005 800f0000 b0e40000 90e40000", Body("ps.1.1", "mul r0, t0, v0"));
    const struct {
        const char* version;
        const char* text;
        const char* words;
    } cases[] = {
        {"ps.1.0", "add r0, r1, c7", "00000002 800f0000 80e40001 a0e40007"},
        {"ps.1.1", "sub r1, t3, v1", "00000003 800f0001 b0e40003 90e40001"},
        {"ps.1.1", "mad r0, v0, c0, r1", "00000004 800f0000 90e40000 a0e40000 80e40001"},
        {"ps.1.1", "lrp r0, c0, r1, r0", "00000012 800f0000 a0e40000 80e40001 80e40000"},
        {"ps.1.1", "dp3 r0, t0_bx2, v0_bx2", "00000008 800f0000 b4e40000 94e40000"},
        {"ps.1.1", "cnd r0, r0.a, c0, c1", "00000050 800f0000 80ff0000 a0e40000 a0e40001"},
        {"ps.1.2", "dp4 r0, c0, r1", "00000009 800f0000 a0e40000 80e40001"},
        {"ps.1.2", "cmp r0, r1, c0, c1", "00000058 800f0000 80e40001 a0e40000 a0e40001"},
        {"ps.1.1", "nop", "00000000"},
        // Texture registers can be written by arithmetic before ps.1.4.
        {"ps.1.1", "mov t0, v0", "00000001 b00f0000 90e40000"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.words, Body(c.version, c.text)) << c.version << ": " << c.text;
}

TEST(ShaderAssembler, PixelShaderModifiers)
{
    // x2 = 1, x4 = 2, x8 = 3, d2 = f, d4 = e, d8 = d in bits 24-27; sat is bit 20.
    EXPECT_EQ("00000005 81170000 b5e40000 96ff0000",
              Body("ps.1.1", "mul_x2_sat r0.rgb, -t0_bx2, 1-v0.a"));
    EXPECT_EQ("00000001 820f0000 a2e40000", Body("ps.1.1", "mov_x4 r0, c0_bias"));
    EXPECT_EQ("00000001 8f0f0000 a3e40000", Body("ps.1.1", "mov_d2 r0, -c0_bias"));
    EXPECT_EQ("00000001 830f0000 a7e40000", Body("ps.1.4", "mov_x8 r0, c0_x2"));
    EXPECT_EQ("00000001 8e0f0000 a8e40000", Body("ps.1.4", "mov_d4 r0, -c0_x2"));
    EXPECT_EQ("00000001 8d1f0000 a6e40000", Body("ps.1.4", "mov_sat_d8 r0, 1 - c0"));
    EXPECT_EQ("00000001 80080000 a0ff0000", Body("ps.1.1", "mov r0.a, c0.a"));
    EXPECT_EQ("00000001 80080000 a0aa0000", Body("ps.1.1", "mov r0.a, c0.b"));
    // ps.1.4: the four replicates and any write mask.
    EXPECT_EQ("00000001 80030000 a0550000", Body("ps.1.4", "mov r0.rg, c0.g"));
    EXPECT_EQ("00000001 80040000 a0000000", Body("ps.1.4", "mov r0.b, c0.r"));

    EXPECT_ERROR("ps.1.1\nmov_x8 r0, c0", "line 2: _x8, _d4 and _d8 are only available in ps.1.4, not in ps.1.1");
    EXPECT_ERROR("ps.1.3\nmov_d4 r0, c0", "only available in ps.1.4");
    EXPECT_ERROR("ps.1.1\nmov r0, c0_x2", "source modifier _x2 is only available in ps.1.4");
    EXPECT_ERROR("ps.1.1\nmov_x2_x4 r0, c0", "more than one result shift");
    EXPECT_ERROR("ps.1.1\nmov_sat_sat r0, c0", "_sat given twice");
    EXPECT_ERROR("ps.1.1\nmov_x3 r0, c0", "unknown instruction modifier \"_x3\"");
    EXPECT_ERROR("ps.1.1\nmov r0, c0_foo", "unknown source modifier \"_foo\"");
    EXPECT_ERROR("ps.1.1\nmov r0, c0_bias_bx2", "more than one source modifier");
    EXPECT_ERROR("ps.1.1\nmov r0, -1-c0", "\"-\" and \"1-\" cannot be combined");
    EXPECT_ERROR("ps.1.1\nmov r0, 1-c0_bias", "\"1-\" cannot be combined with another modifier");
    EXPECT_ERROR("ps.1.1\nmov r0.rg, c0", "write mask must be .rgba, .rgb or .a in ps.1.1");
    EXPECT_ERROR("ps.1.1\nmov r0, c0.g", "source selector of \"c0\" is not available in ps.1.1");
    EXPECT_ERROR("ps.1.0\nmov r0, c0.b", "not available in ps.1.0");
    EXPECT_ERROR("ps.1.4\nmov r0, c0.xy", "not available in ps.1.4");
    EXPECT_ERROR("ps.1.1\nmov r0, c0_dz", "_dz and _dw are only available on texld and texcrd");
}

TEST(ShaderAssembler, PixelShaderTextureInstructions)
{
    const struct {
        const char* version;
        const char* text;
        const char* words;
    } cases[] = {
        {"ps.1.0", "tex t0", "00000042 b00f0000"},
        {"ps.1.1", "texcoord t3", "00000040 b00f0003"},
        {"ps.1.1", "texkill t1", "00000041 b00f0001"},
        {"ps.1.1", "tex t0\ntexbem t1, t0", "00000042 b00f0000 00000043 b00f0001 b0e40000"},
        {"ps.1.1", "tex t0\ntexbeml t1, t0", "00000042 b00f0000 00000044 b00f0001 b0e40000"},
        {"ps.1.1", "tex t0\ntexreg2ar t1, t0", "00000042 b00f0000 00000045 b00f0001 b0e40000"},
        {"ps.1.1", "tex t0\ntexreg2gb t1, t0", "00000042 b00f0000 00000046 b00f0001 b0e40000"},
        {"ps.1.1", "tex t0\ntexm3x2pad t1, t0_bx2\ntexm3x2tex t2, t0_bx2",
         "00000042 b00f0000 00000047 b00f0001 b4e40000 00000048 b00f0002 b4e40000"},
        {"ps.1.1", "tex t0\ntexm3x3pad t1, t0\ntexm3x3pad t2, t0\ntexm3x3tex t3, t0",
         "00000042 b00f0000 00000049 b00f0001 b0e40000 00000049 b00f0002 b0e40000 0000004a b00f0003 b0e40000"},
        {"ps.1.1", "tex t0\ntexm3x3pad t1, t0\ntexm3x3pad t2, t0\ntexm3x3spec t3, t0, c0",
         "00000042 b00f0000 00000049 b00f0001 b0e40000 00000049 b00f0002 b0e40000 "
         "0000004c b00f0003 b0e40000 a0e40000"},
        {"ps.1.1", "tex t0\ntexm3x3pad t1, t0\ntexm3x3pad t2, t0\ntexm3x3vspec t3, t0",
         "00000042 b00f0000 00000049 b00f0001 b0e40000 00000049 b00f0002 b0e40000 0000004d b00f0003 b0e40000"},
        {"ps.1.2", "tex t0\ntexreg2rgb t1, t0", "00000042 b00f0000 00000052 b00f0001 b0e40000"},
        {"ps.1.2", "tex t0\ntexdp3tex t1, t0", "00000042 b00f0000 00000053 b00f0001 b0e40000"},
        {"ps.1.2", "tex t0\ntexdp3 t1, t0", "00000042 b00f0000 00000055 b00f0001 b0e40000"},
        {"ps.1.2", "tex t0\ntexm3x3pad t1, t0\ntexm3x3pad t2, t0\ntexm3x3 t3, t0",
         "00000042 b00f0000 00000049 b00f0001 b0e40000 00000049 b00f0002 b0e40000 00000056 b00f0003 b0e40000"},
        {"ps.1.3", "tex t0\ntexm3x2pad t1, t0\ntexm3x2depth t2, t0",
         "00000042 b00f0000 00000047 b00f0001 b0e40000 00000054 b00f0002 b0e40000"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.words, Body(c.version, c.text)) << c.version << ": " << c.text;

    EXPECT_ERROR("ps.1.1\ntex r0", "line 2: \"tex\" writes a texture register t# without a mask");
    EXPECT_ERROR("ps.1.1\ntex t0.rgb", "without a mask");
    EXPECT_ERROR("ps.1.1\ntexbem t0, t1", "\"t1\" must be an earlier stage than \"t0\"");
    EXPECT_ERROR("ps.1.1\ntexbem t1, r0", "reads a texture register t#, not \"r0\"");
    EXPECT_ERROR("ps.1.1\ntex t0\ntexm3x3spec t3, t0, t1", "the last operand of texm3x3spec is a constant register");
    EXPECT_ERROR("ps.1.1\ntex t0\ntexbem t1, -t0", "texture instructions take only the _bx2 source modifier");
    EXPECT_ERROR("ps.1.1\ntex t0\ntexbem t1, t0.a", "not available in ps.1.1 texture addressing");
    EXPECT_ERROR("ps.1.1\ntex_sat t0", "texture instruction \"tex\" takes no modifiers");
    EXPECT_ERROR("ps.1.1\ntexreg2rgb t1, t0", "line 2: \"texreg2rgb\" is not available in ps.1.1");
    EXPECT_ERROR("ps.1.2\ntexm3x2depth t1, t0", "\"texm3x2depth\" is not available in ps.1.2");
    EXPECT_ERROR("ps.1.3\ntexld r0, t0", "\"texld\" is not available in ps.1.3");
    EXPECT_ERROR("ps.1.4\ntex t0", "\"tex\" is not available in ps.1.4");
    EXPECT_ERROR("ps.1.1\ntex t0\nmov r0, t0\ntex t1", "line 4: texture instructions must come before arithmetic instructions");
    EXPECT_ERROR("ps.1.1\ntex t0\ntex t1\ntex t2\ntex t3\ntexcoord t3", "line 6: more than 4 texture instructions");
}

TEST(ShaderAssembler, PixelShader14)
{
    EXPECT_EQ("00000042 800f0000 b0e40000", Body("ps.1.4", "texld r0, t0"));
    EXPECT_EQ("00000040 80070001 baf40001", Body("ps.1.4", "texcrd r1.rgb, t1_dw.xyw"));
    EXPECT_EQ("00000040 80070001 b0a40001", Body("ps.1.4", "texcrd r1.xyz, t1.xyz"));
    EXPECT_EQ("00000041 800f0002", Body("ps.1.4", "texkill r2"));
    EXPECT_EQ("00000041 b00f0005", Body("ps.1.4", "texkill t5"));
    EXPECT_EQ("00000057 800f0005", Body("ps.1.4", "texcrd r5.rg, t0\nphase\ntexdepth r5").substr(36));
    // Two phases: a dependent read from r# in the second.
    EXPECT_EQ("00000040 80070001 b0e40000 0000fffd 00000042 800f0000 89a40001 00000005 800f0000 80e40000 90e40000",
              Body("ps.1.4", "texcrd r1.rgb, t0\nphase\ntexld r0, r1_dz.xyz\nmul r0, r0, v0"));
    EXPECT_EQ("00000059 80030000 80e40001 a0e40000 0000fffd 00000001 800f0000 80e40000",
              Body("ps.1.4", "bem r0.rg, r1, c0\nphase\nmov r0, r0"));
    // cnd takes any condition in ps.1.4.
    EXPECT_EQ("00000050 800f0000 a0e40000 a0e40001 a0e40002", Body("ps.1.4", "cnd r0, c0, c1, c2"));

    EXPECT_ERROR("ps.1.4\nmov r6, c0", "line 2: register \"r6\" is out of range in ps.1.4 (r0 to r5)");
    EXPECT_ERROR("ps.1.4\ntexld r0, t6", "(t0 to t5)");
    EXPECT_ERROR("ps.1.4\nmov r0, t0", "texture coordinates \"t0\" are read only by texld and texcrd in ps.1.4");
    EXPECT_ERROR("ps.1.4\nmov t0, c0", "arithmetic in ps.1.4 writes only r#");
    EXPECT_ERROR("ps.1.4\ntexld r0.rgb, t0", "texld takes no write mask");
    EXPECT_ERROR("ps.1.4\ntexcrd r0.a, t0", "texcrd writes .rgba, .rgb or .rg");
    EXPECT_ERROR("ps.1.4\ntexcrd r0, r1", "texcrd reads texture coordinates t#");
    EXPECT_ERROR("ps.1.4\ntexld r0, c0", "texld reads t# or r#");
    EXPECT_ERROR("ps.1.4\ntexld r0, -t0", "takes only the _dz and _dw source modifiers");
    EXPECT_ERROR("ps.1.4\ntexld r0, t0.yx", "not available in ps.1.4 texture addressing");
    EXPECT_ERROR("ps.1.4\ntexkill r0.rgb", "texkill takes r# or t# without a mask");
    EXPECT_ERROR("ps.1.4\ntexdepth r4", "texdepth takes r5 without a mask");
    EXPECT_ERROR("ps.1.4\nbem r0, r1, c0\nphase", "bem writes the mask .rg");
    EXPECT_ERROR("ps.1.4\nphase\nbem r0.rg, r1, c0", "line 3: bem is only available in the first phase");
    EXPECT_ERROR("ps.1.4\nbem r0.rg, r1, c0", "line 2: bem is only available in the first phase of a shader with a phase marker");
    EXPECT_ERROR("ps.1.4\nmov r0, v0\nphase\nmov r0, r0", "line 2: colour registers v# are only available in the second phase");
    EXPECT_ERROR("ps.1.4\ntexld r0, r1\nphase", "line 2: texld reads r# only in the second phase");
    EXPECT_ERROR("ps.1.4\ntexdepth r5\nphase", "line 2: texdepth is only available in the second phase");
    EXPECT_ERROR("ps.1.4\nphase\nphase", "line 3: phase given twice");
    EXPECT_ERROR("ps.1.4\nphase r0", "phase takes no operands");
    EXPECT_ERROR("ps.1.3\nphase", "phase is only available in ps.1.4, not in ps.1.3");
    EXPECT_ERROR("ps.1.4\nmov r0, c0\ntexld r1, t0", "line 3: texture instructions must come before arithmetic instructions in each phase");
    EXPECT_ERROR("ps.1.4\ntexld r0, t0\ntexld r1, t1\ntexld r2, t2\ntexld r3, t3\ntexld r4, t4\ntexld r5, t5\ntexld r0, t0",
                 "line 8: more than 6 texture instructions in one phase");
    EXPECT_ERROR("vs.1.1\nphase", "phase is only available in ps.1.4, not in vs.1.1");
}

TEST(ShaderAssembler, PixelShaderRegisterRanges)
{
    EXPECT_EQ("00000001 800f0001 a0e40007", Body("ps.1.1", "mov r1, c7"));
    EXPECT_ERROR("ps.1.1\nmov r2, c0", "register \"r2\" is out of range in ps.1.1 (r0 to r1)");
    EXPECT_ERROR("ps.1.1\nmov r0, c8", "register \"c8\" is out of range in ps.1.1 (c0 to c7)");
    EXPECT_ERROR("ps.1.3\ntex t4", "(t0 to t3)");
    EXPECT_ERROR("ps.1.1\nmov r0, v2", "(v0 to v1)");
    EXPECT_ERROR("ps.1.1\nmov c0, r0", "\"c0\" cannot be written");
    EXPECT_ERROR("ps.1.1\nmov v0, r0", "\"v0\" cannot be written");
    EXPECT_ERROR("ps.1.1\nmov oC0, r0", "unknown register \"oC0\"");
    EXPECT_ERROR("ps.1.1\nmov r0, c[a0.x]", "relative addressing is not available in pixel shaders");
    // Skipping validation keeps only what the tokens can hold.
    EXPECT_EQ("ffff0101 00000001 800f0009 a0e40014 0000ffff",
              Hex(Tokens("ps.1.1\nmov r9, c20", d3dx::kAssembleSkipValidation)));
    CShaderAssembler a;
    const std::string big = "ps.1.1\nmov r2048, c0";
    EXPECT_FALSE(a.Assemble(big.data(), big.size(), d3dx::kAssembleSkipValidation));
    EXPECT_NE(std::string::npos, a.GetErrors().find("register number of \"r2048\" too large")) << a.GetErrors();
}

TEST(ShaderAssembler, PixelShaderDefAndOrder)
{
    EXPECT_EQ("00000051 a00f0000 3f800000 3f000000 00000000 c0000000 00000001 800f0000 a0e40000",
              Body("ps.1.1", "def c0, 1.0, 0.5, 0, -2\nmov r0, c0"));
    EXPECT_EQ("00000051 a00f0007 3e800000 3e800000 3e800000 3e800000", Body("ps.1.4", "def c7, .25, 0.25f, 2.5e-1, +0.25"));
    EXPECT_ERROR("ps.1.1\nmov r0, c0\ndef c1, 0, 0, 0, 0", "line 3: def must come before the first instruction");
    EXPECT_ERROR("ps.1.1\ndef c0, 0, 0, 0", "def takes a constant register and four numbers");
    EXPECT_ERROR("ps.1.1\ndef r0, 0, 0, 0, 0", "def needs a constant register c#, not \"r0\"");
    EXPECT_ERROR("ps.1.1\ndef c0.x, 0, 0, 0, 0", "def needs a constant register");
    EXPECT_ERROR("ps.1.1\ndef c8, 0, 0, 0, 0", "out of range");
    EXPECT_ERROR("ps.1.1\ndef c0, 0, 0, 0, one", "number expected, not \"one\"");
    EXPECT_ERROR("ps.1.1\ndef c0, 0, 0, 0, 1e", "number expected, not \"1e\"");
    EXPECT_ERROR("ps.1.1\ndef c0, 0, 0, 0, 1.0.0", "number expected");
    EXPECT_ERROR("ps.1.1\ndef c0, 0, 0, 0, 1e99", "number out of range");
    EXPECT_ERROR("ps.1.1\ndef c0, 0, , 0, 0", "missing operand after \"def\"");
}

TEST(ShaderAssembler, PixelShaderCoissueAndCnd)
{
    EXPECT_EQ("00000001 80070000 90e40000 40000001 80080000 a0ff0000",
              Body("ps.1.1", "mov r0.rgb, v0\n+mov r0.a, c0.a"));
    EXPECT_EQ("00000008 80080000 80e40000 80e40001 40000005 80070000 80e40000 80e40001",
              Body("ps.1.1", "dp3 r0.a, r0, r1\n+ mul r0.rgb, r0, r1"));
    EXPECT_EQ("00000001 80030000 90e40000 40000001 80080000 a0ff0000",
              Body("ps.1.4", "mov r0.rg, v0\n+mov r0.a, c0.a"));
    EXPECT_ERROR("ps.1.1\n+mov r0.a, c0", "line 2: a co-issued instruction must follow an arithmetic instruction");
    EXPECT_ERROR("ps.1.1\nmov r0, v0\n+mov r0.a, c0", "line 3: co-issued instructions must write the colour (.rgb) and the alpha (.a) separately");
    EXPECT_ERROR("ps.1.1\nmov r0.rgb, v0\n+mov r1.rgb, c0", "must write the colour");
    EXPECT_ERROR("ps.1.1\nmov r0.rgb, v0\n+mov r0.a, c0\n+mov r1.a, c0", "line 4: a co-issued instruction must follow");
    EXPECT_ERROR("ps.1.1\ntex t0\n+tex t1", "only arithmetic instructions can be co-issued");
    EXPECT_ERROR("vs.1.1\nmov r0.xyz, v0\n+mov r0.w, v0", "co-issue (+) is only available in pixel shaders");
    EXPECT_ERROR("ps.1.1\nmov r0.rgb, c0\n+def c1, 0, 0, 0, 0", "def cannot be co-issued");
    EXPECT_ERROR("ps.1.1\ncnd r0, r1.a, c0, c1", "line 2: cnd in ps.1.1 needs r0.a as its first source");
    EXPECT_ERROR("ps.1.1\ncnd r0, r0, c0, c1", "needs r0.a");
    EXPECT_ERROR("ps.1.1\nmov r0, c0\nmov r0, c0\nmov r0, c0\nmov r0, c0\nmov r0, c0\nmov r0, c0\nmov r0, c0\n"
                 "mov r0.rgb, c0\n+mov r0.a, c0\nmov r0, c0",
                 "line 11: more than 8 arithmetic instructions");
}

TEST(ShaderAssembler, InstructionsAndOperands)
{
    EXPECT_ERROR("vs.1.1\n\n\nmovv r0, v0", "line 4: unknown instruction \"movv\"");
    EXPECT_ERROR("vs.1.1\nlrp r0, v0, c0, r1", "line 2: \"lrp\" is not available in vs.1.1");
    EXPECT_ERROR("vs.1.1\ntex t0", "\"tex\" is not available in vs.1.1");
    EXPECT_ERROR("ps.1.1\nm4x4 r0, v0, c0", "\"m4x4\" is not available in ps.1.1");
    EXPECT_ERROR("ps.1.1\ndp4 r0, v0, c0", "\"dp4\" is not available in ps.1.1");
    EXPECT_ERROR("ps.1.1\ncmp r0, v0, c0, c1", "\"cmp\" is not available in ps.1.1");
    EXPECT_ERROR("ps.1.3\nbem r0.rg, r1, c0", "\"bem\" is not available in ps.1.3");
    EXPECT_ERROR("vs.1.1\nmov r0", "line 2: \"mov\" takes 2 operands, not 1");
    EXPECT_ERROR("vs.1.1\nmad r0, v0, c0", "\"mad\" takes 4 operands, not 3");
    EXPECT_ERROR("vs.1.1\nnop r0", "\"nop\" takes 0 operands, not 1");
    EXPECT_ERROR("ps.1.1\ntex t0, t1", "\"tex\" takes 1 operand, not 2");
    EXPECT_ERROR("vs.1.1\nmov r0,", "missing operand after \"mov\"");
    EXPECT_ERROR("vs.1.1\nmov r0 v0, v1", "unexpected \" v0\" after destination \"r0\"");
    EXPECT_ERROR("vs.1.1\nmov r0, v0 x", "unexpected \" x\" in source");
    EXPECT_ERROR("vs.1.1\nmov, r0, v0", "unexpected \", r0, v0\" after \"mov\"");
    EXPECT_ERROR("vs.1.1\n# r0", "line 2: unknown directive \"#r0\"");
    EXPECT_ERROR("vs.1.1\nmov r0, v0.", "empty swizzle");
    EXPECT_ERROR("vs.1.1\nmov r0., v0", "empty write mask");
    EXPECT_ERROR("vs.1.1\nmov r0, v0.x.y", "more than one swizzle");
}

TEST(ShaderAssembler, CommentsLinesAndCase)
{
    const std::string text =
        "; header comment\r\n"
        "vs.1.1 // version\r\n"
        "/* a block\r\n"
        "   over lines */ mov oPos, v0 ; done\r\n"
        "MOV /* inline */ oD0, V1 // colour\r\n";
    EXPECT_EQ("fffe0101 00000001 c00f0000 90e40000 00000001 d00f0000 90e40001 0000ffff", Hex(Tokens(text)));

    // Shift-JIS comments: trail bytes 0x5C and '*' '/' never confuse the scanner.
    const std::string sjis = "ps.1.1 ; \x95\x5c\x8e\xa6\n// \x83\x5c\x83\x74\x83\x67\n/* \x95\x5c */ mov r0, v0\n";
    EXPECT_EQ("ffff0101 00000001 800f0000 90e40000 0000ffff", Hex(Tokens(sjis)));
    EXPECT_ERROR("ps.1.1\nmov r0, v0 \x95\x5c", "line 2: unexpected non-ASCII character outside a comment");
    EXPECT_ERROR("ps.1.1\nmov r0, v0\n/* open\n\n", "line 3: unterminated comment");
    EXPECT_ERROR("ps.1.1\nmov r0,\x01 v0", "unexpected control character");

    // A NUL byte ends the text, as for a C string passed with its terminator.
    const char withNul[] = "ps.1.1\nmov r0, v0\0garbage";
    CShaderAssembler a;
    EXPECT_TRUE(a.Assemble(withNul, sizeof withNul)) << a.GetErrors();
    EXPECT_EQ(5u, a.GetTokens().size());
    EXPECT_FALSE(a.Assemble(nullptr, 10));
}

TEST(ShaderAssembler, EveryFaultyLineIsReported)
{
    CShaderAssembler a;
    const std::string text = "vs.1.1\nmov r0, v0\nfoo r0\nmov r99, v0\nmov r0, v0\nadd r0, v0\n";
    EXPECT_FALSE(a.Assemble(text.data(), text.size()));
    EXPECT_EQ("line 3: unknown instruction \"foo\"\n"
              "line 4: register \"r99\" is out of range in vs.1.1 (r0 to r11)\n"
              "line 6: \"add\" takes 3 operands, not 2\n",
              a.GetErrors());
    EXPECT_TRUE(a.GetTokens().empty());
    EXPECT_TRUE(a.GetStatements().empty());

    // Many bad lines: the text stays bounded.
    std::string many = "vs.1.1\n";
    for (int i = 0; i < 500; ++i)
        many += "bad\n";
    EXPECT_FALSE(a.Assemble(many.data(), many.size()));
    EXPECT_NE(std::string::npos, a.GetErrors().find("line 51: unknown instruction"));
    EXPECT_EQ(std::string::npos, a.GetErrors().find("line 52:"));
    EXPECT_NE(std::string::npos, a.GetErrors().find("too many errors\n"));

    // A later success leaves no trace of the failure.
    EXPECT_TRUE(a.Assemble("vs.1.1", 6));
    EXPECT_EQ("", a.GetErrors());
}

TEST(ShaderAssembler, StatementsMapLinesToTokens)
{
    CShaderAssembler a;
    const std::string text = "ps.1.4\n\ndef c0, 1, 1, 1, 1\ntexld r0, t0\nphase\nmul r0, r0, c0\n";
    ASSERT_TRUE(a.Assemble(text.data(), text.size())) << a.GetErrors();
    const auto& s = a.GetStatements();
    ASSERT_EQ(6u, s.size());
    const uint32_t expected[][3] = {{1, 0, 1}, {3, 1, 6}, {4, 7, 3}, {5, 10, 1}, {6, 11, 4}, {0, 15, 1}};
    for (size_t i = 0; i < s.size(); ++i) {
        EXPECT_EQ(expected[i][0], s[i].line) << "statement " << i;
        EXPECT_EQ(expected[i][1], s[i].firstToken) << "statement " << i;
        EXPECT_EQ(expected[i][2], s[i].tokenCount) << "statement " << i;
        EXPECT_FALSE(s[i].constant);
    }
    EXPECT_EQ(16u, a.GetTokens().size());
}
