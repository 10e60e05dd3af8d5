// Plane geometry helpers of the model: tolerant comparison, near tests, segments, intervals and
// the outlines (closed point lists) that connector ends attach to.
#pragma once

#include "core/foundation/Geometry.h"

#include <cstddef>
#include <vector>

namespace GraphUtil {

// A closed polygon: each point joined to the next, the last to the first.
using Outline = std::vector<zq::float8Point>;

// y equal and x not (tolerantly).
bool IsHorizontal(const zq::float8Point& a, const zq::float8Point& b);
// x equal and y not (tolerantly).
bool IsVertical(const zq::float8Point& a, const zq::float8Point& b);

// The point lies in the square of half-size d around the centre (edges included).
bool IsNear(const zq::float8Point& point, const zq::float8Point& centre, double d);
// The point lies within the tolerance of the segment a-b (its ends included; a zero-length
// segment only within the tolerance of its point).
bool IsNearSegment(const zq::float8Point& point, const zq::float8Point& a, const zq::float8Point& b, double tolerance);
// The point of the segment a-b closest to p, the parameter clamped to 0..1.
zq::float8Point ClosestPointOnSegment(const zq::float8Point& a, const zq::float8Point& b, const zq::float8Point& p);
// Squared distance from p to the segment a-b.
double SquaredDistanceToSegment(const zq::float8Point& a, const zq::float8Point& b, const zq::float8Point& p);
// Squared distance from p to the rectangle (0 inside or on an edge), in 64-bit-safe doubles.
double SquaredDistanceToRect(const zq::Rect& r, const zq::float8Point& p);

// A closed interval of doubles kept as (min, max).
class Interval {
public:
    // The interval between a and b, whichever is larger.
    Interval(double a, double b) : min_(a < b ? a : b), max_(a < b ? b : a) {}
    double Min() const { return min_; }
    double Max() const { return max_; }
    // The value clamped into [min, max].
    double Clamp(double v) const { return v < min_ ? min_ : (v > max_ ? max_ : v); }
    // min <= v <= max.
    bool Contains(double v) const { return v >= min_ && v <= max_; }

private:
    double min_;
    double max_;
};

// Fills the outline with the rectangle's corners top-left, top-right, bottom-right, bottom-left
// (clockwise with y up, so edge normals point outward).
void MakeRectOutline(Outline& outline, const zq::Rect& r);

// One hit of a projection onto an outline.
struct OutlineHit {
    bool valid = false;        // false when the outline has no points (or the side had no hit)
    zq::float8Point point;     // the hit
    zq::float8Vector normal;   // edge direction (dx, dy) turned to (-dy, dx); outward on clockwise outlines
    double distance = 0;       // distance from the projected point
    std::size_t edge = 0;      // index of the edge's first point
};

// The result of projecting a point onto an outline along one axis.
struct OutlineProjection {
    OutlineHit best;    // the winning hit (preferred hits on the projection line, then the nearest, first on ties)
    OutlineHit before;  // the nearest hit at or below the point along the axis (smaller x, or smaller y)
    OutlineHit after;   // the nearest hit at or above the point along the axis
};

// Projects p onto every edge of the outline, keeping p's y when keepY is set (a horizontal
// projection), else keeping p's x.
OutlineProjection ProjectOntoOutline(const Outline& outline, const zq::float8Point& p, bool keepY);
// Overload filling an out parameter.
inline void ProjectOntoOutline(OutlineProjection& out, const Outline& outline, const zq::float8Point& p, bool keepY) {
    out = ProjectOntoOutline(outline, p, keepY);
}

// The nearer of the horizontal and the vertical projection (the vertical one on a tie); with keepY
// set only the horizontal one, with only keepX set only the vertical one. Callers pass a segment's
// horizontal and vertical flags in that order.
OutlineHit NearestOutlinePoint(const Outline& outline, const zq::float8Point& p, bool keepY, bool keepX);

// Carries a point on the old outline to the same edge of the new outline of the same shape (a point
// off the outline goes onto its nearest edge): along a level or plumb edge it keeps its coordinate,
// clamped into the edge, or with `relative`, where the edge no longer spans it, its relative
// position along the edge, rounded to whole units; along a slanted edge its relative position.
zq::float8Point MapOutlinePoint(const Outline& newOutline, const Outline& oldOutline, const zq::float8Point& p,
                                bool relative = false);

// Projects p along one axis (keeping its y when keepY is set) onto the ellipse inscribed in the
// rectangle, on p's side of the centre; the normal is the ellipse's outward gradient.
OutlineHit ProjectOntoEllipse(const zq::Rect& r, const zq::float8Point& p, bool keepY);

// Where a point that lay on the old outline lies on the new one: the ray from the old outline's
// centre through the point, scaled into the new outline's frame, intersected with the new outline.
// Outlines of different sizes or without area give the point unchanged (valid = false).
OutlineHit IntersectOutline(const zq::float8Point& p, const Outline& oldOutline, const Outline& newOutline);
// Overload filling an out parameter.
inline void IntersectOutline(OutlineHit& out, const zq::float8Point& p, const Outline& oldOutline, const Outline& newOutline) {
    out = IntersectOutline(p, oldOutline, newOutline);
}

// Top-left corner of a box of the given size placed outside the rectangle, flush with the side
// nearest to the point, displaced by the grab offset along that side.
zq::Point PlaceOutsideOutline(const zq::Point& boxSize, const zq::Point& point, const zq::Point& grabOffset, const zq::Rect& r);

// The new top-left corner of a box that touched a side of oldRect, after oldRect became newRect:
// on the same side, clamped to that side's extent; unchanged when the box touched no side.
zq::Point FollowOwnerSide(const zq::Rect& oldRect, const zq::Rect& newRect, const zq::Rect& box);

} // namespace GraphUtil
