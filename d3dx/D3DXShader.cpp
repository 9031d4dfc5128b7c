#include "d3dx/D3DX.h"
#include "d3dx/D3DXBuffer.h"
#include "d3dx/ShaderAssembler.h"

#include <new>

namespace {

HRESULT MakeBuffer(const void* data, size_t size, LPD3DXBUFFER* out)
{
    *out = CD3DXBuffer::Create(data, DWORD(size));
    return *out ? D3D_OK : E_OUTOFMEMORY;
}

void Clear(LPD3DXBUFFER* p)
{
    if (p && *p) {
        (*p)->Release();
        *p = nullptr;
    }
}

}  // namespace

extern "C" HRESULT WINAPI D3DXAssembleShader(LPCVOID pSrcData, UINT SrcDataLen, DWORD Flags, LPD3DXBUFFER* ppConstants,
                                             LPD3DXBUFFER* ppCompiledShader, LPD3DXBUFFER* ppCompilationErrors)
{
    if (ppConstants)
        *ppConstants = nullptr;
    if (ppCompiledShader)
        *ppCompiledShader = nullptr;
    if (ppCompilationErrors)
        *ppCompilationErrors = nullptr;
    if (!pSrcData)
        return D3DERR_INVALIDCALL;

    try {
        CShaderAssembler assembler;
        if (!assembler.Assemble(static_cast<const char*>(pSrcData), SrcDataLen, Flags)) {
            if (ppCompilationErrors) {
                const std::string& text = assembler.GetErrors();
                if (FAILED(MakeBuffer(text.c_str(), text.size() + 1, ppCompilationErrors)))
                    return E_OUTOFMEMORY;
            }
            return D3DXERR_INVALIDDATA;
        }
        const std::vector<uint32_t>& tokens = assembler.GetTokens();
        const std::vector<uint32_t>& constants = assembler.GetConstants();
        if (ppCompiledShader && FAILED(MakeBuffer(tokens.data(), tokens.size() * 4, ppCompiledShader)))
            return E_OUTOFMEMORY;
        if (ppConstants && !constants.empty() &&
            FAILED(MakeBuffer(constants.data(), constants.size() * 4, ppConstants))) {
            Clear(ppCompiledShader);
            return E_OUTOFMEMORY;
        }
    } catch (const std::bad_alloc&) {
        Clear(ppCompiledShader);
        Clear(ppConstants);
        Clear(ppCompilationErrors);
        return E_OUTOFMEMORY;
    }
    return D3D_OK;
}
