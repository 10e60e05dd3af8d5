// Classes in a view, driven by messages: created by the background command at the clicked point,
// named by typing, given compartments that are filled by typing, resized by a handle, made
// abstract; each gesture one undo step, the box drawn where the model says, and the whole saved
// and read back the same.
#include <gtest/gtest.h>

#include <functional>
#include <sstream>

#include "app/Commands.h"
#include "app/winutil/Input.h"
#include "app/winutil/Window.h"
#include "core/DefaultGrid.h"
#include "core/Diagram.h"
#include "core/Selection.h"
#include "core/Transaction.h"
#include "core/UndoHandler.h"
#include "drawing/DrawingKernel.h"
#include "elements/class/win/ClassViews.h"
#include "elements/note/win/Views.h"
#include "text/free/FreeText.h"
#include "view/connector/win/Commands.h"
#include "resources/resource.h"
#include "style/Model.h"
#include "text/edit/TextView.h"
#include "text/win/UniscribeSetup.h"
#include "view/DefaultTask.h"

namespace {

Core::FactoryRegistry& Registry() {
  static Core::FactoryRegistry registry = [] {
    Core::FactoryRegistry r;
    Class::Class::Factory().ReportTo(r);
    Class::Compartment::Factory().ReportTo(r);
    Class::TemplateParameters::Factory().ReportTo(r);
    Dependency::ReportDependencyFactories(r);
    Note::ReportNoteFactories(r);
    Text::FreeText::Factory().ReportTo(r);
    Text::Anchor::Factory().ReportTo(r);
    TextBlock::Text::Factory().ReportTo(r);
    Style::Style::Factory().ReportTo(r);
    return r;
  }();
  return registry;
}

// The background's class command, as the editor's dock gives it.
class Dock : public View::ICmdHandlerDockCreator {
 public:
  std::unique_ptr<View::ICmdHandlerDock> CreateDock(View::IDefaultTask& task) override {
    auto list = std::make_unique<View::CmdHandlerList>();
    list->Add(std::make_unique<View::StdCreateCmdHandler>(task, ID_NEW_CLASS, &Class::Class::CreateElement));
    return list;
  }
};

class ClassWindow {
 public:
  static constexpr int kW = 800, kH = 600;
  ClassWindow() : diagram(Registry(), nullptr, nullptr, &View::DefaultGrid::Instance()) {
    TextBlock::InstallUniscribeMeasurer();
    TextBlock::RegisterTextViews();
    Class::RegisterClassViews();
    Note::RegisterNoteViews();
    static WinUtil::WindowClass cls(L"QuorvelClassTestWindow", nullptr, nullptr, CS_DBLCLKS,
                                    reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1), LoadCursorW(nullptr, IDC_ARROW));
    hwnd = window.Create(cls, L"Class test", WS_POPUP | WS_VISIBLE, 0, 0, 0, kW, kH);
    HWND hBar = CreateWindowExW(0, L"SCROLLBAR", nullptr, WS_CHILD | SBS_HORZ, 0, 0, 10, 10, hwnd, nullptr, nullptr, nullptr);
    HWND vBar = CreateWindowExW(0, L"SCROLLBAR", nullptr, WS_CHILD | SBS_VERT, 0, 0, 10, 10, hwnd, nullptr, nullptr, nullptr);
    canvas = DrawingKernel::CreateScreenCanvas(hwnd, hBar, vBar);
    mouse = std::make_unique<WinUtil::MouseInputControl>(hwnd);
    View::DiagramViewSetup setup;
    setup.canvas = canvas.get();
    setup.commander = &router;
    setup.window = &window;
    setup.mouse = mouse.get();
    view = std::make_unique<View::DiagramView>(diagram, setup, &dock);
    view->SetActive(true);
    canvas->ScrollPointTo({0, 10000}, {0, 0});
    SetForegroundWindow(hwnd);
    SetFocus(hwnd);
    UpdateWindow(hwnd);
    Pump();
  }
  ~ClassWindow() {
    view.reset();
    canvas.reset();
    window.Destroy();
    Pump();
  }
  POINT At(const zq::Point& p) const {
    const zq::Point c = zq::RoundPoint(canvas->LogicalToClient(zq::float8Point(p)));
    return POINT{c.x, c.y};
  }
  void Post(UINT message, WPARAM wParam, POINT at) {
    PostMessageW(hwnd, message, wParam, MAKELPARAM(at.x, at.y));
    Pump();
  }
  void Click(POINT at) {
    Post(WM_LBUTTONDOWN, MK_LBUTTON, at);
    Post(WM_LBUTTONUP, 0, at);
  }
  void Type(std::u16string_view units) {
    for (char16_t u : units) PostMessageW(hwnd, WM_CHAR, u, 1);
    Pump();
  }
  void Escape() {
    PostMessageW(hwnd, WM_KEYDOWN, VK_ESCAPE, 1);
    PostMessageW(hwnd, WM_KEYUP, VK_ESCAPE, 0xC0000001);
    Pump();
  }
  void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  void Undo() {
    {
      Core::SelectionTracker tracker(view.get());
      diagram.GetUndoHandler().Undo(view.get(), &tracker);
    }
    diagram.UpdateAllViews();
  }
  void Redo() {
    {
      Core::SelectionTracker tracker(view.get());
      diagram.GetUndoHandler().Redo(view.get(), &tracker);
    }
    diagram.UpdateAllViews();
  }
  View::DefaultTask& Task() const { return dynamic_cast<View::DefaultTask&>(view->GetTaskHost()); }
  std::size_t Steps() { return diagram.GetUndoHandler().GetUndoCount(); }
  // Runs a command of the class menu as the menu would.
  bool Menu(Class::Class& c, Class::Compartment* on, UINT id) {
    View::CmdHandlerList handlers;
    Class::CreateCmdHandlers(c, Task(), handlers, on);
    const bool ran = router.Execute({id, 0, nullptr});
    Pump();
    return ran;
  }
  // Dark pixels on the model line from a to b (one pixel wide), after a repaint.
  int DarkOnLine(zq::Point a, zq::Point b) {
    view->ProcessUpdates();
    canvas->Update();
    UpdateWindow(hwnd);
    const POINT p = At(a), q = At(b);
    HDC dc = GetDC(hwnd);
    int dark = 0;
    const int n = std::max(std::abs(q.x - p.x), std::abs(q.y - p.y));
    for (int i = 0; i <= n; ++i) {
      const int x = p.x + (q.x - p.x) * i / std::max(n, 1), y = p.y + (q.y - p.y) * i / std::max(n, 1);
      const COLORREF c = GetPixel(dc, x, y);
      if (c != CLR_INVALID && GetRValue(c) + GetGValue(c) + GetBValue(c) < 300) ++dark;
    }
    ReleaseDC(hwnd, dc);
    return dark;
  }
  std::string Save() const {
    std::ostringstream out;
    diagram.SaveXML(out);
    return out.str();
  }

  // Runs the change as one undo step and redraws.
  void Change(const std::function<void(Core::Env&)>& f) {
    Core::Transaction t(diagram, view.get());
    Core::Env env(t);
    f(env);
    diagram.GetUndoHandler().Add(env.Close(), nullptr, nullptr, false);
    diagram.UpdateAllViews();
    Pump();
  }
  // Runs the command as a context menu opened at the model point does.
  bool Run(UINT command, zq::Point at) {
    Task().SetLastMousePoint(at);
    const bool ran = router.Execute({command, 0, nullptr});
    Pump();
    return ran;
  }

  Core::Diagram diagram;
  WinUtil::Window window;
  HWND hwnd = nullptr;
  std::unique_ptr<ICanvas::IScreenCanvas> canvas;
  Application::CommandRouter router;
  std::unique_ptr<WinUtil::MouseInputControl> mouse;
  Dock dock;
  std::unique_ptr<View::DiagramView> view;
};

template <class T>
std::vector<T*> All(const Core::Diagram& diagram) {
  std::vector<T*> out;
  for (const auto& e : diagram.Elements())
    if (auto* t = dynamic_cast<T*>(e.get()); t && !e->IsDeleted()) out.push_back(t);
  return out;
}

// Creates a class at the model point through the background command.
Class::Class* CreateAt(ClassWindow& w, zq::Point at) {
  w.Click(w.At(at));
  EXPECT_TRUE(w.router.Execute({ID_NEW_CLASS, 0, nullptr}));
  w.Pump();
  const auto classes = All<Class::Class>(w.diagram);
  return classes.empty() ? nullptr : classes.back();
}

TEST(ClassView, CreatedAtTheClickNamedByTypingAndDrawnAsOneStepEach) {
  ClassWindow w;
  const std::size_t steps = w.Steps();
  Class::Class* c = CreateAt(w, {2000, 8000});
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->GetPos(), View::DefaultGrid::Instance().SnapPoint(w.Task().GetLastMousePoint()));
  EXPECT_EQ(c->GetName(), L"<name?>");
  EXPECT_TRUE(c->IsSelectedInView(*w.view));
  EXPECT_EQ(w.Steps(), steps + 1);
  const zq::Rect r = c->GetRect();
  EXPECT_GT(w.DarkOnLine({r.left, r.top}, {r.right, r.top}), 10);
  // Typing on the selected class edits its name in place; the box grows with it.
  w.Type(u"XXXXXXXXXXXXXXXXXXXXXXXXX");
  ASSERT_TRUE(w.Task().IsBusy());
  w.Escape();
  EXPECT_EQ(c->GetName(), L"<name?>XXXXXXXXXXXXXXXXXXXXXXXXX");
  EXPECT_GT(c->GetSize().x, r.Width());
  EXPECT_EQ(w.Steps(), steps + 2);
  const zq::Rect wide = c->GetRect();
  EXPECT_GT(w.DarkOnLine({wide.right, wide.top - 50}, {wide.right, wide.bottom + 50}), 3);
  w.Undo();
  EXPECT_EQ(c->GetName(), L"<name?>");
  EXPECT_EQ(c->GetRect(), r);
  w.Undo();
  EXPECT_TRUE(All<Class::Class>(w.diagram).empty());
}

TEST(ClassView, CompartmentsAddedFilledResizedAbstractSavedAndReadBack) {
  ClassWindow w;
  Class::Class* c = CreateAt(w, {2000, 8000});
  ASSERT_NE(c, nullptr);
  std::size_t steps = w.Steps();
  // Two compartments from the class menu, each selected alone when made.
  ASSERT_TRUE(w.Menu(*c, nullptr, ID_NEW_COMPARTMENT));
  ASSERT_EQ(c->GetCompartmentCount(), 1);
  Class::Compartment* first = c->GetFirstCompartment();
  EXPECT_TRUE(first->IsSelectedInView(*w.view));
  EXPECT_FALSE(c->IsSelectedInView(*w.view));
  ASSERT_TRUE(w.Menu(*c, nullptr, ID_NEW_COMPARTMENT));
  Class::Compartment* second = c->GetCompartment(1);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(w.Steps(), steps + 2);
  // Opened on the first compartment, the new one goes between.
  ASSERT_TRUE(w.Menu(*c, first, ID_NEW_COMPARTMENT));
  EXPECT_EQ(c->IndexOfCompartment(*second), 2);
  w.Undo();
  EXPECT_EQ(c->GetCompartmentCount(), 2);
  // Typing into the selected compartment fills it; more lines make the box taller.
  second->SelectInView(*w.view, true);
  const zq::Point before = c->GetSize();
  w.Type(u"\r+area(): double\r+move()");
  w.Escape();
  EXPECT_EQ(second->GetName(), L"<text?>\n+area(): double\n+move()");
  EXPECT_GT(c->GetSize().y, before.y);
  EXPECT_EQ(second->GetPos().y - second->GetSize().y, c->GetRect().bottom);
  EXPECT_GT(w.DarkOnLine({c->GetPos().x + 10, second->GetPos().y}, {c->GetRect().right - 10, second->GetPos().y}), 10);
  steps = w.Steps();
  // The east handle dragged to the right widens the class and its compartments as one step.
  c->SelectInView(*w.view, true);
  second->SelectInView(*w.view, false);
  w.view->ProcessUpdates();
  const zq::Rect r = c->GetRect();
  View::DefaultTask::SetDragDetector([](HWND, int, int, int) { return true; });
  w.Post(WM_LBUTTONDOWN, MK_LBUTTON, w.At({r.right, (r.top + r.bottom) / 2}));
  w.Post(WM_MOUSEMOVE, MK_LBUTTON, w.At({r.right + 1500, (r.top + r.bottom) / 2}));
  w.Post(WM_LBUTTONUP, 0, w.At({r.right + 1500, (r.top + r.bottom) / 2}));
  View::DefaultTask::SetDragDetector({});
  EXPECT_NEAR(c->GetRect().right, r.right + 1500, 100);
  EXPECT_EQ(c->GetPos(), r.TopLeft());
  EXPECT_EQ(first->GetSize().x, c->GetSize().x);
  EXPECT_EQ(second->GetSize().x, c->GetSize().x);
  EXPECT_EQ(w.Steps(), steps + 1);
  // "Abstract" from the menu: checked, one step, undone.
  ASSERT_TRUE(w.Menu(*c, nullptr, ID_CLASS_ABSTRACT));
  EXPECT_TRUE(c->IsAbstract());
  EXPECT_EQ(w.Steps(), steps + 2);
  // Saved and read back into a second window: the same document.
  const std::string saved = w.Save();
  ClassWindow other;
  other.diagram.LoadXML(saved);
  other.diagram.UpdateAllViews();
  EXPECT_EQ(other.Save(), saved);
  const auto read = All<Class::Class>(other.diagram);
  ASSERT_EQ(read.size(), 1u);
  EXPECT_EQ(read[0]->GetCompartmentCount(), 2);
  EXPECT_TRUE(read[0]->IsAbstract());
  w.Undo();
  EXPECT_FALSE(c->IsAbstract());
  w.Undo();
  EXPECT_EQ(c->GetRect(), r);
}

TEST(ClassView, TemplateAddsTheBoxOnTheCornerWhereTheOutlineLeavesAGap) {
  ClassWindow w;
  Class::Class* c = CreateAt(w, {2000, 8000});
  ASSERT_NE(c, nullptr);
  const zq::Rect r = c->GetRect();
  const std::size_t steps = w.Steps();
  ASSERT_TRUE(w.Menu(*c, nullptr, ID_CLASS_TEMPLATE));
  Class::TemplateParameters* box = c->GetTemplateParameters();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(w.Steps(), steps + 1);
  EXPECT_TRUE(box->IsSelectedInView(*w.view));
  EXPECT_FALSE(c->IsSelectedInView(*w.view));
  const zq::Rect t = box->GetRect();
  EXPECT_EQ(t.right, r.right + 100);
  EXPECT_EQ(t.bottom, r.top - 100);
  // The class's top edge is drawn up to the box and not under it; the box's top edge is dashed.
  w.view->ClearSelection(nullptr);
  EXPECT_GT(w.DarkOnLine({r.left + 50, r.top}, {t.left - 50, r.top}), 5);
  EXPECT_EQ(w.DarkOnLine({t.left + 50, r.top}, {r.right - 50, r.top}), 0);
  const int dashed = w.DarkOnLine({t.left + 20, t.top}, {t.right - 20, t.top});
  const int solid = w.DarkOnLine({r.left + 20, r.bottom}, {r.left + 20 + t.Width() - 40, r.bottom});
  EXPECT_GT(dashed, 2);
  EXPECT_LT(dashed, solid);
  // Typing on the selected box edits its parameters.
  box->SelectInView(*w.view, true);
  w.Type(u"T");
  w.Escape();
  EXPECT_EQ(box->GetName(), L"T");
  // Again: the box goes, as one step.
  ASSERT_TRUE(w.Menu(*c, nullptr, ID_CLASS_TEMPLATE));
  EXPECT_EQ(c->GetTemplateParameters(), nullptr);
  EXPECT_TRUE(box->IsDeleted());
  w.Undo();
  EXPECT_EQ(c->GetTemplateParameters(), box);
  EXPECT_EQ(box->GetName(), L"T");
}

TEST(ClassView, ADependencyAndANoteConnectorDrawnOntoClassesAreOneStepEachAndSavedWithTheirParties) {
  ClassWindow w;
  Class::Class *a = nullptr, *b = nullptr;
  Note::Note* note = nullptr;
  w.Change([&](Core::Env& env) {
    a = Class::Class::Create(env, {1000, 8000}).get();
    b = Class::Class::Create(env, {9000, 8000}).get();
    note = Note::Note::Create(env, {1000, 3000}).get();
  });
  const std::int32_t y = (a->GetRect().top + a->GetRect().bottom) / 2;
  // "New &Dependency" from the class menu of a, then a click on b.
  std::size_t steps = w.Steps();
  {
    View::CmdHandlerList handlers;
    Class::CreateCmdHandlers(*a, w.Task(), handlers, nullptr);
    ASSERT_TRUE(w.Run(ID_NEW_DEPENDENCY, {a->GetRect().right - 200, y}));
    w.Click(w.At({b->GetRect().left + 200, y}));
  }
  ASSERT_FALSE(w.Task().IsBusy());
  EXPECT_EQ(w.Steps(), steps + 1);
  const auto dependencies = All<Dependency::Dependency>(w.diagram);
  ASSERT_EQ(dependencies.size(), 1u);
  Dependency::Dependency* d = dependencies.front();
  std::vector<Core::IModelElement*> parties;
  for (Connector::IEnd* e : d->GetEnds()) parties.push_back(e->GetTerminal());
  EXPECT_EQ(parties, (std::vector<Core::IModelElement*>{a, b}));
  for (Connector::IEnd* e : d->GetEnds()) {
    const zq::Rect r = dynamic_cast<Class::Class*>(e->GetTerminal())->GetRect();
    const zq::float8Point p = e->GetPosition();
    EXPECT_TRUE(p.x == r.left || p.x == r.right || p.y == r.top || p.y == r.bottom) << p.x << " " << p.y;
  }
  // "New C&onnector" from the note, then a click on b.
  steps = w.Steps();
  {
    Connector::CreateConnectorCmdHandler connect(w.Task(), Note::kNewConnectorCommand, Note::NoteConnector::PartFactory());
    ASSERT_TRUE(w.Run(Note::kNewConnectorCommand, {note->GetRect().right - 200, note->GetRect().top - 300}));
    w.Click(w.At({b->GetRect().right - 150, (b->GetRect().top + b->GetRect().bottom) / 2}));
  }
  ASSERT_FALSE(w.Task().IsBusy());
  EXPECT_EQ(w.Steps(), steps + 1);
  const auto connectors = All<Note::NoteConnector>(w.diagram);
  ASSERT_EQ(connectors.size(), 1u);
  EXPECT_EQ(connectors.front()->GetEnds().front()->GetTerminal(), note);
  EXPECT_EQ(connectors.front()->GetEnds().back()->GetTerminal(), b);
  // The saved document names the classes as the ends' parties and reads back the same.
  const std::string saved = w.Save();
  const std::string bId = "Party=\"r" + std::to_string(b->GetObjectId()) + "\"";
  std::size_t named = 0;
  for (std::size_t at = saved.find(bId); at != std::string::npos; at = saved.find(bId, at + 1)) ++named;
  EXPECT_EQ(named, 2u) << saved;
  ClassWindow other;
  other.diagram.LoadXML(saved);
  other.diagram.UpdateAllViews();
  EXPECT_EQ(other.Save(), saved);
  // Each gesture undoes on its own.
  w.Undo();
  EXPECT_TRUE(All<Note::NoteConnector>(w.diagram).empty());
  EXPECT_EQ(All<Dependency::Dependency>(w.diagram).size(), 1u);
  w.Undo();
  EXPECT_TRUE(All<Dependency::Dependency>(w.diagram).empty());
}

}  // namespace
