// Our assembler's tokens on a real device: the device creates shaders of every
// instruction of each version, and assembled shaders draw a known scene whose
// back-buffer pixels have the expected colours.
#include "D3DDeviceTest.h"
#include "common/TexturedVertex.h"

#include <cstdlib>
#include <cstring>

namespace {

class D3DXShaderOnDevice : public D3DDeviceTest {
protected:
    void SetUp() override
    {
        D3DDeviceTest::SetUp();
        if (HasFatalFailure())
            return;
        ASSERT_GE(s_caps.VertexShaderVersion & 0xFFFF, 0x0101u) << "vertex shader 1.1";
        ASSERT_GE(s_caps.PixelShaderVersion & 0xFFFF, 0x0104u) << "pixel shader 1.4";
    }

    // Assembles through the exported function; fails the test on errors.
    static std::vector<DWORD> Assemble(const char* text, std::vector<DWORD>* constants = nullptr)
    {
        ID3DXBuffer* code = nullptr;
        ID3DXBuffer* consts = nullptr;
        ID3DXBuffer* errors = nullptr;
        const HRESULT hr = D3DXAssembleShader(text, UINT(std::strlen(text)), 0, &consts, &code, &errors);
        std::vector<DWORD> tokens;
        EXPECT_EQ(D3D_OK, hr) << text << "\n"
                              << (errors ? static_cast<const char*>(errors->GetBufferPointer()) : "");
        if (code) {
            const DWORD* p = static_cast<const DWORD*>(code->GetBufferPointer());
            tokens.assign(p, p + code->GetBufferSize() / 4);
            code->Release();
        }
        if (consts) {
            const DWORD* p = static_cast<const DWORD*>(consts->GetBufferPointer());
            if (constants)
                constants->assign(p, p + consts->GetBufferSize() / 4);
            consts->Release();
        }
        if (errors)
            errors->Release();
        return tokens;
    }
};

const char* const kVertexShaders[] = {
    // Every vertex shader instruction (the address register in 1.1 only).
    "vs.1.1\n"
    "mov r0, v0\nadd r1, r0, c0\nsub r1, r1, c1\nmad r1, r1, c2, r0\nmul r1, r1, c3\n"
    "rcp r2.x, r1.x\nrsq r2.y, r1.y\ndp3 r2.z, r1, c4\ndp4 r2.w, r1, c5\nmin r3, r1, r2\nmax r3, r3, c6\n"
    "slt r4, r3, r2\nsge r4, r4, c7\nexp r5, r4.x\nlog r5.y, r5.y\nlit r6, r5\ndst r6, r6, c8\nfrc r7.xy, r6\n"
    "expp r7, r7.x\nlogp r7.z, r7.y\nm4x4 r8, r7, c10\nm4x3 r8.xyz, r7, c14\nm3x4 r9, r8, c18\n"
    "m3x3 r9.xyz, r9, c22\nm3x2 r9.xy, r9, c26\nmov a0.x, c0.x\nmov r10, c[a0.x + 30]\nnop\n"
    "mov oPos, r0\nmov oD0, r9\nmov oD1, -r10.wzyx\nmov oT0, r8\nmov oT7.xy, v2\nmov oFog.x, r1.x\nmov oPts.x, r2.x\n",
    "vs.1.0\nm4x4 oPos, v0, c0\nmov oD0, v1\nmov oT0, v2\n",
    "vs.1.1\ndef c95, 1, 2, 3, 4\nmov oPos, v0\nmov oD0, c95\n",
};

const char* const kPixelShaders[] = {
    // ps.1.0 to 1.3: texture instructions, then arithmetic.
    "ps.1.0\ntex t0\ntexcoord t1\ntexkill t2\ntex t3\nmov r0, t0\nadd r0, r0, t1\nsub r0, r0, c0\nmul r0, r0, v0\n"
    "mad r0, r0, v1, c1\nlrp r0, c2, r0, t3\ndp3 r1, r0_bx2, c3\ncnd r0, r0.a, r1, t0\n",
    "ps.1.1\ndef c0, 0.5, -0.5, 1, 0\ntex t0\nnop\nmul_x2_sat r0.rgb, -t0_bias, 1-v0\n+mov_d2 r0.a, t0.b\n"
    "mov_x4 r1, -t0_bx2\nadd_sat r0, r0, r1.a\n",
    "ps.1.1\ntex t0\ntexbem t1, t0\ntexbeml t2, t0\nmov r0, t1\nadd r0, r0, t2\n",
    "ps.1.1\ntex t0\ntexreg2ar t1, t0\ntexreg2gb t2, t0\nmov r0, t1\nadd r0, r0, t2\n",
    "ps.1.1\ntex t0\ntexm3x2pad t1, t0_bx2\ntexm3x2tex t2, t0_bx2\nmov r0, t2\n",
    "ps.1.1\ntex t0\ntexm3x3pad t1, t0_bx2\ntexm3x3pad t2, t0_bx2\ntexm3x3tex t3, t0_bx2\nmov r0, t3\n",
    "ps.1.1\ntex t0\ntexm3x3pad t1, t0\ntexm3x3pad t2, t0\ntexm3x3spec t3, t0, c0\nmov r0, t3\n",
    "ps.1.1\ntex t0\ntexm3x3pad t1, t0\ntexm3x3pad t2, t0\ntexm3x3vspec t3, t0\nmov r0, t3\n",
    "ps.1.2\ntex t0\ntexreg2rgb t1, t0\ndp4 r0, t1, c0\ncmp r0, r0, c1, t0\n",
    "ps.1.2\ntex t0\ntexdp3tex t1, t0\nmov r0, t1\n",
    "ps.1.2\ntex t0\ntexdp3 t1, t0\nmov r0, t1\n",
    "ps.1.2\ntex t0\ntexm3x3pad t1, t0\ntexm3x3pad t2, t0\ntexm3x3 t3, t0\nmov r0, t3\n",
    "ps.1.3\ntex t0\ntexm3x2pad t1, t0\ntexm3x2depth t2, t0\nmov r0, t2\n",
    // ps.1.4: two phases.
    "ps.1.4\ndef c0, 0.5, 0.5, 0.5, 1\ndef c7, 1, 0, 0, 1\n"
    "texld r0, t0\ntexcrd r1.rgb, t1_dw.xyw\ntexcrd r4.rg, t4\nbem r2.rg, r0, r1\nmov r3, c0\n"
    "phase\n"
    "texld r2, r2\ntexld r0, r1_dz.xyz\ntexkill t3\ntexdepth r5\n"
    "add r0, r0, r2\ncmp r0, r0, c0, v0\ncnd r0, r0, v1, c7.a\nmul_x8 r1.rg, c0.g, r0_x2\n+lrp_sat r1.a, r0.b, c0, -r3_bx2\n"
    "dp3_d8 r2, r1, 1-r0\ndp4 r0, r2, r1\nmad_d2 r0, r0, c7_bias, -r1_x2\n",
};

}  // namespace

TEST_F(D3DXShaderOnDevice, DeviceCreatesEveryAssembledShader)
{
    for (const char* text : kVertexShaders) {
        std::vector<DWORD> constants;
        const std::vector<DWORD> code = Assemble(text, &constants);
        ASSERT_FALSE(code.empty()) << text;
        std::vector<DWORD> declaration(kTexturedVertexDeclaration, kTexturedVertexDeclaration + 4);
        declaration.insert(declaration.end(), constants.begin(), constants.end());
        declaration.push_back(D3DVSD_END());
        DWORD handle = 0;
        const HRESULT hr = s_device->CreateVertexShader(declaration.data(), code.data(), &handle, 0);
        char name[128];
        D3DXGetErrorStringA(hr, name, sizeof name);
        EXPECT_EQ(D3D_OK, hr) << name << "\n" << text;
        if (SUCCEEDED(hr)) {
            EXPECT_EQ(D3D_OK, s_device->DeleteVertexShader(handle));
        }
    }
    for (const char* text : kPixelShaders) {
        const std::vector<DWORD> code = Assemble(text);
        ASSERT_FALSE(code.empty()) << text;
        DWORD handle = 0;
        const HRESULT hr = s_device->CreatePixelShader(code.data(), &handle);
        char name[128];
        D3DXGetErrorStringA(hr, name, sizeof name);
        EXPECT_EQ(D3D_OK, hr) << name << "\n" << text;
        if (SUCCEEDED(hr)) {
            EXPECT_EQ(D3D_OK, s_device->DeletePixelShader(handle));
        }
    }

    // The device does look at the tokens: an unknown opcode and a missing
    // operand are refused, so the acceptance above means something.
    const DWORD unknownOpcode[] = {D3DPS_VERSION(1, 4), 0x7F, 0x800F0000, 0xA0E40000, D3DPS_END()};
    const DWORD missingOperand[] = {D3DPS_VERSION(1, 4), 0x01, 0x800F0000, D3DPS_END()};
    DWORD handle = 0;
    EXPECT_EQ(D3DERR_INVALIDCALL, s_device->CreatePixelShader(unknownOpcode, &handle));
    EXPECT_EQ(D3DERR_INVALIDCALL, s_device->CreatePixelShader(missingOperand, &handle));
}

namespace {

// One cell of the scene: a quad drawn over a 32 x 32 viewport with a vertex
// and a pixel shader, and the colours expected at points of the cell.
struct Probe {
    UINT x, y;           // within the cell
    uint32_t expected;   // 0xRRGGBB
};

struct Cell {
    const char* name;
    const char* vs;
    const char* ps;
    D3DCOLOR color;
    bool textured;
    bool blend;          // alpha blending over a blue cell
    Probe probes[4];
};

const char kPassVS[] = "vs.1.1\nmov oPos, v0\nmov oD0, v1\nmov oT0, v2\n";
const char kMovPS[] = "ps.1.1\nmov r0, v0\n";
const char kTexPS[] = "ps.1.1\ntex t0\nmov r0, t0\n";

// The texture: red, green / blue, white (2 x 2, sampled by points).
const uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF, kWhite = 0xFFFFFF;

const Cell kCells[] = {
    {"vs 1.1 and ps 1.1 pass the vertex colour", kPassVS, kMovPS, 0xFFC86432, false, false,
     {{16, 16, 0xC86432}}},
    {"m4x4 by constant registers, mul", "vs.1.1\nm4x4 oPos, v0, c0\nmul oD0, v1, c4\n", kMovPS, 0xFFC86432, false, false,
     {{16, 16, 0x646464}}},
    {"swizzle", "vs.1.1\nmov oPos, v0\nmov oD0, v1.zyxw\n", kMovPS, 0xFFC86432, false, false,
     {{16, 16, 0x3264C8}}},
    {"relative addressing", "vs.1.1\nmov oPos, v0\nmov a0.x, c5.x\nmov oD0, c[a0.x + 1]\n", kMovPS, 0xFFC86432, false,
     false, {{16, 16, 0x00FF00}}},
    {"rcp of a replicated component, negation", "vs.1.1\nmov oPos, v0\nrcp r0.x, c9.x\nmul r1, v1, r0.x\n"
     "add oD0, r1, -c10\n", kMovPS, 0xFFC86432, false, false, {{16, 16, 0x643219}}},
    {"vertex shader def through the declaration", "vs.1.1\ndef c20, 0, 0, 1, 1\nmov oPos, v0\nmov oD0, c20\n",
     kMovPS, 0xFFC86432, false, false, {{16, 16, 0x0000FF}}},
    {"vs 1.0", "vs.1.0\nmov oPos, v0\nmov oD0, v1.yzxw\n", kMovPS, 0xFFC86432, false, false, {{16, 16, 0x6432C8}}},
    {"ps 1.1 def, mul_x2", kPassVS, "ps.1.1\ndef c0, 1.0, 0.5, 0.25, 1\nmul_x2 r0, v0, c0\n", 0xFF646464, false, false,
     {{16, 16, 0xC86432}}},
    {"ps 1.1 co-issue", kPassVS, "ps.1.1\ndef c0, 0.5, 0.25, 0.75, 1\nadd r0.rgb, v0, c0\n+mov r0.a, c0.a\n",
     0xFF000000, false, false, {{16, 16, 0x8040BF}}},
    {"ps 1.1 complement", kPassVS, "ps.1.1\nmov r0, 1-v0\n", 0xFFC86432, false, false, {{16, 16, 0x379BCD}}},
    {"ps 1.2 cmp of a biased source", kPassVS, "ps.1.2\ndef c0, 1, 1, 0, 1\ndef c1, 0, 0, 1, 1\ncmp r0, v0_bias, c0, c1\n",
     0xFFFF00FF, false, false, {{16, 16, 0xFF0000}}},
    {"ps 1.1 tex", kPassVS, kTexPS, 0xFFFFFFFF, true, false,
     {{8, 8, kRed}, {24, 8, kGreen}, {8, 24, kBlue}, {24, 24, kWhite}}},
    {"ps 1.4 texld, mul", kPassVS, "ps.1.4\ndef c0, 1, 1, 0, 1\ntexld r0, t0\nmul r0, r0, c0\n", 0xFFFFFFFF, true, false,
     {{8, 8, kRed}, {24, 8, kGreen}, {8, 24, 0x000000}, {24, 24, 0xFFFF00}}},
    {"ps 1.4 phase: a dependent read, then v0", kPassVS,
     "ps.1.4\ntexcrd r1.rgb, t0\nphase\ntexld r0, r1\nmul r0, r0, v0\n", 0xFF80FF80, true, false,
     {{8, 8, 0x800000}, {24, 8, kGreen}, {8, 24, 0x000080}, {24, 24, 0x80FF80}}},
    {"ps 1.4 cnd per component, _d2 into .rg", kPassVS,
     "ps.1.4\ndef c0, 0.75, 0.25, 0.75, 1\ndef c1, 1, 1, 1, 1\ndef c2, 0, 0, 0, 0\ncnd r0, c0, c1, c2\n"
     "mov_d2 r0.rg, r0\n", 0xFF000000, false, false, {{16, 16, 0x8000FF}}},
    {"colour key: keyed texels let the blue cell show", kPassVS, kTexPS, 0xFFFFFFFF, true, true,
     {{8, 8, kBlue}, {24, 8, kGreen}, {8, 24, kBlue}, {24, 24, kWhite}}},
};

}  // namespace

TEST_F(D3DXShaderOnDevice, AssembledShadersDrawTheKnownScene)
{
    IDirect3DDevice8* d = s_device;
    // Textures from bitmap files in memory: the plain one, and one whose
    // magenta texels are keyed out.
    const std::vector<uint8_t> plain = MakeBitmapFile(2, 2, {kRed, kGreen, kBlue, kWhite});
    const std::vector<uint8_t> keyed = MakeBitmapFile(2, 2, {0xFF00FF, kGreen, 0xFF00FF, kWhite});
    IDirect3DTexture8* texture = nullptr;
    IDirect3DTexture8* keyedTexture = nullptr;
    ASSERT_EQ(D3D_OK, D3DXCreateTextureFromFileInMemoryEx(d, plain.data(), UINT(plain.size()), 0, 0, 1, 0,
                                                          D3DFMT_UNKNOWN, D3DPOOL_DEFAULT, D3DX_FILTER_NONE,
                                                          D3DX_DEFAULT, 0, nullptr, nullptr, &texture));
    ASSERT_EQ(D3D_OK, D3DXCreateTextureFromFileInMemoryEx(d, keyed.data(), UINT(keyed.size()), 0, 0, 1, 0,
                                                          D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_FILTER_NONE,
                                                          D3DX_DEFAULT, 0xFFFF00FF, nullptr, nullptr, &keyedTexture));

    // Vertex constants: c0-c3 identity, c4 a scale, c5.x = 7 for a0, c8 green,
    // c9.x = 2, c10 a small colour to subtract.
    const float constants[11][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1},
                                    {0.5f, 1, 2, 1}, {7, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0},
                                    {0, 1, 0, 1}, {2, 2, 2, 2}, {0, 0, 0, 0}};
    ASSERT_EQ(D3D_OK, d->SetVertexShaderConstant(0, constants, 11));
    d->SetRenderState(D3DRS_ZENABLE, FALSE);
    d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    d->SetRenderState(D3DRS_LIGHTING, FALSE);
    d->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_POINT);
    d->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_POINT);
    d->SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP);
    d->SetTextureStageState(0, D3DTSS_ADDRESSV, D3DTADDRESS_CLAMP);
    d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    ASSERT_EQ(D3D_OK, d->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF202020, 1.0f, 0));
    ASSERT_EQ(D3D_OK, d->BeginScene());

    const UINT columns = kWidth / 32;
    std::vector<DWORD> handles;
    for (size_t i = 0; i < sizeof kCells / sizeof kCells[0]; ++i) {
        const Cell& c = kCells[i];
        std::vector<DWORD> vsConstants;
        const std::vector<DWORD> vs = Assemble(c.vs, &vsConstants);
        const std::vector<DWORD> ps = Assemble(c.ps);
        ASSERT_FALSE(vs.empty() || ps.empty()) << c.name;
        std::vector<DWORD> declaration(kTexturedVertexDeclaration, kTexturedVertexDeclaration + 4);
        declaration.insert(declaration.end(), vsConstants.begin(), vsConstants.end());
        declaration.push_back(D3DVSD_END());
        DWORD vsHandle = 0, psHandle = 0;
        ASSERT_EQ(D3D_OK, d->CreateVertexShader(declaration.data(), vs.data(), &vsHandle, 0)) << c.name;
        ASSERT_EQ(D3D_OK, d->CreatePixelShader(ps.data(), &psHandle)) << c.name;
        handles.push_back(vsHandle);

        const D3DVIEWPORT8 viewport = {DWORD(i % columns) * 32, DWORD(i / columns) * 32, 32, 32, 0, 1};
        ASSERT_EQ(D3D_OK, d->SetViewport(&viewport));
        if (c.blend) {
            const D3DRECT rect = {LONG(viewport.X), LONG(viewport.Y), LONG(viewport.X + 32), LONG(viewport.Y + 32)};
            d->Clear(1, &rect, D3DCLEAR_TARGET, 0xFF0000FF, 1.0f, 0);
        }
        d->SetRenderState(D3DRS_ALPHABLENDENABLE, c.blend);
        d->SetTexture(0, c.textured ? (c.blend ? keyedTexture : texture) : nullptr);
        ASSERT_EQ(D3D_OK, d->SetVertexShader(vsHandle));
        ASSERT_EQ(D3D_OK, d->SetPixelShader(psHandle));
        const TexturedVertex quad[4] = {{-1, 1, 0.5f, c.color, 0, 0}, {1, 1, 0.5f, c.color, 1, 0},
                                {-1, -1, 0.5f, c.color, 0, 1}, {1, -1, 0.5f, c.color, 1, 1}};
        ASSERT_EQ(D3D_OK, d->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(TexturedVertex))) << c.name;
        d->SetPixelShader(0);
        d->DeletePixelShader(psHandle);
    }
    ASSERT_EQ(D3D_OK, d->EndScene());
    d->SetVertexShader(D3DFVF_XYZ);
    for (DWORD h : handles)
        d->DeleteVertexShader(h);
    d->SetTexture(0, nullptr);
    texture->Release();
    keyedTexture->Release();

    const std::vector<uint32_t> pixels = ReadBackBuffer();
    ASSERT_EQ(size_t(kWidth) * kHeight, pixels.size()) << "back buffer read";
    if (const char* path = std::getenv("QUILL_D3DX_SCENE")) {
        EXPECT_TRUE(SaveBitmapFile(path, pixels, kWidth, kHeight)) << path;
    }
    for (size_t i = 0; i < sizeof kCells / sizeof kCells[0]; ++i) {
        const Cell& c = kCells[i];
        for (const Probe& p : c.probes) {
            if (p.x == 0 && p.y == 0)
                continue;
            const UINT x = UINT(i % columns) * 32 + p.x, y = UINT(i / columns) * 32 + p.y;
            const uint32_t got = pixels[size_t(y) * kWidth + x] & 0xFFFFFF;
            EXPECT_TRUE(NearRgb(p.expected, got, 2)) << "cell " << i << " (" << c.name << ") at " << p.x << "," << p.y
                                               << std::hex << ": expected 0x" << p.expected << ", got 0x" << got;
        }
    }
    ASSERT_EQ(D3D_OK, d->Present(nullptr, nullptr, nullptr, nullptr));
}
