// Resizing by handles: where the handles sit, the free sides with their minimums, the centred mode,
// ratio-keeping corners in all four directions and the followers of a multiple selection.
#include "core/DefaultGrid.h"
#include "view/ResizeGeometry.h"

#include <gtest/gtest.h>

namespace {

using namespace View::Resize;
const Core::IGrid& grid = View::DefaultGrid::Instance();

TEST(ResizeGeometry, HandlesSitAtCornersAndTruncatedHalves)
{
    const zq::Point size{301, 301};
    EXPECT_EQ(HandleOffset(North, size), zq::Point(150, 0));
    EXPECT_EQ(HandleOffset(South, size), zq::Point(150, -301));
    EXPECT_EQ(HandleOffset(West, size), zq::Point(0, -150));
    EXPECT_EQ(HandleOffset(East, size), zq::Point(301, -150));
    EXPECT_EQ(HandleOffset(NorthWest, size), zq::Point(0, 0));
    EXPECT_EQ(HandleOffset(NorthEast, size), zq::Point(301, 0));
    EXPECT_EQ(HandleOffset(SouthWest, size), zq::Point(0, -301));
    EXPECT_EQ(HandleOffset(SouthEast, size), zq::Point(301, -301));
    EXPECT_EQ(ElementRect({100, 500}, {301, 200}), zq::Rect(100, 500, 401, 300));
}

TEST(ResizeGeometry, AFreeSideStopsAtTheMinimumFromTheFixedOne)
{
    SideFlags flags;
    // The east handle of a 1000-wide element dragged beyond its left edge.
    zq::Rect r = CalcFreeRect({0, 500, 1000, 0}, {-500, 250}, HSide::East, VSide::Null, false, 300, 300, grid, flags);
    EXPECT_EQ(r, zq::Rect(0, 500, 300, 0));
    EXPECT_TRUE(flags.right);
    EXPECT_FALSE(flags.left || flags.top || flags.bottom);

    SideFlags f2;
    r = CalcFreeRect({0, 1000, 1000, 0}, {400, -500}, HSide::Null, VSide::North, false, 300, 300, grid, f2);
    EXPECT_EQ(r, zq::Rect(0, 300, 1000, 0));
    r = CalcFreeRect({0, 1000, 1000, 0}, {420, 1651}, HSide::West, VSide::South, false, 300, 300, grid, f2);
    EXPECT_EQ(r, zq::Rect(400, 1000, 1000, 700));  // pointer snapped to (400, 1700), the bottom stops 300 below the top
    EXPECT_TRUE(f2.top && f2.left && f2.bottom);
    EXPECT_FALSE(f2.right);
}

TEST(ResizeGeometry, CentredModeMirrorsTheLeftAndRightSides)
{
    SideFlags flags;
    zq::Rect r = CalcFreeRect({1000, 500, 2000, 0}, {2200, 250}, HSide::East, VSide::Null, true, 300, 300, grid, flags);
    EXPECT_EQ(r, zq::Rect(800, 500, 2200, 0));  // 400 wider, centre kept at 1500
    r = CalcFreeRect({1000, 500, 2000, 0}, {900, 250}, HSide::West, VSide::Null, true, 300, 300, grid, flags);
    EXPECT_EQ(r, zq::Rect(900, 500, 2100, 0));
    // Dragged onto the other side: the width stops at the grid-rounded minimum, centred.
    r = CalcFreeRect({1000, 500, 2000, 0}, {1000, 250}, HSide::East, VSide::Null, true, 300, 300, grid, flags);
    EXPECT_EQ(r, zq::Rect(1300, 500, 1700, 0));
    // The top and bottom always move alone.
    SideFlags f2;
    r = CalcFreeRect({1000, 500, 2000, 0}, {1500, 900}, HSide::Null, VSide::North, true, 300, 300, grid, f2);
    EXPECT_EQ(r, zq::Rect(1000, 900, 2000, 0));
}

TEST(ResizeGeometry, KeepRatioFollowsTheWidthBelowTheRatioLineAndTheHeightAbove)
{
    const zq::Rect r{0, 1000, 2000, 0};  // ratio 0.5
    SideFlags flags;
    EXPECT_EQ(CalcKeepRatioRect(Corner::NorthEast, r, {3000, 1200}, 300, 300, grid, 0.5, flags),
              zq::Rect(0, 1500, 3000, 0));
    EXPECT_TRUE(flags.right && flags.top);
    EXPECT_FALSE(flags.left || flags.bottom);
    EXPECT_EQ(CalcKeepRatioRect(Corner::NorthEast, r, {2200, 2000}, 300, 300, grid, 0.5, flags),
              zq::Rect(0, 2000, 4000, 0));
    // The minimum width follows from the minimum height through the ratio.
    EXPECT_EQ(CalcKeepRatioRect(Corner::NorthEast, r, {-5000, -5000}, 300, 300, grid, 0.5, flags),
              zq::Rect(0, 300, 600, 0));
}

TEST(ResizeGeometry, EveryCornerKeepsTheOppositeCornerAndTheRatio)
{
    const zq::Rect r{0, 1000, 2000, 0};
    SideFlags sw, nw, se;
    EXPECT_EQ(CalcKeepRatioRect(Corner::SouthWest, r, {-1000, -500}, 300, 300, grid, 0.5, sw),
              zq::Rect(-1000, 1000, 2000, -500));
    EXPECT_TRUE(sw.left && sw.bottom && !sw.right && !sw.top);
    EXPECT_EQ(CalcKeepRatioRect(Corner::NorthWest, r, {-1000, 1500}, 300, 300, grid, 0.5, nw),
              zq::Rect(-1000, 1500, 2000, 0));
    EXPECT_TRUE(nw.left && nw.top && !nw.right && !nw.bottom);
    EXPECT_EQ(CalcKeepRatioRect(Corner::SouthEast, r, {3000, -500}, 300, 300, grid, 0.5, se),
              zq::Rect(0, 1000, 3000, -500));
    EXPECT_TRUE(se.right && se.bottom && !se.left && !se.top);
}

TEST(ResizeGeometry, FollowersTakeTheMastersSizeOnTheMovedSides)
{
    SideFlags flags;
    flags.right = flags.bottom = true;
    // Top-left corner kept, the master's width and height taken.
    EXPECT_EQ(FollowerRect({5000, 800, 6000, 300}, {0, 1000, 3000, -500}, flags, false),
              zq::Rect(5000, 800, 8000, -700));
    SideFlags west;
    west.left = true;
    EXPECT_EQ(FollowerRect({5000, 800, 6000, 300}, {0, 1000, 3000, -500}, west, false),
              zq::Rect(3000, 800, 6000, 300));
    // Centred: the follower keeps its own horizontal centre.
    SideFlags east;
    east.right = true;
    EXPECT_EQ(FollowerRect({0, 500, 1000, 0}, {800, 500, 2201, 0}, east, true), zq::Rect(-200, 500, 1201, 0));
}

} // namespace
