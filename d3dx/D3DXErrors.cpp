#include "d3dx/D3DX.h"
#include "d3dx/ResultCode.h"

#include <algorithm>
#include <new>

extern "C" HRESULT WINAPI D3DXGetErrorStringA(HRESULT hr, LPSTR pBuffer, UINT BufferLen)
{
    if (!pBuffer || BufferLen == 0)
        return D3DERR_INVALIDCALL;
    try {
        const std::string text = d3dx::ResultCodeText(int32_t(hr));
        const size_t n = std::min<size_t>(text.size(), BufferLen - 1);
        text.copy(pBuffer, n);
        pBuffer[n] = '\0';
    } catch (const std::bad_alloc&) {
        pBuffer[0] = '\0';
        return E_OUTOFMEMORY;
    }
    return D3D_OK;
}

extern "C" HRESULT WINAPI D3DXGetErrorStringW(HRESULT hr, LPWSTR pBuffer, UINT BufferLen)
{
    if (!pBuffer || BufferLen == 0)
        return D3DERR_INVALIDCALL;
    char text[64];
    const HRESULT result = D3DXGetErrorStringA(hr, text, sizeof text);
    if (FAILED(result)) {
        pBuffer[0] = L'\0';
        return result;
    }
    // The names are ASCII.
    UINT i = 0;
    for (; i + 1 < BufferLen && text[i]; ++i)
        pBuffer[i] = WCHAR(uint8_t(text[i]));
    pBuffer[i] = L'\0';
    return D3D_OK;
}
