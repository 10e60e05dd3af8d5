#include "elements/object/Compartment.h"

#include "core/PropertyKinds.h"
#include "core/Registries.h"
#include "elements/object/Object.h"

namespace Object {

Core::FactoryImp<Compartment>& Compartment::Factory() {
  static Core::FactoryImp<Compartment> factory(Core::SchemaNamespace10(), L"ObjectCompartment");
  return factory;
}

void Compartment::RegisterProperties(Core::PropertyTable<CompartmentRep>& t) {
  using namespace Core;
  RegisterProperty<EvalRestore::Mandatory>::Register(t, &CompartmentRep::size, L"Size", zq::Point(100, 100));
  RegisterRefNonStoreProperty::Register(t, &CompartmentRep::owner, L"Owner");
  RegisterRefProperty<>::Register(t, &CompartmentRep::text, L"Text");
  RegisterRefNonStoreProperty::Register(t, &CompartmentRep::style, L"Style");
}

}  // namespace Object
