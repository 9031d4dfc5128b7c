#include "common/TraceCapture.h"
#include "framework/Thread.h"
#include "framework/ThreadList.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <string>
#include <vector>

namespace {

typedef std::vector<std::string> Lines;
const DWORD kNoId = static_cast<DWORD>(-1);

// Sleeps in slices until asked to stop.
class SleepyThread : public CThread {
public:
    ~SleepyThread() override
    {
        RequestStop();
        Stop();
    }
    void ThreadMain() override
    {
        int now = ++active;
        if (now > maxActive)
            maxActive = now;
        ++runs;
        while (IsRunning())
            Sleep(60000);
        --active;
    }
    std::atomic<int> active{0};
    std::atomic<int> maxActive{0};
    std::atomic<int> runs{0};
};

// True when the thread behind `handle` has ended.
bool HasEnded(HANDLE handle)
{
    return WaitForSingleObject(handle, 0) == WAIT_OBJECT_0;
}

HANDLE Duplicate(HANDLE handle)
{
    HANDLE copy = nullptr;
    DuplicateHandle(GetCurrentProcess(), handle, GetCurrentProcess(), &copy, SYNCHRONIZE, FALSE, 0);
    return copy;
}

struct Counted : function_callback {
    explicit Counted(std::atomic<int>* calls, std::atomic<int>* deleted) : calls(calls), deleted(deleted) {}
    ~Counted() override { ++*deleted; }
    void Call() override { ++*calls; }
    std::atomic<int>* calls;
    std::atomic<int>* deleted;
};

}  // namespace

TEST(EventTest, FlagOutlivesConsumedSignal)
{
    CEvent event;
    ASSERT_NE(nullptr, event.GetHandle());
    EXPECT_FALSE(event.IsSet());
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), event.Wait(0));
    event.Set();
    EXPECT_TRUE(event.IsSet());
    EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), event.Wait(0));
    // Auto-reset: the wait consumed the signal, the flag stays.
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), event.Wait(0));
    EXPECT_TRUE(event.IsSet());
    event.Reset();
    EXPECT_FALSE(event.IsSet());
}

TEST(EventTest, ManualEventIsAutoResetUntilCreate)
{
    CManualEvent event;
    event.Set();
    EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), event.Wait(0));
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), event.Wait(0));

    HANDLE created = event.Create();
    EXPECT_NE(nullptr, created);
    EXPECT_EQ(created, event.GetHandle());
    event.Set();
    EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), event.Wait(0));
    EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), event.Wait(0));
    event.Reset();
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), event.Wait(0));

    event.Close();
    EXPECT_EQ(nullptr, event.GetHandle());
    EXPECT_EQ(static_cast<DWORD>(WAIT_FAILED), event.Wait(0));
}

TEST(EventTest, WaitForEventsAnyAndAll)
{
    CEvent events[3];
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForEvents(3, events, FALSE, 0));
    events[2].Set();
    EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0 + 2), WaitForEvents(3, events, FALSE, 0));
    events[0].Set();
    events[1].Set();
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForEvents(3, events, TRUE, 0));
    events[2].Set();
    EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), WaitForEvents(3, events, TRUE, 0));
    EXPECT_EQ(static_cast<DWORD>(WAIT_FAILED), WaitForEvents(0, events, FALSE, 0));
}

TEST(EventTest, SetFromAnotherThreadWakesWaiter)
{
    CEvent ready;
    CEvent go;
    struct Args {
        CEvent* ready;
        CEvent* go;
    } args{&ready, &go};
    for (int i = 0; i < 200; ++i) {
        HANDLE t = CreateThread(nullptr, 0, [](LPVOID p) __attribute__((stdcall)) -> DWORD {
            Args* a = static_cast<Args*>(p);
            a->ready->Set();
            return a->go->Wait(10000);
        }, &args, 0, nullptr);
        ASSERT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), ready.Wait(10000));
        go.Set();
        ASSERT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), WaitForSingleObject(t, 10000));
        DWORD code = 99;
        GetExitCodeThread(t, &code);
        CloseHandle(t);
        ASSERT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), code) << "iteration " << i;
    }
}

TEST(CallbackTest, VariantsCallTheirTargets)
{
    static int plainCalls;
    struct Target {
        int calls = 0;
        void Member() { ++calls; }
        static void Free(Target* t) { t->calls += 10; }
    };
    plainCalls = 0;
    Target a, b;
    function_callback* plain = make_callback([] { ++plainCalls; });
    function_callback* withObject = make_callback(&a, &Target::Free);
    function_callback* member = make_callback(&a, &Target::Member);
    ASSERT_TRUE(plain && withObject && member);
    plain->Call();
    withObject->Call();
    member->Call();
    EXPECT_EQ(1, plainCalls);
    EXPECT_EQ(11, a.calls);

    TraceCapture trace;
    withObject->inner_bind(&b);
    member->inner_bind(&b);
    withObject->Call();
    member->Call();
    EXPECT_EQ(11, a.calls);
    EXPECT_EQ(11, b.calls);
    EXPECT_TRUE(trace.Take().empty());

    plain->inner_bind(&b);
    EXPECT_EQ(Lines({"function_callback::inner_bind() グローバルな関数に対してbindは行えない"}), trace.Take());
    plain->Call();
    EXPECT_EQ(2, plainCalls);
    delete plain;
    delete withObject;
    delete member;
}

TEST(ThreadTest, WithoutThreadEverythingIsZeroOrFalse)
{
    TraceCapture trace;
    CThread thread;
    EXPECT_EQ(kNoId, thread.GetThreadId());
    EXPECT_FALSE(thread.IsRunning());
    EXPECT_EQ(0u, thread.Suspend());
    EXPECT_EQ(0u, thread.Resume());
    EXPECT_EQ(0, thread.GetPriority());
    EXPECT_FALSE(thread.SetPriority(THREAD_PRIORITY_HIGHEST));
    thread.Stop();
    thread.Sleep(60000);  // not the thread itself: returns at once
    EXPECT_EQ(kNoId, thread.GetThreadId());
    EXPECT_TRUE(trace.Take().empty());
}

TEST(ThreadTest, StartRegistersAndStopJoins)
{
    CThreadList& list = CThreadList::GetInstance();
    for (int i = 0; i < 300; ++i) {
        SleepyThread thread;
        ASSERT_TRUE(thread.Start(0));
        // Start returns only after the thread has registered.
        ASSERT_EQ(1u, list.GetCount()) << "iteration " << i;
        ASSERT_TRUE(thread.IsRunning());
        ASSERT_NE(kNoId, thread.GetThreadId());
        ASSERT_NE(0u, thread.GetThreadId());
        HANDLE handle = Duplicate(thread.GetHandle());
        thread.Stop();
        EXPECT_TRUE(HasEnded(handle));
        CloseHandle(handle);
        EXPECT_EQ(nullptr, thread.GetHandle());
        EXPECT_EQ(kNoId, thread.GetThreadId());
        EXPECT_FALSE(thread.IsRunning());
        EXPECT_EQ(0u, list.GetCount());
        EXPECT_EQ(1, thread.runs.load());
    }
}

TEST(ThreadTest, RestartJoinsTheOldThreadFirst)
{
    SleepyThread thread;
    for (int i = 0; i < 200; ++i) {
        ASSERT_TRUE(thread.Start(0));
        HANDLE old = Duplicate(thread.GetHandle());
        ASSERT_TRUE(thread.Start(0));
        EXPECT_TRUE(HasEnded(old));
        CloseHandle(old);
        ASSERT_TRUE(thread.IsRunning());
    }
    thread.Stop();
    EXPECT_EQ(1, thread.maxActive.load());
    EXPECT_EQ(400, thread.runs.load());
    EXPECT_EQ(0u, CThreadList::GetInstance().GetCount());
}

TEST(ThreadTest, StartWithPriority)
{
    SleepyThread thread;
    ASSERT_TRUE(thread.Start(THREAD_PRIORITY_BELOW_NORMAL));
    EXPECT_EQ(THREAD_PRIORITY_BELOW_NORMAL, thread.GetPriority());
    EXPECT_TRUE(thread.SetPriority(THREAD_PRIORITY_ABOVE_NORMAL));
    EXPECT_EQ(THREAD_PRIORITY_ABOVE_NORMAL, thread.GetPriority());
    EXPECT_EQ(0u, thread.Suspend());
    EXPECT_EQ(1u, thread.Suspend());
    EXPECT_EQ(2u, thread.Resume());
    EXPECT_EQ(1u, thread.Resume());
    thread.Stop();
    EXPECT_EQ(1, thread.runs.load());
}

TEST(ThreadTest, SleepOnlyWaitsOnItsOwnThread)
{
    SleepyThread thread;
    ASSERT_TRUE(thread.Start(0));
    DWORD before = GetTickCount();
    thread.Sleep(60000);  // caller is not the thread
    thread.Sleep(0);
    EXPECT_LT(GetTickCount() - before, 5000u);
    // The thread itself sleeps for 60 s; a stop request ends that at once.
    before = GetTickCount();
    thread.RequestStop();
    thread.Stop();
    EXPECT_LT(GetTickCount() - before, 5000u);
}

TEST(ThreadTest, StopFromTheThreadItselfOnlyRequests)
{
    struct SelfStop : CThread {
        ~SelfStop() override
        {
            RequestStop();
            Stop();
        }
        void ThreadMain() override
        {
            Stop();
            runningAfter = IsRunning();
            handleAfter = GetHandle() != nullptr;
            idAfter = GetThreadId() == GetCurrentThreadId();
        }
        bool runningAfter = true, handleAfter = false, idAfter = false;
    } thread;
    ASSERT_TRUE(thread.Start(0));
    HANDLE handle = Duplicate(thread.GetHandle());
    ASSERT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), WaitForSingleObject(handle, 10000));
    CloseHandle(handle);
    EXPECT_FALSE(thread.runningAfter);
    EXPECT_TRUE(thread.handleAfter);
    EXPECT_TRUE(thread.idAfter);
    // The ended thread is still attached until the owner stops it.
    EXPECT_NE(nullptr, thread.GetHandle());
    thread.Stop();
    EXPECT_EQ(nullptr, thread.GetHandle());
}

TEST(ThreadTest, CallbackRunsOnceInsteadOfThreadMain)
{
    std::atomic<int> calls{0}, deleted{0};
    {
        SleepyThread thread;
        for (int i = 0; i < 100; ++i) {
            ASSERT_TRUE(thread.StartWith(new Counted(&calls, &deleted), 0));
            thread.Stop();
            ASSERT_EQ(i + 1, calls.load());
            // StartWith deleted the callback it replaced.
            ASSERT_EQ(i, deleted.load());
        }
        EXPECT_EQ(0, thread.runs.load());
        thread.SetCallback(nullptr);
        EXPECT_EQ(100, deleted.load());
        ASSERT_TRUE(thread.Start(0));
        thread.Stop();
        EXPECT_EQ(1, thread.runs.load());
        thread.SetCallback(new Counted(&calls, &deleted));
    }
    // The thread object deletes the callback it still holds.
    EXPECT_EQ(101, deleted.load());
    EXPECT_EQ(100, calls.load());
}

TEST(ThreadTest, DestroyingPlainThreadJoinsItsCallback)
{
    struct Slow : function_callback {
        void Call() override
        {
            ::Sleep(20);
            done = true;
        }
        std::atomic<bool>& done;
        explicit Slow(std::atomic<bool>& d) : done(d) {}
    };
    for (int i = 0; i < 20; ++i) {
        std::atomic<bool> done{false};
        {
            CThread thread;
            ASSERT_TRUE(thread.StartWith(new Slow(done)));
        }
        EXPECT_TRUE(done.load());
    }
    EXPECT_EQ(0u, CThreadList::GetInstance().GetCount());
}

TEST(ThreadListTest, WaitAllOnEmptyListReturnsAtOnce)
{
    CThreadList list;
    list.WaitAll();
    EXPECT_EQ(0u, list.GetCount());
    CThreadList::GetInstance().WaitAll();
}

TEST(ThreadListTest, RegisterAndUnregisterFromSeveralThreads)
{
    struct Args {
        CThreadList* list;
        CThread threads[50];
    };
    CThreadList list;
    Args args[4];
    HANDLE workers[4];
    for (int i = 0; i < 4; ++i) {
        args[i].list = &list;
        workers[i] = CreateThread(nullptr, 0, [](LPVOID p) __attribute__((stdcall)) -> DWORD {
            Args* a = static_cast<Args*>(p);
            for (int round = 0; round < 20; ++round) {
                for (CThread& t : a->threads)
                    a->list->Register(&t);
                for (CThread& t : a->threads)
                    a->list->Unregister(&t);
            }
            a->list->Register(&a->threads[0]);
            return 0;
        }, &args[i], 0, nullptr);
    }
    WaitForMultipleObjects(4, workers, TRUE, INFINITE);
    for (HANDLE w : workers)
        CloseHandle(w);
    EXPECT_EQ(4u, list.GetCount());
    // Unregistering an unknown or already removed thread changes nothing.
    CThread stranger;
    list.Unregister(&stranger);
    EXPECT_EQ(4u, list.GetCount());
    for (Args& a : args)
        list.Unregister(&a.threads[0]);
    list.Unregister(&args[0].threads[0]);
    EXPECT_EQ(0u, list.GetCount());
    list.WaitAll();
}

TEST(ThreadListTest, WaitAllReturnsWhenLastThreadEnds)
{
    std::atomic<int> calls{0}, deleted{0};
    CThread threads[4];
    for (int round = 0; round < 50; ++round) {
        for (CThread& t : threads)
            ASSERT_TRUE(t.StartWith(new Counted(&calls, &deleted)));
        CThreadList::GetInstance().WaitAll();
        EXPECT_EQ(0u, CThreadList::GetInstance().GetCount());
        for (CThread& t : threads)
            t.Stop();
    }
    EXPECT_EQ(200, calls.load());
}

TEST(ThreadListTest, StopAllStopsEveryThreadOnce)
{
    SleepyThread threads[5];
    for (SleepyThread& t : threads)
        ASSERT_TRUE(t.Start(0));
    CThreadList& list = CThreadList::GetInstance();
    EXPECT_EQ(5u, list.GetCount());
    EXPECT_TRUE(list.StopAll());
    EXPECT_EQ(0u, list.GetCount());
    for (SleepyThread& t : threads) {
        EXPECT_FALSE(t.IsRunning());
        EXPECT_EQ(0, t.active.load());
    }
    EXPECT_FALSE(list.StopAll());
}

TEST(ThreadListTest, StopAllFromTheOnlyThreadDoesNotWait)
{
    struct Stopper : CThread {
        ~Stopper() override
        {
            RequestStop();
            Stop();
        }
        void ThreadMain() override
        {
            first = CThreadList::GetInstance().StopAll();
            second = CThreadList::GetInstance().StopAll();
        }
        int first = -1, second = -1;
    } thread;
    ASSERT_TRUE(thread.Start(0));
    thread.Stop();
    EXPECT_EQ(1, thread.first);
    EXPECT_EQ(0, thread.second);
    EXPECT_FALSE(CThreadList::GetInstance().StopAll());
}

TEST(ThreadListTest, StopAllFromThreadBeingJoinedDoesNotWaitForItself)
{
    // The owner's Stop is already waiting for the thread when the thread
    // calls StopAll; the thread must still count as the caller.
    struct LateStopper : CThread {
        ~LateStopper() override
        {
            RequestStop();
            Stop();
        }
        void ThreadMain() override
        {
            while (IsRunning())
                Sleep(60000);
            result = CThreadList::GetInstance().StopAll();
        }
        int result = -1;
    } thread;
    ASSERT_TRUE(thread.Start(0));
    thread.Stop();
    EXPECT_EQ(1, thread.result);
    EXPECT_EQ(kNoId, thread.GetThreadId());
}
