#pragma once
// A thread for tests in the manner of std::thread, which the Windows build's
// thread model lacks: it runs one function and is joined by Join() or its
// destructor. Natively it is a std::thread. Also a sleep and a yield of the time slice.
#include <functional>
#include <memory>
#include <utility>

#ifdef _WIN32
#include <windows.h>
#else
#include <chrono>
#include <thread>
#endif

class TestThread {
public:
    TestThread() {}
    explicit TestThread(std::function<void()> work) : m_Work(new std::function<void()>(std::move(work)))
    {
#ifdef _WIN32
        DWORD id = 0;
        m_Handle = CreateThread(nullptr, 0, &TestThread::Entry, m_Work.get(), 0, &id);
#else
        m_Thread = std::thread(*m_Work);
#endif
    }
    TestThread(TestThread&& other) { *this = std::move(other); }
    TestThread& operator=(TestThread&& other)
    {
        Join();
        m_Work = std::move(other.m_Work);
#ifdef _WIN32
        m_Handle = other.m_Handle;
        other.m_Handle = nullptr;
#else
        m_Thread = std::move(other.m_Thread);
#endif
        return *this;
    }
    ~TestThread() { Join(); }

    // True while started and not joined; false also when it could not start.
    bool IsJoinable() const
    {
#ifdef _WIN32
        return m_Handle != nullptr;
#else
        return m_Thread.joinable();
#endif
    }
    void Join()
    {
#ifdef _WIN32
        if (m_Handle) {
            WaitForSingleObject(m_Handle, INFINITE);
            CloseHandle(m_Handle);
            m_Handle = nullptr;
        }
#else
        if (m_Thread.joinable())
            m_Thread.join();
#endif
    }

    static void SleepMs(unsigned ms)
    {
#ifdef _WIN32
        ::Sleep(ms);
#else
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
#endif
    }
    static void YieldTime()
    {
#ifdef _WIN32
        ::Sleep(0);
#else
        std::this_thread::yield();
#endif
    }

private:
    TestThread(const TestThread&) = delete;
    TestThread& operator=(const TestThread&) = delete;

#ifdef _WIN32
    static DWORD WINAPI Entry(void* work)
    {
        (*static_cast<std::function<void()>*>(work))();
        return 0;
    }
    HANDLE m_Handle = nullptr;
#else
    std::thread m_Thread;
#endif
    std::unique_ptr<std::function<void()>> m_Work;
};
