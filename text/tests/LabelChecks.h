#pragma once
// Test checks of the texts anchored on connector segments (labels) and ends, for the gesture tables.
#include "core/Diagram.h"
#include "core/foundation/GraphUtil.h"
#include "text/free/Anchor.h"
#include "text/free/FreeText.h"
#include "view/connector/Interfaces.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace TextTest {

// Whether the element is a box no text of a connector may lie over, and its rectangle: a resizable
// box, or a terminal with an area (an activation's bar, a pseudo-state); no line, connector part
// or free text.
inline bool IsBoxUnderTexts(const Core::IModelElement& e, zq::Rect& rect)
{
    if (e.IsDeleted() || dynamic_cast<const Connector::ISegment*>(&e) || dynamic_cast<const Text::FreeText*>(&e))
        return false;
    if (const auto* box = dynamic_cast<const Core::IResizable*>(&e)) {
        rect = box->GetRect().Normalized();
        return true;
    }
    const auto* shown = dynamic_cast<const Core::IPointable*>(&e);
    if (dynamic_cast<const Core::ITerminal*>(&e) == nullptr || shown == nullptr || !shown->GetBoundingRect(rect))
        return false;
    rect = rect.Normalized();
    return rect.Width() > 0 && rect.Height() > 0;
}

// Whether the rectangle holds, more than a unit inside, an end of the connector that lies on
// another element: the box holds the connector (a package, a composite state, a system around
// it), and its texts lie over it by right.
inline bool HoldsConnector(const zq::Rect& r, const Core::IModelElement& box, const Connector::IConnector& c)
{
    return std::any_of(c.GetEnds().begin(), c.GetEnds().end(), [&](const Connector::IEnd* e) {
        const zq::float8Point p = e->GetPosition();
        return !e->IsDeleted() && e->GetTerminal() != &box && r.left + 1 < p.x && p.x < r.right - 1 &&
               r.bottom + 1 < p.y && p.y < r.top - 1;
    });
}

// Each pair of texts anchored on one segment or one end whose rectangles overlap, one line per pair:
// texts of one owner stand apart, whatever moved them.
inline std::set<std::string> OverlappingTextFaults(const Core::Diagram& diagram)
{
    std::set<std::string> faults;
    const auto id = [](const Core::IModelElement& e) { return "r" + std::to_string(e.GetObjectId()); };
    std::map<const Core::IModelElement*, std::vector<const Text::FreeText*>> byOwner;
    for (const auto& e : diagram.Elements()) {
        const auto* anchor = dynamic_cast<const Text::Anchor*>(e.get());
        const Core::IModelElement* owner = anchor && !anchor->IsDeleted() ? anchor->GetOwner() : nullptr;
        const Text::FreeText* text = owner ? anchor->GetFreeText() : nullptr;
        if (text == nullptr || text->IsDeleted() || owner->IsDeleted() ||
            !(dynamic_cast<const Connector::ISegment*>(owner) || dynamic_cast<const Connector::IEnd*>(owner)))
            continue;
        byOwner[owner].push_back(text);
    }
    for (const auto& [owner, texts] : byOwner)
        for (std::size_t i = 0; i < texts.size(); ++i)
            for (std::size_t j = i + 1; j < texts.size(); ++j) {
                const zq::Rect a = texts[i]->GetBox().Normalized(), b = texts[j]->GetBox().Normalized();
                if (std::max(a.left, b.left) < std::min(a.right, b.right) && std::max(a.bottom, b.bottom) < std::min(a.top, b.top))
                    faults.insert("texts " + id(*texts[i]) + " and " + id(*texts[j]) + " of " + id(*owner) + " overlap");
            }
    return faults;
}

// Each text anchored on a segment whose anchor lies off the segment's line, each text anchored on a
// segment or an end whose rectangle lies over a box that does not hold its connector (over the box
// its own end lies on, PathFaults tells), and each two texts of one owner over each other
// (OverlappingTextFaults), one line per fault.
inline std::set<std::string> LabelFaults(const Core::Diagram& diagram)
{
    std::set<std::string> faults;
    const auto id = [](const Core::IModelElement& e) { return "r" + std::to_string(e.GetObjectId()); };
    for (const auto& e : diagram.Elements()) {
        const auto* anchor = dynamic_cast<const Text::Anchor*>(e.get());
        if (anchor == nullptr || anchor->IsDeleted()) continue;
        const Core::IModelElement* owner = anchor->GetOwner();
        const auto* segment = dynamic_cast<const Connector::ISegment*>(owner);
        const auto* end = dynamic_cast<const Connector::IEnd*>(owner);
        if (segment != nullptr && !segment->IsDeleted()) {
            Connector::ISegmentEnd *a, *b;
            if (!segment->GetEnds(a, b)) continue;
            const zq::float8Point p = anchor->GetPos(), q = GraphUtil::ClosestPointOnSegment(a->GetPoint(), b->GetPoint(), p);
            if (std::hypot(q.x - p.x, q.y - p.y) > 1)
                faults.insert("text " + id(*anchor) + " lies off its segment " + id(*segment));
        } else if (end == nullptr || end->IsDeleted()) {
            continue;
        }
        const Connector::IConnector* c = segment ? segment->GetConnector() : end->GetConnector();
        const Text::FreeText* text = anchor->GetFreeText();
        if (c == nullptr || text == nullptr || text->IsDeleted()) continue;
        const zq::Rect t = text->GetBox().Normalized();
        for (const auto& other : diagram.Elements()) {
            zq::Rect r;
            if ((end && other.get() == end->GetTerminal()) || !IsBoxUnderTexts(*other, r) || HoldsConnector(r, *other, *c))
                continue;
            if (std::max(t.left, r.left) < std::min(t.right, r.right) && std::max(t.bottom, r.bottom) < std::min(t.top, r.top))
                faults.insert("text " + id(*text) + " of " + id(*owner) + " lies over " + id(*other));
        }
    }
    faults.merge(OverlappingTextFaults(diagram));
    return faults;
}

// Where an anchored text stood before a gesture: its anchor's point, and its own position (less the
// anchor's) and corner code.
struct AnchoredTextPlace {
    zq::float8Point anchor;
    zq::float8Point offset;
    std::int32_t origin = Text::OriginTopLeft;
};

// The places of the diagram's anchored texts, by anchor id: the snapshot KeptAnchorFaults compares with.
inline std::map<Core::ObjectId, AnchoredTextPlace> AnchoredTextPlaces(const Core::Diagram& diagram)
{
    std::map<Core::ObjectId, AnchoredTextPlace> places;
    for (const auto& e : diagram.Elements()) {
        const auto* anchor = dynamic_cast<const Text::Anchor*>(e.get());
        const Text::FreeText* text = anchor != nullptr && !anchor->IsDeleted() ? anchor->GetFreeText() : nullptr;
        if (text == nullptr || text->IsDeleted()) continue;
        const zq::float8Point a = anchor->GetPos();
        places[anchor->GetObjectId()] = {a, {text->GetPos().x - a.x, text->GetPos().y - a.y}, text->GetOrigin()};
    }
    return places;
}

// Each text whose anchor kept its point through a gesture (to a unit) but that left its place
// beside it (its offset or its corner changed), unless at its old place it would lie over a box
// that does not hold its connector: a text leaves its kept anchor only to leave a box.
inline std::set<std::string> KeptAnchorFaults(const Core::Diagram& diagram,
                                              const std::map<Core::ObjectId, AnchoredTextPlace>& before)
{
    std::set<std::string> faults;
    for (const auto& [id, was] : before) {
        const auto* anchor = dynamic_cast<const Text::Anchor*>(diagram.FindElementById(id));
        const Text::FreeText* text = anchor != nullptr && !anchor->IsDeleted() ? anchor->GetFreeText() : nullptr;
        if (text == nullptr || text->IsDeleted()) continue;
        const zq::float8Point a = anchor->GetPos(), offset(text->GetPos().x - a.x, text->GetPos().y - a.y);
        if (std::hypot(a.x - was.anchor.x, a.y - was.anchor.y) > 1 ||
            (std::hypot(offset.x - was.offset.x, offset.y - was.offset.y) <= 1 && text->GetOrigin() == was.origin))
            continue;
        // The text's box at its old place beside the anchor, and whether a box lies under it there.
        const zq::Rect now = text->GetBox().Normalized();
        const zq::Point at = zq::RoundPoint(zq::float8Point(a.x + was.offset.x, a.y + was.offset.y));
        const zq::Rect old = zq::Rect::FromPosSize(Text::TextOriginPoint(was.origin, at, {now.Width(), now.Height()}),
                                                   now.Width(), now.Height());
        const auto* segment = dynamic_cast<const Connector::ISegment*>(anchor->GetOwner());
        const auto* end = dynamic_cast<const Connector::IEnd*>(anchor->GetOwner());
        const Connector::IConnector* c = segment ? segment->GetConnector() : end ? end->GetConnector() : nullptr;
        const bool hadToLeave = std::any_of(diagram.Elements().begin(), diagram.Elements().end(), [&](const auto& other) {
            zq::Rect r;
            return !(end && other.get() == end->GetTerminal()) && IsBoxUnderTexts(*other, r) &&
                   !(c && HoldsConnector(r, *other, *c)) && std::max(old.left, r.left) < std::min(old.right, r.right) &&
                   std::max(old.bottom, r.bottom) < std::min(old.top, r.top);
        });
        if (!hadToLeave)
            faults.insert("text r" + std::to_string(text->GetObjectId()) + " left its place beside its kept anchor r" +
                          std::to_string(id) + ": offset " + std::to_string(std::lround(was.offset.x)) + " " +
                          std::to_string(std::lround(was.offset.y)) + " became " + std::to_string(std::lround(offset.x)) +
                          " " + std::to_string(std::lround(offset.y)));
    }
    return faults;
}

} // namespace TextTest
