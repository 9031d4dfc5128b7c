// The process lock of the native build, where pure code runs without the
// Win32 framework.
#include "framework/ProcessLock.h"

#include <mutex>

namespace {

class CProcessMutex : public CLockable {
public:
    void Enter() override { m_Mutex.lock(); }
    void Leave() override { m_Mutex.unlock(); }

private:
    std::recursive_mutex m_Mutex;
};

}  // namespace

CLockable& GetProcessLock()
{
    static CProcessMutex* lock = new CProcessMutex;  // never destroyed
    return *lock;
}
