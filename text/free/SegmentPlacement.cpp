#include "text/free/SegmentPlacement.h"

#include <algorithm>
#include <cmath>

#include "view/connector/Interfaces.h"

namespace Text {

namespace {
// How far a segment's text lies from its anchor.
constexpr double kOffset = 200;
}  // namespace

TextPlacement SegmentTextPlacement(const zq::float8Point& p1, const zq::float8Point& p2, bool horizontal,
                                   bool vertical, const zq::float8Point& q) {
  const double dx = p2.x - p1.x, dy = p2.y - p1.y;
  const double length2 = dx * dx + dy * dy;
  double t = length2 > 0 ? ((q.x - p1.x) * dx + (q.y - p1.y) * dy) / length2 : 0;
  t = std::clamp(t, 0.0, 1.0);
  TextPlacement placement;
  placement.anchorPoint = {p1.x + t * dx, p1.y + t * dy};
  const zq::float8Point& k = placement.anchorPoint;
  if (horizontal) {
    placement.textPoint = {k.x, k.y + kOffset};
    placement.origin = OriginBottomLeft;
  } else if (vertical) {
    placement.textPoint = {k.x + kOffset, k.y};
    placement.origin = OriginTopLeft;
  } else {
    placement.textPoint = {k.x + kOffset, k.y + kOffset};
    placement.origin = (dx > 0 && dy > 0) || (dx < 0 && dy < 0) ? OriginBottomRight : OriginBottomLeft;
  }
  return placement;
}

TextPlacement GetSegmentTextPlacement(const Connector::ISegment& segment, const zq::float8Point& point) {
  Connector::ISegmentEnd* a = nullptr;
  Connector::ISegmentEnd* b = nullptr;
  if (!segment.GetEnds(a, b)) return SegmentTextPlacement(point, point, false, false, point);
  return SegmentTextPlacement(a->GetPoint(), b->GetPoint(), segment.IsHorizontalOrtho(), segment.IsVerticalOrtho(),
                              point);
}

zq::float8Point SegmentLineMap(const zq::float8Point& a0, const zq::float8Point& b0, const zq::float8Point& a,
                               const zq::float8Point& b, bool orthogonal, const zq::float8Point& p) {
  zq::float8Point r = p;
  const double ax = a.x - a0.x, ay = a.y - a0.y;
  if (orthogonal && std::abs(b.x - b0.x - ax) < 1e-6 && std::abs(b.y - b0.y - ay) < 1e-6) {
    r = {p.x + ax, p.y + ay};  // moved whole, the segment takes the point along
  } else if (!orthogonal) {
    const double d0x = b0.x - a0.x, d0y = b0.y - a0.y;
    const double dx = b.x - a.x, dy = b.y - a.y;
    if (d0x == 0 && d0y == 0) {
      r = {a.x + dx / 2, a.y + dy / 2};
    } else {
      const double t = std::abs(d0x) > std::abs(d0y) ? (p.x - a0.x) / d0x : (p.y - a0.y) / d0y;
      r = {a.x + t * dx, a.y + t * dy};
    }
  }
  r.x = std::clamp(r.x, std::min(a.x, b.x), std::max(a.x, b.x));
  r.y = std::clamp(r.y, std::min(a.y, b.y), std::max(a.y, b.y));
  return r;
}

bool RunsAlong(const zq::float8Point& a, const zq::float8Point& b, const zq::float8Point& p) {
  const double dx = b.x - a.x, dy = b.y - a.y, length = std::hypot(dx, dy);
  if (length == 0) return p == a;
  return std::abs(dx * (p.y - a.y) - dy * (p.x - a.x)) / length <= 0.5;
}

}  // namespace Text
