// What the tests of connectors around moved boxes ask of a path, in every layer that moves boxes.
#pragma once

#include "view/connector/Interfaces.h"

#include <algorithm>

namespace ConnectorTest {

// Whether a segment of the connector lies along an edge of the rectangle for more than a point.
inline bool RunsAlongBorder(const Connector::IConnector& c, const zq::Rect& rect)
{
    const zq::Rect r = rect.Normalized();
    for (Connector::ISegment* s : c.GetSegmentList()) {
        Connector::ISegmentEnd *e, *f;
        if (!s->GetEnds(e, f)) continue;
        const zq::float8Point p = e->GetPoint(), q = f->GetPoint();
        if (p.y == q.y && (p.y == r.top || p.y == r.bottom) && std::max(p.x, q.x) > r.left && std::min(p.x, q.x) < r.right)
            return true;
        if (p.x == q.x && (p.x == r.left || p.x == r.right) && std::max(p.y, q.y) > r.bottom && std::min(p.y, q.y) < r.top)
            return true;
    }
    return false;
}

} // namespace ConnectorTest
