#pragma once
// A vertex shader from assembly text and a vertex declaration, made again
// after a lost device from saved copies of both. The text's defs are put
// into the declaration (before its end token), so that they take effect.
#include "d3d/D3DResource.h"

#include <string>
#include <vector>

class CD3DVertexShader : public CD3DResource {
public:
    CD3DVertexShader();
    ~CD3DVertexShader() override;

    // declaration: tokens up to the end token 0xFFFFFFFF. Deletes any old
    // shader first. False without a device, for a declaration without an
    // end token, or after a message.
    bool CreateShader(const DWORD* declaration, const char* source, UINT length);

    DWORD GetHandle() const { return m_Handle; }
    // The declaration as given, end token included.
    const std::vector<DWORD>& GetDeclaration() const { return m_Declaration; }
    size_t GetDeclarationCount() const { return m_Declaration.size(); }
    const std::string& GetSource() const { return m_Source; }
    bool IsSaved() const { return m_Saved != 0; }

    void OnLost() override;
    void OnRestore() override;
    void Release() override;

private:
    void DeleteShader();

    DWORD m_Handle;
    std::vector<DWORD> m_Declaration;
    std::string m_Source;
    unsigned char m_Saved;
    std::vector<DWORD> m_SavedDeclaration;
    std::string m_SavedSource;
};
