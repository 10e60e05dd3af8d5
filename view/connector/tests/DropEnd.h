// What a drop does with a free end released on another connector's part, for model-level tests:
// the end goes onto the target (its point, or the nearest point of a segment), then attaches to it.
#pragma once

#include "core/Shift.h"
#include "core/foundation/GraphUtil.h"
#include "view/connector/Interfaces.h"

namespace ConnectorTest {

// Moves the end onto the target and attaches it there (within the caller's change).
inline void DropEndOn(Core::Env& env, Connector::IEnd& end, Core::IModelElement* target) {
  zq::float8Point to = end.GetPosition();
  Connector::ISegmentEnd *a = nullptr, *b = nullptr;
  if (auto* part = dynamic_cast<Connector::ISegmentEnd*>(target)) to = part->GetPoint();
  else if (auto* s = dynamic_cast<Connector::ISegment*>(target); s != nullptr && s->GetEnds(a, b))
    to = GraphUtil::ClosestPointOnSegment(a->GetPoint(), b->GetPoint(), to);
  Core::DeferredShiftSet set;
  const zq::float8Point from = end.GetOldPosition();
  end.Shift(env, nullptr, {to.x - from.x, to.y - from.y, true, true}, set, false);
  end.AttachTo(env, target);
}

}  // namespace ConnectorTest
