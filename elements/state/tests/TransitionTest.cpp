// Transitions and region separators: the attach rules, the stored end form, the separator's
// geometry, its following of the state and its move controller.
#include "elements/state/tests/StateScene.h"

#include "core/Exceptions.h"
#include "core/ModelElementSet.h"
#include "style/Clients.h"
#include "text/free/Anchor.h"

namespace StateTest {
namespace {

using Transitions = Scene;
using Separators = Scene;

TEST_F(Transitions, TheAttachMatrixFollowsTheEndTypes) {
  State::State* s = NewState({0, 5000});
  State::InitialState* i = NewPseudo<State::InitialState>({5000, 5000});
  State::FinalState* f = NewPseudo<State::FinalState>({9000, 5000});
  State::Transition* t = Connect(*s, *f, {2000, 4500}, {9000, 4700});
  ASSERT_NE(t, nullptr);
  State::TransitionEnd* source = t->GetSourceEnd();
  ASSERT_NE(source, nullptr);
  State::TransitionEnd* target = nullptr;
  for (Connector::IEnd* e : t->GetEnds())
    if (e != source) target = dynamic_cast<State::TransitionEnd*>(e);
  ASSERT_NE(target, nullptr);
  EXPECT_EQ(target->GetType(), 2);
  EXPECT_EQ(target->GetParty(), f);
  EXPECT_TRUE(s->CanAttach(source));
  EXPECT_TRUE(s->CanAttach(target));
  EXPECT_TRUE(i->CanAttach(source));
  EXPECT_FALSE(i->CanAttach(target));
  EXPECT_FALSE(f->CanAttach(source));
  EXPECT_TRUE(f->CanAttach(target));
  EXPECT_TRUE(i->CanAttach(static_cast<State::TransitionEnd*>(nullptr)));
  // The new-transition target filter refuses an initial state only.
  const State::TransitionTargetFilter filter;
  EXPECT_FALSE(filter.Accept(i));
  EXPECT_TRUE(filter.Accept(f));
  EXPECT_TRUE(filter.Accept(s));
  EXPECT_FALSE(filter.Accept(t));
  // An end never attaches to a transition's own segment.
  EXPECT_FALSE(source->AcceptsTerminal(t->GetSegmentList().front()));
}

TEST_F(Transitions, ATransitionToAnInitialStateIsNotMade) {
  State::State* s = NewState({0, 5000});
  State::InitialState* i = NewPseudo<State::InitialState>({5000, 5000});
  EXPECT_EQ(Connect(*s, *i, {2000, 4500}, {5000, 4800}), nullptr);
  EXPECT_TRUE(All<State::Transition>(diagram).empty());
  EXPECT_TRUE(All<State::TransitionEnd>(diagram).empty());
  EXPECT_NE(Connect(*i, *s, {5000, 4800}, {2000, 4500}), nullptr);
  // Nor one that starts on a final state.
  State::FinalState* f = NewPseudo<State::FinalState>({9000, 5000});
  EXPECT_EQ(Connect(*f, *s, {9300, 4700}, {2000, 4500}), nullptr);
  EXPECT_EQ(All<State::Transition>(diagram).size(), 1u);
}

// The transition is a style client of its own: it uses "State Diagram" > "Transition", makes them
// in a style that lacks them (the new one inheriting typeface and size), answers its labels'
// style, and a larger "Transition" font grows its labels.
TEST_F(Transitions, TheTransitionUsesItsDirectoryAndItsFontChangeGrowsTheLabels) {
  State::State* a = NewState({0, 5000});
  State::State* b = NewState({8000, 5000});
  State::Transition* t = Connect(*a, *b, {2000, 4500}, {8000, 4500});
  ASSERT_NE(t, nullptr);
  auto* client = dynamic_cast<Style::IStyleClient*>(t);
  ASSERT_NE(client, nullptr);
  EXPECT_EQ(client->GetStyle(), nullptr) << "no label carries a style yet";
  const Style::UsageRecord usage({t->shared_from_this()});
  EXPECT_TRUE(usage.IsUsed(Style::Names::Transition()));
  EXPECT_TRUE(usage.IsUsed(Style::Names::StateDiagram()));
  EXPECT_FALSE(usage.IsUsed(Style::Names::State()));

  Core::Diagram bare(Registry(), nullptr);
  Style::Style* fresh = nullptr;
  {
    Core::Transaction tr(bare);
    Core::Env env(tr);
    fresh = Style::Style::Create(env).get();
    client->CreateDirectories(env, fresh);
    env.Close();
  }
  Style::Directory* made = fresh->GetRoot()->Find(Style::Names::Transition());
  ASSERT_NE(made, nullptr);
  EXPECT_NE(fresh->GetRoot()->Find(Style::Names::StateDiagram()), nullptr);
  EXPECT_TRUE(made->GetFont()->GetTypeface().inherited);
  EXPECT_TRUE(made->GetFont()->GetSize().inherited);

  Text::FreeText* label = nullptr;
  auto* segment = dynamic_cast<State::TransitionSegment*>(t->GetSegmentList().front());
  Change([&](Core::Env& env) { label = Text::CreateAnchoredText(env, *segment, {5000, 4500}, L"go / act").get(); });
  ASSERT_NE(label, nullptr);
  Style::Style* style = Style::Style::Find(diagram);
  EXPECT_EQ(client->GetStyle(), style);
  const zq::Rect small = label->GetBox();
  // The font change as the style editor makes it: every style client is told.
  Change([&](Core::Env& env) {
    style->GetRoot()->Find(Style::Names::Transition())->GetFont()->SetSize(env, {false, 24});
    for (const auto& e : std::vector<Core::ElementPtr>(diagram.Elements()))
      if (auto* c = dynamic_cast<Style::IStyleClient*>(e.get()); c && !e->IsDeleted())
        c->StyleChanged(env, Style::Names::Transition());
  });
  EXPECT_GT(label->GetBox().Width(), small.Width());
  EXPECT_GT(label->GetBox().Height(), small.Height());
  // Told alone, the transition re-lays its labels out too.
  Change([&](Core::Env& env) {
    style->GetRoot()->Find(Style::Names::Transition())->GetFont()->SetSize(env, {false, 8});
    client->StyleChanged(env, Style::Names::StateDiagram());
  });
  EXPECT_LT(label->GetBox().Width(), small.Width());
  Undo();
  Undo();
  EXPECT_EQ(label->GetBox(), small);
}

TEST_F(Transitions, ReattachingAnEndKeepsItsTypeAndEndsFollowTheirParty) {
  State::State* a = NewState({0, 5000});
  State::State* b = NewState({6000, 5000});
  State::State* c = NewState({6000, 9000});
  State::Transition* t = Connect(*a, *b, {2000, 4500}, {6000, 4500});
  ASSERT_NE(t, nullptr);
  State::TransitionEnd* target = dynamic_cast<State::TransitionEnd*>(t->GetEnds()[1]);
  Change([&](Core::Env& env) { target->SetTerminal(env, c); });
  EXPECT_EQ(target->GetParty(), c);
  EXPECT_EQ(target->GetType(), 2);
  EXPECT_TRUE(static_cast<Core::IPartner<State::TransitionEnd>*>(c)->Contains(target));
  EXPECT_FALSE(static_cast<Core::IPartner<State::TransitionEnd>*>(b)->Contains(target));
  ExpectRoundTrip();
}

TEST_F(Transitions, DeletingAPseudoStateDetachesItsEndsAsDeleted) {
  State::State* s = NewState({0, 5000});
  State::InitialState* i = NewPseudo<State::InitialState>({5000, 5000});
  State::Transition* t = Connect(*i, *s, {5000, 4800}, {2000, 4500});
  ASSERT_NE(t, nullptr);
  Change([&](Core::Env& env) { i->Delete(env); });
  EXPECT_EQ(CheckInvariants(diagram), "");
  for (State::TransitionEnd* e : All<State::TransitionEnd>(diagram)) EXPECT_NE(e->GetTerminal(), i);
  EXPECT_TRUE(s->GetTransitionEnds().size() <= 1u);
  Undo();
  EXPECT_FALSE(i->IsDeleted());
  EXPECT_EQ(i->GetTransitionEnds().size(), 1u);
}

TEST_F(Transitions, StoredEndsAreCheckedOnReading) {
  auto doc = [](const std::string& endAttributes) {
    return Doc("<Transition id=\"r1\"><End id=\"r2\" Pos=\"0 0\" " + endAttributes +
               "/><End id=\"r3\" Pos=\"1000 0\" Type=\"2\"/>"
               "<Segment id=\"r4\" Ends=\"r2 r3\" Oblique=\"1\"/></Transition>\n");
  };
  {
    Core::Diagram ok(Registry(), nullptr);
    ok.LoadXML(doc("Type=\"1\""));
    ASSERT_EQ(All<State::TransitionEnd>(ok).size(), 2u);
    for (State::TransitionEnd* e : All<State::TransitionEnd>(ok)) EXPECT_EQ(e->GetTerminal(), nullptr);
  }
  for (const char* bad : {"Type=\"0\"", "Type=\"3\"", ""}) {
    Core::Diagram refused(Registry(), nullptr);
    EXPECT_ANY_THROW(refused.LoadXML(doc(bad))) << bad;
  }
}

// Two states and a transition bent at a join, in chain order from the source end; the segments
// name no ends.
const std::string kChain = R"(  <State id="r1"
      Pos="0 5000"
      Size="2000 1000"/>
  <State id="r2"
      Pos="6000 3000"
      Size="2000 1000"/>
  <Transition id="r3">
    <End id="r4"
        Pos="2000 4500"
        State="r1"
        Type="1"/>
    <Segment id="r5"/>
    <Join id="r6"
        Pos="7000 4500"/>
    <Segment id="r7"/>
    <End id="r8"
        Pos="7000 3000"
        State="r2"
        Type="2"/>
  </Transition>
)";

TEST_F(Transitions, ATransitionInChainOrderReadsAndWritesBackUnchanged) {
  const std::string doc = HostScene::WrittenDoc(kChain);
  Core::Diagram d(Registry(), nullptr);
  d.LoadXML(doc);
  EXPECT_EQ(CheckInvariants(d), "");
  auto states = All<State::State>(d);
  auto transitions = All<State::Transition>(d);
  ASSERT_EQ(transitions.size(), 1u);
  State::TransitionEnd* source = transitions[0]->GetSourceEnd();
  ASSERT_NE(source, nullptr);
  EXPECT_EQ(source->GetParty(), states[0]);
  ASSERT_EQ(transitions[0]->GetJoinCount(), 1u);
  Connector::IJoin* join = transitions[0]->GetJoins()[0];
  Connector::ISegment* first = source->GetSegment();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->OtherEnd(source), join);
  auto* target = dynamic_cast<State::TransitionEnd*>(join->GetOtherSegment(first)->OtherEnd(join));
  ASSERT_NE(target, nullptr);
  EXPECT_EQ(target->GetType(), State::TransitionEndType::Target);
  EXPECT_EQ(target->GetParty(), states[1]);
  EXPECT_EQ(Save(d), doc);
}

TEST_F(Transitions, ATransitionWrittenEndsFirstWithSegmentEndsIsWrittenInChainOrder) {
  // As this program wrote transitions before: the ends, the join, then segments naming their ends.
  std::string old = kChain;
  const std::string chain = old.substr(old.find("    <End id=\"r4\""), old.find("  </Transition>") - old.find("    <End id=\"r4\""));
  const auto part = [&](const std::string& start) {
    const std::size_t at = chain.find(start);
    return chain.substr(at, chain.find("/>\n", at) + 3 - at);
  };
  std::string segment5 = part("<Segment id=\"r5\""), segment7 = part("<Segment id=\"r7\"");
  segment5.replace(segment5.find("/>"), 2, "\n        Ends=\"r4 r6\"/>");
  segment7.replace(segment7.find("/>"), 2, "\n        Ends=\"r6 r8\"/>");
  old.replace(old.find(chain), chain.size(),
              "    " + part("<End id=\"r8\"") + "    " + part("<End id=\"r4\"") + "    " + part("<Join id=\"r6\"") +
                  "    " + segment7 + "    " + segment5);
  Core::Diagram d(Registry(), nullptr);
  d.LoadXML(HostScene::WrittenDoc(old));
  EXPECT_EQ(CheckInvariants(d), "");
  EXPECT_EQ(Save(d), HostScene::WrittenDoc(kChain));
}

TEST_F(Separators, GeometryFollowsDirectionAndLength) {
  Change([&](Core::Env& env) {
    auto s = State::RegionSeparator::Factory().CreateTyped(env);
    s->SetPos(env, {1000, 5000});
    EXPECT_EQ(s->GetEnd(), (zq::Point{2500, 5000}));
    s->SetVertical(env, true);
    EXPECT_EQ(s->GetEnd(), (zq::Point{1000, 3500}));
  });
}

TEST_F(Separators, ASeparatorSpansItsStateAfterEveryResize) {
  State::State* s = NewState({0, 10000}, {6000, 5000}, true);
  State::RegionSeparator *h = nullptr, *v = nullptr;
  Change([&](Core::Env& env) {
    h = State::RegionSeparator::Create(env, *s, {0, 7000}, false).get();
    v = State::RegionSeparator::Create(env, *s, {3000, 0}, true).get();
  });
  EXPECT_EQ(h->GetLength(), 6000);
  EXPECT_EQ(v->GetLength(), 5000);
  Resize(*s, {0, 10000, 4000, 7000});
  EXPECT_EQ(h->GetLength(), 4000);
  EXPECT_EQ(v->GetLength(), 3000);
  EXPECT_EQ(h->GetStart().x, 0);
  EXPECT_EQ(v->GetStart().y, 10000);
  // Both still lie inside, at least 200 from the parallel borders.
  EXPECT_LE(h->GetStart().y, 10000 - 200);
  EXPECT_GE(h->GetStart().y, 7000 + 200);
  EXPECT_LE(v->GetStart().x, 4000 - 200);
  // Moving the state left up carries them; resizing from the left keeps them on the border.
  Resize(*s, {-2000, 11000, 4000, 7000});
  EXPECT_EQ(h->GetStart().x, -2000);
  EXPECT_EQ(v->GetStart().y, 11000);
  EXPECT_EQ(h->GetLength(), 6000);
  EXPECT_EQ(CheckInvariants(diagram), "");
  ExpectRoundTrip();
}

TEST_F(Separators, TheMoveControllerClampsAndFinishesInTheStateUnderThePointer) {
  State::State* s = NewState({0, 10000}, {6000, 5000}, true);
  State::State* other = NewState({20000, 10000}, {8000, 6000}, true);
  State::State* boxed = NewState({40000, 10000});
  Change([&](Core::Env& env) { boxed->AddCompartment(env, *State::Compartment::Create(env, {0, 0})); });
  State::RegionSeparator* v = nullptr;
  Change([&](Core::Env& env) { v = State::RegionSeparator::Create(env, *s, {3000, 0}, true).get(); });
  State::RegionSeparatorMoveController controller(*v, 200);
  // Dragged from (3000, 8000) to the right border: clamped to 200 inside, snapped to the top.
  zq::Point p{5990, 6000};
  controller.Restrict(diagram, {3000, 8000}, p, nullptr, nullptr);
  EXPECT_EQ(controller.GetTarget(), s);
  EXPECT_EQ(p, (zq::Point{3000 + 5800 - 3000, 8000 + 0}));
  // Over the other state: joins it when the move ends and spans it.
  p = {24000, 7000};
  controller.Restrict(diagram, {3000, 8000}, p, nullptr, nullptr);
  EXPECT_EQ(controller.GetTarget(), other);
  Change([&](Core::Env& env) {
    Core::DeferredShiftSet set;
    v->Shift(env, nullptr, Core::ShiftVector{double(p.x - 3000), double(p.y - 8000), true, true}, set, false);
    controller.Finish(env);
  });
  EXPECT_EQ(v->GetState(), other);
  EXPECT_EQ(v->GetStart(), (zq::Point{24000, 10000}));
  EXPECT_EQ(v->GetLength(), 6000);
  EXPECT_TRUE(s->GetRegions().empty());
  // Dropped on a state with a compartment or outside every state: it leaves and keeps its length.
  for (zq::Point at : {zq::Point{40500, 9500}, zq::Point{60000, 0}}) {
    p = at;
    controller.Restrict(diagram, {24000, 8000}, p, nullptr, nullptr);
    EXPECT_EQ(controller.GetTarget(), nullptr);
    EXPECT_EQ(p, at);
  }
  Change([&](Core::Env& env) { controller.Finish(env); });
  EXPECT_EQ(v->GetState(), nullptr);
  EXPECT_EQ(v->GetLength(), 6000);
  EXPECT_TRUE(other->GetRegions().empty());
  EXPECT_EQ(CheckInvariants(diagram), "");
}

TEST_F(Separators, AStateNarrowerThanTheGapsTakesTheSeparatorInItsMiddle) {
  EXPECT_EQ(State::ClampAcross({0, 1000, 300, 0}, true, 250), 150);
  EXPECT_EQ(State::ClampAcross({0, 300, 1000, 0}, false, 50), 150);
  EXPECT_EQ(State::ClampAcross({0, 1000, 300, 0}, false, 50), 200);
  EXPECT_EQ(State::ClampAcross({0, 1000, 3000, 0}, true, 2900), 2800);
}

TEST_F(Separators, TextsAreMadeOnceAndGoWithTheSeparator) {
  State::State* s = NewState({0, 10000}, {6000, 5000}, true);
  State::RegionSeparator* h = nullptr;
  Change([&](Core::Env& env) { h = State::RegionSeparator::Create(env, *s, {0, 7000}, false).get(); });
  Text::FreeText* first = nullptr;
  Change([&](Core::Env& env) { first = h->GetOrCreateText(env); });
  ASSERT_NE(first, nullptr);
  Change([&](Core::Env& env) { EXPECT_EQ(h->GetOrCreateText(env), first); });
  Change([&](Core::Env& env) { h->SetName(env, L"Region A"); });
  EXPECT_EQ(h->GetName(), L"Region A");
  EXPECT_EQ(h->GetAnchors().size(), 1u);
  // A second anchored text: typing edits the first instead of making a third.
  Change([&](Core::Env& env) { Text::CreateAnchoredText(env, *h, {1000, 7000}, L"second"); });
  Change([&](Core::Env& env) { EXPECT_EQ(h->GetOrCreateText(env), first); });
  EXPECT_EQ(h->GetAnchors().size(), 2u);
  ExpectRoundTrip();
  Change([&](Core::Env& env) { h->Delete(env); });
  EXPECT_TRUE(first->IsDeleted());
  EXPECT_TRUE(s->GetRegions().empty());
  EXPECT_TRUE(All<Text::FreeText>(diagram).empty());
  Undo();
  EXPECT_EQ(s->GetRegions().size(), 1u);
}

TEST_F(Separators, AddingARegionMakesTheStateComposite) {
  State::State* s = NewState({0, 10000});
  ASSERT_FALSE(s->IsLarge());
  Change([&](Core::Env& env) { State::RegionSeparator::Create(env, *s, {0, 9500}, false); });
  EXPECT_TRUE(s->IsLarge());
  EXPECT_FALSE(s->IsPlain());
}

}  // namespace
}  // namespace StateTest
