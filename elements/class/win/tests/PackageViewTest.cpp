// Generalizations and packages in a view, driven by messages: two classes sharing one triangle
// (the second drawn onto the first one's segment), a class made inside a package that becomes
// Large; each gesture one undo step, the shapes found on screen where the model puts them, and
// the whole saved, read back and saved the same.
#include <gtest/gtest.h>

#include <cmath>
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
#include "elements/class/win/GeneralizationViews.h"
#include "elements/class/win/PackageViews.h"
#include "elements/note/win/Views.h"
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
    Class::ReportGeneralizationFactories(r);
    Class::ReportPackageFactories(r);
    Dependency::ReportDependencyFactories(r);
    TextBlock::Text::Factory().ReportTo(r);
    Style::Style::Factory().ReportTo(r);
    return r;
  }();
  return registry;
}

// The background's class and package commands, as the editor's dock gives them.
class Dock : public View::ICmdHandlerDockCreator {
 public:
  std::unique_ptr<View::ICmdHandlerDock> CreateDock(View::IDefaultTask& task) override {
    auto list = std::make_unique<View::CmdHandlerList>();
    list->Add(std::make_unique<View::StdCreateCmdHandler>(task, ID_NEW_CLASS, &Class::Class::CreateElement));
    list->Add(std::make_unique<View::StdCreateCmdHandler>(task, ID_NEW_PACKAGE, &Class::Package::CreateElement));
    return list;
  }
};

class DiagramWindow {
 public:
  static constexpr int kW = 800, kH = 600;
  DiagramWindow() : diagram(Registry(), nullptr, nullptr, &View::DefaultGrid::Instance()) {
    TextBlock::InstallUniscribeMeasurer();
    TextBlock::RegisterTextViews();
    Class::RegisterClassViews();
    Class::RegisterGeneralizationViews();
    Class::RegisterPackageViews();
    Note::RegisterNoteViews();
    static WinUtil::WindowClass cls(L"QuorvelPackageTestWindow", nullptr, nullptr, CS_DBLCLKS,
                                    reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1), LoadCursorW(nullptr, IDC_ARROW));
    hwnd = window.Create(cls, L"Package test", WS_POPUP | WS_VISIBLE, 0, 0, 0, kW, kH);
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
    canvas->ScrollPointTo({0, 14000}, {0, 0});
    SetForegroundWindow(hwnd);
    SetFocus(hwnd);
    UpdateWindow(hwnd);
    Pump();
  }
  ~DiagramWindow() {
    view.reset();
    canvas.reset();
    window.Destroy();
    Pump();
  }
  POINT At(const zq::float8Point& p) const {
    const zq::Point c = zq::RoundPoint(canvas->LogicalToClient(p));
    return POINT{c.x, c.y};
  }
  void Click(const zq::float8Point& p) {
    const POINT at = At(p);
    PostMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
    PostMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
    Pump();
  }
  void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  bool Run(UINT id) {
    const bool ran = router.Execute({id, 0, nullptr});
    Pump();
    return ran;
  }
  void Undo() {
    {
      Core::SelectionTracker tracker(view.get());
      diagram.GetUndoHandler().Undo(view.get(), &tracker);
    }
    diagram.UpdateAllViews();
  }
  View::DefaultTask& Task() const { return dynamic_cast<View::DefaultTask&>(view->GetTaskHost()); }
  std::size_t Steps() { return diagram.GetUndoHandler().GetUndoCount(); }
  // Dark pixels on the model line from a to b, after a repaint.
  int DarkOnLine(zq::float8Point a, zq::float8Point b) {
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

// A class through the background command at the clicked point.
Class::Class* NewClass(DiagramWindow& w, zq::Point at) {
  w.Click(at);
  EXPECT_TRUE(w.Run(ID_NEW_CLASS));
  const auto classes = All<Class::Class>(w.diagram);
  return classes.empty() ? nullptr : classes.back();
}

zq::float8Point Middle(const zq::Rect& r) { return {(r.left + r.right) / 2.0, (r.top + r.bottom) / 2.0}; }

TEST(PackageView, TwoClassesShareOneTriangleAndAPackageHoldsAClass) {
  DiagramWindow w;
  Class::Class* shape = NewClass(w, {4000, 12000});
  Class::Class* circle = NewClass(w, {1000, 7000});
  Class::Class* square = NewClass(w, {8000, 7000});
  ASSERT_TRUE(shape && circle && square);
  std::size_t steps = w.Steps();
  // "New Generalization" from Circle, straight (Ctrl) onto Shape: one step, the triangle at Shape.
  auto generalize = [&](Class::Class& from, const zq::float8Point& onto) {
    View::CmdHandlerList handlers;
    handlers.Add(Class::CreateGeneralizationCmdHandler(w.Task()));
    w.Click(Middle(from.GetRect()));
    ASSERT_TRUE(w.Run(ID_NEW_GENERALIZATION));
    const POINT at = w.At(onto);
    PostMessageW(w.hwnd, WM_LBUTTONDOWN, MK_LBUTTON | MK_CONTROL, MAKELPARAM(at.x, at.y));
    PostMessageW(w.hwnd, WM_LBUTTONUP, MK_CONTROL, MAKELPARAM(at.x, at.y));
    w.Pump();
  };
  generalize(*circle, Middle(shape->GetRect()));
  ASSERT_EQ(All<Class::Generalization>(w.diagram).size(), 1u);
  EXPECT_EQ(w.Steps(), steps + 1);
  Class::Generalization* g = All<Class::Generalization>(w.diagram).front();
  ASSERT_EQ(g->GetEndCount(), 2u);
  Connector::IEnd* master = g->GetEnds().back();
  ASSERT_TRUE(master->IsMasterEnd());
  EXPECT_EQ(master->GetTerminal(), shape);
  // The triangle: its tip on Shape's outline, its base 350 below it; the line stops at the base.
  ASSERT_NE(master->GetSegment(), nullptr);
  const zq::float8Point tip = master->GetPoint(), other = master->GetSegment()->OtherEnd(master)->GetPoint();
  const double len = std::hypot(other.x - tip.x, other.y - tip.y);
  const zq::float8Point dir{(other.x - tip.x) / len, (other.y - tip.y) / len}, normal{-dir.y, dir.x};
  const zq::float8Point base{tip.x + 350 * dir.x, tip.y + 350 * dir.y};
  EXPECT_GE(w.DarkOnLine({base.x + 120 * normal.x, base.y + 120 * normal.y}, {base.x - 120 * normal.x, base.y - 120 * normal.y}), 6);
  EXPECT_EQ(w.DarkOnLine({tip.x + 200 * dir.x, tip.y + 200 * dir.y}, {tip.x + 320 * dir.x, tip.y + 320 * dir.y}), 0);
  // Beyond the base the segment's line is drawn.
  EXPECT_GE(w.DarkOnLine({tip.x + 500 * dir.x, tip.y + 500 * dir.y}, {tip.x + 900 * dir.x, tip.y + 900 * dir.y}), 10);

  // Square's generalization ends on that segment: still one generalization with one triangle.
  steps = w.Steps();
  Connector::ISegment* segment = g->GetSegmentList().front();
  Connector::ISegmentEnd *a, *b;
  ASSERT_TRUE(segment->GetEnds(a, b));
  generalize(*square, {(a->GetPoint().x + b->GetPoint().x) / 2, (a->GetPoint().y + b->GetPoint().y) / 2});
  ASSERT_EQ(All<Class::Generalization>(w.diagram).size(), 1u);
  EXPECT_EQ(w.Steps(), steps + 1);
  EXPECT_EQ(g->GetEndCount(), 3u);
  EXPECT_EQ(Class::CountOtherMasterEnds(g, nullptr), 1);
  EXPECT_EQ(g->GetJoinCount(), 1u);

  // A package, then a class made inside it: the package becomes Large and shows its tab.
  w.Click({12000, 13000});
  ASSERT_TRUE(w.Run(ID_NEW_PACKAGE));
  ASSERT_EQ(All<Class::Package>(w.diagram).size(), 1u);
  Class::Package* p = All<Class::Package>(w.diagram).front();
  {
    Core::Transaction t(w.diagram);
    Core::Env env(t);
    p->SetRect(env, zq::Rect::FromPosSize(p->GetPos(), 6000, 5000));
    w.diagram.GetUndoHandler().Add(env.Close(), nullptr, nullptr, false);
  }
  steps = w.Steps();
  Class::Class* inner = NewClass(w, {p->GetPos().x + 1000, p->GetPos().y - 1500});
  ASSERT_NE(inner, nullptr);
  EXPECT_EQ(w.Steps(), steps + 1);
  EXPECT_EQ(inner->GetContainingPackage(), p);
  ASSERT_TRUE(p->IsLarge());
  const zq::Point t = p->GetTabSize();
  const zq::Point pos = p->GetPos();
  EXPECT_GE(w.DarkOnLine({pos.x + 50.0, pos.y + double(t.y)}, {pos.x + t.x - 50.0, pos.y + double(t.y)}), 15);
  // The undo of that one gesture takes the class out and the tab away.
  w.Undo();
  EXPECT_FALSE(p->IsLarge());
  EXPECT_TRUE(All<Class::Class>(w.diagram).size() == 3u);
  w.diagram.GetUndoHandler().Redo(w.view.get(), nullptr);
  w.diagram.UpdateAllViews();
  EXPECT_TRUE(p->IsLarge());

  // Saved, read back, saved the same.
  const std::string text = w.Save();
  Core::Diagram loaded{Registry(), nullptr};
  loaded.LoadXML(text);
  std::ostringstream again;
  loaded.SaveXML(again);
  EXPECT_EQ(again.str(), text);
  ASSERT_EQ(All<Class::Generalization>(loaded).size(), 1u);
  EXPECT_EQ(All<Class::Generalization>(loaded).front()->GetEndCount(), 3u);
  ASSERT_EQ(All<Class::Package>(loaded).size(), 1u);
  EXPECT_TRUE(All<Class::Package>(loaded).front()->IsLarge());
  EXPECT_EQ(All<Class::Package>(loaded).front()->GetParts().size(), 1u);
}

}  // namespace
