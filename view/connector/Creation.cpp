#include "view/connector/Creation.h"

#include "core/View.h"
#include "core/foundation/Cast.h"
#include "core/foundation/GraphUtil.h"
#include "view/connector/Functions.h"
#include "view/connector/Routing.h"

#include <cmath>
#include <optional>

namespace Connector {

namespace {
// A new segment of the connector, selected in the change's view, that starts at the part.
ISegment* StartSegment(Core::Env& env, IFactory& factory, IConnector& c, ISegmentEnd& from)
{
    std::shared_ptr<ISegment> s = factory.CreateNewSegment(env);
    if (Core::IView* view = env.GetView()) s->SelectInView(*view, true, env.GetTracker());
    c.AddSegment(env, s.get());
    s->SetConnector(env, &c);
    s->AddEnd(env, &from);
    from.SetSegment(env, s.get());
    return s.get();
}

// The part joins the connector and ends the segment; an orthogonal leg takes the flag rule.
void EndSegment(Core::Env& env, IConnector& c, ISegment& s, ISegmentEnd& part, bool orthogonal)
{
    part.SetConnector(env, &c);
    c.AddPart(env, part);
    s.AddEnd(env, &part);
    part.SetSegment(env, &s);
    if (orthogonal) s.SetOrthoFlags(env);
}
} // namespace

IConnector* BuildPathConnector(Core::Env& env, IFactory& factory, const std::vector<PathEntry>& path,
                               Core::IModelElement* source, Core::IModelElement* target,
                               const Core::IFilter* targetFilter,
                               const std::function<void(Core::Env&, IEnd&, IEnd&)>& callback)
{
    if (path.size() < 2) return nullptr;
    if (targetFilter != nullptr && (target == nullptr || !targetFilter->Accept(target))) return nullptr;
    std::shared_ptr<IConnector> c = factory.CreateConnector(env);
    std::shared_ptr<IEnd> first = factory.CreateSourceEndAt(env, path.front().point);
    c->AddEnd(env, first.get());
    first->SetConnector(env, c.get());
    ISegment* s = StartSegment(env, factory, *c, *first);
    for (std::size_t i = 1; i + 1 < path.size(); ++i) {
        std::shared_ptr<IJoin> j = factory.CreateJoinAt(env, path[i].point);
        EndSegment(env, *c, *s, *j, path[i].orthogonal);
        s = StartSegment(env, factory, *c, *j);
    }
    std::shared_ptr<IEnd> last = factory.CreateTargetEndAt(env, path.back().point);
    EndSegment(env, *c, *s, *last, path.back().orthogonal);
    if (callback) callback(env, *first, *last);
    if (source != nullptr) first->AttachToPartner(env, source);
    if (target != nullptr) last->AttachTo(env, target);
    return c.get();
}

zq::float8Point PointOnTerminal(const Core::IModelElement& terminal, const zq::float8Point& pointer,
                                const ISegment* segment)
{
    auto* t = zq::Cast<const Core::ITerminal>(&terminal);
    GraphUtil::OutlineHit level, plumb;
    const bool hasLevel = t != nullptr && t->GetTerminalOutline(level, pointer, true) && level.valid;
    const bool hasPlumb = t != nullptr && t->GetTerminalOutline(plumb, pointer, false) && plumb.valid;
    if (segment != nullptr && segment->IsHorizontalOrtho()) return hasLevel ? level.point : pointer;
    if (segment != nullptr && segment->IsVerticalOrtho()) return hasPlumb ? plumb.point : pointer;
    if (!hasLevel) return hasPlumb ? plumb.point : pointer;
    if (!hasPlumb) return level.point;
    auto manhattan = [&](const zq::float8Point& p) { return std::abs(p.x - pointer.x) + std::abs(p.y - pointer.y); };
    return manhattan(level.point) < manhattan(plumb.point) ? level.point : plumb.point;
}

namespace {
// Where the level or plumb leg from `from` to `to` first meets the terminal: its candidate for
// `from` along the leg's axis, when that lies on the leg beyond `from`; none otherwise.
std::optional<zq::float8Point> LegMeets(const Core::ITerminal& t, const zq::float8Point& from, const zq::float8Point& to)
{
    const bool h = GraphUtil::IsHorizontal(from, to);
    if (!h && !GraphUtil::IsVertical(from, to)) return std::nullopt;
    GraphUtil::OutlineHit hit;
    if (!t.GetTerminalOutline(hit, from, h) || !hit.valid || hit.point == from) return std::nullopt;
    const zq::float8Point c = hit.point;
    if (h ? !GraphUtil::IsEqual(c.y, from.y) : !GraphUtil::IsEqual(c.x, from.x)) return std::nullopt;
    const GraphUtil::Interval leg = h ? GraphUtil::Interval(from.x, to.x) : GraphUtil::Interval(from.y, to.y);
    if (!leg.Contains(h ? c.x : c.y)) return std::nullopt;
    return c;
}

// Where the straight line from `from` outside the terminal to `to` inside it crosses the outline.
zq::float8Point Entry(const Core::ITerminal& t, const zq::float8Point& from, const zq::float8Point& to)
{
    if (std::optional<zq::float8Point> leg = LegMeets(t, from, to)) return *leg;
    zq::float8Point out = from, in = to;
    for (int i = 0; i < 48 && std::hypot(in.x - out.x, in.y - out.y) > 0.01; ++i) {
        const zq::float8Point m{(out.x + in.x) / 2, (out.y + in.y) / 2};
        (Functions::Holds(t, m, 0) ? in : out) = m;
    }
    return out;
}

void Append(std::vector<PathEntry>& path, const zq::float8Point& p, bool orthogonal)
{
    if (path.empty() || path.back().point != p) path.push_back({p, orthogonal});
}
} // namespace

void LandOnTerminal(Core::Env& env, IEnd& end, Core::IModelElement& terminal, const zq::float8Point& dropped)
{
    zq::float8Point to = PointOnTerminal(terminal, dropped, end.GetSegment());
    // Dropped inside, the end goes where its segment coming from outside meets the outline: the
    // edge nearest the drop may lie beyond the terminal, and the line would run across it.
    auto* t = zq::Cast<const Core::ITerminal>(&terminal);
    const ISegmentEnd* far = end.GetSegment() != nullptr ? end.GetSegment()->OtherEnd(&end) : nullptr;
    if (t != nullptr && far != nullptr && Functions::Holds(*t, dropped, 0) && !Functions::Holds(*t, far->GetPoint(), 0))
        to = PointOnTerminal(terminal, Entry(*t, far->GetPoint(), dropped), end.GetSegment());
    const zq::float8Point from = end.GetOldPosition();
    Core::DeferredShiftSet set;
    end.Shift(env, nullptr, {to.x - from.x, to.y - from.y, true, true}, set, false);
    if (!end.AttachTo(env, &terminal)) return;
    // The path now ends on a box it may run through: it is kept off it as after a move of its box.
    // Landed on a line of its kind, the end merged into that line's connector, which now has it.
    IConnector* c = end.IsDeleted() ? nullptr : end.GetConnector();
    if (const auto* line = zq::Cast<const ISegment>(&terminal); c == nullptr && line != nullptr) c = line->GetConnector();
    if (c != nullptr && !c->IsDeleted()) {
        Routing::NoteBoxChanged(env, *c);
        Routing::CheckAfterChange(env, *c);
    }
}

void EndPathOnTerminal(std::vector<PathEntry>& path, const Core::IModelElement& target, const zq::float8Point& pointer,
                       Elbow elbow)
{
    const zq::float8Point last = path.back().point;
    auto* t = zq::Cast<const Core::ITerminal>(&target);
    if (elbow == Elbow::kStraight) {
        const std::optional<zq::float8Point> end = t ? LegMeets(*t, last, pointer) : std::nullopt;
        Append(path, end ? *end : PointOnTerminal(target, pointer, nullptr), false);
        return;
    }
    const bool horizontalFirst = elbow == Elbow::kHorizontalFirst;
    const zq::float8Point corner = horizontalFirst ? zq::float8Point(pointer.x, last.y) : zq::float8Point(last.x, pointer.y);
    if (t != nullptr) {
        if (std::optional<zq::float8Point> end = LegMeets(*t, last, corner)) {
            Append(path, *end, true);
            return;
        }
        if (std::optional<zq::float8Point> end = LegMeets(*t, corner, pointer)) {
            Append(path, corner, true);
            Append(path, *end, true);
            return;
        }
    }
    // No leg meets the outline: the second leg keeps its axis onto the candidate for the pointer.
    GraphUtil::OutlineHit hit;
    zq::float8Point end = pointer;
    if (t != nullptr && t->GetTerminalOutline(hit, pointer, !horizontalFirst) && hit.valid) end = hit.point;
    Append(path, horizontalFirst ? zq::float8Point(end.x, last.y) : zq::float8Point(last.x, end.y), true);
    Append(path, end, true);
}

} // namespace Connector
