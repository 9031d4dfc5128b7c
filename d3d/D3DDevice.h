#pragma once
// The rendering device of one window: created with a fixed fallback order,
// reset and restored after a lost device, set to fixed default states, and
// used through wrappers that skip a render or texture stage state already
// set (unless the force flag is set) and report every failed call as
// "<class>::<method>() <call>()に失敗[APIReturnValue:<name>]".
//
// Every wrapper returns false without a message while there is no device or
// the device is lost.
#include <windows.h>
#include <d3d8.h>

#include <vector>

class CDirect3D8;
class CD3DObjectCache;

class CD3DDevice {
public:
    enum { kStages = 8 };

    // Creates the device windowed, applies the default states and keeps the
    // render target, depth-stencil surface and viewport as the defaults.
    explicit CD3DDevice(CDirect3D8* owner);
    virtual ~CD3DDevice();

    // Depth 0 is windowed (the window's client area); 15, 16 and 32 pick the
    // full-screen back-buffer format, any other depth the display's.
    bool CreateDevice(int width, int height, int depth);
    // Reset with new parameters; only while the calling thread's application
    // window is active and not minimised. A failed reset drops the device,
    // so that the next call creates a new one.
    bool ResetDevice(int width, int height, int depth);
    // After a lost device: the window's resources save and release
    // themselves, the device is reset with the parameters last asked for
    // (also after a failed reset), and on success the resources are made
    // again.
    bool RestoreDevice();
    // The default states (see the constructor); sets the force flag.
    void SetDefaultStates();
    // Projection for the calling thread's window's client area.
    bool SetPerspective(float nearZ, float farZ, float fov);

    IDirect3DDevice8* GetDevice() const { return m_Device; }
    CDirect3D8* GetOwner() const { return m_Owner; }
    int GetWidth() const { return m_Width; }
    int GetHeight() const { return m_Height; }
    int GetDepth() const { return m_Depth; }
    // Whether the device exists and is not lost.
    bool IsUsable() const;
    // Whether a depth-stencil surface is set.
    bool HasDepthBuffer() const;
    // While set, every state setter calls the device even for the cached
    // value; the default states set it.
    void SetForceFlag(bool force) { m_Force = force ? 1 : 0; }
    bool GetForceFlag() const { return m_Force != 0; }
    // EnableAutoDepthStencil of the next creation or reset.
    void SetAutoDepthStencil(bool enable) { m_AutoDepthStencil = enable ? 1 : 0; }
    bool GetAutoDepthStencil() const { return m_AutoDepthStencil != 0; }
    bool IsInScene() const { return m_InScene != 0; }
    // What the wrappers have bound: a stage's texture, stream 0's buffer.
    IDirect3DBaseTexture8* GetBoundTexture(DWORD stage) const;
    IDirect3DVertexBuffer8* GetBoundVertexBuffer() const;
    // The cached value of a render state / texture stage state.
    DWORD GetCachedRenderState(D3DRENDERSTATETYPE state) const;
    DWORD GetCachedStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type) const;
    size_t GetLightCount() const { return m_Lights.size(); }

    bool ClearTarget(D3DCOLOR color);
    bool ClearZBuffer(float z);
    bool ClearStencil(DWORD value);
    bool SetVertexShader(DWORD handle);
    bool SetVertexShaderConstant(DWORD reg, const void* data, DWORD count);
    bool SetVertexBuffer(IDirect3DVertexBuffer8* buffer, UINT stride);
    bool EnableDither(bool enable);
    bool EnableSpecular(bool enable);
    bool EnableAntialias(bool enable);
    bool SetShadeMode(D3DSHADEMODE shade, D3DFILLMODE fill);
    bool SetRenderState(D3DCULL cull);
    bool SetWorldTransform(const D3DMATRIX& matrix);
    bool SetViewTransform(const D3DMATRIX& matrix);
    bool SetProjectionTransform(const D3DMATRIX& matrix);
    bool SetTextureTransform(DWORD stage, const D3DMATRIX& matrix);
    bool EnableZBuffer(bool enable, bool write);
    bool SetZBufferFunc(D3DCMPFUNC func);
    bool EnableStencil(bool enable);
    bool EnableAlphaBlend(bool enable);
    bool SetAlphaBlendMode(D3DBLEND source, D3DBLEND destination);
    bool EnableAlphaBlendTest(bool enable);
    bool SetAlphaBlendTestFunc(D3DCMPFUNC func, DWORD reference);
    bool EnableLight(bool enable);
    bool SetLightAmbient(D3DCOLOR color);
    // Sets and switches on the light; null removes it and switches it off.
    bool SetLight(DWORD index, const D3DLIGHT8* light);
    bool EnableLightObject(DWORD index, bool enable);
    bool SetMaterial(const D3DMATERIAL8& material);
    bool SetTexture(DWORD stage, IDirect3DBaseTexture8* texture);
    bool SetTextureAddressMode(DWORD stage, D3DTEXTUREADDRESS u, D3DTEXTUREADDRESS v);
    bool SetTextureFilter(DWORD stage, D3DTEXTUREFILTERTYPE min, D3DTEXTUREFILTERTYPE mag);
    bool SetTextureColorBlendMode(DWORD stage, D3DTEXTUREOP op, DWORD arg1, DWORD arg2);
    bool SetTextureAlphaBlendMode(DWORD stage, D3DTEXTUREOP op, DWORD arg1, DWORD arg2);
    bool EnableFog(bool enable);
    bool SetFogColor(D3DCOLOR color);
    bool SetFogRange(float start, float end, bool range);
    bool SetPixelShader(DWORD handle);
    bool SetPixelShaderConstant(DWORD reg, const void* data, DWORD count);
    bool CopyRects(IDirect3DSurface8* source, const RECT* rects, UINT count, IDirect3DSurface8* destination,
                   const POINT* points);
    // The getters hand out one reference, or null after a message.
    IDirect3DSurface8* GetBackBuffer(UINT index = 0);
    IDirect3DSurface8* GetRenderTargetSurface();
    IDirect3DSurface8* GetRenderZBufferSurface();
    bool DrawPrimitive(D3DPRIMITIVETYPE type, UINT start, UINT count);
    bool DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT count, const void* vertices, UINT stride);
    bool DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT minIndex, UINT vertexCount, UINT count, const void* indices,
                         D3DFORMAT indexFormat, const void* vertices, UINT stride);
    // The render target keeps the current depth-stencil surface; the depth
    // buffer setters keep the current render target.
    bool SetRenderTarget(IDirect3DSurface8* target);
    bool DefaultRenderTarget();
    bool SetRenderZBuffer(IDirect3DSurface8* zbuffer);
    bool DefaultRenderZBuffer();
    bool SetRenderTargetAndZBuffer(IDirect3DSurface8* target, IDirect3DSurface8* zbuffer);
    bool DefaultRenderTargetAndZBuffer();
    bool SetViewport(const D3DVIEWPORT8& viewport);
    bool GetViewport(D3DVIEWPORT8& viewport);
    bool BeginScene();
    bool EndScene();
    bool Present();
    // The creators hand out one reference, or null after a message.
    IDirect3DSurface8* CreateSurface(UINT width, UINT height, D3DFORMAT format);
    IDirect3DSurface8* CreateStencilSurface(UINT width, UINT height, D3DFORMAT format);
    IDirect3DTexture8* CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                                     D3DPOOL pool);
    bool CreateVertexShader(const DWORD* declaration, const DWORD* function, DWORD& handle, DWORD usage = 0);
    bool DeleteVertexShader(DWORD handle);
    bool CreatePixelShader(const DWORD* function, DWORD& handle);
    bool DeletePixelShader(DWORD handle);
    IDirect3DVertexBuffer8* CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool);

private:
    enum { kRenderStates = 256, kStageStates = 32 };
    struct Light {
        DWORD index;
        D3DLIGHT8 light;
    };
    struct Parameters {
        int width, height, depth;
    };

    // Presentation parameters of CreateDevice step 3.
    void MakePresentParameters(int width, int height, int depth, D3DPRESENT_PARAMETERS& params);
    // Drops the device and everything that belongs to it.
    void ReleaseDevice();
    void TakeDefaults();
    void ReleaseDefaults();
    // Unbinds what the wrappers bound and forgets it (before a reset).
    void UnbindCached();
    bool SetCachedRenderState(D3DRENDERSTATETYPE state, DWORD value, const char* message);
    bool SetCachedStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value, const char* message);
    bool SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX& matrix, const char* message);
    bool Clear(DWORD flags, D3DCOLOR color, float z, DWORD stencil, const char* message);
    bool SetTargets(IDirect3DSurface8* target, IDirect3DSurface8* zbuffer, const char* message);
    // The target with the depth buffer the device has now.
    bool SetTargetKeepingZBuffer(IDirect3DSurface8* target, const char* message);
    // The device's call, made only while the device is usable, its failure
    // reported with the message; false when not usable or failed.
    template <class F>
    bool Call(const char* message, F call);
    // The window of the device's Direct3D object.
    HWND GetHWnd() const;

    CDirect3D8* m_Owner;
    IDirect3DDevice8* m_Device;
    int m_Width, m_Height, m_Depth;
    unsigned char m_InScene;  // cleared at every creation
    CD3DObjectCache* m_Cache;
    unsigned char m_Force;
    DWORD m_RenderStates[kRenderStates];
    DWORD m_StageStates[kStages][kStageStates];
    std::vector<Light> m_Lights;
    IDirect3DSurface8* m_DefaultTarget;
    IDirect3DSurface8* m_DefaultZBuffer;
    D3DVIEWPORT8 m_DefaultViewport;
    unsigned char m_AutoDepthStencil;
    // The parameters of the last creation or reset asked for; a failed reset
    // clears the stored ones but not these, which RestoreDevice uses.
    Parameters m_Requested;

    CD3DDevice(const CD3DDevice&) = delete;
    CD3DDevice& operator=(const CD3DDevice&) = delete;
};
