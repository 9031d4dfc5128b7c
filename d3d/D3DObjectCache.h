#pragma once
// What a device has bound through its wrappers, with one reference held to
// each object so that a comparison by address never mistakes a new object
// for a released one: the texture of each stage, and the vertex buffer of
// stream 0. Emptied whenever the device is released, reset or created anew.
#include <windows.h>
#include <d3d8.h>

#include <vector>

class CD3DObjectCache {
public:
    CD3DObjectCache() {}
    ~CD3DObjectCache() { Clear(); }

    // Records the texture of a stage (null forgets it).
    void SetTexture(DWORD stage, IDirect3DBaseTexture8* texture);
    IDirect3DBaseTexture8* GetTexture(DWORD stage) const;
    // Records the vertex buffer of stream 0 (null forgets it).
    void SetVertexBuffer(IDirect3DVertexBuffer8* buffer, UINT stride);
    IDirect3DVertexBuffer8* GetVertexBuffer() const;
    UINT GetStride() const;

    // Releases every reference and empties both lists.
    void Clear();
    size_t GetTextureCount() const { return m_Textures.size(); }
    size_t GetVertexBufferCount() const { return m_Buffers.size(); }

private:
    struct Texture {
        DWORD stage;
        IDirect3DBaseTexture8* texture;
    };
    struct Buffer {
        IDirect3DVertexBuffer8* buffer;
        UINT stride;
    };
    std::vector<Texture> m_Textures;
    std::vector<Buffer> m_Buffers;

    CD3DObjectCache(const CD3DObjectCache&) = delete;
    CD3DObjectCache& operator=(const CD3DObjectCache&) = delete;
};
