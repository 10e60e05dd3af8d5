// An object diagram in memory: the factories of every object diagram kind and of what attaches to
// them, helpers that build objects, links and qualifiers as single undo steps, and the soundness
// check every test of links shares.
#pragma once

#include <string>

#include "elements/note/tests/HostScene.h"
#include "elements/object/Compartment.h"
#include "elements/object/Link.h"
#include "elements/object/Object.h"
#include "elements/object/Qualifier.h"

namespace ObjectTest {

using HostScene::Doc;

inline const Core::FactoryRegistry& Registry() {
  static const Core::FactoryRegistry registry =
      HostScene::MakeRegistry({Object::ReportObjectFactories, Object::ReportLinkFactories});
  return registry;
}

// The attributes of the first element of the name in the document.
inline std::string Attrs(const std::string& xml, const std::string& name) {
  const std::size_t at = xml.find("<" + name + " ");
  return at == std::string::npos ? std::string() : xml.substr(at, xml.find('>', at) - at);
}

struct Scene : HostScene::Scene {
  Scene() : HostScene::Scene(Registry()) {}

  Object::Object* NewObject(const zq::Point& at) {
    Object::Object* o = nullptr;
    Change([&](Core::Env& env) { o = Object::Object::Create(env, at).get(); });
    return o;
  }
  Object::Compartment* AddCompartment(Object::Object& o) {
    Object::Compartment* c = nullptr;
    Change([&](Core::Env& env) {
      auto made = Object::Compartment::Create(env, {0, 0});
      o.AddCompartment(env, *made);
      c = made.get();
    });
    return c;
  }
  // A link along the points, legs drawn orthogonal, from source to target.
  Object::Link* NewLink(const std::vector<zq::float8Point>& points, Core::IModelElement* source = nullptr,
                        Core::IModelElement* target = nullptr) {
    return Path<Object::Link>(points, source, target);
  }
  Object::Qualifier* Qualify(Object::LinkEnd& end) {
    Object::Qualifier* q = nullptr;
    Change([&](Core::Env& env) { q = Object::InsertQualifierAtEnd(env, end).get(); });
    return q;
  }
  Object::LinkEnd* EndOf(Connector::IConnector& c, std::size_t i) const {
    return dynamic_cast<Object::LinkEnd*>(c.GetEnds().at(i));
  }
  Object::LinkSegment* SegmentOf(Connector::IConnector& c, std::size_t i) const {
    return dynamic_cast<Object::LinkSegment*>(c.GetSegmentList().at(i));
  }
  // Every live link holds its graph, every attached end is listed by its terminal, every qualifier
  // by its object, and every compartment lies under its object's header as wide as the object.
  std::string CheckSound() const {
    for (Object::Link* l : Live<Object::Link>()) {
      if (std::string broken = l->CheckGraph(); !broken.empty()) return broken;
      for (Connector::IEnd* end : l->GetEnds()) {
        Core::IModelElement* t = end->GetTerminal();
        if (t == nullptr) continue;
        if (t->IsDeleted()) return "an end lies on a deleted element";
        auto* e = dynamic_cast<Object::LinkEnd*>(end);
        auto* p = dynamic_cast<Core::IPartner<Object::LinkEnd>*>(t);
        if (e == nullptr || p == nullptr || !p->Contains(e)) return "a link end is not listed by its terminal";
        if (e->GetRep().party != nullptr && e->GetRep().subParty != nullptr) return "an end has an object and a qualifier";
      }
    }
    for (Object::Qualifier* q : Live<Object::Qualifier>())
      if (Object::Object* o = q->GetObject()) {
        const auto& l = o->GetQualifiers();
        if (o->IsDeleted() || std::find(l.begin(), l.end(), q) == l.end()) return "a qualifier is not listed by its object";
      }
    for (Object::Object* o : Live<Object::Object>())
      if (Object::Compartment* c = o->GetCompartment()) {
        if (c->IsDeleted() || c->GetObject() != o) return "an object's compartment is not its own";
        const zq::Rect r = o->GetRect(), k = c->GetRect();
        if (k.left != r.left || k.right != r.right || k.bottom != r.bottom) return "a compartment is not under its header";
      }
    return {};
  }
};

}  // namespace ObjectTest
