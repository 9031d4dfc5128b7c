#pragma once
// A pixel shader from assembly text, made again after a lost device from a
// saved copy of the text.
#include "d3d/D3DShader.h"

class CD3DPixelShader : public CD3DShader {
public:
    CD3DPixelShader() {}
    ~CD3DPixelShader() override { Release(); }

    // Deletes any old shader first. False without a device or after a
    // message.
    bool CreateShader(const char* source, UINT length);

private:
    DWORD CurrentShader(CD3DDevice& device) override;
    void Unset(CD3DDevice& device) override;
    void Delete(CD3DDevice& device, DWORD handle) override;
    void Remake(const std::vector<DWORD>& declaration, const std::string& source) override;
};
