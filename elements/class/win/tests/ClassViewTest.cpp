// Classes in a view, driven by messages: created by the background command at the clicked point,
// named by typing, given compartments that are filled by typing, resized by a handle, made
// abstract; each gesture one undo step, the box drawn where the model says, and the whole saved
// and read back the same.
#include "elements/class/win/tests/ClassWindow.h"

#include "view/connector/win/Commands.h"

namespace {

using ClassViewTest::ClassWindow;

TEST_F(ClassWindow, CreatedAtTheClickNamedByTypingAndDrawnAsOneStepEach) {
  const std::size_t steps = Steps();
  Class::Class* c = CreateAt({2000, 8000});
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->GetPos(), View::DefaultGrid::Instance().SnapPoint(w.Task().GetLastMousePoint()));
  EXPECT_EQ(c->GetName(), L"<name?>");
  EXPECT_TRUE(c->IsSelectedInView(*w.view));
  EXPECT_EQ(Steps(), steps + 1);
  const zq::Rect r = c->GetRect();
  EXPECT_GT(DarkOnLine({r.left, r.top}, {r.right, r.top}), 10);
  // Typing on the selected class names it in place, over "<name?>"; the box grows with it.
  Type(u"XXXXXXXXXXXXXXXXXXXXXXXXX");
  ASSERT_TRUE(w.Task().IsBusy());
  Escape();
  EXPECT_EQ(c->GetName(), L"XXXXXXXXXXXXXXXXXXXXXXXXX");
  EXPECT_GT(c->GetSize().x, r.Width());
  EXPECT_EQ(Steps(), steps + 2);
  const zq::Rect wide = c->GetRect();
  EXPECT_GT(DarkOnLine({wide.right, wide.top - 50}, {wide.right, wide.bottom + 50}), 3);
  w.Undo();
  EXPECT_EQ(c->GetName(), L"<name?>");
  EXPECT_EQ(c->GetRect(), r);
  w.Undo();
  EXPECT_TRUE(Live<Class::Class>().empty());
}

TEST_F(ClassWindow, CompartmentsAddedFilledResizedAbstractSavedAndReadBack) {
  Class::Class* c = CreateAt({2000, 8000});
  ASSERT_NE(c, nullptr);
  std::size_t steps = Steps();
  // Two compartments from the class menu, each selected alone when made.
  ASSERT_TRUE(Menu(*c, ID_NEW_COMPARTMENT, c->GetPos()));
  ASSERT_EQ(c->GetCompartmentCount(), 1);
  Class::Compartment* first = c->GetFirstCompartment();
  EXPECT_TRUE(first->IsSelectedInView(*w.view));
  EXPECT_FALSE(c->IsSelectedInView(*w.view));
  ASSERT_TRUE(Menu(*c, ID_NEW_COMPARTMENT, c->GetPos()));
  Class::Compartment* second = c->GetCompartment(1);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(Steps(), steps + 2);
  // Opened on the first compartment, the new one goes between.
  ASSERT_TRUE(Menu(*first, ID_NEW_COMPARTMENT, first->GetPos()));
  EXPECT_EQ(c->IndexOfCompartment(*second), 2);
  w.Undo();
  EXPECT_EQ(c->GetCompartmentCount(), 2);
  // Typing into the selected compartment fills it; more lines make the box taller.
  Select({second});
  const zq::Point before = c->GetSize();
  Type(u"\r+area(): double\r+move()");
  Escape();
  EXPECT_EQ(second->GetName(), L"<text?>\n+area(): double\n+move()");
  EXPECT_GT(c->GetSize().y, before.y);
  EXPECT_EQ(second->GetPos().y - second->GetSize().y, c->GetRect().bottom);
  EXPECT_GT(DarkOnLine({c->GetPos().x + 10, second->GetPos().y}, {c->GetRect().right - 10, second->GetPos().y}), 10);
  steps = Steps();
  // The east handle dragged to the right widens the class and its compartments as one step.
  Select({c});
  w.view->ProcessUpdates();
  const zq::Rect r = c->GetRect();
  const std::int32_t middle = (r.top + r.bottom) / 2;
  Drag({r.right, middle}, {{r.right + 1500, middle}});
  EXPECT_NEAR(c->GetRect().right, r.right + 1500, 100);
  EXPECT_EQ(c->GetPos(), r.TopLeft());
  EXPECT_EQ(first->GetSize().x, c->GetSize().x);
  EXPECT_EQ(second->GetSize().x, c->GetSize().x);
  EXPECT_EQ(Steps(), steps + 1);
  // "Abstract" from the menu: checked, one step, undone.
  ASSERT_TRUE(Menu(*c, ID_CLASS_ABSTRACT, c->GetPos()));
  EXPECT_TRUE(c->IsAbstract());
  EXPECT_EQ(CheckAfter(ID_CLASS_ABSTRACT), 1);
  EXPECT_EQ(Steps(), steps + 2);
  // Saved and read back into a second window: the same document.
  const std::string saved = Saved();
  Core::Diagram reopened(ClassTest::Registry(), nullptr, nullptr, &View::DefaultGrid::Instance());
  ViewTest::ViewWindow other(&reopened);
  reopened.LoadXML(saved);
  reopened.UpdateAllViews();
  EXPECT_EQ(Saved(reopened), saved);
  std::vector<Class::Class*> read;
  for (const auto& e : reopened.Elements())
    if (auto* k = dynamic_cast<Class::Class*>(e.get())) read.push_back(k);
  ASSERT_EQ(read.size(), 1u);
  EXPECT_EQ(read[0]->GetCompartmentCount(), 2);
  EXPECT_TRUE(read[0]->IsAbstract());
  w.Undo();
  EXPECT_FALSE(c->IsAbstract());
  w.Undo();
  EXPECT_EQ(c->GetRect(), r);
}

// The north handle of a compartment dragged up while two classes and all their compartments are
// selected: the compartment and its class grow upwards as one step; the class's other compartment
// and the other class with its compartment keep their places and sizes.
TEST_F(ClassWindow, ACompartmentsHandleTakesNoOtherSelectedCompartmentAlong) {
  Class::Class *a = nullptr, *b = nullptr;
  Class::Compartment *upper = nullptr, *lower = nullptr, *other = nullptr;
  Change([&](Core::Env& env) {
    a = Class::Class::Create(env, {1000, 8000}).get();
    b = Class::Class::Create(env, {8000, 8000}).get();
    for (auto [owner, made] : {std::pair{a, &upper}, std::pair{a, &lower}, std::pair{b, &other}}) {
      auto k = Class::Compartment::Create(env, {0, 0});
      owner->InsertCompartment(env, *k, nullptr, false);
      *made = k.get();
    }
  });
  const zq::Rect ra = a->GetRect(), ku = upper->GetRect(), kl = lower->GetRect(), rb = b->GetRect(),
                 ko = other->GetRect();
  Select({a, upper, lower, b, other});
  w.view->ProcessUpdates();
  const std::size_t steps = Steps();
  const std::int32_t middle = (ku.left + ku.right) / 2;
  Drag({middle, ku.top}, {{middle, ku.top + 500}, {middle, ku.top + 1000}});
  EXPECT_EQ(upper->GetRect(), zq::Rect(ku.left, ku.top + 1000, ku.right, ku.bottom));
  EXPECT_EQ(a->GetRect(), zq::Rect(ra.left, ra.top + 1000, ra.right, ra.bottom));
  EXPECT_EQ(lower->GetRect(), kl);
  EXPECT_EQ(b->GetRect(), rb);
  EXPECT_EQ(other->GetRect(), ko);
  EXPECT_EQ(Steps(), steps + 1);
}

// The handles of a selected compartment: the selected picture inside a class, the warning picture
// for a compartment without one, the hidden-selection picture in a view that does not show it.
TEST_F(ClassWindow, CompartmentHandlesShowWhetherTheCompartmentHasAClass) {
  Class::Class* c = nullptr;
  Class::Compartment *inside = nullptr, *free = nullptr;
  Change([&](Core::Env& env) {
    c = Class::Class::Create(env, {1000, 8000}).get();
    auto k = Class::Compartment::Create(env, {0, 0});
    c->InsertCompartment(env, *k, nullptr, false);
    inside = k.get();
    free = Class::Compartment::Create(env, {6000, 5000}).get();
  });
  ASSERT_FALSE(free->HasOwner());
  const auto corners = [](const Class::Compartment& k) {
    const zq::Rect r = k.GetRect();
    return std::vector<zq::Point>{{r.right, r.top}, {r.right, (r.top + r.bottom) / 2}, {r.left, r.bottom}};
  };
  Select({inside});
  for (const zq::Point& p : corners(*inside)) {
    EXPECT_GT(Around(p, ViewTest::IsSelectedGreen), 3) << p.x << " " << p.y;
    EXPECT_EQ(Around(p, ViewTest::IsWarningRed), 0) << p.x << " " << p.y;
  }
  Select({free});
  for (const zq::Point& p : corners(*free)) {
    EXPECT_GT(Around(p, ViewTest::IsWarningRed), 3) << p.x << " " << p.y;
    EXPECT_EQ(Around(p, ViewTest::IsSelectedGreen), 0) << p.x << " " << p.y;
  }
  // Once put into the class, the same compartment shows the selected picture.
  Change([&](Core::Env& env) { c->InsertCompartment(env, *free, inside, false); });
  Select({free});
  const zq::Point placed = corners(*free).front();
  EXPECT_GT(Around(placed, ViewTest::IsSelectedGreen), 3);
  EXPECT_EQ(Around(placed, ViewTest::IsWarningRed), 0);
  w.view->SetSelectionVisible(false);
  EXPECT_GT(Around(placed, ViewTest::IsHiddenGrey), 2);
  EXPECT_EQ(Around(placed, ViewTest::IsSelectedGreen), 0);
}

TEST_F(ClassWindow, TemplateAddsTheBoxOnTheCornerWhereTheOutlineLeavesAGap) {
  Class::Class* c = CreateAt({2000, 8000});
  ASSERT_NE(c, nullptr);
  const zq::Rect r = c->GetRect();
  const std::size_t steps = Steps();
  ASSERT_TRUE(Menu(*c, ID_CLASS_TEMPLATE, c->GetPos()));
  Class::TemplateParameters* box = c->GetTemplateParameters();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(Steps(), steps + 1);
  EXPECT_TRUE(box->IsSelectedInView(*w.view));
  EXPECT_FALSE(c->IsSelectedInView(*w.view));
  const zq::Rect t = box->GetRect();
  EXPECT_EQ(t.right, r.right + 100);
  EXPECT_EQ(t.bottom, r.top - 100);
  // The class's top edge is drawn up to the box and not under it; the box's top edge is dashed.
  w.view->ClearSelection(nullptr);
  EXPECT_GT(DarkOnLine({r.left + 50, r.top}, {t.left - 50, r.top}), 5);
  EXPECT_EQ(DarkOnLine({t.left + 50, r.top}, {r.right - 50, r.top}), 0);
  const int dashed = DarkOnLine({t.left + 20, t.top}, {t.right - 20, t.top});
  const int solid = DarkOnLine({r.left + 20, r.bottom}, {r.left + 20 + t.Width() - 40, r.bottom});
  EXPECT_GT(dashed, 2);
  EXPECT_LT(dashed, solid);
  // Typing on the selected box edits its parameters.
  Select({box});
  Type(u"T");
  Escape();
  EXPECT_EQ(box->GetName(), L"T");
  // Again: the box goes, as one step.
  ASSERT_TRUE(Menu(*c, ID_CLASS_TEMPLATE, c->GetPos()));
  EXPECT_EQ(c->GetTemplateParameters(), nullptr);
  EXPECT_TRUE(box->IsDeleted());
  w.Undo();
  EXPECT_EQ(c->GetTemplateParameters(), box);
  EXPECT_EQ(box->GetName(), L"T");
}

// A dependency drawn from one class to another with two clicks on the background on the way: each
// click fixes an elbow, every segment is level or upright, the whole is one step and reads back.
TEST_F(ClassWindow, ADependencyDrawnWithTwoElbowClicksIsOrthogonalOneStepAndReadsBack) {
  Class::Class *a = nullptr, *b = nullptr;
  Change([&](Core::Env& env) {
    a = Class::Class::Create(env, {1000, 8000}).get();
    b = Class::Class::Create(env, {9000, 3000}).get();
  });
  const zq::Rect ra = a->GetRect(), rb = b->GetRect();
  // The points as the pixels give them: the start on a, two elbows, the release inside b.
  const zq::Point start = w.Logical(w.At({ra.right - 100, (ra.top + ra.bottom) / 2}));
  const zq::Point down = w.Logical(w.At({5000, 5000}));
  const zq::Point across = w.Logical(w.At({rb.left + 500, down.y}));
  const zq::Point release = w.Logical(w.At({across.x, rb.top - 200}));
  ASSERT_EQ(across.y, down.y);
  ASSERT_EQ(release.x, across.x);
  const std::string before = Saved();
  const std::size_t steps = Steps();
  ASSERT_TRUE(Menu(*a, ID_NEW_DEPENDENCY, start));
  ASSERT_TRUE(w.Task().IsBusy());
  Click(down);
  Click(across);
  EXPECT_TRUE(w.Task().IsBusy()) << "background clicks only add elbows";
  Click(release);
  ASSERT_FALSE(w.Task().IsBusy());
  EXPECT_EQ(Steps(), steps + 1);

  Dependency::Dependency* d = OnlyDependency(*a, *b);
  ASSERT_NE(d, nullptr);
  // Down off a's bottom corner to the first elbow's row, across (the straight bend at the first
  // elbow smoothed away), down onto b's top edge.
  std::vector<zq::float8Point> joins;
  for (Connector::IJoin* j : d->GetJoins()) joins.push_back(j->GetPosition());
  const zq::float8Point from = d->GetEnds().front()->GetPosition(), to = d->GetEnds().back()->GetPosition();
  EXPECT_EQ(from, zq::float8Point(ra.right, ra.bottom));
  EXPECT_EQ(to, zq::float8Point(across.x, rb.top));
  EXPECT_EQ(joins, (std::vector<zq::float8Point>{{from.x, double(down.y)}, zq::float8Point(across)}));
  EXPECT_EQ(d->GetSegmentCount(), 3u);
  for (Connector::ISegment* s : d->GetSegmentList()) {
    Connector::ISegmentEnd *p, *q;
    ASSERT_TRUE(s->GetEnds(p, q));
    EXPECT_TRUE(GraphUtil::IsHorizontal(p->GetPoint(), q->GetPoint()) || GraphUtil::IsVertical(p->GetPoint(), q->GetPoint()));
    EXPECT_TRUE(s->IsHorizontalOrtho() || s->IsVerticalOrtho());
  }
  // Drawn dashed along the legs.
  EXPECT_GT(DarkOnLine({ra.right, down.y + 200}, {ra.right, ra.bottom - 200}, true), 3);
  EXPECT_GT(DarkOnLine({ra.right + 200, down.y}, {across.x - 200, down.y}, true), 10);

  const std::string saved = Saved();
  EXPECT_EQ(Count(saved, "<Join "), 2u) << saved;
  EXPECT_EQ(Count(saved, "<Segment "), 3u);
  EXPECT_EQ(Count(saved, "Oblique"), 0u);
  Core::Diagram reopened(ClassTest::Registry(), nullptr, nullptr, &View::DefaultGrid::Instance());
  reopened.LoadXML(saved);
  EXPECT_EQ(Saved(reopened), saved);
  w.Undo();
  EXPECT_TRUE(Live<Dependency::Dependency>().empty());
  EXPECT_EQ(Saved(), before);
}

TEST_F(ClassWindow, ADependencyAndANoteConnectorDrawnOntoClassesAreOneStepEachAndSavedWithTheirParties) {
  Class::Class *a = nullptr, *b = nullptr;
  Note::Note* note = nullptr;
  Change([&](Core::Env& env) {
    a = Class::Class::Create(env, {1000, 8000}).get();
    b = Class::Class::Create(env, {9000, 8000}).get();
    note = Note::Note::Create(env, {1000, 3000}).get();
  });
  const std::int32_t y = (a->GetRect().top + a->GetRect().bottom) / 2;
  // "New &Dependency" from the class menu of a, then a click on b.
  std::size_t steps = Steps();
  ASSERT_TRUE(Menu(*a, ID_NEW_DEPENDENCY, {a->GetRect().right - 200, y}));
  Click({b->GetRect().left + 200, y});
  ASSERT_FALSE(w.Task().IsBusy());
  EXPECT_EQ(Steps(), steps + 1);
  Dependency::Dependency* d = OnlyDependency(*a, *b);
  ASSERT_NE(d, nullptr);
  for (Connector::IEnd* e : d->GetEnds()) {
    const zq::Rect r = dynamic_cast<Class::Class*>(e->GetTerminal())->GetRect();
    const zq::float8Point p = e->GetPosition();
    EXPECT_TRUE(p.x == r.left || p.x == r.right || p.y == r.top || p.y == r.bottom) << p.x << " " << p.y;
  }
  // "New C&onnector" from the note, then a click on b.
  steps = Steps();
  {
    Connector::CreateConnectorCmdHandler connect(w.Task(), Note::kNewConnectorCommand, Note::NoteConnector::PartFactory());
    ASSERT_TRUE(Run(Note::kNewConnectorCommand, {note->GetRect().right - 200, note->GetRect().top - 300}));
    Click({b->GetRect().right - 150, (b->GetRect().top + b->GetRect().bottom) / 2});
  }
  ASSERT_FALSE(w.Task().IsBusy());
  EXPECT_EQ(Steps(), steps + 1);
  const auto connectors = Live<Note::NoteConnector>();
  ASSERT_EQ(connectors.size(), 1u);
  EXPECT_EQ(connectors.front()->GetEnds().front()->GetTerminal(), note);
  EXPECT_EQ(connectors.front()->GetEnds().back()->GetTerminal(), b);
  // The saved document names the classes as the ends' parties and reads back the same.
  const std::string saved = Saved();
  EXPECT_EQ(Count(saved, "Party=\"r" + std::to_string(b->GetObjectId()) + "\""), 2u) << saved;
  Core::Diagram reopened(ClassTest::Registry(), nullptr, nullptr, &View::DefaultGrid::Instance());
  reopened.LoadXML(saved);
  EXPECT_EQ(Saved(reopened), saved);
  // Each gesture undoes on its own.
  w.Undo();
  EXPECT_TRUE(Live<Note::NoteConnector>().empty());
  EXPECT_EQ(Live<Dependency::Dependency>().size(), 1u);
  w.Undo();
  EXPECT_TRUE(Live<Dependency::Dependency>().empty());
}

// A class's handles are made when it is first selected: after a move and a resize they show at
// its new corners and edges, and none where it was.
TEST_F(ClassWindow, HandlesOfAClassSelectedAfterAMoveAndAResizeShowAtItsNewPlace) {
  Class::Class* c = nullptr;
  Change([&](Core::Env& env) { c = Class::Class::Create(env, {1000, 8000}).get(); });
  const zq::Rect old = c->GetRect();
  const zq::Rect moved{old.left + 3000, old.top - 1000, old.right + 5000, old.bottom - 2000};
  Change([&](Core::Env& env) { c->SetRect(env, moved, false); });
  ASSERT_EQ(c->GetRect(), moved);
  Click({(moved.left + moved.right) / 2, moved.top - 100});
  ASSERT_EQ(w.Selection(), (std::vector<Core::IModelElement*>{c}));
  for (unsigned id = 1; id <= 128; id <<= 1) {
    const zq::Point at = c->GetPos() + View::Resize::HandleOffset(id, c->GetSize());
    EXPECT_GT(Around(at, ViewTest::IsSelectedGreen), 3) << "handle " << id;
  }
  EXPECT_EQ(Around({old.left, old.bottom}, ViewTest::IsSelectedGreen), 0);
}

// Moved step by step by a change left open, as a drag moves it, a class is drawn at the moved place
// with its compartment's line, its name and its handles, and nothing of it stays behind; the change
// thrown away, it is drawn where it was again.
TEST_F(ClassWindow, AClassMovedStepByStepInAnOpenChangeIsDrawnWholeAtTheMovedPlace) {
  Class::Class* c = CreateAt({2000, 8000});
  ASSERT_NE(c, nullptr);
  ASSERT_TRUE(Menu(*c, ID_NEW_COMPARTMENT, c->GetPos()));
  Select({c});
  const zq::Rect r = c->GetRect(), k = c->GetFirstCompartment()->GetRect();
  const std::int32_t dx = r.Width() + 2000;
  const zq::Point name{(r.left + r.right) / 2, (r.top + k.top) / 2};
  auto left = [&](std::int32_t x) { return DarkOnLine({x, r.top - 100}, {x, r.bottom + 100}, true); };
  auto line = [&](std::int32_t x) { return DarkOnLine({x + 200, k.top}, {x + k.Width() - 200, k.top}, true); };
  auto handles = [&](std::int32_t x) {
    int shown = 0;
    for (unsigned id = 1; id <= 128; id <<= 1)
      if (Around(zq::Point{r.left + x, r.top} + View::Resize::HandleOffset(id, zq::Point{r.Width(), r.Height()}), ViewTest::IsSelectedGreen) > 3)
        ++shown;
    return shown;
  };
  auto nameInk = [&](std::int32_t x) { return DarkAround(zq::float8Point(name.x + x, name.y), 8); };
  const int drawnLeft = left(r.left), drawnLine = line(k.left), drawnName = nameInk(0);
  ASSERT_GT(drawnLeft, 20);
  ASSERT_GT(drawnLine, 20);
  ASSERT_GT(drawnName, 5);
  ASSERT_EQ(handles(0), 8);
  {
    Core::Transaction t(diagram, w.view.get());
    Core::Env env(t);
    for (std::int32_t step : {1, 2}) {
      Core::DeferredShiftSet set;
      c->Shift(env, nullptr, Core::ShiftVector{double(dx * step / 2), 0, true, true}, set, false);
      diagram.UpdateAllViews();
      const std::int32_t at = dx * step / 2;
      EXPECT_GE(left(r.left + at), drawnLeft - 2) << "step " << step;
      EXPECT_GE(line(k.left + at), drawnLine - 2) << "step " << step;
      EXPECT_GE(nameInk(at), drawnName - 2) << "step " << step;
    }
    EXPECT_EQ(handles(dx), 8);
    EXPECT_LT(left(r.left), 3) << "the left edge stayed behind";
    EXPECT_LT(line(k.left), 3) << "the compartment's line stayed behind";
    EXPECT_EQ(nameInk(0), 0) << "the name stayed behind";
    EXPECT_EQ(handles(0), 0) << "handles stayed behind";
    t.Abort();
  }
  diagram.UpdateAllViews();
  EXPECT_EQ(left(r.left), drawnLeft);
  EXPECT_EQ(line(k.left), drawnLine);
  EXPECT_EQ(nameInk(0), drawnName);
  EXPECT_EQ(handles(0), 8);
  EXPECT_LT(left(r.left + dx), 3);
  EXPECT_EQ(handles(dx), 0);
}

// Dragged, a class with a template box shows the outline around both boxes: the class's top edge up
// to the box, the box's top and right edges, the class's right edge below it, and nothing inside.
TEST_F(ClassWindow, TheDragImageOfAClassWithATemplateBoxIsTheOutlineAroundBoth) {
  Class::Class* c = CreateAt({2000, 8000});
  ASSERT_NE(c, nullptr);
  ASSERT_TRUE(Menu(*c, ID_CLASS_TEMPLATE, c->GetPos()));
  w.view->ClearSelection(nullptr);
  const zq::Rect r = c->GetRect(), t = c->GetTemplateParameters()->GetRect();
  constexpr int dx = 6000, dy = -3000;
  const ICanvas::Group image = DragImage(*c, dx, dy);
  auto at = [](std::int32_t x, std::int32_t y) { return zq::Point{x + dx, y + dy}; };
  EXPECT_GT(DarkOnLine(at(r.left + 50, r.top), at(t.left - 50, r.top), true), 5);
  EXPECT_GT(DarkOnLine(at(t.left + 50, t.top), at(t.right - 50, t.top), true), 5);
  EXPECT_GT(DarkOnLine(at(t.right, t.top - 50), at(t.right, t.bottom + 50), true), 1);
  EXPECT_GT(DarkOnLine(at(r.right, t.bottom - 50), at(r.right, r.bottom + 50), true), 5);
  EXPECT_GT(DarkOnLine(at(r.left + 50, r.bottom), at(r.right - 50, r.bottom), true), 5);
  EXPECT_EQ(DarkOnLine(at(t.left + 50, r.top), at(r.right - 50, r.top), true), 0) << "the class's top under the box";
  EXPECT_EQ(DarkOnLine(at(t.left + 50, t.bottom), at(r.right - 50, t.bottom), true), 0) << "the box's bottom";
  EXPECT_EQ(DarkOnLine(at(r.left + 50, t.top), at(t.left - 50, t.top), true), 0) << "a rectangle around both";
}

}  // namespace
