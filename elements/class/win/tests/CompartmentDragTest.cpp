// Class compartments dragged with the mouse in a view under Wine: the press and the first move are
// window messages, the drag loop is played against the view's own drop target. A compartment goes
// into the class under the pointer, before or after the compartment nearest it, or stays free on
// the background; every drag is one undo step.
#include <gtest/gtest.h>

#include <sstream>

#include "elements/class/win/ClassViews.h"
#include "elements/class/win/CompartmentDrag.h"
#include "style/Model.h"
#include "text/edit/TextView.h"
#include "text/win/UniscribeSetup.h"
#include "view/tests/TestTransfer.h"

namespace {

Core::FactoryRegistry& ClassRegistry() {
  static Core::FactoryRegistry registry = [] {
    Core::FactoryRegistry r;
    Class::Class::Factory().ReportTo(r);
    Class::Compartment::Factory().ReportTo(r);
    Class::TemplateParameters::Factory().ReportTo(r);
    TextBlock::Text::Factory().ReportTo(r);
    Style::Style::Factory().ReportTo(r);
    return r;
  }();
  return registry;
}

using Stack = std::vector<Class::Compartment*>;

class CompartmentDrag : public ViewTest::OleTest {
 protected:
  void SetUp() override {
    OleTest::SetUp();
    TextBlock::InstallUniscribeMeasurer();
    TextBlock::RegisterTextViews();
    Class::RegisterClassViews();
    w = std::make_unique<ViewTest::ViewWindow>(&diagram);
    registration = View::RegisterDropTarget(*w->view);
    Core::Transaction t(diagram, w->view.get());
    Core::Env env(t, nullptr, &View::DefaultGrid::Instance());
    a = Class::Class::Create(env, {500, 5500}).get();
    b = Class::Class::Create(env, {4500, 5500}).get();
    for (Class::Class* c : {a, a, b}) {
      auto k = Class::Compartment::Create(env, {0, 0});
      c->InsertCompartment(env, *k, nullptr, false);
    }
    diagram.GetUndoHandler().Add(env.Close(), nullptr, nullptr, false);
    diagram.UpdateAllViews();
    w->Pump();
    a1 = a->GetCompartment(0);
    a2 = a->GetCompartment(1);
    b1 = b->GetCompartment(0);
  }
  void TearDown() override {
    registration.reset();
    w.reset();
    OleTest::TearDown();
  }
  static zq::Point Middle(const Core::IResizable& box) {
    const zq::Rect r = box.GetRect();
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  }
  // Presses on the point, moves with the button held and drops at the target; the check runs while
  // the pointer is over the target.
  void Drag(const zq::Point& from, const zq::Point& to, std::function<void()> over = {}) {
    ViewTest::DragThrough(*w, registration->Get(), from, to, std::move(over));
    EXPECT_FALSE(w->Task().IsBusy());
  }
  const Compartment::OwnerMoveController* Controller() const {
    const View::PendingDrop* drop = registration->GetPendingDrop();
    return drop ? dynamic_cast<const Compartment::OwnerMoveController*>(drop->GetMoveController().get()) : nullptr;
  }
  size_t Steps() { return diagram.GetUndoHandler().GetUndoCount(); }
  std::string Saved() const {
    std::ostringstream out;
    diagram.SaveXML(out);
    return out.str();
  }
  // Whether the compartments lie stacked in their class's order, each below the one before.
  static bool LaidOut(const Class::Class& c) {
    std::int32_t top = c.GetPos().y;
    for (const Class::Compartment* k : c.Compartments()) {
      if (k->GetClass() != &c || k->GetPos().y >= top) return false;
      top = k->GetPos().y;
    }
    return true;
  }

  Core::Diagram diagram{ClassRegistry(), nullptr, nullptr, &View::DefaultGrid::Instance()};
  std::unique_ptr<ViewTest::ViewWindow> w;
  std::unique_ptr<View::DropTargetRegistration> registration;
  Class::Class *a = nullptr, *b = nullptr;
  Class::Compartment *a1 = nullptr, *a2 = nullptr, *b1 = nullptr;
};

TEST_F(CompartmentDrag, ACompartmentDroppedOnAnotherClassGoesIntoItsSlotAsOneUndoStep) {
  const size_t steps = Steps();
  const std::string before = Saved();
  const Core::IModelElement* target = nullptr;
  size_t feedback = 0;
  // Below the middle of b's only compartment: after it.
  const zq::Rect r = b1->GetRect();
  Drag(Middle(*a1), {Middle(*b1).x, r.bottom + 100}, [&] {
    ASSERT_NE(Controller(), nullptr);
    target = Controller()->GetTarget();
    feedback = Controller()->GetFeedback().Size();
  });
  EXPECT_EQ(target, b);
  EXPECT_EQ(feedback, 1u) << "the dashed line of the slot";
  EXPECT_EQ(a->Compartments(), Stack{a2});
  EXPECT_EQ(b->Compartments(), (Stack{b1, a1}));
  EXPECT_TRUE(LaidOut(*a) && LaidOut(*b));
  EXPECT_EQ(Steps(), steps + 1);
  EXPECT_EQ(a2->GetPrevious(), nullptr);

  w->Undo();
  EXPECT_EQ(a->Compartments(), (Stack{a1, a2}));
  EXPECT_EQ(b->Compartments(), Stack{b1});
  EXPECT_EQ(Saved(), before);
}

TEST_F(CompartmentDrag, ACompartmentDraggedAboveItsNeighbourReordersItsClass) {
  const zq::Rect r = a1->GetRect();
  Drag(Middle(*a2), {Middle(*a1).x, r.top - 50});
  EXPECT_EQ(a->Compartments(), (Stack{a2, a1}));
  EXPECT_EQ(a->GetFirstCompartment(), a2);
  EXPECT_TRUE(LaidOut(*a));
  w->Undo();
  EXPECT_EQ(a->Compartments(), (Stack{a1, a2}));
}

// Dragged within its own class with the mouse and dropped there, a compartment goes into the slot the
// pointer gives; the class keeps its size, its name's header and its first compartment right under
// it, the stack closes up, and each drag is one undo step (the drag detaches the compartment before
// the steps that start over, which the class's layout must not count twice).
TEST_F(CompartmentDrag, ACompartmentDroppedBackIntoItsClassKeepsTheHeaderAndTheBox) {
  struct Row {
    const char* name;
    int index;   // of the dragged compartment
    int down;    // how far the pointer goes down, in units of the dragged compartment's height (percent)
    int order;   // 12: a1 above a2, 21: a2 above a1
  };
  const Row rows[] = {
      {"the first dragged 40 px down at 200 %, past the second's middle", 0, 0, 21},
      {"the lower dragged above the upper", 1, -120, 12},
      {"the first dragged sideways", 0, 10, 12},
  };
  const std::int32_t header = a->GetPos().y - a1->GetPos().y;
  ASSERT_EQ(header, a->HeaderHeight(View::DefaultGrid::Instance()));
  const zq::Point size = a->GetSize();
  for (const Row& row : rows) {
    Class::Compartment* k = a->GetCompartment(row.index);
    // 40 pixels at 96 dpi shown at 200 % are 529 units; the other rows move by the compartment's height.
    const std::int32_t down = row.down == 0 ? 529 : k->GetSize().y * row.down / 100;
    const zq::Point from = Middle(*k);
    const size_t steps = Steps();
    const std::string before = Saved();
    Drag(from, {from.x + 300, from.y - down});
    EXPECT_EQ(a->Compartments(), row.order == 12 ? (Stack{a1, a2}) : (Stack{a2, a1})) << row.name;
    EXPECT_TRUE(LaidOut(*a)) << row.name;
    EXPECT_EQ(a->GetPos().y - a->GetFirstCompartment()->GetPos().y, header) << row.name;
    EXPECT_EQ(a->GetSize(), size) << row.name;
    EXPECT_EQ(Steps(), steps + 1) << row.name;
    w->Undo();
    EXPECT_EQ(Saved(), before) << row.name;
    w->Redo();
  }
}

TEST_F(CompartmentDrag, ACompartmentDroppedOnTheBackgroundStaysThereWithoutAClassAndIsSaved) {
  const zq::Point to{3000, 1000};
  const Core::IModelElement* target = a;
  Drag(Middle(*a1), to, [&] { target = Controller() ? Controller()->GetTarget() : a; });
  EXPECT_EQ(target, nullptr);
  EXPECT_EQ(a1->GetClass(), nullptr);
  EXPECT_EQ(a->Compartments(), Stack{a2});
  EXPECT_FALSE(a1->IsDeleted());
  // A free compartment is written on its own, outside every class: none is lost.
  const std::string saved = Saved();
  size_t written = 0;
  for (size_t at = saved.find("<Compartment"); at != std::string::npos; at = saved.find("<Compartment", at + 1)) ++written;
  EXPECT_EQ(written, 3u);
  w->Undo();
  EXPECT_EQ(a1->GetClass(), a);
  EXPECT_EQ(a->Compartments(), (Stack{a1, a2}));
}

TEST_F(CompartmentDrag, AClassDraggedWithItsCompartmentsKeepsThemAndShowsNoSlot) {
  const zq::Point from{a->GetPos().x + 200, a->GetPos().y - 200};  // in the header
  const zq::Point pos = a->GetPos();
  bool restricted = true;
  Drag(from, {from.x + 1000, from.y - 1000}, [&] { restricted = Controller() != nullptr; });
  EXPECT_FALSE(restricted);
  EXPECT_NE(a->GetPos(), pos);
  EXPECT_EQ(a->Compartments(), (Stack{a1, a2}));
  EXPECT_TRUE(LaidOut(*a));
  EXPECT_EQ(b->Compartments(), Stack{b1});
}

TEST_F(CompartmentDrag, ASelectedRunMovesFromItsTopmostMemberAndItsOldNeighboursCloseUp) {
  // A third and fourth compartment in a: the second and third, selected, are dragged to b.
  {
    Core::Transaction t(diagram, w->view.get());
    Core::Env env(t, nullptr, &View::DefaultGrid::Instance());
    for (int i = 0; i < 2; ++i) a->InsertCompartment(env, *Class::Compartment::Create(env, {0, 0}), nullptr, false);
    diagram.GetUndoHandler().Add(env.Close(), nullptr, nullptr, false);
    diagram.UpdateAllViews();
  }
  w->Pump();
  Class::Compartment* a3 = a->GetCompartment(2);
  Class::Compartment* a4 = a->GetCompartment(3);
  Core::ModelElementSet run;
  run.Insert(a2->shared_from_this());
  run.Insert(a3->shared_from_this());
  {
    Core::SelectionTracker tracker(w->view.get());
    w->view->ApplySelection(&tracker, run);
  }
  EXPECT_EQ(&Class::TopOfSelectedRun(*a3, *w->view), a2);
  const zq::Rect r = b1->GetRect();
  w->Mouse(WM_MOUSEMOVE, w->At(Middle(*a3)), 0);
  Drag(Middle(*a3), {Middle(*b1).x, r.bottom + 100});
  EXPECT_EQ(a->Compartments(), (Stack{a1, a4}));
  EXPECT_EQ(a4->GetPrevious(), a1);
  EXPECT_EQ(b->Compartments(), (Stack{b1, a2, a3}));
}

}  // namespace
