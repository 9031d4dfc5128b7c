// The exported functions that need no device: error strings against the
// platform's own result codes, the assembler's buffers and include
// interface, the buffer object.
#include "d3dx/D3DX.h"
#include "d3dx/ShaderAssembler.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

std::string ErrorString(HRESULT hr)
{
    char text[2048];
    std::memset(text, 'x', sizeof text);
    EXPECT_EQ(D3D_OK, D3DXGetErrorStringA(hr, text, sizeof text));
    return text;
}

std::string BufferText(ID3DXBuffer* b)
{
    return b ? std::string(static_cast<const char*>(b->GetBufferPointer()), b->GetBufferSize()) : "(null)";
}

}  // namespace

#define NAME_OF(code) EXPECT_EQ(#code, ErrorString(code))

TEST(D3DXGetErrorString, NamesOfThePlatformsCodes)
{
    NAME_OF(D3DERR_WRONGTEXTUREFORMAT);
    NAME_OF(D3DERR_UNSUPPORTEDCOLOROPERATION);
    NAME_OF(D3DERR_UNSUPPORTEDCOLORARG);
    NAME_OF(D3DERR_UNSUPPORTEDALPHAOPERATION);
    NAME_OF(D3DERR_UNSUPPORTEDALPHAARG);
    NAME_OF(D3DERR_TOOMANYOPERATIONS);
    NAME_OF(D3DERR_CONFLICTINGTEXTUREFILTER);
    NAME_OF(D3DERR_UNSUPPORTEDFACTORVALUE);
    NAME_OF(D3DERR_CONFLICTINGRENDERSTATE);
    NAME_OF(D3DERR_UNSUPPORTEDTEXTUREFILTER);
    NAME_OF(D3DERR_CONFLICTINGTEXTUREPALETTE);
    NAME_OF(D3DERR_DRIVERINTERNALERROR);
    NAME_OF(D3DERR_NOTFOUND);
    NAME_OF(D3DERR_MOREDATA);
    NAME_OF(D3DERR_DEVICELOST);
    NAME_OF(D3DERR_DEVICENOTRESET);
    NAME_OF(D3DERR_NOTAVAILABLE);
    NAME_OF(D3DERR_OUTOFVIDEOMEMORY);
    NAME_OF(D3DERR_INVALIDDEVICE);
    NAME_OF(D3DERR_INVALIDCALL);
    NAME_OF(D3DERR_DRIVERINVALIDCALL);
    NAME_OF(D3DXERR_CANNOTMODIFYINDEXBUFFER);
    NAME_OF(D3DXERR_INVALIDMESH);
    NAME_OF(D3DXERR_CANNOTATTRSORT);
    NAME_OF(D3DXERR_SKINNINGNOTSUPPORTED);
    NAME_OF(D3DXERR_TOOMANYINFLUENCES);
    NAME_OF(D3DXERR_INVALIDDATA);
    NAME_OF(D3DXERR_LOADEDMESHASNODATA);
    NAME_OF(S_OK);
    NAME_OF(S_FALSE);
    NAME_OF(E_UNEXPECTED);
    NAME_OF(E_NOTIMPL);
    NAME_OF(E_NOINTERFACE);
    NAME_OF(E_POINTER);
    NAME_OF(E_ABORT);
    NAME_OF(E_FAIL);
    NAME_OF(E_PENDING);
    NAME_OF(E_ACCESSDENIED);
    NAME_OF(E_HANDLE);
    NAME_OF(E_OUTOFMEMORY);
    NAME_OF(E_INVALIDARG);
    NAME_OF(CLASS_E_NOAGGREGATION);
    NAME_OF(CLASS_E_CLASSNOTAVAILABLE);
    NAME_OF(REGDB_E_CLASSNOTREG);
    NAME_OF(CO_E_NOTINITIALIZED);
    EXPECT_EQ("Unrecognized error: 0x80070002", ErrorString(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)));
}

TEST(D3DXGetErrorString, BufferLimits)
{
    char small[7];
    std::memset(small, 'x', sizeof small);
    EXPECT_EQ(D3D_OK, D3DXGetErrorStringA(D3DERR_INVALIDCALL, small, sizeof small));
    EXPECT_STREQ("D3DERR", small);
    char one[1] = {'x'};
    EXPECT_EQ(D3D_OK, D3DXGetErrorStringA(E_FAIL, one, 1));
    EXPECT_EQ('\0', one[0]);
    EXPECT_EQ(D3DERR_INVALIDCALL, D3DXGetErrorStringA(E_FAIL, one, 0));
    EXPECT_EQ(D3DERR_INVALIDCALL, D3DXGetErrorStringA(E_FAIL, nullptr, 10));

    WCHAR wide[32];
    EXPECT_EQ(D3D_OK, D3DXGetErrorStringW(D3DERR_DEVICELOST, wide, 32));
    EXPECT_STREQ(L"D3DERR_DEVICELOST", wide);
    EXPECT_EQ(D3D_OK, D3DXGetErrorStringW(D3DERR_DEVICELOST, wide, 4));
    EXPECT_STREQ(L"D3D", wide);
    EXPECT_EQ(D3DERR_INVALIDCALL, D3DXGetErrorStringW(D3DERR_DEVICELOST, nullptr, 4));
}

TEST(D3DXAssembleShader, BuffersOfASuccess)
{
    const char text[] = "vs.1.1\ndef c3, 1, 0, 0, 1\nm4x4 oPos, v0, c0\nmov oD0, c3\n";
    ID3DXBuffer* constants = reinterpret_cast<ID3DXBuffer*>(1);
    ID3DXBuffer* code = nullptr;
    ID3DXBuffer* errors = reinterpret_cast<ID3DXBuffer*>(1);
    ASSERT_EQ(D3D_OK, D3DXAssembleShader(text, sizeof text - 1, 0, &constants, &code, &errors));
    EXPECT_EQ(nullptr, errors);
    ASSERT_NE(nullptr, code);
    ASSERT_NE(nullptr, constants);
    const DWORD expectedCode[] = {D3DVS_VERSION(1, 1), 0x14, 0xC00F0000, 0x90E40000, 0xA0E40000,
                                  0x01, 0xD00F0000, 0xA0E40003, D3DVS_END()};
    ASSERT_EQ(sizeof expectedCode, code->GetBufferSize());
    EXPECT_EQ(0, std::memcmp(expectedCode, code->GetBufferPointer(), sizeof expectedCode));
    const float one = 1.0f, zero = 0.0f;
    DWORD expectedConstants[5] = {D3DVSD_CONST(3, 1)};
    std::memcpy(&expectedConstants[1], &one, 4);
    std::memcpy(&expectedConstants[2], &zero, 4);
    std::memcpy(&expectedConstants[3], &zero, 4);
    std::memcpy(&expectedConstants[4], &one, 4);
    ASSERT_EQ(sizeof expectedConstants, constants->GetBufferSize());
    EXPECT_EQ(0, std::memcmp(expectedConstants, constants->GetBufferPointer(), sizeof expectedConstants));
    EXPECT_EQ(0u, code->Release());
    EXPECT_EQ(0u, constants->Release());

    // Pixel shaders keep their defs; no constants buffer then. Every out
    // pointer may be null.
    const char ps[] = "ps.1.4\ndef c0, 1, 1, 1, 1\nmov r0, c0";
    constants = reinterpret_cast<ID3DXBuffer*>(1);
    ASSERT_EQ(D3D_OK, D3DXAssembleShader(ps, sizeof ps, D3DXASM_DEBUG, &constants, &code, nullptr));
    EXPECT_EQ(nullptr, constants);
    EXPECT_EQ(11u * 4, code->GetBufferSize());
    code->Release();
    EXPECT_EQ(D3D_OK, D3DXAssembleShader(ps, sizeof ps, 0, nullptr, nullptr, nullptr));
}

// Every field of the token format, spelled with the platform header's names.
TEST(D3DXAssembleShader, TokensMatchThePlatformsShaderFormat)
{
    const DWORD param = 0x80000000;
    const char vs[] = "vs.1.1\nmov a0.x, c7.y\nmad oT3.xz, -c[a0.x + 9].wzyx, v2.z, r11\nexpp oFog.x, r1.w\n";
    const DWORD vsExpected[] = {
        D3DVS_VERSION(1, 1),
        D3DSIO_MOV, param | D3DSPR_ADDR | D3DSP_WRITEMASK_0,
        param | D3DSPR_CONST | D3DVS_X_Y | D3DVS_Y_Y | D3DVS_Z_Y | D3DVS_W_Y | 7,
        D3DSIO_MAD, param | D3DSPR_TEXCRDOUT | D3DSP_WRITEMASK_0 | D3DSP_WRITEMASK_2 | 3,
        param | D3DSPR_CONST | D3DSPSM_NEG | D3DVS_X_W | D3DVS_Y_Z | D3DVS_Z_Y | D3DVS_W_X | D3DVS_ADDRMODE_RELATIVE | 9,
        param | D3DSPR_INPUT | D3DVS_X_Z | D3DVS_Y_Z | D3DVS_Z_Z | D3DVS_W_Z | 2,
        param | D3DSPR_TEMP | D3DVS_NOSWIZZLE | 11,
        D3DSIO_EXPP, param | D3DSPR_RASTOUT | D3DSP_WRITEMASK_0 | D3DSRO_FOG,
        param | D3DSPR_TEMP | D3DVS_X_W | D3DVS_Y_W | D3DVS_Z_W | D3DVS_W_W | 1,
        D3DVS_END()};
    const char ps[] = "ps.1.4\ndef c2, 0, 0, 0, 0\ntexld r1, t4_dw.xyw\nphase\n"
                      "mul_x2_sat r0.rgb, -r1_bx2.a, c2\n+add_d8 r0.a, 1-r1, v1_x2\n";
    const DWORD psExpected[] = {
        D3DPS_VERSION(1, 4),
        D3DSIO_DEF, param | D3DSPR_CONST | D3DSP_WRITEMASK_ALL | 2, 0, 0, 0, 0,
        D3DSIO_TEX, param | D3DSPR_TEMP | D3DSP_WRITEMASK_ALL | 1,
        param | D3DSPR_TEXTURE | D3DSPSM_DW | D3DVS_X_X | D3DVS_Y_Y | D3DVS_Z_W | D3DVS_W_W | 4,
        D3DSIO_PHASE,
        D3DSIO_MUL, param | D3DSPR_TEMP | D3DSPDM_SATURATE | (1 << D3DSP_DSTSHIFT_SHIFT) | D3DSP_WRITEMASK_0 |
                        D3DSP_WRITEMASK_1 | D3DSP_WRITEMASK_2,
        param | D3DSPR_TEMP | D3DSPSM_SIGNNEG | D3DVS_X_W | D3DVS_Y_W | D3DVS_Z_W | D3DVS_W_W | 1,
        param | D3DSPR_CONST | D3DSP_NOSWIZZLE | 2,
        D3DSIO_ADD | D3DSI_COISSUE, param | D3DSPR_TEMP | (0xDu << D3DSP_DSTSHIFT_SHIFT) | D3DSP_WRITEMASK_3,
        param | D3DSPR_TEMP | D3DSPSM_COMP | D3DSP_NOSWIZZLE | 1,
        param | D3DSPR_INPUT | D3DSPSM_X2 | D3DSP_NOSWIZZLE | 1,
        D3DPS_END()};
    const struct {
        const char* text;
        const DWORD* expected;
        size_t count;
    } cases[] = {{vs, vsExpected, sizeof vsExpected / 4}, {ps, psExpected, sizeof psExpected / 4}};
    for (const auto& c : cases) {
        ID3DXBuffer* code = nullptr;
        ASSERT_EQ(D3D_OK, D3DXAssembleShader(c.text, UINT(std::strlen(c.text)), 0, nullptr, &code, nullptr)) << c.text;
        ASSERT_EQ(c.count * 4, code->GetBufferSize()) << c.text;
        const DWORD* got = static_cast<const DWORD*>(code->GetBufferPointer());
        for (size_t i = 0; i < c.count; ++i)
            EXPECT_EQ(c.expected[i], got[i]) << "token " << i << " of\n" << c.text << std::hex << "expected 0x"
                                             << c.expected[i] << ", got 0x" << got[i];
        code->Release();
    }
}

TEST(D3DXAssembleShader, BuffersOfAFailure)
{
    const char text[] = "ps.1.1\nmov r0, v0\nmov r0, c9\n";
    ID3DXBuffer* code = reinterpret_cast<ID3DXBuffer*>(1);
    ID3DXBuffer* errors = nullptr;
    EXPECT_EQ(D3DXERR_INVALIDDATA, D3DXAssembleShader(text, sizeof text - 1, 0, nullptr, &code, &errors));
    EXPECT_EQ(nullptr, code);
    ASSERT_NE(nullptr, errors);
    // The text is terminated and counted with its terminator.
    EXPECT_EQ(std::string("line 3: register \"c9\" is out of range in ps.1.1 (c0 to c7)\n") + '\0',
              BufferText(errors));
    errors->Release();

    EXPECT_EQ(D3DXERR_INVALIDDATA, D3DXAssembleShader(text, sizeof text - 1, 0, nullptr, &code, nullptr));
    EXPECT_EQ(D3D_OK, D3DXAssembleShader(text, sizeof text - 1, D3DXASM_SKIPVALIDATION, nullptr, &code, nullptr));
    code->Release();
    EXPECT_EQ(D3DERR_INVALIDCALL, D3DXAssembleShader(nullptr, 10, 0, nullptr, &code, &errors));
    EXPECT_EQ(nullptr, code);
    EXPECT_EQ(nullptr, errors);
    EXPECT_EQ(D3DXERR_INVALIDDATA, D3DXAssembleShader(text, 0, 0, nullptr, &code, &errors));
    EXPECT_NE(std::string::npos, BufferText(errors).find("the text is empty"));
    errors->Release();
}

// The caller's files: each Open gets the data of the file that includes it;
// every Open is closed once.
class CTestInclude : public ID3DXInclude {
public:
    STDMETHOD(Open)(D3DXINCLUDE_TYPE type, LPCSTR name, LPCVOID parent, LPCVOID* data, UINT* bytes) override
    {
        asked += std::string(type == D3DXINC_SYSTEM ? "<" : "\"") + name + " from " +
                 (parent == source ? "source" : parent == common ? "common.h" : "?") + "\n";
        const char* text = std::strcmp(name, "common.h") == 0 ? common : std::strcmp(name, "bad.h") == 0 ? bad : nullptr;
        if (!text)
            return E_FAIL;
        *data = text;
        *bytes = UINT(std::strlen(text));
        ++open;
        return S_OK;
    }
    STDMETHOD(Close)(LPCVOID) override
    {
        --open;
        return S_OK;
    }
    const char* source = nullptr;
    const char* common = "#define WVP 4\n#include <bad.h>\n";
    const char* bad = "#ifdef BAD\nfoo r0\n#endif\n";
    std::string asked;
    int open = 0;
};

TEST(D3DXAssembleShader, IncludesAndMacrosOfTheCaller)
{
    const char text[] = "vs.1.1\n#include \"common.h\"\nm4x4 oPos, v0, c[WVP]\n";
    CTestInclude include;
    include.source = text;
    ID3DXBuffer* code = nullptr;
    ID3DXBuffer* errors = nullptr;
    ASSERT_EQ(D3D_OK, D3DXAssembleShaderEx(text, sizeof text, nullptr, &include, 0, nullptr, &code, &errors));
    EXPECT_EQ("\"common.h from source\n<bad.h from common.h\n", include.asked);
    EXPECT_EQ(0, include.open) << "every Open closed";
    ASSERT_NE(nullptr, code);
    EXPECT_EQ(0xA0E40004u, static_cast<const DWORD*>(code->GetBufferPointer())[4]) << "c4";
    code->Release();

    const D3DXMACRO defines[] = {{"BAD", nullptr}, {nullptr, nullptr}};
    EXPECT_EQ(D3DXERR_INVALIDDATA,
              D3DXAssembleShaderEx(text, sizeof text, defines, &include, 0, nullptr, &code, &errors));
    EXPECT_EQ(std::string("bad.h: line 2: unknown instruction \"foo\"\n") + '\0', BufferText(errors));
    errors->Release();
    EXPECT_EQ(0, include.open);

    const char missing[] = "vs.1.1\n#include \"none.h\"\n";
    EXPECT_EQ(D3DXERR_INVALIDDATA, D3DXAssembleShaderEx(missing, sizeof missing, nullptr, &include, 0, nullptr, &code,
                                                        &errors));
    EXPECT_EQ(std::string("line 2: cannot include \"none.h\": E_FAIL\n") + '\0', BufferText(errors));
    errors->Release();
    EXPECT_EQ(D3DXERR_INVALIDDATA, D3DXAssembleShader(text, sizeof text, 0, nullptr, &code, &errors));
    EXPECT_EQ(std::string("line 2: cannot include \"common.h\": no include handler was given\n") + '\0',
              BufferText(errors));
    errors->Release();
    const D3DXMACRO bad[] = {{"1X", "1"}, {nullptr, nullptr}};
    EXPECT_EQ(D3DERR_INVALIDCALL, D3DXAssembleShaderEx(text, sizeof text, bad, &include, 0, nullptr, &code, &errors));
}

TEST(D3DXBuffer, CreateQueryAndRelease)
{
    ID3DXBuffer* b = nullptr;
    ASSERT_EQ(D3D_OK, D3DXCreateBuffer(16, &b));
    EXPECT_EQ(16u, b->GetBufferSize());
    const uint8_t zeros[16] = {};
    EXPECT_EQ(0, std::memcmp(zeros, b->GetBufferPointer(), 16));
    IUnknown* unknown = nullptr;
    EXPECT_EQ(S_OK, b->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)));
    EXPECT_EQ(static_cast<IUnknown*>(b), unknown);
    ID3DXBuffer* again = nullptr;
    EXPECT_EQ(S_OK, b->QueryInterface(IID_ID3DXBuffer, reinterpret_cast<void**>(&again)));
    void* other = reinterpret_cast<void*>(1);
    EXPECT_EQ(E_NOINTERFACE, b->QueryInterface(IID_IClassFactory, &other));
    EXPECT_EQ(nullptr, other);
    EXPECT_EQ(2u, unknown->Release());
    EXPECT_EQ(1u, again->Release());
    EXPECT_EQ(0u, b->Release());

    ASSERT_EQ(D3D_OK, D3DXCreateBuffer(0, &b));
    EXPECT_EQ(0u, b->GetBufferSize());
    EXPECT_NE(nullptr, b->GetBufferPointer());
    b->Release();
    EXPECT_EQ(D3DERR_INVALIDCALL, D3DXCreateBuffer(4, nullptr));
}
