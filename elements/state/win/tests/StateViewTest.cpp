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
#include "elements/state/win/StateViews.h"
#include "style/Model.h"
#include "text/edit/AnchoredTextCmd.h"
#include "text/edit/TextView.h"
#include "text/free/Anchor.h"
#include "text/free/FreeText.h"
#include "text/win/UniscribeSetup.h"
#include "view/CmdHandler.h"
#include "view/tests/TestBoxes.h"

namespace {

using StateTest::Registry;

struct Installed {
  Installed() {
    TextBlock::InstallUniscribeMeasurer();
    TextBlock::RegisterTextViews();
    State::RegisterStateViews();
  }
};

// A window over a diagram of its own with the background's state commands.
struct StateWindow {
  Installed installed;
  Core::Diagram diagram{Registry(), nullptr, nullptr, &View::DefaultGrid::Instance()};
  ViewTest::ViewWindow w{&diagram};
  View::StdCreateCmdHandler newState{w.Task(), ID_NEW_STATE, &State::State::CreateElement};
  View::StdCreateCmdHandler newInitial{w.Task(), ID_NEW_INITIALSTATE, &State::InitialState::CreateElement};
  View::StdCreateCmdHandler newFinal{w.Task(), ID_NEW_FINALSTATE, &State::FinalState::CreateElement};

  bool Run(UINT command, const zq::Point& at) {
    w.Task().SetLastMousePoint(at);
    const bool ran = w.router.Execute({command, 0, nullptr});
    w.Pump();
    return ran;
  }
  void Click(const zq::Point& p) {
    const POINT c = w.At(p);
    w.Mouse(WM_MOUSEMOVE, c);
    w.Mouse(WM_LBUTTONDOWN, c, MK_LBUTTON);
    w.Mouse(WM_LBUTTONUP, c);
    w.Pump();
  }
  std::size_t Steps() { return diagram.GetUndoHandler().GetUndoCount(); }
  template <class T>
  std::vector<T*> Live() const {
    return StateTest::All<T>(diagram);
  }
  template <class T>
  T* Newest() const {
    const auto all = Live<T>();
    return all.empty() ? nullptr : all.back();
  }
  std::string Save() const { return StateTest::Save(diagram); }
  // Dark pixels on the model line from a to b in a capture of the window after a repaint.
  int DarkOnLine(zq::Point a, zq::Point b) {
    w.view->ProcessUpdates();
    w.canvas->Update();
    UpdateWindow(w.hwnd);
    RECT rc;
    GetClientRect(w.hwnd, &rc);
    HDC screen = GetDC(w.hwnd);
    HDC shot = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, rc.right, rc.bottom);
    HGDIOBJ old = SelectObject(shot, bitmap);
    BitBlt(shot, 0, 0, rc.right, rc.bottom, screen, 0, 0, SRCCOPY);
    const POINT p = w.At(a), q = w.At(b);
    int dark = 0;
    const int n = std::max(std::abs(q.x - p.x), std::abs(q.y - p.y));
    for (int i = 0; i <= n; ++i) {
      const int x = p.x + (q.x - p.x) * i / std::max(n, 1), y = p.y + (q.y - p.y) * i / std::max(n, 1);
      const COLORREF c = GetPixel(shot, x, y);
      if (c != CLR_INVALID && GetRValue(c) + GetGValue(c) + GetBValue(c) < 300) ++dark;
    }
    SelectObject(shot, old);
    DeleteObject(bitmap);
    DeleteDC(shot);
    ReleaseDC(w.hwnd, screen);
    return dark;
  }
};

zq::Point Centre(const zq::Rect& r) { return {(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

// The showcase's pixels: the composite's top edge, the dashed separator, the final state's disc.
void ExpectDrawn(StateWindow& s, const State::State& outer, const State::RegionSeparator& sep, const State::FinalState& f) {
  const zq::Rect r = outer.GetRect();
  EXPECT_GT(s.DarkOnLine({r.left + 400, r.top}, {r.right - 400, r.top}), 100);
  const int dashed = s.DarkOnLine({sep.GetStart().x, sep.GetStart().y - 300}, {sep.GetEnd().x, sep.GetEnd().y + 300});
  const int solid = s.DarkOnLine({r.left, r.top - 300}, {r.left, r.bottom + 300});
  EXPECT_GT(dashed, 20);
  EXPECT_LT(dashed, solid);
  const zq::Rect box = f.GetRect();
  EXPECT_GT(s.DarkOnLine({box.left + 150, Centre(box).y}, {box.right - 150, Centre(box).y}), 8);
}

TEST(StateView, TheShowcaseDiagramIsBuiltByGesturesSavedReopenedAndCompared) {
  StateWindow s;
  // The composite state: made by the background command, switched to Large, stretched by its handle.
  ASSERT_TRUE(s.Run(ID_NEW_STATE, {500, 5500}));
  State::State* outer = s.Newest<State::State>();
  ASSERT_NE(outer, nullptr);
  EXPECT_EQ(outer->GetName(), L"<name?>");
  {
    State::StateCmdHandler large(s.w.Task(), *outer);
    EXPECT_EQ(s.w.router.GetCheckState(ID_STATE_LARGE), 0);
    std::size_t steps = s.Steps();
    ASSERT_TRUE(s.Run(ID_STATE_LARGE, {500, 5500}));
    EXPECT_TRUE(outer->IsLarge());
    EXPECT_EQ(s.Steps(), steps + 1);
    EXPECT_EQ(s.w.router.GetCheckState(ID_STATE_LARGE), 1);
  }
  {
    outer->SelectInView(*s.w.view, true);
    s.w.view->ProcessUpdates();
    const zq::Rect r = outer->GetRect();
    const std::size_t steps = s.Steps();
    ViewTest::FakeDrag drag(true);
    s.w.Mouse(WM_LBUTTONDOWN, s.w.At(r.BottomRight()), MK_LBUTTON);
    s.w.Mouse(WM_MOUSEMOVE, s.w.At({12500, -3500}), MK_LBUTTON);
    s.w.Mouse(WM_LBUTTONUP, s.w.At({12500, -3500}));
    s.w.Pump();
    EXPECT_EQ(s.Steps(), steps + 1);
    EXPECT_EQ(outer->GetPos(), (zq::Point{500, 5500}));
    EXPECT_NEAR(outer->GetRect().right, 12500, 100);
    EXPECT_NEAR(outer->GetRect().bottom, -3500, 100);
  }
  // Two states, an initial state inside and a final state outside, each one step.
  std::size_t steps = s.Steps();
  ASSERT_TRUE(s.Run(ID_NEW_STATE, {1500, 3500}));
  State::State* a = s.Newest<State::State>();
  ASSERT_TRUE(s.Run(ID_NEW_STATE, {8000, 3500}));
  State::State* b = s.Newest<State::State>();
  ASSERT_TRUE(s.Run(ID_NEW_INITIALSTATE, {1500, 0}));
  State::InitialState* i = s.Newest<State::InitialState>();
  ASSERT_TRUE(s.Run(ID_NEW_FINALSTATE, {15000, 0}));
  State::FinalState* f = s.Newest<State::FinalState>();
  ASSERT_TRUE(a && b && i && f);
  EXPECT_EQ(s.Steps(), steps + 4);
  EXPECT_EQ(a->GetContainingState(), outer);
  EXPECT_EQ(b->GetContainingState(), outer);
  EXPECT_EQ(i->GetContainingState(), outer);
  EXPECT_EQ(f->GetContainingState(), nullptr);
  // With parts, "&Large" and "New C&ompartment" are disabled.
  {
    State::StateCmdHandler large(s.w.Task(), *outer);
    State::CreateCompartmentCmdHandler compartment(s.w.Task(), *outer);
    EXPECT_FALSE(s.w.router.IsEnabled(ID_STATE_LARGE));
    EXPECT_FALSE(s.w.router.IsEnabled(ID_NEW_COMPARTMENT));
  }
  // The region separator from the state's menu.
  {
    State::CreateRegionCmdHandler region(s.w.Task(), *outer);
    steps = s.Steps();
    ASSERT_TRUE(s.Run(ID_NEW_VERTICALREGION, {6500, 0}));
    EXPECT_EQ(s.Steps(), steps + 1);
  }
  State::RegionSeparator* sep = s.Newest<State::RegionSeparator>();
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
    auto handler = State::CreateTransitionCmdHandler(s.w.Task());
    steps = s.Steps();
    ASSERT_TRUE(s.Run(ID_NEW_TRANSITION, leg.from));
    s.Click(leg.to);
    ASSERT_FALSE(s.w.Task().IsBusy());
    EXPECT_EQ(s.Steps(), steps + 1);
  }
  const auto transitions = s.Live<State::Transition>();
  ASSERT_EQ(transitions.size(), 5u);
  EXPECT_EQ(i->GetTransitionEnds().size(), 1u);
  EXPECT_EQ(f->GetTransitionEnds().size(), 2u);
  EXPECT_EQ(outer->GetTransitionEnds().size(), 1u);
  // A transition clicked onto the initial state is not made.
  {
    auto handler = State::CreateTransitionCmdHandler(s.w.Task());
    steps = s.Steps();
    ASSERT_TRUE(s.Run(ID_NEW_TRANSITION, Centre(b->GetRect())));
    s.Click(Centre(i->GetRect()));
    s.w.Key(WM_KEYDOWN, VK_ESCAPE);
    s.w.Pump();
    EXPECT_EQ(s.Live<State::Transition>().size(), 5u);
    EXPECT_EQ(s.Steps(), steps);
  }
  // Each gets a label from its segment's menu.
  for (State::Transition* t : transitions) {
    auto* segment = dynamic_cast<State::TransitionSegment*>(t->GetSegmentList().front());
    ASSERT_NE(segment, nullptr);
    Text::CreateAnchoredTextCmdHandler label(s.w.Task(), ID_NEW_ANCHOREDTEXT, *segment, L"<name?>");
    ASSERT_TRUE(s.Run(ID_NEW_ANCHOREDTEXT, zq::RoundPoint(t->GetEnds().front()->GetPoint())));
    EXPECT_EQ(segment->GetAnchors().size(), 1u);
  }
  EXPECT_EQ(s.Live<Text::FreeText>().size(), 5u);
  ExpectDrawn(s, *outer, *sep, *f);
  // Saved, reopened in a second window, the same document and the same drawing.
  const std::string saved = s.Save();
  StateWindow other;
  other.diagram.LoadXML(saved);
  other.diagram.UpdateAllViews();
  EXPECT_EQ(other.Save(), saved);
  const auto reopened = other.Live<State::State>();
  ASSERT_EQ(reopened.size(), 3u);
  State::State* outer2 = reopened[0]->IsLarge() ? reopened[0] : reopened[0]->GetContainingState();
  ASSERT_NE(outer2, nullptr);
  EXPECT_EQ(outer2->GetStateParts().size(), 3u);
  EXPECT_EQ(outer2->GetRegions().size(), 1u);
  EXPECT_EQ(other.Live<State::Transition>().size(), 5u);
  ExpectDrawn(other, *outer2, *outer2->GetRegions().front(), *other.Newest<State::FinalState>());
  // Undo takes the labels back one step each.
  s.w.Undo();
  EXPECT_EQ(s.Live<Text::FreeText>().size(), 4u);
}

TEST(StateView, MenusOfferWhatEachElementTakes) {
  StateWindow s;
  ASSERT_TRUE(s.Run(ID_NEW_STATE, {1000, 4000}));
  State::State* st = s.Newest<State::State>();
  ASSERT_TRUE(s.Run(ID_NEW_FINALSTATE, {9000, 4000}));
  ASSERT_TRUE(s.Run(ID_NEW_INITIALSTATE, {12000, 4000}));
  auto* vs = dynamic_cast<State::VState*>(st->FindViewElement(*s.w.view));
  ASSERT_NE(vs, nullptr);
  EXPECT_EQ(vs->GetMenuId(), 132u);
  auto* vf = dynamic_cast<State::VPseudoState*>(s.Newest<State::FinalState>()->FindViewElement(*s.w.view));
  auto* vi = dynamic_cast<State::VPseudoState*>(s.Newest<State::InitialState>()->FindViewElement(*s.w.view));
  ASSERT_TRUE(vf && vi);
  EXPECT_EQ(vf->GetMenuId(), 111u);
  EXPECT_EQ(vi->GetMenuId(), 134u);
  {
    View::CmdHandlerList handlers;
    vf->PrepareMenu(s.w.Task(), handlers);
    EXPECT_FALSE(s.w.router.IsEnabled(ID_NEW_TRANSITION));
  }
  // "New C&ompartment" gives the state its compartment (selected) and takes "&Large" away.
  {
    View::CmdHandlerList handlers;
    vs->PrepareMenu(s.w.Task(), handlers);
    EXPECT_TRUE(s.w.router.IsEnabled(ID_NEW_TRANSITION));
    EXPECT_TRUE(s.w.router.IsEnabled(ID_STATE_LARGE));
    const std::size_t steps = s.Steps();
    ASSERT_TRUE(s.Run(ID_NEW_COMPARTMENT, {1000, 4000}));
    EXPECT_EQ(s.Steps(), steps + 1);
    ASSERT_NE(st->GetCompartment(), nullptr);
    EXPECT_TRUE(st->GetCompartment()->IsSelectedInView(*s.w.view));
    handlers.UpdateCommands();
    EXPECT_FALSE(s.w.router.IsEnabled(ID_STATE_LARGE));
    EXPECT_FALSE(s.w.router.IsEnabled(ID_NEW_COMPARTMENT));
  }
  auto* vc = dynamic_cast<State::VStateCompartment*>(st->GetCompartment()->FindViewElement(*s.w.view));
  ASSERT_NE(vc, nullptr);
  EXPECT_EQ(vc->GetMenuId(), 132u);
  // The compartment lies on the state's bottom edge, drawn as a line across it.
  const zq::Rect r = st->GetRect();
  const std::int32_t y = st->GetCompartment()->GetPos().y;
  st->GetCompartment()->SelectInView(*s.w.view, false);
  EXPECT_GT(s.DarkOnLine({r.left + 300, y}, {r.right - 300, y}), 30);
}

}  // namespace
