#include "elements/usecase/Generalization.h"

#include "elements/usecase/Actor.h"
#include "elements/usecase/Association.h"
#include "elements/usecase/System.h"
#include "elements/usecase/UseCase.h"
#include "style/Names.h"
#include "view/connector/PartFactory.h"
#include "core/foundation/Cast.h"

namespace UseCase {

Core::FactoryImp<Generalization>& Generalization::Factory() {
  static Core::FactoryImp<Generalization> factory(Core::SchemaNamespace10(), L"UseCaseGeneralization");
  return factory;
}

Connector::IFactory& Generalization::PartFactory() {
  static Connector::KindPartFactory<Generalization, GeneralizationEnd, GeneralizationJoin, GeneralizationSegment> factory(
      Class::GeneralizationEndType::Plain, Class::GeneralizationEndType::Master, Class::GeneralizationEndType::Plain);
  return factory;
}

Core::FactoryImp<GeneralizationEnd>& GeneralizationEnd::Factory() {
  static Core::FactoryImp<GeneralizationEnd> factory(Core::SchemaNamespace10(), L"UseCaseGeneralizationEnd");
  return factory;
}

UseCase* GeneralizationEnd::GetUseCase() const { return zq::Cast<UseCase>(GetTerminal()); }

Core::FactoryImp<GeneralizationSegment>& GeneralizationSegment::Factory() {
  static Core::FactoryImp<GeneralizationSegment> factory(Core::SchemaNamespace10(), L"UseCaseGeneralizationSegment");
  return factory;
}

Core::FactoryImp<GeneralizationJoin>& GeneralizationJoin::Factory() {
  static Core::FactoryImp<GeneralizationJoin> factory(Core::SchemaNamespace10(), L"UseCaseGeneralizationJoin");
  return factory;
}

void ReportUseCaseFactories(Core::FactoryRegistry& registry) {
  Actor::Factory().ReportTo(registry);
  UseCase::Factory().ReportTo(registry);
  System::Factory().ReportTo(registry);
  ReportAssociationFactories(registry);
  Generalization::Factory().ReportTo(registry);
  for (Style::StyledKind kind : {Style::StyledKind::Actor, Style::StyledKind::UseCase, Style::StyledKind::System})
    Style::RegisterDirectoryNames(kind);
}

}  // namespace UseCase
