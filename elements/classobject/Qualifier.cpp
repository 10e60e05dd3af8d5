#include "elements/classobject/Qualifier.h"

#include <cmath>

#include "core/Grid.h"
#include "core/ModelElementSet.h"
#include "core/Transaction.h"
#include "view/compartment/Compartment.h"
#include "view/connector/Interfaces.h"
#include "core/foundation/Cast.h"

namespace ClassObject {

namespace {
// The top-left corner of a box of size (w, h) on the side of the rectangle the point q lies on,
// and where an end at q then goes: to the middle of the box's outer edge.
std::pair<zq::Point, zq::Point> PlaceOnSide(const zq::Rect& r, const zq::Point& q, std::int32_t w, std::int32_t h) {
  if (q.y == r.bottom) return {{q.x - w / 2, q.y}, {q.x, q.y - h}};
  if (q.x == r.left) return {{q.x - w, q.y + h / 2}, {q.x - w, q.y}};
  if (q.y == r.top) return {{q.x - w / 2, q.y + h}, {q.x, q.y + h}};
  if (q.x == r.right) return {{q.x, q.y + h / 2}, {q.x + w, q.y}};
  return {q, q};
}

// The top-left corner of a box of size (w, h) beside a free end at p whose segment leaves by d.
zq::Point PlaceBesideFreeEnd(const zq::Point& p, const zq::float8Point& d, std::int32_t w, std::int32_t h) {
  if (d.y > std::abs(d.x)) return {p.x - w / 2, p.y};
  if (d.y >= -std::abs(d.x)) return std::abs(d.y) < d.x ? zq::Point{p.x - w, p.y + h / 2} : zq::Point{p.x, p.y + h / 2};
  return {p.x - w / 2, p.y + h};
}

// Moves the end to the point as one shift from where it stood before the change.
void ShiftEndTo(Core::Env& env, Connector::IEnd& end, const zq::float8Point& to) {
  const zq::float8Point from = end.GetOldPosition();
  Core::DeferredShiftSet set;
  end.Shift(env, nullptr, {to.x - from.x, to.y - from.y, true, true}, set, false);
}
}  // namespace

zq::Rect KeepOwnerSide(const zq::Rect& r, const zq::Rect& current, const zq::Rect& o) {
  const std::int32_t w = r.Width(), h = r.Height();
  switch (TouchedSide(current, o)) {
    case OwnerSide::Left: return zq::Rect(o.left - w, r.top, o.left, r.bottom);
    case OwnerSide::Right: return zq::Rect(o.right, r.top, o.right + w, r.bottom);
    case OwnerSide::Below: return zq::Rect(r.left, o.bottom, r.right, o.bottom - h);
    case OwnerSide::Above: return zq::Rect(r.left, o.top + h, r.right, o.top);
    default: return r;
  }
}

zq::Point GrowAwayFromOwner(const zq::Rect& current, const zq::Rect& o, const zq::Point& size) {
  zq::Point pos = current.TopLeft();
  const OwnerSide side = TouchedSide(current, o);
  if (side == OwnerSide::Left) pos.x = o.left - size.x;
  else if (side == OwnerSide::Above) pos.y = o.top + size.y;
  return pos;
}

void PlaceAtEnd(Core::Env& env, Core::IResizable& q, Connector::IEnd& end, const Core::IResizable* owner) {
  const zq::Point p = zq::RoundPoint(end.GetPosition());
  const std::int32_t w = q.GetSize().x, h = q.GetSize().y;
  Connector::ISegment* segment = end.GetSegment();
  const Core::IGrid& grid = ::Compartment::GridOf(env);
  if (owner != nullptr) {
    GraphUtil::Outline outline;
    GraphUtil::MakeRectOutline(outline, owner->GetRect());
    const bool h0 = segment != nullptr && segment->IsHorizontalOrtho();
    const bool v0 = segment != nullptr && segment->IsVerticalOrtho();
    const GraphUtil::OutlineHit hit = GraphUtil::NearestOutlinePoint(outline, zq::float8Point(p), h0, v0);
    const zq::Point at = hit.valid ? zq::RoundPoint(hit.point) : p;
    const auto [corner, target] = PlaceOnSide(owner->GetRect(), at, w, h);
    q.SetPos(env, grid.SnapPoint(corner));
    ShiftEndTo(env, end, zq::float8Point(target));
    return;
  }
  zq::float8Point d{0, 0};
  if (segment != nullptr)
    if (Connector::ISegmentEnd* other = segment->OtherEnd(&end)) d = {other->GetPoint().x - p.x, other->GetPoint().y - p.y};
  q.SetPos(env, grid.SnapPoint(PlaceBesideFreeEnd(p, d, w, h)));
}

bool MoveEndOntoOwner(Core::Env& env, Core::ITerminal& owner, Connector::IEnd& end, bool attached) {
  if (!attached) return false;
  GraphUtil::OutlineHit hit;
  const Connector::ISegment* s = end.GetSegment();
  if (owner.GetTerminalOutline(hit, end.GetPosition(), s != nullptr && s->IsHorizontalOrtho()) && hit.valid)
    ShiftEndTo(env, end, hit.point);
  return true;
}

OwnerSide TouchedSide(const zq::Rect& box, const zq::Rect& owner) {
  if (box.left == owner.right) return OwnerSide::Right;
  if (box.top == owner.bottom) return OwnerSide::Below;
  if (box.right == owner.left) return OwnerSide::Left;
  if (box.bottom == owner.top) return OwnerSide::Above;
  return OwnerSide::None;
}

unsigned QualifierHandleMask(const zq::Rect& box, const zq::Rect* owner) {
  if (owner == nullptr) return 255;
  switch (TouchedSide(box, *owner)) {
    case OwnerSide::Right: return 241;
    case OwnerSide::Below: return 124;
    case OwnerSide::Left: return 31;
    case OwnerSide::Above: return 199;
    default: return 255;
  }
}

bool IQualifier::IsNear(const zq::Point& point, std::int32_t tolerance) const {
  return GetRect().Inflated(tolerance).Contains(point);
}

bool IQualifier::GetBoundingRect(zq::Rect& out) const {
  out = GetRect();
  return true;
}

Core::Weight IQualifier::GetWeight(const Core::IView& view, const zq::Point& point, std::int32_t tolerance) const {
  Core::Weight w = Core::Weight::MakeArea(point, tolerance, GetRect());
  if (auto* owner = zq::Cast<const Core::IPointable>(GetOwnerBox())) w.AddBias(owner->GetWeight(view, point, tolerance));
  w.PromoteIfSelected(view, *this);
  return w;
}

bool IQualifier::GetTerminalOutline(GraphUtil::OutlineHit& out, const zq::float8Point& point, bool horizontal) const {
  GraphUtil::Outline outline;
  GraphUtil::MakeRectOutline(outline, GetRect());
  out = GraphUtil::NearestOutlinePoint(outline, point, horizontal, !horizontal);
  return out.valid;
}

void IQualifier::GetOutline(std::vector<zq::Point>& outline, bool old) const {
  const zq::Rect r = old ? GetOldRect() : GetRect();
  outline = {r.TopLeft(), {r.right, r.top}, {r.right, r.bottom}, {r.left, r.bottom}};
}

bool IQualifier::IsCompletelySelectedImp(const Core::ModelElementSet& set) {
  if (set.Contains(this)) return true;
  Core::IResizable* owner = GetOwnerBox();
  return owner != nullptr && owner->IsCompletelySelected(set);
}

void IQualifier::UpdateOwnerViews(const Core::ViewUpdateContext* context) {
  if (Core::IResizable* owner = GetOwnerBox()) owner->UpdateViewElements(context);
}

bool IQualifier::IsShiftedAlong(const Core::DeferredShiftSet& set) const {
  Core::IResizable* owner = GetOwnerBox();
  return owner != nullptr && set.IsShifted(owner);
}

unsigned IQualifier::ComputeHandleMask() const {
  Core::IResizable* owner = GetOwnerBox();
  if (owner == nullptr) return QualifierHandleMask(GetRect(), nullptr);
  const zq::Rect r = owner->GetRect();
  return QualifierHandleMask(GetRect(), &r);
}

void IQualifier::FollowOwner(Core::Env& env, Core::DeferredShiftSet& set) {
  Core::IResizable* owner = GetOwnerBox();
  if (IsDeleted() || owner == nullptr) return;
  zq::Rect before = owner->GetOldRect(), box = GetOldRect();
  const zq::Rect now = owner->GetRect();
  if (before == now) return;
  // Measured from the places before the change, so that repeated calls in one change agree. A
  // moved owner takes the qualifier along; a reshaped one keeps it on its side. An owner both moved
  // by the set and reshaped in the change (a pasted box laid out anew) takes it along first.
  const zq::Point from = GetOldPos();
  if (set.Moves(owner)) {
    const Core::ShiftVector& v = set.GetShift();
    const std::int32_t dx = v.shiftX ? std::int32_t(std::lround(v.dx)) : 0, dy = v.shiftY ? std::int32_t(std::lround(v.dy)) : 0;
    before = zq::Rect(before.left + dx, before.top + dy, before.right + dx, before.bottom + dy);
    box = zq::Rect(box.left + dx, box.top + dy, box.right + dx, box.bottom + dy);
  }
  const bool moved = before.Width() == now.Width() && before.Height() == now.Height();
  const zq::Point corner = moved ? zq::Point(box.left + now.left - before.left, box.top + now.top - before.top)
                                 : GraphUtil::FollowOwnerSide(before, now, box);
  if (corner == GetPos()) return;
  // Shifted already with the set (pasted before its owner), it still goes where its owner puts it.
  const Core::ShiftVector v{double(corner.x - from.x), double(corner.y - from.y), true, true};
  if (set.IsShifted(this)) ShiftImpl(env, owner, v, set, false);
  else Shift(env, owner, v, set, false);
}

}  // namespace ClassObject
