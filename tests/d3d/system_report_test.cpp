// The report's lines from known facts, the version classes from the test's
// own table, and the format names.
#include "d3d/D3DFormatName.h"
#include "d3d/SystemReport.h"
#include "d3d/WindowsVersion.h"

#include <gtest/gtest.h>

#include "VersionTable.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

uint32_t Bits(float f)
{
    uint32_t b;
    std::memcpy(&b, &f, 4);
    return b;
}

// A right-aligned label of 40 byte columns, as the report writes it.
std::string Label(const std::string& label) { return std::string(40 - label.size(), ' ') + label; }

SystemReportFacts SampleFacts()
{
    SystemReportFacts f;
    f.programPath = "C:\\Games\\Quillmoor\\sysinfo.exe";
    f.osText = "WindowsXP ServicePack 2";
    f.cpuName = "Quill Test Processor";
    f.cpuVendor = "GenuineQuill";
    f.cpuMHz = 2394;
    f.cpuFeatures = 0x1F;
    f.totalPhysical = 0x7FF00000u + 0xFFFFF;  // 2047 MB and a little
    f.availablePhysical = 0x00100000u * 1000;
    f.totalVirtual = 0x7FFE0000u;
    f.availableVirtual = 0xFFFFF;  // under 1 MB
    f.hasDisplayDevice = true;
    f.displayDeviceName = "\\\\.\\DISPLAY1";
    f.displayDeviceString = "Quill Display Adapter";
    f.totalVideoMemory = 256u << 20;
    f.freeVideoMemory = (200u << 20) + 12345;
    f.displayWidth = 1024;
    f.displayHeight = 768;
    f.displayRefreshRate = 60;
    f.displayFormat = 22;
    for (size_t i = 0; i < SystemReportFacts::kCapsWords; ++i)
        f.caps[i] = uint32_t(i) * 0x01010101u;
    f.caps[0] = 1;
    f.caps[28] = Bits(1e10f);     // MaxVertexW
    f.caps[29] = Bits(-1e8f);     // GuardBandLeft
    f.caps[33] = Bits(0.0f);      // ExtentsAdjust
    f.caps[44] = Bits(256.5f);    // MaxPointSize
    f.caps[52] = Bits(-1.0f);     // MaxPixelShaderValue
    f.modes = {{640, 480, 60, 23}, {1024, 768, 75, 22}, {1600, 1200, 0, 28}};
    return f;
}

TEST(SystemReport, LinesInOrder)
{
    const std::vector<std::string> lines = CSystemReport::FormatLines(SampleFacts());
    const std::vector<std::string> head = {
        "■■■■■システム情報■■■■■",
        "C:\\Games\\Quillmoor\\sysinfo.exe",
        "",
        "----------System----------",
        Label("OS名") + " : WindowsXP ServicePack 2",
        Label("CPU名") + " : Quill Test Processor",
        Label("CPUベンダID") + " : GenuineQuill",
        Label("CPU周波数(実測値)") + " : 2394 MHz ( 2.394000 GHz )",
        Label("CPUタイプ") + " : MMX  SSE  SSE2  3DNow!  E3DNow!  ",
        Label("最大物理メモリ") + " :   2047MB",
        Label("空き物理メモリ") + " :   1000MB",
        Label("最大仮想メモリ") + " :   2047MB",
        Label("空き仮想メモリ") + " :      0MB",
        "",
        "----------Display----------",
        Label("デバイス種類") + " : \\\\.\\DISPLAY1",
        Label("デバイス名前") + " : Quill Display Adapter",
        Label("最大VRAM量") + " :    256 MB",
        Label("空きVRAM量") + " :    200 MB",
        "",
        Label("○現在の画面構成"),
        Label("Width") + " : 1024",
        Label("Height") + " : 768",
        Label("RefreshRate") + " : 60",
        Label("Format") + " : X8R8G8B8",
        "",
        "----------Display Device Caps----------",
        Label("DeviceType") + " : HAL",
        Label("AdapterOrdinal") + " : 0x01010101",
        Label("Caps") + " : 0x02020202",
    };
    ASSERT_GE(lines.size(), head.size());
    for (size_t i = 0; i < head.size(); ++i)
        EXPECT_EQ(head[i], lines[i]) << "line " << i + 1;

    // The capability lines, then the mode list.
    const size_t caps = 27;  // index of the DeviceType line
    ASSERT_EQ(caps + 53 + 2 + 3, lines.size());
    EXPECT_EQ(Label("MaxTextureWidth") + " : 0x16161616", lines[caps + 22]);
    EXPECT_EQ(Label("MaxAnisotropy") + " : 0x1B1B1B1B", lines[caps + 27]);
    EXPECT_EQ(Label("MaxVertexW") + " : 10000000000.000000", lines[caps + 28]);
    EXPECT_EQ(Label("GuardBandLeft") + " : -100000000.000000", lines[caps + 29]);
    EXPECT_EQ(Label("ExtentsAdjust") + " : 0.000000", lines[caps + 33]);
    EXPECT_EQ(Label("StencilCaps") + " : 0x22222222", lines[caps + 34]);
    EXPECT_EQ(Label("MaxPointSize") + " : 256.500000", lines[caps + 44]);
    EXPECT_EQ(Label("PixelShaderVersion") + " : 0x33333333", lines[caps + 51]);
    EXPECT_EQ(Label("MaxPixelShaderValue") + " : -1.000000", lines[caps + 52]);
    EXPECT_EQ("", lines[caps + 53]);
    EXPECT_EQ("----------Display Format----------", lines[caps + 54]);
    EXPECT_EQ("  640×  480 :  60Hz : R5G6B5", lines[caps + 55]);
    EXPECT_EQ(" 1024×  768 :  75Hz : X8R8G8B8", lines[caps + 56]);
    EXPECT_EQ(" 1600× 1200 :   0Hz : Unknown", lines[caps + 57]);
}

TEST(SystemReport, CapabilityLabelsInDeclarationOrder)
{
    const char* const names[] = {
        "DeviceType", "AdapterOrdinal", "Caps", "Caps2", "Caps3", "PresentationIntervals", "CursorCaps", "DevCaps",
        "PrimitiveMiscCaps", "RasterCaps", "ZCmpCaps", "SrcBlendCaps", "DestBlendCaps", "AlphaCmpCaps", "ShadeCaps",
        "TextureCaps", "TextureFilterCaps", "CubeTextureFilterCaps", "VolumeTextureFilterCaps", "TextureAddressCaps",
        "VolumeTextureAddressCaps", "LineCaps", "MaxTextureWidth", "MaxTextureHeight", "MaxVolumeExtent",
        "MaxTextureRepeat", "MaxTextureAspectRatio", "MaxAnisotropy", "MaxVertexW", "GuardBandLeft", "GuardBandTop",
        "GuardBandRight", "GuardBandBottom", "ExtentsAdjust", "StencilCaps", "FVFCaps", "TextureOpCaps",
        "MaxTextureBlendStages", "MaxSimultaneousTextures", "VertexProcessingCaps", "MaxActiveLights",
        "MaxUserClipPlanes", "MaxVertexBlendMatrices", "MaxVertexBlendMatrixIndex", "MaxPointSize",
        "MaxPrimitiveCount", "MaxVertexIndex", "MaxStreams", "MaxStreamStride", "VertexShaderVersion",
        "MaxVertexShaderConst", "PixelShaderVersion", "MaxPixelShaderValue"};
    const std::vector<std::string> floats = {"MaxVertexW", "GuardBandLeft", "GuardBandTop", "GuardBandRight",
                                             "GuardBandBottom", "ExtentsAdjust", "MaxPointSize",
                                             "MaxPixelShaderValue"};
    ASSERT_EQ(SystemReportFacts::kCapsWords, sizeof names / sizeof names[0]);
    const CSystemReport::CapsField* fields = CSystemReport::CapsFields();
    for (size_t i = 0; i < SystemReportFacts::kCapsWords; ++i) {
        EXPECT_STREQ(names[i], fields[i].name) << "field " << i;
        bool isFloat = false;
        for (const std::string& f : floats)
            isFloat |= f == names[i];
        EXPECT_EQ(isFloat, fields[i].isFloat) << names[i];
    }
}

TEST(SystemReport, LabelsCountTwoByteCharactersAsTwoColumns)
{
    const std::vector<std::string> lines = CSystemReport::FormatLines(SampleFacts());
    // "OS名": 'O', 'S' and the two Shift-JIS bytes 0x96 0xBC: 36 blanks before it.
    EXPECT_EQ(std::string(36, ' ') + "OS\x96\xBC : WindowsXP ServicePack 2", lines[4]);
    size_t labelled = 0;
    for (size_t i = 0; i < lines.size() && lines[i] != "----------Display Format----------"; ++i) {
        const size_t colon = lines[i].find(" : ");
        if (colon == std::string::npos)
            continue;
        EXPECT_EQ(40u, colon) << "line " << i + 1 << ": " << lines[i];
        ++labelled;
    }
    EXPECT_EQ(5u + 4 + 2 + 2 + 4 + 53, labelled);
    EXPECT_EQ(40u, lines[20].size()) << "the label line of the current mode";
}

TEST(SystemReport, MissingFactsLeaveTheirValuesEmpty)
{
    SystemReportFacts f = SampleFacts();
    f.cpuName.clear();  // no extended identification leaves
    f.cpuFeatures = 0;  // none of the five extensions
    f.hasDisplayDevice = false;
    f.displayFormat = 28;  // a format without a name
    f.caps[0] = 7;
    f.modes.clear();
    const std::vector<std::string> lines = CSystemReport::FormatLines(f);
    EXPECT_EQ(Label("CPU名") + " : ", lines[5]);
    EXPECT_EQ(Label("CPUタイプ") + " : ", lines[8]);
    EXPECT_EQ("----------Display----------", lines[14]);
    EXPECT_EQ(Label("最大VRAM量") + " :    256 MB", lines[15]) << "device lines dropped";
    EXPECT_EQ(Label("Format") + " : 28(Unknown)", lines[22]);
    EXPECT_EQ(Label("DeviceType") + " : 0x7(Unkown)", lines[25]);
    EXPECT_EQ("----------Display Format----------", lines.back());

    f.displayFormat = 20;
    f.caps[0] = 2;
    f.cpuFeatures = 0x0A;  // SSE and 3DNow! only
    const std::vector<std::string> more = CSystemReport::FormatLines(f);
    EXPECT_EQ(Label("Format") + " : R8G8B8", more[22]);
    EXPECT_EQ(Label("DeviceType") + " : REF", more[25]);
    EXPECT_EQ(Label("CPUタイプ") + " : SSE  3DNow!  ", more[8]);
    f.caps[0] = 3;
    EXPECT_EQ(Label("DeviceType") + " : SW", CSystemReport::FormatLines(f)[25]);
}

TEST(SystemReport, TextEndsEveryLineWithCrLf)
{
    const SystemReportFacts facts = SampleFacts();
    const std::string text = CSystemReport::FormatText(facts);
    const std::vector<std::string> lines = CSystemReport::FormatLines(facts);
    std::string joined;
    for (const std::string& line : lines)
        joined += line + "\r\n";
    EXPECT_EQ(joined, text);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n') {
            ASSERT_TRUE(i > 0 && text[i - 1] == '\r') << "bare LF at " << i;
        }
    }
}

TEST(SystemReport, LongValuesAreNotCut)
{
    SystemReportFacts f = SampleFacts();
    f.programPath = std::string(300, 'p');
    f.displayDeviceString = std::string(127, 'd');
    const std::vector<std::string> lines = CSystemReport::FormatLines(f);
    EXPECT_EQ(f.programPath, lines[1]);
    EXPECT_EQ(Label("デバイス名前") + " : " + f.displayDeviceString, lines[16]);
}

TEST(WindowsVersion, ClassesAndTextsOfTheTable)
{
    for (size_t i = 0; i < kVersionRowCount; ++i) {
        const VersionRow& r = kVersionRows[i];
        const CWindowsVersion v(r.platform, r.major, r.minor, r.csd, r.servicePack);
        EXPECT_EQ(r.expectedClass, v.GetClass()) << "row " << i << ": " << r.platform << " " << r.major << "."
                                                 << r.minor << " \"" << r.csd << "\"";
        EXPECT_EQ(r.expectedText, v.GetText()) << "row " << i;
        // The table's rules agree with its rows.
        EXPECT_EQ(r.expectedText, ExpectedVersionText(r.platform, r.major, r.minor, r.csd, r.servicePack));
    }
    EXPECT_EQ(0, CWindowsVersion().GetClass());
    EXPECT_EQ("不明なWindows", CWindowsVersion().GetText());
}

TEST(WindowsVersion, EveryVersionFollowsTheRules)
{
    const char* const csds[] = {"", "A", " A", " B", " C", " D"};
    for (uint32_t platform = 0; platform < 4; ++platform) {
        for (uint32_t major = 0; major < 8; ++major) {
            for (uint32_t minor : {0u, 1u, 2u, 3u, 10u, 90u}) {
                for (const char* csd : csds) {
                    const CWindowsVersion v(platform, major, minor, csd, 3);
                    EXPECT_EQ(ExpectedVersionText(platform, major, minor, csd, 3), v.GetText())
                        << platform << " " << major << "." << minor << " \"" << csd << "\"";
                }
            }
        }
    }
}

TEST(D3DFormatName, TheTenDisplayFormats)
{
    const struct {
        uint32_t format;
        const char* name;
    } rows[] = {{20, "R8G8B8"},   {21, "A8R8G8B8"}, {22, "X8R8G8B8"}, {23, "R5G6B5"},   {24, "X1R5G5B5"},
                {25, "A1R5G5B5"}, {26, "A4R4G4B4"}, {27, "R3G3B2"},   {29, "A8R3G3B2"}, {30, "X4R4G4B4"}};
    for (const auto& r : rows)
        EXPECT_STREQ(r.name, D3DFormatName(r.format)) << r.format;
    for (uint32_t f : {0u, 19u, 28u, 31u, 50u, 80u, 0xFFFFFFFFu})
        EXPECT_EQ(nullptr, D3DFormatName(f)) << f;
}

}  // namespace
