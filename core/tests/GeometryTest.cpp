#include "core/foundation/Geometry.h"
#include "core/foundation/GraphUtil.h"

#include <gtest/gtest.h>

#include <cmath>

using zq::float8Point;
using namespace GraphUtil;

TEST(GeometryRect, ContainsIncludesEdgesWithYUp) {
    const zq::Rect r(0, 100, 200, 0);
    EXPECT_TRUE(r.Contains(zq::Point(0, 0)));
    EXPECT_TRUE(r.Contains(zq::Point(200, 100)));
    EXPECT_FALSE(r.Contains(zq::Point(201, 50)));
    EXPECT_FALSE(r.Contains(zq::Point(50, 101)));
    EXPECT_FALSE(r.Contains(zq::Point(50, -1)));
    EXPECT_TRUE(r.Contains(r));
    EXPECT_TRUE(r.Contains(zq::Rect(0, 100, 200, 100)));
    EXPECT_FALSE(r.Contains(zq::Rect(0, 101, 200, 0)));
    EXPECT_FALSE(r.Contains(zq::Rect(-1, 100, 200, 0)));
}

TEST(GeometryRect, FourSidesAreKeptCornersNormalise) {
    zq::Rect margins(10, 20, 30, 40);  // not normalised: kept as given
    EXPECT_EQ(margins.top, 20);
    EXPECT_EQ(margins.Normalize(), zq::Rect(10, 40, 30, 20));
    EXPECT_EQ(zq::Rect::FromCorners({30, 0}, {10, 50}), zq::Rect(10, 50, 30, 0));
    EXPECT_EQ(zq::Rect::FromPosSize({100, 500}, 300, 200), zq::Rect(100, 500, 400, 300));
}

TEST(GeometryRect, AreaOfLargeBoxesDoesNotOverflow) {
    const zq::Rect big(0, 100000, 100000, 0);  // 1 m square
    EXPECT_EQ(big.Area(), 10000000000LL);
    EXPECT_DOUBLE_EQ(SquaredDistanceToRect(big, float8Point(300000, 0)), 4e10);
}

TEST(GeometryRound, HalfUp) {
    EXPECT_EQ(zq::Round(-0.5), 0);
    EXPECT_EQ(zq::Round(-1.5), -1);
    EXPECT_EQ(zq::Round(2.5), 3);
    EXPECT_EQ(zq::Round(-2.4999), -2);
    EXPECT_EQ(zq::Round(-2.5001), -3);
    EXPECT_EQ(zq::Round(-3.0), -3);
    EXPECT_EQ(zq::Round(0.49999), 0);
    EXPECT_EQ(zq::Round(-0.50001), -1);
    EXPECT_EQ(zq::Round(2000000000.4), 2000000000);
    EXPECT_EQ(zq::Round(-2000000000.6), -2000000001);
    EXPECT_EQ(zq::Round64(5e11 + 0.5), 500000000001LL);
    EXPECT_EQ(zq::Round64(-5e11 - 0.5), -500000000000LL);
    EXPECT_EQ(zq::Round64(-7.2), -7);
    for (double v : {0.0, 0.5, -0.5, 1.5, -1.5, 2.4999, -2.5001, 123456.5, -123456.5, 7.0, -7.0})
        EXPECT_EQ(zq::RoundAway(v), std::round(v)) << v;
    EXPECT_EQ(zq::RoundPoint(float8Point(0.5, -0.5)), zq::Point(1, 0));
    EXPECT_EQ(zq::RoundRect(0.5, 10.4, -0.5, -1.5), zq::Rect(1, 10, 0, -1));
}

TEST(GeometryIsEqual, ToleranceBoundary) {
    // 1 has exponent 1 (0.5 * 2^1): tolerance 2^-44.
    const double tol = std::ldexp(1.0, -44);
    EXPECT_TRUE(IsEqual(1.0, 1.0 + tol * 0.75));
    EXPECT_FALSE(IsEqual(1.0, 1.0 + tol));
    // A zero takes the other's exponent: 2^-976 has exponent -975, so its tolerance is 2^-1020.
    EXPECT_FALSE(IsEqual(0.0, std::ldexp(1.0, -976)));
    EXPECT_TRUE(IsEqual(0.0, 1e-300));  // exponent below -976: tolerance 2^-976
    EXPECT_FALSE(IsEqual(0.0, 1e-10));
    EXPECT_TRUE(IsEqual(0.0, 0.0));
    EXPECT_FALSE(IsEqual(1e-3, 2e-3));
    // The tolerance never gets finer than 2^-976.
    EXPECT_TRUE(IsEqual(std::ldexp(1.0, -1000), std::ldexp(1.0, -1000) + std::ldexp(1.0, -978)));
    EXPECT_TRUE(float8Point(1, 2) == float8Point(1 + tol / 2, 2));
    EXPECT_FALSE(float8Point(1, 2) == float8Point(1, 2.001));
}

TEST(GeometryLines, HorizontalVerticalAndNear) {
    EXPECT_TRUE(IsHorizontal({0, 5}, {10, 5}));
    EXPECT_FALSE(IsHorizontal({0, 5}, {0, 5}));
    EXPECT_TRUE(IsVertical({3, 0}, {3, -7}));
    EXPECT_TRUE(IsNear({10, -10}, {0, 0}, 10));
    EXPECT_FALSE(IsNear({10.5, 0}, {0, 0}, 10));
    // Near a segment: measured to the segment, clamped at its ends.
    EXPECT_TRUE(IsNearSegment({50, 10}, {0, 0}, {100, 0}, 10));
    EXPECT_FALSE(IsNearSegment({50, 11}, {0, 0}, {100, 0}, 10));
    EXPECT_FALSE(IsNearSegment({120, 0}, {0, 0}, {100, 0}, 10));  // on the line, past the end
    EXPECT_TRUE(IsNearSegment({106, 8}, {0, 0}, {100, 0}, 10));
    // A zero-length segment catches only clicks near its point.
    EXPECT_FALSE(IsNearSegment({500, 500}, {0, 0}, {0, 0}, 10));
    EXPECT_TRUE(IsNearSegment({6, 8}, {0, 0}, {0, 0}, 10));
    EXPECT_EQ(ClosestPointOnSegment({0, 0}, {100, 0}, {-50, 20}), float8Point(0, 0));
    EXPECT_EQ(ClosestPointOnSegment({0, 0}, {100, 100}, {100, 0}), float8Point(50, 50));
}

TEST(GeometryInterval, ClampsEitherOrder) {
    const Interval i(10, -5);
    EXPECT_EQ(i.Min(), -5);
    EXPECT_EQ(i.Clamp(20), 10);
    EXPECT_EQ(i.Clamp(-6), -5);
    EXPECT_EQ(i.Clamp(3), 3);
}

class GeometryOutline : public ::testing::Test {
protected:
    void SetUp() override { MakeRectOutline(box, zq::Rect(0, 100, 200, 0)); }
    Outline box;
};

TEST_F(GeometryOutline, RectOutlineRunsClockwiseWithOutwardNormals) {
    ASSERT_EQ(box.size(), 4u);
    EXPECT_EQ(box[0], float8Point(0, 100));
    EXPECT_EQ(box[1], float8Point(200, 100));
    EXPECT_EQ(box[2], float8Point(200, 0));
    EXPECT_EQ(box[3], float8Point(0, 0));
    const OutlineHit top = NearestOutlinePoint(box, {50, 130}, false, false);
    EXPECT_EQ(top.point, float8Point(50, 100));
    EXPECT_GT(top.normal.y, 0);
    EXPECT_EQ(top.normal.x, 0);
}

TEST_F(GeometryOutline, HorizontalProjectionPrefersHitsOnTheLine) {
    // Keeping y = 40 from inside: the left and right edges are hit on the line; the left is nearer.
    const OutlineProjection p = ProjectOntoOutline(box, {30, 40}, true);
    EXPECT_EQ(p.best.point, float8Point(0, 40));
    EXPECT_LT(p.best.normal.x, 0);  // left edge faces left
    EXPECT_EQ(p.before.point, float8Point(0, 40));
    EXPECT_EQ(p.after.point, float8Point(200, 40));
    // From the right, outside: the right edge.
    EXPECT_EQ(ProjectOntoOutline(box, {260, 70}, true).best.point, float8Point(200, 70));
}

TEST_F(GeometryOutline, ProjectionAboveTheBoxFallsBackToTheNearestHit) {
    // y = 150 lies on no edge: vertical edges clamp to (x, 100), horizontal edges give their nearer end.
    const OutlineProjection p = ProjectOntoOutline(box, {150, 150}, true);
    EXPECT_EQ(p.best.point, float8Point(200, 100));
    EXPECT_NEAR(p.best.distance, std::hypot(50, 50), 1e-9);
}

TEST_F(GeometryOutline, HorizontalEdgeTieTakesTheSecondEnd) {
    // On the top edge keeping y: both ends are 100 away in x; the second end (200, 100) wins the edge.
    const Outline line{{0, 100}, {200, 100}};
    const OutlineProjection p = ProjectOntoOutline(line, {100, 100}, true);
    EXPECT_EQ(p.best.point, float8Point(200, 100));
}

TEST_F(GeometryOutline, SlantedEdgeUsesTheHeightOrTheNearerEnd) {
    const Outline tri{{0, 0}, {100, 100}, {200, 0}};
    EXPECT_EQ(ProjectOntoOutline(tri, {0, 50}, true).best.point, float8Point(50, 50));
    EXPECT_EQ(ProjectOntoOutline(tri, {0, 150}, true).best.point, float8Point(100, 100));
    // Keeping x: the bottom edge (a horizontal line seen from the other axis) at x clamped.
    EXPECT_EQ(ProjectOntoOutline(tri, {120, -40}, false).best.point, float8Point(120, 0));
}

TEST_F(GeometryOutline, NearestOutlinePointFlags) {
    // (190, 60): horizontal projection hits the right edge 10 away, vertical the top edge 40 away.
    EXPECT_EQ(NearestOutlinePoint(box, {190, 60}, false, false).point, float8Point(200, 60));
    EXPECT_EQ(NearestOutlinePoint(box, {190, 60}, false, true).point, float8Point(190, 100));  // keep x only
    EXPECT_EQ(NearestOutlinePoint(box, {10, 60}, true, true).point, float8Point(0, 60));      // keep y wins
    // Equal distances: the projection that keeps x.
    EXPECT_EQ(NearestOutlinePoint(box, {190, 90}, false, false).point, float8Point(190, 100));
    EXPECT_FALSE(NearestOutlinePoint(Outline{}, {0, 0}, false, false).valid);
}

TEST_F(GeometryOutline, MapOutlinePointFollowsTheEdge) {
    Outline grown;
    MakeRectOutline(grown, zq::Rect(0, 100, 400, 0));
    EXPECT_EQ(MapOutlinePoint(grown, box, {200, 40}), float8Point(400, 40));  // right edge moved
    EXPECT_EQ(MapOutlinePoint(grown, box, {150, 100}), float8Point(150, 100));
    Outline narrowed;  // the left side moved past the point: clamped, or at its relative place on the top
    MakeRectOutline(narrowed, zq::Rect(100, 100, 200, 0));
    EXPECT_EQ(MapOutlinePoint(narrowed, box, {50, 100}), float8Point(100, 100));
    EXPECT_EQ(MapOutlinePoint(narrowed, box, {50, 100}, true), float8Point(125, 100));
    EXPECT_EQ(MapOutlinePoint(narrowed, box, {1, 100}, true), float8Point(101, 100));  // a whole unit
    const Outline tri{{0, 0}, {100, 100}, {200, 0}};
    const Outline tri2{{0, 0}, {200, 200}, {400, 0}};
    EXPECT_EQ(MapOutlinePoint(tri2, tri, {50, 50}), float8Point(100, 100));
    // Different sizes: unchanged. A zero-length edge divides by nothing.
    EXPECT_EQ(MapOutlinePoint(tri, box, {1, 2}), float8Point(1, 2));
    const Outline dot{{5, 5}, {5, 5}}, slanted{{0, 0}, {10, 20}};
    EXPECT_EQ(MapOutlinePoint(slanted, dot, {5, 5}), float8Point(0, 0));
}

TEST_F(GeometryOutline, EllipseProjection) {
    const zq::Rect r(-100, 50, 100, -50);  // radii 100 and 50 around the origin
    EXPECT_EQ(ProjectOntoEllipse(r, {300, 0}, true).point, float8Point(100, 0));
    EXPECT_EQ(ProjectOntoEllipse(r, {-300, 0}, true).point, float8Point(-100, 0));
    EXPECT_EQ(ProjectOntoEllipse(r, {0, 400}, false).point, float8Point(0, 50));
    const OutlineHit h = ProjectOntoEllipse(r, {10, 25}, true);
    EXPECT_EQ(h.point, float8Point(100 * std::sqrt(0.75), 25));
    EXPECT_GT(h.normal.x, 0);
    EXPECT_EQ(ProjectOntoEllipse(r, {0, 80}, true).point, float8Point(0, 50));  // beyond the top
}

TEST_F(GeometryOutline, IntersectOutlineCarriesPointsThroughAReshape) {
    Outline moved;
    MakeRectOutline(moved, zq::Rect(1000, 300, 1400, 100));
    const OutlineHit h = IntersectOutline({200, 50}, box, moved);
    EXPECT_TRUE(h.valid);
    EXPECT_EQ(h.point, float8Point(1400, 200));
}

TEST(GeometryPlacement, PlaceOutsideOutline) {
    const zq::Rect r(0, 1000, 2000, 0);
    // Pointer right of the box: the box goes to the right side, y from the grab offset.
    EXPECT_EQ(PlaceOutsideOutline({300, 200}, {2100, 500}, {0, 50}, r), zq::Point(2000, 450));
    // Pointer left: the box's right side touches the left edge.
    EXPECT_EQ(PlaceOutsideOutline({300, 200}, {-100, 500}, {0, 0}, r), zq::Point(-300, 500));
    // Pointer above: on top, its bottom on the top edge.
    EXPECT_EQ(PlaceOutsideOutline({300, 200}, {1000, 1100}, {20, 0}, r), zq::Point(980, 1200));
    // Pointer below.
    EXPECT_EQ(PlaceOutsideOutline({300, 200}, {1000, -50}, {0, 0}, r), zq::Point(1000, 0));
}

TEST(GeometryPlacement, FollowOwnerSide) {
    const zq::Rect o(0, 1000, 2000, 0);
    const zq::Rect n(0, 1000, 1000, 500);
    // Below the old box: goes to the new bottom, clamped into the new width.
    EXPECT_EQ(FollowOwnerSide(o, n, zq::Rect(1500, 0, 1800, -200)), zq::Point(700, 500));
    // Right of the old box: x to the new right; y clamped when it sticks out below.
    EXPECT_EQ(FollowOwnerSide(o, n, zq::Rect(2000, 400, 2300, 200)), zq::Point(1000, 700));
    EXPECT_EQ(FollowOwnerSide(o, n, zq::Rect(2000, 1200, 2300, 1000)), zq::Point(1000, 1000));
    // Above and left.
    EXPECT_EQ(FollowOwnerSide(o, n, zq::Rect(-100, 1200, 200, 1000)), zq::Point(0, 1200));
    EXPECT_EQ(FollowOwnerSide(o, n, zq::Rect(-300, 900, 0, 700)), zq::Point(-300, 900));
    // Touching nothing: unchanged.
    EXPECT_EQ(FollowOwnerSide(o, n, zq::Rect(5000, 900, 5300, 700)), zq::Point(5000, 900));
}
