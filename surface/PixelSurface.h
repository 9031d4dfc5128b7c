#pragma once
// What the memory, DIB and DirectDraw surfaces share: the state the software
// blits read beside the pixels (the alpha plane, the colour-key and alpha
// switches, the colour key and the blit mode they make), the owner window,
// the file of the last Load, and what is done with them alone.
#include "surface/Surface.h"

class CImageFile;

class CPixelSurface : public CSurface {
public:
    CPixelSurface();
    ~CPixelSurface() override;

    // Reads the picture (through the file lookup) into a new surface of its
    // size, with its alpha plane if it has one.
    bool Load(const std::string& fileName, int format, bool useDib) override;
    bool SaveBitmap(const std::string& fileName) override;
    void SetColorKeyEnable(bool enable) override;
    void SetAlphaEnable(bool enable) override;
    bool IsColorKeyEnable() override { return m_ColorKeyEnable != 0; }
    bool IsAlphaEnable() override { return m_AlphaEnable != 0; }
    DWORD GetColorKey() override { return m_ColorKey; }
    bool HasAlphaChannel() override { return m_Alpha != nullptr; }
    int GetBlitMode() override { return IsCreated() ? m_BlitMode : -1; }
    BYTE* GetAlphaBits() override { return m_Alpha; }
    int GetAlphaPitch() override { return m_AlphaPitch; }
    void Fill(COLORREF color) override;
    using CSurface::Fill;
    void FillAlpha(BYTE alpha) override;
    void FillAlpha(BYTE alpha, int left, int top, int right, int bottom) override;
    void CopyAlpha(CSurface* source, int left, int top, int right, int bottom, int srcLeft, int srcTop,
                   int srcRight, int srcBottom) override;
    // Loads the file again (or creates the same size afresh, with an opaque
    // alpha plane if there was one) and puts the switches and key back.
    bool Restore() override;
    void SetAutoRestore(bool autoRestore) override { m_AutoRestore = autoRestore ? 1 : 0; }
    bool IsAutoRestore() override { return m_AutoRestore != 0; }
    void SetHWnd(HWND hWnd) override { m_hWnd = hWnd; }
    HWND GetHWnd() override { return m_hWnd; }

    virtual void UpdateBlitMode();

    // The file name of the last Load (empty after Create).
    const std::string& GetFileName() const { return m_FileName; }

protected:
    // Blit mode of a created surface: base + 4 x format index + state.
    virtual int GetBlitModeBase() = 0;
    // Puts back a colour key as GetColorKey gave it.
    virtual void RestoreColorKey(DWORD key) { m_ColorKey = key; }
    // A new surface for a picture of that size; every pixel will be written.
    virtual bool CreateForPicture(int width, int height, int format, bool useDib) = 0;
    // The picture's rows into the pixels, inside a lock; false when the
    // surface cannot be locked.
    virtual bool WritePicture(CImageFile& image);
    // The common tail of Create: default key, blit mode, registration.
    void FinishCreate();
    // An alpha plane of the surface's own layout (width rounded up to 4),
    // fully opaque; false when memory runs out.
    bool EnsureAlphaPlane();
    // Everything here back to a released surface's, the window and the
    // auto-restore switch aside; the surface leaves the registry.
    void ReleaseState();

    HWND m_hWnd;
    BYTE* m_Alpha;
    int m_AlphaPitch;
    BYTE m_ColorKeyEnable;
    BYTE m_AlphaEnable;
    BYTE m_AutoRestore;
    DWORD m_ColorKey;
    std::string m_FileName;
    int m_BlitMode;
};
