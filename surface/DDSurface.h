#pragma once
// A surface whose pixels are a DirectDraw off-screen surface in system
// memory (blit modes 32 to 46). Size, format, lock, device context, bits and
// pitch come from the DirectDraw surface; the alpha plane, the switches, the
// colour key and the file name are kept as every pixel surface keeps them. The pixels can be reached only
// while the surface is locked, and a device context and a lock exclude each
// other.
#include "surface/PixelSurface.h"

#include "framework/DirectDrawSurface.h"

class CDirectDraw;

class CDDSurface : public CPixelSurface {
public:
    explicit CDDSurface(CDirectDraw* directDraw);
    ~CDDSurface() override;

    bool Create(int width, int height, int format, bool useDib) override;
    void Release() override;
    // The value is stored as given (no red/blue swap) and handed to the
    // DirectDraw surface as its source colour key.
    void SetColorKey(COLORREF color) override;
    bool IsCreated() override { return m_DDSurface.IsCreated(); }
    SIZE GetSize() override { return m_DDSurface.GetSize(); }
    void GetSize(int& width, int& height) override { m_DDSurface.GetSize(width, height); }
    int GetBitCount() override { return m_DDSurface.GetBitCount(); }
    HBITMAP GetBitmap() override { return NULL; }
    HDC GetDC() override { return m_DDSurface.GetDC(); }
    void ReleaseDC() override { m_DDSurface.ReleaseDC(); }
    bool Lock() override { return m_DDSurface.Lock(); }
    void Unlock() override { m_DDSurface.Unlock(); }
    BYTE* GetBits() override { return m_DDSurface.GetBits(); }
    int GetPitch() override { return m_DDSurface.GetPitch(); }
    using CPixelSurface::Fill;
    void Fill(COLORREF color, int left, int top, int right, int bottom) override;

    // The DirectDraw surface while created, else null.
    virtual CDirectDrawSurface* GetDDSurface();
    // DirectDraw blits from another DirectDraw surface, with this surface's
    // colour-key switch as the colour-key flag; null rectangles stand for
    // the whole surfaces.
    virtual bool DDBlt(CDDSurface* source, const RECT* dstRect, const RECT* srcRect);
    virtual bool DDBltFast(CDDSurface* source, int x, int y, const RECT* srcRect);

protected:
    // System memory; video memory would be 48.
    int GetBlitModeBase() override { return 32; }
    void RestoreColorKey(DWORD key) override { SetColorKey(key); }
    bool CreateForPicture(int width, int height, int format, bool useDib) override;
    // The picture is converted inside a lock of the DirectDraw surface.
    bool WritePicture(CImageFile& image) override;

private:
    // Kept for the surface's whole life: the DirectDraw object's end releases
    // it and makes it forget that object, so nothing here can reach the
    // object after it has gone.
    CDirectDrawSurface m_DDSurface;
};
