#pragma once
// A surface whose pixels are a DirectDraw off-screen surface in system
// memory (blit modes 32 to 46). Size, format, lock, device context, bits and
// pitch come from the DirectDraw surface; the alpha plane, the switches, the
// colour key and the file name are kept here. The pixels can be reached only
// while the surface is locked, and a device context and a lock exclude each
// other.
#include "surface/Surface.h"

#include "framework/DirectDrawSurface.h"

class CDirectDraw;

class CDDSurface : public CSurface {
public:
    explicit CDDSurface(CDirectDraw* directDraw);
    ~CDDSurface() override;

    bool Create(int width, int height, int format, bool useDib) override;
    // Converts the picture inside a lock of the DirectDraw surface.
    bool Load(const std::string& fileName, int format, bool useDib) override;
    bool SaveBitmap(const std::string& fileName) override;
    void Release() override;
    void SetColorKeyEnable(bool enable) override;
    void SetAlphaEnable(bool enable) override;
    bool IsColorKeyEnable() override { return m_ColorKeyEnable != 0; }
    bool IsAlphaEnable() override { return m_AlphaEnable != 0; }
    // The value is stored as given (no red/blue swap) and handed to the
    // DirectDraw surface as its source colour key.
    void SetColorKey(COLORREF color) override;
    DWORD GetColorKey() override { return m_ColorKey; }
    bool IsCreated() override { return m_DDSurface.IsCreated(); }
    bool HasAlphaChannel() override { return m_Alpha != nullptr; }
    int GetBlitMode() override { return IsCreated() ? m_BlitMode : -1; }
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
    BYTE* GetAlphaBits() override { return m_Alpha; }
    int GetAlphaPitch() override { return m_AlphaPitch; }
    void Fill(COLORREF color) override;
    void Fill(COLORREF color, int left, int top, int right, int bottom) override;
    void FillAlpha(BYTE alpha) override;
    void FillAlpha(BYTE alpha, int left, int top, int right, int bottom) override;
    void CopyAlpha(CSurface* source, int left, int top, int right, int bottom, int srcLeft, int srcTop,
                   int srcRight, int srcBottom) override;
    bool Restore() override;
    void SetAutoRestore(bool autoRestore) override { m_AutoRestore = autoRestore ? 1 : 0; }
    bool IsAutoRestore() override { return m_AutoRestore != 0; }
    void SetHWnd(HWND hWnd) override { m_hWnd = hWnd; }
    HWND GetHWnd() override { return m_hWnd; }

    virtual void UpdateBlitMode();
    // The DirectDraw surface while created, else null.
    virtual CDirectDrawSurface* GetDDSurface();
    // DirectDraw blits from another DirectDraw surface, with this surface's
    // colour-key switch as the colour-key flag; null rectangles stand for
    // the whole surfaces.
    virtual bool DDBlt(CDDSurface* source, const RECT* dstRect, const RECT* srcRect);
    virtual bool DDBltFast(CDDSurface* source, int x, int y, const RECT* srcRect);

    const std::string& GetFileName() const { return m_FileName; }

private:
    // An alpha plane of the surface's own layout (width rounded up to 4),
    // opaque; false when memory runs out.
    bool EnsureAlphaPlane();

    HWND m_hWnd;
    // Kept for the surface's whole life: the DirectDraw object's end releases
    // it and makes it forget that object, so nothing here can reach the
    // object after it has gone.
    CDirectDrawSurface m_DDSurface;
    BYTE* m_Alpha;
    int m_AlphaPitch;
    BYTE m_ColorKeyEnable;
    BYTE m_AlphaEnable;
    BYTE m_AutoRestore;
    DWORD m_ColorKey;
    std::string m_FileName;
    int m_BlitMode;
};
