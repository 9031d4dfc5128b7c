#include "framework/ChangeDisplay.h"

#include <gtest/gtest.h>

namespace {

TEST(ChangeDisplayTest, ResetWithoutChangeIsTrue)
{
    CChangeDisplayWin32API changer;
    EXPECT_FALSE(changer.IsChanged());
    EXPECT_TRUE(changer.Reset());
    EXPECT_FALSE(changer.IsChanged());
    EXPECT_EQ(1, changer.GetKind());
}

TEST(ChangeDisplayTest, DepthZeroMeansDesktop)
{
    CChangeDisplayWin32API changer;
    EXPECT_TRUE(changer.ChangeDisplay(640, 480, 0));
    EXPECT_FALSE(changer.IsChanged());
    EXPECT_TRUE(changer.CanChange(12345, 1, 0)) << "depth 0 is always possible";
}

TEST(ChangeDisplayTest, Depth15IsTestedAs16)
{
    CChangeDisplayWin32API changer;
    int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    EXPECT_EQ(changer.CanChange(width, height, 16), changer.CanChange(width, height, 15));
    EXPECT_FALSE(changer.CanChange(777, 333, 8));
}

TEST(ChangeDisplayTest, FailedChangeStillCountsAsChanged)
{
    CChangeDisplayWin32API changer;
    EXPECT_FALSE(changer.ChangeDisplay(777, 333, 8));
    EXPECT_TRUE(changer.IsChanged()) << "a later Reset must restore the registry mode";
    EXPECT_TRUE(changer.Reset());
    EXPECT_FALSE(changer.IsChanged());
}

}  // namespace
