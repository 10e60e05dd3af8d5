// The clean-up after a change, run as follow-up jobs of the transaction: joins left with one
// segment become ends, straight bends are smoothed away, segments leaving a join in one direction
// become a chain and joins that fell onto each other are fused.
#include "view/connector/Carriers.h"
#include "view/connector/Functions.h"
#include "view/connector/Routing.h"

#include "core/Diagram.h"
#include "core/foundation/GraphUtil.h"
#include "core/foundation/Cast.h"

#include <algorithm>
#include <any>
#include <cmath>
#include <deque>
#include <unordered_map>
#include <unordered_set>

namespace Connector {

namespace {

bool Same(const zq::float8Point& a, const zq::float8Point& b) { return a == b; }

// The connector parts' jobs of one transaction, run as one follow-up job in the order queued (a
// part queued again before its job ran runs once). The transaction closes a step after every job
// it runs, so one batch keeps the clean-up of many parts from costing a step each.
class JobBatch : public Core::IFollowUpJob {
public:
    void Add(ISegmentEnd& part) {
        if (!pending_.insert(&part).second) return;
        queue_.push_back({&part, part.shared_from_this()});
    }
    // The connector is checked against its boxes once the jobs are done, whether or not a part of
    // it has a job (its box was reshaped around ends that stayed where they were).
    void Check(IConnector& c) {
        if (!touched_.insert(&c).second) return;
        connectors_.push_back(c.shared_from_this());
        if (all_.insert(&c).second) every_.push_back(c.shared_from_this());
    }
    void DoFollowUpJob(Core::Env& env) override {
        do {
            while (!queue_.empty()) {
                Entry e = std::move(queue_.front());
                queue_.pop_front();
                pending_.erase(e.part);
                if (e.part->IsDeleted()) continue;
                if (IConnector* c = e.part->GetConnector(); c != nullptr && touched_.insert(c).second) {
                    connectors_.push_back(c->shared_from_this());
                    if (all_.insert(c).second) every_.push_back(c->shared_from_this());
                }
                e.part->DoFollowUpJob(env);
            }
        } while (KeepOffBoxes(env) || RestEndsOnTheirLines(env));
        KeepTextsOnTheirLines(env);
    }

private:
    struct Entry {
        ISegmentEnd* part;
        Core::ElementPtr keep;
    };
    // Once the clean-up is done, a connector it touched that runs through a box it ends on is laid
    // around its boxes; one ending on another connector's line only once the lines lie where they
    // stay and its end rests on its line. Whether a path changed.
    bool KeepOffBoxes(Core::Env& env) {
        std::vector<Core::ElementPtr> touched;
        touched.swap(connectors_);
        touched_.clear();
        bool changed = false;
        std::vector<IConnector*> later;
        for (const Core::ElementPtr& e : touched)
            if (auto* c = zq::Cast<IConnector>(e.get())) {
                if (EndsOnALine(*c)) later.push_back(c);
                else changed = Routing::KeepOffBoxes(env, *c) || changed;
            }
        if (changed) {
            for (IConnector* c : later) Check(*c);
            return true;
        }
        if (!later.empty()) RestEndsOnTheirLines(env);
        for (IConnector* c : later) changed = Routing::KeepOffBoxes(env, *c) || changed;
        return changed;
    }

    static bool EndsOnALine(const IConnector& c) {
        return std::any_of(c.GetEnds().begin(), c.GetEnds().end(),
                           [](const IEnd* e) { return !e->IsDeleted() && zq::Cast<const ISegment>(e->GetTerminal()) != nullptr; });
    }

    // Texts anchored on a segment of a connector the clean-up touched that a change left off their
    // line go onto it, and off the boxes there; then the texts of every connector part that lie
    // over a box the change moved, resized or made (onto a connector it left as it was) go off it.
    // A document being read is left as it is.
    void KeepTextsOnTheirLines(Core::Env& env) {
        if (!env.GetTransaction().KeepsHistory()) return;
        std::any pass;
        for (const Core::ElementPtr& e : every_)
            if (auto* c = zq::Cast<IConnector>(e.get()); c != nullptr && !c->IsDeleted())
                for (ISegment* s : c->GetSegmentList())
                    if (!s->IsDeleted()) s->KeepCarriedOnLine(env, pass);
        // Only the parts that carry a text can have one over a box (a diagram of many connectors
        // and few texts is not walked whole).
        for (IConnectorElement* part : Carriers::Of(env.GetDiagram())) part->KeepCarriedOffChangedBoxes(env, pass);
    }

    // Ends of other connectors that a carry left off the segment they rest on (connectors whose
    // ends rest on each other's segments carry each other in turn, and a move carries each once)
    // are carried again, round after round, until every one rests on its line; a document being
    // read is left as it is. Whether one moved.
    bool RestEndsOnTheirLines(Core::Env& env) {
        constexpr double kOff = 0.5;
        constexpr int kRounds = 32;
        bool any = false;
        if (!env.GetTransaction().KeepsHistory()) return false;
        for (int round = 0; round < kRounds; ++round) {
            bool moved = false;
            for (std::size_t k = 0; k < every_.size(); ++k) {
                auto* c = zq::Cast<IConnector>(every_[k].get());
                if (c == nullptr || c->IsDeleted()) continue;
                for (ISegment* s : c->GetSegmentList()) {
                    ISegmentEnd *a, *b;
                    if (s->IsDeleted() || !s->GetEnds(a, b)) continue;
                    const auto off = [&](const IEnd* e) {
                        const zq::float8Point p = e->GetPoint(), q = GraphUtil::ClosestPointOnSegment(a->GetPoint(), b->GetPoint(), p);
                        return !e->IsDeleted() && std::hypot(q.x - p.x, q.y - p.y) > kOff;
                    };
                    const std::vector<IEnd*> ends = s->GetAttachedEnds();
                    if (std::none_of(ends.begin(), ends.end(), off)) continue;
                    Core::DeferredShiftSet set;
                    s->CarryAttachedEnds(env, a->GetOldPosition(), b->GetOldPosition(), true, set);
                    moved = true;
                    for (IEnd* e : ends)
                        if (IConnector* other = e->GetConnector(); other != nullptr && all_.insert(other).second)
                            every_.push_back(other->shared_from_this());
                }
            }
            if (!moved) break;
            any = true;
        }
        return any;
    }

    std::deque<Entry> queue_;
    std::unordered_set<const ISegmentEnd*> pending_;
    std::vector<Core::ElementPtr> connectors_;  // of the parts whose jobs ran, in order
    std::unordered_set<const IConnector*> touched_;
    std::vector<Core::ElementPtr> every_;  // every connector whose parts' jobs ran in the batch
    std::unordered_set<const IConnector*> all_;
};

// The batch of each transaction, owned by the transaction's job queue (an aborted or closed
// transaction drops it, and the entry expires).
std::unordered_map<const Core::Transaction*, std::weak_ptr<JobBatch>>& Batches()
{
    static std::unordered_map<const Core::Transaction*, std::weak_ptr<JobBatch>> batches;
    return batches;
}

// The running transaction's batch, made and queued with its first job.
JobBatch& BatchOf(Core::Env& env)
{
    Core::Transaction& t = env.GetTransaction();
    std::shared_ptr<JobBatch> batch = Batches()[&t].lock();
    if (!batch) {
        for (auto it = Batches().begin(); it != Batches().end();)
            it = it->second.expired() ? Batches().erase(it) : std::next(it);
        batch = std::make_shared<JobBatch>();
        Batches()[&t] = batch;
        t.AddFollowUpJob(batch);
    }
    return *batch;
}

// Queues the part's own follow-up job.
void Queue(Core::Env& env, ISegmentEnd& part) { BatchOf(env).Add(part); }

// A change that moved, resized or made a box runs the clean-up though no connector part changed:
// the texts of the connectors it left as they were keep off that box.
const Core::ClosingHook kBoxesMoved([](Core::Env& env, const std::vector<Core::ElementPtr>& recorded) {
    if (Routing::NoteBoxesMoved(env, recorded)) BatchOf(env);
});

// Replaces a join that has one segment by a free end at its point.
void ReplaceByEnd(Core::Env& env, IJoin& join)
{
    ISegment* s = join.GetSegments().front();
    IConnector* c = join.GetConnector();
    join.Core::IModelElement::Delete(env);
    std::shared_ptr<IEnd> end = join.GetPartFactory().CreateEndAt(env, join.GetPosition());
    if (c != nullptr) {
        end->SetConnector(env, c);
        c->AddEnd(env, end.get());
        c->RemoveJoin(env, &join);
    }
    s->Reconnect(env, &join, end.get());
    end->SetSegment(env, s);
}

// Smooths one join when its two segments run on in one straight line; answers the far joins to visit.
void SmoothOne(Core::Env& env, IJoin& j, std::deque<IJoin*>& next)
{
    if (j.IsDeleted() || j.GetSegmentCount() != 2) return;
    const std::vector<ISegment*> l = j.GetSegments();
    ISegment *s1 = l[0], *s2 = l[1];
    ISegmentEnd *f1 = s1->OtherEnd(&j), *f2 = s2->OtherEnd(&j);
    if (f1 == nullptr || f2 == nullptr || f1 == f2) return;
    const zq::float8Point p = j.GetPosition(), p1 = f1->GetPoint(), p2 = f2->GetPoint();
    const double dx = p2.x - p1.x, dy = p2.y - p1.y, len = std::hypot(dx, dy);
    if (len > 0 && std::abs((p.x - p1.x) * dy - (p.y - p1.y) * dx) / len > kSmoothTolerance) return;
    ISegment *kept = s1, *removed = s2;
    if (Same(p1, p)) std::swap(kept, removed);
    if (!Same(p1, p) && !Same(p2, p)) {
        const bool match = (s1->IsHorizontalOrtho() && s2->IsHorizontalOrtho()) ||
                           (s1->IsVerticalOrtho() && s2->IsVerticalOrtho()) ||
                           (!s1->IsHorizontalOrtho() && !s1->IsVerticalOrtho() && !s2->IsHorizontalOrtho() &&
                            !s2->IsVerticalOrtho());
        if (!match) return;
    }
    if (Core::IView* view = env.GetView(); view != nullptr && removed->IsSelectedInView(*view) &&
                                           !kept->IsSelectedInView(*view))
        kept->SelectInView(*view, true, env.GetTracker());
    ISegmentEnd* far = removed->OtherEnd(&j);
    kept->Reconnect(env, &j, far);
    far->InsertSegment(env, removed, kept);
    removed->SetEnds(env, {});
    if (IConnector* c = j.GetConnector()) c->RemoveJoin(env, &j);
    j.Core::IModelElement::Delete(env);
    Functions::GiveAttachedEnds(env, *removed, *kept);
    removed->ImplementDeletion(env, nullptr, nullptr);
    kept->CheckOrthoFlags(env);
    for (ISegmentEnd* e : kept->GetEndList())
        if (auto* fj = zq::Cast<IJoin>(e)) next.push_back(fj);
}

} // namespace

void IJoin::Smooth(Core::Env& env)
{
    if (IsDeleted()) return;
    std::deque<IJoin*> work{this};
    for (ISegment* s : GetSegments())
        if (auto* fj = zq::Cast<IJoin>(s->OtherEnd(this))) work.push_back(fj);
    while (!work.empty()) {
        IJoin* j = work.front();
        work.pop_front();
        SmoothOne(env, *j, work);
    }
}

void IJoin::Finalize(Core::Env& env)
{
    if (IsDeleted()) return;
    UpdateViewElements();  // the views redraw the part once the change is complete
    for (ISegment* s : GetSegments()) s->CheckOrthoFlags(env);
    Queue(env, *this);
}

void ISegment::Finalize(Core::Env& env)
{
    if (IsDeleted()) return;
    UpdateViewElements();  // the views redraw the part once the change is complete
    // A flag that a move broke (an end kept on its terminal) no longer holds.
    CheckOrthoFlags(env);
    for (ISegmentEnd* e : GetEndList())
        if (!e->IsDeleted()) Queue(env, *e);
}

bool IEnd::GetPendingTurn(zq::float8Point& out) const
{
    zq::float8Point bend;
    ISegment* s = GetSegment();
    ISegmentEnd* far = s != nullptr ? s->OtherEnd(this) : nullptr;
    if (far == nullptr || !GetPendingPoint(bend)) return false;
    const zq::float8Point p = GetPosition(), f = far->GetPoint();
    if (GraphUtil::IsEqual(bend.x, p.x) || GraphUtil::IsEqual(bend.y, p.y)) return false;
    if (s->IsVerticalOrtho() && GraphUtil::IsEqual(f.x, bend.x)) out = {p.x, bend.y};
    else if (s->IsHorizontalOrtho() && GraphUtil::IsEqual(f.y, bend.y)) out = {bend.x, p.y};
    else return false;
    return true;
}

void Functions::InsertBends(Core::Env& env, IEnd& end, const std::vector<zq::float8Point>& bends)
{
    ISegment* s = end.GetSegment();
    IConnector* c = end.GetConnector();
    IFactory& f = end.GetPartFactory();
    std::shared_ptr<IEnd> moved = end.CreateFurtherEnd(env, end.GetPosition());
    moved->TakeOverTerminal(env, end);
    std::shared_ptr<IJoin> first;
    IJoin* previous = nullptr;
    std::vector<std::shared_ptr<ISegment>> made;
    // A new segment from the previous join to the next segment end.
    auto link = [&](ISegmentEnd& next) {
        std::shared_ptr<ISegment> n = f.CreateNewSegment(env);
        previous->SetSegment(env, n.get());
        n->SetEnds(env, {previous, &next});
        next.SetSegment(env, n.get());
        made.push_back(n);
    };
    for (const zq::float8Point& b : bends) {
        std::shared_ptr<IJoin> j = f.CreateJoinAt(env, b);
        if (previous == nullptr) {
            s->Reconnect(env, &end, j.get());
            j->SetSegment(env, s);
            first = j;
        } else {
            link(*j);
        }
        previous = j.get();
    }
    link(*moved);
    end.ImplementDeletion(env, false, false, true);
    if (c != nullptr) first->BuildConnector(env, nullptr, *c);
    for (const auto& n : made) n->SetOrthoFlags(env);
}

void IEnd::Finalize(Core::Env& env)
{
    if (IsDeleted()) return;
    UpdateViewElements();  // the views redraw the part once the change is complete
    zq::float8Point pending, turn;
    if (GetPendingPoint(pending)) {
        std::vector<zq::float8Point> bends{pending};
        if (GetPendingTurn(turn)) bends.push_back(turn);
        SetPendingPoint(nullptr);
        if (GetSegment() != nullptr && pending != GetPosition()) {
            Functions::InsertBends(env, *this, bends);
            return;
        }
    }
    if (GetSegment() != nullptr) GetSegment()->CheckOrthoFlags(env);
    // A changed end may have been the master end its connector lives by.
    if (IConnector* c = GetConnector()) c->Finalize(env);
    if (IsDeleted()) return;
    Queue(env, *this);
    // An end moved along its line may now run over the other segments at the far join, or past the
    // far end's terminal: that join or end cleans up as well, as it would when the document is read again.
    if (ISegment* s = GetSegment())
        if (ISegmentEnd* far = s->OtherEnd(this); far != nullptr && !far->IsDeleted()) Queue(env, *far);
}

void IJoin::DoFollowUpJob(Core::Env& env)
{
    if (IsDeleted()) return;
    if (GetSegmentCount() == 1) {
        ReplaceByEnd(env, *this);
        return;
    }
    if (GetSegmentCount() == 0) {
        DeleteIfInstable(env);
        return;
    }
    Smooth(env);
    if (IsDeleted()) return;
    for (ISegment* s : GetSegments())
        if (auto* e = zq::Cast<IEnd>(s->OtherEnd(this))) Queue(env, *e);
    AdjustCoincidingSegments(env);
    for (ISegment* s : GetSegments())
        if (auto* fj = zq::Cast<IJoin>(s->OtherEnd(this))) fj->AdjustCoincidingSegments(env);
}

void IEnd::Smooth(Core::Env& env)
{
    if (IsDeleted() || GetSegment() == nullptr) return;
    if (auto* j = zq::Cast<IJoin>(GetSegment()->OtherEnd(this))) j->Smooth(env);
}

namespace {
// The bend j with two segments, one of them the end's segment s, is dissolved into the end: the
// other segment runs on to the end, s and the bend go. Answers the end's segment afterwards.
ISegment* DissolveBend(Core::Env& env, IEnd& end, ISegment* s, IJoin& j)
{
    ISegment* other = j.GetOtherSegment(s);
    other->Reconnect(env, &j, &end);
    end.InsertSegment(env, s, other);
    j.RemoveSegmentNoCheck(env, other);
    s->SetEnds(env, {});
    if (IConnector* c = j.GetConnector()) c->RemoveJoin(env, &j);
    j.Core::IModelElement::Delete(env);
    Functions::GiveAttachedEnds(env, *s, *other);
    s->ImplementDeletion(env, nullptr, nullptr);
    return other;
}

// A zero-length last segment: a bend just before the end is dissolved into it; answers the
// end's segment afterwards, whose flags are cleared.
ISegment* DissolveZeroLengthSegment(Core::Env& env, IEnd& end, ISegment* s, ISegmentEnd& far)
{
    if (auto* j = zq::Cast<IJoin>(&far); j != nullptr && j->GetSegmentCount() == 2) s = DissolveBend(env, end, s, *j);
    s->ResetOrthoFlags(env);
    return s;
}

// Ends of other connectors lying on a segment that got shorter along its line stay on what is left.
void KeepAttachedEndsOn(Core::Env& env, ISegment& s)
{
    ISegmentEnd *a, *b;
    Core::DeferredShiftSet set;
    if (s.GetEnds(a, b)) s.CarryAttachedEnds(env, a->GetPoint(), b->GetPoint(), false, set);
}

// Whether the path from the end, taking in the square bends that lie in the terminal, comes to
// a segment that leaves it for good: a path that meets a branching join or another end inside, or
// leaves for a join whose other branches lead back inside (a box moved onto its tree's join or
// branches), keeps its end on the outline, for the tree to be laid around the box.
bool ComesOutOf(const IEnd& end, const Core::ITerminal& t)
{
    constexpr double kOnOutline = -0.5;
    const auto inside = [&](const ISegmentEnd* p) { return Functions::Holds(t, p->GetPoint(), kOnOutline); };
    const ISegmentEnd* part = &end;
    const ISegment* s = end.GetSegment();
    for (std::size_t k = 0; s != nullptr && k < 64; ++k) {
        const ISegmentEnd* far = s->OtherEnd(part);
        if (far == nullptr) return true;
        if (!inside(far)) {
            for (const ISegment* other : far->GetSegments())
                if (const ISegmentEnd* next = other != s ? other->OtherEnd(far) : nullptr; next != nullptr && inside(next))
                    return false;
            return true;
        }
        const auto* j = zq::Cast<const IJoin>(far);
        if (j == nullptr || j->GetSegmentCount() != 2) return false;
        part = far;
        s = j->GetOtherSegment(s);
    }
    return true;
}

// A path that runs from the end into its terminal or along its outline (a bend that the terminal's
// move or growth left inside it, an end whose far end the terminal passed) leaves the terminal
// where it crosses the outline: the end goes there along its segment, which keeps its axis, and
// takes in the bends that lie inside. A connector with another end inside the terminal (a
// substate's transition to its composite state) runs inside by right. Answers whether a bend went.
bool LeaveThroughOutline(Core::Env& env, IEnd& end)
{
    constexpr double kOnOutline = -0.5;  // held: inside the terminal or on its outline
    // A line (another connector's segment) is no box to leave.
    auto* t = zq::Cast<const Core::ITerminal>(end.GetTerminal());
    IConnector* c = end.GetConnector();
    if (t == nullptr || c == nullptr || zq::Cast<const ISegment>(end.GetTerminal()) != nullptr) return false;
    if (Functions::HoldsAnotherEnd(*t, end)) return false;
    if (!ComesOutOf(end, *t)) return false;
    bool dissolved = false;
    while (!end.IsDeleted() && end.GetSegment() != nullptr) {
        ISegment* s = end.GetSegment();
        ISegmentEnd* far = s->OtherEnd(&end);
        if (far == nullptr) break;
        const zq::float8Point p = end.GetPosition(), f = far->GetPoint();
        const double length = std::hypot(f.x - p.x, f.y - p.y);
        const auto at = [&](double d) { return zq::float8Point{p.x + (f.x - p.x) * d / length, p.y + (f.y - p.y) * d / length}; };
        if (length < 2 || !Functions::Holds(*t, at(1), kOnOutline)) break;  // it leaves outwards
        const bool h = s->IsHorizontalOrtho(), v = s->IsVerticalOrtho();
        if (!h && !v) break;  // an oblique line ends where it was put
        if (Functions::Holds(*t, f, kOnOutline)) {
            // The bend is taken in when the path runs on square from it; else the whole path lies inside.
            auto* j = zq::Cast<IJoin>(far);
            if (j == nullptr || j->GetSegmentCount() != 2) break;
            const ISegment* next = j->GetOtherSegment(s);
            if (!next->IsHorizontalOrtho() && !next->IsVerticalOrtho()) break;
            end.MoveTo(env, f);
            ISegment* kept = DissolveBend(env, end, s, *j);
            KeepAttachedEndsOn(env, *kept);
            dissolved = true;
            continue;
        }
        double in = 1, out = length;
        while (out - in > 0.01) {
            const double mid = (in + out) / 2;
            (Functions::Holds(*t, at(mid), kOnOutline) ? in : out) = mid;
        }
        // Exactly onto the outline: level for a horizontal segment, plumb for a vertical one.
        zq::float8Point x = at(in);
        GraphUtil::OutlineHit hit;
        if (t->GetTerminalOutline(hit, x, h) && hit.valid) x = hit.point;
        if (h) x.y = p.y;
        if (v) x.x = p.x;
        if (std::abs(x.x - p.x) + std::abs(x.y - p.y) > 0.5) {
            end.MoveTo(env, x);
            KeepAttachedEndsOn(env, *s);
        }
        break;
    }
    return dissolved;
}

// Puts an end whose orthogonal segment no longer meets its terminal where it ran back onto the
// outline: the outline point level (H) or plumb (V) with the far end, on the end's side of it.
// Landing on a bend's point dissolves the bend in the end's next job.
void PlaceOnTerminal(Core::Env& env, IEnd& end)
{
    ISegment* s = end.GetSegment();
    auto* t = zq::Cast<const Core::ITerminal>(end.GetTerminal());
    ISegmentEnd* far = s ? s->OtherEnd(&end) : nullptr;
    const bool h = s && s->IsHorizontalOrtho(), v = s && s->IsVerticalOrtho();
    if (t == nullptr || far == nullptr || (!h && !v)) return;
    const zq::float8Point f = far->GetPoint(), p = end.GetPosition();
    GraphUtil::OutlineHit hit;
    if (!t->GetTerminalOutline(hit, f, h) || !hit.valid || hit.point == p) return;
    const zq::float8Point c = hit.point;
    if (h ? !GraphUtil::IsEqual(c.y, f.y) : !GraphUtil::IsEqual(c.x, f.x)) return;
    if ((h ? (c.x - f.x) * (p.x - f.x) : (c.y - f.y) * (p.y - f.y)) < 0) return;
    const zq::float8Point o = end.GetOldPosition();
    const Core::ShiftVector move = h ? Core::ShiftVector{c.x - o.x, 0, true, false} : Core::ShiftVector{0, c.y - o.y, false, true};
    Core::DeferredShiftSet set;
    end.Shift(env, nullptr, move, set, false);
}
} // namespace

void IEnd::DoFollowUpJob(Core::Env& env)
{
    ISegment* s = GetSegment();
    if (IsDeleted() || s == nullptr) return;
    if (LeaveThroughOutline(env, *this)) {
        Queue(env, *this);
        return;
    }
    ISegmentEnd* far = s->OtherEnd(this);
    if (far == nullptr) return;
    if (Same(far->GetPoint(), GetPoint())) {
        DissolveZeroLengthSegment(env, *this, s, *far);
        if (IsDeleted()) return;
    }
    Smooth(env);
    if (!IsDeleted()) PlaceOnTerminal(env, *this);
}

void IJoin::AdjustCoincidingSegments(Core::Env& env)
{
    if (IsDeleted()) return;
    struct Pair {
        ISegment* segment;
        ISegmentEnd* far;
    };
    std::vector<Pair> coinciding, groups[4];  // left, right, down, up
    const zq::float8Point p = GetPosition();
    for (ISegment* s : GetSegments()) {
        ISegmentEnd* far = s->OtherEnd(this);
        if (far == nullptr) continue;
        const zq::float8Point f = far->GetPoint();
        if (Same(f, p)) coinciding.push_back({s, far});
        else if (s->IsHorizontalOrtho()) groups[p.x > f.x ? 0 : 1].push_back({s, far});
        else if (s->IsVerticalOrtho()) groups[p.y > f.y ? 2 : 3].push_back({s, far});
    }
    for (int g = 0; g < 4; ++g) {
        auto& list = groups[g];
        if (list.size() < 2) continue;
        const bool onX = g < 2, ascending = g == 0 || g == 2;
        std::sort(list.begin(), list.end(), [&](const Pair& a, const Pair& b) {
            const double va = onX ? a.far->GetPoint().x : a.far->GetPoint().y;
            const double vb = onX ? b.far->GetPoint().x : b.far->GetPoint().y;
            return ascending ? va < vb : va > vb;
        });
        auto* k = zq::Cast<IJoin>(list[1].far);
        if (k == nullptr) continue;
        // The longest segment A overlaps B from here to K: A now starts at K.
        ISegment* a = list[0].segment;
        ISegment* b = list[1].segment;
        a->Reconnect(env, this, k);
        RemoveSegmentNoCheck(env, a);
        k->SetSegment(env, a);
        Functions::SpreadAttachedEnds(env, {a, b}, *this, *k, *b, *a);
        Queue(env, *k);
        return;  // the graph changed: the jobs queued run the rest
    }
    for (const Pair& c : coinciding)
        if (auto* k = zq::Cast<IJoin>(c.far); k != nullptr && !k->IsDeleted() && !IsDeleted())
            Functions::FuseJoins(env, *this, *k);
}

void IJoin::Traverse(const ISegmentEnd* from, TraverseDir dir, const Scanner& scanner)
{
    IJoin* j = this;
    const ISegmentEnd* came = from;
    while (j != nullptr && !j->IsDeleted()) {
        const zq::float8Point p = j->GetPosition();
        IJoin* next = nullptr;
        for (ISegment* s : j->GetSegments()) {
            ISegmentEnd* far = s->OtherEnd(j);
            if (far == nullptr || far == came) continue;
            const zq::float8Point f = far->GetPoint();
            const bool counts = (dir == kLeft && s->IsHorizontalOrtho() && f.x < p.x) ||
                                (dir == kRight && s->IsHorizontalOrtho() && f.x > p.x) ||
                                (dir == kUp && s->IsVerticalOrtho() && f.y > p.y) ||
                                (dir == kDown && s->IsVerticalOrtho() && f.y < p.y);
            if (!counts) continue;
            if (!scanner(*s, *far)) return;
            if (auto* fj = zq::Cast<IJoin>(far)) next = fj;
        }
        came = j;
        j = next;
    }
}

void Routing::CheckAfterChange(Core::Env& env, IConnector& c) { BatchOf(env).Check(c); }

} // namespace Connector
