#pragma once
// The vertex the device tests draw with: position, colour and one texture
// coordinate pair, and its vertex shader declaration.
#include <windows.h>
#include <d3d8.h>

struct TexturedVertex {
    float x, y, z;
    D3DCOLOR color;
    float u, v;
};

const DWORD kTexturedVertexDeclaration[] = {D3DVSD_STREAM(0), D3DVSD_REG(0, D3DVSDT_FLOAT3),
                                            D3DVSD_REG(1, D3DVSDT_D3DCOLOR), D3DVSD_REG(2, D3DVSDT_FLOAT2),
                                            D3DVSD_END()};
