#include "framework/DirectDraw.h"

#include "framework/ComInit.h"
#include "framework/DebugPrint.h"
#include "framework/DirectDrawClipper.h"
#include "framework/DirectDrawSurfaceRegistry.h"

#include <new>

CDirectDraw::CDirectDraw(HWND hWnd) : m_hWnd(hWnd), m_FullScreen(0), m_ComThread(0)
{
    if (!_Initialize())
        DebugPrint("CDirectDraw::CDirectDraw() DirectDraw作成に失敗しました");
}

CDirectDraw::~CDirectDraw()
{
    m_Clipper.reset();
    if (!m_DirectDraw.IsValid())
        return;
    if (m_FullScreen) {
        RestoreDisplayMode();
        SetCooperativeLevel(kNormalLevel);
    }
    CDirectDrawSurfaceRegistry& surfaces = CDirectDrawSurfaceRegistry::GetInstance();
    surfaces.ReleaseAll(this);
    surfaces.DetachAll(this);
    m_DirectDraw.Close();
    // COM use is counted per thread: only the thread that started it ends it.
    if (GetCurrentThreadId() == m_ComThread)
        ComUninitialize();
}

bool CDirectDraw::_Initialize()
{
    if (!ComInitialize())
        return false;
    m_ComThread = GetCurrentThreadId();
    IDirectDraw7* dd = nullptr;
    if (FAILED(CoCreateInstance(CLSID_DirectDraw, nullptr, CLSCTX_INPROC_SERVER, IID_IDirectDraw7,
                                reinterpret_cast<void**>(&dd))) ||
        dd == nullptr) {
        DebugPrint("CDirectDraw::_Initialize() CoCreateInstanceに失敗しました");
        ComUninitialize();
        return false;
    }
    m_DirectDraw.Reset(dd);
    if (FAILED(dd->Initialize(nullptr))) {
        DebugPrint("CDirectDraw::_Initialize() HALでのInitializeに失敗しました");
        if (FAILED(dd->Initialize(reinterpret_cast<GUID*>(DDCREATE_EMULATIONONLY)))) {
            DebugPrint("CDirectDraw::_Initialize() HELでのInitializeに失敗しました");
            m_DirectDraw.Close();
            ComUninitialize();
            return false;
        }
    }
    SetCooperativeLevel(kNormalLevel);
    m_Clipper.reset(new (std::nothrow) CDirectDrawClipper(*this));
    return true;
}

bool CDirectDraw::SetCooperativeLevel(DWORD flags)
{
    if (!m_DirectDraw.IsValid() || FAILED(m_DirectDraw.Get()->SetCooperativeLevel(m_hWnd, flags)))
        return false;
    m_FullScreen = BYTE(flags & DDSCL_FULLSCREEN);
    return true;
}

bool CDirectDraw::SetDisplayMode(int width, int height, int bitsPerPixel, int refreshRate)
{
    return m_DirectDraw.IsValid() &&
           SUCCEEDED(m_DirectDraw.Get()->SetDisplayMode(DWORD(width), DWORD(height), DWORD(bitsPerPixel),
                                                        DWORD(refreshRate), 0));
}

bool CDirectDraw::RestoreDisplayMode()
{
    return m_DirectDraw.IsValid() && SUCCEEDED(m_DirectDraw.Get()->RestoreDisplayMode());
}

IDirectDrawClipper* CDirectDraw::GetClipper() const
{
    return m_Clipper ? m_Clipper->GetClipper() : nullptr;
}
