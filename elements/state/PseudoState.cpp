#include "elements/state/PseudoState.h"

#include "core/ModelElementSet.h"
#include "core/DocumentReader.h"
#include "core/PropertyKinds.h"
#include "core/Registries.h"
#include "core/Shift.h"
#include "core/Transaction.h"
#include "elements/state/State.h"
#include "elements/state/Transition.h"
#include "core/foundation/Cast.h"

namespace State {

template <class Derived>
void PseudoState<Derived>::RegisterProperties(Core::PropertyTable<PseudoStateRep>& t) {
  using namespace Core;
  RegisterRefContNonStoreProperty::Register(t, &PseudoStateRep::noteEnds, L"NoteEnds");
  RegisterRefContNonStoreProperty::Register(t, &PseudoStateRep::transitionEnds, L"TransitionEnds");
  RegisterRefNonStoreProperty::Register(t, &PseudoStateRep::containingState, L"ContainingState");
}

template <class Derived>
std::shared_ptr<Derived> PseudoState<Derived>::Create(Core::Env& env, const zq::Point& at) {
  auto p = Derived::Factory().CreateTyped(env);
  p->SetPos(env, at);
  return p;
}

template <class Derived>
Core::IModelElement* PseudoState<Derived>::GetOwner() const {
  return GetContainingState();
}

template <class Derived>
void PseudoState<Derived>::UpdateContainer(Core::Env& env, Core::ModelElementSet&) {
  if (this->IsDeleted()) return;
  this->ChangeContainingState(env, FindEnclosingState(env, *this, GetRect(), false));
}

template <class Derived>
bool PseudoState<Derived>::GetTerminalOutline(GraphUtil::OutlineHit& out, const zq::float8Point& point,
                                              bool horizontal) const {
  out = GraphUtil::ProjectOntoEllipse(GetRect(), point, horizontal);
  return out.valid;
}

template <class Derived>
Core::Weight PseudoState<Derived>::GetWeight(const Core::IView& view, const zq::Point& point,
                                             std::int32_t tolerance) const {
  Core::Weight w = Core::Weight::MakeArea(point, tolerance, GetRect());
  if (State* outer = GetContainingState()) w.AddBias(outer->GetWeight(view, point, tolerance));
  w.PromoteIfSelected(view, *this);
  return w;
}

template <class Derived>
void PseudoState<Derived>::ShiftImpl(Core::Env& env, Core::IModelElement*, const Core::ShiftVector& shift,
                                     Core::DeferredShiftSet& set, bool noFollow) {
  if (this->IsDeleted() || (!shift.shiftX && !shift.shiftY)) return;
  this->MarkShifted(set);
  const zq::Point pos = Core::ShiftParam::Apply(shift, this->GetPos(), this->GetOldPos());
  if (pos == this->GetPos()) return;
  this->SetPos(env, pos);
  if (noFollow) return;
  const Core::MoveReshapeInfo info(this, this->GetOldPos(), this->GetPos());
  for (TransitionEnd* e : Core::PtrCont<TransitionEnd>(this->GetRep().transitionEnds)) e->OnTerminalReshaped(env, info, &set);
  for (Note::NoteConnectorEnd* e : Core::PtrCont<Note::NoteConnectorEnd>(this->GetRep().noteEnds))
    e->OnTerminalReshaped(env, info, &set);
}

template <class Derived>
void PseudoState<Derived>::Delete(Core::Env& env) {
  if (this->IsDeleted()) return;
  const PseudoStateRep rep = this->GetRep();
  Core::IModelElement::Delete(env);
  for (TransitionEnd* e : rep.transitionEnds) e->DetachFromTerminal(env, this, true);
  for (Note::NoteConnectorEnd* e : rep.noteEnds) e->DetachFromTerminal(env, this, true);
  if (rep.containingState) rep.containingState->RemoveStatePart(env, *this);
}

template <class Derived>
bool PseudoState<Derived>::IsCompletelySelectedImp(const Core::ModelElementSet& set) {
  if (set.Contains(this)) return true;
  State* outer = GetContainingState();
  return outer && outer->IsCompletelySelected(set);
}

template <class Derived>
void PseudoState<Derived>::Finalize(Core::Env& env) {
  if (this->IsDeleted()) return;
  Core::ModelElementSet visited;
  this->UpdateContainerOnce(env, visited);
}

template <class Derived>
void PseudoState<Derived>::EndRestore(Core::Env& env, const Core::RestoreContext& context) {
  if (auto* outer = zq::Cast<State>(context.enclosing)) SetContainingState(env, outer);
}

template <class Derived>
void PseudoState<Derived>::OnRestored(Core::Env&) {
  if (State* outer = GetContainingState()) outer->AppendStatePart(*this);
}

template class PseudoState<InitialState>;
template class PseudoState<FinalState>;

Core::FactoryImp<InitialState>& InitialState::Factory() {
  static Core::FactoryImp<InitialState> factory(Core::SchemaNamespace10(), L"InitialState");
  return factory;
}

Core::FactoryImp<FinalState>& FinalState::Factory() {
  static Core::FactoryImp<FinalState> factory(Core::SchemaNamespace10(), L"FinalState");
  return factory;
}

}  // namespace State
