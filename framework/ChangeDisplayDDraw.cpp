#include "framework/ChangeDisplayDDraw.h"

#include "framework/AppManager.h"
#include "framework/DebugPrint.h"
#include "framework/DirectDraw.h"
#include "framework/DirectDrawManager.h"

CChangeDisplayDDraw::CChangeDisplayDDraw()
    : m_hWnd(CAppManager::GetHWnd()), m_DirectDraw(nullptr), m_Changed(0)
{
    if (m_hWnd == NULL) {
        DebugPrint("CChangeDisplayDDraw::CChangeDisplayDDraw() CAppManager::GetHWnd()に失敗.以後Win32APIを使用します");
        return;
    }
    m_DirectDraw = CDirectDrawManager::GetInstance().GetDirectDraw(m_hWnd);
    if (m_DirectDraw == nullptr)
        DebugPrint("CChangeDisplayDDraw::CChangeDisplayDDraw() DirectDrawインターフェースを取得できません.以後Win32APIを使用します");
}

CChangeDisplayDDraw::~CChangeDisplayDDraw()
{
    if (m_Changed && m_DirectDraw != nullptr)
        Reset();
}

CDirectDraw* CChangeDisplayDDraw::Current()
{
    return CDirectDrawManager::GetInstance().GetDirectDraw(m_hWnd);
}

bool CChangeDisplayDDraw::ChangeDisplay(int width, int height, int depth)
{
    if (m_DirectDraw == nullptr)
        return m_Win32.ChangeDisplay(width, height, depth);
    CDirectDraw* dd = Current();
    if (dd == nullptr)
        return false;
    if (depth == 0)
        return Reset();
    ::Sleep(100);
    m_Changed = 1;
    if (!dd->SetCooperativeLevel(CDirectDraw::kFullScreenLevel)) {
        DebugPrint("CChangeDisplayDDraw::ChangeDisplay() SetCooperativeLevelに失敗");
        return false;
    }
    if (!dd->SetDisplayMode(width, height, depth, 0)) {
        DebugPrint("CChangeDisplayDDraw::ChangeDisplay() SetDisplayModeに失敗");
        return false;
    }
    ::Sleep(200);
    return true;
}

bool CChangeDisplayDDraw::Reset()
{
    if (m_DirectDraw == nullptr)
        return m_Win32.Reset();
    if (!m_Changed)
        return true;
    CDirectDraw* dd = Current();
    if (dd == nullptr)
        return false;
    ::Sleep(100);
    m_Changed = 0;
    if (!dd->RestoreDisplayMode()) {
        DebugPrint("CChangeDisplayDDraw::Reset() RestoreDisplayModeに失敗");
        return false;
    }
    if (!dd->SetCooperativeLevel(CDirectDraw::kNormalLevel)) {
        DebugPrint("CChangeDisplayDDraw::Reset() SetCooperativeLevelに失敗");
        return false;
    }
    ::Sleep(200);
    return true;
}

bool CChangeDisplayDDraw::CanChange(int width, int height, int depth)
{
    return m_Win32.CanChange(width, height, depth);
}

bool CChangeDisplayDDraw::IsChanged()
{
    return m_DirectDraw != nullptr ? m_Changed != 0 : m_Win32.IsChanged();
}
