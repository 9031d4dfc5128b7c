#include "d3d/Direct3D8.h"
#include "d3d/D3DDevice.h"
#include "d3d/D3DDeviceCaps.h"
#include "d3d/D3DResult.h"

#include "framework/AppManager.h"
#include "framework/DebugPrint.h"
#include "framework/SystemFunction.h"

#include <cstring>
#include <new>

CDirect3D8::CDirect3D8(HWND hWnd) : m_hWnd(hWnd), m_D3D(nullptr), m_Device(nullptr), m_Caps(nullptr)
{
    // Looked up, so that a system without Direct3D 8 gets this message
    // instead of a program that does not start.
    typedef IDirect3D8*(WINAPI * CreateFunction)(UINT);
    const auto create = FindSystemFunction<CreateFunction>("d3d8.dll", "Direct3DCreate8");
    m_D3D = create ? create(220) : nullptr;
    if (!m_D3D) {
        DebugPrint("CDirect3D8::CDirect3D8() Direct3D作成に失敗しました");
        return;
    }
    m_Caps = new (std::nothrow) CD3DDeviceCaps(this, D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL);
    m_Device = new (std::nothrow) CD3DDevice(this);
}

CDirect3D8::~CDirect3D8()
{
    delete m_Device;
    m_Device = nullptr;
    delete m_Caps;
    m_Caps = nullptr;
    if (m_D3D)
        m_D3D->Release();
    m_D3D = nullptr;
}

IDirect3DDevice8* CDirect3D8::CreateDevice(D3DPRESENT_PARAMETERS& params, UINT adapter, D3DDEVTYPE type,
                                           DWORD behaviour)
{
    if (!m_D3D)
        return nullptr;
    IDirect3DDevice8* device = nullptr;
    const HRESULT hr = m_D3D->CreateDevice(adapter, type, CAppManager::GetHWnd(), behaviour, &params, &device);
    if (FAILED(hr)) {
        ReportD3DFailure("CDirect3D8::CreateDevice() CreateDevice()", hr);
        return nullptr;
    }
    return device;
}

bool CDirect3D8::GetAdapterDisplayMode(D3DDISPLAYMODE& mode, UINT adapter)
{
    std::memset(&mode, 0, sizeof mode);
    if (!m_D3D)
        return false;
    return CheckD3DResult("CDirect3D8::GetAdapterDisplayMode() GetAdapterDisplayMode()",
                          m_D3D->GetAdapterDisplayMode(adapter, &mode));
}
