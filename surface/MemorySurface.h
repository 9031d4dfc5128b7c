#pragma once
// A surface whose pixels live in heap memory; it has no device context.
#include "surface/PixelSurface.h"

class CMemorySurface : public CPixelSurface {
public:
    CMemorySurface();
    ~CMemorySurface() override;

    bool Create(int width, int height, int format, bool useDib) override;
    void Release() override;
    void SetColorKey(COLORREF color) override;
    bool IsCreated() override { return m_Bits != nullptr; }
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
    using CPixelSurface::Fill;
    void Fill(COLORREF color, int left, int top, int right, int bottom) override;

protected:
    int GetBlitModeBase() override { return 0; }
    // Pixel memory of a new surface, zeroed when asked; the size and format
    // fields are set. Returns false and leaves m_Bits null when it cannot be
    // had.
    virtual bool AllocatePixels(int32_t bytes, bool clear);
    virtual void FreePixels();
    bool CreateForPicture(int width, int height, int format, bool useDib) override;
    // Create without the screen-format lookup, with or without clearing.
    bool CreatePixels(int width, int height, int format, bool clear);

    BYTE* m_Bits;
    int m_Width;
    int m_Height;
    int m_Format;
    int m_Pitch;
};
