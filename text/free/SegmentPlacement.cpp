#include "text/free/SegmentPlacement.h"

#include <algorithm>
#include <cmath>

#include "core/Diagram.h"
#include "core/Transaction.h"
#include "view/connector/Interfaces.h"
#include "view/connector/Routing.h"

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

namespace {
// The side of the squares that boxes are looked up by.
constexpr std::int64_t kCell = 10000;
// How many squares a box may cover before it is looked at always instead.
constexpr std::int64_t kLargeBox = 256;

std::int64_t CellKey(std::int64_t x, std::int64_t y) { return (x << 32) ^ (y & 0xffffffff); }

std::int64_t CellOf(std::int32_t c) { return c >= 0 ? c / kCell : (c - kCell + 1) / kCell; }
}  // namespace

DiagramBoxes::DiagramBoxes(Core::Env& env) {
  for (const Core::ElementPtr& e : env.GetDiagram().Elements()) {
    zq::Rect r;
    if (e->IsDeleted() || dynamic_cast<const Connector::ISegment*>(e.get()) || dynamic_cast<const FreeText*>(e.get()))
      continue;
    if (const auto* box = dynamic_cast<const Core::IResizable*>(e.get())) {
      r = box->GetRect().Normalized();
    } else {
      const auto* shown = dynamic_cast<const Core::IPointable*>(e.get());
      if (dynamic_cast<const Core::ITerminal*>(e.get()) == nullptr || shown == nullptr || !shown->GetBoundingRect(r))
        continue;
      r = r.Normalized();
    }
    if (r.Width() <= 0 || r.Height() <= 0) continue;
    const bool changed = e->IsInTransaction() && Connector::Routing::MovedByTheChange(env, *e);
    boxes_.push_back({e.get(), r, changed});
    changed_ = changed_ || changed;
    if ((CellOf(r.right) - CellOf(r.left) + 1) * (CellOf(r.top) - CellOf(r.bottom) + 1) > kLargeBox) {
      large_.push_back(boxes_.size() - 1);
      continue;
    }
    for (std::int64_t x = CellOf(r.left); x <= CellOf(r.right); ++x)
      for (std::int64_t y = CellOf(r.bottom); y <= CellOf(r.top); ++y) cells_[CellKey(x, y)].push_back(boxes_.size() - 1);
  }
}

std::vector<const DiagramBoxes::Box*> DiagramBoxes::Reaching(const zq::Rect& area, const Connector::IConnector& c) const {
  const zq::Rect a = area.Normalized();
  std::vector<std::size_t> found = large_;
  for (std::int64_t x = CellOf(a.left); x <= CellOf(a.right); ++x)
    for (std::int64_t y = CellOf(a.bottom); y <= CellOf(a.top); ++y)
      if (const auto cell = cells_.find(CellKey(x, y)); cell != cells_.end())
        found.insert(found.end(), cell->second.begin(), cell->second.end());
  std::sort(found.begin(), found.end());
  found.erase(std::unique(found.begin(), found.end()), found.end());
  std::vector<const Box*> reaching;
  for (std::size_t i : found) {
    const Box& box = boxes_[i];
    const zq::Rect& r = box.rect;
    if (r.right < a.left || r.left > a.right || r.top < a.bottom || r.bottom > a.top) continue;
    const bool holds = std::any_of(c.GetEnds().begin(), c.GetEnds().end(), [&](const Connector::IEnd* end) {
      const zq::float8Point p = end->GetPosition();
      return !end->IsDeleted() && end->GetTerminal() != box.element && r.left + 1 < p.x && p.x < r.right - 1 &&
             r.bottom + 1 < p.y && p.y < r.top - 1;
    });
    if (!holds) reaching.push_back(&box);
  }
  return reaching;
}

std::vector<zq::Rect> DiagramBoxes::Near(const zq::Rect& area, const Connector::IConnector& c) const {
  std::vector<zq::Rect> near;
  for (const Box* box : Reaching(area, c)) near.push_back(box->rect);
  return near;
}

bool DiagramBoxes::OverChanged(const zq::Rect& rect, const Connector::IConnector& c) const {
  if (!changed_) return false;
  const std::vector<const Box*> reaching = Reaching(rect, c);
  return std::any_of(reaching.begin(), reaching.end(),
                     [&](const Box* box) { return box->changed && AreaOver(rect, {box->rect}) > 0; });
}

const DiagramBoxes& PassBoxes(Core::Env& env, std::any& pass) {
  if (const auto* boxes = std::any_cast<DiagramBoxes>(&pass)) return *boxes;
  return pass.emplace<DiagramBoxes>(env);
}

double AreaOver(const zq::Rect& rect, const std::vector<zq::Rect>& boxes) {
  const zq::Rect t = rect.Normalized();
  double area = 0;
  for (const zq::Rect& r : boxes) {
    const double w = double(std::min(t.right, r.right)) - std::max(t.left, r.left);
    const double h = double(std::min(t.top, r.top)) - std::max(t.bottom, r.bottom);
    if (w > 0 && h > 0) area += w * h;
  }
  return area;
}

namespace {
// The places beside the anchor k for a text of the size, d off the line: the corner code and the
// corner's point.
std::vector<std::pair<std::int32_t, zq::float8Point>> SidesAt(const zq::float8Point& k, bool horizontal, bool vertical,
                                                              bool rising, TextBlock::Extent size, double d) {
  const double w = size.width, h = size.height;
  if (horizontal)
    return {{OriginBottomLeft, {k.x - w / 2, k.y + d}}, {OriginTopLeft, {k.x - w / 2, k.y - d}},
            {OriginBottomLeft, {k.x, k.y + d}},         {OriginBottomRight, {k.x, k.y + d}},
            {OriginTopLeft, {k.x, k.y - d}},            {OriginTopRight, {k.x, k.y - d}}};
  if (vertical)
    return {{OriginTopLeft, {k.x + d, k.y + h / 2}}, {OriginTopRight, {k.x - d, k.y + h / 2}},
            {OriginTopLeft, {k.x + d, k.y}},         {OriginBottomLeft, {k.x + d, k.y}},
            {OriginTopRight, {k.x - d, k.y}},        {OriginBottomRight, {k.x - d, k.y}}};
  // Off an oblique line: in the two quarters around the anchor that it does not run through.
  if (rising) return {{OriginBottomRight, {k.x + d, k.y + d}}, {OriginTopLeft, {k.x - d, k.y - d}}};
  return {{OriginBottomLeft, {k.x + d, k.y + d}}, {OriginTopRight, {k.x - d, k.y - d}}};
}
}  // namespace

bool PlaceOffBoxes(const zq::float8Point& p1, const zq::float8Point& p2, bool horizontal, bool vertical,
                   TextBlock::Extent size, const std::vector<zq::Rect>& boxes, TextPlacement& placement) {
  const double dx = p2.x - p1.x, dy = p2.y - p1.y, length = std::hypot(dx, dy);
  const bool rising = (dx > 0 && dy > 0) || (dx < 0 && dy < 0);
  constexpr double kStep = 100;
  const int steps = int(length / 2 / kStep);
  // The usual offset first; farther off only where the segment has no room beside it (a short
  // segment between two boxes), up to past boxes of common height.
  for (const double off : {kOffset, 400.0, 700.0, 1000.0, 1500.0, 2000.0})
    for (int i = 0; i <= 2 * steps; ++i) {
      // The middle, then a step farther each way in turn.
      const double along = length > 0 ? 0.5 + (i % 2 ? 1 : -1) * ((i + 1) / 2) * kStep / length : 0;
      const zq::float8Point k{p1.x + along * dx, p1.y + along * dy};
      for (const auto& [origin, corner] : SidesAt(k, horizontal, vertical, rising, size, off)) {
        const zq::Point at = zq::RoundPoint(corner);
        if (AreaOver(zq::Rect::FromPosSize(TextOriginPoint(origin, at, size), size.width, size.height), boxes) > 0)
          continue;
        placement.anchorPoint = k;
        placement.textPoint = {double(at.x), double(at.y)};
        placement.origin = origin;
        return true;
      }
    }
  return false;
}

bool RunsAlong(const zq::float8Point& a, const zq::float8Point& b, const zq::float8Point& p) {
  const double dx = b.x - a.x, dy = b.y - a.y, length = std::hypot(dx, dy);
  if (length == 0) return p == a;
  return std::abs(dx * (p.y - a.y) - dy * (p.x - a.x)) / length <= 0.5;
}

}  // namespace Text
