// The exported functions that need no device: error strings against the
// platform's own result codes, the assembler's buffers, the buffer object.
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
