#include "VersionTable.h"

#include <cstdio>

const VersionRow kVersionRows[] = {
    {3, 4, 0, "", 0, 0, "不明なWindows"},
    {7, 6, 1, "Service Pack 1", 1, 0, "不明なWindows"},
    {0, 3, 11, "", 0, 1, "Windows95以前"},
    {1, 4, 0, "", 0, 2, "Windows95 ServicePack 0"},
    {1, 4, 0, " A", 0, 2, "Windows95 ServicePack 0"},
    {1, 4, 0, " B", 0, 3, "Windows95OSR2 ServicePack 0"},
    {1, 4, 0, " C", 1, 3, "Windows95OSR2 ServicePack 1"},
    {1, 4, 10, "", 0, 4, "Windows98 ServicePack 0"},
    {1, 4, 10, " B", 0, 4, "Windows98 ServicePack 0"},
    {1, 4, 10, " A ", 0, 5, "Windows98SE ServicePack 0"},
    {1, 4, 90, "", 0, 6, "WindowsME ServicePack 0"},
    {1, 4, 3, "", 0, 1, "Windows95以前"},
    {1, 3, 10, "", 0, 1, "Windows95以前"},
    {1, 5, 0, "", 2, 11, "WindowsXP-2003Server Later ServicePack 2"},
    {2, 3, 51, "Service Pack 5", 5, 7, "WindowsNT ServicePack 5"},
    {2, 4, 0, "Service Pack 6", 6, 7, "WindowsNT ServicePack 6"},
    {2, 5, 0, "Service Pack 4", 4, 8, "Windows2000 ServicePack 4"},
    {2, 5, 1, "Service Pack 2", 2, 9, "WindowsXP ServicePack 2"},
    {2, 5, 2, "Service Pack 1", 1, 10, "Windows2003Server ServicePack 1"},
    {2, 5, 3, "", 0, 11, "WindowsXP-2003Server Later ServicePack 0"},
    {2, 6, 1, "Service Pack 1", 1, 11, "WindowsXP-2003Server Later ServicePack 1"},
    {2, 10, 0, "", 0, 11, "WindowsXP-2003Server Later ServicePack 0"},
};
const size_t kVersionRowCount = sizeof kVersionRows / sizeof kVersionRows[0];

int ExpectedVersionClass(uint32_t platform, uint32_t major, uint32_t minor, const std::string& csd)
{
    const char mark = csd.size() > 1 ? csd[1] : 0;
    if (platform == 0)
        return 1;
    if (platform == 1) {
        if (major > 4) return 11;
        if (major < 4) return 1;
        if (minor == 0) return mark == 'B' || mark == 'C' ? 3 : 2;
        if (minor == 10) return mark == 'A' ? 5 : 4;
        if (minor == 90) return 6;
        return 1;
    }
    if (platform == 2) {
        if (major < 5) return 7;
        if (major == 5 && minor <= 2) return 8 + int(minor);
        return 11;
    }
    return 0;
}

std::string ExpectedVersionText(uint32_t platform, uint32_t major, uint32_t minor, const std::string& csd,
                                uint32_t servicePack)
{
    static const char* const kNames[] = {nullptr, nullptr, "Windows95", "Windows95OSR2", "Windows98",
                                         "Windows98SE", "WindowsME", "WindowsNT", "Windows2000", "WindowsXP",
                                         "Windows2003Server", "WindowsXP-2003Server Later"};
    const int c = ExpectedVersionClass(platform, major, minor, csd);
    if (c == 0)
        return "不明なWindows";
    if (c == 1)
        return "Windows95以前";
    char text[96];
    std::snprintf(text, sizeof text, "%s ServicePack %u", kNames[c], unsigned(servicePack));
    return text;
}
