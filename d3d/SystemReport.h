#pragma once
// The system report "info.txt": the machine's facts formatted line by line.
// Pure; the device capabilities object gathers the facts and writes the file.
#include <cstdint>
#include <string>
#include <vector>

// What the report says, gathered beforehand. Byte counts are as the system
// reports them; the report shows whole MB.
struct SystemReportFacts {
    // The device capabilities as 32-bit words in their declaration order
    // (DeviceType first, MaxPixelShaderValue last); the float fields hold
    // their bits.
    static constexpr size_t kCapsWords = 53;

    struct Mode {
        uint32_t width, height, refreshRate, format;
    };

    std::string programPath;
    std::string osText;
    std::string cpuName;
    std::string cpuVendor;
    uint32_t cpuMHz = 0;
    uint32_t cpuFeatures = 0;  // bit 0 MMX, 1 SSE, 2 SSE2, 3 3DNow!, 4 extended 3DNow!
    uint32_t totalPhysical = 0, availablePhysical = 0, totalVirtual = 0, availableVirtual = 0;
    bool hasDisplayDevice = false;
    std::string displayDeviceName;    // "\\.\DISPLAY1"
    std::string displayDeviceString;  // the adapter's description
    uint32_t totalVideoMemory = 0, freeVideoMemory = 0;
    uint32_t displayWidth = 0, displayHeight = 0, displayRefreshRate = 0, displayFormat = 0;
    uint32_t caps[kCapsWords] = {};
    std::vector<Mode> modes;
};

class CSystemReport {
public:
    struct CapsField {
        const char* name;
        bool isFloat;
    };
    // The capability fields in declaration order; entry 0 is DeviceType.
    static const CapsField* CapsFields();

    // The lines of the report, without line ends.
    static std::vector<std::string> FormatLines(const SystemReportFacts& facts);
    // The whole text: every line ends with CR LF.
    static std::string FormatText(const SystemReportFacts& facts);
};
