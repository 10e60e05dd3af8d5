#pragma once
// Test checks of the texts anchored on connector segments (labels), for the gesture tables.
#include "core/Diagram.h"
#include "core/foundation/GraphUtil.h"
#include "text/free/Anchor.h"
#include "view/connector/Interfaces.h"

#include <cmath>
#include <set>
#include <string>

namespace TextTest {

// Each text anchored on a segment whose anchor lies off the segment's line, one line per text.
inline std::set<std::string> LabelFaults(const Core::Diagram& diagram)
{
    std::set<std::string> faults;
    const auto id = [](const Core::IModelElement& e) { return "r" + std::to_string(e.GetObjectId()); };
    for (const auto& e : diagram.Elements()) {
        const auto* anchor = dynamic_cast<const Text::Anchor*>(e.get());
        const auto* segment = anchor ? dynamic_cast<const Connector::ISegment*>(anchor->GetOwner()) : nullptr;
        Connector::ISegmentEnd *a, *b;
        if (anchor == nullptr || anchor->IsDeleted() || segment == nullptr || segment->IsDeleted() || !segment->GetEnds(a, b))
            continue;
        const zq::float8Point p = anchor->GetPos(), q = GraphUtil::ClosestPointOnSegment(a->GetPoint(), b->GetPoint(), p);
        if (std::hypot(q.x - p.x, q.y - p.y) > 1)
            faults.insert("text " + id(*anchor) + " lies off its segment " + id(*segment));
    }
    return faults;
}

} // namespace TextTest
