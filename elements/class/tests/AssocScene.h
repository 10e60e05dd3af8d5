// A class diagram in memory with helpers that build classes, associations, dependencies and
// qualifiers as single undo steps, and the checks every test of associations shares.
#pragma once

#include "elements/class/tests/ClassScene.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <sstream>

#include "core/Diagram.h"
#include "core/Registries.h"
#include "core/Transaction.h"
#include "core/UndoHandler.h"
#include "elements/class/AssocClassConnector.h"
#include "elements/class/Association.h"
#include "elements/class/Generalization.h"
#include "elements/class/Class.h"
#include "elements/class/Compartment.h"
#include "elements/class/Qualifier.h"
#include "elements/note/Note.h"
#include "style/Model.h"
#include "text/tests/FixedMeasurer.h"
#include "view/connector/Creation.h"

namespace AssocTest {

using ClassTest::Registry;

inline std::string Doc(const std::string& body) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
         "<Diagram ProductVersion=\"1.3.4\" xmlns=\"http://quorvel.example/schema/1.0\">\n" +
         body + "</Diagram>\n";
}

struct Scene : ::testing::Test {
  Core::Diagram diagram{Registry(), nullptr};

  Scene() { TextBlock::SetMeasurer(std::make_shared<TextBlock::Testing::FixedMeasurer>()); }

  void Change(const std::function<void(Core::Env&)>& f) {
    Core::Transaction t(diagram);
    Core::Env env(t);
    f(env);
    diagram.GetUndoHandler().Add(env.Close(), nullptr, nullptr, false);
  }
  void Undo() { diagram.GetUndoHandler().Undo(nullptr, nullptr); }
  void Redo() { diagram.GetUndoHandler().Redo(nullptr, nullptr); }
  // A class 2000 x 1000 (as its name allows) with its top-left corner at the point.
  Class::Class* NewClass(const zq::Point& at) {
    Class::Class* c = nullptr;
    Change([&](Core::Env& env) { c = Class::Class::Create(env, at).get(); });
    return c;
  }
  // A connector of kind C along the points, legs drawn orthogonal, from source to target.
  template <class C>
  C* Path(const std::vector<zq::float8Point>& points, Core::IModelElement* source = nullptr,
          Core::IModelElement* target = nullptr) {
    C* c = nullptr;
    Change([&](Core::Env& env) {
      std::vector<Connector::PathEntry> path;
      for (const auto& p : points) path.push_back({p, true});
      c = dynamic_cast<C*>(Connector::BuildPathConnector(env, C::PartFactory(), path, source, target, nullptr));
    });
    return c;
  }
  Class::AssocEnd* EndOf(Connector::IConnector& c, std::size_t i) const {
    return dynamic_cast<Class::AssocEnd*>(c.GetEnds().at(i));
  }
  Class::AssocSegment* SegmentOf(Connector::IConnector& c, std::size_t i) const {
    return dynamic_cast<Class::AssocSegment*>(c.GetSegmentList().at(i));
  }
  std::string Save() const {
    std::ostringstream out;
    diagram.SaveXML(out);
    return out.str();
  }
  // Reads the saved document into the diagram and answers that diagram's saved form.
  std::string ReadBack(Core::Diagram& into) const {
    into.LoadXML(Save());
    std::ostringstream again;
    into.SaveXML(again);
    return again.str();
  }
  template <class T>
  std::vector<T*> Live() const {
    std::vector<T*> out;
    for (const auto& e : diagram.Elements())
      if (auto* t = dynamic_cast<T*>(e.get()); t != nullptr && !e->IsDeleted()) out.push_back(t);
    return out;
  }
  // Whether an end of kind E (other kinds pass) is listed by its terminal's list of such ends.
  template <class E>
  static bool Listed(Connector::IEnd* end, Core::IModelElement* terminal) {
    auto* e = dynamic_cast<E*>(end);
    auto* list = dynamic_cast<Core::IPartner<E>*>(terminal);
    return e == nullptr || (list != nullptr && list->Contains(e));
  }
  // Every live connector's graph holds and every attached end is listed by its terminal.
  std::string CheckConnectors() const {
    for (const auto& e : diagram.Elements()) {
      auto* c = dynamic_cast<Connector::IConnector*>(e.get());
      if (c == nullptr || c->IsDeleted()) continue;
      if (std::string broken = c->CheckGraph(); !broken.empty()) return broken;
      if (dynamic_cast<Class::Generalization*>(c) != nullptr && Class::CountOtherMasterEnds(c, nullptr) != 1)
        return "a generalization without exactly one master end";
      for (Connector::IEnd* end : c->GetEnds()) {
        Core::IModelElement* t = end->GetTerminal();
        if (t == nullptr) continue;
        if (t->IsDeleted()) return "an end lies on a deleted element";
        if (auto* s = dynamic_cast<Connector::ISegment*>(t)) {
          Connector::ISegmentEnd *a = nullptr, *b = nullptr;
          if (!s->GetEnds(a, b)) return "an end lies on a segment without two ends";
          const zq::float8Point p = end->GetPosition(),
                                q = GraphUtil::ClosestPointOnSegment(a->GetPoint(), b->GetPoint(), p);
          if (std::abs(p.x - q.x) + std::abs(p.y - q.y) > 1) return "an end is off the segment it lies on";
        }
        if (!Listed<Class::AssocEnd>(end, t) || !Listed<Class::AssocClassConnectorSourceEnd>(end, t) ||
            !Listed<Class::AssocClassConnectorEnd>(end, t) || !Listed<Class::GeneralizationEnd>(end, t))
          return "an end is not listed by its terminal";
      }
    }
    for (Class::Qualifier* q : Live<Class::Qualifier>())
      if (Class::Class* c = q->GetClass()) {
        const auto& l = c->GetQualifiers();
        if (c->IsDeleted() || std::find(l.begin(), l.end(), q) == l.end()) return "a qualifier is not listed by its class";
      }
    return {};
  }
};

}  // namespace AssocTest
