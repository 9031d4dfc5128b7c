#pragma once
// The abstract picture every drawing goes through. Pixel formats are 15, 16,
// 24 and 32 (0 asks for the screen's); colours are 0x00RRGGBB except where
// an operation takes a COLORREF.
#include "surface/PixelOps.h"

#include <windows.h>

#include <string>

class CSurface {
public:
    CSurface() {}

    // Slots 0 to 3.
    virtual bool Create(int width, int height, int format, bool useDib) = 0;
    virtual bool Load(const std::string& fileName, int format, bool useDib) = 0;
    virtual bool SaveBitmap(const std::string& fileName) = 0;
    virtual void Release() = 0;
    // Slots 4 to 12.
    virtual void SetColorKeyEnable(bool enable) = 0;
    virtual void SetAlphaEnable(bool enable) = 0;
    virtual bool IsColorKeyEnable() = 0;
    virtual bool IsAlphaEnable() = 0;
    virtual void SetColorKey(COLORREF color) = 0;
    virtual DWORD GetColorKey() = 0;
    virtual bool IsCreated() = 0;
    virtual bool HasAlphaChannel() = 0;
    virtual int GetBlitMode() = 0;
    // Slots 13 to 24.
    virtual SIZE GetSize() = 0;
    virtual void GetSize(int& width, int& height) = 0;
    virtual int GetBitCount() = 0;
    virtual HBITMAP GetBitmap() = 0;
    virtual HDC GetDC() = 0;
    virtual void ReleaseDC() = 0;
    virtual bool Lock() = 0;
    virtual void Unlock() = 0;
    virtual BYTE* GetBits() = 0;
    virtual int GetPitch() = 0;
    virtual BYTE* GetAlphaBits() = 0;
    virtual int GetAlphaPitch() = 0;
    // Slots 25 to 28: shared by every kind, through the slots above.
    virtual void SetPixel(int x, int y, DWORD rgb);
    virtual DWORD GetPixel(int x, int y);
    virtual void SetAlpha(int x, int y, BYTE alpha);
    virtual BYTE GetAlpha(int x, int y);
    // Slots 29 to 36.
    virtual void Fill(COLORREF color) = 0;
    virtual void Fill(COLORREF color, int left, int top, int right, int bottom) = 0;
    virtual void FillAlpha(BYTE alpha) = 0;
    virtual void FillAlpha(BYTE alpha, int left, int top, int right, int bottom) = 0;
    virtual void CopyAlpha(CSurface* source, int left, int top, int right, int bottom, int srcLeft,
                           int srcTop, int srcRight, int srcBottom) = 0;
    virtual bool Restore() = 0;
    virtual void SetAutoRestore(bool autoRestore) = 0;
    virtual bool IsAutoRestore() = 0;
    // Slots 37 and 38: the owner window.
    virtual void SetHWnd(HWND hWnd) = 0;
    virtual HWND GetHWnd() = 0;
    // Slots 39 to 42: change notifications after drawing into this surface,
    // with the call's arguments and the destination rectangle touched.
    virtual void OnStretchBlt(int op, CSurface* source, const RECT& dstRect, const RECT& srcRect, int param1,
                              int param2, const RECT& touched);
    virtual void OnBlt(int op, CSurface* source, const POINT& dst, const RECT& srcRect, int param1, int param2,
                       const RECT& touched);
    virtual void OnBlt2(int op, CSurface* first, CSurface* second, const POINT& dst, const RECT& firstRect,
                        const RECT& secondRect, const RECT& clip, int progress, const RECT& touched);
    virtual void OnTransition(int op, CSurface* first, CSurface* second, const POINT& firstDst,
                              const RECT& firstRect, const POINT& secondDst, const RECT& secondRect,
                              const RECT& clip, int progress, const RECT& touched);
    // Slot 43.
    virtual ~CSurface() {}

    // The pixels and the alpha plane as views; valid while the surface is
    // locked (empty views when it is not created).
    PixelView GetPixelView();
    AlphaView GetAlphaView();

    // Same-size drawing of a source onto this surface (SurfaceBlt.cpp):
    // operation 0 to 14, the point where the source rectangle's top-left
    // lands, a clip rectangle in this surface's coordinates, the opacity
    // (param1) and the operation's amount (param2). Nothing happens without a
    // source, or for an empty source or clip rectangle. OnBlt follows with
    // the rectangle that was drawn into.
    void Blt(int op, CSurface* source, const POINT& dst, const RECT& srcRect, const RECT& clip, int param1,
             int param2);
    // Clipped by this whole surface.
    void Blt(int op, CSurface* source, const POINT& dst, const RECT& srcRect, int param1 = 255, int param2 = 0);
    // The whole source.
    void Blt(int op, CSurface* source, const POINT& dst, int param1 = 255, int param2 = 0);
    // At a destination rectangle's top-left, drawing only inside it.
    void Blt(int op, CSurface* source, const RECT& dstRect, const RECT& srcRect, int param1 = 255, int param2 = 0);
    void Blt(int op, CSurface* source, const RECT& dstRect, int param1 = 255, int param2 = 0);

    // The source rectangle stretched onto the destination rectangle:
    // operation 0 (nearest pixel) or 1 (bilinear); equal sizes are passed to
    // Blt with any operation. OnStretchBlt follows with the destination
    // rectangle cut by the clip and the surface.
    void StretchBlt(int op, CSurface* source, const RECT& dstRect, const RECT& srcRect, const RECT& clip,
                    int param1, int param2);
    // Clipped by this whole surface.
    void StretchBlt(int op, CSurface* source, const RECT& dstRect, const RECT& srcRect, int param1 = 255,
                    int param2 = 0);
    // The whole source.
    void StretchBlt(int op, CSurface* source, const RECT& dstRect, int param1 = 255, int param2 = 0);

    // Two-picture transition 1 or 33 to 36 (others do nothing) from first to
    // second at a progress of 0..1024: each picture's rectangle lands at its
    // own point, both inside one clip rectangle. A missing picture is
    // skipped. OnTransition follows with the rectangle of
    // GetTransitionRect.
    void BltTransition(int op, CSurface* first, CSurface* second, const POINT& firstDst, const RECT& firstRect,
                       const POINT& secondDst, const RECT& secondRect, const RECT& clip, int progress);
    // Extended transition -1 or 1 to 36 (others do nothing): both pictures
    // at one destination point. OnBlt2 follows with the rectangle of
    // GetTransitionExRect.
    void BltTransitionEx(int op, CSurface* first, CSurface* second, const POINT& dst, const RECT& firstRect,
                         const RECT& secondRect, const RECT& clip, int progress);
    // The rectangle the same call would touch, without drawing; empty when it
    // would draw nothing.
    RECT GetTransitionRect(int op, CSurface* first, CSurface* second, const POINT& firstDst, const RECT& firstRect,
                           const POINT& secondDst, const RECT& secondRect, const RECT& clip, int progress);
    RECT GetTransitionExRect(int op, CSurface* first, CSurface* second, const POINT& dst, const RECT& firstRect,
                             const RECT& secondRect, const RECT& clip, int progress);

private:
    // The straight copy through GDI (no SSE, both surfaces with a device
    // context); false when it does not apply or fails.
    bool CopyThroughGdi(CSurface* source, const POINT& dst, const RECT& srcRect, const RECT& clip, int opacity,
                        RECT& touched);

    CSurface(const CSurface&) = delete;
    CSurface& operator=(const CSurface&) = delete;
};
