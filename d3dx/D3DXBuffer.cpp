#include "d3dx/D3DXBuffer.h"

#include <cstring>
#include <new>

extern "C" const GUID IID_ID3DXBuffer = {0x932e6a7e, 0xc68e, 0x45dd, {0xa7, 0xbf, 0x53, 0xd1, 0x9c, 0x86, 0xdb, 0x1f}};

CD3DXBuffer* CD3DXBuffer::Create(const void* data, DWORD size)
{
    // One spare byte keeps the pointer valid for an empty buffer.
    BYTE* bytes = new (std::nothrow) BYTE[size_t(size) + 1];
    if (!bytes)
        return nullptr;
    if (data)
        std::memcpy(bytes, data, size);
    else
        std::memset(bytes, 0, size);
    bytes[size] = 0;
    CD3DXBuffer* buffer = new (std::nothrow) CD3DXBuffer(bytes, size);
    if (!buffer)
        delete[] bytes;
    return buffer;
}

HRESULT CD3DXBuffer::QueryInterface(REFIID iid, LPVOID* ppv)
{
    if (!ppv)
        return E_POINTER;
    if (IsEqualGUID(iid, IID_IUnknown) || IsEqualGUID(iid, IID_ID3DXBuffer)) {
        AddRef();
        *ppv = static_cast<ID3DXBuffer*>(this);
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

ULONG CD3DXBuffer::AddRef() { return ULONG(InterlockedIncrement(&m_references)); }

ULONG CD3DXBuffer::Release()
{
    const LONG left = InterlockedDecrement(&m_references);
    if (left == 0)
        delete this;
    return ULONG(left);
}

extern "C" HRESULT WINAPI D3DXCreateBuffer(DWORD NumBytes, LPD3DXBUFFER* ppBuffer)
{
    if (!ppBuffer)
        return D3DERR_INVALIDCALL;
    *ppBuffer = CD3DXBuffer::Create(nullptr, NumBytes);
    return *ppBuffer ? D3D_OK : E_OUTOFMEMORY;
}
