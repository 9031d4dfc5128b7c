#include "d3d/D3DResult.h"

#include "d3dx/D3DX.h"
#include "framework/DebugPrint.h"

std::string D3DResultName(HRESULT result)
{
    char name[2048];
    name[0] = '\0';
    D3DXGetErrorStringA(result, name, sizeof name);
    return name;
}

void ReportD3DFailure(const char* prefix, HRESULT result)
{
    DebugPrint("%sに失敗[APIReturnValue:%s]", prefix, D3DResultName(result).c_str());
}

bool CheckD3DResult(const char* prefix, HRESULT result)
{
    if (SUCCEEDED(result))
        return true;
    ReportD3DFailure(prefix, result);
    return false;
}
