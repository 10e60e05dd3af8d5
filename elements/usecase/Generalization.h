#pragma once
// The use case generalization: a tree of segments and joins from specific use cases (plain ends,
// type 2) to one general use case (the master end, type 1, with the hollow triangle). An end of
// another generalization dropped on a segment, join or free end merges the two trees.
#include <memory>

#include "core/Factory.h"
#include "core/Registries.h"
#include "elements/class/GeneralizationBase.h"

namespace UseCase {

class UseCase;

// The generalization (element "UseCaseGeneralization"); it deletes itself without a master end.
class Generalization : public Connector::ConnectorImp<Generalization, Connector::IConnectorWithMasterEnd> {
 public:
  static Core::FactoryImp<Generalization>& Factory();
  // Plain ends at the start of a drawn path and as further ends, the master end at its end.
  static Connector::IFactory& PartFactory();
};

// An end of a generalization (element "UseCaseGeneralizationEnd"): "Pos", "UseCase", "Type".
class GeneralizationEnd : public Class::GeneralizationEndImp<GeneralizationEnd> {
 public:
  static constexpr const wchar_t* kTerminalAttribute = L"UseCase";
  static Core::FactoryImp<GeneralizationEnd>& Factory();
  static Connector::IFactory& PartFactory() { return Generalization::PartFactory(); }
  // The use case the end lies on, or none.
  UseCase* GetUseCase() const;
};

// A segment of a generalization (element "UseCaseGeneralizationSegment").
class GeneralizationSegment : public Class::GeneralizationSegmentImp<GeneralizationSegment, GeneralizationEnd> {
 public:
  static Core::FactoryImp<GeneralizationSegment>& Factory();
  static Connector::IFactory& PartFactory() { return Generalization::PartFactory(); }
};

// A join of a generalization (element "UseCaseGeneralizationJoin").
class GeneralizationJoin : public Class::GeneralizationJoinImp<GeneralizationJoin, GeneralizationEnd> {
 public:
  static Core::FactoryImp<GeneralizationJoin>& Factory();
  static Connector::IFactory& PartFactory() { return Generalization::PartFactory(); }
};

// Reports the factories of every use case diagram kind and its style directories to the registry.
void ReportUseCaseFactories(Core::FactoryRegistry& registry);

}  // namespace UseCase
