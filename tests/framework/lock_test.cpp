#include "common/TraceCapture.h"
#include "framework/CriticalSection.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

namespace {

const char kSectionLeave[] = "CCriticalSection::Leave() Enter()されていないのにLeave()が呼び出された。";
const char kSectionDtor[] =
    "CCriticalSection::~CCriticalSection() Leave()されていないまま解放されようとしている。";
const char kLockLeave[] = "CCriticalLock::Leave() Enter()されていないのにLeaveが呼び出された。";
const char kLockNull[] = "CCriticalLock::CCriticalLock() 無効なクリティカルセクションが渡された。";

typedef std::vector<std::string> Lines;

// True when another thread can enter the section right now.
bool IsFreeForOtherThread(CRITICAL_SECTION* section)
{
    struct Probe {
        static DWORD WINAPI Run(LPVOID p)
        {
            CRITICAL_SECTION* cs = static_cast<CRITICAL_SECTION*>(p);
            if (!TryEnterCriticalSection(cs))
                return 0;
            LeaveCriticalSection(cs);
            return 1;
        }
    };
    HANDLE thread = CreateThread(nullptr, 0, &Probe::Run, section, 0, nullptr);
    WaitForSingleObject(thread, INFINITE);
    DWORD code = 0;
    GetExitCodeThread(thread, &code);
    CloseHandle(thread);
    return code == 1;
}

// Locks itself into a CRITICAL_SECTION wrapper we can probe from outside.
struct ProbeLock : CLockable {
    ProbeLock() { InitializeCriticalSection(&cs); }
    ~ProbeLock() override { DeleteCriticalSection(&cs); }
    void Enter() override { EnterCriticalSection(&cs); ++depth; }
    void Leave() override { --depth; LeaveCriticalSection(&cs); }
    CRITICAL_SECTION cs;
    int depth = 0;
};

}  // namespace

TEST(CriticalSectionTest, MessagesAreShiftJisBytes)
{
    TraceCapture trace;
    CCriticalSection section;
    section.Leave();
    // "CCriticalSection::Leave() Enter()されていないのにLeave()が呼び出された。" in CP932.
    const std::string expected =
        "CCriticalSection::Leave() Enter()"
        "\x82\xb3\x82\xea\x82\xc4\x82\xa2\x82\xc8\x82\xa2\x82\xcc\x82\xc9"
        "Leave()"
        "\x82\xaa\x8c\xc4\x82\xd1\x8f\x6f\x82\xb3\x82\xea\x82\xbd\x81\x42";
    EXPECT_EQ(Lines({expected}), trace.Take());
}

TEST(CriticalSectionTest, LeaveWithoutEnterIsReportedOnceAndHarmless)
{
    TraceCapture trace;
    CCriticalSection section;
    section.Leave();
    EXPECT_EQ(Lines({kSectionLeave}), trace.Take());
    EXPECT_EQ(0, section.GetEnterCount());
    section.Enter();
    EXPECT_EQ(1, section.GetEnterCount());
    section.Leave();
    EXPECT_EQ(0, section.GetEnterCount());
    EXPECT_TRUE(trace.Take().empty());
}

TEST(CriticalSectionTest, RecursiveEntryNeedsOneLeaveEach)
{
    TraceCapture trace;
    {
        CCriticalSection section;
        section.Enter();
        section.Enter();
        EXPECT_EQ(2, section.GetEnterCount());
        section.Leave();
        EXPECT_EQ(1, section.GetEnterCount());
        section.Leave();
        EXPECT_EQ(0, section.GetEnterCount());
        section.Leave();
        EXPECT_EQ(0, section.GetEnterCount());
    }
    EXPECT_EQ(Lines({kSectionLeave}), trace.Take());
}

TEST(CriticalSectionTest, DestroyingHeldSectionReportsOnceAndReleases)
{
    TraceCapture trace;
    CCriticalSection* section = new CCriticalSection;
    section->Enter();
    section->Enter();
    delete section;
    EXPECT_EQ(Lines({kSectionDtor}), trace.Take());
}

TEST(CriticalSectionTest, ExcludesOtherThreads)
{
    // Two threads increment a shared counter non-atomically under the lock.
    struct Shared {
        CCriticalSection lock;
        volatile long counter = 0;
        static DWORD WINAPI Run(LPVOID p)
        {
            Shared* s = static_cast<Shared*>(p);
            for (int i = 0; i < 20000; ++i) {
                CCriticalLock guard(&s->lock);
                long v = s->counter;
                if ((i & 1023) == 0)
                    ::Sleep(0);
                s->counter = v + 1;
            }
            return 0;
        }
    } shared;
    TraceCapture trace;
    HANDLE threads[3];
    for (HANDLE& t : threads)
        t = CreateThread(nullptr, 0, &Shared::Run, &shared, 0, nullptr);
    WaitForMultipleObjects(3, threads, TRUE, INFINITE);
    for (HANDLE t : threads)
        CloseHandle(t);
    EXPECT_EQ(60000, shared.counter);
    EXPECT_EQ(0, shared.lock.GetEnterCount());
    EXPECT_TRUE(trace.Take().empty());
}

TEST(CriticalLockTest, HoldsFromConstructionAndReleasesAtDestruction)
{
    TraceCapture trace;
    ProbeLock probe;
    {
        CCriticalLock lock(&probe);
        EXPECT_EQ(1, lock.GetEnterCount());
        EXPECT_EQ(1, probe.depth);
        EXPECT_FALSE(IsFreeForOtherThread(&probe.cs));
        lock.Enter();
        EXPECT_EQ(2, probe.depth);
    }
    EXPECT_EQ(0, probe.depth);
    EXPECT_TRUE(IsFreeForOtherThread(&probe.cs));
    EXPECT_TRUE(trace.Take().empty());
}

TEST(CriticalLockTest, ManualLeaveThenDestructorReleasesNothing)
{
    TraceCapture trace;
    ProbeLock probe;
    {
        CCriticalLock lock(&probe);
        lock.Leave();
        EXPECT_EQ(0, lock.GetEnterCount());
        EXPECT_EQ(0, probe.depth);
        EXPECT_TRUE(IsFreeForOtherThread(&probe.cs));
        EXPECT_TRUE(trace.Take().empty());
        lock.Leave();
        EXPECT_EQ(Lines({kLockLeave}), trace.Take());
        EXPECT_EQ(0, probe.depth);
        lock.Enter();
        EXPECT_EQ(1, probe.depth);
    }
    EXPECT_EQ(0, probe.depth);
    EXPECT_TRUE(trace.Take().empty());
}

TEST(CriticalLockTest, NullTargetIsReportedAndCounts)
{
    TraceCapture trace;
    {
        CCriticalLock lock(static_cast<CLockable*>(nullptr));
        EXPECT_EQ(Lines({kLockNull}), trace.Take());
        EXPECT_EQ(1, lock.GetEnterCount());
        lock.Enter();
        EXPECT_EQ(2, lock.GetEnterCount());
    }
    EXPECT_TRUE(trace.Take().empty());
}

TEST(CriticalLockTest, GuardOverGuardPassesThrough)
{
    TraceCapture trace;
    CCriticalSection section;
    {
        CCriticalLock outer(&section);
        EXPECT_EQ(1, section.GetEnterCount());
        {
            CCriticalLock inner(&outer);
            EXPECT_EQ(2, outer.GetEnterCount());
            EXPECT_EQ(2, section.GetEnterCount());
            inner.Leave();
            EXPECT_EQ(1, section.GetEnterCount());
            inner.Enter();
        }
        EXPECT_EQ(1, outer.GetEnterCount());
        EXPECT_EQ(1, section.GetEnterCount());
    }
    EXPECT_EQ(0, section.GetEnterCount());
    EXPECT_TRUE(trace.Take().empty());
}

TEST(ProcessLockTest, SameRecursiveLockEveryCall)
{
    CCriticalSection* a = dynamic_cast<CCriticalSection*>(&GetProcessLock());
    CCriticalSection* b = dynamic_cast<CCriticalSection*>(&GetProcessLock());
    ASSERT_NE(nullptr, a) << "the process lock is a CCriticalSection";
    EXPECT_EQ(a, b);
    CCriticalLock outer(a);
    CCriticalLock inner(b);
    EXPECT_EQ(2, a->GetEnterCount());
}

TEST(DebugPrintTest, FormatsAndStripsOneNewline)
{
    TraceCapture trace;
    DebugPrint("a %d %s\n", 42, "x");
    DebugPrint("two\n\n");
    DebugPrint("none");
    DebugPrint("");
    DebugPrint("\n");
    DebugPrint("%s", "100%");
    DebugPrint(nullptr);
    EXPECT_EQ(Lines({"a 42 x", "two\n", "none", "", "", "100%"}), trace.Take());
}

TEST(DebugPrintTest, LongLineIsCutNotOverrun)
{
    TraceCapture trace;
    std::string big(5000, 'x');
    DebugPrint("%s", big.c_str());
    Lines lines = trace.Take();
    ASSERT_EQ(1u, lines.size());
    EXPECT_GT(lines[0].size(), 0u);
    EXPECT_LT(lines[0].size(), 2048u);
}

TEST(DebugPrintTest, SinkReplacementReturnsPrevious)
{
    struct Local {
        static void Sink(const char*) {}
    };
    DebugPrintSink original = SetDebugPrintSink(&Local::Sink);
    EXPECT_NE(nullptr, original);
    EXPECT_EQ(&Local::Sink, SetDebugPrintSink(original));
    // Null restores the discarding default, which is never null.
    DebugPrintSink before = SetDebugPrintSink(nullptr);
    DebugPrintSink def = SetDebugPrintSink(before);
    EXPECT_NE(nullptr, def);
    DebugPrint("discarded %d", 1);
}
