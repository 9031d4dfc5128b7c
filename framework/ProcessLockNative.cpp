// The locks of the native build, where pure code runs without the Win32
// framework.
#include "framework/ProcessLock.h"

#include <mutex>

namespace {

class CRecursiveMutex : public CLockable {
public:
    void Enter() override { m_Mutex.lock(); }
    void Leave() override { m_Mutex.unlock(); }

private:
    std::recursive_mutex m_Mutex;
};

}  // namespace

CLockable& GetProcessLock()
{
    static CRecursiveMutex* lock = new CRecursiveMutex;  // never destroyed
    return *lock;
}

std::unique_ptr<CLockable> MakeLock()
{
    return std::unique_ptr<CLockable>(new CRecursiveMutex);
}
