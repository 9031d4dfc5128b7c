#include "d3d/D3DDeviceCaps.h"
#include "d3d/D3DResult.h"
#include "d3d/Direct3D8.h"
#include "d3d/SystemReport.h"
#include "d3d/VideoMemory.h"
#include "d3d/WindowsVersion.h"

#include "filesystem/File.h"
#include "surface/CpuInfo.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

static_assert(sizeof(D3DCAPS8) == SystemReportFacts::kCapsWords * 4, "D3DCAPS8 is 53 words");
static_assert(offsetof(D3DCAPS8, MaxVertexW) == 28 * 4 && offsetof(D3DCAPS8, MaxPointSize) == 44 * 4 &&
                  offsetof(D3DCAPS8, MaxPixelShaderValue) == 52 * 4,
              "D3DCAPS8 fields in declaration order");

CD3DDeviceCaps::CD3DDeviceCaps(CDirect3D8* owner, UINT adapter, D3DDEVTYPE type)
    : m_Adapter(adapter), m_DeviceType(type), m_Owner(owner), m_TotalVideoMemory(0), m_FreeVideoMemory(0)
{
    std::memset(&m_Caps, 0, sizeof m_Caps);
    QueryVideoMemory(owner ? owner->GetHWnd() : NULL, m_TotalVideoMemory, m_FreeVideoMemory);
    IDirect3D8* d3d = owner ? owner->GetInterface() : nullptr;
    if (!d3d)
        return;
    const HRESULT hr = d3d->GetDeviceCaps(adapter, type, &m_Caps);
    if (FAILED(hr)) {
        std::memset(&m_Caps, 0, sizeof m_Caps);
        ReportD3DFailure("CD3DDeviceCaps::CD3DDeviceCaps() GetDeviceCaps()", hr);
        return;
    }
    WriteReport();
}

UINT CD3DDeviceCaps::GetMaxTextureWidth() const { return std::min<DWORD>(m_Caps.MaxTextureWidth, 1024); }

UINT CD3DDeviceCaps::GetMaxTextureHeight() const { return std::min<DWORD>(m_Caps.MaxTextureHeight, 1024); }

void CD3DDeviceCaps::GetMaxTextureSize(UINT& width, UINT& height) const
{
    width = GetMaxTextureWidth();
    height = GetMaxTextureHeight();
}

bool CD3DDeviceCaps::IsPixelShaderVersion(UINT major, UINT minor) const
{
    const DWORD version = m_Caps.PixelShaderVersion;
    return ((version >> 8) & 0xFF) >= major && (version & 0xFF) >= minor;
}

bool CD3DDeviceCaps::IsTextureFormat(D3DFORMAT format, bool renderTarget, bool depthStencil)
{
    IDirect3D8* d3d = m_Owner ? m_Owner->GetInterface() : nullptr;
    if (!d3d)
        return false;
    D3DDISPLAYMODE mode = {};
    HRESULT hr = d3d->GetAdapterDisplayMode(m_Adapter, &mode);
    if (FAILED(hr)) {
        ReportD3DFailure("CD3DDeviceCaps::IsTextureFormat() GetAdapterDisplayMode()", hr);
        return false;
    }
    const DWORD usage = renderTarget ? D3DUSAGE_RENDERTARGET : depthStencil ? D3DUSAGE_DEPTHSTENCIL : 0;
    hr = d3d->CheckDeviceFormat(m_Adapter, m_DeviceType, mode.Format, usage, D3DRTYPE_TEXTURE, format);
    return CheckD3DResult("CD3DDeviceCaps::IsTextureFormat() CheckDeviceFormat()", hr);
}

void CD3DDeviceCaps::FillFacts(SystemReportFacts& f)
{
    char path[MAX_PATH + 1] = {};
    GetModuleFileNameA(NULL, path, MAX_PATH);
    f.programPath = path;
    f.osText = CWindowsVersion::Current().GetText();

    CCpuInfo& cpu = CCpuInfo::GetInstance();
    f.cpuName = cpu.GetName();
    f.cpuVendor = cpu.GetVendor();
    f.cpuMHz = MeasureCpuClock(100);
    f.cpuFeatures = cpu.GetFeatures();

    MEMORYSTATUS memory = {};
    memory.dwLength = sizeof memory;
    GlobalMemoryStatus(&memory);
    f.totalPhysical = DWORD(memory.dwTotalPhys);
    f.availablePhysical = DWORD(memory.dwAvailPhys);
    f.totalVirtual = DWORD(memory.dwTotalVirtual);
    f.availableVirtual = DWORD(memory.dwAvailVirtual);

    DISPLAY_DEVICEA device = {};
    device.cb = sizeof device;
    if (EnumDisplayDevicesA(NULL, 0, &device, 0)) {
        f.hasDisplayDevice = true;
        f.displayDeviceName.assign(device.DeviceName, strnlen(device.DeviceName, sizeof device.DeviceName));
        f.displayDeviceString.assign(device.DeviceString, strnlen(device.DeviceString, sizeof device.DeviceString));
    }
    f.totalVideoMemory = m_TotalVideoMemory;
    f.freeVideoMemory = m_FreeVideoMemory;

    D3DDISPLAYMODE mode;
    m_Owner->GetAdapterDisplayMode(mode, D3DADAPTER_DEFAULT);
    f.displayWidth = mode.Width;
    f.displayHeight = mode.Height;
    f.displayRefreshRate = mode.RefreshRate;
    f.displayFormat = mode.Format;

    std::memcpy(f.caps, &m_Caps, sizeof f.caps);

    IDirect3D8* d3d = m_Owner->GetInterface();
    const UINT count = d3d->GetAdapterModeCount(D3DADAPTER_DEFAULT);
    for (UINT i = 0; i < count; ++i) {
        if (SUCCEEDED(d3d->EnumAdapterModes(D3DADAPTER_DEFAULT, i, &mode)))
            f.modes.push_back({mode.Width, mode.Height, mode.RefreshRate, DWORD(mode.Format)});
    }
}

void CD3DDeviceCaps::WriteReport()
{
    CFile file;
    if (!file.Create("info.txt", true))
        return;
    SystemReportFacts facts;
    FillFacts(facts);
    const std::string text = CSystemReport::FormatText(facts);
    file.Write(text.data(), 1, uint32_t(text.size()));
    file.Close();
}
