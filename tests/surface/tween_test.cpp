// Tween counters: the step rules and the quadratic and sine curves.
#include "surface/QuadTween.h"
#include "surface/SineTween.h"
#include "surface/Tween.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

std::vector<int> Sequence(CTween& t)
{
    std::vector<int> v;
    t.SetStep(0);
    v.push_back(t.GetValue());
    while (!t.IsEnd()) {
        t.Next();
        v.push_back(t.GetValue());
    }
    return v;
}

TEST(Tween, StepsAndEnds)
{
    CTween t;
    t.Init(100, 200, 4);
    EXPECT_TRUE(t.IsStart());
    EXPECT_EQ(100, t.GetValue());
    EXPECT_EQ((std::vector<int>{100, 1, 2, 3, 200}), Sequence(t)) << "the value between the ends is the step";
    t.Next();
    EXPECT_EQ(4, t.GetStep()) << "Next at the end stays";
    t.SetStep(-3);
    EXPECT_EQ(3, t.GetStep()) << "absolute value";
    t.SetStep(99);
    EXPECT_EQ(4, t.GetStep()) << "clamped";
    EXPECT_EQ(200, t.GetValue());
    t.SetStep(0);
    t.Prev();
    EXPECT_EQ(0, t.GetStep());
    t.SetStep(INT32_MIN);
    EXPECT_EQ(4, t.GetStep());
    t.Init(0, 10, 0);
    EXPECT_EQ(1, t.GetSteps()) << "0 steps become 1";
    EXPECT_EQ(0, t.GetStart());
    EXPECT_EQ(10, t.GetEnd());
}

TEST(QuadTween, EaseIn)
{
    CQuadTween q;
    q.Init(0, 100, 10);
    EXPECT_EQ((std::vector<int>{0, 1, 4, 9, 16, 25, 36, 49, 64, 81, 100}), Sequence(q));
}

TEST(QuadTween, EaseOut)
{
    CQuadTween q;
    q.Init(0, 100, -10);
    std::vector<int> expected{0};
    for (int a = 1; a < 10; ++a)
        expected.push_back(100 - (10 - a) * (10 - a));
    expected.push_back(100);
    EXPECT_EQ(expected, Sequence(q));
    EXPECT_EQ(10, q.GetSteps());
}

TEST(QuadTween, ShrinkingAndSingleStep)
{
    CQuadTween q;
    q.Init(800, 1600, 1024);
    q.SetStep(512);
    EXPECT_EQ(800 + 200, q.GetValue());
    q.Init(100, 0, 4);
    EXPECT_EQ((std::vector<int>{100, 93, 75, 43, 0}), Sequence(q)) << "truncated toward zero";
    q.Init(3, 9, 0);
    EXPECT_EQ((std::vector<int>{3, 9}), Sequence(q));
    q.Init(0, 1000, INT32_MIN);
    EXPECT_EQ(INT32_MAX, q.GetSteps());
}

TEST(SineTween, QuarterWave)
{
    CSineTween s;
    s.Init(0, 1000, 6);
    // sin(15 k degrees) x 1000, truncated.
    EXPECT_EQ((std::vector<int>{0, 258, 499, 707, 866, 965, 1000}), Sequence(s));
    s.Init(0, 1000, -6);
    // Reversed: sin((6 - k) x 15 degrees) x (0 - 1000) + 1000.
    EXPECT_EQ((std::vector<int>{0, 34, 133, 292, 500, 741, 1000}), Sequence(s));
    s.Init(600, 0, -1024);
    s.SetStep(512);
    EXPECT_EQ(int(std::sin(45 * 0.017453292519943295L) * 600), s.GetValue());
    s.Init(5, 6, 0);
    EXPECT_EQ(1, s.GetSteps());
}

}  // namespace
