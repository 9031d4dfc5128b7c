#pragma once
// A vertex buffer that survives a lost device: its creation parameters are
// saved and the buffer is made again (empty: vertex data are not saved).
#include "d3d/D3DResource.h"

#include <d3d8.h>

class CD3DVertexBuffer : public CD3DResource {
public:
    CD3DVertexBuffer();
    ~CD3DVertexBuffer() override;

    // Releases any old buffer and creates one through the window's device.
    bool Create(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool);
    // Locks the whole buffer (discarding the contents of a dynamic one).
    // False when there is no buffer or it is locked already.
    bool Lock();
    void Unlock();
    BYTE* GetPointer() const { return m_Locked; }
    bool IsLocked() const { return m_Locked != nullptr; }
    IDirect3DVertexBuffer8* GetBuffer() const { return m_Buffer; }
    UINT GetLength() const { return m_Params.length; }
    DWORD GetUsage() const { return m_Params.usage; }
    DWORD GetFVF() const { return m_Params.fvf; }
    D3DPOOL GetPool() const { return m_Params.pool; }

    void OnLost() override;
    void OnRestore() override;
    // Unlocks, unbinds the buffer from stream 0 when it is bound there, and
    // releases it.
    void Release() override;

private:
    struct Params {
        UINT length;
        DWORD usage;
        DWORD fvf;
        D3DPOOL pool;
    };

    IDirect3DVertexBuffer8* m_Buffer;
    Params m_Params;
    BYTE* m_Locked;
    unsigned char m_Saved;
    Params m_SavedParams;
};
