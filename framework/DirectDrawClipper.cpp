#include "framework/DirectDrawClipper.h"

#include "framework/DebugPrint.h"
#include "framework/DirectDraw.h"

CDirectDrawClipper::CDirectDrawClipper(CDirectDraw& directDraw)
{
    IDirectDraw7* dd = directDraw.GetInterface();
    IDirectDrawClipper* clipper = nullptr;
    if (dd == nullptr || FAILED(dd->CreateClipper(0, &clipper, nullptr)) || clipper == nullptr) {
        DebugPrint("CDirectDrawClipper::CDirectDrawClipper() DirectDrawClipper作成失敗");
        return;
    }
    m_Clipper.Reset(clipper);
    if (FAILED(clipper->SetHWnd(0, directDraw.GetHWnd()))) {
        DebugPrint("CDirectDrawClipper::CDirectDrawClipper() SetHWnd()に失敗しました");
        m_Clipper.Close();
    }
}
