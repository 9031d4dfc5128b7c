#pragma once
// The Direct3D 8 object of one application window, with its device
// capabilities (whose reading writes the system report) and its device.
#include <windows.h>
#include <d3d8.h>

class CD3DDevice;
class CD3DDeviceCaps;

class CDirect3D8 {
public:
    // Direct3DCreate8 (220); with an interface, the capabilities of adapter
    // 0's HAL device and then the device, windowed.
    explicit CDirect3D8(HWND hWnd);
    virtual ~CDirect3D8();

    HWND GetHWnd() const { return m_hWnd; }
    IDirect3D8* GetInterface() const { return m_D3D; }
    CD3DDevice* GetDevice() const { return m_Device; }
    CD3DDeviceCaps* GetCaps() const { return m_Caps; }

    // IDirect3D8::CreateDevice with the calling thread's window as focus
    // window; the new device, or null after a message.
    IDirect3DDevice8* CreateDevice(D3DPRESENT_PARAMETERS& params, UINT adapter, D3DDEVTYPE type, DWORD behaviour);
    // The adapter's current mode (zeroed first); false after a message.
    bool GetAdapterDisplayMode(D3DDISPLAYMODE& mode, UINT adapter = D3DADAPTER_DEFAULT);

private:
    HWND m_hWnd;
    IDirect3D8* m_D3D;
    CD3DDevice* m_Device;
    CD3DDeviceCaps* m_Caps;

    CDirect3D8(const CDirect3D8&) = delete;
    CDirect3D8& operator=(const CDirect3D8&) = delete;
};
