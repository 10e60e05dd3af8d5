// The default place of a text anchored on a connector segment.
#include <gtest/gtest.h>

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

}  // namespace
