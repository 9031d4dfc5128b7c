#include "d3d/D3DShader.h"
#include "d3d/D3DDevice.h"

void CD3DShader::DeleteShader()
{
    if (m_Handle) {
        if (CD3DDevice* device = GetDevice()) {
            if (device->GetDevice() && CurrentShader(*device) == m_Handle)
                Unset(*device);
            Delete(*device, m_Handle);
        }
    }
    m_Handle = 0;
    m_Declaration.clear();
    m_Source.clear();
}

void CD3DShader::Keep(DWORD handle, std::vector<DWORD> declaration, const char* source, UINT length)
{
    m_Handle = handle;
    m_Declaration.swap(declaration);
    m_Source.assign(source, length);
}

void CD3DShader::OnLost()
{
    if (!m_Handle)
        return;
    m_SavedDeclaration.swap(m_Declaration);
    m_SavedSource.swap(m_Source);
    DeleteShader();
    m_Saved = 1;
}

void CD3DShader::OnRestore()
{
    if (!m_Saved)
        return;
    m_Saved = 0;
    std::vector<DWORD> declaration;
    std::string source;
    declaration.swap(m_SavedDeclaration);
    source.swap(m_SavedSource);
    Remake(declaration, source);
}

void CD3DShader::Release()
{
    DeleteShader();
    m_Saved = 0;
    m_SavedDeclaration.clear();
    m_SavedSource.clear();
}
