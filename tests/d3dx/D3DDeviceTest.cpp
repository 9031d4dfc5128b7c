#include "D3DDeviceTest.h"

#include <cstdio>
#include <cstring>

HWND D3DDeviceTest::s_window = nullptr;
IDirect3D8* D3DDeviceTest::s_d3d = nullptr;
IDirect3DDevice8* D3DDeviceTest::s_device = nullptr;
D3DCAPS8 D3DDeviceTest::s_caps;
std::string D3DDeviceTest::s_failure;

void D3DDeviceTest::SetUpTestSuite()
{
    s_failure.clear();
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "QuillD3DXTest";
    RegisterClassA(&wc);
    RECT r = {0, 0, LONG(kWidth), LONG(kHeight)};
    AdjustWindowRect(&r, WS_OVERLAPPEDWINDOW, FALSE);
    s_window = CreateWindowA("QuillD3DXTest", "d3dx", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, r.right - r.left,
                             r.bottom - r.top, nullptr, nullptr, wc.hInstance, nullptr);
    if (!s_window) {
        s_failure = "CreateWindow failed";
        return;
    }
    s_d3d = Direct3DCreate8(D3D_SDK_VERSION);
    if (!s_d3d) {
        s_failure = "Direct3DCreate8 failed";
        return;
    }
    D3DDISPLAYMODE mode;
    HRESULT hr = s_d3d->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &mode);
    if (FAILED(hr)) {
        s_failure = "GetAdapterDisplayMode failed";
        return;
    }
    D3DPRESENT_PARAMETERS pp = {};
    pp.BackBufferWidth = kWidth;
    pp.BackBufferHeight = kHeight;
    pp.BackBufferFormat = mode.Format;
    pp.BackBufferCount = 1;
    pp.SwapEffect = D3DSWAPEFFECT_COPY;
    pp.hDeviceWindow = s_window;
    pp.Windowed = TRUE;
    pp.Flags = D3DPRESENTFLAG_LOCKABLE_BACKBUFFER;
    hr = s_d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, s_window,
                             D3DCREATE_HARDWARE_VERTEXPROCESSING | D3DCREATE_MULTITHREADED, &pp, &s_device);
    if (FAILED(hr)) {
        char text[128];
        D3DXGetErrorStringA(hr, text, sizeof text);
        s_failure = std::string("CreateDevice (HAL, hardware vertex processing) failed: ") + text;
        return;
    }
    s_device->GetDeviceCaps(&s_caps);
}

void D3DDeviceTest::TearDownTestSuite()
{
    if (s_device) {
        EXPECT_EQ(0u, s_device->Release()) << "device references left";
    }
    if (s_d3d)
        s_d3d->Release();
    if (s_window)
        DestroyWindow(s_window);
    s_device = nullptr;
    s_d3d = nullptr;
    s_window = nullptr;
}

void D3DDeviceTest::SetUp()
{
    ASSERT_TRUE(s_failure.empty()) << s_failure;
}

std::vector<uint32_t> D3DDeviceTest::ReadBackBuffer()
{
    std::vector<uint32_t> pixels;
    IDirect3DSurface8* back = nullptr;
    if (FAILED(s_device->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &back)))
        return pixels;
    D3DSURFACE_DESC desc;
    D3DLOCKED_RECT locked;
    if (SUCCEEDED(back->GetDesc(&desc)) && SUCCEEDED(back->LockRect(&locked, nullptr, D3DLOCK_READONLY))) {
        const UINT bpp = d3dx::FormatBytesPerPixel(desc.Format);
        if (bpp) {
            pixels.resize(size_t(desc.Width) * desc.Height);
            for (UINT y = 0; y < desc.Height; ++y)
                for (UINT x = 0; x < desc.Width; ++x)
                    d3dx::DecodePixel(desc.Format, static_cast<const uint8_t*>(locked.pBits) + y * locked.Pitch + x * bpp,
                                      pixels[size_t(y) * desc.Width + x]);
        }
        back->UnlockRect();
    }
    back->Release();
    return pixels;
}


