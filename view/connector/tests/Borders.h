// What the tests of connectors around moved boxes ask of a path, in every layer that moves boxes.
#pragma once

#include "core/Diagram.h"
#include "core/Interfaces.h"
#include "view/connector/Functions.h"
#include "view/connector/Interfaces.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace ConnectorTest {

// Whether a segment of the connector lies along an edge of the rectangle for more than a point.
inline bool RunsAlongBorder(const Connector::IConnector& c, const zq::Rect& rect)
{
    const zq::Rect r = rect.Normalized();
    for (Connector::ISegment* s : c.GetSegmentList()) {
        Connector::ISegmentEnd *e, *f;
        if (!s->GetEnds(e, f)) continue;
        const zq::float8Point p = e->GetPoint(), q = f->GetPoint();
        if (p.y == q.y && (p.y == r.top || p.y == r.bottom) &&
            std::min(std::max(p.x, q.x), double(r.right)) > std::max(std::min(p.x, q.x), double(r.left)))
            return true;
        if (p.x == q.x && (p.x == r.left || p.x == r.right) &&
            std::min(std::max(p.y, q.y), double(r.top)) > std::max(std::min(p.y, q.y), double(r.bottom)))
            return true;
    }
    return false;
}

// Whether the point lies on the terminal's outline (within a unit of its level or plumb projection).
inline bool OnOutline(const Core::ITerminal& t, const zq::float8Point& p)
{
    for (bool level : {true, false}) {
        GraphUtil::OutlineHit h;
        if (t.GetTerminalOutline(h, p, level) && h.valid && std::abs(h.point.x - p.x) + std::abs(h.point.y - p.y) <= 1)
            return true;
    }
    return false;
}

// Whether the segment from a to b enters the inside of the terminal: at its points 2 units off
// either end across and down (an oblique segment leaving an edge at a shallow angle stays off it)
// and every 25 units between.
inline bool Crosses(const Core::ITerminal& t, const zq::float8Point& a, const zq::float8Point& b)
{
    const double length = std::hypot(b.x - a.x, b.y - a.y);
    if (length < 4) return false;
    const double dx = std::abs(b.x - a.x), dy = std::abs(b.y - a.y);
    const double off = std::min(0.5, 2 / (dx > 0 && dy > 0 ? std::min(dx, dy) : length));
    std::vector<double> at{off, 1 - off};
    const int n = int(std::ceil(length / 25));
    for (int i = 1; i < n; ++i) at.push_back(double(i) / n);
    for (double f : at)
        if (Connector::Functions::Holds(t, {a.x + f * (b.x - a.x), a.y + f * (b.y - a.y)}, 1)) return true;
    return false;
}

// A box a connector ends on, or that such a box hangs on (a qualifier's class).
struct PathBox {
    const Core::IModelElement* element;
    const Core::ITerminal* terminal;
    zq::Rect rect;
};

// Whether the terminal is a box, and its rectangle: a resizable element, or one whose bounds have
// an area (an activation's bar); a line (a lifeline, a connector segment) is none.
inline bool IsBox(const Core::IModelElement* t, zq::Rect& rect)
{
    if (const auto* box = dynamic_cast<const Core::IResizable*>(t)) {
        rect = box->GetRect().Normalized();
        return true;
    }
    const auto* pointable = dynamic_cast<const Core::IPointable*>(t);
    if (pointable == nullptr || dynamic_cast<const Connector::ISegment*>(t) || !pointable->GetBoundingRect(rect))
        return false;
    rect = rect.Normalized();
    return rect.Width() > 0 && rect.Height() > 0;
}

inline std::vector<PathBox> PathBoxesOf(const Connector::IConnector& c)
{
    std::vector<PathBox> boxes;
    for (Connector::IEnd* e : c.GetEnds()) {
        const Core::IModelElement* t = e->GetTerminal();
        const auto* terminal = dynamic_cast<const Core::ITerminal*>(t);
        if (e->IsDeleted() || terminal == nullptr) continue;
        if (zq::Rect rect; IsBox(t, rect)) boxes.push_back({t, terminal, rect});
        if (const Core::IResizable* carrier = terminal->GetCarrierBox())
            if (const auto* ct = dynamic_cast<const Core::ITerminal*>(carrier))
                boxes.push_back({carrier, ct, carrier->GetRect().Normalized()});
    }
    return boxes;
}

// Whether the segment from a to b reaches strictly inside the rectangle.
inline bool CrossesRect(const zq::Rect& r, const zq::float8Point& a, const zq::float8Point& b)
{
    const double length = std::hypot(b.x - a.x, b.y - a.y);
    const int n = std::max(2, int(std::ceil(length / 25)));
    for (int i = 0; i <= n; ++i) {
        const double x = a.x + (b.x - a.x) * i / n, y = a.y + (b.y - a.y) * i / n;
        if (r.left < x && x < r.right && r.bottom < y && y < r.top) return true;
    }
    return false;
}

// The faults of a connector's own end on the box that holds it (a note's end of its note
// connector): the whole rectangle is the box (the note's folded corner too), so the end lies on its
// border and no segment reaches inside.
inline std::vector<std::string> OwnEndFaults(const Connector::IConnector& c)
{
    std::vector<std::string> faults;
    zq::Rect r;
    const Core::IModelElement* owner = c.GetOwner();
    if (owner == nullptr || !IsBox(owner, r)) return faults;
    const auto id = [](const Core::IModelElement* e) { return "r" + std::to_string(e->GetObjectId()); };
    for (Connector::IEnd* e : c.GetEnds()) {
        if (e->IsDeleted() || e->GetTerminal() != owner) continue;
        const zq::float8Point p = e->GetPosition();
        if (r.left + 1 < p.x && p.x < r.right - 1 && r.bottom + 1 < p.y && p.y < r.top - 1)
            faults.push_back("end " + id(e) + " lies inside the rectangle of " + id(owner));
    }
    for (Connector::ISegment* s : c.GetSegmentList()) {
        Connector::ISegmentEnd *a, *b;
        if (!s->IsDeleted() && s->GetEnds(a, b) && CrossesRect(r.Inflated(-1), a->GetPoint(), b->GetPoint()))
            faults.push_back("segment " + id(s) + " runs inside the rectangle of " + id(owner));
    }
    return faults;
}

// Whether every part of the connector lies at one point (its boxes touch there): nothing of it shows.
inline bool ShrunkToAPoint(const Connector::IConnector& c)
{
    std::vector<zq::float8Point> points;
    for (Connector::IEnd* e : c.GetEnds())
        if (!e->IsDeleted()) points.push_back(e->GetPoint());
    for (Connector::IJoin* j : c.GetJoins())
        if (!j->IsDeleted()) points.push_back(j->GetPoint());
    return points.size() >= 2 && std::all_of(points.begin(), points.end(), [&](const zq::float8Point& p) {
               return std::abs(p.x - points[0].x) + std::abs(p.y - points[0].y) <= 1;
           });
}

// Whether the box holds an end of the connector that lies on another terminal (a composite state
// its substate's end, a package the end on a class inside it).
inline bool HoldsAnotherEnd(const Connector::IConnector& c, const PathBox& box)
{
    return std::any_of(c.GetEnds().begin(), c.GetEnds().end(), [&](Connector::IEnd* e) {
        return !e->IsDeleted() && e->GetTerminal() != box.element &&
               Connector::Functions::Holds(*box.terminal, e->GetPosition(), 1);
    });
}

// Whether one of the connector's ends lies on a box inside the rectangle (a note in a package).
inline bool StartsIn(const Connector::IConnector& c, const zq::Rect& rect)
{
    return std::any_of(c.GetEnds().begin(), c.GetEnds().end(), [&](Connector::IEnd* e) {
        zq::Rect own;
        return !e->IsDeleted() && IsBox(e->GetTerminal(), own) && rect.Contains(own);
    });
}

// What is wrong with the way the connector meets the terminals its ends lie on, one line per fault,
// empty when nothing is: an end off its terminal's outline; a segment that enters a box the
// connector ends on or that such a box hangs on (so also an end whose segment leaves it inwards);
// a segment along a border of such a box; an end on another connector's segment that lies inside
// one of that connector's boxes, or a segment inside the rectangle of such a box that the
// connector does not start in; the connector's own end or a segment inside the rectangle of the
// box that holds the connector. A box that holds another end of the connector (a composite state
// and its substate) may be run through.
inline std::vector<std::string> PathFaults(const Connector::IConnector& c)
{
    if (c.IsDeleted()) return {};
    std::vector<std::string> faults = OwnEndFaults(c);
    const auto id = [](const Core::IModelElement* e) { return "r" + std::to_string(e->GetObjectId()); };
    for (Connector::IEnd* e : c.GetEnds()) {
        const Core::IModelElement* t = e->GetTerminal();
        const auto* terminal = dynamic_cast<const Core::ITerminal*>(t);
        if (e->IsDeleted() || terminal == nullptr) continue;
        if (!OnOutline(*terminal, e->GetPosition()))
            faults.push_back("end " + id(e) + " lies off the outline of " + id(t));
        if (const auto* line = dynamic_cast<const Connector::ISegment*>(t); line && line->GetConnector())
            for (const PathBox& box : PathBoxesOf(*line->GetConnector())) {
                if (HoldsAnotherEnd(*line->GetConnector(), box)) continue;  // a package around the line
                if (Connector::Functions::Holds(*box.terminal, e->GetPosition(), 1))
                    faults.push_back("end " + id(e) + " lies inside " + id(box.element));
                else if (!StartsIn(c, box.rect))
                    for (Connector::ISegment* s : c.GetSegmentList()) {
                        Connector::ISegmentEnd *a, *b;
                        if (!s->IsDeleted() && s->GetEnds(a, b) && CrossesRect(box.rect.Inflated(-1), a->GetPoint(), b->GetPoint()))
                            faults.push_back("segment " + id(s) + " runs inside " + id(box.element) + " of the line it ends on");
                    }
            }
    }
    for (const PathBox& box : PathBoxesOf(c)) {
        const zq::Rect& r = box.rect;
        if (HoldsAnotherEnd(c, box)) continue;
        if (RunsAlongBorder(c, r)) faults.push_back("a segment runs along a border of " + id(box.element));
        for (Connector::ISegment* s : c.GetSegmentList()) {
            Connector::ISegmentEnd *a, *b;
            if (!s->IsDeleted() && s->GetEnds(a, b) && Crosses(*box.terminal, a->GetPoint(), b->GetPoint()))
                faults.push_back("segment " + id(s) + " runs inside " + id(box.element));
        }
    }
    return faults;
}

// The connectors of the diagram shrunk to a point, one line each (the model tables ask it; the
// real-drag table does not yet).
inline std::set<std::string> ShrinkFaults(const Core::Diagram& diagram)
{
    std::set<std::string> faults;
    for (const auto& e : diagram.Elements()) {
        const auto* c = dynamic_cast<const Connector::IConnector*>(e.get());
        if (c != nullptr && !c->IsDeleted() && ShrunkToAPoint(*c))
            faults.insert("connector r" + std::to_string(e->GetObjectId()) + " shrinks to a point");
    }
    return faults;
}

// The end the text is anchored to (a multiplicity, a role), or none.
inline const Connector::IEnd* EndOfText(const Core::IModelElement& text)
{
    const Core::IModelElement* anchor = text.GetOwner();
    return anchor != nullptr ? dynamic_cast<const Connector::IEnd*>(anchor->GetOwner()) : nullptr;
}

// The fault of a text anchored to an end whose rectangle reaches into the box the end lies on.
inline std::string EndTextFault(const Core::IModelElement& text)
{
    const Connector::IEnd* end = EndOfText(text);
    const auto* pointable = dynamic_cast<const Core::IPointable*>(&text);
    zq::Rect box, r;
    if (end == nullptr || end->IsDeleted() || pointable == nullptr || !IsBox(end->GetTerminal(), box) ||
        !pointable->GetBoundingRect(r))
        return "";
    r = r.Normalized();
    if (std::min(r.right, box.right) <= std::max(r.left, box.left) || std::min(r.top, box.top) <= std::max(r.bottom, box.bottom))
        return "";
    return "text r" + std::to_string(text.GetObjectId()) + " of end r" + std::to_string(end->GetObjectId()) +
           " lies inside r" + std::to_string(end->GetTerminal()->GetObjectId());
}

// How many free ends (on no terminal) each connector of the diagram has that has any, by the
// connector's id: a change that makes a bend replaces an end by a new one and keeps the count.
inline std::map<Core::ObjectId, std::size_t> FreeEnds(const Core::Diagram& diagram)
{
    std::map<Core::ObjectId, std::size_t> free;
    for (const auto& e : diagram.Elements())
        if (auto* end = dynamic_cast<const Connector::IEnd*>(e.get());
            end && !end->IsDeleted() && !end->GetTerminal() && end->GetConnector())
            ++free[end->GetConnector()->GetObjectId()];
    return free;
}

// One line for each connector of those given (with their free ends before a change) that has fewer
// free ends now, or is gone (merged into another): a move never attaches a free end.
inline std::set<std::string> AttachedFreeEnds(const Core::Diagram& diagram,
                                              const std::map<Core::ObjectId, std::size_t>& before)
{
    std::set<std::string> faults;
    const std::map<Core::ObjectId, std::size_t> now = FreeEnds(diagram);
    for (const auto& [id, count] : before) {
        const auto at = now.find(id);
        const std::size_t left = at == now.end() ? 0 : at->second;
        if (left < count)
            faults.insert("connector r" + std::to_string(id) + " has " + std::to_string(left) + " free ends of " +
                          std::to_string(count));
    }
    return faults;
}

// The faults of every connector of the diagram and of the texts of their ends, each once.
inline std::set<std::string> PathFaults(const Core::Diagram& diagram)
{
    std::set<std::string> faults;
    for (const auto& e : diagram.Elements()) {
        if (e->IsDeleted()) continue;
        if (auto* c = dynamic_cast<const Connector::IConnector*>(e.get()))
            for (const std::string& f : PathFaults(*c)) faults.insert(f);
        if (std::string f = EndTextFault(*e); !f.empty()) faults.insert(f);
    }
    return faults;
}

} // namespace ConnectorTest
