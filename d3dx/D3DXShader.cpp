#include "d3dx/D3DX.h"
#include "d3dx/D3DXBuffer.h"
#include "d3dx/ResultCode.h"
#include "d3dx/ShaderAssembler.h"

#include <memory>
#include <new>
#include <vector>

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

// The caller's include interface as the preprocessor's handler. Each
// answered Open adds one file, in order, so a file's index finds its data;
// the data stay open (a nested Open gets its parent's) until the end.
class CIncludeBridge {
public:
    CIncludeBridge(LPD3DXINCLUDE include, LPCVOID source) : m_include(include), m_data(1, source) {}
    ~CIncludeBridge()
    {
        for (size_t i = m_data.size(); i-- > 1;)
            m_include->Close(m_data[i]);
    }

    bool Open(const CShaderPreprocessor::IncludeRequest& request, std::string& name, std::string& text,
              std::string& why)
    {
        LPCVOID data = nullptr;
        UINT bytes = 0;
        const HRESULT hr = m_include->Open(request.system ? D3DXINC_SYSTEM : D3DXINC_LOCAL, request.name.c_str(),
                                           m_data[request.includer], &data, &bytes);
        if (FAILED(hr)) {
            why = d3dx::ResultCodeText(int32_t(hr));
            return false;
        }
        if (!data && bytes) {
            m_include->Close(data);
            why = "Open gave no data";
            return false;
        }
        m_data.push_back(data);
        name = request.name;
        if (bytes)
            text.assign(static_cast<const char*>(data), bytes);
        return true;
    }

private:
    LPD3DXINCLUDE m_include;
    std::vector<LPCVOID> m_data;
};

}  // namespace

extern "C" HRESULT WINAPI D3DXAssembleShader(LPCVOID pSrcData, UINT SrcDataLen, DWORD Flags, LPD3DXBUFFER* ppConstants,
                                             LPD3DXBUFFER* ppCompiledShader, LPD3DXBUFFER* ppCompilationErrors)
{
    return D3DXAssembleShaderEx(pSrcData, SrcDataLen, nullptr, nullptr, Flags, ppConstants, ppCompiledShader,
                                ppCompilationErrors);
}

extern "C" HRESULT WINAPI D3DXAssembleShaderEx(LPCVOID pSrcData, UINT SrcDataLen, const D3DXMACRO* pDefines,
                                               LPD3DXINCLUDE pInclude, DWORD Flags, LPD3DXBUFFER* ppConstants,
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
        CShaderPreprocessor& preprocessor = assembler.GetPreprocessor();
        for (const D3DXMACRO* m = pDefines; m && m->Name; ++m)
            if (!preprocessor.Define(m->Name, m->Definition ? m->Definition : "1"))
                return D3DERR_INVALIDCALL;
        std::unique_ptr<CIncludeBridge> bridge;
        if (pInclude) {
            bridge.reset(new CIncludeBridge(pInclude, pSrcData));
            preprocessor.SetIncludeHandler([&bridge](const CShaderPreprocessor::IncludeRequest& request,
                                                     std::string& name, std::string& text, std::string& why) {
                return bridge->Open(request, name, text, why);
            });
        }
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
