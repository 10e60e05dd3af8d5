// Moving connector parts: joins, segments and ends follow each other and their terminals, every
// move measured from the positions before the transaction.
#include "view/connector/Interfaces.h"
#include "view/connector/Functions.h"
#include "view/connector/Routing.h"

#include "core/ModelElementSet.h"
#include "core/foundation/Cast.h"

#include <algorithm>
#include <cmath>

namespace Connector {

namespace {

bool Moves(const Core::ShiftVector& v) { return v.shiftX || v.shiftY; }

// The displacement of a point from its place before the transaction, on both axes.
Core::ShiftVector From(const zq::float8Point& old, const zq::float8Point& now)
{
    return {now.x - old.x, now.y - old.y, true, true};
}

// The point of a terminal for an end that must stay level (horizontal) or plumb with the point.
bool OnTerminal(const Core::IModelElement* terminal, const zq::float8Point& p, bool horizontal, zq::float8Point& out)
{
    auto* t = zq::Cast<const Core::ITerminal>(terminal);
    GraphUtil::OutlineHit hit;
    if (t == nullptr || !t->GetTerminalOutline(hit, p, horizontal) || !hit.valid) return false;
    out = hit.point;
    return true;
}

// Whether p lies on the infinite line through a and b (within half a unit).
bool OnLine(const zq::float8Point& a, const zq::float8Point& b, const zq::float8Point& p)
{
    const double dx = b.x - a.x, dy = b.y - a.y, length = std::hypot(dx, dy);
    if (length == 0) return p == a;
    return std::abs(dx * (p.y - a.y) - dy * (p.x - a.x)) / length <= 0.5;
}

// A part taken along by a move (its connector copied with what moves) whose connector is held by a
// terminal that stays does not move of itself: it follows the ends that move.
bool HeldInPlace(const IConnectorElement& part, const Core::IModelElement* sender, const Core::DeferredShiftSet& set)
{
    return sender == nullptr && set.GetMoved().Contains(&part) && part.GetConnector() != nullptr &&
           part.GetConnector()->IsHeld(set, nullptr);
}

// Whether the end's orthogonal segment, followed to the end's point p, would bring its far bend f
// onto the terminal's outline (the next leg along a border); if so, the bend the path turns at
// instead: level (or plumb) with f, a leg's length out from the outline beside p.
bool LandsOnTerminal(const IEnd& end, const ISegment& s, const zq::float8Point& f, zq::float8Point& bend)
{
    constexpr double kOnOutline = -0.5, kLeg = 500;
    auto* t = zq::Cast<const Core::ITerminal>(end.GetTerminal());
    const bool h = s.IsHorizontalOrtho();
    if (t == nullptr || (!h && !s.IsVerticalOrtho()) || zq::Cast<const ISegment>(end.GetTerminal()) != nullptr ||
        Functions::HoldsAnotherEnd(*t, end))
        return false;
    const zq::float8Point p = end.GetPosition(), landed = h ? zq::float8Point{f.x, p.y} : zq::float8Point{p.x, f.y};
    // Inside, the path leaves the terminal where it crosses the outline, as the follow-up jobs make it.
    if (!Functions::Holds(*t, landed, kOnOutline) || Functions::Holds(*t, landed, -kOnOutline)) return false;
    // Outwards: the side of p the terminal does not hold.
    const zq::float8Point before = h ? zq::float8Point{p.x - 1, p.y} : zq::float8Point{p.x, p.y - 1};
    const double out = Functions::Holds(*t, before, kOnOutline) ? kLeg : -kLeg;
    bend = h ? zq::float8Point{p.x + out, f.y} : zq::float8Point{f.x, p.y + out};
    return true;
}

} // namespace

void IJoin::ShiftImpl(Core::Env& env, Core::IModelElement* sender, const Core::ShiftVector& v,
                      Core::DeferredShiftSet& set, bool finalPass)
{
    if (IsDeleted() || !Moves(v) || HeldInPlace(*this, sender, set)) return;
    MarkShifted(set);
    // The last pass moves the parts of a connector moved whole; the path of one held by a terminal
    // that stays is where the move's steps put it.
    if (finalPass && GetConnector() != nullptr && GetConnector()->IsHeld(set, nullptr)) return;
    const zq::float8Point p = Core::ShiftParam::Apply(v, GetPosition(), GetOldPosition());
    if (p == GetPosition()) return;
    MoveTo(env, p);
    if (finalPass) return;
    for (ISegment* s : GetSegments())
        if (s != sender) s->Shift(env, this, v, set, false);
}

void ISegment::ShiftImpl(Core::Env& env, Core::IModelElement* sender, const Core::ShiftVector& v,
                         Core::DeferredShiftSet& set, bool finalPass)
{
    if (IsDeleted() || !Moves(v) || finalPass || HeldInPlace(*this, sender, set)) return;
    MarkShifted(set);
    Core::ShiftVector d = v;
    if (IsHorizontalOrtho()) d.shiftX = false;
    if (IsVerticalOrtho()) d.shiftY = false;
    ISegmentEnd *a, *b;
    if (!GetEnds(a, b)) return;
    if (sender == nullptr) {
        a->Shift(env, this, d, set, false);
        b->Shift(env, this, d, set, false);
    } else if ((sender == a || sender == b) && (IsHorizontalOrtho() || IsVerticalOrtho()) && Moves(d)) {
        (sender == a ? b : a)->Shift(env, this, d, set, false);
    }
    // Ends of other connectors lying on the segment keep their place on the moved line.
    CarryAttachedEnds(env, a->GetOldPosition(), b->GetOldPosition(), true, set);
}

void ISegment::CarryAttachedEnds(Core::Env& env, const zq::float8Point& oa, const zq::float8Point& ob, bool fromOld,
                                 Core::DeferredShiftSet& set)
{
    ISegmentEnd *a, *b;
    if (GetAttachedEnds().empty() || !GetEnds(a, b)) return;
    const zq::float8Point na = a->GetPoint(), nb = b->GetPoint();
    // A reconnection along the same line (a chain made of overlapping segments, a smoothed bend)
    // leaves the ends where they are: they are handed to the pieces under them.
    if (!fromOld && OnLine(oa, ob, na) && OnLine(oa, ob, nb)) {
        // A shortened line keeps its ends on what is left of it.
        for (IEnd* e : GetAttachedEnds()) {
            const zq::float8Point p = e->GetPoint(), q = GraphUtil::ClosestPointOnSegment(na, nb, p);
            if (q != p) e->Shift(env, this, From(e->GetOldPosition(), q), set, false);
        }
        return;
    }
    const double ox = ob.x - oa.x, oy = ob.y - oa.y;
    for (IEnd* e : GetAttachedEnds()) {
        const zq::float8Point p = fromOld ? e->GetOldPosition() : e->GetPoint();
        double f = 0.5;
        if (std::abs(ox) > std::abs(oy)) f = (p.x - oa.x) / ox;
        else if (oy != 0) f = (p.y - oa.y) / oy;
        // An end stays on the segment: one beside it (ends carried around a loop of connectors whose
        // ends lie on each other's segments) would be carried ever farther, out of every range.
        f = std::clamp(f, 0.0, 1.0);
        const zq::float8Point q{na.x + f * (nb.x - na.x), na.y + f * (nb.y - na.y)};
        if (q != e->GetPoint()) e->Shift(env, this, From(e->GetOldPosition(), q), set, false);
    }
}

void IEnd::ShiftImpl(Core::Env& env, Core::IModelElement* sender, const Core::ShiftVector& v,
                     Core::DeferredShiftSet& set, bool finalPass)
{
    ISegment* segment = GetSegment();
    if (IsDeleted() || !Moves(v) || segment == nullptr) return;
    MarkShifted(set);
    const zq::float8Point moved = Core::ShiftParam::Apply(v, GetPosition(), GetOldPosition());
    if (finalPass) {
        if (GetConnector() == nullptr || !GetConnector()->IsHeld(set, nullptr)) MoveTo(env, moved);
        return;
    }
    zq::float8Point p = moved;
    Core::IModelElement* terminal = GetTerminal();
    // Taken along with its connector by a move that leaves its terminal where it is, the end stays on
    // the terminal; its path follows the ends that move.
    if (sender == nullptr && terminal != nullptr && set.GetMoved().Contains(this) && !set.MovesOrDefers(terminal))
        return;
    if (sender == segment) {
        if (terminal != nullptr && terminal != sender) {
            const bool h = segment->IsHorizontalOrtho();
            if (!h && !segment->IsVerticalOrtho()) return;
            // A terminal that does not reach the segment's new line keeps the end where it was
            // (never on a corner beside the line): the end that moved turns the connector instead.
            const zq::float8Point now = GetPosition();
            const zq::float8Point line = h ? zq::float8Point{now.x, moved.y} : zq::float8Point{moved.x, now.y};
            if (!Functions::OnTerminalLine(terminal, line, h, p) && !OnTerminal(terminal, GetOldPosition(), h, p)) return;
        }
    } else if (sender != nullptr && sender != terminal) {
        return;
    }
    if (p == GetPosition()) return;
    MoveTo(env, p);
    if (sender == segment) return;
    // Shifted with its terminal, the end keeps the path's bend off the terminal's outline as a
    // reshaped terminal's end does.
    if (sender != nullptr && sender == terminal) {
        if (GetConnector() != nullptr) Routing::NoteBoxChanged(env, *GetConnector());
        SetPendingPoint(nullptr);
        ISegmentEnd* far = segment->OtherEnd(this);
        zq::float8Point bend;
        if (zq::Cast<IJoin>(far) != nullptr && LandsOnTerminal(*this, *segment, far->GetPoint(), bend)) {
            SetPendingPoint(&bend);
            return;
        }
    }
    segment->Shift(env, this, From(GetOldPosition(), p), set, false);
}

bool IEnd::StraysFrom(const Core::ITerminalReshapeInfo& info) const
{
    const zq::float8Point mapped = info.MapPoint(GetOldPosition()), p = GetPosition();
    return std::abs(mapped.x - p.x) + std::abs(mapped.y - p.y) > 0.5;
}

void IEnd::FollowTerminal(Core::Env& env, const Core::ITerminalReshapeInfo& info, const Core::DeferredShiftSet& set)
{
    ISegment* segment = GetSegment();
    if (IsDeleted() || segment == nullptr) return;
    const zq::float8Point old = GetOldPosition(), mapped = info.MapPoint(old);
    zq::float8Point p = mapped;
    // An orthogonal segment keeps its line where the new outline still reaches it (the line it has
    // now, as an end moved earlier in the change with its whole connector has it, else the line it
    // had); elsewhere the end stays where the terminal's move put it, on the same edge, so that the
    // segment still meets that edge square (the far end follows, or a bend is made); an edge that
    // shrank past it keeps it at its relative place along the edge, off the corner.
    const bool h = segment->IsHorizontalOrtho();
    const auto lineThrough = [&](const zq::float8Point& at) {
        return h ? zq::float8Point{mapped.x, at.y} : zq::float8Point{at.x, mapped.y};
    };
    if ((h || segment->IsVerticalOrtho()) && !Functions::OnTerminalLine(GetTerminal(), lineThrough(GetPosition()), h, p) &&
        !Functions::OnTerminalLine(GetTerminal(), lineThrough(old), h, p))
        OnTerminal(GetTerminal(), info.MapAlongSide(old), h, p);
    (void)set;
    if (p == GetPosition()) return;
    MoveTo(env, p);
}

void IEnd::OnTerminalReshaped(Core::Env& env, const Core::ITerminalReshapeInfo& info, Core::DeferredShiftSet* set)
{
    Core::DeferredShiftSet own;
    Core::DeferredShiftSet& s = set != nullptr ? *set : own;
    if (IsDeleted()) return;
    // A connector that moves with the set (its terminals all move, or it is moved itself, as a
    // pasted copy is) moves whole: following one terminal alone would drag the far end along the
    // old outline of a terminal that has not moved yet, and leave a bend there.
    IConnector* c = GetConnector();
    const bool whole = set != nullptr && c != nullptr && set->MovesOrDefers(c);
    if (whole && !s.IsShifted(this)) {
        SetPendingPoint(nullptr);
        c->Shift(env, nullptr, set->GetShift(), *set, false);
    }
    // Moved already, the end still follows a terminal that also changed its shape in the change
    // (a pasted box laid out anew, or a qualifier that followed its reshaped box).
    if ((whole || s.IsShifted(this)) && !StraysFrom(info)) return;
    const zq::float8Point before = GetPosition();
    if (c != nullptr) {
        Routing::NoteBoxChanged(env, *c);
        Routing::CheckAfterChange(env, *c);
    }
    SetPendingPoint(nullptr);
    FollowTerminal(env, info, s);
    MarkShifted(s);
    ISegment* segment = GetSegment();
    if (segment == nullptr) return;
    ISegmentEnd* far = segment->OtherEnd(this);
    if (far == nullptr) return;
    const zq::float8Point p = GetPosition();
    zq::float8Point bend = p;
    // A bend that following the end would put onto the terminal's outline (the terminal moved
    // onto the line of the path's next leg) stays: the path leaves the end outwards, turns
    // back and meets the bend from beside the terminal.
    if (const zq::float8Point f = far->GetPoint(); GetPosition() != before && zq::Cast<IJoin>(far) != nullptr &&
                                                   LandsOnTerminal(*this, *segment, f, bend)) {
        SetPendingPoint(&bend);
        return;
    }
    if (GetPosition() != before) segment->Shift(env, this, From(GetOldPosition(), GetPosition()), s, false);
    // Where the far end could not follow, the segment keeps its axis up to a bend at the pending
    // point halfway between the two ends; the bend is made when the change is finalized, and the
    // connector turns there towards the end and again onto the end's edge.
    const zq::float8Point f = far->GetPoint();
    if (segment->IsHorizontalOrtho() && !GraphUtil::IsEqual(p.y, f.y)) bend = {std::round((f.x + p.x) / 2), f.y};
    if (segment->IsVerticalOrtho() && !GraphUtil::IsEqual(p.x, f.x)) bend = {f.x, std::round((f.y + p.y) / 2)};
    if (bend != p) SetPendingPoint(&bend);
}

zq::float8Point IEnd::GetShiftedInfo(const Core::DeferredShiftSet& set, const zq::float8Point& point, bool horizontal) const
{
    zq::float8Point p = point;
    if (GetTerminal() != nullptr && set.Moves(GetTerminal())) {
        const Core::ShiftVector& v = set.GetShift();
        if (v.shiftX) p.x += v.dx;
        if (v.shiftY) p.y += v.dy;
    }
    zq::float8Point out = p;
    return OnTerminal(GetTerminal(), p, horizontal, out) ? out : p;
}

zq::float8Point IEnd::GetPoint() const
{
    // A pending point lives only inside the change that set it.
    zq::float8Point p;
    return IsInTransaction() && GetPendingPoint(p) ? p : GetPosition();
}

namespace {
// Whether the move takes the terminal only sideways.
bool OnlySideways(const Core::Env& env, const Core::DeferredShiftSet& set, Core::IModelElement* terminal)
{
    const Core::IShiftable* s = terminal != nullptr ? terminal->GetShiftable() : nullptr;
    return s != nullptr && s->MovesOnlySideways(env, set);
}
} // namespace

void IConnector::ShiftImpl(Core::Env& env, Core::IModelElement* sender, const Core::ShiftVector& v,
                           Core::DeferredShiftSet& set, bool finalPass)
{
    // Moved whole (no sender), the connector goes by the part of the move all its terminals in the
    // move take: one between the bars of an object dragged alone goes with them only sideways. The
    // ends on terminals that take more (a bar dragged with its object, the other bar left at its
    // height) then follow them the rest of the way.
    Core::ShiftVector common = v;
    if (sender == nullptr)
        for (IEnd* e : GetEnds())
            if (!e->IsDeleted() && OnlySideways(env, set, e->GetTerminal())) common.shiftY = false;
    ShiftAsOne(env, sender, common, set, finalPass);
    if (common.shiftY == v.shiftY || finalPass || IsHeld(set, nullptr)) return;
    for (IEnd* e : Core::PtrCont<IEnd>(GetEnds()))
        if (Core::IModelElement* t = e->GetTerminal();
            !e->IsDeleted() && t != nullptr && set.GetMoved().Contains(t) && !OnlySideways(env, set, t))
            e->ShiftImpl(env, t, v, set, false);
}

void IConnector::ShiftAsOne(Core::Env& env, Core::IModelElement* sender, const Core::ShiftVector& v,
                            Core::DeferredShiftSet& set, bool finalPass)
{
    if (IsDeleted() || !Moves(v)) return;
    // Shifted with one terminal (a note moving its connectors), or taken along by a move, while
    // another terminal stays, the connector is not moved whole: its ends on the moving terminal
    // follow it and the path follows them, so that the ends on the staying terminals keep their
    // place on them.
    if (IsHeld(set, sender) && (finalPass || sender != nullptr || set.GetMoved().Contains(this))) {
        MarkShifted(set);
        if (finalPass) return;
        for (IEnd* e : Core::PtrCont<IEnd>(GetEnds()))
            if (sender != nullptr && e->GetTerminal() == sender) e->Shift(env, sender, v, set, false);
        return;
    }
    MarkShifted(set);
    for (IJoin* j : Core::PtrCont<IJoin>(GetJoins())) {
        j->MarkShifted(set);
        j->MoveTo(env, Core::ShiftParam::Apply(v, j->GetPosition(), j->GetOldPosition()));
    }
    // Moved whole, the path keeps its shape: no bend is left pending from an earlier step of the move.
    for (IEnd* e : Core::PtrCont<IEnd>(GetEnds())) {
        e->MarkShifted(set);
        e->SetPendingPoint(nullptr);
        e->MoveTo(env, Core::ShiftParam::Apply(v, e->GetPosition(), e->GetOldPosition()));
    }
    for (ISegment* s : Core::PtrCont<ISegment>(GetSegmentList())) s->MarkShifted(set);
    // Ends of other connectors lying on the segments keep their place on the moved lines, also
    // when an earlier step of the move carried them already (a fresh set lets them move again).
    for (ISegment* s : Core::PtrCont<ISegment>(GetSegmentList())) {
        ISegmentEnd *a, *b;
        Core::DeferredShiftSet again;
        if (s->GetEnds(a, b)) s->CarryAttachedEnds(env, a->GetOldPosition(), b->GetOldPosition(), true, again);
    }
}

bool IConnector::IsHeld(const Core::DeferredShiftSet& set, const Core::IModelElement* sender) const
{
    for (IEnd* e : GetEnds()) {
        const Core::IModelElement* t = e->GetTerminal();
        if (!e->IsDeleted() && t != nullptr && t != sender && !set.MovesOrDefers(t)) return true;
    }
    return false;
}

void IConnector::AddDeferredShiftingElements(const Core::ModelElementSet& moved, Core::DeferredShiftSet& set)
{
    if (IsDeleted()) return;
    bool attached = false;
    for (IEnd* e : GetEnds()) {
        if (e->GetTerminal() == nullptr) continue;
        if (!moved.Contains(e->GetTerminal())) return;
        attached = true;
    }
    if (attached || moved.Contains(this)) set.Defer(this);
}

} // namespace Connector
