#pragma once
// What the vertex and pixel shaders share: the handle, the text (and for a
// vertex shader the declaration) it was made from, and surviving a lost
// device by saving both and making the shader again.
#include "d3d/D3DResource.h"

#include <string>
#include <vector>

class CD3DShader : public CD3DResource {
public:
    DWORD GetHandle() const { return m_Handle; }
    const std::string& GetSource() const { return m_Source; }
    bool IsSaved() const { return m_Saved != 0; }

    void OnLost() override;
    void OnRestore() override;
    void Release() override;

protected:
    CD3DShader() {}

    // Unsets the shader where the device uses it, deletes it, forgets it.
    void DeleteShader();
    // Takes a created shader and what it was made from.
    void Keep(DWORD handle, std::vector<DWORD> declaration, const char* source, UINT length);

    const std::vector<DWORD>& Declaration() const { return m_Declaration; }

private:
    // The device's calls for this kind of shader.
    virtual DWORD CurrentShader(CD3DDevice& device) = 0;
    virtual void Unset(CD3DDevice& device) = 0;
    virtual void Delete(CD3DDevice& device, DWORD handle) = 0;
    // Makes the shader again from what OnLost saved.
    virtual void Remake(const std::vector<DWORD>& declaration, const std::string& source) = 0;

    DWORD m_Handle = 0;
    std::vector<DWORD> m_Declaration;  // empty for a pixel shader
    std::string m_Source;
    unsigned char m_Saved = 0;
    std::vector<DWORD> m_SavedDeclaration;
    std::string m_SavedSource;
};
