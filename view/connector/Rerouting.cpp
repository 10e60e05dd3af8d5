// Giving a stretch of a connector that runs through one of its boxes a path around them: the
// stretches between ends and branching joins, the places on a box a path may leave it, and the
// graph changes that lay the path.
#include "view/connector/Routing.h"

#include "view/connector/Functions.h"

#include "core/foundation/Cast.h"
#include "core/foundation/GraphUtil.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <map>
#include <set>

namespace Connector::Routing {

namespace {

constexpr double kMovedEnd = kClearance;  // what moving an end to another point of its box costs

// A stretch of a connector: parts[0], segments[0], parts[1], ..., parts.back(); its inner parts are
// joins of two segments, its outer ones ends or joins of another number of segments.
struct Stretch {
    std::vector<ISegmentEnd*> parts;
    std::vector<ISegment*> segments;
};

bool Stops(ISegmentEnd& part)
{
    auto* j = zq::Cast<IJoin>(&part);
    return j == nullptr || j->GetSegmentCount() != 2;
}

// The stretch that leaves the part by the segment, up to the next end or branching join (at most
// `limit` segments, against a loop of joins).
Stretch StretchFrom(ISegmentEnd& part, ISegment* first, std::size_t limit)
{
    Stretch s{{&part}, {}};
    for (ISegment* seg = first; seg != nullptr && s.segments.size() < limit;) {
        s.segments.push_back(seg);
        ISegmentEnd* next = seg->OtherEnd(s.parts.back());
        if (next == nullptr) break;
        s.parts.push_back(next);
        seg = Stops(*next) ? nullptr : zq::Cast<IJoin>(next)->GetOtherSegment(seg);
    }
    return s;
}

std::vector<Stretch> StretchesOf(const IConnector& c)
{
    std::vector<Stretch> out;
    std::vector<const ISegment*> seen;
    std::vector<ISegmentEnd*> stops;
    for (IEnd* e : c.GetEnds())
        if (!e->IsDeleted()) stops.push_back(e);
    for (IJoin* j : c.GetJoins())
        if (!j->IsDeleted() && Stops(*j)) stops.push_back(j);
    for (ISegmentEnd* stop : stops)
        for (ISegment* first : stop->GetSegments()) {
            if (std::find(seen.begin(), seen.end(), first) != seen.end()) continue;
            Stretch s = StretchFrom(*stop, first, c.GetSegmentList().size());
            seen.insert(seen.end(), s.segments.begin(), s.segments.end());
            if (s.parts.size() == s.segments.size() + 1) out.push_back(std::move(s));
        }
    return out;
}

// Whether the point lies inside the box's rectangle, more than half a unit off its sides.
bool InsideRect(const zq::Rect& r, const zq::float8Point& p)
{
    return p.x > r.left + 0.5 && p.x < r.right - 0.5 && p.y > r.bottom + 0.5 && p.y < r.top - 0.5;
}

const Box* BoxOf(const ISegmentEnd& part, const std::vector<Box>& boxes)
{
    const auto* e = zq::Cast<const IEnd>(&part);
    const auto* t = e != nullptr ? zq::Cast<const Core::ITerminal>(e->GetTerminal()) : nullptr;
    for (const Box& b : boxes)
        if (t != nullptr && b.terminal == t) return &b;
    return nullptr;
}

// The coordinates along the axis (x for the top and bottom sides) where a path from the box may
// leave it towards the other part: the middle, the part's own coordinate, and the other part's
// coordinate, box middle and the middle of where the two boxes overlap.
std::vector<double> Along(const zq::Rect& r, const zq::float8Point& own, const zq::float8Point& other,
                          const Box* otherBox, bool x)
{
    const double lo = x ? r.left : r.bottom, hi = x ? r.right : r.top;
    std::vector<double> v{(lo + hi) / 2, x ? own.x : own.y, x ? other.x : other.y};
    if (otherBox != nullptr) {
        const zq::Rect& o = otherBox->rect;
        const double olo = x ? o.left : o.bottom, ohi = x ? o.right : o.top;
        v.push_back((olo + ohi) / 2);
        if (std::max(lo, olo) < std::min(hi, ohi)) v.push_back((std::max(lo, olo) + std::min(hi, ohi)) / 2);
    }
    for (double& c : v) c = std::round(c);
    const double inset = std::min((hi - lo) / 4, kClearance);
    v.erase(std::remove_if(v.begin(), v.end(), [&](double c) { return c < lo + inset || c > hi - inset; }), v.end());
    return v;
}

// The two points of a terminal that is a straight line: a connector's segment, or a shape whose
// bounds have no area (a lifeline, a region separator).
bool LineOf(const Core::IModelElement& terminal, zq::float8Point& a, zq::float8Point& b)
{
    if (const auto* s = zq::Cast<const ISegment>(&terminal)) {
        ISegmentEnd *sa, *sb;
        if (!s->GetEnds(sa, sb)) return false;
        a = sa->GetPoint();
        b = sb->GetPoint();
        return true;
    }
    const auto* shown = zq::Cast<const Core::IPointable>(&terminal);
    zq::Rect r;
    if (shown == nullptr || !shown->GetBoundingRect(r) || (r.Width() != 0 && r.Height() != 0) || r.TopLeft() == r.BottomRight())
        return false;
    a = {double(r.left), double(r.top)};
    b = {double(r.right), double(r.bottom)};
    return true;
}

// The line shape (a lifeline, a region separator) the part rests on, level or plumb, and its points.
bool OnLineShape(const ISegmentEnd& part, zq::float8Point& a, zq::float8Point& b)
{
    const auto* end = zq::Cast<const IEnd>(&part);
    const Core::IModelElement* t = end != nullptr ? end->GetTerminal() : nullptr;
    return t != nullptr && zq::Cast<const ISegment>(t) == nullptr && LineOf(*t, a, b) && (a.x == b.x || a.y == b.y);
}

// Where a path may leave a part on no box: an end resting on a level or plumb segment (or, with
// `across`, a line shape) leaves it across, a clearance straight out on either side, or, only where
// neither way is free (a line squeezed between two boxes), along it; any other part at its own
// point, in any direction.
std::vector<Port> LinePorts(const ISegmentEnd& part, bool across)
{
    constexpr double kAlong = 1e7;  // leaving along the line: only where no way across is free
    const zq::float8Point own = part.GetPoint();
    const auto* end = zq::Cast<const IEnd>(&part);
    const auto* line = end != nullptr ? zq::Cast<const ISegment>(end->GetTerminal()) : nullptr;
    zq::float8Point a, b;
    const bool shape = line == nullptr && across && OnLineShape(part, a, b);
    const bool level = line != nullptr ? line->IsHorizontalOrtho() : shape && a.y == b.y;
    if (!level && (line != nullptr ? !line->IsVerticalOrtho() : !shape)) return {Port{own, -1, own, 0}};
    const int first = level ? 2 : 0;  // top and bottom, or left and right
    const double dx[4] = {-kClearance, kClearance, 0, 0}, dy[4] = {0, 0, kClearance, -kClearance};
    return {Port{own, first, {own.x + dx[first], own.y + dy[first]}, 0},
            Port{own, first + 1, {own.x + dx[first + 1], own.y + dy[first + 1]}, 0}, Port{own, -1, own, kAlong}};
}

// Where a path from the part towards the other part may start: on each side of the part's box, at
// the outline points that a level or plumb leg meets square and whose leg out keeps off every box;
// a part on no box as LinePorts has it.
std::vector<Port> PortsOf(const ISegmentEnd& part, const ISegmentEnd& other, const std::vector<Box>& boxes,
                          bool acrossShapes)
{
    const zq::float8Point own = part.GetPoint(), far = other.GetPoint();
    const Box* box = BoxOf(part, boxes);
    if (box == nullptr) return LinePorts(part, acrossShapes);
    const zq::Rect& r = box->rect;
    const Box* otherBox = BoxOf(other, boxes);
    const auto* end = zq::Cast<const IEnd>(&part);
    // Per side (TraverseDir order: left, right, top, bottom) its line and the way out.
    const double edge[4] = {double(r.left), double(r.right), double(r.top), double(r.bottom)};
    const double out[4] = {-1, 1, 1, -1};
    const zq::float8Point centre{(r.left + r.right) / 2.0, (r.top + r.bottom) / 2.0};
    std::vector<Port> ports;
    for (int side = 0; side < 4; ++side) {
        const bool level = side < 2;
        const auto onSide = [&](double across, double along) {
            return level ? zq::float8Point{across, along} : zq::float8Point{along, across};
        };
        for (double c : Along(r, own, far, otherBox, !level)) {
            zq::float8Point at;
            if (!Functions::OnTerminalLine(end->GetTerminal(), onSide(edge[side] + out[side], c), level, at)) continue;
            // A box kept out of whole is left from its sides only, never from its cut corner.
            if (box->whole && std::abs((level ? at.x : at.y) - edge[side]) > 0.5) continue;
            // The hit lies on this side's half of the box.
            if (((level ? at.x - centre.x : at.y - centre.y) * out[side]) < 0) continue;
            const zq::float8Point beyond = onSide(edge[side] + out[side] * kClearance, level ? at.y : at.x);
            if (std::any_of(boxes.begin(), boxes.end(),
                            [&](const Box& b) { return Enters(b, at, beyond) || (b.whole && InsideRect(b.rect, at)); }))
                continue;
            const bool stays = std::abs(at.x - own.x) + std::abs(at.y - own.y) <= 1;
            ports.push_back({at, side, beyond, stays ? 0 : kMovedEnd});
        }
    }
    return ports;
}

// Whether the leg from a to b runs along the line from p to q, sharing more than a point.
bool Along(const zq::float8Point& a, const zq::float8Point& b, const zq::float8Point& p, const zq::float8Point& q)
{
    const bool plumb = a.x == b.x && p.x == q.x && a.x == p.x, level = a.y == b.y && p.y == q.y && a.y == p.y;
    if (!plumb && !level) return false;
    const double a0 = plumb ? a.y : a.x, a1 = plumb ? b.y : b.x, p0 = plumb ? p.y : p.x, p1 = plumb ? q.y : q.x;
    return std::min(std::max(a0, a1), std::max(p0, p1)) - std::max(std::min(a0, a1), std::min(p0, p1)) > 0.5;
}

// Whether the leg from a to b runs along the line shape the part rests on.
bool AlongLineShape(const ISegmentEnd& part, const zq::float8Point& a, const zq::float8Point& b)
{
    zq::float8Point p, q;
    return OnLineShape(part, p, q) && Along(a, b, p, q);
}

// Whether the stretch's leg at either end runs along the line (a segment or a line shape) its end
// rests on: drawn over that line it does not show, and the end's clean-up pulls it onto a point.
bool AlongItsLine(const Stretch& s)
{
    const auto along = [](const ISegmentEnd& part, const ISegmentEnd& next) {
        const auto* end = zq::Cast<const IEnd>(&part);
        const Core::IModelElement* t = end != nullptr ? end->GetTerminal() : nullptr;
        zq::float8Point p, q;
        return t != nullptr && LineOf(*t, p, q) && Along(part.GetPoint(), next.GetPoint(), p, q);
    };
    const std::size_t n = s.parts.size();
    return n >= 2 && (along(*s.parts[0], *s.parts[1]) || along(*s.parts[n - 1], *s.parts[n - 2]));
}

// Whether the stretch runs between ends on two boxes and a change shrank it to a point where the
// boxes touch (a class dropped onto the edge of its package): nothing of it shows.
bool ShrunkToAPoint(const Stretch& s, const std::vector<Box>& boxes)
{
    const Box *from = BoxOf(*s.parts.front(), boxes), *to = BoxOf(*s.parts.back(), boxes);
    if (from == nullptr || to == nullptr || from == to) return false;
    const zq::float8Point p = s.parts.front()->GetPoint();
    return std::all_of(s.parts.begin(), s.parts.end(), [&](const ISegmentEnd* part) {
        const zq::float8Point q = part->GetPoint();
        return std::abs(q.x - p.x) + std::abs(q.y - p.y) <= 1;
    });
}

// The point at the fraction f of the way from a to b.
zq::float8Point At(const zq::float8Point& a, const zq::float8Point& b, double f)
{
    return {a.x + f * (b.x - a.x), a.y + f * (b.y - a.y)};
}

// Where p lies along the segment from a to b, from 0 to 1.
double Fraction(const zq::float8Point& a, const zq::float8Point& b, const zq::float8Point& p)
{
    const double dx = b.x - a.x, dy = b.y - a.y, l2 = dx * dx + dy * dy;
    return l2 == 0 ? 0.5 : std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / l2, 0.0, 1.0);
}

// A leg of a path: its segment and its points.
struct Leg {
    ISegment* segment;
    zq::float8Point a, b;
    double length;
};

// The segments' legs, longest first.
std::vector<Leg> LegsOf(const std::vector<ISegment*>& segments)
{
    std::vector<Leg> legs;
    for (ISegment* seg : segments) {
        ISegmentEnd *sa, *sb;
        if (seg->IsDeleted() || !seg->GetEnds(sa, sb)) continue;
        const zq::float8Point pa = sa->GetPoint(), pb = sb->GetPoint();
        legs.push_back({seg, pa, pb, std::hypot(pb.x - pa.x, pb.y - pa.y)});
    }
    std::stable_sort(legs.begin(), legs.end(), [](const Leg& x, const Leg& y) { return x.length > y.length; });
    return legs;
}

// An end put onto a leg that its own segment runs along (no leg of the path runs across it) meets
// the leg across instead: its segment turns a clearance off the leg, on the side its far join's
// other segment leads to, so that its connector no longer runs along the path to the path's end.
// From a far end (on a box) the segment first goes on a clearance the way it left the box.
void MeetAcross(Core::Env& env, IEnd& e, const Leg& leg)
{
    ISegment* own = e.GetSegment();
    ISegmentEnd* far = own != nullptr ? own->OtherEnd(&e) : nullptr;
    const bool level = leg.a.y == leg.b.y;
    if (far == nullptr || !(level ? own->IsHorizontalOrtho() : own->IsVerticalOrtho())) return;
    const zq::float8Point q = e.GetPoint(), f = far->GetPoint();
    const double gap = level ? q.x - f.x : q.y - f.y;  // along the leg, from the far part
    if ((level ? f.y != q.y : f.x != q.x) || std::abs(gap) < 2 * kClearance) return;
    double side = 1;
    auto* j = zq::Cast<IJoin>(far);
    if (const ISegment* next = j != nullptr && j->GetSegmentCount() == 2 ? j->GetOtherSegment(own) : nullptr)
        if (const ISegmentEnd* n = next->OtherEnd(j))
            side = (level ? n->GetPoint().y - f.y : n->GetPoint().x - f.x) < 0 ? -1 : 1;
    const double off = side * kClearance, on = j != nullptr ? 0 : (gap < 0 ? -kClearance : kClearance);
    std::vector<zq::float8Point> bends;
    if (on != 0) bends.push_back(level ? zq::float8Point{f.x + on, f.y} : zq::float8Point{f.x, f.y + on});
    const zq::float8Point turn = level ? zq::float8Point{f.x + on, q.y + off} : zq::float8Point{q.x + off, f.y + on};
    bends.push_back(turn);
    bends.push_back(level ? zq::float8Point{q.x, q.y + off} : zq::float8Point{q.x + off, q.y});
    // The own segment now runs to the first bend: along the leg's axis from a far end, across it
    // from a far join.
    const bool ownLevel = level == (on != 0);
    own->SetHorizontalOrtho(env, ownLevel);
    own->SetVerticalOrtho(env, !ownLevel);
    Functions::InsertBends(env, e, bends);
}

// Puts the ends (of other connectors) onto the legs, spread evenly along the leg each goes to, in
// their order: an end whose own segment is level goes onto the longest plumb leg and the other way
// round, so that its connector meets the path rather than running along it; else the longest leg.
void Spread(Core::Env& env, const std::vector<Leg>& legs, const std::vector<IEnd*>& ends)
{
    std::vector<std::vector<IEnd*>> onLeg(legs.size());
    for (IEnd* e : ends) {
        const ISegment* own = e->GetSegment();
        std::size_t k = 0;
        for (std::size_t i = 0; own != nullptr && i < legs.size(); ++i)
            if ((own->IsHorizontalOrtho() && legs[i].a.x == legs[i].b.x) ||
                (own->IsVerticalOrtho() && legs[i].a.y == legs[i].b.y)) {
                k = i;
                break;
            }
        onLeg[k].push_back(e);
    }
    for (std::size_t i = 0; i < legs.size(); ++i)
        for (std::size_t k = 0; k < onLeg[i].size(); ++k) {
            IEnd* e = onLeg[i][k];
            const Leg& leg = legs[i];
            if (e->IsDeleted() || leg.length == 0) continue;
            if (e->GetTerminal() != leg.segment) e->SetTerminal(env, leg.segment);
            const double along = double(k + 1) / double(onLeg[i].size() + 1);
            const zq::float8Point q = At(leg.a, leg.b, std::round(along * leg.length / 100) * 100 / leg.length);
            const zq::float8Point o = e->GetOldPosition();
            Core::DeferredShiftSet set;
            if (q != e->GetPoint()) e->Shift(env, leg.segment, {q.x - o.x, q.y - o.y, true, true}, set, false);
            if (!e->IsDeleted()) MeetAcross(env, *e, leg);
        }
}

// Gives the stretch the path (from its first part's point to its last's, the last part an end):
// its first segment stays and takes what rested on the others, its inner joins and other segments
// go, and bends are made at the path's corners. What rested on the stretch goes to the path's
// longest leg: anchored texts to its middle, other connectors' ends spread along it in the order
// they had along the stretch (the change that left the stretch in a box may have pushed them all
// to one point).
void Lay(Core::Env& env, const Stretch& s, const std::vector<zq::float8Point>& path)
{
    std::vector<std::pair<double, IEnd*>> resting;  // by their place along the stretch
    for (std::size_t k = 0; k < s.segments.size(); ++k) {
        const zq::float8Point a = s.parts[k]->GetPoint(), b = s.parts[k + 1]->GetPoint();
        for (IEnd* e : s.segments[k]->GetAttachedEnds()) resting.push_back({double(k) + Fraction(a, b, e->GetPoint()), e});
    }
    std::stable_sort(resting.begin(), resting.end(),
                     [](const auto& x, const auto& y) { return x.first < y.first; });
    ISegmentEnd& first = *s.parts.front();
    IEnd& last = *zq::Cast<IEnd>(s.parts.back());
    ISegment* kept = s.segments.front();
    IConnector* c = last.GetConnector();
    for (std::size_t k = 1; k < s.segments.size(); ++k) Functions::GiveAttachedEnds(env, *s.segments[k], *kept);
    if (s.segments.size() > 1) {
        kept->Reconnect(env, s.parts[1], &last);
        last.InsertSegment(env, s.segments.back(), kept);
        for (std::size_t k = 1; k < s.segments.size(); ++k) {
            s.segments[k]->SetEnds(env, {});
            s.segments[k]->ImplementDeletion(env, nullptr, nullptr);
        }
        for (std::size_t k = 1; k + 1 < s.parts.size(); ++k) {
            auto* j = zq::Cast<IJoin>(s.parts[k]);
            if (c != nullptr) c->RemoveJoin(env, j);
            j->Core::IModelElement::Delete(env);
        }
    }
    if (auto* e = zq::Cast<IEnd>(&first)) {
        e->SetPendingPoint(nullptr);
        e->MoveTo(env, path.front());
    }
    last.SetPendingPoint(nullptr);
    last.MoveTo(env, path.back());
    kept->SetHorizontalOrtho(env, path[0].y == path[1].y);
    kept->SetVerticalOrtho(env, path[0].x == path[1].x);
    if (path.size() > 2) Functions::InsertBends(env, last, {path.begin() + 1, path.end() - 1});
    const std::vector<Leg> legs = LegsOf(StretchFrom(first, kept, s.segments.size() + path.size()).segments);
    if (legs.empty()) return;
    if (legs.front().segment != kept) Functions::GiveAttachedEnds(env, *kept, *legs.front().segment);
    const zq::float8Point middle = At(legs.front().a, legs.front().b, 0.5);
    legs.front().segment->PlaceCarried(env, middle, middle);
    std::vector<IEnd*> ends;
    for (const auto& r : resting) ends.push_back(r.second);
    Spread(env, legs, ends);
}

// Ends of other connectors that rest on the connector's path on or inside one of its boxes (a
// change took the path's end there) go to its legs outside them; whether any moved.
bool FreeRestingEnds(Core::Env& env, const IConnector& c, const std::vector<Box>& boxes)
{
    const auto inBox = [&](const zq::float8Point& p) {
        return std::any_of(boxes.begin(), boxes.end(), [&](const Box& b) { return Functions::Holds(*b.terminal, p, -0.5); });
    };
    std::vector<IEnd*> ends;
    for (ISegment* seg : c.GetSegmentList())
        for (IEnd* e : seg->GetAttachedEnds())
            if (!e->IsDeleted() && inBox(e->GetPoint())) ends.push_back(e);
    std::vector<Leg> legs = LegsOf(c.GetSegmentList());
    legs.erase(std::remove_if(legs.begin(), legs.end(), [&](const Leg& l) { return inBox(At(l.a, l.b, 0.5)); }),
               legs.end());
    if (ends.empty() || legs.empty()) return false;
    Spread(env, legs, ends);
    return true;
}

// Whether the point lies inside the rectangle or within half a unit of its sides.
bool OnOrInside(const zq::Rect& r, const zq::float8Point& p)
{
    return p.x >= r.left - 0.5 && p.x <= r.right + 0.5 && p.y >= r.bottom - 0.5 && p.y <= r.top + 0.5;
}

// The stretch along the side that the join's legs in line with that side reach (plumb legs for a
// left or right side, level legs for a top or bottom side), through the joins they lead to: what
// moves with the join when it is lifted off a box.
std::pair<double, double> Reach(const IJoin& j, bool plumb)
{
    const auto along = [&](const zq::float8Point& q) { return plumb ? q.y : q.x; };
    const auto across = [&](const zq::float8Point& q) { return plumb ? q.x : q.y; };
    std::pair<double, double> reach{along(j.GetPoint()), along(j.GetPoint())};
    std::vector<const ISegmentEnd*> seen{&j}, work{&j};
    while (!work.empty()) {
        const ISegmentEnd* part = work.back();
        work.pop_back();
        if (zq::Cast<const IJoin>(part) == nullptr) continue;
        for (const ISegment* s : part->GetSegments()) {
            const ISegmentEnd* next = s->OtherEnd(part);
            if (next == nullptr || across(next->GetPoint()) != across(part->GetPoint()) ||
                std::find(seen.begin(), seen.end(), next) != seen.end())
                continue;
            reach = {std::min(reach.first, along(next->GetPoint())), std::max(reach.second, along(next->GetPoint()))};
            seen.push_back(next);
            work.push_back(next);
        }
    }
    return reach;
}

// The coordinate a clearance out of the box past its side (TraverseDir order: left, right, top,
// bottom), for legs that reach over the stretch given along that side; where another box of the
// connector lies closer than that beyond the side, the middle of the gap between the two.
double OffTheSide(const zq::Rect& r, int side, const std::pair<double, double>& reach, const std::vector<Box>& boxes)
{
    const double out[4] = {-1, 1, 1, -1};
    const double edge[4] = {double(r.left), double(r.right), double(r.top), double(r.bottom)};
    const bool level = side < 2;
    double to = edge[side] + out[side] * kClearance;
    for (const Box& b : boxes) {
        const zq::Rect& o = b.rect;
        const double lo = level ? o.bottom : o.left, hi = level ? o.top : o.right;
        if (o == r || reach.second < lo || reach.first > hi) continue;
        // The side of the other box that faces this one, and the room between them.
        const double facing = side == 0 ? o.right : side == 1 ? o.left : side == 2 ? o.bottom : o.top;
        const double room = (facing - edge[side]) * out[side];
        if (room <= 0 || room >= 2 * kClearance) continue;
        // On the grid where a grid line lies between them.
        const double middle = std::round(room / 200) * 100;
        to = edge[side] + out[side] * (middle > 0 && middle < room ? middle : room / 2);
    }
    return to;
}

// A join of the stretch from a box's end (its branching join or a bend) that the box now covers
// (the box was moved onto its level) goes a clearance out of the box, past the side where the
// stretch from the box's end to the join leaves it: the legs level (or plumb) with it come along
// and the legs across stretch, so that the branches stay a tree that meets the box from outside.
// Whether a join moved.
bool LiftJoinsOffBoxes(Core::Env& env, const IConnector& c, const std::vector<Box>& boxes)
{
    // The joins and where they go, all found before any moves: a lift that takes level legs into
    // another box is for the stretches to be laid around it, not for a lift back.
    struct Lift {
        IJoin* join;
        double to;
        bool level;
    };
    std::vector<Lift> lifts;
    for (Stretch s : StretchesOf(c)) {
        if (zq::Cast<IEnd>(s.parts.front()) == nullptr) std::reverse(s.parts.begin(), s.parts.end());
        const Box* box = BoxOf(*s.parts.front(), boxes);
        if (box == nullptr || zq::Cast<IJoin>(s.parts.back()) == nullptr) continue;
        const zq::Rect& r = box->rect;
        const auto covered = [&](ISegmentEnd* part) {
            return zq::Cast<IJoin>(part) != nullptr && !part->IsDeleted() && OnOrInside(r, part->GetPoint());
        };
        // The first join along the stretch that the box covers: its branching join, or a bend of
        // it that a join beyond leads back into the box from.
        const auto at = std::find_if(s.parts.begin() + 1, s.parts.end(), covered);
        if (at == s.parts.end()) continue;
        auto* j = zq::Cast<IJoin>(*at);
        const zq::float8Point e = s.parts.front()->GetPoint();
        // The side the end lies on: the nearest to it.
        const double gap[4] = {e.x - r.left, r.right - e.x, r.top - e.y, e.y - r.bottom};
        const int side = int(std::min_element(gap, gap + 4) - gap);
        const bool level = side < 2;
        if (std::none_of(lifts.begin(), lifts.end(), [&](const Lift& l) { return l.join == j; }))
            lifts.push_back({j, OffTheSide(r, side, Reach(*j, level), boxes), level});
    }
    for (const Lift& l : lifts) {
        const zq::float8Point old = zq::Cast<Core::IPosition>(l.join)->GetOldPosition();
        Core::DeferredShiftSet set;
        if (!l.join->IsDeleted())
            l.join->Shift(env, nullptr, {l.level ? l.to - old.x : 0, l.level ? 0 : l.to - old.y, l.level, !l.level}, set,
                          false);
    }
    return !lifts.empty();
}

// The points of the line from a to b a clearance out of the rectangle past each side it crosses
// (half-way to the line's end where that is nearer).
std::vector<zq::float8Point> WaysOut(const zq::float8Point& a, const zq::float8Point& b, const zq::Rect& r)
{
    const double length = std::hypot(b.x - a.x, b.y - a.y);
    if (length == 0) return {};
    // The stretch [in, out] of the line inside the rectangle.
    double in = 0, out = 1;
    const auto clip = [&](double d, double q) {
        if (d != 0) (d < 0 ? in : out) = d < 0 ? std::max(in, q / d) : std::min(out, q / d);
    };
    clip(a.x - b.x, a.x - r.left);
    clip(b.x - a.x, r.right - a.x);
    clip(a.y - b.y, a.y - r.bottom);
    clip(b.y - a.y, r.top - a.y);
    const double step = kClearance / length;
    std::vector<zq::float8Point> ways;
    if (in > 0) ways.push_back(At(a, b, std::max(in - step, in / 2)));
    if (out < 1) ways.push_back(At(a, b, std::min(out + step, (1 + out) / 2)));
    return ways;
}

// An end of the connector on a line that a box kept out of whole now covers (a note moved over the
// line its connector points at) slides along it out of the box, a clearance past its side, to the
// nearest way out; from a connector's segment that lies wholly inside, onto the nearest of the
// other segments of that connector that leads out. Whether an end moved.
bool SlideEndsOutOfWholeBoxes(Core::Env& env, const IConnector& c, const std::vector<Box>& boxes)
{
    bool moved = false;
    for (IEnd* e : c.GetEnds()) {
        Core::IModelElement* line = e->IsDeleted() ? nullptr : e->GetTerminal();
        const zq::float8Point p = e->GetPoint();
        const auto box = std::find_if(boxes.begin(), boxes.end(), [&](const Box& x) { return x.whole && OnOrInside(x.rect, p); });
        if (line == nullptr || line->IsDeleted() || box == boxes.end()) continue;
        std::vector<Core::IModelElement*> lines{line};
        if (const auto* s = zq::Cast<const ISegment>(line); s != nullptr && s->GetConnector() != nullptr)
            for (ISegment* other : s->GetConnector()->GetSegmentList())
                if (other != s && !other->IsDeleted()) lines.push_back(other);
        Core::IModelElement* onto = nullptr;
        zq::float8Point q;
        double best = std::numeric_limits<double>::infinity();
        for (Core::IModelElement* l : lines) {
            zq::float8Point a, b;
            if (!LineOf(*l, a, b)) continue;
            for (const zq::float8Point& w : WaysOut(a, b, box->rect))
                if (const double d = std::hypot(w.x - p.x, w.y - p.y); d < best) best = d, q = w, onto = l;
        }
        if (onto == nullptr) continue;
        if (onto != line) e->SetTerminal(env, onto);
        const zq::float8Point o = e->GetOldPosition();
        Core::DeferredShiftSet set;
        e->Shift(env, onto, {q.x - o.x, q.y - o.y, true, true}, set, false);
        moved = true;
    }
    return moved;
}

// What the running changes did to connectors: those whose boxes changed, and those laid anew;
// and the boxes they moved, resized or made.
struct Marks {
    std::set<const IConnector*> boxChanged, laid;
    std::set<const Core::IModelElement*> boxesMoved;
};

Marks& MarksOf(Core::Env& env)
{
    static std::map<std::uint64_t, Marks> marks;
    const std::uint64_t serial = env.GetTransaction().GetSerial();
    // Changes open at once are few: the marks of long-closed ones go.
    while (!marks.empty() && marks.begin()->first + 1000 < serial) marks.erase(marks.begin());
    return marks[serial];
}
} // namespace

bool NoteBoxesMoved(Core::Env& env, const std::vector<Core::ElementPtr>& recorded)
{
    Marks* marks = nullptr;
    for (const Core::ElementPtr& e : recorded) {
        if (e->IsDeleted() || zq::Cast<Core::ITerminal>(e.get()) == nullptr || zq::Cast<IConnectorElement>(e.get()) != nullptr)
            continue;
        // A box of fixed size (a bar, a pseudo-state) is recorded for its place; a resizable one
        // also when only what it holds changed.
        const auto* box = zq::Cast<Core::IResizable>(e.get());
        if (!e->IsNew() && box != nullptr && box->GetOldPos() == box->GetPos() && box->GetOldSize() == box->GetSize())
            continue;
        if (marks == nullptr) marks = &MarksOf(env);
        marks->boxesMoved.insert(e.get());
    }
    return marks != nullptr;
}

bool MovedByTheChange(Core::Env& env, const Core::IModelElement& box) { return MarksOf(env).boxesMoved.count(&box) > 0; }

void NoteBoxChanged(Core::Env& env, const IConnector& c)
{
    Marks& marks = MarksOf(env);
    marks.boxChanged.insert(&c);
    // The connectors ending on its lines keep off its boxes too, though no part of them moved.
    for (const ISegment* s : c.GetSegmentList()) {
        if (s->IsDeleted()) continue;
        for (IEnd* e : s->GetAttachedEnds())
            if (IConnector* other = e->IsDeleted() ? nullptr : e->GetConnector(); other != nullptr && other != &c) {
                marks.boxChanged.insert(other);
                CheckAfterChange(env, *other);
            }
    }
}

bool KeepOffBoxes(Core::Env& env, IConnector& c)
{
    Marks& marks = MarksOf(env);
    if (c.IsDeleted() || !env.GetTransaction().KeepsHistory() || !marks.boxChanged.count(&c) || marks.laid.count(&c))
        return false;
    const std::vector<Box> boxes = BoxesOf(c);
    std::vector<zq::Rect> rects;
    for (const Box& b : boxes) rects.push_back(b.rect);
    const auto enters = [&](const zq::float8Point& a, const zq::float8Point& b) {
        return std::any_of(boxes.begin(), boxes.end(), [&](const Box& box) { return Enters(box, a, b); });
    };
    // An end inside the rectangle of a box kept out of whole (on its cut corner).
    const auto misplaced = [&](const ISegmentEnd* part) {
        const Box* box = BoxOf(*part, boxes);
        return box != nullptr && box->whole && InsideRect(box->rect, part->GetPoint());
    };
    bool changed = SlideEndsOutOfWholeBoxes(env, c, boxes);
    changed = LiftJoinsOffBoxes(env, c, boxes) || changed;
    for (Stretch s : StretchesOf(c)) {
        const bool faulty = misplaced(s.parts.front()) || misplaced(s.parts.back()) || ShrunkToAPoint(s, boxes) ||
                            AlongItsLine(s) ||
                            std::any_of(s.segments.begin(), s.segments.end(), [&](ISegment* seg) {
                                ISegmentEnd *a, *b;
                                return seg->GetEnds(a, b) && enters(a->GetPoint(), b->GetPoint());
                            });
        if (!faulty) continue;
        if (zq::Cast<IEnd>(s.parts.back()) == nullptr) {
            std::reverse(s.parts.begin(), s.parts.end());
            std::reverse(s.segments.begin(), s.segments.end());
        }
        if (zq::Cast<IEnd>(s.parts.back()) == nullptr) continue;
        const auto find = [&](bool acrossShapes) {
            return FindPath(PortsOf(*s.parts.front(), *s.parts.back(), boxes, acrossShapes),
                            PortsOf(*s.parts.back(), *s.parts.front(), boxes, acrossShapes), rects);
        };
        // A path that would run along the lifeline its end rests on (and so shrink onto it) meets the
        // line across instead.
        std::vector<zq::float8Point> path = find(false);
        if (path.size() >= 2 && (AlongLineShape(*s.parts.front(), path[0], path[1]) ||
                                 AlongLineShape(*s.parts.back(), path[path.size() - 1], path[path.size() - 2])))
            path = find(true);
        bool clear = path.size() >= 2;
        for (std::size_t k = 0; clear && k + 1 < path.size(); ++k) clear = !enters(path[k], path[k + 1]);
        if (!clear) continue;
        Lay(env, s, path);
        changed = true;
    }
    changed = FreeRestingEnds(env, c, boxes) || changed;
    if (changed) marks.laid.insert(&c);
    return changed;
}

} // namespace Connector::Routing
