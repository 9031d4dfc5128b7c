#pragma once
// The capabilities of one adapter's device type, read once; reading them
// writes the system report "info.txt" into the current folder.
#include <windows.h>
#include <d3d8.h>

class CDirect3D8;
struct SystemReportFacts;

class CD3DDeviceCaps {
public:
    // Fills the video memory counts, then reads the capabilities; on
    // success writes the report.
    CD3DDeviceCaps(CDirect3D8* owner, UINT adapter, D3DDEVTYPE type);
    virtual ~CD3DDeviceCaps() {}

    const D3DCAPS8& GetCaps() const { return m_Caps; }
    DWORD GetTotalVideoMemory() const { return m_TotalVideoMemory; }
    DWORD GetFreeVideoMemory() const { return m_FreeVideoMemory; }
    UINT GetAdapter() const { return m_Adapter; }
    D3DDEVTYPE GetDeviceType() const { return m_DeviceType; }

    // Each limited to 1024.
    UINT GetMaxTextureWidth() const;
    UINT GetMaxTextureHeight() const;
    void GetMaxTextureSize(UINT& width, UINT& height) const;
    DWORD GetMaxTextureBlendStages() const { return m_Caps.MaxTextureBlendStages; }
    bool IsTextureAlpha() const { return (m_Caps.TextureCaps & 0x4) != 0; }
    bool IsTextureMipmap() const { return (m_Caps.TextureCaps & 0x4000) != 0; }
    bool IsTexturePow2Only() const { return (m_Caps.TextureCaps & 0x2) != 0; }
    bool IsTextureSquareOnly() const { return (m_Caps.TextureCaps & 0x20) != 0; }
    bool IsHardwareTnL() const { return (m_Caps.DevCaps & 0x10000) != 0; }
    bool IsTextureSystemMemory() const { return (m_Caps.DevCaps & 0x100) != 0; }
    bool IsTextureVideoMemory() const { return (m_Caps.DevCaps & 0x200) != 0; }
    // The major byte of PixelShaderVersion at least major and its minor byte
    // at least minor (each compared on its own).
    bool IsPixelShaderVersion(UINT major, UINT minor) const;

    // Whether the device takes textures of the format (as a render target,
    // or else as a depth stencil, when asked) on the current display format.
    bool IsTextureFormat(D3DFORMAT format, bool renderTarget, bool depthStencil);

private:
    // Gathers the report's facts and writes "info.txt".
    void WriteReport();
    void FillFacts(SystemReportFacts& facts);

    UINT m_Adapter;
    D3DDEVTYPE m_DeviceType;
    CDirect3D8* m_Owner;
    D3DCAPS8 m_Caps;
    DWORD m_TotalVideoMemory;
    DWORD m_FreeVideoMemory;

    CD3DDeviceCaps(const CD3DDeviceCaps&) = delete;
    CD3DDeviceCaps& operator=(const CD3DDeviceCaps&) = delete;
};
