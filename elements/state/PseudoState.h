#pragma once
// The initial and final states: fixed-size circles that transitions leave (initial) or enter
// (final), lying at top level or inside a composite state.
#include <memory>

#include "core/Factory.h"
#include "core/Storable.h"
#include "elements/note/NoteConnector.h"
#include "elements/state/Parts.h"

namespace State {

// The record of both pseudo-states (nothing of it is stored: only "Pos").
struct PseudoStateRep {
  Core::PtrCont<Note::NoteConnectorEnd> noteEnds;
  Core::PtrCont<TransitionEnd> transitionEnds;
  State* containingState = nullptr;
};

// What the two pseudo-states share; Derived gives kSize and the end type it accepts (kAccepts).
template <class Derived>
class PseudoState
    : public Core::StorableWithPos<Derived, PseudoStateRep, Core::StorableTraits::Null, Core::IShiftable, ITransitionParty,
                                   IStatePart, Core::PartnerList<PseudoStateRep, TransitionEnd, &PseudoStateRep::transitionEnds>,
                                   Core::IAttach<Note::NoteConnectorEnd>,
                                   Core::PartnerList<PseudoStateRep, Note::NoteConnectorEnd, &PseudoStateRep::noteEnds>,
                                   Core::IPointable, Core::ICheckable> {
 public:
  static void RegisterProperties(Core::PropertyTable<PseudoStateRep>& t);
  // A new pseudo-state with its top-left corner at the point.
  static std::shared_ptr<Derived> Create(Core::Env& env, const zq::Point& at);
  static Core::ElementPtr CreateElement(Core::Env& env, const zq::Point& at) { return Create(env, at); }

  zq::Rect GetRect() const { return zq::Rect::FromPosSize(this->GetPos(), Derived::kSize, Derived::kSize); }
  zq::Rect GetOldRect() const { return zq::Rect::FromPosSize(this->GetOldPos(), Derived::kSize, Derived::kSize); }
  const Core::PtrCont<TransitionEnd>& GetTransitionEnds() const { return this->GetRep().transitionEnds; }

  // IStatePart
  State* GetContainingState() const override { return this->GetRep().containingState; }
  void SetContainingState(Core::Env& env, State* state) override {
    this->SetField(env, &PseudoStateRep::containingState, state);
  }
  zq::Rect GetPartRect() const override { return GetRect(); }
  Core::IModelElement* GetOwner() const override;
  // The innermost state without a compartment that contains the box.
  void UpdateContainer(Core::Env& env, Core::ModelElementSet& visited) override;

  // Transition ends of the accepted type only.
  bool AcceptsEndType(std::int32_t type) const override { return type == Derived::kAccepts; }
  using ITransitionParty::CanAttach;
  void Attach(Core::Env& env, Note::NoteConnectorEnd* end) override { end->SetTerminal(env, this); }
  using ITransitionParty::Attach;
  using Core::IAttach<Note::NoteConnectorEnd>::CanAttach;
  // The circle inscribed in the box.
  bool GetTerminalOutline(GraphUtil::OutlineHit& out, const zq::float8Point& point, bool horizontal) const override;

  bool IsNear(const zq::Point& point, std::int32_t tolerance) const override {
    return GetRect().Inflated(tolerance).Contains(point);
  }
  bool GetBoundingRect(zq::Rect& out) const override {
    out = GetRect();
    return true;
  }
  Core::Weight GetWeight(const Core::IView& view, const zq::Point& point, std::int32_t tolerance) const override;

  void ShiftImpl(Core::Env& env, Core::IModelElement* sender, const Core::ShiftVector& shift,
                 Core::DeferredShiftSet& set, bool noFollow) override;
  // Detaches the attached ends (which then go by the connector rules) and leaves its state.
  void Delete(Core::Env& env) override;
  bool IsCompletelySelectedImp(const Core::ModelElementSet& set) override;
  void Finalize(Core::Env& env) override;
  void EndRestore(Core::Env& env, const Core::RestoreContext& context) override;
  void OnRestored(Core::Env& env) override;
};

// The initial state (element name "InitialState"): 400 x 400, only left by transitions.
class InitialState : public PseudoState<InitialState> {
 public:
  static constexpr std::int32_t kSize = 400;
  static constexpr std::int32_t kAccepts = 1;
  static Core::FactoryImp<InitialState>& Factory();
  bool IsInitialState() const override { return true; }
};

// The final state (element name "FinalState"): 600 x 600, only entered by transitions.
class FinalState : public PseudoState<FinalState> {
 public:
  static constexpr std::int32_t kSize = 600;
  static constexpr std::int32_t kAccepts = 2;
  static constexpr std::int32_t kInset = 120;  // the filled disc inside the ring
  static Core::FactoryImp<FinalState>& Factory();
};

extern template class PseudoState<InitialState>;
extern template class PseudoState<FinalState>;

}  // namespace State
