#pragma once
// The Direct3D 8 extension functions the framework uses, with their usual
// names, types and calling convention (extern "C", __stdcall).
#include <windows.h>
#include <d3d8.h>

#define D3DX_DEFAULT ((UINT)-1)

#define D3DX_FILTER_NONE (1 << 0)
#define D3DX_FILTER_POINT (2 << 0)
#define D3DX_FILTER_LINEAR (3 << 0)
#define D3DX_FILTER_TRIANGLE (4 << 0)
#define D3DX_FILTER_BOX (5 << 0)
#define D3DX_FILTER_MIRROR_U (1 << 16)
#define D3DX_FILTER_MIRROR_V (2 << 16)
#define D3DX_FILTER_MIRROR_W (4 << 16)
#define D3DX_FILTER_MIRROR (7 << 16)
#define D3DX_FILTER_DITHER (8 << 16)

#define D3DXASM_DEBUG (1 << 0)
#define D3DXASM_SKIPVALIDATION (1 << 1)

#define _FACDD 0x876
#define MAKE_DDHRESULT(code) MAKE_HRESULT(1, _FACDD, code)
enum _D3DXERR {
    D3DXERR_CANNOTMODIFYINDEXBUFFER = MAKE_DDHRESULT(2900),
    D3DXERR_INVALIDMESH = MAKE_DDHRESULT(2901),
    D3DXERR_CANNOTATTRSORT = MAKE_DDHRESULT(2902),
    D3DXERR_SKINNINGNOTSUPPORTED = MAKE_DDHRESULT(2903),
    D3DXERR_TOOMANYINFLUENCES = MAKE_DDHRESULT(2904),
    D3DXERR_INVALIDDATA = MAKE_DDHRESULT(2905),
    D3DXERR_LOADEDMESHASNODATA = MAKE_DDHRESULT(2906),
    D3DXERR_FORCE_DWORD = 0x7fffffff
};

typedef enum _D3DXIMAGE_FILEFORMAT {
    D3DXIFF_BMP = 0,
    D3DXIFF_JPG = 1,
    D3DXIFF_TGA = 2,
    D3DXIFF_PNG = 3,
    D3DXIFF_DDS = 4,
    D3DXIFF_PPM = 5,
    D3DXIFF_DIB = 6,
    D3DXIFF_FORCE_DWORD = 0x7fffffff
} D3DXIMAGE_FILEFORMAT;

// 28 bytes.
typedef struct _D3DXIMAGE_INFO {
    UINT Width;
    UINT Height;
    UINT Depth;
    UINT MipLevels;
    D3DFORMAT Format;
    D3DRESOURCETYPE ResourceType;
    D3DXIMAGE_FILEFORMAT ImageFileFormat;
} D3DXIMAGE_INFO;

// A block of bytes handed out by the library (compiled shaders, constants,
// error texts).
#undef INTERFACE
#define INTERFACE ID3DXBuffer
DECLARE_INTERFACE_(ID3DXBuffer, IUnknown)
{
    STDMETHOD(QueryInterface)(THIS_ REFIID iid, LPVOID* ppv) PURE;
    STDMETHOD_(ULONG, AddRef)(THIS) PURE;
    STDMETHOD_(ULONG, Release)(THIS) PURE;
    STDMETHOD_(LPVOID, GetBufferPointer)(THIS) PURE;
    STDMETHOD_(DWORD, GetBufferSize)(THIS) PURE;
};
#undef INTERFACE
typedef ID3DXBuffer* LPD3DXBUFFER;

extern "C" const GUID IID_ID3DXBuffer;

// A macro for the shader preprocessor; an array of them ends with a null Name.
typedef struct _D3DXMACRO {
    LPCSTR Name;        // "NAME" or "NAME(a, b)"
    LPCSTR Definition;  // null stands for "1"
} D3DXMACRO, *LPD3DXMACRO;

typedef enum _D3DXINCLUDE_TYPE {
    D3DXINC_LOCAL = 0,   // #include "name"
    D3DXINC_SYSTEM = 1,  // #include <name>
    D3DXINC_FORCE_DWORD = 0x7fffffff
} D3DXINCLUDE_TYPE;

// The caller's files for #include in shader text. Open gives the text of
// pFileName (pParentData: the text of the file that includes it, as Open gave
// it, or the source text itself); every successful Open is matched by one
// Close, after the assembly. Not reference-counted.
#undef INTERFACE
#define INTERFACE ID3DXInclude
DECLARE_INTERFACE(ID3DXInclude)
{
    STDMETHOD(Open)(THIS_ D3DXINCLUDE_TYPE IncludeType, LPCSTR pFileName, LPCVOID pParentData, LPCVOID* ppData,
                    UINT* pBytes) PURE;
    STDMETHOD(Close)(THIS_ LPCVOID pData) PURE;
};
#undef INTERFACE
typedef ID3DXInclude* LPD3DXINCLUDE;

extern "C" {

// The symbolic name of a result code ("D3DERR_INVALIDCALL"), or
// "Unrecognized error: 0x%0.8x"; truncated to the buffer, always terminated.
HRESULT WINAPI D3DXGetErrorStringA(HRESULT hr, LPSTR pBuffer, UINT BufferLen);
HRESULT WINAPI D3DXGetErrorStringW(HRESULT hr, LPWSTR pBuffer, UINT BufferLen);

HRESULT WINAPI D3DXCreateBuffer(DWORD NumBytes, LPD3DXBUFFER* ppBuffer);

// Shader text (vs.1.0/1.1, ps.1.0 to 1.4) through the C preprocessor into
// tokens. ppConstants receives the defs of a vertex shader as a declaration
// fragment; ppCompilationErrors the error text ("line N: ...", or "NAME:
// line N: ..." in an included file) when the text is bad. Without an include
// handler every #include fails.
HRESULT WINAPI D3DXAssembleShader(LPCVOID pSrcData, UINT SrcDataLen, DWORD Flags, LPD3DXBUFFER* ppConstants,
                                  LPD3DXBUFFER* ppCompiledShader, LPD3DXBUFFER* ppCompilationErrors);
// The same with macros defined before the text (pDefines, may be null) and
// the caller's files for #include (pInclude, may be null). A macro name that
// does not parse gives D3DERR_INVALIDCALL.
HRESULT WINAPI D3DXAssembleShaderEx(LPCVOID pSrcData, UINT SrcDataLen, const D3DXMACRO* pDefines,
                                    LPD3DXINCLUDE pInclude, DWORD Flags, LPD3DXBUFFER* ppConstants,
                                    LPD3DXBUFFER* ppCompiledShader, LPD3DXBUFFER* ppCompilationErrors);

// Adjusts a texture request to what the device can create.
HRESULT WINAPI D3DXCheckTextureRequirements(LPDIRECT3DDEVICE8 pDevice, UINT* pWidth, UINT* pHeight,
                                            UINT* pNumMipLevels, DWORD Usage, D3DFORMAT* pFormat, D3DPOOL Pool);

// A texture from an image file in memory (see d3dx/TextureImage.h for the
// accepted files).
HRESULT WINAPI D3DXCreateTextureFromFileInMemory(LPDIRECT3DDEVICE8 pDevice, LPCVOID pSrcData, UINT SrcDataSize,
                                                 LPDIRECT3DTEXTURE8* ppTexture);
HRESULT WINAPI D3DXCreateTextureFromFileInMemoryEx(LPDIRECT3DDEVICE8 pDevice, LPCVOID pSrcData, UINT SrcDataSize,
                                                   UINT Width, UINT Height, UINT MipLevels, DWORD Usage,
                                                   D3DFORMAT Format, D3DPOOL Pool, DWORD Filter, DWORD MipFilter,
                                                   D3DCOLOR ColorKey, D3DXIMAGE_INFO* pSrcInfo,
                                                   PALETTEENTRY* pPalette, LPDIRECT3DTEXTURE8* ppTexture);

}  // extern "C"
