#include "elements/state/StateCompartment.h"

#include "core/Registries.h"
#include "elements/state/State.h"

namespace State {

Core::FactoryImp<Compartment>& Compartment::Factory() {
  static Core::FactoryImp<Compartment> factory(Core::SchemaNamespace10(), L"StateCompartment");
  return factory;
}

}  // namespace State
