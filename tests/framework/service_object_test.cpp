// The pure framework pieces: service objects made once under the process
// lock, and the little-endian byte readers and writers.
#include "framework/ByteOrder.h"
#include "framework/ProcessLock.h"
#include "framework/ServiceObject.h"
#include "common/TestThread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <vector>

namespace {

std::atomic<int> g_Constructions{0};

// Slow to make, so that racing first uses overlap.
class CSlowService {
public:
    static CSlowService& GetInstance() { return CServiceObject<CSlowService>::Get(); }
    int m_Order;

private:
    friend class CServiceObject<CSlowService>;
    CSlowService() : m_Order(++g_Constructions)
    {
        TestThread::SleepMs(50);
    }
};

// Makes another service object while its own is being made.
class COuterService {
public:
    static COuterService& GetInstance() { return CServiceObject<COuterService>::Get(); }
    CSlowService* m_Inner;

private:
    friend class CServiceObject<COuterService>;
    COuterService() : m_Inner(&CSlowService::GetInstance()) {}
};

}  // namespace

TEST(ServiceObject, RacingFirstUsesMakeOneObject)
{
    std::vector<TestThread> threads;
    std::vector<CSlowService*> seen(8, nullptr);
    for (size_t i = 0; i < seen.size(); ++i)
        threads.emplace_back([&seen, i] { seen[i] = &CSlowService::GetInstance(); });
    for (TestThread& t : threads)
        t.Join();
    EXPECT_EQ(1, g_Constructions.load()) << "constructions of one service object";
    for (size_t i = 0; i < seen.size(); ++i)
        EXPECT_EQ(seen[0], seen[i]) << "thread " << i << " got another object";
    EXPECT_EQ(&CSlowService::GetInstance(), seen[0]);
}

TEST(ServiceObject, ConstructorMayMakeAnotherServiceObject)
{
    COuterService& outer = COuterService::GetInstance();
    EXPECT_EQ(&CSlowService::GetInstance(), outer.m_Inner);
    EXPECT_EQ(&outer, &COuterService::GetInstance());
}

TEST(ProcessLock, SameRecursiveLockEveryCall)
{
    CLockable& a = GetProcessLock();
    EXPECT_EQ(&a, &GetProcessLock());
    a.Enter();
    a.Enter();  // recursive on one thread
    std::atomic<bool> entered{false};
    TestThread other([&] {
        GetProcessLock().Enter();
        entered = true;
        GetProcessLock().Leave();
    });
    TestThread::SleepMs(30);
    EXPECT_FALSE(entered.load()) << "another thread entered while this one held the lock";
    a.Leave();
    a.Leave();
    other.Join();
    EXPECT_TRUE(entered.load());
}

TEST(ByteOrder, LittleEndianAtAnyOffset)
{
    uint8_t bytes[11] = {0};
    PutLE32(bytes + 1, 0x80FF0102u);
    PutLE16(bytes + 6, 0xFEDCu);
    EXPECT_EQ((std::vector<uint8_t>{0, 0x02, 0x01, 0xFF, 0x80, 0, 0xDC, 0xFE, 0, 0, 0}),
              std::vector<uint8_t>(bytes, bytes + 11));
    EXPECT_EQ(0x80FF0102u, GetLE32(bytes + 1)) << "the top bit must not spread";
    EXPECT_EQ(0xFEDCu, GetLE16(bytes + 6));
    EXPECT_EQ(0xDC000000u, GetLE32(bytes + 3) & 0xFF000000u);

    std::vector<uint8_t> out = {7};
    AppendLE32(out, 0xFFFFFFFFu);
    AppendLE16(out, 0x0100u);
    EXPECT_EQ((std::vector<uint8_t>{7, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x01}), out);
    EXPECT_EQ(0xFFFFFFFFu, GetLE32(out.data() + 1));
}
