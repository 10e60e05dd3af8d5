#include "elements/object/Qualifier.h"

#include "core/ModelElementSet.h"
#include "core/PropertyKinds.h"
#include "elements/object/Object.h"
#include "core/foundation/Cast.h"

namespace Object {

namespace {
// Whether the link of the end on the qualifier goes along with the set once the qualifier does:
// every other element its ends lie on is taken, or is a qualifier that goes along by the same rule
// (the guard of IsCompletelySelected answers true for the qualifier that asked first, so two
// qualifiers on one link never wait for each other).
bool GoesAlongWith(const LinkEnd& end, const Qualifier& q, const Core::ModelElementSet& set) {
  Connector::IConnector* link = end.GetConnector();
  if (end.IsDeleted() || link == nullptr || link->IsDeleted()) return false;
  for (Connector::IEnd* e : link->GetEnds()) {
    Core::IModelElement* t = e->IsDeleted() ? nullptr : e->GetTerminal();
    if (t == nullptr || t == &q || set.Contains(t)) continue;
    auto* other = zq::Cast<Qualifier>(t);
    if (other == nullptr || !other->IsCompletelySelected(set)) return false;
  }
  return true;
}
}  // namespace

Core::FactoryImp<Qualifier>& Qualifier::Factory() {
  static Core::FactoryImp<Qualifier> factory(Core::SchemaNamespace10(), L"ObjectQualifier");
  return factory;
}

void Qualifier::RegisterProperties(Core::PropertyTable<QualifierRep>& t) {
  using namespace Core;
  RegisterProperty<EvalRestore::Mandatory>::Register(t, &QualifierRep::size, L"Size", zq::Point(1000, 600));
  RegisterRefProperty<>::Register(t, &QualifierRep::owner, L"Object");
  RegisterRefProperty<>::Register(t, &QualifierRep::text, L"Text");
  RegisterRefContNonStoreProperty::Register(t, &QualifierRep::linkEnds, L"LinkEnds");
  RegisterRefContNonStoreProperty::Register(t, &QualifierRep::noteEnds, L"NoteEnds");
  RegisterRefNonStoreProperty::Register(t, &QualifierRep::style, L"Style");
  RegisterProperty<EvalRestore::Optional>::Register(t, &QualifierRep::elementStyle, L"ElementStyle", std::wstring(),
                                                    xml::kSchema13);
}

bool Qualifier::IsCompletelySelectedImp(const Core::ModelElementSet& set) {
  if (set.Contains(this)) return true;
  Object* owner = GetObject();
  if (owner == nullptr || !owner->IsCompletelySelected(set)) return false;
  for (LinkEnd* end : GetLinkEnds())
    if (GoesAlongWith(*end, *this, set)) return true;
  return false;
}

std::shared_ptr<Qualifier> InsertQualifierAtEnd(Core::Env& env, LinkEnd& end) {
  return Qualifier::CreateAtEnd(env, end, {1000, 600});
}

}  // namespace Object
