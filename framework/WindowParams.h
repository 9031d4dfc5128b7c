#pragma once
#include <windows.h>
#include <string>

// Window creation parameters.
class CWindowParams {
public:
    CWindowParams();
    virtual ~CWindowParams() {}
    void Reset();

    WNDCLASSEXA m_WndClass;
    std::string m_Title;
    DWORD m_Style;
    DWORD m_ExStyle;
    int m_X, m_Y;
    int m_Width, m_Height;
    HWND m_Parent;
    unsigned char m_Centre;
    unsigned char m_ClientSize;
    unsigned char m_SetFocus;
    UINT_PTR m_MenuOrId;  // menu handle, or the child-control id
};
