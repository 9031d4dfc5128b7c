#include "framework/CriticalSection.h"

#include "framework/DebugPrint.h"

#include <new>

CCriticalSection::CCriticalSection() : m_EnterCount(0)
{
    InitializeCriticalSection(&m_Section);
}

CCriticalSection::~CCriticalSection()
{
    if (m_EnterCount > 0) {
        DebugPrint("CCriticalSection::~CCriticalSection() Leave()されていないまま解放されようとしている。");
        for (LONG n = m_EnterCount; n > 0; --n)
            Leave();
    }
    DeleteCriticalSection(&m_Section);
}

void CCriticalSection::Enter()
{
    EnterCriticalSection(&m_Section);
    ++m_EnterCount;
}

void CCriticalSection::Leave()
{
    if (m_EnterCount == 0) {
        DebugPrint("CCriticalSection::Leave() Enter()されていないのにLeave()が呼び出された。");
        return;
    }
    --m_EnterCount;
    LeaveCriticalSection(&m_Section);
}

CCriticalLock::CCriticalLock(CLockable* target) : m_Target(target), m_EnterCount(0)
{
    if (!m_Target)
        DebugPrint("CCriticalLock::CCriticalLock() 無効なクリティカルセクションが渡された。");
    Enter();
}

CCriticalLock::~CCriticalLock()
{
    for (LONG n = m_EnterCount; n > 0; --n)
        Leave();
}

void CCriticalLock::Enter()
{
    if (m_Target)
        m_Target->Enter();
    ++m_EnterCount;
}

void CCriticalLock::Leave()
{
    if (m_EnterCount == 0) {
        DebugPrint("CCriticalLock::Leave() Enter()されていないのにLeaveが呼び出された。");
        return;
    }
    --m_EnterCount;
    if (m_Target)
        m_Target->Leave();
}

CLockable& GetProcessLock()
{
    // Constructed on first call (thread-safe local static) and deliberately
    // never destroyed, so objects torn down at exit may still use it.
    alignas(CCriticalSection) static unsigned char storage[sizeof(CCriticalSection)];
    static CCriticalSection* lock = new (storage) CCriticalSection;
    return *lock;
}

std::unique_ptr<CLockable> MakeLock()
{
    return std::unique_ptr<CLockable>(new CCriticalSection);
}
