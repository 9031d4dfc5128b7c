// CSurfaceRegistry: registration by Create and Release, RestoreAll and
// ReleaseAll per owner, and surfaces that release, destroy or create
// surfaces while the registry walks its list.
#include "surface/MemorySurface.h"
#include "surface/ScreenFormat.h"
#include "surface/SurfaceRegistry.h"

#include <gtest/gtest.h>

#include "SurfaceFiles.h"

#include <functional>
#include <memory>

using namespace surface_test;

namespace {

HWND Owner(int n) { return reinterpret_cast<HWND>(static_cast<INT_PTR>(0x7000 + 16 * n)); }

// A memory surface that counts its restores and runs a hook first.
class CProbeSurface : public CMemorySurface {
public:
    explicit CProbeSurface(HWND owner) { SetHWnd(owner); }
    bool Restore() override
    {
        ++restores;
        if (hook)
            hook();
        return CMemorySurface::Restore();
    }
    int restores = 0;
    std::function<void()> hook;
};

CSurfaceRegistry& Registry() { return CSurfaceRegistry::GetInstance(); }

TEST(SurfaceRegistry, CreateRegistersReleaseUnregisters)
{
    CProbeSurface a(Owner(1));
    ASSERT_TRUE(a.Create(4, 4, 24, false));
    EXPECT_TRUE(Registry().IsRegistered(&a));
    ASSERT_TRUE(a.Create(8, 4, 24, false));
    EXPECT_EQ(1u, Registry().GetCount(Owner(1))) << "one entry per surface";
    a.SetHWnd(Owner(2));
    ASSERT_TRUE(a.Create(8, 4, 24, false));
    EXPECT_EQ(0u, Registry().GetCount(Owner(1)));
    EXPECT_EQ(1u, Registry().GetCount(Owner(2))) << "the latest owner";
    a.Release();
    EXPECT_FALSE(Registry().IsRegistered(&a));
    {
        CProbeSurface b(Owner(2));
        ASSERT_TRUE(b.Create(4, 4, 24, false));
    }
    EXPECT_EQ(0u, Registry().GetCount(Owner(2))) << "the destructor unregisters";
}

TEST(SurfaceRegistry, RestoreAllRestoresTheOwnersSurfacesOnly)
{
    CProbeSurface a(Owner(3)), b(Owner(3)), other(Owner(4));
    ASSERT_TRUE(a.Create(5, 5, 15, false));
    ASSERT_TRUE(b.Create(6, 6, 24, false));
    ASSERT_TRUE(other.Create(7, 7, 24, false));
    a.SetColorKey(0x0000FF);
    a.SetColorKeyEnable(true);
    Registry().RestoreAll(Owner(3));
    EXPECT_EQ(1, a.restores);
    EXPECT_EQ(1, b.restores);
    EXPECT_EQ(0, other.restores);
    EXPECT_EQ(GetScreenBitCount(), a.GetBitCount());
    EXPECT_EQ(0xFF0000u, a.GetColorKey());
    EXPECT_TRUE(a.IsColorKeyEnable());
    EXPECT_EQ(2u, Registry().GetCount(Owner(3))) << "restored surfaces stay registered";
    EXPECT_TRUE(Registry().IsRegistered(&other));
}

TEST(SurfaceRegistry, FailedRestoreReleasesAndDrops)
{
    const std::string dir = Folder("registry");
    const std::string path = dir + "\\gone.bmp";
    ASSERT_TRUE(WriteBytes(path, PatternBitmap(3, 3, 24)));
    CProbeSurface loaded(Owner(5)), kept(Owner(5));
    ASSERT_TRUE(loaded.Load(path, 24, false));
    ASSERT_TRUE(kept.Create(3, 3, 24, false));
    ASSERT_TRUE(DeleteFileA(path.c_str()));
    Registry().RestoreAll(Owner(5));
    EXPECT_FALSE(loaded.IsCreated());
    EXPECT_FALSE(Registry().IsRegistered(&loaded));
    EXPECT_TRUE(kept.IsCreated());
    EXPECT_TRUE(Registry().IsRegistered(&kept));
}

TEST(SurfaceRegistry, SurfacesReleasedOrDestroyedDuringTheWalkAreSkipped)
{
    auto first = std::make_unique<CProbeSurface>(Owner(6));
    auto released = std::make_unique<CProbeSurface>(Owner(6));
    auto destroyed = std::make_unique<CProbeSurface>(Owner(6));
    auto last = std::make_unique<CProbeSurface>(Owner(6));
    for (auto* s : {first.get(), released.get(), destroyed.get(), last.get()})
        ASSERT_TRUE(s->Create(4, 4, 24, false));
    first->hook = [&] {
        released->Release();
        destroyed.reset();
    };
    Registry().RestoreAll(Owner(6));
    EXPECT_EQ(1, first->restores);
    EXPECT_EQ(0, released->restores) << "released before its turn";
    EXPECT_EQ(1, last->restores);
    EXPECT_EQ(2u, Registry().GetCount(Owner(6)));
    EXPECT_FALSE(Registry().IsRegistered(released.get()));
}

TEST(SurfaceRegistry, SurfacesCreatedDuringTheWalkAreRegisteredAfterIt)
{
    CProbeSurface a(Owner(7));
    CProbeSurface late(Owner(7));
    CProbeSurface recreated(Owner(7));
    ASSERT_TRUE(a.Create(4, 4, 24, false));
    ASSERT_TRUE(recreated.Create(4, 4, 24, false));
    recreated.SetAutoRestore(false);
    a.hook = [&] {
        ASSERT_TRUE(late.Create(2, 2, 24, false));
        a.hook = nullptr;
    };
    Registry().RestoreAll(Owner(7));
    EXPECT_EQ(0, late.restores) << "not part of this walk";
    EXPECT_TRUE(Registry().IsRegistered(&late));
    EXPECT_TRUE(Registry().IsRegistered(&recreated)) << "a restored surface keeps its entry";
    EXPECT_EQ(3u, Registry().GetCount(Owner(7)));
    Registry().RestoreAll(Owner(7));
    EXPECT_EQ(1, late.restores);
}

TEST(SurfaceRegistry, RestoreRefreshesTheOwner)
{
    CProbeSurface a(Owner(8));
    ASSERT_TRUE(a.Create(4, 4, 24, false));
    a.hook = [&] { a.SetHWnd(Owner(9)); };
    Registry().RestoreAll(Owner(8));
    EXPECT_EQ(0u, Registry().GetCount(Owner(8)));
    EXPECT_EQ(1u, Registry().GetCount(Owner(9)));
}

TEST(SurfaceRegistry, ReleaseAllReleasesTheOwnersSurfaces)
{
    CProbeSurface a(Owner(10)), b(Owner(10)), other(Owner(11));
    for (auto* s : {&a, &b, &other})
        ASSERT_TRUE(s->Create(4, 4, 24, false));
    a.hook = [] {};
    Registry().ReleaseAll(Owner(10));
    EXPECT_FALSE(a.IsCreated());
    EXPECT_FALSE(b.IsCreated());
    EXPECT_TRUE(other.IsCreated());
    EXPECT_EQ(0u, Registry().GetCount(Owner(10)));
    EXPECT_EQ(1u, Registry().GetCount(Owner(11)));
    ASSERT_TRUE(a.Create(4, 4, 24, false));
    EXPECT_TRUE(Registry().IsRegistered(&a)) << "a released surface registers again when created";
}

}  // namespace
