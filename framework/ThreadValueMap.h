#pragma once

#include "framework/CriticalSection.h"

#include <windows.h>

#include <vector>

// One 32-bit value per thread, keyed by GetCurrentThreadId. Every operation
// holds the map's lock and touches only the calling thread's entry (except
// RemoveAll).
class CThreadValueMap {
public:
    CThreadValueMap();
    ~CThreadValueMap();

    LONG* Get();             // the calling thread's cell, null when none
    void Set(LONG value);    // adds an entry at the end when none
    void Remove();
    void RemoveAll();
    // A detached map no longer unregisters itself when destroyed.
    void Detach();
    bool IsDetached();
    size_t GetCount();

private:
    CThreadValueMap(const CThreadValueMap&) = delete;
    CThreadValueMap& operator=(const CThreadValueMap&) = delete;

    struct Entry {
        DWORD threadId;
        LONG* cell;
    };
    std::vector<Entry> m_Entries;
    bool m_Detached;
    CCriticalSection m_Lock;
};
