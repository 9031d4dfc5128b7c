#include "d3d/D3DPixelShader.h"
#include "d3d/D3DDevice.h"
#include "d3d/ShaderText.h"

#include <vector>

CD3DPixelShader::CD3DPixelShader() : m_Handle(0), m_Saved(0) {}

CD3DPixelShader::~CD3DPixelShader() { Release(); }

void CD3DPixelShader::DeleteShader()
{
    if (m_Handle) {
        if (CD3DDevice* device = GetDevice()) {
            DWORD current = 0;
            if (device->GetDevice() && SUCCEEDED(device->GetDevice()->GetPixelShader(&current)) &&
                current == m_Handle)
                device->SetPixelShader(0);
            device->DeletePixelShader(m_Handle);
        }
    }
    m_Handle = 0;
    m_Source.clear();
}

bool CD3DPixelShader::CreateShader(const char* source, UINT length)
{
    DeleteShader();
    CD3DDevice* device = GetDevice();
    if (!device || !source)
        return false;
    std::vector<DWORD> code;
    if (!AssembleShaderText("CD3DPixelShader::CreateShader() D3DXAssembleShader()", source, length, code, nullptr))
        return false;
    device->CreatePixelShader(code.data(), m_Handle);
    m_Source.assign(source, length);
    return m_Handle != 0;
}

void CD3DPixelShader::OnLost()
{
    if (!m_Handle)
        return;
    m_SavedSource.swap(m_Source);
    DeleteShader();
    m_Saved = 1;
}

void CD3DPixelShader::OnRestore()
{
    if (!m_Saved)
        return;
    m_Saved = 0;
    std::string source;
    source.swap(m_SavedSource);
    CreateShader(source.data(), UINT(source.size()));
}

void CD3DPixelShader::Release()
{
    DeleteShader();
    m_Saved = 0;
    m_SavedSource.clear();
}
