#pragma once
// Textures from image files held in memory (through the extension
// library). CreateTexture makes a bare texture on the calling thread's
// window's device; a CD3DTexture object also keeps a copy of the file and
// its parameters, and makes the texture again after a lost device.
#include "d3d/D3DResource.h"

#include "d3dx/D3DX.h"

#include <vector>

class CD3DTexture : public CD3DResource {
public:
    // A colour key of 0 keys nothing; otherwise texels of that A8R8G8B8
    // colour become transparent black. info (optional) receives the file's
    // description. Null without a working device, or after a message.
    static IDirect3DTexture8* CreateTexture(const void* data, UINT size, UINT width, UINT height, UINT mipLevels,
                                            D3DFORMAT format, D3DPOOL pool, bool renderTarget, D3DCOLOR colorKey,
                                            D3DXIMAGE_INFO* info);

    CD3DTexture();
    ~CD3DTexture() override;

    // Releases any old texture and makes one as CreateTexture does.
    bool Create(const void* data, UINT size, UINT width, UINT height, UINT mipLevels, D3DFORMAT format,
                D3DPOOL pool, bool renderTarget, D3DCOLOR colorKey);
    IDirect3DTexture8* GetTexture() const { return m_Texture; }
    const D3DXIMAGE_INFO& GetInfo() const { return m_Info; }

    void OnLost() override;
    void OnRestore() override;
    // Unbinds the texture from the stages it is bound to and releases it.
    void Release() override;

private:
    struct Params {
        UINT width, height, mipLevels;
        D3DFORMAT format;
        D3DPOOL pool;
        bool renderTarget;
        D3DCOLOR colorKey;
    };

    static IDirect3DTexture8* Make(class CD3DDevice* device, const void* data, UINT size, const Params& params,
                                   D3DXIMAGE_INFO* info);

    IDirect3DTexture8* m_Texture;
    D3DXIMAGE_INFO m_Info;
    std::vector<BYTE> m_File;
    Params m_Params;
    unsigned char m_Saved;
};
