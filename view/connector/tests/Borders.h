// What the tests of connectors around moved boxes ask of a path, in every layer that moves boxes.
#pragma once

#include "core/Diagram.h"
#include "core/Interfaces.h"
#include "view/connector/Functions.h"
#include "view/connector/Interfaces.h"

#include <algorithm>
#include <cmath>
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

inline std::vector<PathBox> PathBoxesOf(const Connector::IConnector& c)
{
    std::vector<PathBox> boxes;
    for (Connector::IEnd* e : c.GetEnds()) {
        const Core::IModelElement* t = e->GetTerminal();
        const auto* terminal = dynamic_cast<const Core::ITerminal*>(t);
        if (e->IsDeleted() || terminal == nullptr) continue;
        if (const auto* box = dynamic_cast<const Core::IResizable*>(t))
            boxes.push_back({t, terminal, box->GetRect().Normalized()});
        if (const Core::IResizable* carrier = terminal->GetCarrierBox())
            if (const auto* ct = dynamic_cast<const Core::ITerminal*>(carrier))
                boxes.push_back({carrier, ct, carrier->GetRect().Normalized()});
    }
    return boxes;
}

// What is wrong with the way the connector meets the terminals its ends lie on, one line per fault,
// empty when nothing is: an end off its terminal's outline; a segment that enters a box the
// connector ends on or that such a box hangs on (so also an end whose segment leaves it inwards);
// a segment along a border of such a box; an end on another connector's segment that lies inside
// one of that connector's boxes. A box that holds another end of the connector (a composite state
// and its substate) may be run through.
inline std::vector<std::string> PathFaults(const Connector::IConnector& c)
{
    std::vector<std::string> faults;
    if (c.IsDeleted()) return faults;
    const auto id = [](const Core::IModelElement* e) { return "r" + std::to_string(e->GetObjectId()); };
    for (Connector::IEnd* e : c.GetEnds()) {
        const Core::IModelElement* t = e->GetTerminal();
        const auto* terminal = dynamic_cast<const Core::ITerminal*>(t);
        if (e->IsDeleted() || terminal == nullptr) continue;
        if (!OnOutline(*terminal, e->GetPosition()))
            faults.push_back("end " + id(e) + " lies off the outline of " + id(t));
        if (const auto* line = dynamic_cast<const Connector::ISegment*>(t); line && line->GetConnector())
            for (const PathBox& box : PathBoxesOf(*line->GetConnector()))
                if (Connector::Functions::Holds(*box.terminal, e->GetPosition(), 1))
                    faults.push_back("end " + id(e) + " lies inside " + id(box.element));
    }
    for (const PathBox& box : PathBoxesOf(c)) {
        const zq::Rect& r = box.rect;
        const bool holdsAnother = std::any_of(c.GetEnds().begin(), c.GetEnds().end(), [&](Connector::IEnd* e) {
            return !e->IsDeleted() && e->GetTerminal() != box.element &&
                   Connector::Functions::Holds(*box.terminal, e->GetPosition(), 1);
        });
        if (holdsAnother) continue;
        if (RunsAlongBorder(c, r)) faults.push_back("a segment runs along a border of " + id(box.element));
        for (Connector::ISegment* s : c.GetSegmentList()) {
            Connector::ISegmentEnd *a, *b;
            if (!s->IsDeleted() && s->GetEnds(a, b) && Crosses(*box.terminal, a->GetPoint(), b->GetPoint()))
                faults.push_back("segment " + id(s) + " runs inside " + id(box.element));
        }
    }
    return faults;
}

// The faults of every connector of the diagram, each once.
inline std::set<std::string> PathFaults(const Core::Diagram& diagram)
{
    std::set<std::string> faults;
    for (const auto& e : diagram.Elements())
        if (auto* c = dynamic_cast<const Connector::IConnector*>(e.get()); c && !e->IsDeleted())
            for (const std::string& f : PathFaults(*c)) faults.insert(f);
    return faults;
}

} // namespace ConnectorTest
