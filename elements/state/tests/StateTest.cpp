// States: creation, the simple and composite modes, fit and resize in both modes, nesting decided
// from rectangles, moving and deleting with contents, the compartment, and the stored form.
#include "elements/state/tests/StateScene.h"

#include "core/DefaultGrid.h"
#include "core/ModelElementSet.h"

namespace StateTest {
namespace {

using States = Scene;

TEST_F(States, ANewStateIsSimpleNamedAndGrowsWithALongerName) {
  State::State* s = NewState({1000, 5000});
  EXPECT_EQ(s->GetName(), L"<name?>");
  EXPECT_EQ(s->GetSize(), (zq::Point{2000, 1000}));
  EXPECT_FALSE(s->IsLarge());
  Change([&](Core::Env& env) { s->SetName(env, L"A much longer name of a state that does not fit"); });
  const TextBlock::Extent name = TextBlock::ITextOwner::GetTextAreaSizeUsed(s->GetText());
  EXPECT_EQ(s->GetSize().x, View::DefaultGrid::Instance().SnapLength(name.width + 200));
  EXPECT_GT(s->GetSize().x, 2000);
  Undo();
  EXPECT_EQ(s->GetSize(), (zq::Point{2000, 1000}));
}

TEST_F(States, LargeSwitchesTheLayoutAndTwiceRestoresIt) {
  State::State* s = NewState({1000, 5000});
  const zq::Point simple = s->GetSize();
  Change([&](Core::Env& env) { s->SetLarge(env, true); });
  EXPECT_TRUE(s->IsLarge());
  TextBlock::TextStyle style;
  s->GetTextStyle(style, s->GetText());
  EXPECT_EQ(style.horizontalAlignment, TextBlock::AlignLeft);
  // A composite state is at least its name plus 1200 each way.
  const TextBlock::Extent name = TextBlock::ITextOwner::GetTextAreaSizeUsed(s->GetText());
  EXPECT_GE(s->GetSize().x, name.width + 1200);
  EXPECT_GE(s->GetSize().y, name.height + 1200);
  EXPECT_NE(Save(diagram).find("Large=\"1\""), std::string::npos);
  Change([&](Core::Env& env) { s->SetLarge(env, false); });
  EXPECT_FALSE(s->IsLarge());
  EXPECT_EQ(Save(diagram).find("Large="), std::string::npos);
  Undo();
  Undo();
  EXPECT_EQ(s->GetSize(), simple);
  EXPECT_FALSE(s->IsLarge());
}

TEST_F(States, ALargeStateResizedBelowItsMinimumKeepsTheEdgeThatStayed) {
  State::State* s = NewState({0, 10000}, {6000, 5000}, true);
  const zq::Point minimum = View::DefaultGrid::Instance().SnapSize(
      {TextBlock::ITextOwner::GetTextAreaSizeUsed(s->GetText()).width + 1200,
       TextBlock::ITextOwner::GetTextAreaSizeUsed(s->GetText()).height + 1200});
  // The right and bottom edges pulled in: the top-left corner stays.
  Resize(*s, {0, 10000, 100, 9900});
  EXPECT_EQ(s->GetRect(), (zq::Rect{0, 10000, minimum.x, 10000 - minimum.y}));
  // The left and top edges pushed in: the bottom-right corner stays.
  Resize(*s, {0, 10000, 6000, 5000});
  Resize(*s, {5900, 5100, 6000, 5000});
  EXPECT_EQ(s->GetRect(), (zq::Rect{6000 - minimum.x, 5000 + minimum.y, 6000, 5000}));
}

TEST_F(States, ASimpleStateResizesToItsNameAndKeepsTheOppositeEdge) {
  State::State* s = NewState({0, 10000});
  Resize(*s, {0, 10000, 4000, 7000});
  EXPECT_EQ(s->GetRect(), (zq::Rect{0, 10000, 4000, 7000}));
  // Narrower than the name: the name's width + 200 wins; the right edge stays.
  Resize(*s, {3900, 10000, 4000, 7000});
  const std::int32_t width = View::DefaultGrid::Instance().SnapLength(
      TextBlock::ITextOwner::GetTextAreaSizeUsed(s->GetText()).width + 200);
  EXPECT_EQ(s->GetRect().right, 4000);
  EXPECT_EQ(s->GetSize().x, width);
}

TEST_F(States, AStateDrawnAroundElementsAdoptsThemAndReleasesThemWhenShrunk) {
  State::State* inner = NewState({2000, 8000});
  State::InitialState* start = NewPseudo<State::InitialState>({5000, 8000});
  State::State* outer = NewState({500, 9500}, {8000, 6000}, true);
  EXPECT_EQ(inner->GetContainingState(), outer);
  EXPECT_EQ(start->GetContainingState(), outer);
  EXPECT_EQ(outer->GetStateParts().size(), 2u);
  EXPECT_EQ(inner->GetOwner(), outer);
  // Shrunk so that only the inner state stays covered.
  Resize(*outer, {500, 9500, 4500, 3500});
  EXPECT_EQ(inner->GetContainingState(), outer);
  EXPECT_EQ(start->GetContainingState(), nullptr);
  EXPECT_EQ(outer->GetStateParts().size(), 1u);
  Undo();
  EXPECT_EQ(start->GetContainingState(), outer);
  EXPECT_EQ(CheckInvariants(diagram), "");
}

TEST_F(States, AnInitialStateInThreeNestedStatesIsListedOnlyInTheInnermost) {
  State::State* a = NewState({0, 20000}, {16000, 16000}, true);
  State::State* b = NewState({1000, 19000}, {12000, 12000}, true);
  State::State* c = NewState({2000, 18000}, {8000, 8000}, true);
  State::InitialState* i = NewPseudo<State::InitialState>({5000, 12000});
  EXPECT_EQ(i->GetContainingState(), c);
  EXPECT_EQ(c->GetContainingState(), b);
  EXPECT_EQ(b->GetContainingState(), a);
  EXPECT_EQ(a->GetStateParts().size(), 1u);
  EXPECT_EQ(b->GetStateParts().size(), 1u);
  EXPECT_EQ(CheckInvariants(diagram), "");
  ExpectRoundTrip();
}

TEST_F(States, IdenticalRectanglesAndCompartmentsNeverContain) {
  State::State* a = NewState({0, 10000}, {6000, 6000}, true);
  State::State* b = NewState({0, 10000}, {6000, 6000}, true);
  EXPECT_EQ(a->GetContainingState(), nullptr);
  EXPECT_EQ(b->GetContainingState(), nullptr);
  State::State* boxed = NewState({20000, 10000});
  Change([&](Core::Env& env) {
    auto c = State::Compartment::Create(env, {0, 0});
    boxed->AddCompartment(env, *c);
  });
  Resize(*boxed, {20000, 10000, 30000, 2000});
  State::FinalState* f = NewPseudo<State::FinalState>({22000, 5000});
  EXPECT_EQ(f->GetContainingState(), nullptr);
  EXPECT_TRUE(boxed->GetStateParts().empty());
}

TEST_F(States, MovingACompositeStateCarriesItsContentsAndEnds) {
  State::State* outer = NewState({0, 10000}, {9000, 8000}, true);
  State::State* inner = NewState({1000, 8000});
  State::FinalState* f = NewPseudo<State::FinalState>({6000, 8000});
  State::RegionSeparator* sep = nullptr;
  Change([&](Core::Env& env) { sep = State::RegionSeparator::Create(env, *outer, {4500, 0}, true).get(); });
  State::State* away = NewState({20000, 10000});
  State::Transition* t = Connect(*inner, *f, {3000, 7500}, {6000, 7700});
  ASSERT_NE(t, nullptr);
  State::Transition* out = Connect(*away, *inner, {20000, 9500}, {3000, 7600});
  ASSERT_NE(out, nullptr);
  const zq::Point innerPos = inner->GetPos(), fPos = f->GetPos(), sepPos = sep->GetPos();
  const zq::float8Point endAtF = t->GetEnds()[1]->GetPoint();
  Move(*outer, 1000, -2000);
  EXPECT_EQ(inner->GetPos(), (zq::Point{innerPos.x + 1000, innerPos.y - 2000}));
  EXPECT_EQ(f->GetPos(), (zq::Point{fPos.x + 1000, fPos.y - 2000}));
  EXPECT_EQ(sep->GetPos(), (zq::Point{sepPos.x + 1000, sepPos.y - 2000}));
  EXPECT_DOUBLE_EQ(t->GetEnds()[1]->GetPoint().x, endAtF.x + 1000);
  EXPECT_DOUBLE_EQ(t->GetEnds()[1]->GetPoint().y, endAtF.y - 2000);
  EXPECT_EQ(inner->GetContainingState(), outer);
  EXPECT_EQ(CheckInvariants(diagram), "");
  ExpectRoundTrip();
}

TEST_F(States, APartDraggedOutLeavesItsStateWhenTheMoveCloses) {
  State::State* outer = NewState({0, 10000}, {9000, 8000}, true);
  State::State* inner = NewState({1000, 8000});
  ASSERT_EQ(inner->GetContainingState(), outer);
  Move(*inner, 20000, 0);
  EXPECT_EQ(inner->GetContainingState(), nullptr);
  EXPECT_TRUE(outer->GetStateParts().empty());
  // A composite state keeps its mode when it empties.
  EXPECT_TRUE(outer->IsLarge());
}

TEST_F(States, ANestedStatePastedWithItsCompositeNearItBelongsToThePastedOne) {
  State::State* outer = NewState({0, 10000}, {9000, 8000}, true);
  State::State* inner = NewState({1000, 8000});
  ASSERT_EQ(inner->GetContainingState(), outer);
  const Core::ModelElementSet pasted = CopyAndPaste({outer}, 1000, -1000);
  State::State* outer2 = nullptr;
  State::State* inner2 = nullptr;
  for (const Core::ElementPtr& e : pasted.Elements())
    if (auto* s = dynamic_cast<State::State*>(e.get())) (s->IsLarge() && !outer2 ? outer2 : inner2) = s;
  ASSERT_TRUE(outer2 && inner2);
  ASSERT_TRUE(outer->GetRect().Contains(inner2->GetRect())) << "both composites cover the pasted state";
  EXPECT_EQ(inner2->GetContainingState(), outer2);
  Move(*inner2, 100, 0);
  EXPECT_EQ(inner2->GetContainingState(), outer2);
  Change([&](Core::Env& env) { outer->Delete(env); });
  EXPECT_TRUE(inner->IsDeleted());
  EXPECT_FALSE(inner2->IsDeleted());
  EXPECT_EQ(CheckInvariants(diagram), "");
}

TEST_F(States, DeletingACompositeStateDeletesEverythingInItAndUndoBringsItBack) {
  State::State* outer = NewState({0, 10000}, {9000, 8000}, true);
  State::State* inner = NewState({1000, 8000});
  State::InitialState* i = NewPseudo<State::InitialState>({6000, 8000});
  Text::FreeText* text = nullptr;
  Change([&](Core::Env& env) { text = dynamic_cast<Text::FreeText*>(Text::FreeText::Create(env, {1000, 4000}).get()); });
  ASSERT_NE(text, nullptr);
  EXPECT_TRUE(outer->ContainsContainable(*text));
  State::Transition* t = Connect(*i, *inner, {6200, 7800}, {3000, 7500});
  ASSERT_NE(t, nullptr);
  ExpectRoundTrip();
  const std::string before = Save(diagram);
  Change([&](Core::Env& env) { outer->Delete(env); });
  EXPECT_TRUE(inner->IsDeleted());
  EXPECT_TRUE(i->IsDeleted());
  EXPECT_TRUE(text->IsDeleted());
  EXPECT_TRUE(All<State::Transition>(diagram).empty());
  Undo();
  EXPECT_EQ(Save(diagram), before);
  EXPECT_EQ(CheckInvariants(diagram), "");
}

TEST_F(States, ACompartmentWidensItsStateAndReadsBackAttached) {
  State::State* s = NewState({1000, 5000});
  State::Compartment* c = nullptr;
  Change([&](Core::Env& env) {
    auto made = State::Compartment::Create(env, {0, 0});
    c = made.get();
    ASSERT_TRUE(s->CanAddCompartment(*made));
    s->AddCompartment(env, *made);
  });
  EXPECT_EQ(c->GetName(), L"<text?>");
  EXPECT_EQ(s->GetCompartment(), c);
  EXPECT_GE(s->GetSize().x, 2000);
  EXPECT_EQ(c->GetSize().x, s->GetSize().x);
  EXPECT_EQ(c->GetPos().y - c->GetSize().y, s->GetPos().y - s->GetSize().y);
  EXPECT_FALSE(s->CanAddCompartment(*c));
  // A state with a compartment refuses parts.
  State::InitialState* i = NewPseudo<State::InitialState>({0, 0});
  Change([&](Core::Env& env) { EXPECT_FALSE(s->AddStatePart(env, *i)); });
  const std::string saved = Save(diagram);
  EXPECT_EQ(saved.find("Owner="), std::string::npos);
  EXPECT_NE(saved.find("<Compartment "), std::string::npos);
  Core::Diagram loaded(Registry(), nullptr);
  loaded.LoadXML(saved);
  ASSERT_EQ(All<State::State>(loaded).size(), 1u);
  State::Compartment* read = All<State::State>(loaded)[0]->GetCompartment();
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(read->GetState(), All<State::State>(loaded)[0]);
  EXPECT_EQ(Save(loaded), saved);
  // Deleting the compartment alone leaves the state its rectangle; undo gives it back.
  const zq::Rect with = s->GetRect();
  Change([&](Core::Env& env) { c->Delete(env); });
  EXPECT_EQ(s->GetCompartment(), nullptr);
  EXPECT_EQ(s->GetRect(), with);
  Undo();
  EXPECT_EQ(s->GetCompartment(), c);
  EXPECT_EQ(c->GetState(), s);
}

TEST_F(States, TheCompartmentsHandlesResizeTheStateAndUndoTakesItBack) {
  State::State* s = NewState({1000, 5000});
  State::Compartment* c = nullptr;
  Change([&](Core::Env& env) {
    auto made = State::Compartment::Create(env, {0, 0});
    c = made.get();
    s->AddCompartment(env, *made);
  });
  const zq::Rect box = s->GetRect(), k = c->GetRect();
  ExpectCompartmentHandlesResizeOwner(*s, *c);
  EXPECT_EQ(CheckInvariants(diagram), "");
  for (int i = 0; i < 3; ++i) Undo();
  EXPECT_EQ(box, s->GetRect());
  EXPECT_EQ(k, c->GetRect());
  ExpectCompartmentTopHandlesResizeOwner(*s, *c);
  EXPECT_EQ(CheckInvariants(diagram), "");
}

TEST_F(States, SavedStatesWriteOnlyTheirOwnAttributes) {
  State::State* outer = NewState({0, 10000}, {9000, 8000}, true);
  NewState({1000, 8000});
  NewPseudo<State::FinalState>({6000, 8000});
  Change([&](Core::Env& env) { outer->SetElementStyle(env, L"Blue"); });
  const std::string saved = Save(diagram);
  for (const char* absent : {"StateParts=", "ContainingState=", "Containables=", "Regions=", "TransitionEnds=",
                             "Compartment=", "Style=\"r"})
    EXPECT_EQ(saved.find(absent), std::string::npos) << absent;
  EXPECT_NE(saved.find("ElementStyle=\"Blue\""), std::string::npos);
  // The nested elements stand inside the composite state's element.
  const auto open = saved.find("<State "), inner = saved.find("<State ", open + 1), close = saved.rfind("</State>");
  EXPECT_LT(open, inner);
  EXPECT_LT(saved.find("<FinalState "), close);
  EXPECT_NE(saved.find("<FinalState id=\"r"), std::string::npos);
  ExpectRoundTrip();
}

TEST_F(States, SelectingAStateSelectsWhatLiesInIt) {
  State::State* outer = NewState({0, 10000}, {9000, 8000}, true);
  State::State* inner = NewState({1000, 8000});
  State::RegionSeparator* sep = nullptr;
  Change([&](Core::Env& env) { sep = State::RegionSeparator::Create(env, *outer, {0, 5000}, false).get(); });
  Core::ModelElementSet set;
  set.Insert(outer->shared_from_this());
  EXPECT_TRUE(inner->IsCompletelySelected(set));
  EXPECT_TRUE(sep->IsCompletelySelected(set));
  Core::ModelElementSet collected;
  outer->CollectForSelection(collected);
  EXPECT_TRUE(collected.Contains(inner));
  EXPECT_TRUE(collected.Contains(sep));
}

TEST_F(States, ANewStateLaysOutItsNameInTheHeaderFontAndKeepsItClearOfItsCompartment) {
  State::State* s = NewState({0, 0});
  HostScene::ExpectFont(s->GetText(), 11, true);
  const std::int32_t header = s->GetSize().y;
  State::Compartment* c = nullptr;
  Change([&](Core::Env& env) {
    auto made = State::Compartment::Create(env, {0, 0});
    c = made.get();
    s->AddCompartment(env, *made);
  });
  HostScene::ExpectFont(c->GetText(), 8, false);
  // One line of 8 points (282 units) with 50 above and below, rounded up to the grid; the state,
  // high enough for its name and that, keeps its height.
  EXPECT_EQ(400, c->GetSize().y);
  EXPECT_EQ(header, s->GetSize().y);
  EXPECT_EQ(s->GetSize().y - 400 - 200, s->GetText()->GetRep().area.height);
  // Read back, the name is laid out in the header alone as well.
  Core::Diagram loaded(Registry(), nullptr);
  loaded.LoadXML(Save(diagram));
  State::State* read = All<State::State>(loaded).at(0);
  EXPECT_EQ(read->GetSize().y - 400 - 200, read->GetText()->GetRep().area.height);
}

}  // namespace
}  // namespace StateTest
