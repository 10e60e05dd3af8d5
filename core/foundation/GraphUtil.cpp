#include "core/foundation/GraphUtil.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace GraphUtil {
namespace {

using zq::float8Point;
using zq::float8Vector;

double Distance(const float8Point& a, const float8Point& b) { return std::hypot(a.x - b.x, a.y - b.y); }

float8Point Swap(const float8Point& p) { return {p.y, p.x}; }

// The hit of the projection of p (keeping p.y) onto the edge a-b.
float8Point ProjectKeepingY(const float8Point& a, const float8Point& b, const float8Point& p) {
    if (a.y == b.y) return std::abs(a.x - p.x) < std::abs(b.x - p.x) ? a : b;
    if (a.x == b.x) return {a.x, Interval(a.y, b.y).Clamp(p.y)};
    const float8Point& lo = a.y < b.y ? a : b;
    const float8Point& hi = a.y < b.y ? b : a;
    if (p.y <= lo.y) return lo;
    if (p.y >= hi.y) return hi;
    return {a.x + (p.y - a.y) * (b.x - a.x) / (b.y - a.y), p.y};
}

float8Vector EdgeNormal(const Outline& o, std::size_t i) {
    const float8Point& a = o[i];
    const float8Point& b = o[(i + 1) % o.size()];
    return {-(b.y - a.y), b.x - a.x};
}

// Keeps the hit when it is nearer than the current one (the first wins on equal distances).
void KeepNearer(OutlineHit& current, const OutlineHit& hit) {
    if (!current.valid || hit.distance < current.distance) current = hit;
}

} // namespace

bool IsEqual(double a, double b) {
    int e = 0;
    std::frexp(a != 0 ? a : b, &e);
    const double tolerance = e > -976 ? std::ldexp(1.0, e - 45) : std::ldexp(1.0, -976);
    return b + tolerance > a && a + tolerance > b;
}

bool IsHorizontal(const float8Point& a, const float8Point& b) { return IsEqual(a.y, b.y) && !IsEqual(a.x, b.x); }

bool IsVertical(const float8Point& a, const float8Point& b) { return IsEqual(a.x, b.x) && !IsEqual(a.y, b.y); }

bool IsNear(const float8Point& point, const float8Point& centre, double d) {
    return std::abs(point.x - centre.x) <= d && std::abs(point.y - centre.y) <= d;
}

float8Point ClosestPointOnSegment(const float8Point& a, const float8Point& b, const float8Point& p) {
    const float8Vector d = b - a;
    const double len2 = d.x * d.x + d.y * d.y;
    if (len2 == 0) return a;
    const double t = std::clamp(((p.x - a.x) * d.x + (p.y - a.y) * d.y) / len2, 0.0, 1.0);
    return a + d * t;
}

double SquaredDistanceToSegment(const float8Point& a, const float8Point& b, const float8Point& p) {
    const float8Point c = ClosestPointOnSegment(a, b, p);
    return (p.x - c.x) * (p.x - c.x) + (p.y - c.y) * (p.y - c.y);
}

bool IsNearSegment(const float8Point& point, const float8Point& a, const float8Point& b, double tolerance) {
    return SquaredDistanceToSegment(a, b, point) <= tolerance * tolerance;
}

double SquaredDistanceToRect(const zq::Rect& rect, const float8Point& p) {
    const zq::Rect r = rect.Normalized();
    const double dx = std::max({double(r.left) - p.x, 0.0, p.x - double(r.right)});
    const double dy = std::max({double(r.bottom) - p.y, 0.0, p.y - double(r.top)});
    return dx * dx + dy * dy;
}

void MakeRectOutline(Outline& outline, const zq::Rect& r) {
    outline.assign({float8Point(r.left, r.top), float8Point(r.right, r.top), float8Point(r.right, r.bottom),
                    float8Point(r.left, r.bottom)});
}

OutlineProjection ProjectOntoOutline(const Outline& outline, const float8Point& p, bool keepY) {
    OutlineProjection result;
    const std::size_t n = outline.size();
    if (n == 0) return result;
    // Work as if keeping y; the other axis swaps the coordinates in and out.
    const float8Point q = keepY ? p : Swap(p);
    std::vector<OutlineHit> hits;
    hits.reserve(n);
    bool anyOnLine = false;
    for (std::size_t i = 0; i < n; ++i) {
        const float8Point a = keepY ? outline[i] : Swap(outline[i]);
        const float8Point b = keepY ? outline[(i + 1) % n] : Swap(outline[(i + 1) % n]);
        const float8Point h = ProjectKeepingY(a, b, q);
        OutlineHit hit;
        hit.valid = true;
        hit.point = keepY ? h : Swap(h);
        hit.normal = EdgeNormal(outline, i);
        hit.distance = Distance(h, q);
        hit.edge = i;
        anyOnLine = anyOnLine || h.y == q.y;
        hits.push_back(hit);
    }
    for (const OutlineHit& hit : hits) {
        const double along = keepY ? hit.point.x : hit.point.y;
        const double across = keepY ? hit.point.y : hit.point.x;
        if (anyOnLine && across != q.y) continue;
        KeepNearer(result.best, hit);
        if (along <= q.x) KeepNearer(result.before, hit);
        if (along >= q.x) KeepNearer(result.after, hit);
    }
    return result;
}

OutlineHit NearestOutlinePoint(const Outline& outline, const float8Point& p, bool keepY, bool keepX) {
    if (keepY) return ProjectOntoOutline(outline, p, true).best;
    if (keepX) return ProjectOntoOutline(outline, p, false).best;
    const OutlineHit h = ProjectOntoOutline(outline, p, true).best;
    const OutlineHit v = ProjectOntoOutline(outline, p, false).best;
    if (!v.valid) return h;
    return h.valid && h.distance < v.distance ? h : v;
}

float8Point MapOutlinePoint(const Outline& newOutline, const Outline& oldOutline, const float8Point& p, bool relative) {
    const std::size_t n = oldOutline.size();
    if (n == 0 || newOutline.size() != n) return p;
    std::size_t edge = 0;
    double best = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const double d = SquaredDistanceToSegment(oldOutline[i], oldOutline[(i + 1) % n], p);
        if (i == 0 || d < best) { best = d; edge = i; }
    }
    const float8Point& na = newOutline[edge];
    const float8Point& nb = newOutline[(edge + 1) % n];
    const Interval xs(na.x, nb.x), ys(na.y, nb.y);
    const bool level = na.y == nb.y, plumb = na.x == nb.x;
    // A level or plumb edge that still spans the point keeps it at its coordinate along the edge;
    // one that no longer does clamps it onto its end, unless the relative place is asked for.
    if ((level && (xs.Contains(p.x) || !relative)) || (plumb && (ys.Contains(p.y) || !relative)))
        return {xs.Clamp(p.x), ys.Clamp(p.y)};
    // The relative position along the edge, measured on the axis along which the old edge is longer.
    const float8Point& a = oldOutline[edge];
    const float8Point& b = oldOutline[(edge + 1) % n];
    double t = 0;
    if (std::abs(b.x - a.x) > std::abs(b.y - a.y)) t = (p.x - a.x) / (b.x - a.x);
    else if (b.y != a.y) t = (p.y - a.y) / (b.y - a.y);
    const float8Point q = na + (nb - na) * std::clamp(t, 0.0, 1.0);
    // On a level or plumb edge of whole units the point stays a whole unit along it.
    if (level) return {std::round(q.x), na.y};
    if (plumb) return {na.x, std::round(q.y)};
    return q;
}

OutlineHit ProjectOntoEllipse(const zq::Rect& rect, const float8Point& p, bool keepY) {
    const zq::Rect r = rect.Normalized();
    const double cx = (double(r.left) + r.right) / 2, cy = (double(r.top) + r.bottom) / 2;
    const double rx = (double(r.right) - r.left) / 2, ry = (double(r.top) - r.bottom) / 2;
    OutlineHit hit;
    hit.valid = true;
    // In coordinates where the kept axis is "v" and the projected one "u".
    const double ru = keepY ? rx : ry, rv = keepY ? ry : rx;
    const double pu = (keepY ? p.x : p.y) - (keepY ? cx : cy);
    const double pv = (keepY ? p.y : p.x) - (keepY ? cy : cx);
    const double v = std::clamp(pv, -rv, rv);
    const double f = rv > 0 ? v / rv : 0;
    const double u = (pu >= 0 ? 1 : -1) * ru * std::sqrt(std::max(0.0, 1 - f * f));
    const double nu = ru > 0 ? u / (ru * ru) : 0, nv = rv > 0 ? v / (rv * rv) : 0;
    hit.point = keepY ? float8Point(cx + u, cy + v) : float8Point(cx + v, cy + u);
    hit.normal = keepY ? float8Vector(nu, nv) : float8Vector(nv, nu);
    hit.distance = Distance(hit.point, p);
    return hit;
}

OutlineHit IntersectOutline(const float8Point& p, const Outline& oldOutline, const Outline& newOutline) {
    OutlineHit hit;
    hit.point = p;
    if (oldOutline.empty() || newOutline.empty()) return hit;
    auto bounds = [](const Outline& o, float8Point& lo, float8Point& hi) {
        lo = hi = o.front();
        for (const float8Point& q : o) {
            lo = {std::min(lo.x, q.x), std::min(lo.y, q.y)};
            hi = {std::max(hi.x, q.x), std::max(hi.y, q.y)};
        }
    };
    float8Point olo, ohi, nlo, nhi;
    bounds(oldOutline, olo, ohi);
    bounds(newOutline, nlo, nhi);
    // The point's place relative to the old bounds, carried to the new bounds.
    auto scale = [](double v, double lo, double hi, double nlo2, double nhi2) {
        const double t = hi > lo ? (v - lo) / (hi - lo) : 0.5;
        return nlo2 + t * (nhi2 - nlo2);
    };
    const float8Point q(scale(p.x, olo.x, ohi.x, nlo.x, nhi.x), scale(p.y, olo.y, ohi.y, nlo.y, nhi.y));
    const float8Point c((nlo.x + nhi.x) / 2, (nlo.y + nhi.y) / 2);
    const float8Vector d = q - c;
    hit.point = q;
    if (d.x == 0 && d.y == 0) return hit;
    // Intersect the line through c and q with every edge; keep the crossing nearest to q.
    const std::size_t n = newOutline.size();
    bool found = false;
    for (std::size_t i = 0; i < n; ++i) {
        const float8Point& a = newOutline[i];
        const float8Point& b = newOutline[(i + 1) % n];
        const float8Vector e = b - a;
        const double denom = d.x * e.y - d.y * e.x;
        if (denom == 0) continue;
        const float8Vector ac = a - c;
        const double s = (ac.x * d.y - ac.y * d.x) / denom;  // along the edge
        if (s < 0 || s > 1) continue;
        const double t = (ac.x * e.y - ac.y * e.x) / denom;  // along the line
        if (t < 0) continue;
        const float8Point x = a + e * s;
        const double dist = Distance(x, q);
        if (!found || dist < hit.distance) {
            found = true;
            hit.valid = true;
            hit.point = x;
            hit.distance = dist;
            hit.edge = i;
            hit.normal = EdgeNormal(newOutline, i);
        }
    }
    if (!found) hit.point = q;
    return hit;
}

zq::Point PlaceOutsideOutline(const zq::Point& boxSize, const zq::Point& point, const zq::Point& grabOffset,
                              const zq::Rect& rect) {
    const zq::Rect r = rect.Normalized();
    Outline outline;
    MakeRectOutline(outline, r);
    const float8Point p(point);
    const OutlineHit h = ProjectOntoOutline(outline, p, true).best;
    const OutlineHit v = ProjectOntoOutline(outline, p, false).best;
    const double w = boxSize.x, ht = boxSize.y;
    double x, y;
    if (v.distance <= h.distance) {
        x = v.point.x - grabOffset.x;
        y = (v.point.y * 2 >= double(r.top) + r.bottom) ? v.point.y + ht : v.point.y;
    } else {
        x = (h.point.x * 2 >= double(r.left) + r.right) ? h.point.x : h.point.x - w;
        y = h.point.y - grabOffset.y;
    }
    return {zq::Round(x), zq::Round(y)};
}

zq::Point FollowOwnerSide(const zq::Rect& o, const zq::Rect& n, const zq::Rect& box) {
    const int32_t w = box.Width(), h = box.Height();
    auto alongX = [&] { return box.left < n.left ? n.left : (box.right > n.right ? n.right - w : box.left); };
    auto alongY = [&] { return box.top > n.top ? n.top : (box.bottom >= n.bottom ? box.top : n.bottom + h); };
    if (box.top == o.bottom) return {alongX(), n.bottom};
    if (box.left == o.right) return {n.right, alongY()};
    if (box.bottom == o.top) return {alongX(), n.top + h};
    if (box.right == o.left) return {n.left - w, alongY()};
    return box.TopLeft();
}

} // namespace GraphUtil
