// CRectUpdateRegion: merging, containment, collapse with and without bounds,
// coverage, pending bounds.
#include "surface/RectUpdateRegion.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace {

std::string Rects(const CRectUpdateRegion& r)
{
    std::ostringstream s;
    for (int i = 0; i < r.GetCount(); ++i) {
        const PixelRect e = r.GetRect(i);
        s << (i ? " " : "") << "(" << e.left << "," << e.top << "," << e.right << "," << e.bottom << ")";
    }
    return s.str();
}

TEST(RectUpdateRegion, DisjointRectanglesStaySeparate)
{
    CRectUpdateRegion r;
    r.AddRect(0, 0, 10, 10);
    r.AddRect(20, 0, 30, 10);
    r.AddRectSize(0, 20, 5, 5);
    EXPECT_EQ("(0,0,10,10) (20,0,30,10) (0,20,5,25)", Rects(r));
    EXPECT_FALSE(r.IsWholeDirty());
}

TEST(RectUpdateRegion, EmptyAndContainedRectanglesChangeNothing)
{
    CRectUpdateRegion r;
    r.AddRect(5, 5, 5, 9);
    r.AddRect(5, 5, 9, 5);
    r.AddRect(9, 5, 5, 9);  // inverted
    EXPECT_EQ(0, r.GetCount());
    r.AddRect(0, 0, 10, 10);
    r.AddRect(2, 2, 8, 8);
    r.AddRect(0, 0, 10, 10);
    EXPECT_EQ("(0,0,10,10)", Rects(r));
}

TEST(RectUpdateRegion, OverlappingAndTouchingRectanglesMerge)
{
    CRectUpdateRegion r;
    r.AddRect(0, 0, 10, 10);
    r.AddRect(10, 0, 20, 5);  // touches the right edge
    EXPECT_EQ("(0,0,20,10)", Rects(r));

    // A bridge joins two separate entries into one, in a single pass.
    CRectUpdateRegion s;
    s.AddRect(0, 0, 4, 4);
    s.AddRect(10, 0, 14, 4);
    s.AddRect(30, 30, 31, 31);
    s.AddRect(3, 1, 11, 2);
    EXPECT_EQ("(0,0,14,4) (30,30,31,31)", Rects(s));
}

TEST(RectUpdateRegion, FifthRectangleCollapsesWithoutBounds)
{
    CRectUpdateRegion r;
    for (int i = 0; i < 4; ++i)
        r.AddRect(i * 10, i * 10, i * 10 + 2, i * 10 + 2);
    EXPECT_EQ(4, r.GetCount());
    r.AddRect(100, 0, 101, 1);
    EXPECT_EQ("(0,0,101,32)", Rects(r));
    EXPECT_FALSE(r.IsWholeDirty());
}

TEST(RectUpdateRegion, FifthRectangleMarksTheWholeBoundsDirty)
{
    CRectUpdateRegion r;
    r.SetBounds(0, 0, 200, 100);
    EXPECT_FALSE(r.HasBounds()) << "bounds wait for Reset";
    r.Reset();
    ASSERT_TRUE(r.HasBounds());
    for (int i = 0; i < 5; ++i)
        r.AddRect(i * 10, 0, i * 10 + 2, 2);
    EXPECT_TRUE(r.IsWholeDirty());
    EXPECT_EQ("(0,0,200,100)", Rects(r));
    r.AddRect(500, 500, 600, 600);
    EXPECT_EQ("(0,0,200,100)", Rects(r)) << "nothing more once the whole is dirty";
    r.Reset();
    EXPECT_EQ(0, r.GetCount());
    EXPECT_FALSE(r.IsWholeDirty());
    EXPECT_TRUE(r.HasBounds()) << "bounds stay";
}

TEST(RectUpdateRegion, RectanglesAreClippedToTheBounds)
{
    CRectUpdateRegion r;
    r.SetBounds(0, 0, 100, 50);
    r.Reset();
    r.AddRect(-10, -10, 10, 10);
    r.AddRect(90, 40, 200, 200);
    r.AddRect(150, 0, 160, 10);  // outside
    EXPECT_EQ("(0,0,10,10) (90,40,100,50)", Rects(r));
}

TEST(RectUpdateRegion, CoverageOfTheBoundsMakesTheWholeDirty)
{
    CRectUpdateRegion r;
    r.SetBounds(0, 0, 10, 10);
    r.Reset();
    r.AddRect(0, 0, 10, 5);
    EXPECT_FALSE(r.IsWholeDirty());
    r.AddRect(0, 6, 10, 10);
    EXPECT_FALSE(r.IsWholeDirty()) << "90 of 100 pixels";
    r.AddRect(0, 4, 10, 7);  // merges everything: 100 pixels
    EXPECT_TRUE(r.IsWholeDirty());
    EXPECT_EQ("(0,0,10,10)", Rects(r));

    CRectUpdateRegion first;
    first.SetBounds(0, 0, 10, 10);
    first.Reset();
    first.AddRect(-5, -5, 20, 20);
    EXPECT_TRUE(first.IsWholeDirty()) << "a first rectangle covering the bounds";

    // Areas beyond 32 bits are summed without overflow.
    CRectUpdateRegion big;
    big.SetBounds(0, 0, 100000, 100000);
    big.Reset();
    big.AddRect(0, 0, 100000, 40000);
    big.AddRect(0, 60001, 100000, 100000);
    EXPECT_FALSE(big.IsWholeDirty());
}

TEST(RectUpdateRegion, PendingBoundsTakeEffectAtReset)
{
    CRectUpdateRegion r;
    r.SetBounds(0, 0, 10, 10);
    r.Reset();
    r.SetBounds(0, 0, 100, 100);
    r.AddRect(0, 0, 50, 50);
    EXPECT_EQ("(0,0,10,10)", Rects(r)) << "old bounds until Reset";
    EXPECT_EQ(10, r.GetBounds().right);
    r.Reset();
    EXPECT_EQ(100, r.GetBounds().right);
    r.AddRect(0, 0, 50, 50);
    EXPECT_EQ("(0,0,50,50)", Rects(r));
    EXPECT_EQ(0, r.GetRect(7).right) << "out of range";
}

}  // namespace
