#include "elements/usecase/Association.h"

#include "core/Exceptions.h"
#include "elements/usecase/Actor.h"
#include "elements/usecase/UseCase.h"
#include "view/connector/PartFactory.h"
#include "core/foundation/Cast.h"

namespace UseCase {

namespace {
// Plain ends everywhere; a stored "SourceEnd" or "TargetEnd" is unknown.
using Fact = Connector::KindPartFactory<Assoc, AssocEnd, AssocJoin, AssocSegment>;

// A use case, the only target of a new association.
class Targets : public Core::IFilter {
 public:
  bool Accept(const Core::IModelElement* element) const override {
    return zq::Cast<const UseCase>(element) != nullptr;
  }
};
}  // namespace

Core::FactoryImp<Assoc>& Assoc::Factory() {
  static Core::FactoryImp<Assoc> factory(Core::SchemaNamespace10(), L"UseCaseAssoc");
  return factory;
}

Connector::IFactory& Assoc::PartFactory() {
  static Fact factory(0, 0, 0);
  return factory;
}

// ---- ends

Core::FactoryImp<AssocEnd>& AssocEnd::Factory() {
  static Core::FactoryImp<AssocEnd> factory(Core::SchemaNamespace10(), L"UseCaseAssocEnd");
  return factory;
}

void AssocEnd::RegisterProperties(Core::PropertyTable<Connector::EndRep>& t) {
  using namespace Core;
  using Connector::EndRep;
  RegisterRefNonStoreProperty::Register(t, &EndRep::group, L"Group");
  RegisterRefNonStoreProperty::Register(t, &EndRep::segment, L"Segment");
  RegisterProperty<EvalRestore::Mandatory>::Register(t, &EndRep::pos, L"Pos", zq::float8Point(0, 0));
  RegisterRefProperty<>::Register(t, &EndRep::party, L"Actor");
  RegisterRefProperty<>::Register(t, &EndRep::subParty, L"UseCase");
}

Actor* AssocEnd::GetActor() const { return zq::Cast<Actor>(GetRep().party); }

UseCase* AssocEnd::GetUseCase() const { return zq::Cast<UseCase>(GetRep().subParty); }

AssocEnd* AssocEnd::GetOtherEnd() const {
  const Connector::IConnector* c = GetConnector();
  if (c == nullptr || c->GetEnds().empty()) return nullptr;
  Connector::IEnd* first = c->GetEnds().front();
  Connector::IEnd* last = c->GetEnds().back();
  return zq::Cast<AssocEnd>(first != this ? first : last);
}

Core::IModelElement* AssocEnd::GetTerminal() const {
  return GetRep().party != nullptr ? GetRep().party : GetRep().subParty;
}

void AssocEnd::SetTerminalImp(Core::Env& env, Core::IModelElement* terminal) {
  if (IsDeleted()) return;
  Core::IModelElement* actor = nullptr;
  Core::IModelElement* useCase = nullptr;
  if (zq::Cast<Actor>(terminal) != nullptr) actor = terminal;
  else if (zq::Cast<UseCase>(terminal) != nullptr) useCase = terminal;
  else if (terminal != nullptr) return;
  SetField(env, &Connector::EndRep::party, actor);
  SetField(env, &Connector::EndRep::subParty, useCase);
}

void AssocEnd::RestoreProperties(const xml::IAttributes& attributes, Core::ObjectRegistry& registry) {
  Connector::EndImp<AssocEnd>::RestoreProperties(attributes, registry);
  const Connector::EndRep& rep = GetRep();
  const bool wrongActor = rep.party != nullptr && zq::Cast<Actor>(rep.party) == nullptr;
  const bool wrongUseCase = rep.subParty != nullptr && zq::Cast<UseCase>(rep.subParty) == nullptr;
  if (wrongActor || wrongUseCase || (rep.party != nullptr && rep.subParty != nullptr))
    throw Core::Exceptions::TypeMismatchOfRestoredObject(attributes.GetLine());
}

// ---- segments and joins

Core::FactoryImp<AssocSegment>& AssocSegment::Factory() {
  static Core::FactoryImp<AssocSegment> factory(Core::SchemaNamespace10(), L"UseCaseAssocSegment");
  return factory;
}

Core::FactoryImp<AssocJoin>& AssocJoin::Factory() {
  static Core::FactoryImp<AssocJoin> factory(Core::SchemaNamespace10(), L"UseCaseAssocJoin");
  return factory;
}

const Core::IFilter& AssocTargets() {
  static const Targets targets;
  return targets;
}

Assoc* CreateAssociation(Core::Env& env, const std::vector<Connector::PathEntry>& path, Core::IModelElement& source,
                         Core::IModelElement& target) {
  if (zq::Cast<Actor>(&source) == nullptr) return nullptr;
  return zq::Cast<Assoc>(
      Connector::BuildPathConnector(env, Assoc::PartFactory(), path, &source, &target, &AssocTargets()));
}

void ReportAssociationFactories(Core::FactoryRegistry& registry) { Assoc::Factory().ReportTo(registry); }

}  // namespace UseCase
