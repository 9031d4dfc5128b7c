#include "framework/ComInit.h"
#include "framework/StartupCallbacks.h"
#include "framework/Thread.h"
#include "framework/ThreadValueMap.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>

#include <atomic>
#include <string>
#include <vector>

namespace {

std::vector<int>* g_order;

struct Recorder : function_callback {
    Recorder(int id, std::atomic<int>* deleted) : id(id), deleted(deleted) {}
    ~Recorder() override
    {
        if (deleted)
            ++*deleted;
    }
    void Call() override { g_order->push_back(id); }
    int id;
    std::atomic<int>* deleted;
};

// Whether COM is initialised on the calling thread (leaves it as it was).
bool ComIsInitialised()
{
    HRESULT hr = CoInitialize(nullptr);
    if (SUCCEEDED(hr))
        CoUninitialize();
    return hr == S_FALSE;
}

}  // namespace

TEST(StartupCallbacksTest, ListsRunInOrderOnceAndLateStartupIsDropped)
{
    std::vector<int> order;
    g_order = &order;
    std::atomic<int> deleted{0};
    CStartupCallbacks& callbacks = CStartupCallbacks::GetInstance();
    EXPECT_EQ(&callbacks, &CStartupCallbacks::GetInstance());
    EXPECT_FALSE(AddStartupCallback(nullptr));
    EXPECT_FALSE(AddShutdownCallback(nullptr));
    EXPECT_TRUE(AddStartupCallback(new Recorder(1, &deleted)));
    EXPECT_TRUE(AddShutdownCallback(new Recorder(10, &deleted)));
    EXPECT_TRUE(AddStartupCallback(new Recorder(2, &deleted)));
    EXPECT_TRUE(AddStartupCallback(new Recorder(3, &deleted)));

    callbacks.RunStartupCallbacks();
    EXPECT_EQ(std::vector<int>({1, 2, 3}), order);
    EXPECT_EQ(3, deleted.load());

    // Added after the start-up list ran: never run, deleted at once.
    EXPECT_FALSE(AddStartupCallback(new Recorder(4, &deleted)));
    EXPECT_EQ(4, deleted.load());
    callbacks.RunStartupCallbacks();
    EXPECT_EQ(std::vector<int>({1, 2, 3}), order);

    EXPECT_TRUE(AddShutdownCallback(new Recorder(11, &deleted)));
    callbacks.RunShutdownCallbacks();
    EXPECT_EQ(std::vector<int>({1, 2, 3, 10, 11}), order);
    EXPECT_EQ(6, deleted.load());
    callbacks.RunShutdownCallbacks();
    EXPECT_EQ(5u, order.size());
}

TEST(StartupCallbacksTest, ShutdownCallbackMayAddAnother)
{
    std::vector<int> order;
    g_order = &order;
    struct Chain : function_callback {
        void Call() override
        {
            g_order->push_back(1);
            AddShutdownCallback(new Recorder(2, nullptr));
        }
    };
    AddShutdownCallback(new Chain);
    CStartupCallbacks::GetInstance().RunShutdownCallbacks();
    EXPECT_EQ(std::vector<int>({1, 2}), order);
}

TEST(StartupCallbacksTest, ConcurrentAddsAreAllKept)
{
    static std::atomic<int> calls;
    calls = 0;
    HANDLE threads[4];
    for (HANDLE& t : threads)
        t = CreateThread(nullptr, 0, [](LPVOID) __attribute__((stdcall)) -> DWORD {
            for (int i = 0; i < 100; ++i)
                AddShutdownCallback(make_callback([] { ++calls; }));
            return 0;
        }, nullptr, 0, nullptr);
    WaitForMultipleObjects(4, threads, TRUE, INFINITE);
    for (HANDLE t : threads)
        CloseHandle(t);
    CStartupCallbacks::GetInstance().RunShutdownCallbacks();
    EXPECT_EQ(400, calls.load());
}

TEST(ThreadValueMapTest, OneCellPerThread)
{
    CThreadValueMap map;
    EXPECT_EQ(nullptr, map.Get());
    map.Set(5);
    LONG* cell = map.Get();
    ASSERT_NE(nullptr, cell);
    EXPECT_EQ(5, *cell);
    map.Set(6);
    EXPECT_EQ(cell, map.Get());
    EXPECT_EQ(6, *cell);

    struct Other {
        static DWORD WINAPI Run(LPVOID p)
        {
            CThreadValueMap* m = static_cast<CThreadValueMap*>(p);
            if (m->Get())
                return 1;
            m->Set(77);
            return *m->Get() == 77 ? 0 : 2;
        }
    };
    HANDLE t = CreateThread(nullptr, 0, &Other::Run, &map, 0, nullptr);
    WaitForSingleObject(t, INFINITE);
    DWORD code = 99;
    GetExitCodeThread(t, &code);
    CloseHandle(t);
    EXPECT_EQ(0u, code);
    EXPECT_EQ(2u, map.GetCount());
    EXPECT_EQ(6, *map.Get());

    map.Remove();
    EXPECT_EQ(nullptr, map.Get());
    EXPECT_EQ(1u, map.GetCount());
    map.Remove();
    EXPECT_EQ(1u, map.GetCount());
    map.RemoveAll();
    EXPECT_EQ(0u, map.GetCount());
}

TEST(ThreadValueMapTest, StartupListDetachesExistingMapsOnly)
{
    CThreadValueMap before;
    EXPECT_FALSE(before.IsDetached());
    CStartupCallbacks::GetInstance().RunStartupCallbacks();
    EXPECT_TRUE(before.IsDetached());
    CThreadValueMap after;
    EXPECT_FALSE(after.IsDetached());
    after.Detach();
    EXPECT_TRUE(after.IsDetached());
}

TEST(ComInitTest, CountedPerThread)
{
    ASSERT_FALSE(ComIsInitialised());
    EXPECT_EQ(0, GetComInitCount());
    ASSERT_TRUE(ComInitialize());
    EXPECT_TRUE(ComIsInitialised());
    ASSERT_TRUE(ComInitialize());
    EXPECT_EQ(2, GetComInitCount());
    ComUninitialize();
    EXPECT_EQ(1, GetComInitCount());
    EXPECT_TRUE(ComIsInitialised());
    ComUninitialize();
    EXPECT_EQ(0, GetComInitCount());
    EXPECT_FALSE(ComIsInitialised());
    // Unbalanced extra call: nothing to undo.
    ComUninitialize();
    EXPECT_EQ(0, GetComInitCount());
}

TEST(ComInitTest, ThreadWithoutEntryIsLeftAlone)
{
    ASSERT_EQ(S_OK, CoInitialize(nullptr));
    ComUninitialize();
    EXPECT_TRUE(ComIsInitialised());
    // Initialised elsewhere: S_FALSE counts as success and the count balances.
    EXPECT_TRUE(ComInitialize());
    EXPECT_EQ(1, GetComInitCount());
    ComUninitialize();
    EXPECT_TRUE(ComIsInitialised());
    CoUninitialize();
    EXPECT_FALSE(ComIsInitialised());
}

TEST(ComInitTest, FailureLeavesNoEntry)
{
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
    EXPECT_FALSE(ComInitialize());  // apartment model clashes: RPC_E_CHANGED_MODE
    EXPECT_EQ(0, GetComInitCount());
    CoUninitialize();
}

TEST(ComInitTest, ManyThreadsKeepTheirOwnCounts)
{
    static std::atomic<int> failures;
    failures = 0;
    HANDLE threads[6];
    for (HANDLE& t : threads)
        t = CreateThread(nullptr, 0, [](LPVOID) __attribute__((stdcall)) -> DWORD {
            for (int i = 0; i < 100; ++i) {
                if (!ComInitialize() || !ComInitialize() || GetComInitCount() != 2)
                    ++failures;
                ComUninitialize();
                if (GetComInitCount() != 1 || !ComIsInitialised())
                    ++failures;
                ComUninitialize();
                if (GetComInitCount() != 0 || ComIsInitialised())
                    ++failures;
            }
            return 0;
        }, nullptr, 0, nullptr);
    WaitForMultipleObjects(6, threads, TRUE, INFINITE);
    for (HANDLE t : threads)
        CloseHandle(t);
    EXPECT_EQ(0, failures.load());
    EXPECT_EQ(0, GetComInitCount());
}
