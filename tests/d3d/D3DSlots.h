#pragma once
// Slots of the interfaces the Direct3D tests hook (in the order the platform
// header declares the methods).
enum {
    kSlotD3DGetAdapterDisplayMode = 8,     // IDirect3D8::GetAdapterDisplayMode
    kSlotD3DGetDeviceCaps = 13,            // IDirect3D8::GetDeviceCaps
    kSlotD3DCreateDevice = 15,             // IDirect3D8::CreateDevice
    kSlotDeviceTestCooperativeLevel = 3,   // IDirect3DDevice8::TestCooperativeLevel
    kSlotDeviceCreateImageSurface = 27,    // IDirect3DDevice8::CreateImageSurface
    kSlotVertexBufferLock = 11,            // IDirect3DVertexBuffer8::Lock
};
