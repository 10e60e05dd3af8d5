#include "elements/state/Parts.h"

#include "core/Diagram.h"
#include "core/Transaction.h"
#include "elements/state/State.h"
#include "elements/state/Transition.h"
#include "core/foundation/Cast.h"

namespace State {

void IStatePart::ChangeContainingState(Core::Env& env, State* state) {
  if (IsDeleted() || state == GetContainingState()) return;
  if (State* old = GetContainingState()) {
    old->RemoveStatePart(env, *this);
    SetContainingState(env, nullptr);
  }
  if (state && state->AddStatePart(env, *this)) SetContainingState(env, state);
}

Core::Weight IStatePart::ContainmentWeight(const Core::IView* view, const zq::Point& point) const {
  Core::Weight w = Core::Weight::MakeArea(point, 0, GetPartRect());
  if (const State* outer = GetContainingState()) w.AddBias(outer->ContainmentWeight(view, point));
  if (view) w.PromoteIfSelected(*view, *this);
  return w;
}

bool ITransitionParty::CanAttach(TransitionEnd* end) const { return end == nullptr || AcceptsEndType(end->GetType()); }

void ITransitionParty::Attach(Core::Env& env, TransitionEnd* end) {
  if (end) end->SetTerminal(env, this);
}

State* FindEnclosingState(Core::Env& env, const Core::IModelElement& self, const zq::Rect& rect, bool strict) {
  const auto* part = zq::Cast<const IStatePart>(&self);
  Core::ContainerChoice<State> choice(part ? part->GetContainingState() : nullptr);
  for (const Core::ElementPtr& e : env.GetDiagram().Elements()) {
    auto* s = zq::Cast<State>(e.get());
    if (!s || s == &self || s->IsDeleted() || s->GetCompartment()) continue;
    const zq::Rect r = s->GetRect();
    if (!r.Contains(rect) || (strict && rect.Contains(r))) continue;
    // Weighed without a view: which state holds an element never depends on the selection.
    choice.Offer(s, s->ContainmentWeight(nullptr, rect.TopLeft()));
  }
  return choice.Get();
}

}  // namespace State
