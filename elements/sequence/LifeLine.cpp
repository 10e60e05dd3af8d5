#include "elements/sequence/LifeLine.h"

#include "core/DocumentReader.h"
#include "core/Exceptions.h"
#include "core/ModelElementSet.h"
#include "core/PropertyKinds.h"
#include "core/Transaction.h"
#include "core/Weight.h"
#include "elements/sequence/Activation.h"
#include "elements/sequence/Detail.h"
#include "elements/sequence/SeqObject.h"
#include "core/foundation/Cast.h"

#include <algorithm>
#include <cmath>

namespace Sequence {

namespace {
// Points on a lifeline keep their height (clamped into the line) and take its x.
class LineReshapeInfo : public Core::ITerminalReshapeInfo {
public:
    explicit LineReshapeInfo(LifeLine& line) : line_(line) {}
    zq::float8Point MapPoint(const zq::float8Point& p) const override {
        const GraphUtil::Interval extent(line_.GetBottom().y, line_.GetTop().y);
        return {double(line_.GetTop().x), extent.Clamp(p.y)};
    }
    Core::ITerminal* GetTerminal() const override { return &line_; }

private:
    LifeLine& line_;
};
} // namespace

Core::FactoryImp<LifeLine>& LifeLine::Factory()
{
    static Core::FactoryImp<LifeLine> factory(Core::SchemaNamespace10(), L"LifeLine");
    return factory;
}

void LifeLine::RegisterProperties(Core::PropertyTable<LifeLineRep>& t)
{
    using namespace Core;
    RegisterRefNonStoreProperty::Register(t, &LifeLineRep::object, L"SeqObject");
    RegisterProperty<EvalRestore::Mandatory>::Register(t, &LifeLineRep::len, L"Len", 6000);
    RegisterRefContNonStoreProperty::Register(t, &LifeLineRep::messageEnds, L"MessageEnds");
    RegisterRefContNonStoreProperty::Register(t, &LifeLineRep::noteEnds, L"NoteEnds");
    RegisterBoolProperty::Register(t, &LifeLineRep::dying, L"Dying");
    RegisterRefContNonStoreProperty::Register(t, &LifeLineRep::activations, L"Activations");
    RegisterRefContNonStoreProperty::Register(t, &LifeLineRep::returnEnds, L"ReturnEnds");
}

std::shared_ptr<LifeLine> LifeLine::Create(Core::Env& env, const zq::Point& top)
{
    auto line = Factory().CreateTyped(env);
    line->SetPos(env, top);
    return line;
}

void LifeLine::SetSeqObject(Core::Env& env, SeqObject* object) { SetField(env, &LifeLineRep::object, object); }

void LifeLine::SetBottom(Core::Env& env, std::int32_t y)
{
    if (IsDeleted()) return;
    SetField(env, &LifeLineRep::len, std::max(kMinLen, GetPos().y - y));
    Core::DeferredShiftSet set;
    UpdateAttached(env, set);
}

void LifeLine::SetDying(Core::Env& env, bool dying) { SetField(env, &LifeLineRep::dying, dying); }

void LifeLine::AddActivation(Core::Env& env, Activation* activation)
{
    const auto& list = GetRep().activations;
    if (IsDeleted() || activation == nullptr || std::find(list.begin(), list.end(), activation) != list.end()) return;
    ModifyField(env, &LifeLineRep::activations).push_back(activation);
    activation->SetLifeLine(env, this);
}

void LifeLine::RemoveActivation(Core::Env& env, Activation* activation)
{
    const auto& list = GetRep().activations;
    if (IsDeleted() || std::find(list.begin(), list.end(), activation) == list.end()) return;
    auto& w = ModifyField(env, &LifeLineRep::activations);
    w.erase(std::find(w.begin(), w.end(), activation));
}

void LifeLine::AppendActivationForReading(Activation* activation)
{
    auto& list = const_cast<LifeLineRep&>(GetRep()).activations;
    if (std::find(list.begin(), list.end(), activation) == list.end()) list.push_back(activation);
}

bool LifeLine::HasActivationInTransaction() const
{
    return std::any_of(GetActivations().begin(), GetActivations().end(),
                       [](const Activation* a) { return a->IsInTransaction(); });
}

std::vector<std::pair<std::int32_t, int>> LifeLine::GetActivationBoundaries() const
{
    std::vector<std::pair<std::int32_t, int>> out;
    for (const Activation* a : GetActivations()) {
        out.emplace_back(a->GetTop(), 1);
        out.emplace_back(a->GetBottom(), 0);
    }
    std::stable_sort(out.begin(), out.end(), [](const auto& l, const auto& r) { return l.first < r.first; });
    return out;
}

std::vector<std::pair<std::int32_t, std::int32_t>> LifeLine::GetDashedPieces() const
{
    const std::int32_t top = GetTop().y, bottom = GetBottom().y;
    std::vector<std::pair<std::int32_t, int>> events;  // (y, +1 at a bar's top, -1 at its bottom)
    for (const Activation* a : GetActivations()) {
        if (a->IsDeleted()) continue;
        // A bar that sticks out of the line covers only the part of the line under it.
        const std::int32_t t = std::clamp(a->GetTop(), bottom, top), b = std::clamp(a->GetBottom(), bottom, top);
        if (t <= b) continue;
        events.emplace_back(t, 1);
        events.emplace_back(b, -1);
    }
    std::stable_sort(events.begin(), events.end(), [](const auto& l, const auto& r) { return l.first < r.first; });
    std::vector<std::pair<std::int32_t, std::int32_t>> pieces;
    int depth = 0;
    std::int32_t start = bottom;
    for (const auto& [y, step] : events) {
        const int before = depth;
        depth += step;
        if (before == 0 && depth != 0 && y > start) pieces.emplace_back(start, y);
        if (before != 0 && depth == 0) start = y;
    }
    if (depth == 0 && top > start) pieces.emplace_back(start, top);
    return pieces;
}

void LifeLine::FollowReshape(Core::Env& env, const zq::Rect& oldRect, const zq::Rect& newRect)
{
    if (IsDeleted()) return;
    const Core::BoxReshapeInfo info(GetSeqObject(), oldRect, newRect);
    const zq::float8Point old = info.MapPoint({double(GetOldPos().x), double(GetOldPos().y)});
    const zq::Point top = zq::RoundPoint(old);
    if (top == GetPos()) return;
    SetPos(env, top);
    Core::DeferredShiftSet set;
    UpdateAttached(env, set);
}

void LifeLine::FollowEnds(Core::Env& env, Core::DeferredShiftSet& set)
{
    const LineReshapeInfo info(*this);
    Detail::Reshape(env, Detail::AllEnds(GetRep().noteEnds, GetRep().messageEnds, GetRep().returnEnds), info, set);
}

void LifeLine::UpdateAttached(Core::Env& env, Core::DeferredShiftSet& set)
{
    FollowEnds(env, set);
    for (Activation* a : Core::PtrCont<Activation>(GetActivations())) a->AlignOnLifeLine(env, *this, set);
}

void LifeLine::ShiftAttached(Core::Env& env, const Core::ShiftVector& shift, Core::DeferredShiftSet& set)
{
    Detail::ShiftAll(env, Detail::AllEnds(GetRep().noteEnds, GetRep().messageEnds, GetRep().returnEnds), this, shift,
                     set);
    for (Activation* a : Core::PtrCont<Activation>(GetActivations())) a->Shift(env, this, shift, set, false);
}

void LifeLine::ShiftImpl(Core::Env& env, Core::IModelElement* sender, const Core::ShiftVector& shift,
                         Core::DeferredShiftSet& set, bool noFollow)
{
    if (IsDeleted() || !(shift.shiftX || shift.shiftY)) return;
    // Deferred, the line was placed by what it hangs on while the move ran.
    if (sender == nullptr && noFollow && set.IsDeferred(this)) return;
    SeqObject* object = GetSeqObject();
    // Moving with the object, each moves by its own selection.
    const bool together = MovesWithObject(env, set);
    if (sender != nullptr && sender == object && (together || IsNew())) return;
    // Dragged along with its moved object, the line leaves the move to it.
    if (sender == nullptr && !together && object != nullptr && Detail::ShiftedBySet(env, set, *object)) return;
    MarkShifted(set);
    Core::ShiftVector v = shift;
    if (sender != nullptr && sender == object) {
        const zq::Point top = Core::ShiftParam::Apply(v, GetPos(), GetOldPos());
        if (top == GetPos()) return;
        SetPos(env, top);
        // The bottom stays where it was before the change: the line grows or shrinks by the move.
        if (v.shiftY) SetField(env, &LifeLineRep::len, std::max(kMinLen, GetOldRep().len + (top.y - GetOldPos().y)));
        UpdateAttached(env, set);
        return;
    }
    const bool fromActivation = sender != nullptr && std::find(GetActivations().begin(), GetActivations().end(),
                                                               sender) != GetActivations().end();
    if ((sender == nullptr && !together && !IsNew()) || fromActivation) v.shiftY = false;
    if (!(v.shiftX || v.shiftY)) return;
    const zq::Point top = Core::ShiftParam::Apply(v, GetPos(), GetOldPos());
    if (top == GetPos()) return;
    SetPos(env, top);
    if (noFollow) return;
    if (object != nullptr) object->Shift(env, this, v, set, false);
    ShiftAttached(env, v, set);
}

bool LifeLine::MovesWithObject(const Core::Env& env, const Core::DeferredShiftSet& set) const
{
    // A copy being dragged is new: it moves as one whichever of its parts the view shows selected.
    return Detail::MovesFreely(env, set, *this) &&
           (GetSeqObject() == nullptr || Detail::MovesFreely(env, set, *GetSeqObject()));
}

void LifeLine::MarkShifted(Core::DeferredShiftSet& set)
{
    const Core::ModelElementSet& moved = set.GetMoved();
    if (moved.Contains(this) && (GetSeqObject() == nullptr || moved.Contains(GetSeqObject())))
        IShiftable::MarkShifted(set);
}

void LifeLine::AddDeferredShiftingElements(const Core::ModelElementSet& moved, Core::DeferredShiftSet& set)
{
    if (IsDeleted()) return;
    const bool follows = (GetSeqObject() != nullptr && moved.Contains(GetSeqObject())) ||
                         std::any_of(GetActivations().begin(), GetActivations().end(),
                                     [&](const Activation* a) { return moved.Contains(a); });
    if (follows) set.Defer(this);
}

bool LifeLine::IsNear(const zq::Point& p, std::int32_t tolerance) const
{
    const zq::float8Point q(p.x, p.y);
    if (!GraphUtil::IsNearSegment(q, zq::float8Point(GetTop().x, GetTop().y),
                                  zq::float8Point(GetBottom().x, GetBottom().y), tolerance))
        return false;
    // A point over an activation belongs to the activation.
    for (const Activation* a : GetActivations())
        if (!a->IsDeleted() && p.y <= a->GetTop() && p.y >= a->GetBottom()) return false;
    return true;
}

bool LifeLine::GetBoundingRect(zq::Rect& out) const
{
    out = {GetTop().x, GetTop().y, GetTop().x, GetBottom().y};
    return true;
}

Core::Weight LifeLine::GetWeight(const Core::IView& view, const zq::Point& p, std::int32_t tolerance) const
{
    Core::Weight w = Core::Weight::MakeLine(p, tolerance, zq::float8Point(GetTop().x, GetTop().y),
                                            zq::float8Point(GetBottom().x, GetBottom().y));
    w.PromoteIfSelected(view, *this);
    return w;
}

bool LifeLine::GetTerminalOutline(GraphUtil::OutlineHit& out, const zq::float8Point& p, bool) const
{
    out = {};
    out.valid = true;
    out.point = {double(GetTop().x), GraphUtil::Interval(GetBottom().y, GetTop().y).Clamp(p.y)};
    out.normal = {p.x < GetTop().x ? -1.0 : 1.0, 0.0};
    out.distance = std::hypot(out.point.x - p.x, out.point.y - p.y);
    return true;
}

void LifeLine::Delete(Core::Env& env)
{
    if (IsDeleted()) return;
    Core::IModelElement::Delete(env);
    Detail::DetachAll(env, Detail::AllEnds(GetRep().noteEnds, GetRep().messageEnds, GetRep().returnEnds), this);
    if (SeqObject* object = GetSeqObject()) object->Delete(env);
    for (Activation* a : Core::PtrCont<Activation>(GetActivations())) a->DeleteWithLifeLine(env);
}

Core::IModelElement* LifeLine::GetOwner() const { return GetSeqObject(); }

bool LifeLine::IsCompletelySelectedImp(const Core::ModelElementSet& set)
{
    return set.Contains(this) && (GetSeqObject() == nullptr || set.Contains(GetSeqObject()));
}

void LifeLine::CollectForSelection(Core::ModelElementSet& set)
{
    Core::IModelElement::CollectForSelection(set);
    if (SeqObject* object = GetSeqObject(); object != nullptr && !set.Contains(object)) object->CollectForSelection(set);
    for (Activation* a : GetActivations())
        if (!a->IsDeleted() && !set.Contains(a)) a->CollectForSelection(set);
}

void LifeLine::Attach(Core::Env& env, IMessageEnd* end)
{
    if (auto* e = zq::Cast<Connector::IEnd>(end)) e->SetTerminal(env, this);
}

void LifeLine::Attach(Core::Env& env, IReturnEnd* end)
{
    if (auto* e = zq::Cast<Connector::IEnd>(end)) e->SetTerminal(env, this);
}

void LifeLine::EndRestore(Core::Env& env, const Core::RestoreContext& context)
{
    auto* object = zq::Cast<SeqObject>(context.enclosing);
    if (object == nullptr) throw Core::Exceptions::TypeMismatchOfRestoredObject(context.line);
    SetSeqObject(env, object);
    object->SetLifeLine(env, this);
}

bool LifeLine::MovesOnlySideways(const Core::Env& env, const Core::DeferredShiftSet& set) const
{
    return Detail::MovesOnlySideways(env, set, *this);
}

} // namespace Sequence
