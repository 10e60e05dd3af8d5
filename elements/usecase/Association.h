#pragma once
// The use case association: an undirected straight chain (end, segment, join, segment, ..., end)
// between one actor and one use case. Note connectors may point at its segments.
#include "core/Attach.h"
#include "core/Factory.h"
#include "core/Registries.h"
#include "elements/note/NoteConnector.h"
#include "elements/usecase/Parts.h"
#include "view/connector/Creation.h"
#include "view/connector/Parts.h"

namespace UseCase {

// The association (element "UseCaseAssoc"); it lives while it has parts.
class Assoc : public Connector::ConnectorImp<Assoc, Connector::ILinearConnector> {
 public:
  // The factory, registered under "UseCaseAssoc".
  static Core::FactoryImp<Assoc>& Factory();
  // Every end is a plain "End"; "SourceEnd" and "TargetEnd" make no part.
  static Connector::IFactory& PartFactory();
};

// An end of an association (element "UseCaseAssocEnd", tag "End"): "Pos" and its terminal under
// "Actor" or "UseCase" (at most one of them).
class AssocEnd : public Connector::EndImp<AssocEnd> {
 public:
  static Core::FactoryImp<AssocEnd>& Factory();
  static Connector::IFactory& PartFactory() { return Assoc::PartFactory(); }
  static void RegisterProperties(Core::PropertyTable<Connector::EndRep>& t);

  // The actor the end lies on, or none.
  Actor* GetActor() const;
  // The use case the end lies on, or none.
  UseCase* GetUseCase() const;
  // The association's first end, unless that is this one: then its last (this one when alone).
  AssocEnd* GetOtherEnd() const;

  // The actor, else the use case.
  Core::IModelElement* GetTerminal() const override;
  // An actor sets "Actor", a use case "UseCase", none clears both; other elements change nothing.
  void SetTerminalImp(Core::Env& env, Core::IModelElement* terminal) override;
  // Reading: "Actor" must name an actor, "UseCase" a use case, and not both be set.
  void RestoreProperties(const xml::IAttributes& attributes, Core::ObjectRegistry& registry) override;
};

// A segment of an association: a straight piece that note connectors may point at.
class AssocSegment : public Connector::SegmentImp<AssocSegment, Note::NoteConnectorEnd, false>,
                     public Core::IAttach<Note::NoteConnectorEnd> {
 public:
  static Core::FactoryImp<AssocSegment>& Factory();
  static Connector::IFactory& PartFactory() { return Assoc::PartFactory(); }
  void Attach(Core::Env& env, Note::NoteConnectorEnd* end) override { end->SetTerminal(env, this); }
};

// A bend of an association.
class AssocJoin : public Connector::JoinImp<AssocJoin> {
 public:
  static Core::FactoryImp<AssocJoin>& Factory();
  static Connector::IFactory& PartFactory() { return Assoc::PartFactory(); }
};

// Where a new association may end: on a use case only.
const Core::IFilter& AssocTargets();

// A new association along the path from the actor to the use case; none (and nothing made) when
// the source is no actor or the target no use case.
Assoc* CreateAssociation(Core::Env& env, const std::vector<Connector::PathEntry>& path, Core::IModelElement& source,
                         Core::IModelElement& target);

// Reports the association's factory to the registry.
void ReportAssociationFactories(Core::FactoryRegistry& registry);

}  // namespace UseCase
