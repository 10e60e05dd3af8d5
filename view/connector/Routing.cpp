// Paths around the boxes a connector ends on: a search over the lines that pass the boxes at a
// clearance, and what counts as entering a box.
#include "view/connector/Routing.h"

#include "view/connector/Functions.h"

#include "core/foundation/Cast.h"
#include "core/foundation/GraphUtil.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <queue>

namespace Connector::Routing {

namespace {

constexpr double kBend = 4 * kClearance;     // what a bend costs, as length
constexpr int kAny = 4;                      // no direction yet (a path starting at a free point)
const double kDx[4] = {-1, 1, 0, 0}, kDy[4] = {0, 0, 1, -1};

int Opposite(int d) { return d ^ 1; }

bool InsideAny(const std::vector<zq::Rect>& boxes, const zq::float8Point& p)
{
    return std::any_of(boxes.begin(), boxes.end(), [&](const zq::Rect& r) {
        return p.x >= r.left && p.x <= r.right && p.y >= r.bottom && p.y <= r.top;
    });
}

// Whether the level or plumb leg from a to b shares more than a point with the rectangle.
bool Blocks(const zq::Rect& r, const zq::float8Point& a, const zq::float8Point& b)
{
    if (a.y == b.y)
        return a.y >= r.bottom && a.y <= r.top &&
               std::max(std::min(a.x, b.x), double(r.left)) < std::min(std::max(a.x, b.x), double(r.right));
    return a.x >= r.left && a.x <= r.right &&
           std::max(std::min(a.y, b.y), double(r.bottom)) < std::min(std::max(a.y, b.y), double(r.top));
}

// The sorted coordinates the search runs along: a clearance off every box, the middle of gaps
// narrower than two clearances, and the ports' points beyond their boxes.
std::vector<double> Lines(const std::vector<zq::Rect>& boxes, const std::vector<Port>& ports, bool x)
{
    std::vector<double> v;
    for (const zq::Rect& r : boxes) {
        const double lo = x ? r.left : r.bottom, hi = x ? r.right : r.top;
        v.push_back(lo - kClearance);
        v.push_back(hi + kClearance);
        for (const zq::Rect& o : boxes) {
            const double gap = (x ? o.left : o.bottom) - hi;
            if (gap > 0 && gap < 2 * kClearance) v.push_back(std::round(hi + gap / 2));
        }
    }
    for (const Port& p : ports) v.push_back(x ? p.beyond.x : p.beyond.y);
    std::sort(v.begin(), v.end());
    v.erase(std::unique(v.begin(), v.end()), v.end());
    return v;
}

// Drops repeated points and the middle one of three on a line.
std::vector<zq::float8Point> Corners(const std::vector<zq::float8Point>& points)
{
    std::vector<zq::float8Point> out;
    for (const zq::float8Point& p : points) {
        if (!out.empty() && out.back() == p) continue;
        if (out.size() >= 2) {
            const zq::float8Point &a = out[out.size() - 2], &b = out.back();
            if ((a.x == b.x && b.x == p.x) || (a.y == b.y && b.y == p.y)) out.pop_back();
        }
        out.push_back(p);
    }
    return out;
}

} // namespace

std::vector<zq::float8Point> FindPath(const std::vector<Port>& from, const std::vector<Port>& to,
                                      const std::vector<zq::Rect>& boxes)
{
    std::vector<Port> all = from;
    all.insert(all.end(), to.begin(), to.end());
    const std::vector<double> xs = Lines(boxes, all, true), ys = Lines(boxes, all, false);
    const int nx = int(xs.size()), ny = int(ys.size());
    const auto index = [&](const zq::float8Point& p) {
        const int i = int(std::lower_bound(xs.begin(), xs.end(), p.x) - xs.begin());
        const int j = int(std::lower_bound(ys.begin(), ys.end(), p.y) - ys.begin());
        return i * ny + j;
    };
    const auto state = [](int node, int dir) { return node * 5 + dir; };
    constexpr double kNone = std::numeric_limits<double>::infinity();
    std::vector<double> cost(std::size_t(nx) * ny * 5, kNone);
    std::vector<int> parent(cost.size(), -1), origin(cost.size(), -1);
    using Entry = std::pair<double, int>;
    std::priority_queue<Entry, std::vector<Entry>, std::greater<Entry>> open;
    for (std::size_t k = 0; k < from.size(); ++k) {
        const Port& p = from[k];
        if (InsideAny(boxes, p.beyond)) continue;
        const int s = state(index(p.beyond), p.out < 0 ? kAny : p.out);
        const double c = p.cost + std::abs(p.beyond.x - p.at.x) + std::abs(p.beyond.y - p.at.y);
        if (c >= cost[s]) continue;
        cost[s] = c;
        origin[s] = int(k);
        open.push({c, s});
    }
    double best = kNone;
    int bestState = -1, bestPort = -1;
    while (!open.empty()) {
        const auto [c, s] = open.top();
        open.pop();
        if (c > cost[s] || c >= best) continue;
        const int node = s / 5, dir = s % 5, i = node / ny, j = node % ny;
        const zq::float8Point here{xs[i], ys[j]};
        for (std::size_t k = 0; k < to.size(); ++k) {
            const Port& p = to[k];
            if (p.beyond != here || InsideAny(boxes, p.beyond)) continue;
            const int in = p.out < 0 ? -1 : Opposite(p.out);
            if (in >= 0 && dir == p.out) continue;  // no turning back
            const double total = c + p.cost + std::abs(p.beyond.x - p.at.x) + std::abs(p.beyond.y - p.at.y) +
                                 (in >= 0 && dir != kAny && dir != in ? kBend : 0);
            if (total < best) best = total, bestState = s, bestPort = int(k);
        }
        for (int d = 0; d < 4; ++d) {
            if (dir != kAny && d == Opposite(dir)) continue;
            const int ni = i + int(kDx[d]), nj = j + int(kDy[d]);
            if (ni < 0 || nj < 0 || ni >= nx || nj >= ny) continue;
            const zq::float8Point next{xs[ni], ys[nj]};
            if (InsideAny(boxes, next) ||
                std::any_of(boxes.begin(), boxes.end(), [&](const zq::Rect& r) { return Blocks(r, here, next); }))
                continue;
            const double nc = c + std::abs(next.x - here.x) + std::abs(next.y - here.y) +
                              (dir != kAny && d != dir ? kBend : 0);
            const int ns = state(ni * ny + nj, d);
            if (nc >= cost[ns]) continue;
            cost[ns] = nc;
            parent[ns] = s;
            origin[ns] = origin[s];
            open.push({nc, ns});
        }
    }
    if (bestState < 0) return {};
    std::vector<zq::float8Point> points{to[bestPort].at};
    for (int s = bestState; s >= 0; s = parent[s]) points.push_back({xs[s / 5 / ny], ys[s / 5 % ny]});
    points.push_back(from[origin[bestState]].at);
    std::reverse(points.begin(), points.end());
    return Corners(points);
}

namespace {

// The rectangle of a box an end may lie on: a resizable box's, a bar's (an activation's), or the
// bounds of a shape of fixed size (a final state, a free text) where they have an area; a line (a
// lifeline, a segment) is none.
bool BoxRect(const Core::IModelElement* element, zq::Rect& rect)
{
    if (const auto* r = zq::Cast<const Core::IResizable>(element)) {
        rect = r->GetRect().Normalized();
        return true;
    }
    const auto* t = zq::Cast<const Core::ITerminal>(element);
    const auto* shape = zq::Cast<const Core::IPointable>(element);
    if (t == nullptr || zq::Cast<const ISegment>(element) != nullptr) return false;
    if (!t->GetBarRect(rect) && (shape == nullptr || !shape->GetBoundingRect(rect))) return false;
    rect = rect.Normalized();
    return rect.Width() > 0 && rect.Height() > 0;
}

// The rectangle grown to the terminal's outline where that reaches past it (an actor's name under
// its figure, a class's template box over its corner): the outline seen from far off across
// every side, every 100 units along it.
zq::Rect OutlineExtent(const Core::ITerminal& t, zq::Rect rect)
{
    constexpr double kFar = 1e7, kStep = 100;
    const zq::Rect r = rect;
    for (bool level : {true, false}) {
        const double lo = level ? r.bottom : r.left, hi = level ? r.top : r.right;
        for (double c = lo; c <= hi; c += std::min(kStep, std::max(1.0, hi - c))) {
            for (double far : {-kFar, kFar}) {
                GraphUtil::OutlineHit hit;
                const zq::float8Point from = level ? zq::float8Point{far, c} : zq::float8Point{c, far};
                if (!t.GetTerminalOutline(hit, from, level) || !hit.valid) continue;
                if (std::abs((level ? hit.point.y : hit.point.x) - c) > 0.5) continue;
                const auto at = std::int32_t(std::lround(level ? hit.point.x : hit.point.y));
                if (level) rect.left = std::min(rect.left, at), rect.right = std::max(rect.right, at);
                else rect.bottom = std::min(rect.bottom, at), rect.top = std::max(rect.top, at);
            }
            if (c >= hi) break;
        }
    }
    return rect;
}

} // namespace

std::vector<Box> BoxesOf(const IConnector& c)
{
    std::vector<Box> boxes;
    // An end that lies inside the box by right: on a box nested in it (a substate's transition to
    // its composite state), on no box, or put inside its own box. An end on a box that was only
    // dropped across this one does not make the path free to run through it, nor does the end on the
    // box that holds the connector (a note moved over the element its connector points at), which
    // leaves it anew.
    const auto holdsAnEnd = [](const IConnector& of, const Core::ITerminal& t, const zq::Rect& rect) {
        return std::any_of(of.GetEnds().begin(), of.GetEnds().end(), [&](const IEnd* e) {
            const zq::float8Point p = e->GetPoint();
            zq::Rect own;
            return !e->IsDeleted() && e->GetTerminal() != of.GetOwner() && Functions::Holds(t, p, 1) &&
                   Functions::Holds(t, {p.x, p.y + 1}, 0) && Functions::Holds(t, {p.x, p.y - 1}, 0) &&
                   (!BoxRect(e->GetTerminal(), own) || zq::Cast<const Core::ITerminal>(e->GetTerminal()) == &t ||
                    rect.Contains(own));
        });
    };
    // A box the connector starts in (a package around the note) does not keep it out.
    const auto startsIn = [&](const zq::Rect& rect) {
        return std::any_of(c.GetEnds().begin(), c.GetEnds().end(), [&](const IEnd* e) {
            zq::Rect own;
            return !e->IsDeleted() && BoxRect(e->GetTerminal(), own) && rect.Contains(own);
        });
    };
    // The boxes of a line an end lies on (a note connector pointing at an association) are kept out
    // of whole, so that the end stays on the line outside them and the path reaches it around them;
    // but not one that holds the line (a package around the classes of a dependency).
    const auto add = [&](const Core::IModelElement* element, const IConnector& of) {
        const auto* t = zq::Cast<const Core::ITerminal>(element);
        zq::Rect rect;
        if (t == nullptr || !BoxRect(element, rect)) return;
        rect = OutlineExtent(*t, rect);
        const bool ofLine = &of != &c, whole = ofLine || element == c.GetOwner();
        if (ofLine ? startsIn(rect) || holdsAnEnd(of, *t, rect) : !whole && holdsAnEnd(c, *t, rect)) return;
        if (std::none_of(boxes.begin(), boxes.end(), [&](const Box& b) { return b.terminal == t; }))
            boxes.push_back({t, rect, whole});
    };
    const auto addEndBoxes = [&](const IConnector& of) {
        for (const IEnd* e : of.GetEnds()) {
            if (e->IsDeleted() || e->GetTerminal() == nullptr) continue;
            add(e->GetTerminal(), of);
            if (const auto* t = zq::Cast<const Core::ITerminal>(e->GetTerminal()))
                if (const Core::IResizable* carrier = t->GetCarrierBox()) add(carrier, of);
        }
    };
    addEndBoxes(c);
    for (const IEnd* e : c.GetEnds())
        if (const auto* line = e->IsDeleted() ? nullptr : zq::Cast<const ISegment>(e->GetTerminal()))
            if (const IConnector* of = line->GetConnector(); of != nullptr && of != &c) addEndBoxes(*of);
    return boxes;
}

bool Enters(const Box& box, const zq::float8Point& a, const zq::float8Point& b)
{
    constexpr double kNearEnd = 25;  // a segment leaving its end's box at a slant stays near it that far
    // Along a side of the box's rectangle (past a rounded corner too).
    const zq::Rect& r = box.rect;
    if (a.x == b.x && (a.x == r.left || a.x == r.right) &&
        std::min(std::max(a.y, b.y), double(r.top)) > std::max(std::min(a.y, b.y), double(r.bottom)))
        return true;
    if (a.y == b.y && (a.y == r.bottom || a.y == r.top) &&
        std::min(std::max(a.x, b.x), double(r.right)) > std::max(std::min(a.x, b.x), double(r.left)))
        return true;
    const double dx = b.x - a.x, dy = b.y - a.y, length = std::hypot(dx, dy);
    if (length <= 2 * kNearEnd) return false;
    // The stretch of the segment within a unit of the box's rectangle.
    const zq::Rect around = r.Inflated(1);
    double t0 = kNearEnd / length, t1 = 1 - kNearEnd / length;
    const auto clip = [&](double p, double q) {
        if (p == 0) return q >= 0;
        const double t = q / p;
        if (p < 0) t0 = std::max(t0, t);
        else t1 = std::min(t1, t);
        return true;
    };
    if (!clip(-dx, a.x - around.left) || !clip(dx, around.right - a.x) || !clip(-dy, a.y - around.bottom) ||
        !clip(dy, around.top - a.y) || t0 > t1)
        return false;
    const auto near = [&](const zq::float8Point& p) {
        if (!box.whole) return Functions::Holds(*box.terminal, p, -0.5);
        return p.x >= r.left - 0.5 && p.x <= r.right + 0.5 && p.y >= r.bottom - 0.5 && p.y <= r.top + 0.5;
    };
    const int n = std::max(1, int(std::ceil((t1 - t0) * length / 25)));
    for (int k = 0; k <= n; ++k) {
        const double f = t0 + (t1 - t0) * k / n;
        if (near({a.x + f * dx, a.y + f * dy})) return true;
    }
    return false;
}

} // namespace Connector::Routing
