#include "setup/Toolhelp.h"

#include "framework/ServiceObject.h"

namespace {
void* Find(HMODULE module, const char* name)
{
    return reinterpret_cast<void*>(GetProcAddress(module, name));
}
}  // namespace

CToolhelp& CToolhelp::GetInstance()
{
    return CServiceObject<CToolhelp>::Get();
}

bool CToolhelp::Load()
{
    m_CreateSnapshot = nullptr;
    m_First = m_Next = nullptr;
    HMODULE module = GetModuleHandleA(m_Module);
    if (module == nullptr)
        return false;
    m_CreateSnapshot = reinterpret_cast<CreateSnapshotFn>(Find(module, "CreateToolhelp32Snapshot"));
    m_First = reinterpret_cast<ProcessWalkFn>(Find(module, "Process32First"));
    m_Next = reinterpret_cast<ProcessWalkFn>(Find(module, "Process32Next"));
    return IsLoaded();
}
