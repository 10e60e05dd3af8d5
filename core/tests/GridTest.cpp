// The default grid: points to the nearest grid point (halves toward zero), rectangles outward,
// sizes and lengths upward, and values at the ends of the 32-bit range.
#include "core/DefaultGrid.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

const View::DefaultGrid& grid = View::DefaultGrid::Instance();

TEST(DefaultGrid, SnapPointTakesTheNearestMultipleAndHalvesGoTowardZero)
{
    const std::pair<int32_t, int32_t> cases[] = {
        {0, 0},     {49, 0},     {50, 0},     {51, 100},   {-50, 0},     {-51, -100},   {150, 100},
        {151, 200}, {-150, -100}, {-151, -200}, {250, 200}, {-250, -200}, {1234, 1200}, {-1266, -1300},
    };
    for (auto [in, out] : cases) {
        EXPECT_EQ(grid.SnapPoint({in, 0}).x, out) << in;
        EXPECT_EQ(grid.SnapPoint({0, in}).y, out) << in;
    }
}

TEST(DefaultGrid, SnapRectGrowsOutwardAndKeepsRectanglesOnTheGrid)
{
    EXPECT_EQ(grid.SnapRect(zq::Rect(0, 200, 300, -100)), zq::Rect(0, 200, 300, -100));
    EXPECT_EQ(grid.SnapRect(zq::Rect(1, 50, 99, 1)), zq::Rect(0, 100, 100, 0));
    EXPECT_EQ(grid.SnapRect(zq::Rect(-1, -1, -99, -199)), zq::Rect(-100, 0, 0, -200));
    // A rectangle given upside down is normalised first, then grown.
    EXPECT_EQ(grid.SnapRect(zq::Rect(99, 1, 1, 50)), zq::Rect(0, 100, 100, 0));
}

TEST(DefaultGrid, SizesAndLengthsRoundUpAlsoWhenNegative)
{
    EXPECT_EQ(grid.SnapSize({101, 100}), zq::Point(200, 100));
    EXPECT_EQ(grid.SnapSize({1, 0}), zq::Point(100, 0));
    EXPECT_EQ(grid.SnapSize({-150, -199}), zq::Point(-100, -100));
    EXPECT_EQ(grid.SnapLength(101), 200);
    EXPECT_EQ(grid.SnapLength(-150), -100);
    EXPECT_EQ(grid.SnapLength(-100), -100);
    EXPECT_EQ(grid.SnapLength(0), 0);
}

TEST(DefaultGrid, ExtremeValuesStayInRangeOnTheGrid)
{
    const int32_t max = std::numeric_limits<int32_t>::max(), min = std::numeric_limits<int32_t>::min();
    for (int32_t v : {max, min, max - 49, min + 49}) {
        EXPECT_EQ(grid.SnapPoint({v, v}).x % 100, 0) << v;
        EXPECT_EQ(grid.SnapLength(v) % 100, 0) << v;
    }
    EXPECT_EQ(grid.SnapPoint({min, 0}).x, -2147483600);
    EXPECT_EQ(grid.SnapRect(zq::Rect(min, max, max, min)), zq::Rect(-2147483600, 2147483600, 2147483600, -2147483600));
}

TEST(DefaultGrid, IsOneInstance)
{
    EXPECT_EQ(&View::DefaultGrid::Instance(), &grid);
}

} // namespace
