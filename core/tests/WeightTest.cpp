// Hit weights: the three rules between Area weights (with boxes larger than 500 mm, whose areas do not
// fit 32 bits), the order across kinds, bias and promotion of selected elements.
#include "core/tests/SelectionTestKinds.h"

#include <gtest/gtest.h>

using namespace Core;

namespace {

// A box of w by h units with its top-left corner at (x, y).
zq::Rect Box(int32_t x, int32_t y, int32_t w, int32_t h) { return zq::Rect::FromPosSize({x, y}, w, h); }

constexpr int32_t kTol = 100;

TEST(WeightArea, NestedBoxesThatBothHoldThePointLetTheInnerOneWin)
{
    // 700 mm and 600 mm boxes: 4.9e9 and 3.6e9 square units.
    const zq::Point p(30000, -30000);
    Weight outer = Weight::MakeArea(p, kTol, Box(0, 0, 70000, 70000));
    Weight inner = Weight::MakeArea(p, kTol, Box(5000, -5000, 60000, 60000));
    EXPECT_TRUE(inner > outer);
    EXPECT_FALSE(outer > inner);
    EXPECT_TRUE(Weight::IsLower(outer, inner));
}

TEST(WeightArea, RuleOneTheLargerIsLowerWhenThePointMissesIt)
{
    // A is the larger (rule 1 from A's side): A's point outside A's grown rectangle makes A lower even
    // though B's point misses B too and A does not contain B.
    Weight a = Weight::MakeArea({-1000, 1000}, kTol, Box(0, 0, 80000, 80000));
    Weight b = Weight::MakeArea({-1000, 1000}, kTol, Box(100000, 0, 60000, 60000));
    EXPECT_TRUE(Weight::IsLower(a, b));
    // The point within the tolerance of the larger box counts as inside it.
    Weight a2 = Weight::MakeArea({-100, 100}, kTol, Box(0, 0, 80000, 80000));
    Weight b2 = Weight::MakeArea({-100, 100}, kTol, Box(100000, 0, 60000, 60000));
    EXPECT_FALSE(Weight::IsLower(a2, b2));
    EXPECT_TRUE(a2 > b2);
    // One unit further out it does not.
    Weight a3 = Weight::MakeArea({-101, 100}, kTol, Box(0, 0, 80000, 80000));
    Weight b3 = Weight::MakeArea({-101, 100}, kTol, Box(100000, 0, 60000, 60000));
    EXPECT_TRUE(b3 > a3);
}

TEST(WeightArea, RuleTwoTheSmallerWinsUnlessTheLargerContainsItOrThePointMissesIt)
{
    // A smaller, its point far outside; B larger and B's point inside B: A is lower.
    Weight a = Weight::MakeArea({200000, 0}, kTol, Box(0, 0, 60000, 60000));
    Weight b = Weight::MakeArea({200000, 0}, kTol, Box(150000, 10000, 70000, 70000));
    EXPECT_TRUE(Weight::IsLower(a, b));
    EXPECT_TRUE(b > a);
    // B contains A (touching edges count): A is not lower although A's point misses A.
    Weight a2 = Weight::MakeArea({65000, -1000}, kTol, Box(0, 0, 60000, 60000));
    Weight b2 = Weight::MakeArea({65000, -1000}, kTol, Box(0, 0, 70000, 70000));
    EXPECT_FALSE(Weight::IsLower(a2, b2));
    EXPECT_TRUE(a2 > b2);
    // B's point outside B's grown rectangle: A is not lower.
    Weight a3 = Weight::MakeArea({-90000, 0}, kTol, Box(0, 0, 60000, 60000));
    Weight b3 = Weight::MakeArea({-90000, 0}, kTol, Box(150000, 0, 70000, 70000));
    EXPECT_TRUE(a3 > b3);
}

TEST(WeightArea, RuleThreeEqualAreasTheNearerWinsThenTheHigherBias)
{
    const zq::Point p(60500, -100);
    Weight left = Weight::MakeArea(p, kTol, Box(0, 0, 60000, 60000));       // 500 away
    Weight right = Weight::MakeArea(p, kTol, Box(61000, 0, 60000, 60000));  // also 500 away
    EXPECT_TRUE(Equivalent(left, right));
    EXPECT_FALSE(left > right);
    Weight promoted = right;
    // AddBias takes only the other weight's bias.
    Weight biased = Weight::MakeArea(p, 0, Box(0, 0, 1, 1));
    SelKinds::Fixture f;
    SelKinds::TestView view;
    f.diagram.AttachView(view);
    auto sheet = f.AddSheet(Box(0, 0, 10, 10));
    sheet->SelectInView(view, true);
    biased.PromoteIfSelected(view, *sheet);
    EXPECT_EQ(biased.GetBias(), 1);
    promoted.AddBias(biased);
    EXPECT_EQ(promoted.GetBias(), 1);
    EXPECT_TRUE(promoted > left);
    EXPECT_FALSE(left > promoted);
    // Nearer beats bias.
    Weight nearer = Weight::MakeArea(p, kTol, Box(500, 0, 60000, 60000));  // contains the point
    EXPECT_TRUE(nearer > promoted);
}

TEST(WeightKinds, InvisibleIsLowestControlHighestTextAboveTheRest)
{
    const zq::Point p(0, 0);
    Weight invisible;
    Weight area = Weight::MakeArea(p, kTol, Box(-10, 10, 20, 20));
    Weight lineOn = Weight::MakeLine(p, kTol, {-100, 50}, {100, 50});
    Weight lineOff = Weight::MakeLine(p, kTol, {-100, 500}, {100, 500});
    Weight point = Weight::MakePoint(p, kTol, {20, 20});
    Weight text = Weight::MakeText(p, Box(-10, 10, 20, 20));
    Weight control = Weight::MakeControl(p, {5, 5});
    EXPECT_TRUE(area > invisible);
    EXPECT_TRUE(lineOff > invisible);
    EXPECT_TRUE(lineOn > area);
    EXPECT_TRUE(point > area);
    EXPECT_TRUE(area > lineOff);
    EXPECT_TRUE(text > lineOn);
    EXPECT_TRUE(text > point);
    EXPECT_TRUE(control > text);
    EXPECT_FALSE(invisible > invisible);
    EXPECT_TRUE(Equivalent(invisible, Weight()));
}

TEST(WeightKinds, SameKindsCompareByDistanceThenBias)
{
    const zq::Point p(0, 0);
    Weight nearHandle = Weight::MakeControl(p, {10, 0});
    Weight farHandle = Weight::MakeControl(p, {30, 0});
    EXPECT_TRUE(nearHandle > farHandle);
    Weight text1 = Weight::MakeText(p, Box(0, 0, 10, 10));
    Weight text2 = Weight::MakeText(p, Box(50, 0, 10, 10));
    EXPECT_TRUE(Equivalent(text1, text2));
    Weight invisible;
    invisible.AddBias(text1);
    EXPECT_EQ(invisible.GetBias(), 0);
}

} // namespace
