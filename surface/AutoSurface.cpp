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

// Replaces the implementation with a new one that make creates or loads;
// none is kept when make fails.
template <typename Make>
bool CAutoSurface::Replace(bool useDib, Make make)
{
    DeleteImplementation();
    m_Surface = MakeImplementation(useDib);
    if (m_Surface == nullptr)
        return false;
    m_Surface->SetHWnd(m_hWnd);
    m_Surface->SetAutoRestore(m_AutoRestore != 0);
    if (make(*m_Surface))
        return true;
    DeleteImplementation();
    return false;
}

bool CAutoSurface::Create(int width, int height, int format, bool useDib)
{
    return Replace(useDib, [&](CSurface& s) { return s.Create(width, height, format, useDib); });
}

bool CAutoSurface::Load(const std::string& fileName, int format, bool useDib)
{
    const std::string name = fileName;  // the argument may belong to the old implementation
    return Replace(useDib, [&](CSurface& s) { return s.Load(name, format, useDib); });
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

// Forwarded operations: to the implementation while it holds a surface,
// otherwise the answer of a surface that is not created.
namespace {

template <typename R, typename... Params, typename... Args>
R Ask(CSurface* s, R none, R (CSurface::*method)(Params...), const Args&... args)
{
    return s ? (s->*method)(args...) : none;
}

template <typename... Params, typename... Args>
void Tell(CSurface* s, void (CSurface::*method)(Params...), const Args&... args)
{
    if (s)
        (s->*method)(args...);
}

}  // namespace

bool CAutoSurface::SaveBitmap(const std::string& fileName)
{
    return Ask(Created(), false, &CSurface::SaveBitmap, fileName);
}
void CAutoSurface::SetColorKeyEnable(bool enable) { Tell(Created(), &CSurface::SetColorKeyEnable, enable); }
void CAutoSurface::SetAlphaEnable(bool enable) { Tell(Created(), &CSurface::SetAlphaEnable, enable); }
bool CAutoSurface::IsColorKeyEnable() { return Ask(Created(), false, &CSurface::IsColorKeyEnable); }
bool CAutoSurface::IsAlphaEnable() { return Ask(Created(), false, &CSurface::IsAlphaEnable); }
void CAutoSurface::SetColorKey(COLORREF color) { Tell(Created(), &CSurface::SetColorKey, color); }
DWORD CAutoSurface::GetColorKey() { return Ask(Created(), DWORD(0), &CSurface::GetColorKey); }
bool CAutoSurface::IsCreated() { return Created() != nullptr; }
bool CAutoSurface::HasAlphaChannel() { return Ask(Created(), false, &CSurface::HasAlphaChannel); }
int CAutoSurface::GetBlitMode() { return Ask(Created(), -1, &CSurface::GetBlitMode); }
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
    if (CSurface* s = Created())
        s->GetSize(width, height);
}
int CAutoSurface::GetBitCount() { return Ask(Created(), 0, &CSurface::GetBitCount); }
HBITMAP CAutoSurface::GetBitmap() { return Ask(Created(), HBITMAP(NULL), &CSurface::GetBitmap); }
HDC CAutoSurface::GetDC() { return Ask(Created(), HDC(NULL), &CSurface::GetDC); }
void CAutoSurface::ReleaseDC() { Tell(Created(), &CSurface::ReleaseDC); }
bool CAutoSurface::Lock() { return Ask(Created(), false, &CSurface::Lock); }
void CAutoSurface::Unlock() { Tell(Created(), &CSurface::Unlock); }
BYTE* CAutoSurface::GetBits() { return Ask(Created(), static_cast<BYTE*>(nullptr), &CSurface::GetBits); }
int CAutoSurface::GetPitch() { return Ask(Created(), 0, &CSurface::GetPitch); }
BYTE* CAutoSurface::GetAlphaBits() { return Ask(Created(), static_cast<BYTE*>(nullptr), &CSurface::GetAlphaBits); }
int CAutoSurface::GetAlphaPitch() { return Ask(Created(), 0, &CSurface::GetAlphaPitch); }
RECT CAutoSurface::Whole()
{
    int width, height;
    GetSize(width, height);
    RECT r = {0, 0, width, height};
    return r;
}
void CAutoSurface::Fill(COLORREF color)
{
    if (CSurface* s = Created())
        s->Fill(color);
    OnDrawn(Whole());
}
void CAutoSurface::Fill(COLORREF color, int left, int top, int right, int bottom)
{
    if (CSurface* s = Created())
        s->Fill(color, left, top, right, bottom);
    OnDrawn(RECT{left, top, right, bottom});
}
void CAutoSurface::FillAlpha(BYTE alpha)
{
    if (CSurface* s = Created())
        s->FillAlpha(alpha);
    OnDrawn(Whole());
}
void CAutoSurface::FillAlpha(BYTE alpha, int left, int top, int right, int bottom)
{
    if (CSurface* s = Created())
        s->FillAlpha(alpha, left, top, right, bottom);
    OnDrawn(RECT{left, top, right, bottom});
}
void CAutoSurface::CopyAlpha(CSurface* source, int left, int top, int right, int bottom, int srcLeft,
                             int srcTop, int srcRight, int srcBottom)
{
    Tell(Created(), &CSurface::CopyAlpha, source, left, top, right, bottom, srcLeft, srcTop, srcRight, srcBottom);
    OnDrawn(RECT{left, top, right, bottom});
}
bool CAutoSurface::Restore() { return Ask(Created(), false, &CSurface::Restore); }
