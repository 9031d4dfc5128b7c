#pragma once
// A Direct3D surface: an image surface (falling back to A4R4G4B4 when a
// 32-bit one is refused), a depth-stencil surface, or one taken over from
// the device (a back buffer). Image and depth-stencil surfaces are made
// again after a lost device with their size and format (their pixels must
// be drawn again); a taken-over surface is only released.
//
// Pixels are read and written as 32-bit A8R8G8B8 in R8G8B8, A8R8G8B8,
// X8R8G8B8, R5G6B5, X1R5G5B5, A1R5G5B5, A4R4G4B4, R3G3B2, A8R3G3B2 and
// X4R4G4B4; other formats are left alone.
#include "d3d/D3DResource.h"

#include <d3d8.h>

class CSurface;

class CD3DSurface : public CD3DResource {
public:
    CD3DSurface();
    ~CD3DSurface() override;

    bool CreateImageSurface(UINT width, UINT height, D3DFORMAT format);
    bool CreateDepthStencilSurface(UINT width, UINT height, D3DFORMAT format);
    // Takes over one reference (the caller's); null gives false.
    bool Attach(IDirect3DSurface8* surface);
    IDirect3DSurface8* GetSurface() const { return m_Surface; }
    bool IsCreated() const { return m_Surface != nullptr; }

    // Locks the whole surface; true also when it is locked already.
    bool Lock();
    void Unlock();
    bool IsLocked() const { return m_Bits != nullptr; }
    BYTE* GetBits() const { return m_Bits; }
    int GetPitch() const { return m_Pitch; }

    // The description; zeroed after a message when it cannot be read.
    D3DSURFACE_DESC GetDesc();
    void GetSize(UINT& width, UINT& height);
    D3DFORMAT GetFormat();

    // Copies width x height from x, y of this surface to dx, dy of the other.
    bool CopyRect(CD3DSurface& destination, int x, int y, int width, int height, int dx, int dy);

    // The pixel as A8R8G8B8; 0 outside the surface or for a format not read.
    D3DCOLOR GetPixel(int x, int y);
    // Fills left..right-1 x top..bottom-1 (clamped) with the colour.
    void Fill(D3DCOLOR color, int left, int top, int right, int bottom);
    void Fill(D3DCOLOR color);
    // Converts a framework surface (15, 16, 24 or 32 bits, top row first)
    // into this one at its top-left corner; with withAlpha its alpha plane,
    // when it has one, becomes the alpha channel. False when either cannot
    // be locked or a format is not converted.
    bool CopyFromSurface(CSurface* source, bool withAlpha = false);

    void OnLost() override;
    void OnRestore() override;
    void Release() override;

private:
    enum Kind { kNone, kImage, kDepthStencil, kAttached };
    struct Params {
        Kind kind;
        UINT width, height;
        D3DFORMAT format;
    };

    bool Create(const Params& params);

    IDirect3DSurface8* m_Surface;
    int m_Pitch;
    BYTE* m_Bits;
    Params m_Params;
    unsigned char m_Saved;
    Params m_SavedParams;
};
