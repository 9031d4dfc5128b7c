// The pool of decoded-file blocks.
#include "filesystem/BlockPool.h"
#include "common/TestThread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <vector>

TEST(BlockPool, ReusesFittingBlocksOnly)
{
    CBlockPool pool;
    size_t cap = 0;
    uint8_t* a = pool.Acquire(1 << 20, cap);
    ASSERT_NE(nullptr, a);
    EXPECT_EQ(size_t(1) << 20, cap);
    pool.Release(a, cap);
    EXPECT_EQ(size_t(1) << 20, pool.GetHeldBytes());

    // A request it fits without wasting more than the request gets it back.
    size_t cap2 = 0;
    EXPECT_EQ(a, pool.Acquire(700000, cap2));
    EXPECT_EQ(cap, cap2) << "the real capacity comes with the block";
    EXPECT_EQ(0u, pool.GetHeldBlocks());
    pool.Release(a, cap2);
    // Too big for it, or so small that most of it would lie idle: new blocks.
    size_t cap3 = 0;
    uint8_t* b = pool.Acquire((1 << 20) + 1, cap3);
    EXPECT_NE(a, b);
    EXPECT_EQ(size_t(1 << 20) + 1, cap3);
    uint8_t* c = pool.Acquire(300000, cap2);
    EXPECT_NE(a, c);
    // Small blocks are never kept.
    uint8_t* small = pool.Acquire(100, cap2);
    ASSERT_NE(nullptr, small);
    pool.Release(small, cap2);
    EXPECT_EQ(1u, pool.GetHeldBlocks());
    pool.Release(b, cap3);
    pool.Release(c, 300000);
    pool.Release(nullptr, 123);
    EXPECT_EQ(3u, pool.GetHeldBlocks());
    pool.Clear();
    EXPECT_EQ(0u, pool.GetHeldBytes());
}

TEST(BlockPool, HoldsAtMostItsLimits)
{
    CBlockPool pool;
    std::vector<std::pair<uint8_t*, size_t>> blocks;
    for (int i = 0; i < 10; ++i) {
        size_t cap = 0;
        uint8_t* p = pool.Acquire(100000 + i, cap);
        ASSERT_NE(nullptr, p);
        blocks.push_back({p, cap});
    }
    for (auto& b : blocks)
        pool.Release(b.first, b.second);
    EXPECT_EQ(size_t(CBlockPool::kMaxBlocks), pool.GetHeldBlocks());
    // Big blocks: the byte limit drops the oldest.
    pool.Clear();
    std::vector<std::pair<uint8_t*, size_t>> big;
    for (int i = 0; i < 3; ++i) {
        size_t cap = 0;
        uint8_t* p = pool.Acquire(7u << 20, cap);
        ASSERT_NE(nullptr, p);
        big.push_back({p, cap});
    }
    for (auto& b : big)
        pool.Release(b.first, b.second);
    EXPECT_EQ(2u, pool.GetHeldBlocks()) << "two of 7 MiB fit below the limit";
    EXPECT_LE(pool.GetHeldBytes(), size_t(CBlockPool::kMaxHeld));
    // One block beyond the limit is freed at once.
    size_t cap = 0;
    uint8_t* huge = pool.Acquire(CBlockPool::kMaxHeld + 1, cap);
    ASSERT_NE(nullptr, huge);
    size_t before = pool.GetHeldBytes();
    pool.Release(huge, cap);
    EXPECT_EQ(before, pool.GetHeldBytes());
}

TEST(BlockPool, ThreadsNeverShareABlock)
{
    CBlockPool pool;
    std::atomic<int> clobbered{0};
    std::vector<TestThread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            for (int k = 0; k < 300; ++k) {
                size_t cap = 0, size = 70000 + 1000 * ((k + t) % 5);
                uint8_t* p = pool.Acquire(size, cap);
                if (p == nullptr || cap < size) {
                    ++clobbered;
                    continue;
                }
                std::memset(p, t + 1, size);
                TestThread::YieldTime();
                for (size_t i = 0; i < size; i += 997)
                    if (p[i] != t + 1)
                        ++clobbered;
                pool.Release(p, cap);
            }
        });
    for (auto& th : threads)
        th.Join();
    EXPECT_EQ(0, clobbered.load());
}
