#include "d3d/D3DVertexShader.h"
#include "d3d/D3DDevice.h"
#include "d3d/ShaderText.h"
#include "d3d/VertexDeclaration.h"

namespace {

// Longest declaration taken: far beyond any real one.
constexpr size_t kMaxDeclarationTokens = 65536;

}  // namespace

CD3DVertexShader::CD3DVertexShader() : m_Handle(0), m_Saved(0) {}

CD3DVertexShader::~CD3DVertexShader() { Release(); }

void CD3DVertexShader::DeleteShader()
{
    if (m_Handle) {
        if (CD3DDevice* device = GetDevice()) {
            DWORD current = 0;
            if (device->GetDevice() && SUCCEEDED(device->GetDevice()->GetVertexShader(&current)) &&
                current == m_Handle)
                device->SetVertexShader(0);
            device->DeleteVertexShader(m_Handle);
        }
    }
    m_Handle = 0;
    m_Declaration.clear();
    m_Source.clear();
}

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
    device->CreateVertexShader(reinterpret_cast<const DWORD*>(full.data()), code.data(), m_Handle);
    m_Declaration.assign(given.begin(), given.end());
    m_Source.assign(source, length);
    return m_Handle != 0;
}

void CD3DVertexShader::OnLost()
{
    if (!m_Handle)
        return;
    m_SavedDeclaration.swap(m_Declaration);
    m_SavedSource.swap(m_Source);
    DeleteShader();
    m_Saved = 1;
}

void CD3DVertexShader::OnRestore()
{
    if (!m_Saved)
        return;
    m_Saved = 0;
    std::vector<DWORD> declaration;
    std::string source;
    declaration.swap(m_SavedDeclaration);
    source.swap(m_SavedSource);
    CreateShader(declaration.data(), source.data(), UINT(source.size()));
}

void CD3DVertexShader::Release()
{
    DeleteShader();
    m_Saved = 0;
    m_SavedDeclaration.clear();
    m_SavedSource.clear();
}
