#include "view/connector/Functions.h"

#include "core/foundation/Cast.h"

#include <algorithm>
#include <cmath>

namespace Connector {

void ISegment::Reconnect(Core::Env& env, ISegmentEnd* oldEnd, ISegmentEnd* newEnd)
{
    if (IsDeleted() || oldEnd == newEnd) return;
    Core::PtrCont<ISegmentEnd> l = GetEndList();
    auto it = std::find(l.begin(), l.end(), oldEnd);
    if (it == l.end()) return;
    ISegmentEnd *a, *b;
    const bool line = GetEnds(a, b) && newEnd != nullptr;
    const zq::float8Point oa = line ? a->GetPoint() : zq::float8Point(), ob = line ? b->GetPoint() : zq::float8Point();
    *it = newEnd;
    SetEnds(env, l);
    // Ends of other connectors lying on the segment follow the changed line.
    if (!line || oldEnd == nullptr || oldEnd->GetPoint() == newEnd->GetPoint()) return;
    Core::DeferredShiftSet set;
    CarryAttachedEnds(env, oa, ob, false, set);
}

namespace Functions {

namespace {
// Whether the terminal's outline has a point on the line through `line` (level or plumb).
bool Reaches(const Core::IModelElement* terminal, const zq::float8Point& line, bool horizontal, GraphUtil::OutlineHit& hit)
{
    auto* t = zq::Cast<const Core::ITerminal>(terminal);
    return t != nullptr && t->GetTerminalOutline(hit, line, horizontal) && hit.valid &&
           GraphUtil::IsEqual(horizontal ? hit.point.y : hit.point.x, horizontal ? line.y : line.x);
}

// Orientation of q against the line p-r: +1 left, -1 right, 0 on it.
int Side(const zq::float8Point& p, const zq::float8Point& r, const zq::float8Point& q)
{
    const double c = (r.x - p.x) * (q.y - p.y) - (r.y - p.y) * (q.x - p.x);
    return c > 0 ? 1 : (c < 0 ? -1 : 0);
}
} // namespace

void GiveAttachedEnds(Core::Env& env, ISegment& from, ISegment& to)
{
    ISegmentEnd *a, *b;
    const bool line = to.GetEnds(a, b);
    for (IEnd* e : from.GetAttachedEnds()) {
        e->SetTerminal(env, &to);
        if (!line) continue;
        // An end beyond the new segment's line goes to its nearest point.
        const zq::float8Point p = e->GetPoint(), q = GraphUtil::ClosestPointOnSegment(a->GetPoint(), b->GetPoint(), p);
        if (q == p) continue;
        const zq::float8Point o = e->GetOldPosition();
        Core::DeferredShiftSet set;
        e->Shift(env, &to, {q.x - o.x, q.y - o.y, true, true}, set, false);
    }
    from.HandOverTo(env, to);
}

void SpreadAttachedEnds(Core::Env& env, const std::vector<ISegment*>& segments, ISegmentEnd& a, ISegmentEnd& b,
                        ISegment& inner, ISegment& outer)
{
    const zq::float8Point pa = a.GetPoint(), pb = b.GetPoint();
    const double len2 = (pb.x - pa.x) * (pb.x - pa.x) + (pb.y - pa.y) * (pb.y - pa.y);
    for (ISegment* s : segments)
        for (IEnd* e : s->GetAttachedEnds()) {
            const zq::float8Point p = e->GetPoint();
            const double t = len2 > 0 ? ((p.x - pa.x) * (pb.x - pa.x) + (p.y - pa.y) * (pb.y - pa.y)) / len2 : 0;
            e->SetTerminal(env, t >= 0 && t <= 1 ? &inner : &outer);
        }
}

void MergeEndIntoJoin(Core::Env& env, IEnd& end, IJoin& join)
{
    ISegment* s = end.GetSegment();
    if (end.IsDeleted() || join.IsDeleted() || s == nullptr || join.GetConnector() == nullptr) return;
    s->Reconnect(env, &end, &join);
    join.SetSegment(env, s);
    end.SegmentRemoved(env, s);
    s->BuildConnector(env, nullptr, *join.GetConnector());
}

void MergeEndIntoSegment(Core::Env& env, IEnd& end, ISegment& segment)
{
    ISegment* own = end.GetSegment();
    ISegmentEnd *a, *b;
    if (end.IsDeleted() || segment.IsDeleted() || own == nullptr || !segment.GetEnds(a, b) ||
        segment.GetConnector() == nullptr)
        return;
    const std::vector<IEnd*> attached = segment.GetAttachedEnds();
    for (IEnd* e : attached) e->SetTerminal(env, nullptr);
    IFactory& f = end.GetPartFactory();
    std::shared_ptr<IJoin> j = f.CreateJoinAt(env, end.GetPosition());
    own->Reconnect(env, &end, j.get());
    end.SegmentRemoved(env, own);
    j->SetSegment(env, own);
    std::shared_ptr<ISegment> s2 = f.CreateNewSegment(env);
    s2->AddEnd(env, j.get());
    j->SetSegment(env, s2.get());
    segment.Reconnect(env, a, j.get());
    a->InsertSegment(env, &segment, s2.get());
    s2->AddEnd(env, a);
    j->SetSegment(env, &segment);
    j->BuildConnector(env, nullptr, *segment.GetConnector());
    // Each end that lay on the segment goes to the half on its side of the cut.
    const zq::float8Point pa = a->GetPoint(), pb = b->GetPoint(), pj = j->GetPosition();
    const zq::float8Point n{pj.x + (pa.y - pb.y), pj.y + (pb.x - pa.x)};
    for (IEnd* e : attached) {
        const int side = Side(pj, n, e->GetPoint());
        const bool towardA = side == Side(pj, n, pa) || side != Side(pj, n, pb);
        e->SetTerminal(env, towardA ? s2.get() : &segment);
    }
    s2->SetOrthoFlags(env);
}

void MergeEnds(Core::Env& env, IEnd& attaching, IEnd& target)
{
    ISegment* sa = attaching.GetSegment();
    ISegment* sb = target.GetSegment();
    IConnector* c = attaching.GetConnector();
    if (attaching.IsDeleted() || target.IsDeleted() || sa == nullptr || sb == nullptr || c == nullptr || sa == sb)
        return;
    std::shared_ptr<IJoin> j = attaching.GetPartFactory().CreateJoinAt(env, attaching.GetPosition());
    sa->Reconnect(env, &attaching, j.get());
    sb->Reconnect(env, &target, j.get());
    j->SetSegment(env, sa);
    j->SetSegment(env, sb);
    attaching.SegmentRemoved(env, sa);
    target.SegmentRemoved(env, sb);
    j->BuildConnector(env, nullptr, *c);
}

void FuseJoins(Core::Env& env, IJoin& kept, IJoin& removed)
{
    if (kept.IsDeleted() || removed.IsDeleted() || &kept == &removed) return;
    ISegment* link = nullptr;
    for (ISegment* s : removed.GetSegments())
        if (s->OtherEnd(&removed) == &kept) link = s;
    if (link == nullptr) return;
    bool first = true;
    for (ISegment* s : removed.GetSegments()) {
        if (s == link) continue;
        if (first) GiveAttachedEnds(env, *link, *s);
        first = false;
        s->Reconnect(env, &removed, &kept);
        kept.SetSegment(env, s);
        removed.RemoveSegmentNoCheck(env, s);
    }
    // The link has shrunk to nothing: it goes, and the removed join with it.
    kept.RemoveSegmentNoCheck(env, link);
    link->SetEnds(env, {});
    link->ImplementDeletion(env, nullptr, nullptr);
    removed.RemoveSegmentNoCheck(env, link);
    removed.DeleteIfInstable(env);
    kept.DeleteIfInstable(env);
}

// The point of a terminal on the line through `line` that an orthogonal segment keeps (level or
// plumb), or false when the terminal's outline no longer crosses that line: a line that only
// touches it (along a border, at a corner or on a rounded corner's crest) would leave the end with
// its leg along the border.
bool OnTerminalLine(const Core::IModelElement* terminal, const zq::float8Point& line, bool horizontal,
                    zq::float8Point& out)
{
    GraphUtil::OutlineHit hit, beside;
    if (!Reaches(terminal, line, horizontal, hit)) return false;
    const double along = horizontal ? hit.normal.x : hit.normal.y, across = horizontal ? hit.normal.y : hit.normal.x;
    if (std::abs(along) <= std::abs(across)) return false;
    for (double d : {-1.0, 1.0}) {
        zq::float8Point q = line;
        (horizontal ? q.y : q.x) += d;
        if (!Reaches(terminal, q, horizontal, beside)) return false;
    }
    out = hit.point;
    return true;
}

bool Holds(const Core::ITerminal& terminal, const zq::float8Point& point, double margin)
{
    // The outline's points level with the point, seen from far off on either side; a level line
    // that misses the outline holds nothing.
    constexpr double kFar = 1e7, kLevel = 0.5;
    GraphUtil::OutlineHit left, right;
    const auto probe = [&](GraphUtil::OutlineHit& hit, double dx) {
        return terminal.GetTerminalOutline(hit, {point.x + dx, point.y}, true) && hit.valid &&
               std::abs(hit.point.y - point.y) <= kLevel;
    };
    return probe(left, -kFar) && probe(right, kFar) && left.point.x + margin < point.x &&
           point.x < right.point.x - margin;
}

bool HoldsAnotherEnd(const Core::ITerminal& terminal, const IEnd& end)
{
    const IConnector* c = end.GetConnector();
    return c != nullptr && std::any_of(c->GetEnds().begin(), c->GetEnds().end(), [&](const IEnd* other) {
               return other != &end && !other->IsDeleted() && Holds(terminal, other->GetPoint(), 1);
           });
}

} // namespace Functions

} // namespace Connector
