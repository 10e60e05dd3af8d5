// A state diagram in memory with helpers that run each change as one undo step, save, reload and
// check the structural invariants of nesting, regions and transitions.
#pragma once

#include <algorithm>
#include <sstream>
#include <string>

#include "elements/note/tests/HostScene.h"
#include "elements/state/PseudoState.h"
#include "elements/state/RegionSeparator.h"
#include "elements/state/State.h"
#include "elements/state/StateCompartment.h"
#include "elements/state/Transition.h"

namespace StateTest {

using HostScene::All;
using HostScene::Doc;
using HostScene::Save;

inline const Core::FactoryRegistry& Registry() {
  static const Core::FactoryRegistry registry = HostScene::MakeRegistry({State::ReportStateFactories});
  return registry;
}

// Checks the nesting, region and attachment invariants; an empty text when they hold.
inline std::string CheckInvariants(const Core::Diagram& diagram) {
  std::ostringstream fault;
  for (State::State* s : All<State::State>(diagram)) {
    if (s->GetCompartment() && (!s->GetStateParts().empty() || !s->GetRegions().empty()))
      fault << "a state with a compartment holds parts or regions; ";
    if (s->GetCompartment() && s->GetCompartment()->GetState() != s) fault << "a compartment names another state; ";
    for (State::IStatePart* p : s->GetStateParts()) {
      if (p->IsDeleted()) fault << "a deleted part is listed; ";
      if (p->GetContainingState() != s) fault << "a part names another state; ";
      if (!s->GetRect().Contains(p->GetPartRect())) fault << "a part lies outside its state; ";
    }
    for (State::RegionSeparator* r : s->GetRegions())
      if (r->GetState() != s || r->IsDeleted()) fault << "a listed region names another state; ";
    for (State::State* t = s->GetContainingState(); t; t = t->GetContainingState())
      if (t == s) {
        fault << "a state contains itself; ";
        break;
      }
  }
  auto listedIn = [](State::State* s, State::IStatePart* p) {
    const auto& l = s->GetStateParts();
    return std::find(l.begin(), l.end(), p) != l.end();
  };
  for (const auto& e : diagram.Elements()) {
    if (e->IsDeleted()) continue;
    if (auto* p = dynamic_cast<State::IStatePart*>(e.get()); p && p->GetContainingState() &&
                                                               !listedIn(p->GetContainingState(), p))
      fault << "a part is missing from its state's list; ";
    if (auto* end = dynamic_cast<State::TransitionEnd*>(e.get())) {
      if (end->GetType() != 1 && end->GetType() != 2) fault << "an end has a bad type; ";
      if (State::ITransitionParty* party = end->GetParty()) {
        if (party->IsDeleted()) fault << "an end lies on a deleted party; ";
        if (!party->CanAttach(end)) fault << "an end lies on a party that refuses it; ";
      }
    }
    if (auto* r = dynamic_cast<State::RegionSeparator*>(e.get()); r && r->GetState()) {
      const auto& l = r->GetState()->GetRegions();
      if (std::find(l.begin(), l.end(), r) == l.end()) fault << "a separator is missing from its state's regions; ";
    }
  }
  return fault.str();
}

struct Scene : HostScene::Scene {
  Scene() : HostScene::Scene(Registry()) {}

  State::State* NewState(zq::Point at, zq::Point size = {0, 0}, bool large = false) {
    State::State* s = nullptr;
    Change([&](Core::Env& env) {
      s = State::State::Create(env, at).get();
      if (large) s->SetLarge(env, true);
      if (size.x > 0) s->SetRect(env, zq::Rect::FromPosSize(at, size.x, size.y));
    });
    return s;
  }
  template <class P>
  P* NewPseudo(zq::Point at) {
    P* p = nullptr;
    Change([&](Core::Env& env) { p = P::Create(env, at).get(); });
    return p;
  }
  // A new compartment given to the state as one step, as "New C&ompartment" does.
  State::Compartment* AddCompartment(State::State& s) {
    State::Compartment* c = nullptr;
    Change([&](Core::Env& env) {
      auto made = State::Compartment::Create(env, {0, 0});
      c = made.get();
      s.AddCompartment(env, *made);
    });
    return c;
  }
  // Drags the compartment by the vector as one step, as its move controller does: it leaves its
  // state on the way and, when dropped on a state, that state takes it.
  void DragCompartment(State::Compartment& c, zq::Point by, State::State* onto) {
    Change([&](Core::Env& env) {
      c.SetOwner(env, nullptr);
      Core::DeferredShiftSet set;
      c.Shift(env, nullptr, Core::ShiftVector{double(by.x), double(by.y), true, true}, set, false);
      if (onto) onto->AddCompartment(env, c);
    });
  }
  // A transition straight from one party to another (none where refused).
  State::Transition* Connect(Core::IModelElement& from, Core::IModelElement& to, zq::float8Point a, zq::float8Point b) {
    State::Transition* t = nullptr;
    Change([&](Core::Env& env) { t = State::CreateTransition(env, {{a, false}, {b, false}}, from, to); });
    return t;
  }
  // Saves, reads the document into a new diagram and expects the same text back and the invariants to hold.
  void ExpectRoundTrip() { HostScene::Scene::ExpectRoundTrip(CheckInvariants); }
};

}  // namespace StateTest
