#pragma once
// A pixel shader from assembly text, made again after a lost device from a
// saved copy of the text.
#include "d3d/D3DResource.h"

#include <string>

class CD3DPixelShader : public CD3DResource {
public:
    CD3DPixelShader();
    ~CD3DPixelShader() override;

    // Deletes any old shader first. False without a device or after a
    // message.
    bool CreateShader(const char* source, UINT length);

    DWORD GetHandle() const { return m_Handle; }
    const std::string& GetSource() const { return m_Source; }
    bool IsSaved() const { return m_Saved != 0; }

    void OnLost() override;
    void OnRestore() override;
    void Release() override;

private:
    void DeleteShader();

    DWORD m_Handle;
    std::string m_Source;
    unsigned char m_Saved;
    std::string m_SavedSource;
};
