#include "d3d/D3DResource.h"
#include "d3d/D3DResourceList.h"
#include "d3d/Direct3D8.h"
#include "d3d/Direct3D8Manager.h"

#include "framework/AppManager.h"

CD3DResource::CD3DResource() : m_hWnd(CAppManager::GetHWnd())
{
    CD3DResourceList::GetInstance().Add(this, m_hWnd);
}

CD3DResource::~CD3DResource()
{
    CD3DResourceList::GetInstance().Remove(this);
}

CD3DDevice* CD3DResource::GetDevice() const
{
    if (!m_hWnd)
        return nullptr;
    CDirect3D8* d3d = CDirect3D8Manager::GetInstance().GetDirect3D(m_hWnd);
    return d3d ? d3d->GetDevice() : nullptr;
}
