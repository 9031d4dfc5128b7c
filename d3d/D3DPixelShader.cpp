#include "d3d/D3DPixelShader.h"
#include "d3d/D3DDevice.h"
#include "d3d/ShaderText.h"

bool CD3DPixelShader::CreateShader(const char* source, UINT length)
{
    DeleteShader();
    CD3DDevice* device = GetDevice();
    if (!device || !source)
        return false;
    std::vector<DWORD> code;
    if (!AssembleShaderText("CD3DPixelShader::CreateShader() D3DXAssembleShader()", source, length, code, nullptr))
        return false;
    DWORD handle = 0;
    device->CreatePixelShader(code.data(), handle);
    Keep(handle, {}, source, length);
    return handle != 0;
}

DWORD CD3DPixelShader::CurrentShader(CD3DDevice& device)
{
    DWORD current = 0;
    return SUCCEEDED(device.GetDevice()->GetPixelShader(&current)) ? current : 0;
}

void CD3DPixelShader::Unset(CD3DDevice& device) { device.SetPixelShader(0); }

void CD3DPixelShader::Delete(CD3DDevice& device, DWORD handle) { device.DeletePixelShader(handle); }

void CD3DPixelShader::Remake(const std::vector<DWORD>&, const std::string& source)
{
    CreateShader(source.data(), UINT(source.size()));
}
