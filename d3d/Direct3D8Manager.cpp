#include "d3d/Direct3D8Manager.h"
#include "d3d/Direct3D8.h"

#include "framework/AppManager.h"
#include "framework/Callback.h"
#include "framework/DebugPrint.h"
#include "framework/ServiceObject.h"
#include "framework/StartupCallbacks.h"

#include <new>

CDirect3D8Manager& CDirect3D8Manager::GetInstance()
{
    return CServiceObject<CDirect3D8Manager>::Get();
}

CDirect3D8Manager::CDirect3D8Manager()
{
    AddShutdownCallback(make_callback(this, &CDirect3D8Manager::Shutdown));
}

bool CDirect3D8Manager::Initialize(HWND hWnd)
{
    CCriticalLock lock(m_Lock);
    for (CDirect3D8* object : m_Objects) {
        if (object->GetHWnd() == hWnd) {
            DebugPrint("CDirect3DManager::Initialize() hWndにDirect3Dが複数作成されようとしました");
            return false;
        }
    }
    CDirect3D8* object = new (std::nothrow) CDirect3D8(hWnd);
    if (!object)
        return false;
    if (!object->GetInterface()) {
        delete object;
        return false;
    }
    m_Objects.push_back(object);
    return true;
}

CDirect3D8* CDirect3D8Manager::GetDirect3D(HWND hWnd)
{
    if (!hWnd)
        hWnd = CAppManager::GetHWnd();
    if (!hWnd)
        return nullptr;
    CCriticalLock lock(m_Lock);
    for (CDirect3D8* object : m_Objects)
        if (object->GetHWnd() == hWnd)
            return object;
    return nullptr;
}

void CDirect3D8Manager::Finalize()
{
    CDirect3D8* object = nullptr;
    {
        CCriticalLock lock(m_Lock);
        if (m_Objects.empty())
            return;
        object = m_Objects.front();
        m_Objects.erase(m_Objects.begin());
    }
    // Deleted outside the lock: its device takes the window's resources
    // down under the resource list's lock, and a resource walk on another
    // thread may be waiting for this lock meanwhile.
    delete object;
}

void CDirect3D8Manager::Finalize(HWND hWnd)
{
    CDirect3D8* object = nullptr;
    {
        CCriticalLock lock(m_Lock);
        for (auto it = m_Objects.begin(); it != m_Objects.end(); ++it) {
            if ((*it)->GetHWnd() == hWnd) {
                object = *it;
                m_Objects.erase(it);
                break;
            }
        }
    }
    delete object;
}

size_t CDirect3D8Manager::GetCount()
{
    CCriticalLock lock(m_Lock);
    return m_Objects.size();
}

void CDirect3D8Manager::Shutdown()
{
    if (GetCount() == 0)
        return;
    DebugPrint("CDirect3D8Manager::~CDirect3D8Manager() Direct3Dが解放されずにいるものがあります");
    while (GetCount() != 0)
        Finalize();
}
