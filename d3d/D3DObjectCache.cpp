#include "d3d/D3DObjectCache.h"

void CD3DObjectCache::SetTexture(DWORD stage, IDirect3DBaseTexture8* texture)
{
    if (texture)
        texture->AddRef();  // before the release below: it may be the same object
    for (auto it = m_Textures.begin(); it != m_Textures.end(); ++it) {
        if (it->stage == stage) {
            it->texture->Release();
            m_Textures.erase(it);
            break;
        }
    }
    if (texture)
        m_Textures.push_back({stage, texture});
}

IDirect3DBaseTexture8* CD3DObjectCache::GetTexture(DWORD stage) const
{
    for (const Texture& t : m_Textures)
        if (t.stage == stage)
            return t.texture;
    return nullptr;
}

void CD3DObjectCache::SetVertexBuffer(IDirect3DVertexBuffer8* buffer, UINT stride)
{
    if (buffer)
        buffer->AddRef();
    for (Buffer& b : m_Buffers)
        b.buffer->Release();
    m_Buffers.clear();
    if (buffer)
        m_Buffers.push_back({buffer, stride});
}

IDirect3DVertexBuffer8* CD3DObjectCache::GetVertexBuffer() const
{
    return m_Buffers.empty() ? nullptr : m_Buffers.front().buffer;
}

UINT CD3DObjectCache::GetStride() const { return m_Buffers.empty() ? 0 : m_Buffers.front().stride; }

void CD3DObjectCache::Clear()
{
    for (Texture& t : m_Textures)
        t.texture->Release();
    m_Textures.clear();
    for (Buffer& b : m_Buffers)
        b.buffer->Release();
    m_Buffers.clear();
}
