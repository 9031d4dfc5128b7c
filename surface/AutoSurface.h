#pragma once
// The surface handle clients hold: it owns one implementation, chosen at
// every Create and Load, and forwards to it.
#include "surface/Surface.h"

class CAutoSurface : public CSurface {
public:
    CAutoSurface();
    ~CAutoSurface() override;

    bool Create(int width, int height, int format, bool useDib) override;
    bool Load(const std::string& fileName, int format, bool useDib) override;
    bool SaveBitmap(const std::string& fileName) override;
    void Release() override;
    void SetColorKeyEnable(bool enable) override;
    void SetAlphaEnable(bool enable) override;
    bool IsColorKeyEnable() override;
    bool IsAlphaEnable() override;
    void SetColorKey(COLORREF color) override;
    DWORD GetColorKey() override;
    bool IsCreated() override;
    bool HasAlphaChannel() override;
    int GetBlitMode() override;
    SIZE GetSize() override;
    void GetSize(int& width, int& height) override;
    int GetBitCount() override;
    HBITMAP GetBitmap() override;
    HDC GetDC() override;
    void ReleaseDC() override;
    bool Lock() override;
    void Unlock() override;
    BYTE* GetBits() override;
    int GetPitch() override;
    BYTE* GetAlphaBits() override;
    int GetAlphaPitch() override;
    void Fill(COLORREF color) override;
    void Fill(COLORREF color, int left, int top, int right, int bottom) override;
    void FillAlpha(BYTE alpha) override;
    void FillAlpha(BYTE alpha, int left, int top, int right, int bottom) override;
    void CopyAlpha(CSurface* source, int left, int top, int right, int bottom, int srcLeft, int srcTop,
                   int srcRight, int srcBottom) override;
    bool Restore() override;
    void SetAutoRestore(bool autoRestore) override;
    bool IsAutoRestore() override { return m_AutoRestore != 0; }
    void SetHWnd(HWND hWnd) override;
    HWND GetHWnd() override { return m_hWnd; }

    // Whether Create and Load may make a DirectDraw surface.
    virtual void SetDirectDrawEnable(bool enable) { m_AllowDirectDraw = enable ? 1 : 0; }
    // The implementation (null before the first successful Create or Load).
    virtual CSurface* GetSurface() { return m_Surface; }

protected:
    // A new, empty implementation for the next Create or Load.
    virtual CSurface* MakeImplementation(bool useDib);
    // The implementation when it holds a surface, else null.
    CSurface* Created();
    // After Fill, FillAlpha and CopyAlpha: the rectangle they were asked to
    // draw into (the whole surface for the forms without one).
    virtual void OnDrawn(const RECT&) {}
    RECT Whole();
    template <typename Make>
    bool Replace(bool useDib, Make make);
    void DeleteImplementation();

    BYTE m_AllowDirectDraw;
    BYTE m_AutoRestore;
    HWND m_hWnd;
    CSurface* m_Surface;
};
