#include "d3d/VideoMemory.h"

#include "framework/ComRef.h"
#include "framework/DirectDraw.h"
#include "framework/DirectDrawManager.h"
#include "framework/SystemFunction.h"

#include <ddraw.h>

IDirectDraw7* GetAttachedDirectDraw(HWND hWnd)
{
    CDirectDraw* dd = CDirectDrawManager::GetInstance().GetDirectDraw(hWnd);
    return dd ? dd->GetInterface() : nullptr;
}

bool QueryVideoMemory(HWND hWnd, DWORD& total, DWORD& free)
{
    total = free = 0;
    DDSCAPS2 caps = {};
    caps.dwCaps = DDSCAPS_VIDEOMEMORY;
    HRESULT hr;
    if (IDirectDraw7* attached = GetAttachedDirectDraw(hWnd)) {
        hr = attached->GetAvailableVidMem(&caps, &total, &free);
    } else {
        // DirectX 7 and later only: looked up.
        typedef HRESULT(WINAPI * CreateFunction)(GUID*, void**, REFIID, IUnknown*);
        const auto create = FindSystemFunction<CreateFunction>("ddraw.dll", "DirectDrawCreateEx");
        IDirectDraw7* created = nullptr;
        if (!create || FAILED(create(nullptr, reinterpret_cast<void**>(&created), IID_IDirectDraw7, nullptr)))
            return false;
        CComRef<IDirectDraw7> forQuery(created);
        hr = forQuery.Get()->GetAvailableVidMem(&caps, &total, &free);
    }
    if (FAILED(hr)) {
        total = free = 0;
        return false;
    }
    return true;
}
