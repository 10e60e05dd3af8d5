// What the class tests share: the factories of every class diagram kind and of what attaches to
// them, and a document written as text.
#pragma once

#include <sstream>
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
#include "elements/note/Note.h"
#include "style/Model.h"
#include "text/free/FreeText.h"

namespace ClassTest {

inline const Core::FactoryRegistry& Registry() {
  static Core::FactoryRegistry registry = [] {
    Core::FactoryRegistry r;
    r.Register(Class::Class::Factory());
    r.Register(Class::Compartment::Factory());
    r.Register(Class::TemplateParameters::Factory());
    Class::ReportAssociationFactories(r);
    Class::ReportQualifierFactory(r);
    Class::ReportGeneralizationFactories(r);
    Class::ReportAssocClassConnectorFactories(r);
    Class::ReportPackageFactories(r);
    Dependency::ReportDependencyFactories(r);
    Note::ReportNoteFactories(r);
    r.Register(Text::FreeText::Factory());
    r.Register(Text::Anchor::Factory());
    r.Register(TextBlock::Text::Factory());
    r.Register(Style::Style::Factory());
    Style::Style::ReportExtras(r);
    return r;
  }();
  return registry;
}

inline std::string Save(const Core::Diagram& diagram) {
  std::ostringstream out;
  diagram.SaveXML(out);
  return out.str();
}

}  // namespace ClassTest
