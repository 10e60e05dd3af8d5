// A class diagram for the tests of generalizations and packages: classes, packages and their
// connectors made in single undoable steps, written and read back.
#pragma once

#include "elements/class/tests/ClassScene.h"
#include "elements/class/Class.h"
#include "elements/class/Generalization.h"
#include "elements/class/Package.h"
#include "elements/class/PackageRider.h"

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

struct Scene : HostScene::Scene {
  Scene() : HostScene::Scene(Registry()) {}

  Class::Class* NewClass(zq::Point at, const std::wstring& name) {
    Class::Class* c = nullptr;
    Change([&](Core::Env& env) {
      c = Class::Class::Create(env, at).get();
      c->SetName(env, name);
    });
    return c;
  }
  Class::Package* NewPackage(zq::Point at, const std::wstring& name, zq::Point size = {2000, 1000}) {
    Class::Package* p = nullptr;
    Change([&](Core::Env& env) {
      p = Class::Package::Create(env, at).get();
      p->SetName(env, name);
      p->SetRect(env, zq::Rect::FromPosSize(at, size.x, size.y));
    });
    return p;
  }
  Class::Generalization* Generalize(Class::Class& special, Class::Class& general) {
    Class::Generalization* g = nullptr;
    Change([&](Core::Env& env) { g = &Class::Generalization::Create(env, special, general); });
    return g;
  }
  // Every connector's graph holds its invariants.
  void ExpectSound() {
    for (auto* c : All<Connector::IConnector>(diagram)) EXPECT_EQ(c->CheckGraph(), "") << "connector";
  }
};

}  // namespace ClassTest
