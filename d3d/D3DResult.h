#pragma once
// Reporting failed Direct3D calls: "<prefix>に失敗[APIReturnValue:<name>]"
// through DebugPrint, the name from D3DXGetErrorStringA.
#include <windows.h>

#include <string>

// The symbolic name of a result code ("D3DERR_INVALIDCALL"), or
// "Unrecognized error: 0x%0.8x".
std::string D3DResultName(HRESULT result);

// Reports the failed call. prefix is "<class>::<method>() <call>()".
void ReportD3DFailure(const char* prefix, HRESULT result);

// Reports and returns false when result failed; true otherwise.
bool CheckD3DResult(const char* prefix, HRESULT result);
