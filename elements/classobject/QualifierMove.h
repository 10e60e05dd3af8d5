#pragma once
// Dragging a qualifier: the box keeps to the border of the owner box near the pointer and, when
// dropped, belongs to that owner. The drag's view draws the marks at the candidate's corners.
#include <array>
#include <utility>

#include "core/Diagram.h"
#include "core/Shift.h"
#include "core/foundation/GraphUtil.h"
#include "core/foundation/Cast.h"

namespace ClassObject {

// How far around an owner box the pointer may be for the box to take the qualifier, and the
// length of the marks at the candidate's corners.
constexpr std::int32_t kOwnerReach = 600;
constexpr std::int32_t kCornerMark = 400;

// The four marks at the corners of the rectangle: each from a point 400 out on both axes to the corner.
inline std::array<std::pair<zq::Point, zq::Point>, 4> CornerMarks(const zq::Rect& r) {
  const std::int32_t m = kCornerMark;
  return {{{{r.left - m, r.top + m}, {r.left, r.top}},
           {{r.right + m, r.top + m}, {r.right, r.top}},
           {{r.right + m, r.bottom - m}, {r.right, r.bottom}},
           {{r.left - m, r.bottom - m}, {r.left, r.bottom}}}};
}

// The drag of qualifier Q among owner boxes of type Owner (which have GetRect and AddQualifier).
template <class Q, class Owner>
class QualifierMoveController {
 public:
  QualifierMoveController(const Core::Diagram& diagram, const Core::DeferredShiftSet& set, Q& qualifier)
      : diagram_(diagram), set_(set), qualifier_(qualifier) {}

  // An owner takes the pointer when it is not moved itself and the pointer lies within reach of it.
  bool AcceptsOwner(const Owner& owner, const zq::Point& p) const {
    return !owner.IsDeleted() && !set_.IsShifted(&owner) && owner.GetRect().Inflated(kOwnerReach).Contains(p);
  }
  // The candidate for the pointer: the current one while it still takes it, else the first owner
  // of the diagram that does, else none.
  Owner* FindOwnerAt(const zq::Point& p) {
    if (candidate_ != nullptr && AcceptsOwner(*candidate_, p)) return candidate_;
    candidate_ = nullptr;
    for (const auto& e : diagram_.Elements())
      if (auto* o = zq::Cast<Owner>(e.get()); o != nullptr && AcceptsOwner(*o, p)) return candidate_ = o;
    return nullptr;
  }
  // The dragged point for the pointer: with a candidate, the one that puts the qualifier outside it,
  // flush with its side nearest to the pointer; else the pointer itself.
  zq::float8Point Restrict(const zq::float8Point& origin, const zq::float8Point& point) {
    const zq::Point p = zq::RoundPoint(point);
    Owner* owner = FindOwnerAt(p);
    if (owner == nullptr) return point;
    const zq::Point grab = zq::RoundPoint(origin) - qualifier_.GetOldPos();
    const zq::Point at = GraphUtil::PlaceOutsideOutline(qualifier_.GetSize(), p, grab, owner->GetRect());
    // Every step of the drag shifts the qualifier from where it was before the drag (a pending
    // drop has already moved it by the step before), so the shift is measured from there.
    const zq::Point from = qualifier_.GetOldPos();
    return {origin.x + (at.x - from.x), origin.y + (at.y - from.y)};
  }
  // The drop: the candidate becomes the qualifier's owner.
  void Finish(Core::Env& env) {
    if (candidate_ != nullptr && !qualifier_.IsDeleted()) candidate_->AddQualifier(env, &qualifier_);
  }
  Owner* GetCandidate() const { return candidate_; }

 private:
  const Core::Diagram& diagram_;
  const Core::DeferredShiftSet& set_;
  Q& qualifier_;
  Owner* candidate_ = nullptr;
};

}  // namespace ClassObject
