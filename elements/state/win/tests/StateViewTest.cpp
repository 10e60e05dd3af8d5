// A state diagram in a real view window under Wine, driven by commands and posted input: a
// composite state with two states and an initial state inside, a final state, a region separator
// and five labelled transitions; one undo step per gesture, the drawing checked in the window's
// pixels, and the document saved, reopened in a second window and compared.
#include "elements/state/tests/StateScene.h"

#include "core/DefaultGrid.h"
#include "core/Diagram.h"
#include "core/Transaction.h"
#include "core/UndoHandler.h"
#include "elements/note/Note.h"
#include "elements/note/tests/PastedCopyCheck.h"
#include "elements/state/win/StateViews.h"
#include "style/Model.h"
#include "text/edit/AnchoredTextCmd.h"
#include "text/edit/TextView.h"
#include "text/free/Anchor.h"
#include "text/free/FreeText.h"
#include "text/win/UniscribeSetup.h"
#include "view/CmdHandler.h"
#include "view/tests/ElementWindow.h"
#include "view/tests/SelectionPictures.h"
#include "view/tests/TestTransfer.h"

namespace {

using StateTest::Registry;

zq::Point Centre(const zq::Rect& r) { return {(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

void Install() {
  TextBlock::InstallUniscribeMeasurer();
  TextBlock::RegisterTextViews();
  State::RegisterStateViews();
}

// A window over a diagram of its own with the background's state commands.
class StateWindow : public ViewTest::ElementWindowTest {
 protected:
  StateWindow() : ElementWindowTest(Registry(), &Install) {}

  // Pixels of the selection picture's colour around the model point, after a repaint.
  int Around(const zq::Point& p, bool (*kind)(COLORREF)) {
    Repaint();
    return ViewTest::CountAround(w.hwnd, w.At(p), kind);
  }
  template <class T>
  T* Newest() const {
    const auto all = Live<T>();
    return all.empty() ? nullptr : all.back();
  }
  // The showcase's pixels: the composite's top edge, the dashed separator, the final state's disc.
  void ExpectDrawn(const State::State& outer, const State::RegionSeparator& sep, const State::FinalState& f) {
    const zq::Rect r = outer.GetRect();
    EXPECT_GT(DarkOnLine({r.left + 400, r.top}, {r.right - 400, r.top}), 100);
    const int dashed = DarkOnLine({sep.GetStart().x, sep.GetStart().y - 300}, {sep.GetEnd().x, sep.GetEnd().y + 300});
    const int solid = DarkOnLine({r.left, r.top - 300}, {r.left, r.bottom + 300});
    EXPECT_GT(dashed, 20);
    EXPECT_LT(dashed, solid);
    const zq::Rect box = f.GetRect();
    EXPECT_GT(DarkOnLine({box.left + 150, Centre(box).y}, {box.right - 150, Centre(box).y}), 8);
  }

  View::StdCreateCmdHandler newState{w.Task(), ID_NEW_STATE, &State::State::CreateElement};
  View::StdCreateCmdHandler newInitial{w.Task(), ID_NEW_INITIALSTATE, &State::InitialState::CreateElement};
  View::StdCreateCmdHandler newFinal{w.Task(), ID_NEW_FINALSTATE, &State::FinalState::CreateElement};
};

// A second window, for a document read back.
class OtherWindow final : public StateWindow {
 public:
  using StateWindow::diagram;
  using StateWindow::ExpectDrawn;
  using StateWindow::Live;
  using StateWindow::Newest;
  using StateWindow::Saved;

 private:
  void TestBody() override {}
};

TEST_F(StateWindow, TheShowcaseDiagramIsBuiltByGesturesSavedReopenedAndCompared) {
  // The composite state: made by the background command, switched to Large, stretched by its handle.
  ASSERT_TRUE(Run(ID_NEW_STATE, {500, 5500}));
  State::State* outer = Newest<State::State>();
  ASSERT_NE(outer, nullptr);
  EXPECT_EQ(outer->GetName(), L"<name?>");
  {
    State::StateCmdHandler large(w.Task(), *outer);
    EXPECT_EQ(w.router.GetCheckState(ID_STATE_LARGE), 0);
    std::size_t steps = Steps();
    ASSERT_TRUE(Run(ID_STATE_LARGE, {500, 5500}));
    EXPECT_TRUE(outer->IsLarge());
    EXPECT_EQ(Steps(), steps + 1);
    EXPECT_EQ(w.router.GetCheckState(ID_STATE_LARGE), 1);
  }
  {
    outer->SelectInView(*w.view, true);
    w.view->ProcessUpdates();
    const zq::Rect r = outer->GetRect();
    const std::size_t steps = Steps();
    Drag(r.BottomRight(), {{12500, -3500}});
    EXPECT_EQ(Steps(), steps + 1);
    EXPECT_EQ(outer->GetPos(), (zq::Point{500, 5500}));
    EXPECT_NEAR(outer->GetRect().right, 12500, 100);
    EXPECT_NEAR(outer->GetRect().bottom, -3500, 100);
  }
  // Two states, an initial state inside and a final state outside, each one step.
  std::size_t steps = Steps();
  ASSERT_TRUE(Run(ID_NEW_STATE, {1500, 3500}));
  State::State* a = Newest<State::State>();
  ASSERT_TRUE(Run(ID_NEW_STATE, {8000, 3500}));
  State::State* b = Newest<State::State>();
  ASSERT_TRUE(Run(ID_NEW_INITIALSTATE, {1500, 0}));
  State::InitialState* i = Newest<State::InitialState>();
  ASSERT_TRUE(Run(ID_NEW_FINALSTATE, {15000, 0}));
  State::FinalState* f = Newest<State::FinalState>();
  ASSERT_TRUE(a && b && i && f);
  EXPECT_EQ(Steps(), steps + 4);
  EXPECT_EQ(a->GetContainingState(), outer);
  EXPECT_EQ(b->GetContainingState(), outer);
  EXPECT_EQ(i->GetContainingState(), outer);
  EXPECT_EQ(f->GetContainingState(), nullptr);
  // With parts, "&Large" and "New C&ompartment" are disabled.
  {
    State::StateCmdHandler large(w.Task(), *outer);
    State::CreateCompartmentCmdHandler compartment(w.Task(), *outer);
    EXPECT_FALSE(w.router.IsEnabled(ID_STATE_LARGE));
    EXPECT_FALSE(w.router.IsEnabled(ID_NEW_COMPARTMENT));
  }
  // The region separator from the state's menu.
  {
    State::CreateRegionCmdHandler region(w.Task(), *outer);
    steps = Steps();
    ASSERT_TRUE(Run(ID_NEW_VERTICALREGION, {6500, 0}));
    EXPECT_EQ(Steps(), steps + 1);
  }
  State::RegionSeparator* sep = Newest<State::RegionSeparator>();
  ASSERT_NE(sep, nullptr);
  EXPECT_EQ(sep->GetState(), outer);
  EXPECT_EQ(sep->GetStart(), (zq::Point{6500, outer->GetRect().top}));
  EXPECT_EQ(sep->GetLength(), outer->GetSize().y);
  // Five transitions, each started from its source's menu and ended by a click on the target.
  const struct {
    zq::Point from, to;
  } legs[] = {{Centre(i->GetRect()), Centre(a->GetRect())},
              {Centre(a->GetRect()), Centre(b->GetRect())},
              {{9000, 2700}, {2500, 2700}},
              {{2500, 2600}, Centre(f->GetRect())},
              {{outer->GetRect().right, -3000}, {15300, -400}}};
  for (const auto& leg : legs) {
    auto handler = State::CreateTransitionCmdHandler(w.Task());
    steps = Steps();
    ASSERT_TRUE(Run(ID_NEW_TRANSITION, leg.from));
    Click(leg.to);
    ASSERT_FALSE(w.Task().IsBusy());
    EXPECT_EQ(Steps(), steps + 1);
  }
  const auto transitions = Live<State::Transition>();
  ASSERT_EQ(transitions.size(), 5u);
  EXPECT_EQ(i->GetTransitionEnds().size(), 1u);
  EXPECT_EQ(f->GetTransitionEnds().size(), 2u);
  EXPECT_EQ(outer->GetTransitionEnds().size(), 1u);
  // A transition clicked onto the initial state is not made.
  {
    auto handler = State::CreateTransitionCmdHandler(w.Task());
    steps = Steps();
    ASSERT_TRUE(Run(ID_NEW_TRANSITION, Centre(b->GetRect())));
    Click(Centre(i->GetRect()));
    w.Key(WM_KEYDOWN, VK_ESCAPE);
    w.Pump();
    EXPECT_EQ(Live<State::Transition>().size(), 5u);
    EXPECT_EQ(Steps(), steps);
  }
  // Each gets a label from its segment's menu.
  for (State::Transition* t : transitions) {
    auto* segment = dynamic_cast<State::TransitionSegment*>(t->GetSegmentList().front());
    ASSERT_NE(segment, nullptr);
    Text::CreateAnchoredTextCmdHandler label(w.Task(), ID_NEW_ANCHOREDTEXT, *segment, L"<name?>");
    ASSERT_TRUE(Run(ID_NEW_ANCHOREDTEXT, zq::RoundPoint(t->GetEnds().front()->GetPoint())));
    EXPECT_EQ(segment->GetAnchors().size(), 1u);
  }
  EXPECT_EQ(Live<Text::FreeText>().size(), 5u);
  ExpectDrawn(*outer, *sep, *f);
  // Saved, reopened in a second window, the same document and the same drawing.
  const std::string saved = Saved();
  OtherWindow other;
  other.diagram.LoadXML(saved);
  other.diagram.UpdateAllViews();
  EXPECT_EQ(other.Saved(), saved);
  const auto reopened = other.Live<State::State>();
  ASSERT_EQ(reopened.size(), 3u);
  State::State* outer2 = reopened[0]->IsLarge() ? reopened[0] : reopened[0]->GetContainingState();
  ASSERT_NE(outer2, nullptr);
  EXPECT_EQ(outer2->GetStateParts().size(), 3u);
  EXPECT_EQ(outer2->GetRegions().size(), 1u);
  EXPECT_EQ(other.Live<State::Transition>().size(), 5u);
  other.ExpectDrawn(*outer2, *outer2->GetRegions().front(), *other.Newest<State::FinalState>());
  // Undo takes the labels back one step each.
  w.Undo();
  EXPECT_EQ(Live<Text::FreeText>().size(), 4u);
}

// A copy of a composite state pasted beside it covers the state's note and free text, and the
// pasted copy is selected while the paste's change ends: they stay with their state all the same,
// and deleting the copy (undoing the paste by hand) leaves them.
TEST_F(StateWindow, ACompositeStatePastedOverItsNoteAndFreeTextLeavesThemWithTheOriginal) {
  State::State* s = nullptr;
  HostScene::NoteAndText inside;
  Change([&](Core::Env& env) {
    s = State::State::Create(env, {500, 5000}).get();
    s->SetLarge(env, true);
    s->SetRect(env, zq::Rect::FromPosSize({500, 5000}, 14000, 9000));
    inside = HostScene::AddNoteAndText(env, {5000, 2000});
  });
  HostScene::ExpectThePastedCopyLeavesNoteAndText(diagram, *s, inside);
}

TEST_F(StateWindow, MenusOfferWhatEachElementTakes) {
  ASSERT_TRUE(Run(ID_NEW_STATE, {1000, 4000}));
  State::State* st = Newest<State::State>();
  ASSERT_TRUE(Run(ID_NEW_FINALSTATE, {9000, 4000}));
  ASSERT_TRUE(Run(ID_NEW_INITIALSTATE, {12000, 4000}));
  auto* vs = dynamic_cast<State::VState*>(st->FindViewElement(*w.view));
  ASSERT_NE(vs, nullptr);
  EXPECT_EQ(vs->GetMenuId(), 132u);
  auto* vf = dynamic_cast<State::VPseudoState*>(Newest<State::FinalState>()->FindViewElement(*w.view));
  auto* vi = dynamic_cast<State::VPseudoState*>(Newest<State::InitialState>()->FindViewElement(*w.view));
  ASSERT_TRUE(vf && vi);
  EXPECT_EQ(vf->GetMenuId(), 111u);
  EXPECT_EQ(vi->GetMenuId(), 134u);
  {
    View::CmdHandlerList handlers;
    vf->PrepareMenu(w.Task(), handlers);
    EXPECT_FALSE(w.router.IsEnabled(ID_NEW_TRANSITION));
  }
  // "New C&ompartment" gives the state its compartment (selected) and takes "&Large" away.
  {
    View::CmdHandlerList handlers;
    vs->PrepareMenu(w.Task(), handlers);
    EXPECT_TRUE(w.router.IsEnabled(ID_NEW_TRANSITION));
    EXPECT_TRUE(w.router.IsEnabled(ID_STATE_LARGE));
    const std::size_t steps = Steps();
    ASSERT_TRUE(Run(ID_NEW_COMPARTMENT, {1000, 4000}));
    EXPECT_EQ(Steps(), steps + 1);
    ASSERT_NE(st->GetCompartment(), nullptr);
    EXPECT_TRUE(st->GetCompartment()->IsSelectedInView(*w.view));
    handlers.UpdateCommands();
    EXPECT_FALSE(w.router.IsEnabled(ID_STATE_LARGE));
    EXPECT_FALSE(w.router.IsEnabled(ID_NEW_COMPARTMENT));
  }
  auto* vc = dynamic_cast<State::VStateCompartment*>(st->GetCompartment()->FindViewElement(*w.view));
  ASSERT_NE(vc, nullptr);
  EXPECT_EQ(vc->GetMenuId(), 132u);
  // The compartment lies on the state's bottom edge, drawn as a line across it.
  const zq::Rect r = st->GetRect();
  const std::int32_t y = st->GetCompartment()->GetPos().y;
  st->GetCompartment()->SelectInView(*w.view, false);
  EXPECT_GT(DarkOnLine({r.left + 300, y}, {r.right - 300, y}), 30);
}

// The selection marks: the selected picture at the corners of an initial and a final state's box
// and at a separator's two ends, the warning picture on a separator that lies in no state, the
// grey picture while the view does not show its selection, and none on what is not selected.
TEST_F(StateWindow, SelectionMarksSitAtCornersAndEndsAndWarnOnASeparatorWithoutState) {
  State::State* s = nullptr;
  State::InitialState* i = nullptr;
  State::FinalState* f = nullptr;
  State::RegionSeparator *inside = nullptr, *loose = nullptr;
  Change([&](Core::Env& env) {
    s = State::State::Create(env, {500, 5500}).get();
    s->SetLarge(env, true);
    s->SetRect(env, zq::Rect::FromPosSize({500, 5500}, 5000, 3000));
    inside = State::RegionSeparator::Create(env, *s, {3000, 0}, true).get();
    i = State::InitialState::Create(env, {7000, 5000}).get();
    f = State::FinalState::Create(env, {9000, 5000}).get();
    auto free = State::RegionSeparator::Factory().CreateTyped(env);
    free->SetPos(env, {7000, 1500});
    loose = free.get();
  });
  ASSERT_EQ(loose->GetState(), nullptr);
  const auto corners = [](const zq::Rect& r) {
    return std::vector<zq::Point>{r.TopLeft(), {r.right, r.top}, r.BottomRight(), {r.left, r.bottom}};
  };
  const zq::Rect ri = i->GetRect(), rf = f->GetRect();
  EXPECT_EQ(ri.Width(), 400);
  EXPECT_EQ(rf.Width(), 600);
  const auto ends = [](const State::RegionSeparator& r) { return std::vector<zq::Point>{r.GetStart(), r.GetEnd()}; };
  std::vector<zq::Point> selected = corners(ri), warned = ends(*loose);
  for (const zq::Point& p : corners(rf)) selected.push_back(p);
  for (const zq::Point& p : ends(*inside)) selected.push_back(p);

  w.view->ClearSelection(nullptr);
  for (const zq::Point& p : selected) EXPECT_EQ(Around(p, ViewTest::IsSelectedGreen), 0) << p.x << " " << p.y;
  Select({i, f, inside, loose});
  for (const zq::Point& p : selected) {
    EXPECT_GT(Around(p, ViewTest::IsSelectedGreen), 3) << p.x << " " << p.y;
    EXPECT_EQ(Around(p, ViewTest::IsWarningRed), 0) << p.x << " " << p.y;
  }
  for (const zq::Point& p : warned) {
    EXPECT_GT(Around(p, ViewTest::IsWarningRed), 3) << p.x << " " << p.y;
    EXPECT_EQ(Around(p, ViewTest::IsSelectedGreen), 0) << p.x << " " << p.y;
  }
  // No mark where none belongs: the middle of the final state's top edge, the separator's middle.
  EXPECT_EQ(Around({(rf.left + rf.right) / 2, rf.top}, ViewTest::IsSelectedGreen), 0);
  EXPECT_EQ(Around({3000, 4000}, ViewTest::IsSelectedGreen), 0);
  w.view->SetSelectionVisible(false);
  for (const zq::Point& p : selected) {
    EXPECT_GT(Around(p, ViewTest::IsHiddenGrey), 2) << p.x << " " << p.y;
    EXPECT_EQ(Around(p, ViewTest::IsSelectedGreen), 0) << p.x << " " << p.y;
  }
  EXPECT_GT(Around(warned.front(), ViewTest::IsHiddenGrey), 2);
  EXPECT_EQ(Around(warned.front(), ViewTest::IsWarningRed), 0);
  // A state shows its eight resize handles: the corners and the middles of its edges.
  w.view->SetSelectionVisible(true);
  Select({s});
  const zq::Rect r = s->GetRect();
  const zq::Point c = Centre(r);
  for (const zq::Point& p : {r.TopLeft(), zq::Point{c.x, r.top}, zq::Point{r.right, r.top}, zq::Point{r.right, c.y},
                             r.BottomRight(), zq::Point{c.x, r.bottom}, zq::Point{r.left, r.bottom}, zq::Point{r.left, c.y}})
    EXPECT_GT(Around(p, ViewTest::IsSelectedGreen), 3) << p.x << " " << p.y;
  EXPECT_EQ(Around({r.left + 1000, r.bottom + 1000}, ViewTest::IsSelectedGreen), 0);
}

// A separator dragged alone through the view's drop target, with OLE for the test's thread.
class SeparatorDrag : public StateWindow {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
    registration = View::RegisterDropTarget(*w.view);
  }
  void TearDown() override {
    registration.reset();
    View::DefaultMoveTask::SetDragLoop({});
    OleUninitialize();
  }
  // Presses on from, drags to to and drops there.
  void DragTo(const zq::Point& from, const zq::Point& to) {
    w.Mouse(WM_MOUSEMOVE, w.At(from));
    ViewTest::DragThrough(w, registration->Get(), from, to);
    EXPECT_FALSE(w.Task().IsBusy());
  }
  std::unique_ptr<View::DropTargetRegistration> registration;
};

// Into another state: it starts on that state's top border where it was dropped, spans its height
// and leaves the first state, as one step; dropped outside every state it keeps its length, lies in
// no state and its marks warn.
TEST_F(SeparatorDrag, ASeparatorDraggedIntoAnotherStateSpansItAndOutOfEveryStateItWarns) {
  State::State *a = nullptr, *b = nullptr;
  State::RegionSeparator* sep = nullptr;
  Change([&](Core::Env& env) {
    a = State::State::Create(env, {500, 5500}).get();
    a->SetLarge(env, true);
    a->SetRect(env, zq::Rect::FromPosSize({500, 5500}, 5000, 4000));
    b = State::State::Create(env, {7000, 5000}).get();
    b->SetRect(env, zq::Rect::FromPosSize({7000, 5000}, 6000, 3000));
    sep = State::RegionSeparator::Create(env, *a, {3000, 0}, true).get();
  });
  ASSERT_EQ(sep->GetStart(), (zq::Point{3000, 5500}));
  ASSERT_EQ(sep->GetLength(), 4000);
  Select({sep});
  const std::string before = Saved();
  const std::size_t steps = Steps();
  DragTo({3000, 3500}, {9000, 3000});
  EXPECT_EQ(Steps(), steps + 1);
  EXPECT_EQ(sep->GetState(), b);
  EXPECT_TRUE(a->GetRegions().empty());
  ASSERT_EQ(b->GetRegions().size(), 1u);
  EXPECT_EQ(b->GetRegions().front(), sep);
  EXPECT_TRUE(sep->IsVertical());
  EXPECT_EQ(sep->GetStart().y, b->GetRect().top);
  EXPECT_NEAR(sep->GetStart().x, 9000, 100);
  EXPECT_EQ(sep->GetLength(), b->GetSize().y);
  EXPECT_TRUE(b->IsLarge()) << "a state with a region is composite";
  // Drawn dashed down through b; gone from a.
  w.view->ClearSelection(nullptr);
  const zq::Point top = sep->GetStart(), bottom = sep->GetEnd();
  EXPECT_GT(DarkOnLine({top.x, top.y - 200}, {bottom.x, bottom.y + 200}, true), 20);
  EXPECT_EQ(DarkOnLine({3000, 4800}, {3000, 2000}, true), 0);
  w.Undo();
  EXPECT_EQ(Saved(), before);
  EXPECT_EQ(sep->GetState(), a);

  // Out of every state: no correction of the drop point, the length kept, the warning mark.
  Select({sep});
  DragTo({3000, 3500}, {17000, 3500});
  EXPECT_EQ(sep->GetState(), nullptr);
  EXPECT_TRUE(a->GetRegions().empty());
  EXPECT_EQ(sep->GetLength(), 4000);
  EXPECT_NEAR(sep->GetStart().x, 17000, 100);
  Select({sep});
  EXPECT_GT(Around(sep->GetStart(), ViewTest::IsWarningRed), 3);
  EXPECT_GT(Around(sep->GetEnd(), ViewTest::IsWarningRed), 3);
  EXPECT_EQ(Around(sep->GetEnd(), ViewTest::IsSelectedGreen), 0);
  // Read back, it is written on its own and still lies in no state.
  const std::string saved = Saved();
  OtherWindow other;
  other.diagram.LoadXML(saved);
  EXPECT_EQ(other.Saved(), saved);
  const auto separators = other.Live<State::RegionSeparator>();
  ASSERT_EQ(separators.size(), 1u);
  EXPECT_EQ(separators.front()->GetState(), nullptr);
}

// Moved by an open change, as a drag moves it, a state and its compartment stay drawn where the
// last closed change put them (the drag's dashed image alone follows the pointer).
TEST_F(StateWindow, AStateAndItsCompartmentMovedInAnOpenChangeStayDrawnWhereTheyWere) {
  ASSERT_TRUE(Run(ID_NEW_STATE, {1000, 5000}));
  State::State* s = Newest<State::State>();
  ASSERT_NE(nullptr, s);
  ASSERT_TRUE(Menu(*s, ID_NEW_COMPARTMENT, {s->GetRect().left + 500, s->GetRect().top - 300}));
  ASSERT_NE(nullptr, s->GetCompartment());
  ExpectBoxAndCompartmentStayWhileMoved(*s, *s->GetCompartment());
}

}  // namespace
