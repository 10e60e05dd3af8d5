// A class diagram in memory with helpers that build classes, associations, dependencies and
// qualifiers as single undo steps, and the checks every test of associations shares.
#pragma once

#include "elements/class/tests/ClassScene.h"

#include <cmath>

#include "elements/class/AssocClassConnector.h"
#include "elements/class/Association.h"
#include "elements/class/Generalization.h"
#include "elements/class/Class.h"
#include "elements/class/Qualifier.h"

namespace AssocTest {

using ClassTest::Doc;
using ClassTest::Registry;

struct Scene : HostScene::Scene {
  Scene() : HostScene::Scene(Registry()) {}

  // A class 2000 x 1000 (as its name allows) with its top-left corner at the point.
  Class::Class* NewClass(const zq::Point& at) {
    Class::Class* c = nullptr;
    Change([&](Core::Env& env) { c = Class::Class::Create(env, at).get(); });
    return c;
  }
  Class::AssocEnd* EndOf(Connector::IConnector& c, std::size_t i) const {
    return dynamic_cast<Class::AssocEnd*>(c.GetEnds().at(i));
  }
  Class::AssocSegment* SegmentOf(Connector::IConnector& c, std::size_t i) const {
    return dynamic_cast<Class::AssocSegment*>(c.GetSegmentList().at(i));
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
