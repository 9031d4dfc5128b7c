#include "gtest/internal/custom/gtest-port.h"

#include <windows.h>

namespace testing {
namespace internal {

Notification::Notification() : m_Event(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}

Notification::~Notification()
{
    CloseHandle(m_Event);
}

void Notification::Notify()
{
    SetEvent(m_Event);
}

void Notification::WaitForNotification()
{
    WaitForSingleObject(m_Event, INFINITE);
}

}  // namespace internal
}  // namespace testing
