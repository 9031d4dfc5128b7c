#include "d3dx/ResultCode.h"

#include <cstdio>

namespace d3dx {
namespace {

const ResultCodeName kNames[] = {
    // Direct3D 8
    {D3DResult(2072), "D3DERR_WRONGTEXTUREFORMAT"},
    {D3DResult(2073), "D3DERR_UNSUPPORTEDCOLOROPERATION"},
    {D3DResult(2074), "D3DERR_UNSUPPORTEDCOLORARG"},
    {D3DResult(2075), "D3DERR_UNSUPPORTEDALPHAOPERATION"},
    {D3DResult(2076), "D3DERR_UNSUPPORTEDALPHAARG"},
    {D3DResult(2077), "D3DERR_TOOMANYOPERATIONS"},
    {D3DResult(2078), "D3DERR_CONFLICTINGTEXTUREFILTER"},
    {D3DResult(2079), "D3DERR_UNSUPPORTEDFACTORVALUE"},
    {D3DResult(2081), "D3DERR_CONFLICTINGRENDERSTATE"},
    {D3DResult(2082), "D3DERR_UNSUPPORTEDTEXTUREFILTER"},
    {D3DResult(2086), "D3DERR_CONFLICTINGTEXTUREPALETTE"},
    {D3DResult(2087), "D3DERR_DRIVERINTERNALERROR"},
    {D3DResult(2150), "D3DERR_NOTFOUND"},
    {D3DResult(2151), "D3DERR_MOREDATA"},
    {D3DResult(2152), "D3DERR_DEVICELOST"},
    {D3DResult(2153), "D3DERR_DEVICENOTRESET"},
    {D3DResult(2154), "D3DERR_NOTAVAILABLE"},
    {D3DResult(380), "D3DERR_OUTOFVIDEOMEMORY"},
    {D3DResult(2155), "D3DERR_INVALIDDEVICE"},
    {D3DResult(2156), "D3DERR_INVALIDCALL"},
    {D3DResult(2157), "D3DERR_DRIVERINVALIDCALL"},
    // Extension library
    {D3DResult(2900), "D3DXERR_CANNOTMODIFYINDEXBUFFER"},
    {D3DResult(2901), "D3DXERR_INVALIDMESH"},
    {D3DResult(2902), "D3DXERR_CANNOTATTRSORT"},
    {D3DResult(2903), "D3DXERR_SKINNINGNOTSUPPORTED"},
    {D3DResult(2904), "D3DXERR_TOOMANYINFLUENCES"},
    {D3DResult(2905), "D3DXERR_INVALIDDATA"},
    {D3DResult(2906), "D3DXERR_LOADEDMESHASNODATA"},
    // Common results
    {kOk, "S_OK"},
    {kFalse, "S_FALSE"},
    {int32_t(0x8000FFFFu), "E_UNEXPECTED"},
    {kNotImpl, "E_NOTIMPL"},
    {kNoInterface, "E_NOINTERFACE"},
    {int32_t(0x80004003u), "E_POINTER"},
    {int32_t(0x80004004u), "E_ABORT"},
    {kFail, "E_FAIL"},
    {int32_t(0x8000000Au), "E_PENDING"},
    {int32_t(0x80070005u), "E_ACCESSDENIED"},
    {int32_t(0x80070006u), "E_HANDLE"},
    {kOutOfMemory, "E_OUTOFMEMORY"},
    {kInvalidArg, "E_INVALIDARG"},
    {int32_t(0x80040110u), "CLASS_E_NOAGGREGATION"},
    {int32_t(0x80040111u), "CLASS_E_CLASSNOTAVAILABLE"},
    {int32_t(0x80040154u), "REGDB_E_CLASSNOTREG"},
    {int32_t(0x800401F0u), "CO_E_NOTINITIALIZED"},
};

}  // namespace

const ResultCodeName* ResultCodeNames(size_t& count)
{
    count = sizeof kNames / sizeof kNames[0];
    return kNames;
}

const char* FindResultCodeName(int32_t code)
{
    for (const ResultCodeName& n : kNames)
        if (n.code == code)
            return n.name;
    return nullptr;
}

std::string ResultCodeText(int32_t code)
{
    if (const char* name = FindResultCodeName(code))
        return name;
    char text[40];
    std::snprintf(text, sizeof text, "Unrecognized error: 0x%.8x", unsigned(uint32_t(code)));
    return text;
}

}  // namespace d3dx
