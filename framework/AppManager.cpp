#include "framework/AppManager.h"
#include "framework/AppBase.h"

CAppManager& CAppManager::GetInstance()
{
    return CServiceObject<CAppManager>::Get();
}

HWND CAppManager::GetHWnd()
{
    CAppManager& manager = GetInstance();
    CCriticalLock lock(manager.m_Lock);
    Entry* entry = manager.Find(NULL);
    return entry && entry->app ? entry->app->GetHWnd() : NULL;
}

CAppManager::Entry* CAppManager::Find(HWND hWnd)
{
    if (!hWnd) {
        DWORD id = GetCurrentThreadId();
        for (Entry& entry : m_Entries) {
            if (entry.threadId == id)
                return &entry;
        }
        return nullptr;
    }
    for (Entry& entry : m_Entries) {
        if (entry.app && entry.app->GetHWnd() == hWnd)
            return &entry;
    }
    return nullptr;
}

CAppManager::Entry* CAppManager::FindOrCreate(HWND hWnd)
{
    if (Entry* entry = Find(hWnd))
        return entry;
    Entry entry = {GetCurrentThreadId(), nullptr, {nullptr, nullptr, nullptr, nullptr}};
    m_Entries.push_back(entry);
    return &m_Entries.back();
}

void CAppManager::RemoveIfEmpty(Entry* entry)
{
    if (entry->app)
        return;
    for (void* pointer : entry->pointers) {
        if (pointer)
            return;
    }
    for (auto it = m_Entries.begin(); it != m_Entries.end(); ++it) {
        if (&*it == entry) {
            m_Entries.erase(it);
            return;
        }
    }
}

void CAppManager::RegisterApp(CAppBase* app, HWND hWnd)
{
    CCriticalLock lock(m_Lock);
    FindOrCreate(hWnd)->app = app;
}

void CAppManager::UnregisterApp(CAppBase* app)
{
    CCriticalLock lock(m_Lock);
    for (Entry& entry : m_Entries) {
        if (entry.app == app) {
            entry.app = nullptr;
            RemoveIfEmpty(&entry);
            return;
        }
    }
}

CWindowBase* CAppManager::WindowOf(HWND hWnd)
{
    Entry* entry = Find(hWnd);
    return entry && entry->app ? entry->app->GetWindow() : nullptr;
}

void CAppManager::AttachMessageHandler(CMessageHandler* handler, HWND hWnd)
{
    CCriticalLock lock(m_Lock);
    if (CWindowBase* window = WindowOf(hWnd))
        window->AddMessageHandler(handler);
}

void CAppManager::DetachMessageHandler(CMessageHandler* handler, HWND hWnd)
{
    CCriticalLock lock(m_Lock);
    if (CWindowBase* window = WindowOf(hWnd))
        window->RemoveMessageHandler(handler);
}

CAppBase* CAppManager::GetApp(HWND hWnd)
{
    CCriticalLock lock(m_Lock);
    Entry* entry = Find(hWnd);
    return entry ? entry->app : nullptr;
}

void* CAppManager::GetPointer(int slot, HWND hWnd)
{
    if (slot < 0 || slot >= kSlotCount)
        return nullptr;
    CCriticalLock lock(m_Lock);
    Entry* entry = Find(hWnd);
    return entry ? entry->pointers[slot] : nullptr;
}

void CAppManager::SetPointer(int slot, void* value, HWND hWnd)
{
    if (slot < 0 || slot >= kSlotCount)
        return;
    CCriticalLock lock(m_Lock);
    Entry* entry = hWnd ? Find(hWnd) : FindOrCreate(NULL);
    if (entry)
        entry->pointers[slot] = value;
}

void CAppManager::ClearPointer(int slot, void* value)
{
    if (slot < 0 || slot >= kSlotCount || !value)
        return;
    CCriticalLock lock(m_Lock);
    for (Entry& entry : m_Entries) {
        if (entry.pointers[slot] == value) {
            entry.pointers[slot] = nullptr;
            RemoveIfEmpty(&entry);
            return;
        }
    }
}

size_t CAppManager::GetEntryCount()
{
    CCriticalLock lock(m_Lock);
    return m_Entries.size();
}
