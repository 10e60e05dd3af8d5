#include "text/free/SegmentPlacement.h"

#include <algorithm>

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

}  // namespace Text
