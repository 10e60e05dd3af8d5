// The window fixture of the class views' tests: the family's registry and views, the background's
// "New Class" command, and probes of the handle pictures' colours.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "core/foundation/GraphUtil.h"
#include "elements/class/tests/ClassScene.h"
#include "elements/class/win/ClassViews.h"
#include "elements/note/win/Views.h"
#include "resources/resource.h"
#include "text/edit/TextView.h"
#include "text/win/UniscribeSetup.h"
#include "view/tests/ElementWindow.h"
#include "view/tests/SelectionPictures.h"

namespace ClassViewTest {

inline void Install() {
  TextBlock::InstallUniscribeMeasurer();
  TextBlock::RegisterTextViews();
  Class::RegisterClassViews();
  Note::RegisterNoteViews();
}

// The background's class command, as the editor's dock gives it.
class ClassDock : public View::ICmdHandlerDockCreator {
 public:
  std::unique_ptr<View::ICmdHandlerDock> CreateDock(View::IDefaultTask& task) override {
    auto list = std::make_unique<View::CmdHandlerList>();
    list->Add(std::make_unique<View::StdCreateCmdHandler>(task, ID_NEW_CLASS, &Class::Class::CreateElement));
    return list;
  }
};

class ClassWindow : public ViewTest::ElementWindowTest {
 protected:
  ClassWindow() : ElementWindowTest(ClassTest::Registry(), &Install) {
    // The view again, with the class command on the background in place of the test box's.
    static ClassDock dock;
    w.view.reset();
    View::DiagramViewSetup setup;
    setup.canvas = w.canvas.get();
    setup.commander = &w.router;
    setup.window = &w.window;
    setup.mouse = w.mouse.get();
    w.view = std::make_unique<View::DiagramView>(diagram, setup, &dock);
    w.view->SetActive(true);
    w.canvas->ScrollPointTo({0, 10000}, {0, 0});
    SetForegroundWindow(w.hwnd);
    SetFocus(w.hwnd);
    w.Pump();
  }

  // Creates a class at the model point through the background command.
  Class::Class* CreateAt(const zq::Point& at) {
    Click(at);
    EXPECT_TRUE(w.router.Execute({ID_NEW_CLASS, 0, nullptr}));
    w.Pump();
    const auto classes = Live<Class::Class>();
    return classes.empty() ? nullptr : classes.back();
  }

  // The diagram's only dependency, expected to run from the first class to the second; none when
  // there is not exactly one.
  Dependency::Dependency* OnlyDependency(Class::Class& from, Class::Class& to) {
    const auto all = Live<Dependency::Dependency>();
    EXPECT_EQ(all.size(), 1u);
    if (all.size() != 1) return nullptr;
    std::vector<Core::IModelElement*> parties;
    for (Connector::IEnd* e : all.front()->GetEnds()) parties.push_back(e->GetTerminal());
    EXPECT_EQ(parties, (std::vector<Core::IModelElement*>{&from, &to}));
    return all.front();
  }

  // Pixels of the picture's colour around the model point, after a repaint.
  int Around(const zq::Point& p, bool (*kind)(COLORREF)) {
    Repaint();
    return ViewTest::CountAround(w.hwnd, w.At(p), kind);
  }

  // How often the text holds the part.
  static std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
  }
};

}  // namespace ClassViewTest
