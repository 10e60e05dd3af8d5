#include "elements/classobject/Qualifier.h"

#include "core/ModelElementSet.h"

namespace ClassObject {

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
  if (auto* owner = dynamic_cast<const Core::IPointable*>(GetOwnerBox())) w.AddBias(owner->GetWeight(view, point, tolerance));
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
  const zq::Rect before = owner->GetOldRect(), now = owner->GetRect();
  if (before == now) return;
  // Measured from the places before the change, so that repeated calls in one change agree. A
  // moved owner takes the qualifier along; a reshaped one keeps it on its side.
  const zq::Point from = GetOldPos();
  const bool moved = before.Width() == now.Width() && before.Height() == now.Height();
  const zq::Point corner = moved ? zq::Point(from.x + now.left - before.left, from.y + now.top - before.top)
                                 : GraphUtil::FollowOwnerSide(before, now, GetOldRect());
  if (corner == GetPos()) return;
  Shift(env, owner, {double(corner.x - from.x), double(corner.y - from.y), true, true}, set, false);
}

}  // namespace ClassObject
