#include "d3d/D3DVertexBuffer.h"
#include "d3d/D3DDevice.h"

#include "framework/DebugPrint.h"

CD3DVertexBuffer::CD3DVertexBuffer()
    : m_Buffer(nullptr), m_Params{0, 0, 0, D3DPOOL_DEFAULT}, m_Locked(nullptr), m_Saved(0),
      m_SavedParams{0, 0, 0, D3DPOOL_DEFAULT}
{
}

CD3DVertexBuffer::~CD3DVertexBuffer() { Release(); }

bool CD3DVertexBuffer::Create(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool)
{
    Release();
    m_Saved = 0;
    CD3DDevice* device = GetDevice();
    if (!device)
        return false;
    m_Buffer = device->CreateVertexBuffer(length, usage, fvf, pool);
    if (!m_Buffer)
        return false;
    m_Params = {length, usage, fvf, pool};
    return true;
}

bool CD3DVertexBuffer::Lock()
{
    if (!m_Buffer || m_Locked)
        return false;
    BYTE* data = nullptr;
    const DWORD flags = (m_Params.usage & D3DUSAGE_DYNAMIC) ? D3DLOCK_DISCARD : 0;
    const HRESULT hr = m_Buffer->Lock(0, 0, &data, flags);
    if (FAILED(hr)) {
        DebugPrint("CD3DVertexBuffer::Lock() Lock()に失敗[APIReturnValue：%d]", int(hr));
        return false;
    }
    m_Locked = data;
    return true;
}

void CD3DVertexBuffer::Unlock()
{
    if (!m_Buffer || !m_Locked)
        return;
    const HRESULT hr = m_Buffer->Unlock();
    if (FAILED(hr))
        DebugPrint("CD3DVertexBuffer::Unlock() Unlock()に失敗[APIReturnValue：%d]", int(hr));
    m_Locked = nullptr;
}

void CD3DVertexBuffer::OnLost()
{
    if (!m_Buffer)
        return;
    const Params params = m_Params;
    Release();
    m_SavedParams = params;
    m_Saved = 1;
}

void CD3DVertexBuffer::OnRestore()
{
    if (!m_Saved)
        return;
    const Params p = m_SavedParams;
    Create(p.length, p.usage, p.fvf, p.pool);
}

void CD3DVertexBuffer::Release()
{
    m_Saved = 0;
    if (!m_Buffer)
        return;
    Unlock();
    if (CD3DDevice* device = GetDevice()) {
        if (device->GetBoundVertexBuffer() == m_Buffer)
            device->SetVertexBuffer(nullptr, 0);
    }
    m_Buffer->Release();
    m_Buffer = nullptr;
    m_Params = {0, 0, 0, D3DPOOL_DEFAULT};
}
