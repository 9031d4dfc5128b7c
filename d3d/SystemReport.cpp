#include "d3d/SystemReport.h"
#include "d3d/D3DFormatName.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

const CSystemReport::CapsField kCapsFields[SystemReportFacts::kCapsWords] = {
    {"DeviceType", false},
    {"AdapterOrdinal", false},
    {"Caps", false},
    {"Caps2", false},
    {"Caps3", false},
    {"PresentationIntervals", false},
    {"CursorCaps", false},
    {"DevCaps", false},
    {"PrimitiveMiscCaps", false},
    {"RasterCaps", false},
    {"ZCmpCaps", false},
    {"SrcBlendCaps", false},
    {"DestBlendCaps", false},
    {"AlphaCmpCaps", false},
    {"ShadeCaps", false},
    {"TextureCaps", false},
    {"TextureFilterCaps", false},
    {"CubeTextureFilterCaps", false},
    {"VolumeTextureFilterCaps", false},
    {"TextureAddressCaps", false},
    {"VolumeTextureAddressCaps", false},
    {"LineCaps", false},
    {"MaxTextureWidth", false},
    {"MaxTextureHeight", false},
    {"MaxVolumeExtent", false},
    {"MaxTextureRepeat", false},
    {"MaxTextureAspectRatio", false},
    {"MaxAnisotropy", false},
    {"MaxVertexW", true},
    {"GuardBandLeft", true},
    {"GuardBandTop", true},
    {"GuardBandRight", true},
    {"GuardBandBottom", true},
    {"ExtentsAdjust", true},
    {"StencilCaps", false},
    {"FVFCaps", false},
    {"TextureOpCaps", false},
    {"MaxTextureBlendStages", false},
    {"MaxSimultaneousTextures", false},
    {"VertexProcessingCaps", false},
    {"MaxActiveLights", false},
    {"MaxUserClipPlanes", false},
    {"MaxVertexBlendMatrices", false},
    {"MaxVertexBlendMatrixIndex", false},
    {"MaxPointSize", true},
    {"MaxPrimitiveCount", false},
    {"MaxVertexIndex", false},
    {"MaxStreams", false},
    {"MaxStreamStride", false},
    {"VertexShaderVersion", false},
    {"MaxVertexShaderConst", false},
    {"PixelShaderVersion", false},
    {"MaxPixelShaderValue", true},
};

// One formatted line (labels are right-aligned by "%40s" in bytes, so a
// two-byte character counts as two columns).
std::string Line(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    char small[256];
    const int n = std::vsnprintf(small, sizeof small, format, args);
    va_end(args);
    std::string text;
    if (n < 0) {
        va_end(again);
        return text;
    }
    if (size_t(n) < sizeof small) {
        text.assign(small, size_t(n));
    } else {
        text.resize(size_t(n) + 1);
        std::vsnprintf(&text[0], text.size(), format, again);
        text.resize(size_t(n));
    }
    va_end(again);
    return text;
}

float AsFloat(uint32_t bits)
{
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

int Megabytes(uint32_t bytes) { return int(bytes >> 20); }

}  // namespace

const CSystemReport::CapsField* CSystemReport::CapsFields() { return kCapsFields; }

std::vector<std::string> CSystemReport::FormatLines(const SystemReportFacts& f)
{
    std::vector<std::string> lines;
    lines.push_back("■■■■■システム情報■■■■■");
    lines.push_back(f.programPath);
    lines.push_back("");
    lines.push_back("----------System----------");
    lines.push_back(Line("%40s : ", "OS名") + f.osText);
    lines.push_back(Line("%40s : ", "CPU名") + f.cpuName);
    lines.push_back(Line("%40s : ", "CPUベンダID") + f.cpuVendor);
    lines.push_back(Line("%40s : %d MHz ( %s GHz )", "CPU周波数(実測値)", int(f.cpuMHz),
                         Line("%f", f.cpuMHz * 0.001).c_str()));
    std::string types = Line("%40s : ", "CPUタイプ");
    static const char* const kExtensions[] = {"MMX  ", "SSE  ", "SSE2  ", "3DNow!  ", "E3DNow!  "};
    for (int bit = 0; bit < 5; ++bit)
        if (f.cpuFeatures & (1u << bit))
            types += kExtensions[bit];
    lines.push_back(types);
    lines.push_back(Line("%40s : %6dMB", "最大物理メモリ", Megabytes(f.totalPhysical)));
    lines.push_back(Line("%40s : %6dMB", "空き物理メモリ", Megabytes(f.availablePhysical)));
    lines.push_back(Line("%40s : %6dMB", "最大仮想メモリ", Megabytes(f.totalVirtual)));
    lines.push_back(Line("%40s : %6dMB", "空き仮想メモリ", Megabytes(f.availableVirtual)));
    lines.push_back("");
    lines.push_back("----------Display----------");
    if (f.hasDisplayDevice) {
        lines.push_back(Line("%40s : %s", "デバイス種類", f.displayDeviceName.c_str()));
        lines.push_back(Line("%40s : %s", "デバイス名前", f.displayDeviceString.c_str()));
    }
    lines.push_back(Line("%40s : %6d MB", "最大VRAM量", Megabytes(f.totalVideoMemory)));
    lines.push_back(Line("%40s : %6d MB", "空きVRAM量", Megabytes(f.freeVideoMemory)));
    lines.push_back("");
    lines.push_back(Line("%40s", "○現在の画面構成"));
    lines.push_back(Line("%40s : %d", "Width", int(f.displayWidth)));
    lines.push_back(Line("%40s : %d", "Height", int(f.displayHeight)));
    lines.push_back(Line("%40s : %d", "RefreshRate", int(f.displayRefreshRate)));
    if (const char* name = D3DFormatName(f.displayFormat))
        lines.push_back(Line("%40s : ", "Format") + name);
    else
        lines.push_back(Line("%40s : %d(Unknown)", "Format", int(f.displayFormat)));
    lines.push_back("");
    lines.push_back("----------Display Device Caps----------");
    switch (f.caps[0]) {
    case 1: lines.push_back(Line("%40s : HAL", "DeviceType")); break;
    case 2: lines.push_back(Line("%40s : REF", "DeviceType")); break;
    case 3: lines.push_back(Line("%40s : SW", "DeviceType")); break;
    default: lines.push_back(Line("%40s : 0x%X(Unkown)", "DeviceType", unsigned(f.caps[0]))); break;
    }
    for (size_t i = 1; i < SystemReportFacts::kCapsWords; ++i) {
        const CapsField& field = kCapsFields[i];
        if (field.isFloat)
            lines.push_back(Line("%40s : %f", field.name, double(AsFloat(f.caps[i]))));
        else
            lines.push_back(Line("%40s : 0x%08X", field.name, unsigned(f.caps[i])));
    }
    lines.push_back("");
    lines.push_back("----------Display Format----------");
    for (const SystemReportFacts::Mode& mode : f.modes) {
        const char* name = D3DFormatName(mode.format);
        lines.push_back(Line("%5d×%5d : %3dHz : %s", int(mode.width), int(mode.height), int(mode.refreshRate),
                             name ? name : "Unknown"));
    }
    return lines;
}

std::string CSystemReport::FormatText(const SystemReportFacts& facts)
{
    std::string text;
    for (const std::string& line : FormatLines(facts)) {
        text += line;
        text += "\r\n";
    }
    return text;
}
