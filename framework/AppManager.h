#pragma once
#include "framework/CriticalSection.h"
#include "framework/ServiceObject.h"
#include <windows.h>
#include <list>

class CAppBase;
class CMessageHandler;
class CWindowBase;

// Maps each window thread to its application and four per-window pointers.
class CAppManager {
public:
    enum { kSlotCount = 4 };

    static CAppManager& GetInstance();
    // The window of the calling thread's application; null off window threads.
    static HWND GetHWnd();

    void RegisterApp(CAppBase* app, HWND hWnd = NULL);
    void UnregisterApp(CAppBase* app);
    void AttachMessageHandler(CMessageHandler* handler, HWND hWnd = NULL);
    void DetachMessageHandler(CMessageHandler* handler, HWND hWnd = NULL);
    CAppBase* GetApp(HWND hWnd = NULL);
    void* GetPointer(int slot, HWND hWnd = NULL);
    void SetPointer(int slot, void* value, HWND hWnd = NULL);
    void ClearPointer(int slot, void* value);
    size_t GetEntryCount();

private:
    struct Entry {
        DWORD threadId;
        CAppBase* app;
        void* pointers[kSlotCount];
    };
    friend class CServiceObject<CAppManager>;
    CAppManager() {}
    Entry* Find(HWND hWnd);
    Entry* FindOrCreate(HWND hWnd);
    // The window of the application found for hWnd (null without one).
    CWindowBase* WindowOf(HWND hWnd);
    void RemoveIfEmpty(Entry* entry);

    std::list<Entry> m_Entries;
    CCriticalSection m_Lock;
};
