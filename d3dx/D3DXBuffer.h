#pragma once
#include "d3dx/D3DX.h"

// The library's ID3DXBuffer: a reference-counted block of bytes.
class CD3DXBuffer : public ID3DXBuffer {
public:
    // A buffer holding a copy of size bytes (zeroed when data is null), or
    // null when memory runs out.
    static CD3DXBuffer* Create(const void* data, DWORD size);

    STDMETHOD(QueryInterface)(REFIID iid, LPVOID* ppv) override;
    STDMETHOD_(ULONG, AddRef)() override;
    STDMETHOD_(ULONG, Release)() override;
    STDMETHOD_(LPVOID, GetBufferPointer)() override { return m_data; }
    STDMETHOD_(DWORD, GetBufferSize)() override { return m_size; }

private:
    CD3DXBuffer(BYTE* data, DWORD size) : m_data(data), m_size(size) {}
    virtual ~CD3DXBuffer() { delete[] m_data; }
    CD3DXBuffer(const CD3DXBuffer&) = delete;
    CD3DXBuffer& operator=(const CD3DXBuffer&) = delete;

    LONG m_references = 1;
    BYTE* m_data;
    DWORD m_size;
};
