#include "framework/DirectDrawManager.h"

#include "framework/Callback.h"
#include "framework/DebugPrint.h"
#include "framework/DirectDraw.h"
#include "framework/ServiceObject.h"
#include "framework/StartupCallbacks.h"

#include <new>

CDirectDrawManager& CDirectDrawManager::GetInstance()
{
    return CServiceObject<CDirectDrawManager>::Get();
}

CDirectDrawManager::CDirectDrawManager()
{
    AddShutdownCallback(make_callback(this, &CDirectDrawManager::Shutdown));
}

bool CDirectDrawManager::Initialize(HWND hWnd)
{
    CCriticalLock lock(m_Lock);
    for (CDirectDraw* object : m_Objects) {
        if (object->GetHWnd() == hWnd) {
            DebugPrint("CDirectDrawManager::Initialize() hWndにDirectDrawが複数作成されようとしました");
            return false;
        }
    }
    CDirectDraw* object = new (std::nothrow) CDirectDraw(hWnd);
    if (object == nullptr)
        return false;
    if (object->GetInterface() == nullptr) {
        delete object;
        return false;
    }
    m_Objects.push_back(object);
    return true;
}

CDirectDraw* CDirectDrawManager::GetDirectDraw(HWND hWnd)
{
    CCriticalLock lock(m_Lock);
    for (CDirectDraw* object : m_Objects)
        if (object->GetHWnd() == hWnd)
            return object;
    return nullptr;
}

CDirectDraw* CDirectDrawManager::Take(HWND hWnd, bool any)
{
    CCriticalLock lock(m_Lock);
    for (auto it = m_Objects.begin(); it != m_Objects.end(); ++it) {
        if (any || (*it)->GetHWnd() == hWnd) {
            CDirectDraw* object = *it;
            m_Objects.erase(it);
            return object;
        }
    }
    return nullptr;
}

// Deleted off the lock: the object's end releases its surfaces under the
// surface registry's lock, which another thread may hold while it waits for
// this one.
void CDirectDrawManager::Uninitialize(HWND hWnd)
{
    delete Take(hWnd, false);
}

size_t CDirectDrawManager::GetCount()
{
    CCriticalLock lock(m_Lock);
    return m_Objects.size();
}

void CDirectDrawManager::Shutdown()
{
    if (GetCount() == 0)
        return;
    DebugPrint("CDirectDrawManager::~CDirectDrawManager() DirectDrawが解放されずにいるものがあります");
    while (CDirectDraw* object = Take(NULL, true))
        delete object;
}
