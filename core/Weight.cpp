#include "core/Weight.h"

#include "core/ModelElement.h"
#include "core/foundation/GraphUtil.h"

namespace Core {

namespace {

// The point lies in the rectangle grown by the tolerance, edges included (in 64 bits).
bool InGrown(const zq::Rect& r, const zq::Point& p, int32_t tolerance)
{
    const int64_t t = tolerance;
    return p.x >= int64_t(r.left) - t && p.x <= int64_t(r.right) + t && p.y >= int64_t(r.bottom) - t &&
           p.y <= int64_t(r.top) + t;
}

// Rank of the kinds where they compare by kind alone.
int Rank(Weight::Kind k, bool on)
{
    switch (k) {
    case Weight::Kind::Invisible: return 0;
    case Weight::Kind::Area: return 2;
    case Weight::Kind::Line: return on ? 3 : 1;
    case Weight::Kind::Point: return on ? 4 : 1;
    case Weight::Kind::Text: return 5;
    case Weight::Kind::Control: return 6;
    }
    return 0;
}

// Area against Area: whether a is lower than b.
bool AreaLower(const Weight& a, const zq::Rect& ra, const zq::Point& pa, int32_t ta, const Weight& b,
               const zq::Rect& rb, const zq::Point& pb, int32_t tb)
{
    const int64_t areaA = ra.Area(), areaB = rb.Area();
    if (areaB < areaA) return ra.Contains(rb) || InGrown(rb, pb, tb) || !InGrown(ra, pa, ta);
    if (areaB > areaA) return !(rb.Contains(ra) || InGrown(ra, pa, ta) || !InGrown(rb, pb, tb));
    const double da = a.SquaredDistance(), db = b.SquaredDistance();
    if (GraphUtil::IsEqual(da, db)) return b.GetBias() > a.GetBias();
    return da > db;
}

} // namespace

Weight Weight::MakeArea(const zq::Point& point, int32_t tolerance, const zq::Rect& rect)
{
    Weight w;
    w.kind_ = Kind::Area;
    w.point_ = point;
    w.tolerance_ = tolerance;
    w.rect_ = rect;
    return w;
}

Weight Weight::MakeLine(const zq::Point& point, int32_t tolerance, const zq::float8Point& a, const zq::float8Point& b)
{
    Weight w;
    w.kind_ = Kind::Line;
    w.point_ = point;
    w.tolerance_ = tolerance;
    w.a_ = a;
    w.b_ = b;
    return w;
}

Weight Weight::MakePoint(const zq::Point& point, int32_t tolerance, const zq::float8Point& p)
{
    Weight w;
    w.kind_ = Kind::Point;
    w.point_ = point;
    w.tolerance_ = tolerance;
    w.a_ = p;
    return w;
}

Weight Weight::MakeText(const zq::Point& point, const zq::Rect& rect)
{
    Weight w;
    w.kind_ = Kind::Text;
    w.point_ = point;
    w.rect_ = rect;
    return w;
}

Weight Weight::MakeControl(const zq::Point& point, const zq::float8Point& handle)
{
    Weight w;
    w.kind_ = Kind::Control;
    w.point_ = point;
    w.a_ = handle;
    return w;
}

void Weight::AddBias(const Weight& other)
{
    if (kind_ != Kind::Invisible) bias_ += other.bias_;
}

void Weight::PromoteIfSelected(const IView& view, const IModelElement& element)
{
    if (kind_ != Kind::Invisible && element.IsSelectedInView(view)) ++bias_;
}

double Weight::SquaredDistance() const
{
    const zq::float8Point p(point_);
    switch (kind_) {
    case Kind::Area:
    case Kind::Text: return GraphUtil::SquaredDistanceToRect(rect_, p);
    case Kind::Line: return GraphUtil::SquaredDistanceToSegment(a_, b_, p);
    case Kind::Point:
    case Kind::Control: {
        const zq::float8Vector d = p - a_;
        return d.x * d.x + d.y * d.y;
    }
    case Kind::Invisible: break;
    }
    return 0;
}

bool Weight::IsOn() const
{
    switch (kind_) {
    case Kind::Invisible: return false;
    case Kind::Area: return InGrown(rect_, point_, tolerance_);
    case Kind::Line: return GraphUtil::IsNearSegment(zq::float8Point(point_), a_, b_, tolerance_);
    case Kind::Point: return GraphUtil::IsNear(zq::float8Point(point_), a_, tolerance_);
    case Kind::Text:
    case Kind::Control: return true;
    }
    return false;
}

bool Weight::IsLower(const Weight& a, const Weight& b)
{
    if (a.kind_ == Kind::Area && b.kind_ == Kind::Area)
        return AreaLower(a, a.rect_, a.point_, a.tolerance_, b, b.rect_, b.point_, b.tolerance_);
    const int ra = Rank(a.kind_, a.IsOn()), rb = Rank(b.kind_, b.IsOn());
    if (ra != rb) return ra < rb;
    switch (a.kind_) {
    case Kind::Invisible: return false;
    case Kind::Text: return a.bias_ < b.bias_;
    default: {
        // Same kind (or Line and Point both off their targets): the nearer, then the higher bias.
        const double da = a.SquaredDistance(), db = b.SquaredDistance();
        if (GraphUtil::IsEqual(da, db)) return a.bias_ < b.bias_;
        return da > db;
    }
    }
}

bool operator>(const Weight& a, const Weight& b) { return !Weight::IsLower(a, b) && Weight::IsLower(b, a); }

bool Equivalent(const Weight& a, const Weight& b) { return !Weight::IsLower(a, b) && !Weight::IsLower(b, a); }

} // namespace Core
