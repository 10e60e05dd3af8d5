// Pointing at connector parts: hit weights, nearness and bounding rectangles.
#include "view/connector/Interfaces.h"

#include "core/Weight.h"
#include "core/foundation/Cast.h"
#include "core/foundation/Geometry.h"

#include <cmath>

namespace Connector {

namespace {
zq::Rect PointRect(const zq::float8Point& p)
{
    const zq::Point q = zq::RoundPoint(p);
    return zq::Rect(q.x, q.y, q.x, q.y);
}
} // namespace

bool ISegment::IsNear(const zq::Point& point, int32_t tolerance) const
{
    ISegmentEnd *a, *b;
    return GetEnds(a, b) && GraphUtil::IsNearSegment(point, a->GetPoint(), b->GetPoint(), tolerance);
}

bool ISegment::GetBoundingRect(zq::Rect& out) const
{
    ISegmentEnd *a, *b;
    if (!GetEnds(a, b)) return false;
    const zq::Point p = zq::RoundPoint(a->GetPoint()), q = zq::RoundPoint(b->GetPoint());
    out = zq::Rect::FromCorners(p, q);
    return true;
}

Core::Weight ISegment::GetWeight(const Core::IView& view, const zq::Point& point, int32_t tolerance) const
{
    ISegmentEnd *a, *b;
    if (!GetEnds(a, b)) return {};
    Core::Weight w = Core::Weight::MakeLine(point, tolerance, a->GetPoint(), b->GetPoint());
    w.PromoteIfSelected(view, *this);
    return w;
}

bool ISegmentEnd::IsNear(const zq::Point& point, int32_t tolerance) const
{
    const zq::float8Point p = GetPoint();
    return GraphUtil::IsNear(point, {zq::RoundAway(p.x), zq::RoundAway(p.y)}, tolerance);
}

bool ISegmentEnd::GetBoundingRect(zq::Rect& out) const
{
    out = PointRect(GetPoint());
    return true;
}

Core::Weight IJoin::GetWeight(const Core::IView& view, const zq::Point& point, int32_t tolerance) const
{
    Core::Weight w = Core::Weight::MakePoint(point, tolerance, GetPoint());
    for (ISegment* s : GetSegments()) w.AddBias(s->GetWeight(view, point, tolerance));
    w.PromoteIfSelected(view, *this);
    return w;
}

Core::Weight IEnd::GetWeight(const Core::IView& view, const zq::Point& point, int32_t tolerance) const
{
    Core::Weight w = Core::Weight::MakePoint(point, tolerance, GetPoint());
    if (auto* t = zq::Cast<const Core::IPointable>(GetTerminal())) w.AddBias(t->GetWeight(view, point, tolerance));
    if (ISegment* s = GetSegment()) w.AddBias(s->GetWeight(view, point, tolerance));
    w.PromoteIfSelected(view, *this);
    return w;
}

} // namespace Connector
