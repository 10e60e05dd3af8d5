#include "elements/sequence/Activation.h"

#include "core/Diagram.h"
#include "core/DocumentReader.h"
#include "core/Exceptions.h"
#include "core/ModelElementSet.h"
#include "core/PropertyKinds.h"
#include "core/Transaction.h"
#include "core/Weight.h"
#include "elements/sequence/Detail.h"
#include "elements/sequence/LifeLine.h"
#include "elements/sequence/SeqObject.h"
#include "style/Model.h"
#include "core/foundation/Cast.h"

namespace Sequence {

namespace {
// Points on a bar keep their relative place on it when its rectangle changes.
class BarReshapeInfo : public Core::ITerminalReshapeInfo {
public:
    BarReshapeInfo(Activation& bar, const zq::Rect& before, const zq::Rect& after)
        : bar_(bar), before_(before.Normalized()), after_(after.Normalized()) {}
    zq::float8Point MapPoint(const zq::float8Point& p) const override {
        const double w = before_.Width(), h = before_.Height();
        const double fx = w != 0 ? (p.x - before_.left) / w : 0.5;
        const double fy = h != 0 ? (p.y - before_.bottom) / h : 0.5;
        return {after_.left + fx * after_.Width(), after_.bottom + fy * after_.Height()};
    }
    Core::ITerminal* GetTerminal() const override { return &bar_; }

private:
    Activation& bar_;
    zq::Rect before_;
    zq::Rect after_;
};
} // namespace

Core::FactoryImp<Activation>& Activation::Factory()
{
    static Core::FactoryImp<Activation> factory(Core::SchemaNamespace10(), L"Activation");
    return factory;
}

void Activation::RegisterProperties(Core::PropertyTable<ActivationRep>& t)
{
    using namespace Core;
    RegisterProperty<EvalRestore::Mandatory>::Register(t, &ActivationRep::len, L"Len", 500);
    RegisterRefNonStoreProperty::Register(t, &ActivationRep::lifeLine, L"LifeLine");
    RegisterRefProperty<>::Register(t, &ActivationRep::master, L"Master");
    RegisterRefContNonStoreProperty::Register(t, &ActivationRep::subs, L"Subs");
    RegisterRefContNonStoreProperty::Register(t, &ActivationRep::messageEnds, L"MessageEnds");
    RegisterRefContNonStoreProperty::Register(t, &ActivationRep::noteEnds, L"NoteEnds");
    RegisterRefContNonStoreProperty::Register(t, &ActivationRep::returnEnds, L"ReturnEnds");
    RegisterRefNonStoreProperty::Register(t, &ActivationRep::style, L"Style");
    RegisterProperty<EvalRestore::Optional>::Register(t, &ActivationRep::elementStyle, L"ElementStyle", std::wstring(),
                                                      xml::kSchema13);
}

std::shared_ptr<Activation> CreateActivation(Core::Env& env, LifeLine& lifeLine, const zq::Point& point)
{
    Style::Style& style = Style::Style::FindOrCreate(env);
    auto a = Activation::Factory().CreateTyped(env);
    a->SetPos(env, point);
    a->SetLen(env, 2000);
    a->SetStyle(env, &style);
    lifeLine.AddActivation(env, a.get());
    return a;
}

zq::Point Activation::GetNorthPoint(bool old) const
{
    const zq::Point p = old ? GetOldPos() : GetPos();
    return {p.x + kWidth / 2, p.y};
}

zq::Point Activation::GetSouthPoint(bool old) const
{
    const zq::Point n = GetNorthPoint(old);
    return {n.x, n.y - GetLen(old)};
}

zq::Rect Activation::GetRect(bool old) const
{
    const zq::Point p = old ? GetOldPos() : GetPos();
    return {p.x, p.y, p.x + kWidth, p.y - GetLen(old)};
}

void Activation::SetLifeLine(Core::Env& env, LifeLine* lifeLine) { SetField(env, &ActivationRep::lifeLine, lifeLine); }

void Activation::SetMaster(Core::Env& env, Activation* master) { SetField(env, &ActivationRep::master, master); }

void Activation::RemoveSub(Core::Env& env, Activation* sub)
{
    const auto& list = GetRep().subs;
    if (IsDeleted() || std::find(list.begin(), list.end(), sub) == list.end()) return;
    auto& w = ModifyField(env, &ActivationRep::subs);
    w.erase(std::find(w.begin(), w.end(), sub));
}

void Activation::SetLen(Core::Env& env, std::int32_t len) { SetField(env, &ActivationRep::len, len); }

void Activation::SetTop(Core::Env& env, std::int32_t y)
{
    if (IsDeleted()) return;
    const std::int32_t bottom = GetBottom();
    SetPos(env, {GetPos().x, y});
    SetField(env, &ActivationRep::len, y - bottom);
    Reshaped(env);
}

void Activation::SetBottom(Core::Env& env, std::int32_t y)
{
    if (IsDeleted()) return;
    SetField(env, &ActivationRep::len, GetPos().y - y);
    Reshaped(env);
}

void Activation::AlignOnLifeLine(Core::Env& env, const LifeLine& lifeLine, Core::DeferredShiftSet& set)
{
    if (IsDeleted() || TakesOwnShift(env, set)) return;
    const zq::Point p{lifeLine.GetTop().x - kWidth / 2, GetPos().y};
    if (p == GetPos()) return;
    SetPos(env, p);
    const BarReshapeInfo info(*this, GetRect(true), GetRect());
    Detail::Reshape(env, Detail::AllEnds(GetRep().noteEnds, GetRep().messageEnds, GetRep().returnEnds), info, set);
}

void Activation::Reshaped(Core::Env& env)
{
    const BarReshapeInfo info(*this, GetRect(true), GetRect());
    Core::DeferredShiftSet set;
    Detail::Reshape(env, Detail::AllEnds(GetRep().noteEnds, GetRep().messageEnds, GetRep().returnEnds), info, set);
}

bool Activation::IsNear(const zq::Point& p, std::int32_t tolerance) const { return GetRect().Inflated(tolerance).Contains(p); }

bool Activation::GetBoundingRect(zq::Rect& out) const
{
    out = GetRect();
    return true;
}

Core::Weight Activation::GetWeight(const Core::IView& view, const zq::Point& p, std::int32_t tolerance) const
{
    Core::Weight w = Core::Weight::MakeArea(p, tolerance, GetRect());
    if (const Activation* master = GetMaster(); master != nullptr && !master->IsDeleted())
        w.AddBias(master->GetWeight(view, p, tolerance));
    else if (const LifeLine* line = GetLifeLine())
        w.AddBias(line->GetWeight(view, p, tolerance));
    w.PromoteIfSelected(view, *this);
    return w;
}

bool Activation::GetTerminalOutline(GraphUtil::OutlineHit& out, const zq::float8Point& p, bool horizontal) const
{
    GraphUtil::Outline outline;
    GraphUtil::MakeRectOutline(outline, GetRect());
    out = GraphUtil::NearestOutlinePoint(outline, p, horizontal, !horizontal);
    return out.valid;
}

void Activation::ShiftImpl(Core::Env& env, Core::IModelElement* sender, const Core::ShiftVector& shift,
                           Core::DeferredShiftSet& set, bool noFollow)
{
    if (IsDeleted() || !(shift.shiftX || shift.shiftY)) return;
    LifeLine* line = GetLifeLine();
    if (sender == nullptr) {
        // Deferred, the bar was placed by its lifeline while the move ran.
        if (noFollow && set.IsDeferred(this)) return;
        const bool free = Detail::MovesFreely(env, set, *this) || (line != nullptr && line->MovesWithObject(env, set));
        if (!noFollow && !free) return;
    } else if (sender == line && TakesOwnShift(env, set)) {
        return;
    }
    MarkShifted(set);
    const zq::Point p = Core::ShiftParam::Apply(shift, GetPos(), GetOldPos());
    if (p == GetPos()) return;
    SetPos(env, p);
    if (noFollow) return;
    if (line != nullptr && sender != line) line->Shift(env, this, shift, set, false);
    Detail::ShiftAll(env, Detail::AllEnds(GetRep().noteEnds, GetRep().messageEnds, GetRep().returnEnds), this, shift,
                     set);
}

bool Activation::TakesOwnShift(const Core::Env& env, const Core::DeferredShiftSet& set) const
{
    const LifeLine* line = GetLifeLine();
    return set.GetMoved().Contains(this) && !set.IsShifted(this) &&
           (Detail::MovesFreely(env, set, *this) || (line != nullptr && line->MovesWithObject(env, set)));
}

void Activation::MarkShifted(Core::DeferredShiftSet& set)
{
    const Core::ModelElementSet& moved = set.GetMoved();
    const LifeLine* line = GetLifeLine();
    if (!moved.Contains(this) || (line != nullptr && !moved.Contains(line))) return;
    if (line != nullptr && line->GetSeqObject() != nullptr && !moved.Contains(line->GetSeqObject())) return;
    IShiftable::MarkShifted(set);
}

void Activation::AddDeferredShiftingElements(const Core::ModelElementSet& moved, Core::DeferredShiftSet& set)
{
    if (!IsDeleted() && GetLifeLine() != nullptr && moved.Contains(GetLifeLine())) set.Defer(this);
}

namespace {
// Activations that name the deleted one as their master name its master instead, so that no
// document refers to an element it does not hold.
void RetargetSubs(Core::Env& env, Activation& gone)
{
    for (const Core::ElementPtr& e : env.GetDiagram().Elements())
        if (auto* a = zq::Cast<Activation>(e.get()); a != nullptr && !a->IsDeleted() && a->GetMaster() == &gone)
            a->SetMaster(env, gone.GetMaster());
}
} // namespace

void Activation::DeleteWithLifeLine(Core::Env& env)
{
    if (IsDeleted()) return;
    Core::IModelElement::Delete(env);
    Detail::DetachAll(env, Detail::AllEnds(GetRep().noteEnds, GetRep().messageEnds, GetRep().returnEnds), this);
    RetargetSubs(env, *this);
}

void Activation::Delete(Core::Env& env)
{
    if (IsDeleted()) return;
    DeleteWithLifeLine(env);
    if (Activation* master = GetMaster(); master != nullptr && !master->IsDeleted()) master->RemoveSub(env, this);
    if (LifeLine* line = GetLifeLine()) line->RemoveActivation(env, this);
}

void Activation::Finalize(Core::Env& env)
{
    if (!IsDeleted() && GetLifeLine() == nullptr) Delete(env);
}

Core::IModelElement* Activation::GetOwner() const { return GetLifeLine(); }

bool Activation::IsCompletelySelectedImp(const Core::ModelElementSet& set)
{
    const LifeLine* line = GetLifeLine();
    if (line == nullptr) return set.Contains(this);
    return set.Contains(line) && (line->GetSeqObject() == nullptr || set.Contains(line->GetSeqObject()));
}

void Activation::Attach(Core::Env& env, IMessageEnd* end)
{
    if (auto* e = zq::Cast<Connector::IEnd>(end)) e->SetTerminal(env, this);
}

void Activation::Attach(Core::Env& env, IReturnEnd* end)
{
    if (auto* e = zq::Cast<Connector::IEnd>(end)) e->SetTerminal(env, this);
}

void Activation::SetElementStyle(Core::Env& env, const std::wstring& name)
{
    SetField(env, &ActivationRep::elementStyle, name);
}

void Activation::EndRestore(Core::Env& env, const Core::RestoreContext& context)
{
    auto* line = zq::Cast<LifeLine>(context.enclosing);
    if (line == nullptr) throw Core::Exceptions::TypeMismatchOfRestoredObject(context.line);
    SetLifeLine(env, line);
    line->AppendActivationForReading(this);
}

void Activation::UpdateOwnerViews(const Core::ViewUpdateContext* context)
{
    if (LifeLine* line = GetLifeLine()) line->UpdateViewElements(context);
}

bool Activation::MovesOnlySideways(const Core::Env& env, const Core::DeferredShiftSet& set) const
{
    return Detail::MovesOnlySideways(env, set, *this);
}

} // namespace Sequence
