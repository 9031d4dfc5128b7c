// The image cache on real files and real loader threads under Wine.
#include "filesystem/ImageFileCacheControl.h"
#include "filesystem/ImageLoadThread.h"
#include "common/TempFolder.h"
#include "common/TestFiles.h"
#include "common/TraceCapture.h"
#include "common/WaitFor.h"
#include "common/TestThread.h"

#include <gtest/gtest.h>

#include <malloc.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

namespace {

const char kNegative[] = "CImageFileCacheControl::Release() 参照数がマイナス";

void Put32(std::vector<uint8_t>& v, size_t at, uint32_t x) { std::memcpy(&v[at], &x, 4); }

// A 24-bit bottom-up bitmap; its pixel bytes start at seed.
std::vector<uint8_t> Bitmap24(int width, int height, uint8_t seed)
{
    const uint32_t stride = (uint32_t(width) * 3 + 3) & ~3u;
    std::vector<uint8_t> f(54 + stride * uint32_t(height));
    f[0] = 'B';
    f[1] = 'M';
    Put32(f, 2, uint32_t(f.size()));
    Put32(f, 10, 54);
    Put32(f, 14, 40);
    Put32(f, 18, uint32_t(width));
    Put32(f, 22, uint32_t(height));
    f[26] = 1;
    f[28] = 24;
    for (size_t i = 54; i < f.size(); ++i)
        f[i] = uint8_t(seed + i);
    return f;
}

// Bytes the CRT heap has handed out and not taken back.
size_t HeapBytesInUse()
{
    _HEAPINFO info;
    info._pentry = nullptr;
    size_t total = 0;
    while (_heapwalk(&info) == _HEAPOK)
        if (info._useflag == _USEDENTRY)
            total += info._size;
    return total;
}

// Pictures of 8 x 8 pixels (24 bits: 8 x 24 = 192 bytes each) in a folder.
class ImageCacheTest : public ::testing::Test {
protected:
    static constexpr uint32_t kPictureBytes = 8 * 24;

    std::string Picture(const std::string& name, int width = 8, int height = 8, uint8_t seed = 1)
    {
        std::string path = folder / name;
        PutFile(path, Bitmap24(width, height, seed));
        return path;
    }

    CTempFolder folder{"image_cache"};
    CImageFileCacheControl cache;
};

// A picture whose load waits until the test opens the gate. It notes the
// priority of the loading thread at the start and the highest one seen while
// it waited.
struct Gate {
    Gate() : open(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
    ~Gate() { CloseHandle(open); }
    HANDLE open;
    std::atomic<int> loads{0};
    std::atomic<int> startPriority{99};
    std::atomic<int> highestPriority{-99};
};

class CGatedImage : public CImageInterface {
public:
    explicit CGatedImage(Gate& gate) : m_Gate(gate) {}
    bool Load(const std::string& path) override { return LoadThrough(m_Gate, path); }
    bool LoadThrough(Gate& gate, const std::string& path)
    {
        int priority = GetThreadPriority(GetCurrentThread());
        gate.startPriority = priority;
        gate.highestPriority = priority;
        ++gate.loads;
        while (WaitForSingleObject(gate.open, 2) == WAIT_TIMEOUT)
            gate.highestPriority = std::max<int>(gate.highestPriority, GetThreadPriority(GetCurrentThread()));
        m_Loaded = path.find("missing") == std::string::npos;
        m_Name = path;
        return m_Loaded;
    }
    void Release() override { m_Loaded = false; }
    uint8_t* GetPixels() override { return nullptr; }
    uint8_t* GetAlpha() override { return nullptr; }
    int GetBitCount() override { return 24; }
    std::pair<int, int> GetSize() override { return std::make_pair(1, 1); }
    void GetSize(int& width, int& height) override { width = height = 1; }
    uint32_t GetStride() override { return 4; }
    uint32_t GetAlphaStride() override { return 0; }
    bool Draw(void*, int, int, int, int, int, int) override { return false; }
    uint32_t GetMemorySize() override { return m_Loaded ? m_Weight : 0; }
    bool IsLoaded() override { return m_Loaded; }
    std::string GetName() override { return m_Name; }

protected:
    Gate& m_Gate;
    bool m_Loaded = false;
    uint32_t m_Weight = 100;
    std::string m_Name;
};

class CGatedCache : public CImageFileCacheControl {
public:
    // The loaders go before the gate they wait on.
    ~CGatedCache() override
    {
        SetEvent(gate.open);
        ResetReferences();
        Purge();
    }
    Gate gate;

protected:
    CImageInterface* NewImage() override { return new CGatedImage(gate); }
};

// Pictures named "NAME=WEIGHT". One whose name begins with "wait0" or
// "wait1" loads once that gate opens and leaves its loading thread for the
// test to wait on; the others load at once.
struct Stages {
    Gate gate[2];
    std::atomic<HANDLE> thread[2] = {{nullptr}, {nullptr}};
    ~Stages()
    {
        for (auto& t : thread)
            if (t)
                CloseHandle(t);
    }
};

class CStagedImage : public CGatedImage {
public:
    explicit CStagedImage(Stages& stages) : CGatedImage(stages.gate[0]), m_Stages(stages) {}
    bool Load(const std::string& path) override
    {
        m_Weight = uint32_t(std::atoi(path.c_str() + path.find('=') + 1));
        if (path.compare(0, 4, "wait") != 0) {
            m_Name = path;
            return m_Loaded = true;
        }
        const int g = path[4] - '0';
        HANDLE self = nullptr;
        DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &self, SYNCHRONIZE, FALSE, 0);
        m_Stages.thread[g] = self;
        return LoadThrough(m_Stages.gate[g], path);
    }

private:
    Stages& m_Stages;
};

class CStagedCache : public CImageFileCacheControl {
public:
    ~CStagedCache() override
    {
        SetEvent(stages.gate[0].open);
        SetEvent(stages.gate[1].open);
        ResetReferences();
        Purge();
    }
    Stages stages;

protected:
    CImageInterface* NewImage() override { return new CStagedImage(stages); }
};

}  // namespace

TEST_F(ImageCacheTest, SameNameTwiceIsOnePictureWithTwoReferences)
{
    const std::string a = Picture("a.bmp");
    TraceCapture trace;
    CImageInterface* first = cache.Acquire(a);
    CImageInterface* second = cache.Acquire(a);
    ASSERT_NE(nullptr, first);
    EXPECT_EQ(first, second) << "one entry per name";
    EXPECT_TRUE(first->IsLoaded());
    EXPECT_EQ(kPictureBytes, first->GetMemorySize());
    EXPECT_EQ(2, cache.GetReferences(a));
    EXPECT_EQ(1u, cache.GetCount());

    cache.Release(first);
    cache.Release(second);
    EXPECT_EQ(0, cache.GetReferences(a));
    EXPECT_TRUE(cache.Contains(a)) << "within the budget an unheld picture stays";
    EXPECT_EQ(0u, trace.Count(kNegative));

    cache.Release(first);
    EXPECT_EQ(-1, cache.GetReferences(a)) << "the negative count is kept";
    EXPECT_EQ(1u, trace.Count(kNegative));
    cache.SetBudget(0);
    EXPECT_TRUE(cache.Contains(a)) << "a new budget drops nothing before the next trim";
    cache.Trim();
    EXPECT_FALSE(cache.Contains(a)) << "an entry at -1 can be trimmed";
    EXPECT_EQ(0u, cache.GetCount());
}

TEST_F(ImageCacheTest, EmptyNameMissingFileAndStrangers)
{
    EXPECT_EQ(nullptr, cache.Acquire(""));
    cache.Prefetch("");
    EXPECT_EQ(0u, cache.GetCount()) << "an empty name makes no entry";

    const std::string missing = folder / "missing.bmp";
    CImageInterface* image = cache.Acquire(missing);
    ASSERT_NE(nullptr, image) << "a failed load is entered and returned";
    EXPECT_FALSE(image->IsLoaded());
    EXPECT_TRUE(cache.Contains(missing));
    EXPECT_EQ(1, cache.GetReferences(missing));
    EXPECT_EQ(image, cache.Acquire(missing)) << "and is not loaded a second time";

    TraceCapture trace;
    CImageFile stranger;
    cache.Release(&stranger);
    cache.Release(nullptr);
    EXPECT_EQ(2, cache.GetReferences(missing)) << "an image of no entry is ignored";
    EXPECT_TRUE(trace.Lines().empty());
}

TEST_F(ImageCacheTest, NamesDifferingInCaseOrSlashAreDifferentEntries)
{
    Picture("sub\\a.bmp");
    const std::string names[] = {folder / "sub\\a.bmp", folder / "SUB\\A.BMP", folder / "sub/a.bmp"};
    CImageInterface* images[3];
    for (int i = 0; i < 3; ++i) {
        images[i] = cache.Acquire(names[i]);
        ASSERT_NE(nullptr, images[i]);
        EXPECT_TRUE(images[i]->IsLoaded()) << names[i] << ": the file system finds every spelling";
        EXPECT_TRUE(cache.Contains(names[i]));
    }
    EXPECT_NE(images[0], images[1]);
    EXPECT_NE(images[0], images[2]);
    EXPECT_NE(images[1], images[2]);
    EXPECT_EQ(3u, cache.GetCount());
    EXPECT_FALSE(cache.Contains(folder / "Sub\\a.bmp"));
}

TEST_F(ImageCacheTest, BudgetZeroDropsEveryUnheldPictureAtTheNextTrim)
{
    const std::string held = Picture("held.bmp"), loose = Picture("loose.bmp"),
                      spare = Picture("spare.bmp");
    CImageInterface* heldImage = cache.Acquire(held);
    cache.Release(cache.Acquire(loose));
    cache.Release(cache.Acquire(spare));
    EXPECT_EQ(3u, cache.GetCount());

    cache.SetBudget(0);
    cache.Trim();
    EXPECT_TRUE(cache.Contains(held));
    EXPECT_FALSE(cache.Contains(loose));
    EXPECT_FALSE(cache.Contains(spare));
    EXPECT_TRUE(heldImage->IsLoaded());
    EXPECT_EQ(uint64_t(kPictureBytes), cache.GetLoadedBytes());

    // A new unheld picture goes as soon as its release trims.
    CImageInterface* once = cache.Acquire(loose);
    EXPECT_TRUE(once->IsLoaded());
    cache.Release(once);
    EXPECT_FALSE(cache.Contains(loose));
    EXPECT_EQ(1u, cache.GetCount());
}

TEST_F(ImageCacheTest, TrimDropsOldestFirstAndNeverAHeldPicture)
{
    std::vector<std::string> names;
    for (char c = 'a'; c <= 'f'; ++c)
        names.push_back(Picture(std::string(1, c) + ".bmp"));
    cache.SetBudget(3 * kPictureBytes);

    CImageInterface* a = cache.Acquire(names[0]);  // held throughout
    cache.Release(cache.Acquire(names[1]));
    cache.Release(cache.Acquire(names[2]));
    EXPECT_EQ(3u, cache.GetCount());
    // A request moves b behind c.
    cache.Release(cache.Acquire(names[1]));
    EXPECT_EQ((std::vector<std::string>{names[0], names[2], names[1]}), cache.GetNames());

    // d exceeds the budget: c is the oldest unheld picture (a is older but held).
    cache.Release(cache.Acquire(names[3]));
    EXPECT_EQ((std::vector<std::string>{names[0], names[1], names[3]}), cache.GetNames());

    // Two pictures over the budget at once (the new one is held while it
    // loads): b and d go, a stays although it is the oldest.
    CImageInterface* e = cache.Acquire(names[4]);
    CImageInterface* f = cache.Acquire(names[5]);
    EXPECT_EQ((std::vector<std::string>{names[0], names[4], names[5]}), cache.GetNames());
    EXPECT_TRUE(a->IsLoaded());
    EXPECT_EQ(uint64_t(3 * kPictureBytes), cache.GetLoadedBytes());

    // Held pictures are never dropped, even far over the budget.
    cache.SetBudget(0);
    cache.Trim();
    EXPECT_EQ(3u, cache.GetCount());
    cache.Release(e);
    EXPECT_EQ((std::vector<std::string>{names[0], names[5]}), cache.GetNames());

    // A failed load weighs nothing, yet over the budget it goes like any
    // other unheld entry.
    cache.SetBudget(kPictureBytes);
    CImageInterface* failed = cache.Acquire(folder / "missing.bmp");
    EXPECT_EQ(3u, cache.GetCount()) << "held while it is new";
    cache.Release(failed);
    EXPECT_EQ((std::vector<std::string>{names[0], names[5]}), cache.GetNames());
    cache.Release(f);
    EXPECT_EQ((std::vector<std::string>{names[0]}), cache.GetNames());
}

TEST_F(ImageCacheTest, ResetReferencesForgetsHoldersAndPurgeIgnoresTheBudget)
{
    const std::string a = Picture("a.bmp"), b = Picture("b.bmp"), c = Picture("c.bmp");
    cache.Acquire(a);
    cache.Acquire(b);
    cache.Release(cache.Acquire(c));
    cache.Purge();
    EXPECT_EQ((std::vector<std::string>{a, b}), cache.GetNames()) << "held pictures survive a purge";

    cache.ResetReferences();
    EXPECT_EQ(2u, cache.GetCount()) << "within the budget the reset drops nothing";
    EXPECT_EQ(0, cache.GetReferences(a));
    cache.Purge();
    EXPECT_EQ(0u, cache.GetCount());

    cache.Acquire(a);
    cache.Acquire(a);
    cache.SetBudget(0);
    cache.ResetReferences();
    EXPECT_EQ(0u, cache.GetCount()) << "the reset trims: nothing is held any more";
}

TEST_F(ImageCacheTest, PrefetchLoadsInTheBackgroundAndChangesNothingTwice)
{
    const std::string a = Picture("a.bmp", 16, 4), b = Picture("b.bmp");
    cache.Prefetch(a);
    EXPECT_TRUE(cache.Contains(a));
    EXPECT_EQ(0, cache.GetReferences(a)) << "a prefetched entry starts unheld";
    ASSERT_TRUE(WaitFor([&] { return cache.GetLoadedBytes() == 16 * 3 * 4; }))
        << "the background load ends by itself";

    cache.Acquire(b);
    cache.Prefetch(b);
    cache.Prefetch(a);
    EXPECT_EQ(1, cache.GetReferences(b));
    EXPECT_EQ(0, cache.GetReferences(a));
    EXPECT_EQ((std::vector<std::string>{a, b}), cache.GetNames()) << "neither position changed";

    CImageInterface* image = cache.Acquire(a);
    EXPECT_TRUE(image->IsLoaded());
    EXPECT_EQ(1, cache.GetReferences(a));
    int width = 0, height = 0;
    image->GetSize(width, height);
    EXPECT_EQ(16, width);
    EXPECT_EQ(4, height);

    const std::string missing = folder / "missing.bmp";
    cache.Prefetch(missing);
    CImageInterface* failed = cache.Acquire(missing);
    ASSERT_NE(nullptr, failed);
    EXPECT_FALSE(failed->IsLoaded());
}

TEST(ImageCacheWaiting, AcquireAfterPrefetchRaisesTheLoadAndWaitsForIt)
{
    CGatedCache cache;
    cache.Prefetch("x.bmp");
    ASSERT_TRUE(WaitFor([&] { return cache.gate.loads == 1; })) << "the load began";
    EXPECT_EQ(THREAD_PRIORITY_IDLE, cache.gate.startPriority) << "a prefetch loads at idle priority";
    EXPECT_EQ(0u, cache.GetLoadedBytes()) << "a picture still loading weighs nothing";

    std::atomic<CImageInterface*> got{nullptr};
    std::atomic<bool> done{false};
    TestThread owner([&] {
        got = cache.Acquire("x.bmp");
        done = true;
    });
    EXPECT_TRUE(WaitFor([&] { return cache.gate.highestPriority == THREAD_PRIORITY_TIME_CRITICAL; }))
        << "the waiter raised the load to time-critical; highest seen " << cache.gate.highestPriority;
    Sleep(50);
    EXPECT_FALSE(done) << "Acquire returned before the load had ended";
    SetEvent(cache.gate.open);
    owner.Join();
    ASSERT_NE(nullptr, got.load());
    EXPECT_TRUE(got.load()->IsLoaded()) << "the loaded picture, not an empty one";
    EXPECT_EQ("x.bmp", got.load()->GetName());
    EXPECT_EQ(1, cache.gate.loads.load()) << "decoded once";
    EXPECT_EQ(1, cache.GetReferences("x.bmp"));
    EXPECT_EQ(100u, cache.GetLoadedBytes());
}

TEST(ImageCacheWaiting, AcquireLoadsOnTheCallingThreadAndTrimWaitsOnlyForWhatItDrops)
{
    CGatedCache cache;
    SetEvent(cache.gate.open);
    CImageInterface* now = cache.Acquire("now.bmp");
    EXPECT_EQ(GetThreadPriority(GetCurrentThread()), cache.gate.startPriority)
        << "a first Acquire loads on the caller's thread";
    EXPECT_TRUE(now->IsLoaded());

    ResetEvent(cache.gate.open);
    cache.Prefetch("later.bmp");
    ASSERT_TRUE(WaitFor([&] { return cache.gate.loads == 2; }));
    // Over a budget of 0 a trim drops the unheld loading entry: it must
    // raise and finish that load before destroying it.
    cache.SetBudget(0);
    TestThread trimmer([&] { cache.Trim(); });
    EXPECT_TRUE(WaitFor([&] { return cache.gate.highestPriority == THREAD_PRIORITY_TIME_CRITICAL; }));
    SetEvent(cache.gate.open);
    trimmer.Join();
    EXPECT_FALSE(cache.Contains("later.bmp"));
    EXPECT_TRUE(cache.Contains("now.bmp"));
}

// The walk of a trim waits for the load of the first entry it drops; another
// load ends meanwhile. Its bytes count from then on: they neither wrap the
// total below 0 (dropping every unheld picture) nor are missed (leaving the
// cache over its budget).
TEST(ImageCacheWaiting, LoadEndingDuringTrimIsWeighedFromThenOn)
{
    struct Case {
        uint32_t budget;
        const char* second;
        std::vector<std::string> kept;
    };
    const Case cases[] = {
        {250, "wait1=500", {"c=100", "h=100"}},
        {150, "wait1=100", {"h=100"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("budget ") + std::to_string(c.budget) + ", " + c.second);
        CStagedCache cache;
        cache.Prefetch("wait0=100");
        cache.Prefetch(c.second);
        cache.Release(cache.Acquire("a=100"));
        cache.Release(cache.Acquire("c=100"));
        cache.Acquire("h=100");
        ASSERT_TRUE(WaitFor([&] { return cache.stages.thread[0] && cache.stages.thread[1]; }));
        EXPECT_EQ(300u, cache.GetLoadedBytes());

        cache.SetBudget(c.budget);
        TestThread trimmer([&] { cache.Trim(); });
        EXPECT_TRUE(WaitFor([&] { return cache.stages.gate[0].highestPriority == THREAD_PRIORITY_TIME_CRITICAL; }))
            << "the walk should wait for the first load at time-critical priority; highest "
            << cache.stages.gate[0].highestPriority;
        SetEvent(cache.stages.gate[1].open);
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(cache.stages.thread[1], 30000)) << "the second load ended";
        SetEvent(cache.stages.gate[0].open);
        trimmer.Join();
        EXPECT_EQ(c.kept, cache.GetNames());
        EXPECT_EQ(100u * c.kept.size(), cache.GetLoadedBytes());
    }
}

TEST_F(ImageCacheTest, ManyThreadsPrefetchWhileTheOwnerAcquires)
{
    std::vector<std::string> names;
    for (int i = 0; i < 40; ++i)
        names.push_back(Picture("p" + std::to_string(i) + ".bmp", 4 + i % 5, 8, uint8_t(i)));
    cache.SetBudget(20 * 96);  // about half of them

    std::atomic<bool> stop{false};
    std::vector<TestThread> prefetchers;
    for (int t = 0; t < 4; ++t) {
        prefetchers.emplace_back([&, t] {
            std::mt19937 random(t);
            while (!stop) {
                cache.Prefetch(names[random() % names.size()]);
                Sleep(0);
            }
        });
    }
    // Failures are noted, not asserted, so the prefetchers are always joined.
    std::mt19937 random(99);
    std::vector<CImageInterface*> held;
    std::string failure;
    for (int round = 0; round < 400 && failure.empty(); ++round) {
        size_t i = random() % names.size();
        CImageInterface* image = cache.Acquire(names[i]);
        int width = 0, height = 0;
        if (image == nullptr || !image->IsLoaded())
            failure = names[i] + ": not loaded";
        else if (image->GetSize(width, height), width != int(4 + i % 5))
            failure = names[i] + ": width " + std::to_string(width);
        else if (image->GetPixels()[0] != uint8_t(i + 54))
            failure = names[i] + ": another picture's pixels";
        if (image)
            held.push_back(image);
        if (held.size() > 3) {
            cache.Release(held.front());
            held.erase(held.begin());
        }
    }
    stop = true;
    for (TestThread& thread : prefetchers)
        thread.Join();
    EXPECT_EQ("", failure);
    for (CImageInterface* image : held) {
        EXPECT_TRUE(image->IsLoaded()) << "a held picture was dropped";
        cache.Release(image);
    }
    for (const std::string& name : cache.GetNames())
        EXPECT_EQ(0, cache.GetReferences(name)) << name << ": every Acquire was released once";
    cache.Purge();
    EXPECT_EQ(0u, cache.GetCount());
    EXPECT_EQ(0u, cache.GetLoadedBytes());
}

TEST_F(ImageCacheTest, MemoryReturnsToItsStartAfterPurge)
{
    std::vector<std::string> names;
    for (int i = 0; i < 30; ++i)
        names.push_back(Picture("m" + std::to_string(i) + ".bmp", 64, 64, uint8_t(i)));
    // One round first, so that what is made once per process (thread list,
    // file system caches) is there before the measurement.
    cache.Release(cache.Acquire(names[0]));
    cache.Prefetch(names[1]);
    cache.Purge();

    const size_t before = HeapBytesInUse();
    for (int i = 0; i < 15; ++i)
        cache.Acquire(names[i]);
    for (int i = 15; i < 30; ++i)
        cache.Prefetch(names[i]);
    const size_t loaded = HeapBytesInUse();
    cache.ResetReferences();
    cache.Purge();
    const size_t after = HeapBytesInUse();
    EXPECT_GE(loaded, before + 15 * 64 * 64 * 3) << "the held pictures are in the heap";
    EXPECT_EQ(before, after) << "bytes in use: before " << before << ", loaded " << loaded << ", after "
                             << after;
}

TEST_F(ImageCacheTest, OneProcessWideCacheApartFromPrivateOnes)
{
    const std::string a = Picture("a.bmp");
    CImageFileCacheControl& shared = CImageFileCacheControl::GetInstance();
    EXPECT_EQ(&shared, &CImageFileCacheControl::GetInstance());
    EXPECT_EQ(0xA00000u, shared.GetBudget());

    CImageInterface* image = shared.Acquire(a);
    ASSERT_NE(nullptr, image);
    EXPECT_TRUE(shared.Contains(a));
    EXPECT_FALSE(cache.Contains(a)) << "a private cache is separate";
    shared.Release(image);
    shared.ResetReferences();
    shared.Purge();
    EXPECT_EQ(0u, shared.GetCount());
}

TEST(ImageLoadThread, LoadsNowOrLaterAndUnloads)
{
    CTempFolder folder("image_loader");
    const std::string a = folder / "a.bmp";
    PutFile(a, Bitmap24(8, 2, 3));
    CImageLoadThread loader;
    EXPECT_FALSE(loader.IsImageLoaded());
    EXPECT_EQ(0u, loader.GetMemorySize());
    ASSERT_NE(nullptr, loader.GetImage()) << "the image object exists while empty";

    EXPECT_TRUE(loader.LoadNow(a));
    EXPECT_TRUE(loader.IsImageLoaded());
    EXPECT_EQ(48u, loader.GetMemorySize());
    EXPECT_EQ(48u, loader.GetLoadedSize());

    EXPECT_FALSE(loader.LoadNow(folder / "missing.bmp"));
    EXPECT_FALSE(loader.IsImageLoaded()) << "a failed load leaves nothing of the earlier picture";
    EXPECT_EQ(0u, loader.GetMemorySize());

    EXPECT_TRUE(loader.LoadLater(a));
    EXPECT_TRUE(loader.IsImageLoaded()) << "the query waits for the background load";
    EXPECT_EQ(48u, loader.GetMemorySize());
    EXPECT_FALSE(loader.IsLoading());
    EXPECT_EQ(a, loader.GetImage()->GetName());

    // A second LoadLater while nothing waits, then an Unload that must join it.
    EXPECT_TRUE(loader.LoadLater(a));
    loader.Unload();
    EXPECT_FALSE(loader.IsImageLoaded()) << "the unload came after the load, not before";
    EXPECT_EQ(0u, loader.GetLoadedSize());
}
