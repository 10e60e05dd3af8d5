// A use case diagram in a real view window under Wine, driven by commands and posted input: a
// system holding three use cases, two actors joined to them by associations, a generalization and
// an include; one undo step per gesture, the drawing checked in the window's pixels, the document
// saved, reopened in a second window and compared.
#include <gtest/gtest.h>

#include "core/DefaultGrid.h"
#include "elements/note/tests/PastedCopyCheck.h"
#include "elements/note/win/Views.h"
#include "elements/usecase/tests/UseCaseScene.h"
#include "elements/usecase/win/Views.h"
#include "resources/resource.h"
#include "text/edit/TextView.h"
#include "text/win/UniscribeSetup.h"
#include "view/tests/ElementWindow.h"
#include "view/tests/TestTransfer.h"

namespace {

using UseCaseTest::Registry;
using UC = UseCase::UseCase;

void Install() {
  TextBlock::InstallUniscribeMeasurer();
  TextBlock::RegisterTextViews();
  Note::RegisterNoteViews();
  UseCase::RegisterUseCaseViews();
}

zq::Point Centre(const zq::Rect& r) { return {(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

class UseCaseWindow : public ViewTest::ElementWindowTest {
 protected:
  UseCaseWindow() : ElementWindowTest(Registry(), &Install) {}

  template <class T>
  T* Newest() const {
    const auto all = Live<T>();
    return all.empty() ? nullptr : all.back();
  }
  // Draws a connector from the element's menu command at the point to a click at the target.
  void Connect(Core::IModelElement& from, UINT command, const zq::Point& start, const zq::Point& end) {
    ASSERT_TRUE(Menu(from, command, start));
    Click(end);
    if (w.Task().IsBusy()) Escape();
  }
  // The drawing of the showcase: the system's frame, the ellipse of a use case (its top, not its
  // box's corner), an actor's body and an association line.
  void ExpectDrawn(const UseCase::System& s, const UC& u, const UseCase::Actor& a) {
    const zq::Rect r = s.GetRect();
    EXPECT_GT(DarkOnLine({r.left, r.top - 2500}, {r.left, r.bottom + 500}, true), 50);
    const zq::Rect e = u.GetRect();
    EXPECT_GT(DarkAround({(e.left + e.right) / 2.0, double(e.top)}, 2), 0);
    EXPECT_EQ(DarkAround({e.left + 60.0, e.top - 60.0}, 1), 0);
    const zq::Rect f = a.GetRect();
    const int cx = f.left + (f.Width() - 400) / 2 + 200;
    EXPECT_GT(DarkOnLine({cx, f.top - 100 - 500}, {cx, f.top - 100 - 900}, true), 5);
  }

  View::StdCreateCmdHandler newActor{w.Task(), ID_NEW_ACTOR, &UseCase::Actor::CreateElement};
  View::StdCreateCmdHandler newUseCase{w.Task(), ID_NEW_USECASE, &UC::CreateElement};
  View::StdCreateCmdHandler newSystem{w.Task(), ID_NEW_SYSTEM, &UseCase::System::CreateElement};
};

// A second window that opens a saved document and checks it as the first one was checked.
class Reopened : public UseCaseWindow {
 public:
  void TestBody() override {}
  void Open(const std::string& saved) {
    diagram.LoadXML(saved);
    diagram.UpdateAllViews();
    w.Pump();
    EXPECT_EQ(Saved(), saved);
    const auto systems = Live<UseCase::System>();
    ASSERT_EQ(systems.size(), 1u);
    EXPECT_EQ(systems[0]->GetUseCases().size(), 3u);
    EXPECT_EQ(Live<UseCase::Assoc>().size(), 2u);
    EXPECT_EQ(Live<UseCase::Generalization>().size(), 1u);
    EXPECT_EQ(UseCaseTest::CheckInvariants(diagram), "");
    ExpectDrawn(*systems[0], *systems[0]->GetUseCases().front(), *Live<UseCase::Actor>().front());
  }
};

TEST_F(UseCaseWindow, ASystemWithThreeUseCasesTwoActorsAndTheirRelationsIsBuiltSavedAndReopened) {
  // The system, three use cases inside it and two actors beside it: one step each.
  std::size_t steps = Steps();
  ASSERT_TRUE(Run(ID_NEW_SYSTEM, {500, 5000}));
  UseCase::System* system = Newest<UseCase::System>();
  ASSERT_NE(system, nullptr);
  EXPECT_EQ(system->GetSize(), zq::Point(5000, 7000));
  ASSERT_TRUE(Run(ID_NEW_USECASE, {1500, 4000}));
  UC* top = Newest<UC>();
  ASSERT_TRUE(Run(ID_NEW_USECASE, {1500, 1500}));
  UC* middle = Newest<UC>();
  ASSERT_TRUE(Run(ID_NEW_USECASE, {1500, -1000}));
  UC* bottom = Newest<UC>();
  ASSERT_TRUE(Run(ID_NEW_ACTOR, {9000, 4500}));
  UseCase::Actor* user = Newest<UseCase::Actor>();
  ASSERT_TRUE(Run(ID_NEW_ACTOR, {9000, 0}));
  UseCase::Actor* admin = Newest<UseCase::Actor>();
  ASSERT_TRUE(top && middle && bottom && user && admin && user != admin);
  EXPECT_EQ(Steps(), steps + 6);
  EXPECT_EQ(system->GetUseCases().size(), 3u);
  EXPECT_EQ(top->GetSystem(), system);

  // Associations from each actor's menu to a use case; one finished on an actor is not made.
  steps = Steps();
  Connect(*user, UseCase::kNewAssocCommand, Centre(user->GetRect()), Centre(top->GetRect()));
  Connect(*admin, UseCase::kNewAssocCommand, Centre(admin->GetRect()), Centre(bottom->GetRect()));
  EXPECT_EQ(Steps(), steps + 2);
  Connect(*admin, UseCase::kNewAssocCommand, Centre(admin->GetRect()), Centre(user->GetRect()));
  EXPECT_EQ(Steps(), steps + 2);
  ASSERT_EQ(Live<UseCase::Assoc>().size(), 2u);
  EXPECT_EQ(top->GetAssocEnds().size(), 1u);
  EXPECT_EQ(bottom->GetAssocEnds().size(), 1u);

  // The generalization from the middle use case to the top one, the include from the bottom one
  // to the middle one; an include finished on an actor is not made.
  Connect(*middle, UseCase::kNewGeneralizationCommand, Centre(middle->GetRect()), Centre(top->GetRect()));
  Connect(*bottom, UseCase::kNewIncludeCommand, Centre(bottom->GetRect()), Centre(middle->GetRect()));
  EXPECT_EQ(Steps(), steps + 4);
  Connect(*bottom, UseCase::kNewExtendCommand, Centre(bottom->GetRect()), Centre(admin->GetRect()));
  EXPECT_EQ(Steps(), steps + 4);
  const auto generalizations = Live<UseCase::Generalization>();
  ASSERT_EQ(generalizations.size(), 1u);
  for (Connector::IEnd* e : generalizations[0]->GetEnds())
    EXPECT_EQ(e->IsMasterEnd(), e->GetTerminal() == top);
  ASSERT_EQ(Live<Dependency::Dependency>().size(), 1u);
  EXPECT_EQ(middle->GetDependencyEnds().size(), 1u);
  EXPECT_EQ(UseCaseTest::CheckInvariants(diagram), "");
  ExpectDrawn(*system, *top, *user);

  // Saved, reopened in a second window: the same document, the same containment and drawing.
  Reopened other;
  other.Open(Saved());
  // Moving the system carries the use cases and their ends in one step.
  steps = Steps();
  Change([&](Core::Env& env) {
    Core::DeferredShiftSet set;
    system->Shift(env, nullptr, Core::ShiftVector{1000, 0, true, false}, set, false);
  });
  EXPECT_EQ(Steps(), steps + 1);
  EXPECT_NEAR(top->GetPos().x, 2500, 100);
  EXPECT_EQ(top->GetSystem(), system);
  EXPECT_EQ(UseCaseTest::CheckInvariants(diagram), "");
}

TEST_F(UseCaseWindow, AGeneralizationFinishedByAPlainClickInsideAUseCaseEndsStraightWhereAimed) {
  // A use case beside the source and one above it; each click inside the target, off its middle.
  ASSERT_TRUE(Run(ID_NEW_USECASE, {1000, 3000}));
  UC* source = Newest<UC>();
  ASSERT_TRUE(Run(ID_NEW_USECASE, {7000, 3400}));
  UC* beside = Newest<UC>();
  ASSERT_TRUE(Run(ID_NEW_USECASE, {1200, 5800}));
  UC* above = Newest<UC>();
  ASSERT_TRUE(source && beside && above && source != beside && beside != above);
  const zq::Rect s = source->GetRect(), b = beside->GetRect(), t = above->GetRect();
  ASSERT_LT(s.right, b.left);
  ASSERT_LT(s.top, t.bottom);
  struct Aim {
    UC* target;
    zq::Point start, click;
    bool level;  // a level segment (else a plumb one)
  };
  const Aim aims[] = {{beside, Centre(s), {b.left + b.Width() / 3, (s.top + s.bottom) / 2 + 150}, true},
                      {above, Centre(s), {t.left + t.Width() * 2 / 3, t.top - t.Height() / 3}, false}};
  for (const Aim& aim : aims) {
    const std::size_t steps = Steps(), count = Live<UseCase::Generalization>().size();
    ASSERT_TRUE(Menu(*source, UseCase::kNewGeneralizationCommand, aim.start));
    const zq::Point clicked = RealClick(aim.start, aim.click);
    ASSERT_TRUE(PumpUntil([&] { return !w.Task().IsBusy(); })) << "the click did not reach the window";
    EXPECT_EQ(Steps(), steps + 1);
    const auto live = Live<UseCase::Generalization>();
    ASSERT_EQ(live.size(), count + 1);
    UseCase::Generalization* g = live.back();
    ASSERT_EQ(g->GetSegmentCount(), 1u) << "one straight segment, no jog";
    Connector::IEnd* head = nullptr;
    Connector::IEnd* tail = nullptr;
    for (Connector::IEnd* e : g->GetEnds()) (e->IsMasterEnd() ? head : tail) = e;
    ASSERT_TRUE(head && tail);
    EXPECT_EQ(head->GetTerminal(), aim.target);
    EXPECT_EQ(tail->GetTerminal(), source);
    const zq::float8Point h = head->GetPosition(), f = tail->GetPosition();
    if (aim.level) {
      // Level with the click, the triangle's tip on the near side of the target, pointing right.
      EXPECT_EQ(h.y, clicked.y);
      EXPECT_EQ(f.y, clicked.y);
      EXPECT_LT(f.x, h.x);
      EXPECT_LT(h.x, clicked.x);
    } else {
      // Plumb with the click, the tip under the target, pointing up.
      EXPECT_EQ(h.x, clicked.x);
      EXPECT_EQ(f.x, clicked.x);
      EXPECT_LT(f.y, h.y);
      EXPECT_LT(h.y, clicked.y);
    }
  }
  EXPECT_EQ(UseCaseTest::CheckInvariants(diagram), "");
}

TEST_F(UseCaseWindow, ASelectedOuterSystemDoesNotTakeTheUseCasesOfTheSystemInsideIt) {
  ASSERT_TRUE(Run(ID_NEW_SYSTEM, {500, 5000}));
  UseCase::System* outer = Newest<UseCase::System>();
  Change([&](Core::Env& env) { outer->SetRect(env, zq::Rect(500, 5000, 14000, -4000)); });
  ASSERT_TRUE(Run(ID_NEW_SYSTEM, {1000, 4500}));
  UseCase::System* inner = Newest<UseCase::System>();
  ASSERT_TRUE(Run(ID_NEW_USECASE, {1500, 3000}));
  UC* u = Newest<UC>();
  ASSERT_EQ(u->GetSystem(), inner);
  Select({outer});
  Change([&](Core::Env& env) {
    Core::DeferredShiftSet set;
    u->Shift(env, nullptr, Core::ShiftVector{100, 0, true, false}, set, false);
  });
  EXPECT_EQ(u->GetSystem(), inner);
  EXPECT_EQ(UseCaseTest::CheckInvariants(diagram), "");
}

// A copy of a system pasted beside it covers the system's note and free text, and the pasted copy
// is selected while the paste's change ends: they stay with their system all the same, and deleting
// the copy (undoing the paste by hand) leaves them.
TEST_F(UseCaseWindow, ASystemPastedOverItsNoteAndFreeTextLeavesThemWithTheOriginal) {
  ASSERT_TRUE(Run(ID_NEW_SYSTEM, {500, 5000}));
  UseCase::System* s = Newest<UseCase::System>();
  HostScene::NoteAndText inside;
  Change([&](Core::Env& env) {
    s->SetRect(env, zq::Rect(500, 5000, 14500, -4000));
    inside = HostScene::AddNoteAndText(env, {5000, 2000});
  });
  HostScene::ExpectThePastedCopyLeavesNoteAndText(diagram, *s, inside);
  EXPECT_EQ(UseCaseTest::CheckInvariants(diagram), "");
}

TEST_F(UseCaseWindow, MenusOfferWhatEachElementTakes) {
  ASSERT_TRUE(Run(ID_NEW_SYSTEM, {500, 5000}));
  ASSERT_TRUE(Run(ID_NEW_USECASE, {1000, 3000}));
  ASSERT_TRUE(Run(ID_NEW_ACTOR, {9000, 3000}));
  auto* vs = dynamic_cast<UseCase::VSystem*>(Newest<UseCase::System>()->FindViewElement(*w.view));
  auto* vu = dynamic_cast<UseCase::VUseCase*>(Newest<UC>()->FindViewElement(*w.view));
  auto* va = dynamic_cast<UseCase::VActor*>(Newest<UseCase::Actor>()->FindViewElement(*w.view));
  ASSERT_TRUE(vs && vu && va);
  EXPECT_EQ(va->GetMenuId(), 129u);
  EXPECT_EQ(vu->GetMenuId(), 130u);
  EXPECT_EQ(vs->GetMenuId(), 131u);
  {
    View::CmdHandlerList handlers;
    vu->PrepareMenu(w.Task(), handlers);
    EXPECT_TRUE(w.router.IsEnabled(ID_NEW_GENERALIZATION));
    EXPECT_TRUE(w.router.IsEnabled(ID_NEW_EXTEND));
    EXPECT_TRUE(w.router.IsEnabled(ID_NEW_INCLUDE));
    EXPECT_FALSE(w.router.IsEnabled(ID_NEW_USECASEASSOC));
  }
  {
    View::CmdHandlerList handlers;
    va->PrepareMenu(w.Task(), handlers);
    EXPECT_TRUE(w.router.IsEnabled(ID_NEW_USECASEASSOC));
  }
  // A use case made from the system's menu lies in the system.
  ASSERT_TRUE(Menu(*Newest<UseCase::System>(), ID_NEW_USECASE, {1000, 0}));
  EXPECT_EQ(Newest<UC>()->GetSystem(), Newest<UseCase::System>());
}

// Drags by mouse through the view's own drop target, with OLE for the test's thread.
class SystemDrag : public UseCaseWindow {
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
  std::unique_ptr<View::DropTargetRegistration> registration;
};

// A system dragged by its frame carries the use case inside it, whose association end follows; the
// actor outside stays; one undo step brings everything back.
TEST_F(SystemDrag, ASystemDraggedByItsFrameCarriesItsUseCasesInOneStep) {
  ASSERT_TRUE(Run(ID_NEW_SYSTEM, {500, 5000}));
  UseCase::System* system = Newest<UseCase::System>();
  ASSERT_TRUE(Run(ID_NEW_USECASE, {1500, 3000}));
  UC* inside = Newest<UC>();
  ASSERT_TRUE(Run(ID_NEW_ACTOR, {9000, 3500}));
  UseCase::Actor* actor = Newest<UseCase::Actor>();
  ASSERT_TRUE(system && inside && actor);
  Connect(*actor, UseCase::kNewAssocCommand, Centre(actor->GetRect()), Centre(inside->GetRect()));
  ASSERT_EQ(inside->GetAssocEnds().size(), 1u);
  const zq::Rect frame = system->GetRect(), useCase = inside->GetRect(), figure = actor->GetRect();
  const zq::float8Point end = inside->GetAssocEnds().front()->GetPosition();
  const std::string before = Saved();

  const std::size_t steps = Steps();
  const zq::Point grab{frame.left, (frame.top + frame.bottom) / 2};
  w.Mouse(WM_MOUSEMOVE, w.At(grab));
  ViewTest::DragThrough(w, registration->Get(), grab, {grab.x + 2000, grab.y - 1000});
  EXPECT_FALSE(w.Task().IsBusy());
  EXPECT_EQ(Steps(), steps + 1);
  // The pointer's pixels round the shift; the use case takes exactly the system's.
  const zq::Point shift{system->GetPos().x - frame.left, system->GetPos().y - frame.top};
  EXPECT_NEAR(shift.x, 2000, 100);
  EXPECT_NEAR(shift.y, -1000, 100);
  EXPECT_EQ(inside->GetRect(), zq::Rect::FromPosSize({useCase.left + shift.x, useCase.top + shift.y},
                                                     useCase.Width(), useCase.Height()));
  EXPECT_EQ(inside->GetSystem(), system);
  EXPECT_EQ(actor->GetRect(), figure);
  EXPECT_NE(inside->GetAssocEnds().front()->GetPosition(), end);
  EXPECT_EQ(UseCaseTest::CheckInvariants(diagram), "");

  w.Undo();
  EXPECT_EQ(system->GetRect(), frame);
  EXPECT_EQ(inside->GetRect(), useCase);
  EXPECT_EQ(Saved(), before);
}

// The stick figure's frame: the margins of a roomy actor, and a small one (at its minimum size, or
// smaller as a stored file may give it) whose figure stays upright inside its box.
TEST(ActorFigure, TheFrameKeepsItsMarginsAndNeverTurnsOver) {
  EXPECT_EQ(UseCase::ActorFigureFrame({0, 0}, {1000, 2000}), zq::Rect(200, -100, 800, -1900));
  EXPECT_EQ(UseCase::ActorFigureFrame({100, 50}, {1100, 1400}), zq::Rect(300, -50, 1000, -1250));
  for (const zq::Point size : {zq::Point(300, 300), zq::Point(300, 1400), zq::Point(1100, 150), zq::Point(4, 4)}) {
    const zq::Point pos{500, -500};
    const zq::Rect frame = UseCase::ActorFigureFrame(pos, size);
    EXPECT_LT(frame.left, frame.right) << size.x << " x " << size.y;
    EXPECT_GT(frame.top, frame.bottom) << size.x << " x " << size.y;
    EXPECT_TRUE(frame.left >= pos.x && frame.right <= pos.x + size.x && frame.top <= pos.y &&
                frame.bottom >= pos.y - size.y)
        << size.x << " x " << size.y;
  }
}

}  // namespace
