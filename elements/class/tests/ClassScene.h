// What the class tests share: the factories of every class diagram kind and of what attaches to
// them, and a document written as text.
#pragma once

#include <string>

#include "core/Diagram.h"
#include "core/Registries.h"
#include "elements/class/AssocClassConnector.h"
#include "elements/class/Association.h"
#include "elements/class/Class.h"
#include "elements/class/Compartment.h"
#include "elements/class/Generalization.h"
#include "elements/class/Package.h"
#include "elements/class/Qualifier.h"
#include "elements/note/Dependency.h"
#include "elements/note/tests/HostScene.h"

namespace ClassTest {

using HostScene::All;
using HostScene::Doc;
using HostScene::Save;

inline const Core::FactoryRegistry& Registry() {
  static const Core::FactoryRegistry registry = HostScene::MakeRegistry(
      {[](Core::FactoryRegistry& r) {
         r.Register(Class::Class::Factory());
         r.Register(Class::Compartment::Factory());
         r.Register(Class::TemplateParameters::Factory());
       },
       Class::ReportAssociationFactories, Class::ReportQualifierFactory, Class::ReportGeneralizationFactories,
       Class::ReportAssocClassConnectorFactories, Class::ReportPackageFactories,
       Dependency::ReportDependencyFactories});
  return registry;
}

}  // namespace ClassTest
