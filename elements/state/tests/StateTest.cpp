// States: creation, the simple and composite modes, fit and resize in both modes, nesting decided
// from rectangles, moving and deleting with contents, the compartment, and the stored form.
#include "elements/state/tests/StateScene.h"

#include "core/DefaultGrid.h"
#include "core/ModelElementSet.h"

namespace StateTest {
namespace {

using States = Scene;

// A simple state's name, one line of 11 points bold (388 units), with 100 above and below, on the grid.
constexpr std::int32_t kNameHeader = 600;

TEST_F(States, ANewStateIsSimpleNamedAndGrowsWithALongerName) {
  State::State* s = NewState({1000, 5000});
  EXPECT_EQ(s->GetName(), L"<name?>");
  EXPECT_EQ(s->GetSize(), (zq::Point{2000, 1000}));
  EXPECT_FALSE(s->IsLarge());
  Change([&](Core::Env& env) { s->SetName(env, L"A much longer name of a state that does not fit"); });
  const TextBlock::Extent name = TextBlock::ITextOwner::GetTextAreaSizeUsed(s->GetText());
  EXPECT_EQ(s->GetSize().x, View::DefaultGrid::Instance().SnapLength(name.width + 200));
  EXPECT_GT(s->GetSize().x, 2000);
  EXPECT_EQ(s->GetSize().y, 1000);
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
  AddCompartment(*boxed);
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
  // Deleting the compartment alone leaves the state as high as its name needs, its top-left corner
  // and width kept; undo gives the compartment and the rectangle back.
  const zq::Rect with = s->GetRect();
  Change([&](Core::Env& env) { c->Delete(env); });
  EXPECT_EQ(s->GetCompartment(), nullptr);
  EXPECT_EQ(s->GetRect(), (zq::Rect{with.left, with.top, with.right, with.top - kNameHeader}));
  Undo();
  EXPECT_EQ(s->GetCompartment(), c);
  EXPECT_EQ(c->GetState(), s);
  EXPECT_EQ(s->GetRect(), with);
}

// A compartment that leaves its state, comes back or changes its height refits the state from its
// top edge: the name's height with its margins, the compartment right under it at the state's
// width. Undo and redo restore the state's rectangle and the compartment's place each time.
TEST_F(States, TheStateRefitsUnderItsNameWhenItsCompartmentLeavesComesBackOrGrows) {
  State::State* s = NewState({1000, 9000});
  State::Compartment* c = AddCompartment(*s);
  Resize(*s, {1000, 9000, 5000, 7000});
  const zq::Rect big = s->GetRect(), inBig = c->GetRect();
  ASSERT_EQ(big, (zq::Rect{1000, 9000, 5000, 7000}));
  ASSERT_EQ(inBig.Height(), 400);
  const zq::Rect away{inBig.left + 8000, inBig.top - 1000, inBig.right + 8000, inBig.bottom - 1000};
  const zq::Rect bare{1000, 9000, 5000, 9000 - kNameHeader};
  const zq::Rect under{1000, 9000 - kNameHeader, 5000, 9000 - kNameHeader - 400};
  const zq::Rect fitted{1000, 9000, 5000, under.bottom};
  const auto expect = [&](const zq::Rect& state, State::State* owner, const zq::Rect& compartment, const char* when) {
    EXPECT_EQ(s->GetRect(), state) << when;
    EXPECT_EQ(s->GetCompartment(), owner ? c : nullptr) << when;
    EXPECT_EQ(c->GetState(), owner) << when;
    EXPECT_EQ(c->GetRect(), compartment) << when;
    EXPECT_EQ(CheckInvariants(diagram), "") << when;
  };
  DragCompartment(*c, {8000, -1000}, nullptr);
  expect(bare, nullptr, away, "dragged out");
  // Dropped back inside, the compartment does not stay where it was dropped.
  DragCompartment(*c, {-6000, -500}, s);
  expect(fitted, s, under, "dragged back in");
  Undo();
  expect(bare, nullptr, away, "undoing the way back");
  Undo();
  expect(big, s, inBig, "undoing the way out");
  Redo();
  expect(bare, nullptr, away, "redoing the way out");
  Redo();
  expect(fitted, s, under, "redoing the way back");
  // Three lines instead of one: the state grows downwards by exactly what the compartment grew.
  Change([&](Core::Env& env) { c->SetName(env, L"entry / open()\ndo / wait()\nexit / close()"); });
  const std::int32_t grown = c->GetSize().y - 400;
  EXPECT_GT(grown, 0);
  EXPECT_EQ(c->GetRect(), (zq::Rect{under.left, under.top, under.right, under.bottom - grown}));
  EXPECT_EQ(s->GetRect(), (zq::Rect{fitted.left, fitted.top, fitted.right, fitted.bottom - grown}));
  Undo();
  expect(fitted, s, under, "undoing the longer text");
  ExpectRoundTrip();
}

// Resized taller, a state keeps the height it was given with its compartment right under the name
// and the space below it; the name keeps to its band above the compartment. Resized lower than the
// name and the compartment need, it stops there. Moving the top or left edge moves the compartment
// along. Undo and redo restore the state and the compartment together.
TEST_F(States, AStateResizedTallerKeepsItsCompartmentUnderItsName) {
  State::State* s = NewState({1000, 9000});
  State::Compartment* c = AddCompartment(*s);
  const zq::Rect small = s->GetRect(), inSmall = c->GetRect();
  ASSERT_EQ(small, (zq::Rect{1000, 9000, 3000, 9000 - kNameHeader - 400}));
  const auto expect = [&](const zq::Rect& state, const char* when) {
    EXPECT_EQ(s->GetRect(), state) << when;
    EXPECT_EQ(c->GetRect(), (zq::Rect{state.left, state.top - kNameHeader, state.right, state.top - kNameHeader - 400}))
        << when;
    EXPECT_EQ(s->GetText()->GetRep().area.height, kNameHeader - 200) << when;
  };
  Resize(*s, {1000, 9000, 5000, 5000});
  expect({1000, 9000, 5000, 5000}, "taller and wider");
  Resize(*s, {500, 9500, 5000, 5000});
  expect({500, 9500, 5000, 5000}, "top and left edges moved out");
  Resize(*s, {500, 9500, 5000, 9400});
  expect({500, 9500, 5000, 9500 - kNameHeader - 400}, "lower than the name and the compartment");
  Resize(*s, {500, 5100, 5000, 5000});
  expect({500, 5000 + kNameHeader + 400, 5000, 5000}, "top edge pushed below what they need");
  Undo();
  expect({500, 9500, 5000, 9500 - kNameHeader - 400}, "undoing the pushed top edge");
  Undo();
  Undo();
  expect({1000, 9000, 5000, 5000}, "undoing the moved edges");
  Undo();
  EXPECT_EQ(s->GetRect(), small);
  EXPECT_EQ(c->GetRect(), inSmall);
  Redo();
  expect({1000, 9000, 5000, 5000}, "redoing");
  ExpectRoundTrip();
}

// A state read with its compartment at its bottom keeps its name in the band above the compartment;
// its first resize puts the compartment right under the name, and undo puts it back.
TEST_F(States, AStateReadWithItsCompartmentAtItsBottomGetsItUnderItsNameWhenResized) {
  diagram.LoadXML(Doc("<State id=\"r1\" Pos=\"0 0\" Size=\"4000 2000\"><Text>Idle</Text><Compartment id=\"r2\" "
                      "Pos=\"0 -1400\" Size=\"4000 600\"><Text>do / x</Text></Compartment></State>\n"));
  State::State* s = All<State::State>(diagram).at(0);
  State::Compartment* c = s->GetCompartment();
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(s->GetText()->GetRep().area.height, 2000 - 600 - 200);
  Resize(*s, {0, 0, 5000, -2000});
  // One line of 6 points in the default font (212 units) with 100 above and below, on the grid.
  constexpr std::int32_t header = 500;
  EXPECT_EQ(s->GetRect(), (zq::Rect{0, 0, 5000, -2000}));
  EXPECT_EQ(c->GetRect(), (zq::Rect{0, -header, 5000, -header - 600}));
  EXPECT_EQ(s->GetText()->GetRep().area.height, header - 200);
  Undo();
  EXPECT_EQ(s->GetRect(), (zq::Rect{0, 0, 4000, -2000}));
  EXPECT_EQ(c->GetRect(), (zq::Rect{0, -1400, 4000, -2000}));
}

// Renamed, a simple state takes the name's laid-out size + 200 on the grid and its compartment's
// height, but never gets narrower or lower: a longer name widens it and its compartment, keeping
// the space a taller resize left below the compartment; a second line deepens the band above the
// compartment. A shorter name leaves the state as it is. Undo and redo restore the state and its
// compartment together.
TEST_F(States, ARenamedStateFollowsItsNameWithItsCompartmentUnderIt) {
  const Core::IGrid& grid = View::DefaultGrid::Instance();
  State::State* s = NewState({1000, 9000});
  State::Compartment* c = AddCompartment(*s);
  Resize(*s, {1000, 9000, 5000, 5000});
  const zq::Rect tall = s->GetRect(), inTall = c->GetRect();
  const auto expect = [&](const zq::Rect& state, std::int32_t header, const char* when) {
    EXPECT_EQ(s->GetRect(), state) << when;
    EXPECT_EQ(c->GetRect(), (zq::Rect{state.left, state.top - header, state.right, state.top - header - 400})) << when;
    EXPECT_EQ(s->GetText()->GetRep().area.height, header - 200) << when;
    EXPECT_EQ(CheckInvariants(diagram), "") << when;
  };
  Change([&](Core::Env& env) { s->SetName(env, L"A much longer name of a state that does not fit"); });
  const std::int32_t wide = grid.SnapLength(TextBlock::ITextOwner::GetTextAreaSizeUsed(s->GetText()).width + 200);
  ASSERT_GT(wide, tall.Width());
  const zq::Rect longer{1000, 9000, 1000 + wide, tall.bottom};
  expect(longer, kNameHeader, "a longer name");
  Change([&](Core::Env& env) { s->SetName(env, L"A much longer name of a state\nthat does not fit"); });
  const std::int32_t twoLines = grid.SnapLength(TextBlock::ITextOwner::GetTextAreaSizeUsed(s->GetText()).height + 200);
  ASSERT_GT(twoLines, kNameHeader);
  const zq::Rect deeper{1000, 9000, 1000 + wide, tall.bottom};
  expect(deeper, twoLines, "a second line");
  Change([&](Core::Env& env) { s->SetName(env, L"Idle"); });
  expect(deeper, twoLines, "a shorter name");
  Undo();
  Undo();
  expect(longer, kNameHeader, "undoing the second line");
  Undo();
  EXPECT_EQ(s->GetRect(), tall);
  EXPECT_EQ(c->GetRect(), inTall);
  Redo();
  expect(longer, kNameHeader, "redoing the longer name");
  Redo();
  Redo();
  expect(deeper, twoLines, "redoing the shorter name");
  EXPECT_EQ(s->GetName(), L"Idle");
  ExpectRoundTrip();
}

// A compartment leaving a state that covers other elements lets the state take them; turning
// composite, it still encloses them and refits no higher than the lowest of them. A simple state
// refits no higher than the lowest free text lying in it either.
TEST_F(States, AStateWhoseCompartmentLeftStillEnclosesWhatLiesInIt) {
  State::State* s = NewState({1000, 9000});
  State::Compartment* c = AddCompartment(*s);
  Resize(*s, {1000, 9000, 7000, 4000});
  State::InitialState* i = NewPseudo<State::InitialState>({2000, 5000});
  ASSERT_EQ(i->GetContainingState(), nullptr);
  const zq::Rect with = s->GetRect();
  DragCompartment(*c, {10000, 0}, nullptr);
  EXPECT_EQ(i->GetContainingState(), s);
  EXPECT_TRUE(s->IsLarge());
  EXPECT_EQ(s->GetRect(), (zq::Rect{1000, 9000, 7000, 4600}));
  EXPECT_EQ(CheckInvariants(diagram), "");
  Undo();
  EXPECT_EQ(s->GetRect(), with);
  EXPECT_EQ(s->GetCompartment(), c);
  EXPECT_EQ(i->GetContainingState(), nullptr);
  EXPECT_FALSE(s->IsLarge());

  State::State* t = NewState({20000, 9000});
  State::Compartment* k = AddCompartment(*t);
  Resize(*t, {20000, 9000, 26000, 4000});
  Text::FreeText* text = nullptr;
  Change([&](Core::Env& env) { text = dynamic_cast<Text::FreeText*>(Text::FreeText::Create(env, {21000, 7000}).get()); });
  ASSERT_NE(text, nullptr);
  ASSERT_TRUE(t->ContainsContainable(*text));
  zq::Rect box;
  ASSERT_TRUE(text->GetBoundingRect(box));
  ASSERT_LT(box.bottom, 9000 - kNameHeader);
  Change([&](Core::Env& env) { k->Delete(env); });
  EXPECT_FALSE(t->IsLarge());
  EXPECT_TRUE(t->ContainsContainable(*text));
  EXPECT_EQ(t->GetRect(), (zq::Rect{20000, 9000, 26000, box.bottom}));
}

TEST_F(States, TheCompartmentsHandlesResizeTheStateAndUndoTakesItBack) {
  State::State* s = NewState({1000, 5000});
  State::Compartment* c = AddCompartment(*s);
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
  State::Compartment* c = AddCompartment(*s);
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
