#include "d3d/WindowsVersion.h"

#include <cstdio>

CWindowsVersion::CWindowsVersion(uint32_t platformId, uint32_t major, uint32_t minor,
                                 const std::string& csdVersion, uint32_t servicePack)
    : m_ServicePack(servicePack)
{
    const char mark = csdVersion.size() > 1 ? csdVersion[1] : '\0';
    switch (platformId) {
    case 0:
        m_Class = kWin95OrOlder;
        break;
    case 1:
        if (major > 4)
            m_Class = kLater;
        else if (major < 4)
            m_Class = kWin95OrOlder;
        else if (minor == 0)
            m_Class = mark == 'B' || mark == 'C' ? kWin95OSR2 : kWin95;
        else if (minor == 10)
            m_Class = mark == 'A' ? kWin98SE : kWin98;
        else if (minor == 90)
            m_Class = kWinME;
        else
            m_Class = kWin95OrOlder;
        break;
    case 2:
        if (major < 5)
            m_Class = kWinNT;
        else if (major == 5 && minor == 0)
            m_Class = kWin2000;
        else if (major == 5 && minor == 1)
            m_Class = kWinXP;
        else if (major == 5 && minor == 2)
            m_Class = kWin2003;
        else
            m_Class = kLater;
        break;
    default:
        m_Class = kUnknown;
        break;
    }
}

std::string CWindowsVersion::GetText() const
{
    const char* format = nullptr;
    switch (m_Class) {
    case kWin95OrOlder: return "Windows95以前";
    case kWin95: format = "Windows95 ServicePack %d"; break;
    case kWin95OSR2: format = "Windows95OSR2 ServicePack %d"; break;
    case kWin98: format = "Windows98 ServicePack %d"; break;
    case kWin98SE: format = "Windows98SE ServicePack %d"; break;
    case kWinME: format = "WindowsME ServicePack %d"; break;
    case kWinNT: format = "WindowsNT ServicePack %d"; break;
    case kWin2000: format = "Windows2000 ServicePack %d"; break;
    case kWinXP: format = "WindowsXP ServicePack %d"; break;
    case kWin2003: format = "Windows2003Server ServicePack %d"; break;
    case kLater: format = "WindowsXP-2003Server Later ServicePack %d"; break;
    default: return "不明なWindows";
    }
    char text[96];
    std::snprintf(text, sizeof text, format, int(m_ServicePack));
    return text;
}
