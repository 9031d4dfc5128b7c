#pragma once

#include "framework/Lockable.h"
#include "framework/ProcessLock.h"

#include <windows.h>

// Recursive lock with a count of unmatched Enter calls (over all threads);
// misuse is reported through DebugPrint and otherwise ignored.
class CCriticalSection : public CLockable {
public:
    CCriticalSection();
    ~CCriticalSection() override;
    void Enter() override;
    void Leave() override;
    LONG GetEnterCount() const { return m_EnterCount; }

private:
    CCriticalSection(const CCriticalSection&) = delete;
    CCriticalSection& operator=(const CCriticalSection&) = delete;

    CRITICAL_SECTION m_Section;
    volatile LONG m_EnterCount;
};

// Scope guard: enters its target once at construction, releases whatever it
// still holds at destruction. A method may Leave() and Enter() it in between.
class CCriticalLock : public CLockable {
public:
    explicit CCriticalLock(CLockable* target);
    explicit CCriticalLock(CLockable& target) : CCriticalLock(&target) {}
    ~CCriticalLock() override;
    void Enter() override;
    void Leave() override;
    LONG GetEnterCount() const { return m_EnterCount; }

private:
    CCriticalLock(const CCriticalLock&) = delete;
    CCriticalLock& operator=(const CCriticalLock&) = delete;

    CLockable* m_Target;
    LONG m_EnterCount;
};
