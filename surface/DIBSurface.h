#pragma once
// A surface whose pixels are a GDI DIB section, so that a device context can
// draw into it and windows can paint from it. Direct access (Lock) and GDI
// drawing are separated by GdiFlush.
#include "surface/MemorySurface.h"

class CDIBSurface : public CMemorySurface {
public:
    CDIBSurface();
    ~CDIBSurface() override;

    bool IsCreated() override { return m_hBitmap != NULL; }
    HBITMAP GetBitmap() override { return m_hBitmap; }
    // A memory DC with the DIB section selected; a second call replaces the
    // first context. Null when not created.
    HDC GetDC() override;
    void ReleaseDC() override;
    bool Lock() override;
    void Unlock() override;

protected:
    int GetBlitModeBase() override { return 16; }
    bool AllocatePixels(int32_t bytes, bool clear) override;
    void FreePixels() override;

    HBITMAP m_hBitmap;
    HGDIOBJ m_hPrevBitmap;
    BYTE m_Locked;
    HDC m_hDC;
};
