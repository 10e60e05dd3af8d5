#include "elements/object/Qualifier.h"

#include "core/PropertyKinds.h"
#include "elements/object/Object.h"

namespace Object {

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

std::shared_ptr<Qualifier> InsertQualifierAtEnd(Core::Env& env, LinkEnd& end) {
  return Qualifier::CreateAtEnd(env, end, {1000, 600});
}

}  // namespace Object
