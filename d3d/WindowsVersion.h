#pragma once
// The Windows version class of the system report (0 to 11) and its text,
// from the fields of the version information. Pure; Current() reads the
// running system (Windows build only).
#include <cstdint>
#include <string>

class CWindowsVersion {
public:
    enum Class {
        kUnknown = 0,      // "不明なWindows"
        kWin95OrOlder = 1, // Win32s, or a 9x version before or between the known ones
        kWin95 = 2,
        kWin95OSR2 = 3,
        kWin98 = 4,
        kWin98SE = 5,
        kWinME = 6,
        kWinNT = 7,
        kWin2000 = 8,
        kWinXP = 9,
        kWin2003 = 10,
        kLater = 11,
    };

    CWindowsVersion() {}
    // platformId as VER_PLATFORM_* (0 Win32s, 1 Windows, 2 NT); csdVersion
    // is the service pack text ("A" as its second character marks 98 SE,
    // "B" or "C" marks 95 OSR2).
    CWindowsVersion(uint32_t platformId, uint32_t major, uint32_t minor, const std::string& csdVersion,
                    uint32_t servicePack);

    // GetVersionExA with the extended structure, then the basic one (service
    // pack 0); class 0 when both fail.
    static CWindowsVersion Current();

    int GetClass() const { return m_Class; }
    uint32_t GetServicePack() const { return m_ServicePack; }
    // "WindowsXP ServicePack 2", "Windows95以前", ...
    std::string GetText() const;

private:
    int m_Class = kUnknown;
    uint32_t m_ServicePack = 0;
};
