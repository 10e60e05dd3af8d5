#pragma once
// What the elements of a state diagram share: the side of everything that can lie inside a state,
// and the side of everything a transition end attaches to.
#include "core/Attach.h"
#include "core/Interfaces.h"
#include "core/Weight.h"

namespace State {

class State;
class TransitionEnd;

// An element that can lie inside a state: states, initial and final states.
class IStatePart : public Core::IDeletable, public Core::IUpdateContainer {
 public:
  // The state the part lies directly in, or none.
  virtual State* GetContainingState() const = 0;
  // Writes the containing state only (undoable).
  virtual void SetContainingState(Core::Env& env, State* state) = 0;
  // Leaves the current state (its list and the field); then asks the new one to take the part,
  // and records it only when it does. Nothing on a deleted part or an unchanged state.
  void ChangeContainingState(Core::Env& env, State* state);
  // The part's rectangle (y up).
  virtual zq::Rect GetPartRect() const = 0;
  // The hit weight at the point as containment compares it: the area of the rectangle, biased by
  // the chain of containing states, promoted when selected in the view (when there is one).
  Core::Weight ContainmentWeight(const Core::IView* view, const zq::Point& point) const;
};

// What transition ends attach to: states, initial states and final states.
class ITransitionParty : public virtual Core::ITerminal, public Core::IAttach<TransitionEnd> {
 public:
  // Whether the party is an initial state, which no new transition may end on.
  virtual bool IsInitialState() const { return false; }
  // Whether ends of the type (1 source, 2 target) may lie on the party; every type by default.
  virtual bool AcceptsEndType(std::int32_t) const { return true; }
  // A new connector's end (none) always; else by its type.
  bool CanAttach(TransitionEnd* end) const override;
  // Attaches the end as a partner of this party.
  void Attach(Core::Env& env, TransitionEnd* end) override;
};

// The innermost state without a compartment that encloses the rectangle, by hit weight at its
// top-left corner; with strict set a state whose rectangle the given one contains is no candidate.
// The element itself is never a candidate.
State* FindEnclosingState(Core::Env& env, const Core::IModelElement& self, const zq::Rect& rect, bool strict);

}  // namespace State
