#pragma once
// One DirectDraw 7 off-screen surface made on a CDirectDraw: its pixel
// format (15, 16, 24 or 32, as created), lock and device context (never both
// at once), source colour key, DirectDraw blits, loss and restore. Every
// object is registered with its CDirectDraw while it lives, so that the
// DirectDraw object's end releases it.
#include "framework/ComRef.h"

#include <windows.h>
#include <ddraw.h>

class CDirectDraw;

class CDirectDrawSurface {
public:
    explicit CDirectDrawSurface(CDirectDraw* directDraw);

    // Width x height in the format (0: the DirectDraw object's display
    // format), in system memory when asked, otherwise in video memory with
    // system memory as the fallback.
    virtual bool Create(int width, int height, int format, bool systemMemory);
    // Unlocks, gives the device context back, releases the interface and
    // empties every field; the surface can be created again.
    virtual void Release();
    virtual SIZE GetSize();
    virtual void GetSize(int& width, int& height);
    // 15, 16, 24 or 32 as detected from the created pixel format; 0 empty.
    virtual int GetBitCount() { return m_Format; }
    // A value in the surface's pixel format, cut to the pixel width and set
    // as the source blit colour key.
    virtual bool SetColorKey(DWORD value);
    virtual DWORD GetColorKey() { return m_ColorKey; }
    // The held context, or a new one; 0 when not created or refused.
    virtual HDC GetDC();
    virtual bool ReleaseDC();
    // The whole surface; refused while locked or while a context is held.
    virtual bool Lock();
    virtual bool Unlock();
    // The locked pixels and their pitch; null and 0 while not locked.
    virtual BYTE* GetBits();
    virtual int GetPitch();
    // DirectDraw blits from a source surface, with the source's colour key
    // when asked; null rectangles stand for the whole surfaces.
    virtual bool Blt(CDirectDrawSurface* source, const RECT* dstRect, const RECT* srcRect, bool colorKey);
    virtual bool BltFast(int x, int y, CDirectDrawSurface* source, const RECT* srcRect, bool colorKey);
    virtual bool IsCreated() { return m_Surface.IsValid(); }
    // Only a video-memory surface can be lost.
    virtual bool IsLost();
    virtual bool Restore();
    virtual bool IsSystemMemory() { return m_SystemMemory != 0; }
    virtual IDirectDrawSurface7* GetSurface() { return m_Surface.Get(); }
    // Unregisters, then releases.
    virtual ~CDirectDrawSurface();
    // The detailed form: descriptor flags and capabilities as given.
    virtual bool Create(int width, int height, int format, bool systemMemory, DWORD descFlags, DWORD caps);

    // The DirectDraw object it is made on; null once that object has gone.
    CDirectDraw* GetDirectDraw() const { return m_DirectDraw; }

private:
    friend class CDirectDrawSurfaceRegistry;
    // The format of the surface just created, from its pixel format; false
    // (with the surface released) for a bit count the layer cannot draw.
    bool DetectFormat(int requested);

    CDirectDraw* m_DirectDraw;
    CComRef<IDirectDrawSurface7> m_Surface;
    BYTE m_SystemMemory;
    int m_Format;
    int m_Width;
    int m_Height;
    DWORD m_ColorKey;
    DDSURFACEDESC2 m_LockDesc;
    BYTE m_Locked;
    HDC m_hDC;

    CDirectDrawSurface(const CDirectDrawSurface&) = delete;
    CDirectDrawSurface& operator=(const CDirectDrawSurface&) = delete;
};
