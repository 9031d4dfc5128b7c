#pragma once
// A vertex shader from assembly text and a vertex declaration, made again
// after a lost device from saved copies of both. The text's defs are put
// into the declaration (before its end token), so that they take effect.
#include "d3d/D3DShader.h"

class CD3DVertexShader : public CD3DShader {
public:
    CD3DVertexShader() {}
    ~CD3DVertexShader() override { Release(); }

    // declaration: tokens up to the end token 0xFFFFFFFF. Deletes any old
    // shader first. False without a device, for a declaration without an
    // end token, or after a message.
    bool CreateShader(const DWORD* declaration, const char* source, UINT length);

    // The declaration as given, end token included.
    const std::vector<DWORD>& GetDeclaration() const { return Declaration(); }
    size_t GetDeclarationCount() const { return Declaration().size(); }

private:
    DWORD CurrentShader(CD3DDevice& device) override;
    void Unset(CD3DDevice& device) override;
    void Delete(CD3DDevice& device, DWORD handle) override;
    void Remake(const std::vector<DWORD>& declaration, const std::string& source) override;
};
