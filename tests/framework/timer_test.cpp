#include "framework/TimerService.h"

#include <gtest/gtest.h>

#include "common/WaitFor.h"

#include <mmsystem.h>
#include <climits>
#include <vector>

namespace {

// Records the time of every call; may remove its timer at call `removeAt`.
struct Recorder {
    CCriticalSection lock;
    std::vector<DWORD> times;
    CTimerService* service = nullptr;
    int id = 0;
    size_t removeAt = 0;
    static void Tick(Recorder* r)
    {
        CCriticalLock guard(r->lock);
        r->times.push_back(timeGetTime());
        if (r->removeAt && r->times.size() == r->removeAt)
            r->service->RemoveTimer(r->id);
    }
    size_t Count()
    {
        CCriticalLock guard(lock);
        return times.size();
    }
    function_callback* Make() { return make_callback(this, &Recorder::Tick); }
};

TEST(TimerTest, FirstDelayThenIntervalUpToLimit)
{
    CTimerService service;
    Recorder r;
    DWORD added = timeGetTime();
    int id = service.AddTimer(r.Make(), 200, 100, 4);
    ASSERT_NE(0, id);
    ASSERT_TRUE(WaitFor([&] { return r.Count() == 4; }));
    ::Sleep(300);
    ASSERT_EQ(4u, r.Count()) << "the call limit ends the timer";
    EXPECT_GE(r.times[0] - added, 195u) << "first call before its delay";
    EXPECT_LT(r.times[0] - added, 1200u);
    for (size_t i = 1; i < r.times.size(); ++i)
        EXPECT_GE(r.times[i] - r.times[i - 1], 95u) << "call " << i << " came early";
    EXPECT_TRUE(WaitFor([&] { return service.GetEntryCount() == 0; }));
}

TEST(TimerTest, ZeroDelayLimitOneRunsOnceAndIsRemoved)
{
    CTimerService service;
    Recorder r;
    service.AddTimer(r.Make(), 0, 100, 1);
    ASSERT_TRUE(WaitFor([&] { return r.Count() == 1; }, 2000));
    ::Sleep(300);
    EXPECT_EQ(1u, r.Count());
    EXPECT_EQ(0u, service.GetEntryCount());
}

TEST(TimerTest, UnlimitedUntilRemoved)
{
    CTimerService service;
    Recorder r;
    int id = service.AddTimer(r.Make(), 0, 20, 0);
    ASSERT_TRUE(WaitFor([&] { return r.Count() >= 6; }));
    service.RemoveTimer(id);
    size_t seen = r.Count();
    ::Sleep(200);
    EXPECT_EQ(seen, r.Count()) << "no call after RemoveTimer returned";
}

TEST(TimerTest, PauseShiftsTheNextCall)
{
    CTimerService service;
    Recorder r;
    DWORD added = timeGetTime();
    int id = service.AddTimer(r.Make(), 100, 100, 1);
    service.PauseTimer(id);
    ::Sleep(300);
    EXPECT_EQ(0u, r.Count()) << "a paused timer is skipped";
    service.ResumeTimer(id);
    ASSERT_TRUE(WaitFor([&] { return r.Count() == 1; }));
    EXPECT_GE(r.times[0] - added, 390u) << "the paused 300 ms must not count";
}

TEST(TimerTest, RemoveFromOwnCallbackStopsIt)
{
    CTimerService service;
    Recorder r;
    r.service = &service;
    r.removeAt = 3;
    r.id = service.AddTimer(r.Make(), 0, 10, 0);
    ASSERT_TRUE(WaitFor([&] { return r.Count() >= 3; }));
    ::Sleep(200);
    EXPECT_EQ(3u, r.Count());
    EXPECT_EQ(0u, service.GetEntryCount());
}

TEST(TimerTest, NullCallbackAndIdSequence)
{
    CTimerService service;
    EXPECT_EQ(0, service.AddTimer(nullptr, 0, 0, 0));
    EXPECT_EQ(0u, service.GetEntryCount());
    EXPECT_EQ(1, service.AddTimer(make_callback([] {}), 60000, 0, 0));
    EXPECT_EQ(2, service.AddTimer(make_callback([] {}), 60000, 0, 0));
    service.SetLastId(INT_MAX - 1);
    EXPECT_EQ(INT_MAX, service.AddTimer(make_callback([] {}), 60000, 0, 0));
    EXPECT_EQ(INT_MIN, service.AddTimer(make_callback([] {}), 60000, 0, 0));
    EXPECT_EQ(INT_MIN + 1, service.AddTimer(make_callback([] {}), 60000, 0, 0));
    service.SetLastId(-4);
    EXPECT_EQ(-3, service.AddTimer(make_callback([] {}), 60000, 0, 0));
    EXPECT_EQ(1, service.AddTimer(make_callback([] {}), 60000, 0, 0)) << "0, -1 and -2 are never ids";
    service.RemoveAllTimers();
    EXPECT_TRUE(WaitFor([&] { return service.GetEntryCount() == 0; }));
}

}  // namespace
