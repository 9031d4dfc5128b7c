#include "surface/AutoSurface.h"

#include "framework/AppManager.h"
#include "framework/DirectDrawManager.h"
#include "surface/DDSurface.h"
#include "surface/DIBSurface.h"
#include "surface/MemorySurface.h"

#include <new>

CAutoSurface::CAutoSurface()
    : m_AllowDirectDraw(1), m_AutoRestore(1), m_hWnd(CAppManager::GetHWnd()), m_Surface(nullptr)
{
}

CAutoSurface::~CAutoSurface()
{
    DeleteImplementation();
}

// A DirectDraw surface when DirectDraw is allowed and the owner window has a
// DirectDraw object; otherwise a DIB section when asked for, heap memory when
// not.
CSurface* CAutoSurface::MakeImplementation(bool useDib)
{
    if (m_AllowDirectDraw) {
        if (CDirectDraw* directDraw = CDirectDrawManager::GetInstance().GetDirectDraw(m_hWnd))
            return new (std::nothrow) CDDSurface(directDraw);
    }
    if (useDib)
        return new (std::nothrow) CDIBSurface;
    return new (std::nothrow) CMemorySurface;
}

void CAutoSurface::DeleteImplementation()
{
    if (m_Surface == nullptr)
        return;
    m_Surface->Release();
    delete m_Surface;
    m_Surface = nullptr;
}

CSurface* CAutoSurface::Created()
{
    return m_Surface != nullptr && m_Surface->IsCreated() ? m_Surface : nullptr;
}

bool CAutoSurface::Create(int width, int height, int format, bool useDib)
{
    DeleteImplementation();
    m_Surface = MakeImplementation(useDib);
    if (m_Surface == nullptr)
        return false;
    m_Surface->SetHWnd(m_hWnd);
    m_Surface->SetAutoRestore(m_AutoRestore != 0);
    if (m_Surface->Create(width, height, format, useDib))
        return true;
    DeleteImplementation();
    return false;
}

bool CAutoSurface::Load(const std::string& fileName, int format, bool useDib)
{
    const std::string name = fileName;  // the argument may belong to the old implementation
    DeleteImplementation();
    m_Surface = MakeImplementation(useDib);
    if (m_Surface == nullptr)
        return false;
    m_Surface->SetHWnd(m_hWnd);
    m_Surface->SetAutoRestore(m_AutoRestore != 0);
    if (m_Surface->Load(name, format, useDib))
        return true;
    DeleteImplementation();
    return false;
}

void CAutoSurface::Release()
{
    DeleteImplementation();
}

void CAutoSurface::SetAutoRestore(bool autoRestore)
{
    m_AutoRestore = autoRestore ? 1 : 0;
    if (m_Surface != nullptr)
        m_Surface->SetAutoRestore(autoRestore);
}

void CAutoSurface::SetHWnd(HWND hWnd)
{
    m_hWnd = hWnd;
    if (m_Surface != nullptr)
        m_Surface->SetHWnd(hWnd);
}

// Forwarded operations: to the implementation while it holds a surface.
bool CAutoSurface::SaveBitmap(const std::string& fileName)
{
    CSurface* s = Created();
    return s && s->SaveBitmap(fileName);
}
void CAutoSurface::SetColorKeyEnable(bool enable)
{
    if (CSurface* s = Created()) s->SetColorKeyEnable(enable);
}
void CAutoSurface::SetAlphaEnable(bool enable)
{
    if (CSurface* s = Created()) s->SetAlphaEnable(enable);
}
bool CAutoSurface::IsColorKeyEnable()
{
    CSurface* s = Created();
    return s && s->IsColorKeyEnable();
}
bool CAutoSurface::IsAlphaEnable()
{
    CSurface* s = Created();
    return s && s->IsAlphaEnable();
}
void CAutoSurface::SetColorKey(COLORREF color)
{
    if (CSurface* s = Created()) s->SetColorKey(color);
}
DWORD CAutoSurface::GetColorKey()
{
    CSurface* s = Created();
    return s ? s->GetColorKey() : 0;
}
bool CAutoSurface::IsCreated()
{
    return Created() != nullptr;
}
bool CAutoSurface::HasAlphaChannel()
{
    CSurface* s = Created();
    return s && s->HasAlphaChannel();
}
int CAutoSurface::GetBlitMode()
{
    CSurface* s = Created();
    return s ? s->GetBlitMode() : -1;
}
SIZE CAutoSurface::GetSize()
{
    CSurface* s = Created();
    if (s)
        return s->GetSize();
    SIZE none = {0, 0};
    return none;
}
void CAutoSurface::GetSize(int& width, int& height)
{
    width = height = 0;
    if (CSurface* s = Created()) s->GetSize(width, height);
}
int CAutoSurface::GetBitCount()
{
    CSurface* s = Created();
    return s ? s->GetBitCount() : 0;
}
HBITMAP CAutoSurface::GetBitmap()
{
    CSurface* s = Created();
    return s ? s->GetBitmap() : NULL;
}
HDC CAutoSurface::GetDC()
{
    CSurface* s = Created();
    return s ? s->GetDC() : NULL;
}
void CAutoSurface::ReleaseDC()
{
    if (CSurface* s = Created()) s->ReleaseDC();
}
bool CAutoSurface::Lock()
{
    CSurface* s = Created();
    return s && s->Lock();
}
void CAutoSurface::Unlock()
{
    if (CSurface* s = Created()) s->Unlock();
}
BYTE* CAutoSurface::GetBits()
{
    CSurface* s = Created();
    return s ? s->GetBits() : nullptr;
}
int CAutoSurface::GetPitch()
{
    CSurface* s = Created();
    return s ? s->GetPitch() : 0;
}
BYTE* CAutoSurface::GetAlphaBits()
{
    CSurface* s = Created();
    return s ? s->GetAlphaBits() : nullptr;
}
int CAutoSurface::GetAlphaPitch()
{
    CSurface* s = Created();
    return s ? s->GetAlphaPitch() : 0;
}
void CAutoSurface::Fill(COLORREF color)
{
    if (CSurface* s = Created()) s->Fill(color);
}
void CAutoSurface::Fill(COLORREF color, int left, int top, int right, int bottom)
{
    if (CSurface* s = Created()) s->Fill(color, left, top, right, bottom);
}
void CAutoSurface::FillAlpha(BYTE alpha)
{
    if (CSurface* s = Created()) s->FillAlpha(alpha);
}
void CAutoSurface::FillAlpha(BYTE alpha, int left, int top, int right, int bottom)
{
    if (CSurface* s = Created()) s->FillAlpha(alpha, left, top, right, bottom);
}
void CAutoSurface::CopyAlpha(CSurface* source, int left, int top, int right, int bottom, int srcLeft,
                             int srcTop, int srcRight, int srcBottom)
{
    if (CSurface* s = Created())
        s->CopyAlpha(source, left, top, right, bottom, srcLeft, srcTop, srcRight, srcBottom);
}
bool CAutoSurface::Restore()
{
    CSurface* s = Created();
    return s && s->Restore();
}
