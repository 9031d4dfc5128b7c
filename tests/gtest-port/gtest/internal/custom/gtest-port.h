#pragma once
// GoogleTest's port settings in the Windows build. Its Notification (which
// lets its own helper threads start) is made on a Win32 event: the build's
// thread model has no std::mutex or std::condition_variable.
#ifdef _WIN32
#define GTEST_HAS_NOTIFICATION_ 1

namespace testing {
namespace internal {

class Notification {
public:
    Notification();
    ~Notification();
    void Notify();
    void WaitForNotification();

private:
    Notification(const Notification&) = delete;
    Notification& operator=(const Notification&) = delete;

    void* m_Event;
};

}  // namespace internal
}  // namespace testing
#endif
