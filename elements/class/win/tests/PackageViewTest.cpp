// Generalizations and packages in a view, driven by messages: two classes sharing one triangle
// (the second drawn onto the first one's segment), a class made inside a package that becomes
// Large; each gesture one undo step, the shapes found on screen where the model puts them, and
// the whole saved, read back and saved the same.
#include <gtest/gtest.h>

#include "elements/class/win/ClassViews.h"
#include "elements/class/win/GeneralizationViews.h"
#include "elements/class/win/PackageViews.h"
#include "elements/note/tests/HostScene.h"
#include "elements/note/win/Views.h"
#include "resources/resource.h"
#include "style/Model.h"
#include "text/edit/TextView.h"
#include "text/win/UniscribeSetup.h"
#include "view/tests/ElementWindow.h"

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

void Install() {
  TextBlock::InstallUniscribeMeasurer();
  TextBlock::RegisterTextViews();
  Class::RegisterClassViews();
  Class::RegisterGeneralizationViews();
  Class::RegisterPackageViews();
  Note::RegisterNoteViews();
}

class PackageWindow : public ViewTest::ElementWindowTest {
 protected:
  PackageWindow() : ElementWindowTest(Registry(), &Install) {
    w.canvas->ScrollPointTo({0, 14000}, {0, 0});
    w.Pump();
  }
  // "New &Package" of the background menu at the clicked point.
  bool NewPackage(const zq::Point& at) {
    View::CmdHandlerList handlers;
    handlers.Add(std::make_unique<View::StdCreateCmdHandler>(w.Task(), ID_NEW_PACKAGE, &Class::Package::CreateElement));
    Click(at);
    return Run(ID_NEW_PACKAGE, at);
  }
  // A class at the grid point, made in one step as the background's "New &Class" makes it (the
  // window's own background command of that id makes test boxes).
  Class::Class* NewClass(const zq::Point& at) {
    Class::Class* c = nullptr;
    Change([&](Core::Env& env) {
      c = dynamic_cast<Class::Class*>(Class::Class::CreateElement(env, View::DefaultGrid::Instance().SnapPoint(at)).get());
    });
    return c;
  }
  // Dark pixels on the model line from a to b.
  int Dark(const zq::float8Point& a, const zq::float8Point& b) { return DarkOnLine(zq::RoundPoint(a), zq::RoundPoint(b)); }
};

using HostScene::All;

zq::float8Point Middle(const zq::Rect& r) { return {(r.left + r.right) / 2.0, (r.top + r.bottom) / 2.0}; }

TEST_F(PackageWindow, TwoClassesShareOneTriangleAndAPackageHoldsAClass) {
  Class::Class* shape = NewClass({4000, 12000});
  Class::Class* circle = NewClass({1000, 7000});
  Class::Class* square = NewClass({8000, 7000});
  ASSERT_TRUE(shape && circle && square);
  std::size_t steps = Steps();
  // "New Generalization" from Circle, straight (Ctrl) onto Shape: one step, the triangle at Shape.
  auto generalize = [&](Class::Class& from, const zq::float8Point& onto) {
    View::CmdHandlerList handlers;
    handlers.Add(Class::CreateGeneralizationCmdHandler(w.Task()));
    const zq::Point start = zq::RoundPoint(Middle(from.GetRect()));
    Click(start);
    ASSERT_TRUE(Run(ID_NEW_GENERALIZATION, start));
    const POINT at = w.At(zq::RoundPoint(onto));
    PostMessageW(w.hwnd, WM_LBUTTONDOWN, MK_LBUTTON | MK_CONTROL, MAKELPARAM(at.x, at.y));
    PostMessageW(w.hwnd, WM_LBUTTONUP, MK_CONTROL, MAKELPARAM(at.x, at.y));
    w.Pump();
  };
  generalize(*circle, Middle(shape->GetRect()));
  ASSERT_EQ(Live<Class::Generalization>().size(), 1u);
  EXPECT_EQ(Steps(), steps + 1);
  Class::Generalization* g = Live<Class::Generalization>().front();
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
  EXPECT_GE(Dark({base.x + 120 * normal.x, base.y + 120 * normal.y}, {base.x - 120 * normal.x, base.y - 120 * normal.y}), 6);
  EXPECT_EQ(Dark({tip.x + 200 * dir.x, tip.y + 200 * dir.y}, {tip.x + 320 * dir.x, tip.y + 320 * dir.y}), 0);
  // Beyond the base the segment's line is drawn.
  EXPECT_GE(Dark({tip.x + 500 * dir.x, tip.y + 500 * dir.y}, {tip.x + 900 * dir.x, tip.y + 900 * dir.y}), 10);

  // Square's generalization ends on that segment: still one generalization with one triangle.
  steps = Steps();
  Connector::ISegment* segment = g->GetSegmentList().front();
  Connector::ISegmentEnd *a, *b;
  ASSERT_TRUE(segment->GetEnds(a, b));
  generalize(*square, {(a->GetPoint().x + b->GetPoint().x) / 2, (a->GetPoint().y + b->GetPoint().y) / 2});
  ASSERT_EQ(Live<Class::Generalization>().size(), 1u);
  EXPECT_EQ(Steps(), steps + 1);
  EXPECT_EQ(g->GetEndCount(), 3u);
  EXPECT_EQ(Class::CountOtherMasterEnds(g, nullptr), 1);
  // The fork on the trunk and the bends of both branches, each leaving its class upwards.
  EXPECT_EQ(g->GetJoinCount(), 3u);

  // A package, then a class made inside it: the package becomes Large and shows its tab.
  ASSERT_TRUE(NewPackage({12000, 13000}));
  ASSERT_EQ(Live<Class::Package>().size(), 1u);
  Class::Package* p = Live<Class::Package>().front();
  Change([&](Core::Env& env) { p->SetRect(env, zq::Rect::FromPosSize(p->GetPos(), 6000, 5000)); });
  steps = Steps();
  Class::Class* inner = NewClass({p->GetPos().x + 1000, p->GetPos().y - 1500});
  ASSERT_NE(inner, nullptr);
  EXPECT_EQ(Steps(), steps + 1);
  EXPECT_EQ(inner->GetContainingPackage(), p);
  ASSERT_TRUE(p->IsLarge());
  const zq::Point t = p->GetTabSize();
  const zq::Point pos = p->GetPos();
  EXPECT_GE(Dark({pos.x + 50.0, pos.y + double(t.y)}, {pos.x + t.x - 50.0, pos.y + double(t.y)}), 15);
  // The undo of that one gesture takes the class out and the tab away.
  w.Undo();
  EXPECT_FALSE(p->IsLarge());
  EXPECT_TRUE(Live<Class::Class>().size() == 3u);
  w.Redo();
  EXPECT_TRUE(p->IsLarge());

  // Saved, read back, saved the same.
  const std::string text = Saved();
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

// Dragged, a package shows its tab as well as its body.
TEST_F(PackageWindow, TheDragImageOfAPackageShowsItsTab) {
  Class::Package* p = nullptr;
  Change([&](Core::Env& env) { p = Class::Package::Create(env, {2000, 8000}).get(); });
  ASSERT_NE(p, nullptr);
  const zq::Rect r = p->GetRect();
  const zq::Point tab = p->GetTabSize();
  constexpr int dx = 6000, dy = -3000;
  const ICanvas::Group image = DragImage(*p, dx, dy);
  const std::int32_t x = r.left + dx, y = r.top + dy;
  EXPECT_GT(DarkOnLine({x + 50, y + tab.y}, {x + tab.x - 50, y + tab.y}, true), 5) << "the tab's top";
  EXPECT_GT(DarkOnLine({x + tab.x, y + tab.y - 30}, {x + tab.x, y + 30}, true), 1) << "the tab's right edge";
  EXPECT_GT(DarkOnLine({x + 50, y}, {r.right + dx - 50, y}, true), 5) << "the body's top";
}

}  // namespace
