#pragma once
// A surface whose pixels live in heap memory; it has no device context.
#include "surface/Surface.h"

class CMemorySurface : public CSurface {
public:
    CMemorySurface();
    ~CMemorySurface() override;

    bool Create(int width, int height, int format, bool useDib) override;
    bool Load(const std::string& fileName, int format, bool useDib) override;
    bool SaveBitmap(const std::string& fileName) override;
    void Release() override;
    void SetColorKeyEnable(bool enable) override;
    void SetAlphaEnable(bool enable) override;
    bool IsColorKeyEnable() override { return m_ColorKeyEnable != 0; }
    bool IsAlphaEnable() override { return m_AlphaEnable != 0; }
    void SetColorKey(COLORREF color) override;
    DWORD GetColorKey() override { return m_ColorKey; }
    bool IsCreated() override { return m_Bits != nullptr; }
    bool HasAlphaChannel() override { return m_Alpha != nullptr; }
    int GetBlitMode() override { return m_BlitMode; }
    SIZE GetSize() override;
    void GetSize(int& width, int& height) override;
    int GetBitCount() override { return m_Format; }
    HBITMAP GetBitmap() override { return NULL; }
    HDC GetDC() override { return NULL; }
    void ReleaseDC() override {}
    bool Lock() override { return true; }
    void Unlock() override {}
    BYTE* GetBits() override { return m_Bits; }
    int GetPitch() override { return m_Pitch; }
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

    // The file name of the last Load (empty after Create).
    const std::string& GetFileName() const { return m_FileName; }

protected:
    // Blit mode of a created surface: base + 4 x format index + state.
    virtual int GetBlitModeBase() { return 0; }
    // Pixel memory of a new surface, zeroed when asked; the size and format
    // fields are set. Returns false and leaves m_Bits null when it cannot be
    // had.
    virtual bool AllocatePixels(int32_t bytes, bool clear);
    virtual void FreePixels();
    // Called once a picture has been converted into the pixels.
    virtual void OnPixelsWritten() {}
    // An alpha plane of the surface's own layout (width rounded up to 4),
    // fully opaque; false when memory runs out.
    bool EnsureAlphaPlane();
    // Create without the screen-format lookup, with or without clearing.
    bool CreatePixels(int width, int height, int format, bool clear);
    // The common tail of Create: default key, blit mode, registration.
    void FinishCreate();

    HWND m_hWnd;
    BYTE* m_Bits;
    BYTE* m_Alpha;
    int m_Width;
    int m_Height;
    int m_Format;
    int m_Pitch;
    int m_AlphaPitch;
    BYTE m_ColorKeyEnable;
    BYTE m_AlphaEnable;
    BYTE m_AutoRestore;
    DWORD m_ColorKey;
    std::string m_FileName;
    int m_BlitMode;
};
