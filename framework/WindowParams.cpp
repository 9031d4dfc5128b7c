#include "framework/WindowParams.h"
#include <cstring>

CWindowParams::CWindowParams()
{
    std::memset(&m_WndClass, 0, sizeof m_WndClass);
    m_WndClass.cbSize = sizeof m_WndClass;
    m_WndClass.hInstance = GetModuleHandleA(NULL);
    m_WndClass.hIcon = LoadIconA(NULL, IDI_WINLOGO);
    m_WndClass.hCursor = LoadCursorA(NULL, IDC_ARROW);
    m_WndClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    m_WndClass.lpszClassName = "Application";
    m_Title = "Application";
    m_Style = WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    m_ExStyle = 0;
    m_X = m_Y = 0;
    m_Width = 800;
    m_Height = 600;
    m_Parent = NULL;
    m_Centre = 1;
    m_ClientSize = 1;
    m_SetFocus = 0;
    m_MenuOrId = 0;
}

void CWindowParams::Reset()
{
    std::memset(&m_WndClass, 0, sizeof m_WndClass);
    m_Title.clear();
    m_Style = m_ExStyle = 0;
    m_X = m_Y = m_Width = m_Height = 0;
    m_Parent = NULL;
    m_Centre = m_ClientSize = m_SetFocus = 0;
    m_MenuOrId = 0;
}
