// A known scene drawn through the device layer on a real device: shaders
// assembled by our extension library (vs 1.1 with a def, ps 1.1 and 1.4),
// a vertex buffer, textures from bitmaps in memory (one colour-keyed),
// fixed-function drawing on the default states, surfaces copied in. The
// back buffer is read through CD3DSurface and chosen pixels are compared.
#include "D3DLayerTest.h"

#include "d3d/D3DPixelShader.h"
#include "d3d/D3DSurface.h"
#include "d3d/D3DTexture.h"
#include "d3d/D3DVertexBuffer.h"
#include "d3d/D3DVertexShader.h"

#include "surface/AutoSurface.h"

#include "common/TraceCapture.h"
#include "common/TexturedVertex.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

using D3DSceneTest = D3DLayerTest;

const int kCell = 32;
const int kColumns = D3DLayerTest::kWidth / kCell;
const uint32_t kClear = 0x202020, kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF, kWhite = 0xFFFFFF;

struct ScreenVertex {
    float x, y, z, rhw;
    D3DCOLOR color;
    float u, v;
};
const DWORD kScreenFVF = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;

struct Probe {
    int x, y;           // within the cell
    uint32_t expected;  // 0xRRGGBB
};

struct Expectation {
    const char* name;
    Probe probes[4];
};

// Expected colours per cell, in the order the test draws them.
const Expectation kCells[] = {
    {"vs 1.1 and ps 1.1 pass the colour of a vertex buffer", {{16, 16, 0xC86432}}},
    {"vs def through the declaration", {{16, 16, 0x0000FF}}},
    {"vs constants set through the device: m4x4, mul", {{16, 16, 0x646464}}},
    {"ps 1.1 def, mul_x2", {{16, 16, 0xC86432}}},
    {"ps 1.4 texld times a def", {{8, 8, kRed}, {24, 8, kGreen}, {8, 24, 0x000000}, {24, 24, 0xFFFF00}}},
    {"ps 1.4 phase: a dependent read, then v0", {{8, 8, 0x800000}, {24, 8, kGreen}, {8, 24, 0x000080}, {24, 24, 0x80FF80}}},
    {"ps 1.1 tex", {{8, 8, kRed}, {24, 8, kGreen}, {8, 24, kBlue}, {24, 24, kWhite}}},
    {"colour key: the blue below shows through keyed texels", {{8, 8, kBlue}, {24, 8, kGreen}, {8, 24, kBlue}, {24, 24, kWhite}}},
    {"fixed function on the default states: the diffuse colour", {{16, 16, 0x3080C0}}},
    {"fixed function texture, alpha test: keyed texels not drawn", {{8, 8, kClear}, {24, 8, kGreen}, {8, 24, kClear}, {24, 24, kWhite}}},
    {"image surface filled, copied in", {{8, 16, kRed}, {24, 16, kBlue}, {16, 2, kGreen}}},
    {"framework surface (16 bits) copied in, top row on top", {{8, 8, 0xF80000}, {24, 8, 0x00FC00}, {8, 24, 0x0000F8}, {24, 24, 0xF8FCF8}}},
    {"the default cull mode drops a counter-clockwise quad", {{16, 16, kClear}}},
    {"the same quad with culling off", {{16, 16, 0xFFC000}}},
    {"alpha blending of half a red over blue", {{16, 16, 0x80007F}}},
};

// A quad over the whole viewport in clip space (clockwise on screen).
void Quad(TexturedVertex out[4], D3DCOLOR color)
{
    const TexturedVertex q[4] = {{-1, 1, 0.5f, color, 0, 0}, {1, 1, 0.5f, color, 1, 0}, {-1, -1, 0.5f, color, 0, 1},
                         {1, -1, 0.5f, color, 1, 1}};
    std::copy(q, q + 4, out);
}

// A quad over cell i in screen coordinates; reversed, it winds the other way.
void ScreenQuad(ScreenVertex out[4], int i, D3DCOLOR color, bool reversed = false)
{
    const float x = float(i % kColumns * kCell), y = float(i / kColumns * kCell), s = float(kCell);
    const ScreenVertex q[4] = {{x, y, 0.5f, 1, color, 0, 0}, {x + s, y, 0.5f, 1, color, 1, 0},
                               {x, y + s, 0.5f, 1, color, 0, 1}, {x + s, y + s, 0.5f, 1, color, 1, 1}};
    if (reversed) {
        out[0] = q[1];
        out[1] = q[0];
        out[2] = q[3];
        out[3] = q[2];
    } else {
        std::copy(q, q + 4, out);
    }
}

D3DVIEWPORT8 CellViewport(int i)
{
    return D3DVIEWPORT8{DWORD(i % kColumns * kCell), DWORD(i / kColumns * kCell), DWORD(kCell), DWORD(kCell), 0, 1};
}

// The back buffer through CD3DSurface: copied into an image surface of its
// format, read pixel by pixel (0xAARRGGBB, top row first).
std::vector<uint32_t> ReadBackBuffer()
{
    std::vector<uint32_t> pixels;
    CD3DSurface back, copy;
    if (!back.Attach(D3DLayerTest::Device()->GetBackBuffer()))
        return pixels;
    UINT width = 0, height = 0;
    back.GetSize(width, height);
    if (!copy.CreateImageSurface(width, height, back.GetFormat()) ||
        !back.CopyRect(copy, 0, 0, int(width), int(height), 0, 0) || !copy.Lock())
        return pixels;
    for (UINT y = 0; y < height; ++y)
        for (UINT x = 0; x < width; ++x)
            pixels.push_back(copy.GetPixel(int(x), int(y)));
    copy.Unlock();
    return pixels;
}

TEST_F(D3DSceneTest, AssembledShadersAndTexturesDrawTheKnownScene)
{
    s_app->Activate();
    TraceCapture trace;
    std::vector<uint32_t> pixels;
    OnWindow([&] {
        CD3DDevice* d = Device();
        CD3DVertexShader passVS, defVS, constVS;
        CD3DPixelShader movPS, mulPS, texldPS, phasePS, texPS;
        CD3DVertexBuffer quad;
        CD3DTexture keyed;
        auto vs = [](CD3DVertexShader& shader, const char* text) {
            return shader.CreateShader(kTexturedVertexDeclaration, text, UINT(std::strlen(text)));
        };
        auto ps = [](CD3DPixelShader& shader, const char* text) {
            return shader.CreateShader(text, UINT(std::strlen(text)));
        };
        ASSERT_TRUE(vs(passVS, "vs.1.1\nmov oPos, v0\nmov oD0, v1\nmov oT0, v2\n"));
        ASSERT_TRUE(vs(defVS, "vs.1.1\ndef c20, 0, 0, 1, 1\nmov oPos, v0\nmov oD0, c20\n"));
        ASSERT_TRUE(vs(constVS, "vs.1.1\nm4x4 oPos, v0, c0\nmul oD0, v1, c4\n"));
        ASSERT_TRUE(ps(movPS, "ps.1.1\nmov r0, v0\n"));
        ASSERT_TRUE(ps(mulPS, "ps.1.1\ndef c0, 1.0, 0.5, 0.25, 1\nmul_x2 r0, v0, c0\n"));
        ASSERT_TRUE(ps(texldPS, "ps.1.4\ndef c0, 1, 1, 0, 1\ntexld r0, t0\nmul r0, r0, c0\n"));
        ASSERT_TRUE(ps(phasePS, "ps.1.4\ntexcrd r1.rgb, t0\nphase\ntexld r0, r1\nmul r0, r0, v0\n"));
        ASSERT_TRUE(ps(texPS, "ps.1.1\ntex t0\nmov r0, t0\n"));
        ASSERT_TRUE(quad.Create(4 * sizeof(TexturedVertex), D3DUSAGE_WRITEONLY, 0, D3DPOOL_DEFAULT));
        const std::vector<uint8_t> keyedFile = MakeBitmapFile(2, 2, {0xFF00FF, kGreen, 0xFF00FF, kWhite});
        ASSERT_TRUE(keyed.Create(keyedFile.data(), UINT(keyedFile.size()), 0, 0, 1, D3DFMT_UNKNOWN, D3DPOOL_DEFAULT,
                                 false, 0xFFFF00FF));

        // Everything is made again by a restore; the buffer is then filled.
        ASSERT_TRUE(d->RestoreDevice());
        ASSERT_TRUE(quad.Lock());
        TexturedVertex vertices[4];
        Quad(vertices, 0xFFC86432);
        std::memcpy(quad.GetPointer(), vertices, sizeof vertices);
        quad.Unlock();
        const std::vector<uint8_t> plainFile = MakeBitmapFile(2, 2, {kRed, kGreen, kBlue, kWhite});
        IDirect3DTexture8* plain = CD3DTexture::CreateTexture(plainFile.data(), UINT(plainFile.size()), 0, 0, 1,
                                                              D3DFMT_UNKNOWN, D3DPOOL_MANAGED, false, 0, nullptr);
        ASSERT_NE(nullptr, plain);

        const float constants[5][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}, {0.5f, 1, 2, 1}};
        ASSERT_TRUE(d->SetVertexShaderConstant(0, constants, 5));
        ASSERT_TRUE(d->ClearTarget(0xFF000000 | kClear));
        ASSERT_TRUE(d->BeginScene());

        auto shaded = [&](int cell, CD3DVertexShader& v, CD3DPixelShader& p, D3DCOLOR color,
                          IDirect3DBaseTexture8* texture) {
            EXPECT_TRUE(d->SetViewport(CellViewport(cell)));
            EXPECT_TRUE(d->SetTexture(0, texture));
            EXPECT_TRUE(d->SetVertexShader(v.GetHandle()));
            EXPECT_TRUE(d->SetPixelShader(p.GetHandle()));
            TexturedVertex q[4];
            Quad(q, color);
            EXPECT_TRUE(d->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, q, sizeof(TexturedVertex))) << kCells[cell].name;
        };
        // 0: the vertex buffer through stream 0.
        EXPECT_TRUE(d->SetViewport(CellViewport(0)));
        EXPECT_TRUE(d->SetVertexShader(passVS.GetHandle()));
        EXPECT_TRUE(d->SetPixelShader(movPS.GetHandle()));
        EXPECT_TRUE(d->SetVertexBuffer(quad.GetBuffer(), sizeof(TexturedVertex)));
        EXPECT_TRUE(d->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2));
        shaded(1, defVS, movPS, 0xFFC86432, nullptr);
        shaded(2, constVS, movPS, 0xFFC86432, nullptr);
        shaded(3, passVS, mulPS, 0xFF646464, nullptr);
        shaded(4, passVS, texldPS, 0xFFFFFFFF, plain);
        shaded(5, passVS, phasePS, 0xFF80FF80, plain);
        shaded(6, passVS, texPS, 0xFFFFFFFF, plain);
        shaded(7, passVS, movPS, 0xFF0000FF, nullptr);
        EXPECT_TRUE(d->EnableAlphaBlend(true));
        EXPECT_TRUE(d->SetAlphaBlendMode(D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA));
        shaded(7, passVS, texPS, 0xFFFFFFFF, keyed.GetTexture());
        EXPECT_TRUE(d->EnableAlphaBlend(false));

        // Fixed function on the default states, in screen coordinates.
        EXPECT_TRUE(d->SetPixelShader(0));
        EXPECT_TRUE(d->SetTexture(0, nullptr));
        EXPECT_TRUE(d->SetVertexShader(kScreenFVF));
        EXPECT_TRUE(d->SetViewport(D3DVIEWPORT8{0, 0, DWORD(kWidth), DWORD(kHeight), 0, 1}));
        ScreenVertex s[4];
        ScreenQuad(s, 8, 0xFF3080C0);
        EXPECT_TRUE(d->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, s, sizeof(ScreenVertex)));
        EXPECT_TRUE(d->SetTexture(0, keyed.GetTexture()));
        EXPECT_TRUE(d->SetTextureColorBlendMode(0, D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_CURRENT));
        EXPECT_TRUE(d->SetTextureAlphaBlendMode(0, D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_CURRENT));
        EXPECT_TRUE(d->EnableAlphaBlendTest(true));
        EXPECT_TRUE(d->SetAlphaBlendTestFunc(D3DCMP_GREATER, 0));
        ScreenQuad(s, 9, 0xFFFFFFFF);
        EXPECT_TRUE(d->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, s, sizeof(ScreenVertex)));
        EXPECT_TRUE(d->EnableAlphaBlendTest(false));
        EXPECT_TRUE(d->SetTextureColorBlendMode(0, D3DTOP_DISABLE, D3DTA_TEXTURE, D3DTA_CURRENT));
        EXPECT_TRUE(d->SetTextureAlphaBlendMode(0, D3DTOP_DISABLE, D3DTA_TEXTURE, D3DTA_CURRENT));
        EXPECT_TRUE(d->SetTexture(0, nullptr));
        ScreenQuad(s, 12, 0xFFFFC000, true);
        EXPECT_TRUE(d->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, s, sizeof(ScreenVertex)));
        EXPECT_TRUE(d->SetRenderState(D3DCULL_NONE));
        ScreenQuad(s, 13, 0xFFFFC000, true);
        EXPECT_TRUE(d->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, s, sizeof(ScreenVertex)));
        EXPECT_TRUE(d->SetRenderState(D3DCULL_CCW));
        ScreenQuad(s, 14, 0xFF0000FF);
        EXPECT_TRUE(d->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, s, sizeof(ScreenVertex)));
        EXPECT_TRUE(d->EnableAlphaBlend(true));
        ScreenQuad(s, 14, 0x80FF0000);
        EXPECT_TRUE(d->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, s, sizeof(ScreenVertex)));
        EXPECT_TRUE(d->EnableAlphaBlend(false));
        EXPECT_TRUE(d->EndScene());

        // Surfaces copied into the back buffer: one filled, one converted
        // from a framework surface.
        CD3DSurface back, image, converted;
        ASSERT_TRUE(back.Attach(d->GetBackBuffer()));
        const D3DFORMAT format = back.GetFormat();
        ASSERT_TRUE(image.CreateImageSurface(kCell, kCell, format));
        image.Fill(0xFFFF0000, 0, 0, 16, kCell);
        image.Fill(0xFF0000FF, 16, 0, kCell, kCell);
        image.Fill(0xFF00FF00, 0, 0, kCell, 4);
        EXPECT_TRUE(image.CopyRect(back, 0, 0, kCell, kCell, 10 % kColumns * kCell, 10 / kColumns * kCell));
        CAutoSurface picture;
        picture.SetDirectDrawEnable(false);
        picture.SetAutoRestore(false);
        ASSERT_TRUE(picture.Create(kCell, kCell, 16, false));
        picture.Fill(RGB(255, 0, 0), 0, 0, 16, 16);
        picture.Fill(RGB(0, 255, 0), 16, 0, 32, 16);
        picture.Fill(RGB(0, 0, 255), 0, 16, 16, 32);
        picture.Fill(RGB(255, 255, 255), 16, 16, 32, 32);
        ASSERT_TRUE(converted.CreateImageSurface(kCell, kCell, format));
        ASSERT_TRUE(converted.CopyFromSurface(&picture));
        EXPECT_TRUE(converted.CopyRect(back, 0, 0, kCell, kCell, 11 % kColumns * kCell, 11 / kColumns * kCell));

        pixels = ReadBackBuffer();
        EXPECT_TRUE(d->Present());
        plain->Release();
    });
    EXPECT_EQ(std::vector<std::string>(), trace.Lines()) << "nothing failed, so nothing is reported";
    ASSERT_EQ(size_t(kWidth) * kHeight, pixels.size()) << "the back buffer read";
    if (const char* path = std::getenv("QUILL_D3D_SCENE")) {
        EXPECT_TRUE(SaveBitmapFile(path, pixels, kWidth, kHeight)) << path;
    }
    for (size_t i = 0; i < sizeof kCells / sizeof kCells[0]; ++i) {
        for (const Probe& p : kCells[i].probes) {
            if (p.x == 0 && p.y == 0)
                continue;
            const int x = int(i) % kColumns * kCell + p.x, y = int(i) / kColumns * kCell + p.y;
            const uint32_t got = pixels[size_t(y) * kWidth + x] & 0xFFFFFF;
            EXPECT_TRUE(NearRgb(p.expected, got, 3)) << "cell " << i << " (" << kCells[i].name << ") at " << p.x << ","
                                               << p.y << std::hex << ": expected 0x" << p.expected << ", got 0x"
                                               << got;
        }
    }
}

}  // namespace
