#include "elements/usecase/Parts.h"

#include "core/Exceptions.h"
#include "elements/usecase/Association.h"

namespace UseCase {

bool IAssocParty::CanAttach(AssocEnd* end) const {
  if (end == nullptr) return true;
  const AssocEnd* other = end->GetOtherEnd();
  if (other == nullptr) return false;
  return IsActor() ? other->GetActor() == nullptr : other->GetUseCase() == nullptr;
}

void IAssocParty::Attach(Core::Env& env, AssocEnd* end) {
  if (end) end->SetTerminal(env, this);
}

zq::float8Point OutlineReshapeInfo::MapPoint(const zq::float8Point& point) const {
  const GraphUtil::OutlineHit hit = GraphUtil::IntersectOutline(point, old_, new_);
  return hit.valid ? hit.point : point;
}

zq::float8Point EllipseReshapeInfo::MapPoint(const zq::float8Point& p) const {
  // A box without width or height has no relative place: the point moves with the corner.
  const double ow = old_.Width(), oh = old_.Height();
  const double x = ow != 0 ? double(new_.Width()) / ow * (p.x - old_.left) + new_.left : p.x - old_.left + new_.left;
  const double y = oh != 0 ? double(new_.Height()) / oh * (p.y - old_.bottom) + new_.bottom
                           : p.y - old_.bottom + new_.bottom;
  return {x, y};
}

void CheckReadSize(const zq::Point& size, int line) {
  if (size.x < 1 || size.y < 1) throw Core::Exceptions::AttributeOutOfRange(line, L"Size");
}

}  // namespace UseCase
