#include "d3d/D3DVertexShader.h"
#include "d3d/D3DDevice.h"
#include "d3d/ShaderText.h"
#include "d3d/VertexDeclaration.h"

namespace {

// Longest declaration taken: far beyond any real one.
constexpr size_t kMaxDeclarationTokens = 65536;

}  // namespace

bool CD3DVertexShader::CreateShader(const DWORD* declaration, const char* source, UINT length)
{
    DeleteShader();
    CD3DDevice* device = GetDevice();
    if (!device)
        return false;
    const size_t count = VertexDeclarationLength(reinterpret_cast<const uint32_t*>(declaration),
                                                 kMaxDeclarationTokens);
    if (count == 0 || !source)
        return false;
    std::vector<DWORD> code, constants;
    if (!AssembleShaderText("CD3DVertexShader::CreateShader() D3DXAssembleShader()", source, length, code,
                            &constants))
        return false;
    const std::vector<uint32_t> given(declaration, declaration + count);
    const std::vector<uint32_t> full =
        AppendToDeclaration(given, std::vector<uint32_t>(constants.begin(), constants.end()));
    DWORD handle = 0;
    device->CreateVertexShader(reinterpret_cast<const DWORD*>(full.data()), code.data(), handle);
    Keep(handle, std::vector<DWORD>(given.begin(), given.end()), source, length);
    return handle != 0;
}

DWORD CD3DVertexShader::CurrentShader(CD3DDevice& device)
{
    DWORD current = 0;
    return SUCCEEDED(device.GetDevice()->GetVertexShader(&current)) ? current : 0;
}

void CD3DVertexShader::Unset(CD3DDevice& device) { device.SetVertexShader(0); }

void CD3DVertexShader::Delete(CD3DDevice& device, DWORD handle) { device.DeleteVertexShader(handle); }

void CD3DVertexShader::Remake(const std::vector<DWORD>& declaration, const std::string& source)
{
    CreateShader(declaration.data(), source.data(), UINT(source.size()));
}
