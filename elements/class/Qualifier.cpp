#include "elements/class/Qualifier.h"

#include "core/PropertyKinds.h"
#include "elements/class/Class.h"

namespace Class {

Core::FactoryImp<Qualifier>& Qualifier::Factory() {
  static Core::FactoryImp<Qualifier> factory(Core::SchemaNamespace10(), L"Qualifier");
  return factory;
}

void Qualifier::RegisterProperties(Core::PropertyTable<QualifierRep>& t) {
  using namespace Core;
  RegisterProperty<EvalRestore::Mandatory>::Register(t, &QualifierRep::size, L"Size", zq::Point(1000, 600));
  RegisterRefProperty<>::Register(t, &QualifierRep::owner, L"Class");
  RegisterRefProperty<>::Register(t, &QualifierRep::text, L"Text");
  RegisterRefContNonStoreProperty::Register(t, &QualifierRep::assocEnds, L"AssocEnds");
  RegisterRefContNonStoreProperty::Register(t, &QualifierRep::noteEnds, L"NoteEnds");
  RegisterRefNonStoreProperty::Register(t, &QualifierRep::style, L"Style");
  RegisterProperty<EvalRestore::Optional>::Register(t, &QualifierRep::elementStyle, L"ElementStyle", std::wstring(),
                                                    xml::kSchema13);
}

void ReportQualifierFactory(Core::FactoryRegistry& registry) {
  Qualifier::Factory().ReportTo(registry);
  Style::RegisterDirectoryNames(Style::StyledKind::ClassQualifier);
}

}  // namespace Class
