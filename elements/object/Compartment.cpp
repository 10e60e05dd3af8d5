#include "elements/object/Compartment.h"

#include "core/Registries.h"
#include "elements/object/Object.h"

namespace Object {

Core::FactoryImp<Compartment>& Compartment::Factory() {
  static Core::FactoryImp<Compartment> factory(Core::SchemaNamespace10(), L"ObjectCompartment");
  return factory;
}

}  // namespace Object
