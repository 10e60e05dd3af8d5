// The default place of a text anchored on a connector segment.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "text/free/SegmentPlacement.h"

using namespace Text;

namespace {

void ExpectPoint(const zq::float8Point& p, double x, double y) {
  EXPECT_DOUBLE_EQ(p.x, x);
  EXPECT_DOUBLE_EQ(p.y, y);
}

TEST(SegmentPlacement, AHorizontalSegmentPutsTheTextAboveTheNearestPoint) {
  const TextPlacement p = SegmentTextPlacement({0, 1000}, {3000, 1000}, true, false, {1500, 1000});
  ExpectPoint(p.anchorPoint, 1500, 1000);
  ExpectPoint(p.textPoint, 1500, 1200);
  EXPECT_EQ(p.origin, OriginBottomLeft);
  // Both flags: the horizontal rule wins.
  EXPECT_EQ(SegmentTextPlacement({0, 1000}, {3000, 1000}, true, true, {0, 0}).origin, OriginBottomLeft);
}

TEST(SegmentPlacement, AVerticalSegmentPutsItToTheRightAndAClickBeyondAnEndTakesTheEnd) {
  const TextPlacement p = SegmentTextPlacement({500, 0}, {500, 2000}, false, true, {700, 2600});
  ExpectPoint(p.anchorPoint, 500, 2000);
  ExpectPoint(p.textPoint, 700, 2000);
  EXPECT_EQ(p.origin, OriginTopLeft);
}

TEST(SegmentPlacement, AnObliqueSegmentChoosesTheCornerByItsDirection) {
  EXPECT_EQ(SegmentTextPlacement({0, 0}, {1000, 1000}, false, false, {500, 500}).origin, OriginBottomRight);
  EXPECT_EQ(SegmentTextPlacement({1000, 1000}, {0, 0}, false, false, {500, 500}).origin, OriginBottomRight);
  const TextPlacement p = SegmentTextPlacement({0, 1000}, {1000, 0}, false, false, {0, 0});
  EXPECT_EQ(p.origin, OriginBottomLeft);
  ExpectPoint(p.anchorPoint, 500, 500);
  ExpectPoint(p.textPoint, 700, 700);
  // A segment of no length anchors at its point.
  ExpectPoint(SegmentTextPlacement({300, 300}, {300, 300}, false, false, {900, 0}).anchorPoint, 300, 300);
}

// A text over a box goes beside its segment off every box: the nearest place that is clear, its
// anchor on the segment; where every place within reach lies over a box, it stays.
TEST(SegmentPlacement, ATextOverABoxGoesToTheNearestPlaceOffEveryBox) {
  const TextBlock::Extent text{950, 450};
  const zq::Rect state(-3000, 300, 0, -1200);  // a state on the left, the segment 3 mm below its top
  const struct {
    const char* what;
    zq::float8Point a, b;
    std::vector<zq::Rect> boxes;
    bool found;
    double farthest;  // how far the text's near edge may lie from the segment
  } rows[] = {
      // A segment 8 mm long between the state and a composite 5 mm higher: the near places above
      // and below touch one box or the other, so the text goes higher, still beside the segment.
      {"short, between two boxes", {0, 0}, {800, 0}, {state, zq::Rect(800, 800, 6800, -4200)}, true, 1000},
      // A long segment with boxes over and under its middle: the text keeps the usual offset,
      // moved along the segment past them.
      {"long, boxes at its middle", {0, 0}, {6000, 0}, {zq::Rect(2000, 1500, 4000, 100), zq::Rect(2000, -100, 4000, -1500)},
       true, 200},
      // Boxes all round, 25 mm each way: no place is clear.
      {"walled in", {0, 0}, {800, 0}, {zq::Rect(-2500, 2500, 3300, 50), zq::Rect(-2500, -50, 3300, -2500)}, false, 0},
  };
  for (const auto& row : rows) {
    TextPlacement p;
    ASSERT_EQ(PlaceOffBoxes(row.a, row.b, true, false, text, row.boxes, p), row.found) << row.what;
    if (!row.found) continue;
    const zq::Rect r = zq::Rect::FromPosSize(TextOriginPoint(p.origin, zq::RoundPoint(p.textPoint), text),
                                             text.width, text.height);
    EXPECT_EQ(AreaOver(r, row.boxes), 0) << row.what;
    EXPECT_EQ(p.anchorPoint.y, 0) << row.what;
    EXPECT_TRUE(row.a.x <= p.anchorPoint.x && p.anchorPoint.x <= row.b.x) << row.what;
    EXPECT_LE(std::min(std::abs(r.bottom), std::abs(r.top)), row.farthest) << row.what;
    EXPECT_TRUE(r.left < row.b.x && r.right > row.a.x) << row.what << ": beside the segment";
  }
}

}  // namespace
