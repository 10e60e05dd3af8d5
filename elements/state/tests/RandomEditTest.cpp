// A seeded random run of edits over states, pseudo-states, separators and transitions; after
// every step the invariants hold and the document reads back to the same text.
#include "elements/state/tests/StateScene.h"

#include <random>

namespace StateTest {
namespace {

struct RandomEdits : Scene {
  std::mt19937 rng{20261207};
  int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); }
  zq::Point AnyPoint() { return {Pick(30) * 500, Pick(30) * 500}; }
  template <class T>
  T* AnyOf() {
    auto all = All<T>(diagram);
    return all.empty() ? nullptr : all[Pick(int(all.size()))];
  }
  Core::IModelElement* AnyParty() {
    std::vector<Core::IModelElement*> parties;
    for (const auto& e : diagram.Elements())
      if (!e->IsDeleted() && dynamic_cast<State::ITransitionParty*>(e.get())) parties.push_back(e.get());
    return parties.empty() ? nullptr : parties[Pick(int(parties.size()))];
  }
  zq::float8Point CentreOf(Core::IModelElement* e) {
    zq::Rect r;
    dynamic_cast<Core::IPointable&>(*e).GetBoundingRect(r);
    return {(r.left + r.right) / 2.0, (r.top + r.bottom) / 2.0};
  }

  void Step() {
    switch (Pick(10)) {
      case 0: NewState(AnyPoint(), {1000 + Pick(12) * 500, 1000 + Pick(12) * 500}, Pick(2) == 0); break;
      case 1: NewPseudo<State::InitialState>(AnyPoint()); break;
      case 2: NewPseudo<State::FinalState>(AnyPoint()); break;
      case 3:
        if (State::State* s = AnyOf<State::State>()) {
          const zq::Point at = AnyPoint();
          Resize(*s, zq::Rect::FromPosSize(at, 1000 + Pick(16) * 500, 1000 + Pick(16) * 500));
        }
        break;
      case 4: {
        std::vector<Core::IModelElement*> movable;
        for (const auto& e : diagram.Elements())
          if (!e->IsDeleted() && (dynamic_cast<State::IStatePart*>(e.get()) || dynamic_cast<State::RegionSeparator*>(e.get())))
            movable.push_back(e.get());
        if (!movable.empty()) Move(*movable[Pick(int(movable.size()))], (Pick(9) - 4) * 500.0, (Pick(9) - 4) * 500.0);
        break;
      }
      case 5:
        if (State::State* s = AnyOf<State::State>(); s && !s->GetCompartment())
          Change([&](Core::Env& env) { State::RegionSeparator::Create(env, *s, AnyPoint(), Pick(2) == 0); });
        break;
      case 6: {
        Core::IModelElement* a = AnyParty();
        Core::IModelElement* b = AnyParty();
        if (a && b && a != b) Connect(*a, *b, CentreOf(a), CentreOf(b));
        break;
      }
      case 7:
        if (State::State* s = AnyOf<State::State>(); s && s->IsPlain()) {
          if (Pick(2) == 0)
            Change([&](Core::Env& env) { s->SetLarge(env, !s->IsLarge()); });
          else
            Change([&](Core::Env& env) { s->AddCompartment(env, *State::Compartment::Create(env, {0, 0})); });
        }
        break;
      case 8: {
        std::vector<Core::IModelElement*> deletable;
        for (const auto& e : diagram.Elements())
          if (!e->IsDeleted() && (dynamic_cast<State::IStatePart*>(e.get()) || dynamic_cast<State::RegionSeparator*>(e.get()) ||
                                  dynamic_cast<State::Transition*>(e.get())))
            deletable.push_back(e.get());
        if (!deletable.empty()) {
          Core::IModelElement* victim = deletable[Pick(int(deletable.size()))];
          Change([&](Core::Env& env) { victim->Delete(env); });
        }
        break;
      }
      default:
        if (diagram.GetUndoHandler().GetUndoCount() > 0) Undo();
        break;
    }
  }
};

TEST_F(RandomEdits, InvariantsAndRoundTripHoldAfterEveryStep) {
  for (int i = 0; i < 160; ++i) {
    Step();
    ASSERT_EQ(CheckInvariants(diagram), "") << "step " << i;
    const std::string saved = Save(diagram);
    Core::Diagram loaded(Registry(), nullptr);
    loaded.LoadXML(saved);
    ASSERT_EQ(Save(loaded), saved) << "step " << i;
    ASSERT_EQ(CheckInvariants(loaded), "") << "step " << i;
  }
  EXPECT_FALSE(All<State::State>(diagram).empty());
}

}  // namespace
}  // namespace StateTest
