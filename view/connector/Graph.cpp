// The connector graph's structure: building connectors, attaching ends, segment flags, deletion,
// storing and the checks after reading.
#include "view/connector/Parts.h"

#include "core/CopyExtend.h"
#include "core/Diagram.h"
#include "core/DocumentReader.h"
#include "core/ModelElementSet.h"
#include "core/Selection.h"
#include "core/xml/Exceptions.h"
#include "core/xml/Writer.h"
#include "core/foundation/Cast.h"

#include <deque>
#include <sstream>
#include <unordered_set>

namespace Connector {

// ---- parts and connectors

Core::IModelElement* IConnectorElement::GetOwner() const { return GetConnector(); }

void IConnectorElement::BuildConnector(Core::Env& env, IConnectorElement* from, IConnector& target)
{
    // Iterative, so that long chains do not exhaust the stack.
    std::deque<std::pair<IConnectorElement*, IConnectorElement*>> work{{this, from}};
    while (!work.empty()) {
        IConnectorElement* part = work.front().first;
        IConnectorElement* came = work.front().second;
        work.pop_front();
        if (part->IsDeleted() || part->GetConnector() == &target) continue;
        if (IConnector* old = part->GetConnector()) old->RemovePart(env, *part);
        part->SetConnector(env, &target);
        target.AddPart(env, *part);
        part->ForEachNeighbour([&](IConnectorElement& n) {
            if (&n != came) work.emplace_back(&n, part);
        });
    }
}

void IConnectorElement::ExtendSelection(Core::ExtendSelectionParam& param)
{
    IConnector* c = GetConnector();
    if (c == nullptr || param.Add(c) != Core::ExtendSelectionResult::Full) return;
    // Every attached end takes its terminal along, so that the copy stays attached.
    for (IEnd* e : c->GetEnds())
        if (!e->IsDeleted()) param.Add(e->GetTerminal());
}

bool IConnector::IsCompletelySelectedImp(const Core::ModelElementSet& set)
{
    if (set.Contains(this)) return true;
    bool attached = false;
    for (IEnd* e : GetEnds()) {
        if (e->IsDeleted() || e->GetTerminal() == nullptr) continue;
        if (!set.Contains(e->GetTerminal())) return false;
        attached = true;
    }
    return attached;
}

void IConnector::DeepInsert(Core::ModelElementSet& set)
{
    set.Insert(shared_from_this());
    for (IEnd* e : GetEnds()) set.Insert(e->shared_from_this());
    for (ISegment* s : GetSegmentList()) set.Insert(s->shared_from_this());
    for (IJoin* j : GetJoins()) set.Insert(j->shared_from_this());
}

void IConnector::AddPart(Core::Env& env, IConnectorElement& part)
{
    if (auto* e = zq::Cast<IEnd>(&part)) AddEnd(env, e);
    else if (auto* j = zq::Cast<IJoin>(&part)) AddJoin(env, j);
    else if (auto* s = zq::Cast<ISegment>(&part)) AddSegment(env, s);
}

void IConnector::RemovePart(Core::Env& env, IConnectorElement& part)
{
    if (auto* e = zq::Cast<IEnd>(&part)) RemoveEnd(env, e);
    else if (auto* j = zq::Cast<IJoin>(&part)) RemoveJoin(env, j);
    else if (auto* s = zq::Cast<ISegment>(&part)) RemoveSegment(env, s);
}

bool IConnector::HasPart(const IConnectorElement& part) const
{
    auto has = [](const auto& list, const void* p) {
        for (auto* x : list)
            if (static_cast<const void*>(x) == p) return true;
        return false;
    };
    if (auto* e = zq::Cast<const IEnd>(&part)) return has(GetEnds(), e);
    if (auto* j = zq::Cast<const IJoin>(&part)) return has(GetJoins(), j);
    if (auto* s = zq::Cast<const ISegment>(&part)) return has(GetSegmentList(), s);
    return false;
}

std::size_t IConnector::DeleteIfEmpty(Core::Env& env)
{
    if (IsDeleted()) return 0;
    const std::size_t n = GetEndCount() + GetSegmentCount() + GetJoinCount();
    if (n == 0) Core::IModelElement::Delete(env);
    return n;
}

void IConnector::SetOrthoFlags(Core::Env& env)
{
    if (IsDeleted()) return;
    for (ISegment* s : Core::PtrCont<ISegment>(GetSegmentList())) s->SetOrthoFlags(env);
}

bool IConnector::Involves(const Core::IModelElement* element) const
{
    for (IEnd* e : GetEnds())
        if (e->GetTerminal() == element) return true;
    for (ISegment* s : GetSegmentList())
        if (s == element) return true;
    return false;
}

void IConnector::Delete(Core::Env& env)
{
    if (IsDeleted()) return;
    Core::IModelElement::Delete(env);
    for (IEnd* e : Core::PtrCont<IEnd>(GetEnds())) e->ForgetConnector(env, *this);
    for (ISegment* s : Core::PtrCont<ISegment>(GetSegmentList())) s->ForgetConnector(env, *this);
    for (IJoin* j : Core::PtrCont<IJoin>(GetJoins())) j->ForgetConnector(env, *this);
}

// ---- ends

void IEnd::SetTerminal(Core::Env& env, Core::IModelElement* terminal)
{
    Core::IModelElement* old = GetTerminal();
    if (IsDeleted() || old == terminal) return;
    SetTerminalImp(env, terminal);
    if (old != nullptr) DetachFromPartner(env, old);
    if (terminal != nullptr) AttachToPartner(env, terminal);
}

void IEnd::TakeOverTerminal(Core::Env& env, IEnd& other)
{
    if (IConnector* c = other.GetConnector()) {
        SetConnector(env, c);
        c->AddEnd(env, this);
    }
    SetTerminal(env, other.GetTerminal());
    SetEndType(env, other.GetEndType());
}

std::shared_ptr<IEnd> IEnd::CreateFurtherEnd(Core::Env& env, const zq::float8Point& point)
{
    return GetPartFactory().CreateEndAt(env, point);
}

void IEnd::DetachFromTerminal(Core::Env& env, Core::IModelElement*, bool deleteEnd)
{
    if (IsDeleted()) return;
    if (deleteEnd)
        ImplementDeletion(env, false, false, false);
    else
        SetTerminal(env, nullptr);
}

void IEnd::ImplementDeletion(Core::Env& env, bool skipTerminal, bool skipConnector, bool skipSegment)
{
    if (IsDeleted()) return;
    Core::IModelElement::Delete(env);
    if (!skipTerminal && GetTerminal() != nullptr) DetachFromPartner(env, GetTerminal());
    if (!skipConnector && GetConnector() != nullptr) GetConnector()->RemoveEnd(env, this);
    if (!skipSegment && GetSegment() != nullptr) GetSegment()->ImplementDeletion(env, this, nullptr);
    OnEndDeleted(env);
}

void IEnd::SegmentRemoved(Core::Env& env, ISegment*)
{
    ImplementDeletion(env, false, false, true);
}

void IEnd::ForgetConnector(Core::Env& env, IConnector& gone)
{
    if (GetConnector() == &gone) ImplementDeletion(env, false, true, true);
}

void IEnd::ForEachNeighbour(const std::function<void(IConnectorElement&)>& f) const
{
    if (ISegment* s = GetSegment()) f(*s);
}

std::vector<ISegment*> IEnd::GetSegments() const
{
    if (ISegment* s = GetSegment()) return {s};
    return {};
}

bool ISegmentEnd::GetTerminalOutline(GraphUtil::OutlineHit& out, const zq::float8Point&, bool) const
{
    out = {};
    out.valid = true;
    out.point = GetPoint();
    return true;
}

// ---- joins

ISegment* IJoin::GetOtherSegment(const ISegment* segment) const
{
    const std::vector<ISegment*> l = GetSegments();
    if (l.size() != 2 || (l[0] != segment && l[1] != segment))
        throw std::logic_error("IJoin::GetOtherSegment(): precondition failed");
    return l[0] == segment ? l[1] : l[0];
}

bool IJoin::HasSegment(const ISegment* segment) const
{
    for (ISegment* s : GetSegments())
        if (s == segment) return true;
    return false;
}

void IJoin::DeleteIfInstable(Core::Env& env)
{
    if (IsDeleted()) return;
    const std::vector<ISegment*> l = GetSegments();
    if (l.size() >= 2) return;
    Core::IModelElement::Delete(env);
    if (l.size() == 1) l[0]->ImplementDeletion(env, this, nullptr);
    if (IConnector* c = GetConnector()) c->RemoveJoin(env, this);
}

void IJoin::SegmentRemoved(Core::Env& env, ISegment* segment)
{
    if (IsDeleted()) return;
    RemoveSegmentNoCheck(env, segment);
    DeleteIfInstable(env);
    if (IsDeleted()) return;
    // What is still connected to the join continues as a connector of its own.
    std::shared_ptr<IConnector> split = GetPartFactory().CreateConnector(env);
    BuildConnector(env, nullptr, *split);
}

void IJoin::ForgetConnector(Core::Env& env, IConnector& gone)
{
    if (GetConnector() == &gone && !IsDeleted()) Core::IModelElement::Delete(env);
}

void IJoin::ForEachNeighbour(const std::function<void(IConnectorElement&)>& f) const
{
    for (ISegment* s : GetSegments()) f(*s);
}

void IJoin::ResetOrthoFlags(Core::Env& env)
{
    for (ISegment* s : GetSegments()) s->ResetOrthoFlags(env);
}

void IJoin::SetOrthoFlags(Core::Env& env)
{
    for (ISegment* s : GetSegments()) s->SetOrthoFlags(env);
}

// ---- segments

void ISegment::AddEnd(Core::Env& env, ISegmentEnd* end)
{
    Core::PtrCont<ISegmentEnd> l = GetEndList();
    l.push_back(end);
    SetEnds(env, l);
}

bool ISegment::GetEnds(ISegmentEnd*& a, ISegmentEnd*& b) const
{
    const auto& l = GetEndList();
    if (l.size() != 2) {
        a = b = nullptr;
        return false;
    }
    a = l[0];
    b = l[1];
    return true;
}

ISegmentEnd* ISegment::OtherEnd(const ISegmentEnd* end) const
{
    ISegmentEnd *a, *b;
    if (!GetEnds(a, b)) return nullptr;
    return a == end ? b : a;
}

void ISegment::SetOrthoFlags(Core::Env& env)
{
    ISegmentEnd *a, *b;
    if (IsDeleted() || !GetEnds(a, b)) return;
    const zq::float8Point p = a->GetPoint(), q = b->GetPoint();
    SetHorizontalOrtho(env, GraphUtil::IsHorizontal(p, q) && (WasHorizontalOrtho() || IsNew()));
    SetVerticalOrtho(env, GraphUtil::IsVertical(p, q) && (WasVerticalOrtho() || IsNew()));
}

void ISegment::CheckOrthoFlags(Core::Env& env)
{
    ISegmentEnd *a, *b;
    if (IsDeleted() || !GetEnds(a, b)) return;
    const zq::float8Point p = a->GetPoint(), q = b->GetPoint();
    if (IsHorizontalOrtho() && !GraphUtil::IsHorizontal(p, q)) SetHorizontalOrtho(env, false);
    if (IsVerticalOrtho() && !GraphUtil::IsVertical(p, q)) SetVerticalOrtho(env, false);
}

void ISegment::ResetOrthoFlags(Core::Env& env)
{
    if (IsDeleted()) return;
    SetHorizontalOrtho(env, false);
    SetVerticalOrtho(env, false);
}

void ISegment::ImplementDeletion(Core::Env& env, ISegmentEnd* from, IConnector* connector)
{
    if (IsDeleted()) return;
    Core::IModelElement::Delete(env);
    for (ISegmentEnd* e : Core::PtrCont<ISegmentEnd>(GetEndList()))
        if (e != from) e->SegmentRemoved(env, this);
    if (GetConnector() != nullptr && GetConnector() != connector) GetConnector()->RemoveSegment(env, this);
    for (IEnd* e : GetAttachedEnds()) e->DetachFromTerminal(env, this, true);
    DeleteCarried(env);
}

void ISegment::ForgetConnector(Core::Env& env, IConnector& gone)
{
    if (GetConnector() != &gone || IsDeleted()) return;
    Core::IModelElement::Delete(env);
    for (IEnd* e : GetAttachedEnds()) e->DetachFromTerminal(env, this, true);
    DeleteCarried(env);
}

void ISegment::ForEachNeighbour(const std::function<void(IConnectorElement&)>& f) const
{
    for (ISegmentEnd* e : GetEndList()) f(*e);
}

bool ISegment::GetTerminalOutline(GraphUtil::OutlineHit& out, const zq::float8Point& point, bool horizontal) const
{
    ISegmentEnd *a, *b;
    out = {};
    if (!GetEnds(a, b)) return false;
    out.point = GraphUtil::ClosestPointOnSegment(a->GetPoint(), b->GetPoint(), point);
    (void)horizontal;
    out.valid = true;
    return true;
}

// ---- storing and reading

void RegisterTaggedEndFields(Core::PropertyTable<EndRep>& t, int32_t defaultType)
{
    using namespace Core;
    RegisterRefNonStoreProperty::Register(t, &EndRep::group, L"Group");
    RegisterRefNonStoreProperty::Register(t, &EndRep::segment, L"Segment");
    RegisterProperty<EvalRestore::Mandatory>::Register(t, &EndRep::pos, L"Pos", zq::float8Point(0, 0));
    RegisterRefProperty<>::Register(t, &EndRep::party, L"Party");
    RegisterNonStoreProperty::Register(t, &EndRep::type, L"Type", defaultType);
}

std::vector<const Core::IModelElement*> IConnector::PartsInStoredOrder(const Core::IClub* club) const
{
    std::vector<const Core::IModelElement*> parts;
    if (club != nullptr) {
        for (const Core::IModelElement* p : club->GetOwnedElements(*this))
            if (p->IsStored()) parts.push_back(p);
        return parts;
    }
    for (IEnd* e : GetEnds()) parts.push_back(e);
    for (IJoin* j : GetJoins()) parts.push_back(j);
    for (ISegment* s : GetSegmentList()) parts.push_back(s);
    return parts;
}

void IConnector::Store(xml::IWriter& parent, const Core::IClub* club) const
{
    xml::Writer writer(parent, GetNamespace(), GetTypeName());
    StoreID(writer);
    StoreProperties(writer);
    // Each part writes what it owns (texts anchored on a segment) inside itself.
    for (const Core::IModelElement* p : PartsInStoredOrder(club))
        if (!p->IsDeleted()) p->Store(writer, club);
    writer.EndElement();
}

namespace {
GraphFault Describe(const Core::IModelElement& e, const char* what)
{
    std::ostringstream s;
    s << "connector part r" << e.GetObjectId() << ": " << what;
    return {e, s.str()};
}
} // namespace

GraphFault IConnector::CheckGraph() const
{
    std::unordered_set<const Core::IModelElement*> own;
    for (IEnd* e : GetEnds()) own.insert(e);
    for (IJoin* j : GetJoins()) own.insert(j);
    for (ISegment* s : GetSegmentList()) own.insert(s);
    auto mine = [&](const IConnectorElement* p) { return p != nullptr && own.count(p) != 0 && p->GetConnector() == this; };
    for (ISegment* s : GetSegmentList()) {
        if (!mine(s)) return Describe(*s, "segment of another connector");
        if (s->GetEndList().size() != 2) return Describe(*s, "segment without exactly two ends");
        if (s->GetEndList()[0] == s->GetEndList()[1]) return Describe(*s, "segment ends twice on one part");
        for (ISegmentEnd* e : s->GetEndList()) {
            if (!mine(e)) return Describe(*s, "segment ends on a part of another connector");
            if (!e->HasSegment(s)) return Describe(*s, "segment end does not know the segment");
        }
    }
    for (IEnd* e : GetEnds()) {
        if (!mine(e)) return Describe(*e, "end of another connector");
        ISegment* s = e->GetSegment();
        if (s == nullptr || !mine(s)) return Describe(*e, "end without a segment of its connector");
        const auto& l = s->GetEndList();
        if (std::find(l.begin(), l.end(), e) == l.end()) return Describe(*e, "end's segment does not end on it");
        if (e->GetTerminal() == this || e->GetTerminal() == s) return Describe(*e, "end lies on its own connector");
    }
    for (IJoin* j : GetJoins()) {
        if (!mine(j)) return Describe(*j, "join of another connector");
        const std::vector<ISegment*> l = j->GetSegments();
        if (l.size() < 2) return Describe(*j, "join with fewer than two segments");
        for (ISegment* s : l) {
            if (!mine(s)) return Describe(*j, "join holds a segment of another connector");
            const auto& ends = s->GetEndList();
            if (std::find(ends.begin(), ends.end(), j) == ends.end()) return Describe(*j, "join's segment does not end on it");
        }
    }
    return {};
}

void IConnector::OnRestored(Core::Env& env)
{
    if (IsDeleted()) return;
    // Back-references first: an end's segment, a join's segments, the terminals' partner lists.
    for (ISegment* s : GetSegmentList())
        for (ISegmentEnd* e : s->GetEndList())
            if (e != nullptr && e->GetConnector() == this) e->InitSegment(s);
    for (IEnd* e : GetEnds())
        if (Core::IModelElement* t = e->GetTerminal(); t != nullptr && !e->AcceptsTerminal(t))
            throw Exceptions::MalformedConnector(Describe(*e, "end lies on an element that takes no such end"));
    const GraphFault broken = CheckGraph();
    if (!broken.empty()) throw Exceptions::MalformedConnector(broken);
    for (IEnd* e : GetEnds())
        if (e->GetTerminal() != nullptr) e->AttachToPartner(env, e->GetTerminal());
    for (ISegment* s : GetSegmentList()) s->CheckOrthoFlags(env);
}

namespace Detail {
void AdoptReadPart(IConnectorElement& part, const Core::RestoreContext& context, const wchar_t* tag)
{
    auto* c = zq::Cast<IConnector>(context.enclosing);
    if (c == nullptr) throw xml::Exceptions::UnknownElement(context.line, tag);
    part.AssignConnectorForReading(c);
    if (auto* e = zq::Cast<IEnd>(&part)) c->AppendForReading(e);
    else if (auto* j = zq::Cast<IJoin>(&part)) c->AppendForReading(j);
    else if (auto* s = zq::Cast<ISegment>(&part)) c->AppendForReading(s);
    // A chain is read in order: each part is linked with the one read just before it. A segment
    // that names its ends (as chains were once written) keeps them.
    if (zq::Cast<ILinearConnector>(c) == nullptr || context.previous == nullptr) return;
    auto* seg = zq::Cast<ISegment>(&part);
    auto* prevEnd = zq::Cast<ISegmentEnd>(context.previous);
    auto* prevSeg = zq::Cast<ISegment>(context.previous);
    if (seg != nullptr && prevEnd != nullptr && seg->GetEndList().empty()) seg->AppendEndForReading(prevEnd);
    if (auto* end = zq::Cast<ISegmentEnd>(&part); end != nullptr && prevSeg != nullptr && prevSeg->GetEndList().size() < 2)
        prevSeg->AppendEndForReading(end);
}
} // namespace Detail

} // namespace Connector

namespace Connector {

IEnd* ILinearConnector::GetFirstEnd() const
{
    for (IEnd* e : GetEnds())
        if (!e->IsDeleted()) return e;
    return nullptr;
}

std::vector<const Core::IModelElement*> ILinearConnector::PartsInStoredOrder(const Core::IClub*) const
{
    return ChainOrder();
}

std::vector<const Core::IModelElement*> ILinearConnector::ChainOrder() const
{
    std::vector<const Core::IModelElement*> parts;
    const ISegmentEnd* at = GetFirstEnd();
    const ISegment* via = nullptr;
    while (at != nullptr && parts.size() <= 2 * (GetEndCount() + GetJoinCount())) {
        parts.push_back(at);
        const std::vector<ISegment*> l = at->GetSegments();
        const ISegment* next = nullptr;
        for (ISegment* s : l)
            if (s != via) next = s;
        if (next == nullptr) break;
        parts.push_back(next);
        via = next;
        at = next->OtherEnd(at);
    }
    return parts;
}

GraphFault ILinearConnector::CheckGraph() const
{
    GraphFault broken = IConnector::CheckGraph();
    if (!broken.empty()) return broken;
    if (GetEndCount() == 0 && GetSegmentCount() == 0 && GetJoinCount() == 0) return {};
    for (IJoin* j : GetJoins())
        if (j->GetSegmentCount() != 2) return Describe(*j, "a chain's join must have two segments");
    if (GetEndCount() != 2) return "a chain must have two ends";
    if (ChainOrder().size() != GetEndCount() + GetJoinCount() + GetSegmentCount())
        return "a chain's parts must form one chain";
    return {};
}

} // namespace Connector
