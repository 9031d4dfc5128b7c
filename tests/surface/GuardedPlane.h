#pragma once
// Pixel memory in which only one rectangle can be touched: every row of the
// rectangle lies on a page of its own, between pages that cannot be read or
// written, and ends exactly at its page's end (or starts exactly at its
// page's start). Rows outside the rectangle are inaccessible altogether. A
// kernel or blit that reads or writes a byte past either end of a row, or a
// row outside, faults; FaultCatcher turns the fault into a test failure
// (natively; under Windows the test process ends with the fault).
#include <cstdint>
#include <cstring>
#include <random>

#ifdef _WIN32
#include <windows.h>
#else
#include <csetjmp>
#include <csignal>
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace blit_test {

class GuardedPlane {
public:
    // A plane of height rows of bpp-byte pixels whose accessible part is
    // columns [left, right) of rows [top, bottom). With endAtGuard the rows
    // end at an inaccessible page, otherwise they start after one.
    GuardedPlane(int height, int bpp, int left, int top, int right, int bottom, bool endAtGuard, uint32_t seed)
    {
        m_Page = PageSize();
        m_Pages = size_t(2 * height + 2);
        m_Base = Reserve(m_Pages * m_Page);
        m_Pitch = int32_t(2 * m_Page);
        const size_t rowBytes = size_t(right - left) * bpp;
        m_Bits = endAtGuard ? m_Base + 2 * m_Page - size_t(right) * bpp : m_Base + m_Page - size_t(left) * bpp;
        std::mt19937 rng(seed);
        for (int y = top; y < bottom; ++y) {
            uint8_t* page = m_Base + size_t(2 * y + 1) * m_Page;
            Open(page, m_Page);
            uint8_t* row = m_Bits + ptrdiff_t(y) * m_Pitch + ptrdiff_t(left) * bpp;
            for (size_t i = 0; i < rowBytes; ++i)
                row[i] = uint8_t(rng());
        }
    }
    ~GuardedPlane() { Free(m_Base, m_Pages * m_Page); }

    uint8_t* Bits() const { return m_Bits; }
    int32_t Pitch() const { return m_Pitch; }

    static size_t PageSize()
    {
#ifdef _WIN32
        SYSTEM_INFO info;
        GetSystemInfo(&info);
        return info.dwPageSize;
#else
        return size_t(sysconf(_SC_PAGESIZE));
#endif
    }

private:
    static uint8_t* Reserve(size_t bytes)
    {
#ifdef _WIN32
        return static_cast<uint8_t*>(VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_NOACCESS));
#else
        return static_cast<uint8_t*>(mmap(nullptr, bytes, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
#endif
    }
    static void Open(uint8_t* page, size_t bytes)
    {
#ifdef _WIN32
        DWORD old;
        VirtualProtect(page, bytes, PAGE_READWRITE, &old);
#else
        mprotect(page, bytes, PROT_READ | PROT_WRITE);
#endif
    }
    static void Free(uint8_t* base, size_t bytes)
    {
#ifdef _WIN32
        (void)bytes;
        VirtualFree(base, 0, MEM_RELEASE);
#else
        munmap(base, bytes);
#endif
    }

    size_t m_Page, m_Pages;
    uint8_t* m_Base;
    uint8_t* m_Bits;
    int32_t m_Pitch;

    GuardedPlane(const GuardedPlane&) = delete;
    GuardedPlane& operator=(const GuardedPlane&) = delete;
};

#ifndef _WIN32
// Runs f; false when it touched an inaccessible page.
class FaultCatcher {
public:
    template <class F> static bool Run(F f)
    {
        struct sigaction action, oldSegv, oldBus;
        std::memset(&action, 0, sizeof action);
        action.sa_handler = OnFault;
        sigemptyset(&action.sa_mask);
        sigaction(SIGSEGV, &action, &oldSegv);
        sigaction(SIGBUS, &action, &oldBus);
        bool ok = true;
        if (sigsetjmp(Jump(), 1) == 0)
            f();
        else
            ok = false;
        sigaction(SIGSEGV, &oldSegv, nullptr);
        sigaction(SIGBUS, &oldBus, nullptr);
        return ok;
    }

private:
    static sigjmp_buf& Jump()
    {
        static sigjmp_buf jump;
        return jump;
    }
    static void OnFault(int) { siglongjmp(Jump(), 1); }
};
#else
class FaultCatcher {
public:
    template <class F> static bool Run(F f)
    {
        f();
        return true;
    }
};
#endif

}  // namespace blit_test
