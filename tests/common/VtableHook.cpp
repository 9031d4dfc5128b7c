#include "common/VtableHook.h"

#include <windows.h>

VtableHook::VtableHook(void* object, int slot, void* replacement) : m_Slot(nullptr), m_Original(nullptr)
{
    if (!object)
        return;
    void** table = *static_cast<void***>(object);
    m_Slot = &table[slot];
    m_Original = *m_Slot;
    Write(replacement);
}

VtableHook::~VtableHook()
{
    if (m_Slot)
        Write(m_Original);
}

void VtableHook::Write(void* value)
{
    DWORD old = 0;
    if (!VirtualProtect(m_Slot, sizeof(void*), PAGE_READWRITE, &old)) {
        m_Slot = nullptr;
        return;
    }
    *m_Slot = value;
    VirtualProtect(m_Slot, sizeof(void*), old, &old);
    FlushInstructionCache(GetCurrentProcess(), m_Slot, sizeof(void*));
}
