#include "d3d/ShaderText.h"
#include "d3d/D3DResult.h"

#include "d3dx/D3DX.h"
#include "framework/ComRef.h"

bool AssembleShaderText(const char* prefix, const char* source, UINT length, std::vector<DWORD>& code,
                        std::vector<DWORD>* constants)
{
    code.clear();
    if (constants)
        constants->clear();
    ID3DXBuffer* rawCode = nullptr;
    ID3DXBuffer* rawConstants = nullptr;
    const HRESULT hr = D3DXAssembleShader(source, length, 0, constants ? &rawConstants : nullptr, &rawCode, nullptr);
    CComRef<ID3DXBuffer> codeBuffer(rawCode), constantBuffer(rawConstants);
    if (FAILED(hr) || !codeBuffer.IsValid()) {
        ReportD3DFailure(prefix, FAILED(hr) ? hr : E_FAIL);
        return false;
    }
    const DWORD* words = static_cast<const DWORD*>(codeBuffer.Get()->GetBufferPointer());
    code.assign(words, words + codeBuffer.Get()->GetBufferSize() / sizeof(DWORD));
    if (constants && constantBuffer.IsValid()) {
        words = static_cast<const DWORD*>(constantBuffer.Get()->GetBufferPointer());
        constants->assign(words, words + constantBuffer.Get()->GetBufferSize() / sizeof(DWORD));
    }
    return true;
}
