#include "framework/ChangeDisplay.h"
#include "framework/DebugPrint.h"
#include <cstring>

namespace {

DEVMODEA MakeMode(int width, int height, int depth, DWORD fields)
{
    DEVMODEA mode;
    std::memset(&mode, 0, sizeof mode);
    mode.dmSize = sizeof mode;
    mode.dmFields = fields;
    mode.dmPelsWidth = width;
    mode.dmPelsHeight = height;
    mode.dmBitsPerPel = depth;
    return mode;
}

const DWORD kModeFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;  // 0x1C0000

}  // namespace

bool CChangeDisplayWin32API::ChangeDisplay(int width, int height, int depth)
{
    if (depth == 0)
        return Reset();
    ::Sleep(100);
    m_Changed = 1;  // stays set on failure, so Reset restores the registry mode
    if (GetVersion() < 0x80000000) {
        HDC screen = GetDC(NULL);
        int refresh = screen ? GetDeviceCaps(screen, VREFRESH) : 0;
        if (screen)
            ReleaseDC(NULL, screen);
        DEVMODEA mode = MakeMode(width, height, depth, kModeFields | DM_DISPLAYFREQUENCY);
        mode.dmDisplayFrequency = refresh;
        if (ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN) == DISP_CHANGE_SUCCESSFUL) {
            ::Sleep(200);
            return true;
        }
    }
    DEVMODEA mode = MakeMode(width, height, depth, kModeFields);
    if (ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN) == DISP_CHANGE_SUCCESSFUL) {
        ::Sleep(200);
        return true;
    }
    return false;
}

bool CChangeDisplayWin32API::CanChange(int width, int height, int depth)
{
    if (depth == 0)
        return true;
    if (depth == 15)
        depth = 16;
    DEVMODEA mode = MakeMode(width, height, depth, kModeFields);
    return ChangeDisplaySettingsA(&mode, CDS_TEST) == DISP_CHANGE_SUCCESSFUL;
}

bool CChangeDisplayWin32API::Reset()
{
    if (m_Changed) {
        if (ChangeDisplaySettingsA(NULL, 0) != DISP_CHANGE_SUCCESSFUL)
            return false;
        m_Changed = 0;
    }
    return true;
}

void CChangeDisplayWin32API::_Finalize()
{
    if (m_Changed && ChangeDisplaySettingsA(NULL, 0) != DISP_CHANGE_SUCCESSFUL)
        DebugPrint("CChangeDisplayWin32API::_Finalize() 後処理に失敗した");
    m_Changed = 0;
}
