#pragma once
// Result codes of Direct3D 8 and of the extension library, and their names.
// Pure: the values are spelled out here so that no Windows header is needed.
#include <cstddef>
#include <cstdint>
#include <string>

namespace d3dx {

// MAKE_HRESULT(1, 0x876, code): the facility of DirectDraw and Direct3D.
constexpr int32_t D3DResult(uint32_t code) { return int32_t(0x88760000u | code); }

constexpr int32_t kOk = 0;
constexpr int32_t kFalse = 1;
constexpr int32_t kFail = int32_t(0x80004005u);
constexpr int32_t kOutOfMemory = int32_t(0x8007000Eu);
constexpr int32_t kInvalidArg = int32_t(0x80070057u);
constexpr int32_t kNoInterface = int32_t(0x80004002u);
constexpr int32_t kNotImpl = int32_t(0x80004001u);

constexpr int32_t kD3DErrNotAvailable = D3DResult(2154);
constexpr int32_t kD3DErrInvalidCall = D3DResult(2156);
constexpr int32_t kD3DXErrInvalidData = D3DResult(2905);

struct ResultCodeName {
    int32_t code;
    const char* name;
};

// Every named code, Direct3D 8 first, then the extension library's, then the
// common COM results.
const ResultCodeName* ResultCodeNames(size_t& count);

// The symbolic name, or null for a code without one.
const char* FindResultCodeName(int32_t code);

// The name, or "Unrecognized error: 0x%0.8x" for a code without one.
std::string ResultCodeText(int32_t code);

}  // namespace d3dx
