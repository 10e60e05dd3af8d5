#pragma once
// Test check of region separators and the texts anchored on them, for the gesture tables (model and real input).
#include "core/Diagram.h"
#include "core/foundation/GraphUtil.h"
#include "elements/state/RegionSeparator.h"
#include "elements/state/State.h"
#include "text/free/Anchor.h"

#include <cmath>
#include <set>
#include <string>

namespace StateTest {

// Each region separator that does not span its state from border to border, and each text anchored
// on a separator whose anchor lies off the separator's line.
inline std::set<std::string> SeparatorTextFaults(const Core::Diagram& diagram)
{
    std::set<std::string> faults;
    const auto id = [](const Core::IModelElement& e) { return "r" + std::to_string(e.GetObjectId()); };
    for (const auto& e : diagram.Elements()) {
        const auto* separator = dynamic_cast<const State::RegionSeparator*>(e.get());
        if (separator == nullptr || separator->IsDeleted()) continue;
        if (const State::State* state = separator->GetState(); state != nullptr && !state->IsDeleted()) {
            const zq::Rect r = state->GetRect().Normalized();
            const zq::Point a = separator->GetStart(), b = separator->GetEnd();
            const bool spans = separator->IsVertical()
                                   ? a.y == r.top && b.y == r.bottom && a.x > r.left && a.x < r.right
                                   : a.x == r.left && b.x == r.right && a.y > r.bottom && a.y < r.top;
            if (!spans) faults.insert("separator " + id(*separator) + " does not span its state");
        }
        for (const Text::Anchor* a : separator->GetAnchors()) {
            const zq::float8Point p = a->GetPos(), q = GraphUtil::ClosestPointOnSegment(
                                                        zq::float8Point(separator->GetStart()), zq::float8Point(separator->GetEnd()), p);
            if (!a->IsDeleted() && std::hypot(q.x - p.x, q.y - p.y) > 1)
                faults.insert("text " + id(*a) + " lies off its separator " + id(*separator));
        }
    }
    return faults;
}

}  // namespace StateTest
