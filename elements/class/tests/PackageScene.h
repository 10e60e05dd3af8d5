// A class diagram for the tests of generalizations and packages: classes, packages and their
// connectors made in single undoable steps, written and read back.
#pragma once

#include <gtest/gtest.h>

#include <sstream>

#include "core/Diagram.h"
#include "core/Registries.h"
#include "core/Transaction.h"
#include "core/UndoHandler.h"
#include "elements/class/tests/ClassScene.h"
#include "elements/class/Class.h"
#include "elements/class/Compartment.h"
#include "elements/class/Generalization.h"
#include "elements/class/Package.h"
#include "elements/class/PackageRider.h"
#include "elements/note/Dependency.h"
#include "style/Model.h"
#include "text/tests/FixedMeasurer.h"
#include "view/connector/Creation.h"

namespace ClassTest {

// The document with every run of line breaks and indentation made one blank.
inline std::string Flat(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n') {
      while (i + 1 < text.size() && text[i + 1] == ' ') ++i;
      out += ' ';
    } else {
      out += text[i];
    }
  }
  return out;
}

// The live elements of a kind, in diagram order.
template <class T>
std::vector<T*> All(const Core::Diagram& diagram) {
  std::vector<T*> out;
  for (const auto& e : diagram.Elements())
    if (auto* t = dynamic_cast<T*>(e.get()); t && !e->IsDeleted()) out.push_back(t);
  return out;
}

struct Scene : ::testing::Test {
  Scene() { TextBlock::SetMeasurer(std::make_shared<TextBlock::Testing::FixedMeasurer>()); }

  // Runs the change as one undoable step.
  template <class F>
  void Step(F&& change) {
    Core::Transaction t(diagram);
    Core::Env env(t);
    change(env);
    diagram.GetUndoHandler().Add(env.Close(), nullptr, nullptr, false);
  }
  Class::Class* NewClass(zq::Point at, const std::wstring& name) {
    Class::Class* c = nullptr;
    Step([&](Core::Env& env) {
      c = Class::Class::Create(env, at).get();
      c->SetName(env, name);
    });
    return c;
  }
  Class::Package* NewPackage(zq::Point at, const std::wstring& name, zq::Point size = {2000, 1000}) {
    Class::Package* p = nullptr;
    Step([&](Core::Env& env) {
      p = Class::Package::Create(env, at).get();
      p->SetName(env, name);
      p->SetRect(env, zq::Rect::FromPosSize(at, size.x, size.y));
    });
    return p;
  }
  Class::Generalization* Generalize(Class::Class& special, Class::Class& general) {
    Class::Generalization* g = nullptr;
    Step([&](Core::Env& env) { g = &Class::Generalization::Create(env, special, general); });
    return g;
  }
  // Moves the element by the vector as a drop does.
  void Move(Core::IModelElement& e, double dx, double dy) {
    Step([&](Core::Env& env) {
      Core::DeferredShiftSet set;
      e.Shift(env, nullptr, Core::ShiftVector{dx, dy, true, true}, set, false);
    });
  }
  void Undo() { diagram.GetUndoHandler().Undo(nullptr, nullptr); }
  void Redo() { diagram.GetUndoHandler().Redo(nullptr, nullptr); }
  // Every connector's graph holds its invariants.
  void ExpectSound() {
    for (auto* c : All<Connector::IConnector>(diagram)) EXPECT_EQ(c->CheckGraph(), "") << "connector";
  }

  Core::Diagram diagram{Registry(), nullptr};
};

}  // namespace ClassTest
