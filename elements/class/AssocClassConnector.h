#pragma once
// The association class connector: a dashed chain from a class (its source end, "Class") to a
// segment of an association (its end, "AssocSegment"), which makes the class the association's
// class. Written as "AssocClassConnector" with "SourceEnd", "Segment", ("Join", "Segment")... and
// "End" in chain order.
#include "core/Attach.h"
#include "core/Factory.h"
#include "core/Registries.h"
#include "elements/note/NoteConnector.h"
#include "view/connector/Parts.h"

namespace Class {

class Class;
class AssocSegment;

// The connector; it lives while it has parts. Its chain has exactly one source end.
class AssocClassConnector : public Connector::ConnectorImp<AssocClassConnector, Connector::ILinearConnector>,
                            public Core::ICheckable {
 public:
  // The factory, registered under "AssocClassConnector".
  static Core::FactoryImp<AssocClassConnector>& Factory();
  // Source ends at the start of a drawn path, the end on the association at its end.
  static Connector::IFactory& PartFactory();
  // A new connector from the class to the middle of the association segment (inside the
  // caller's change): one straight segment; none when the segment has no two ends.
  static AssocClassConnector* Create(Core::Env& env, Class& c, AssocSegment& segment);
  // The first live source end, else the first live end.
  Connector::IEnd* GetFirstEnd() const override;
  // The chain's rules, and exactly one source end, which starts the chain.
  Connector::GraphFault CheckGraph() const override;
  // What is wrong with the chain or one of its ends (see the ends' FindFault); empty when sound.
  std::string FindFault() const;
  // Refuses an unsound connector: throws Connector::Exceptions::MalformedConnector naming the fault.
  void Check(Core::Env& env) override;
};

// The end on the class ("SourceEnd": "Pos", "Class").
class AssocClassConnectorSourceEnd : public Connector::EndImp<AssocClassConnectorSourceEnd>, public Core::ICheckable {
 public:
  // The factory, registered under "AssocClassConnectorSourceEnd".
  static Core::FactoryImp<AssocClassConnectorSourceEnd>& Factory();
  static Connector::IFactory& PartFactory() { return AssocClassConnector::PartFactory(); }
  static void RegisterProperties(Core::PropertyTable<Connector::EndRep>& t);
  std::wstring GetPartTag() const override { return L"SourceEnd"; }
  // The class the end lies on, or none.
  Class* GetClass() const;
  // A class becomes the terminal, none clears it; any other element changes nothing.
  void SetTerminalImp(Core::Env& env, Core::IModelElement* terminal) override;
  // Classes only, never the end itself nor a part of its own connector.
  bool AcceptsTerminal(const Core::IModelElement* element) const override;
  // A further end of this kind: another source end.
  std::shared_ptr<Connector::IEnd> CreateFurtherEnd(Core::Env& env, const zq::float8Point& point) override;
  // "Class" must name a class.
  void RestoreProperties(const xml::IAttributes& attributes, Core::ObjectRegistry& registry) override;
  void EndRestore(Core::Env&, const Core::RestoreContext& context) override {
    Connector::Detail::AdoptReadPart(*this, context, L"SourceEnd");
  }
  // What is wrong with the end: it lies outside its connector or segment, or on a deleted class or
  // one that does not list it; empty when sound (also for a free or deleted end).
  std::string FindFault() const;
  // Refuses an unsound end: throws Connector::Exceptions::MalformedConnector naming the fault.
  void Check(Core::Env& env) override;
};

// The end on the association segment ("End": "Pos", "AssocSegment").
class AssocClassConnectorEnd : public Connector::EndImp<AssocClassConnectorEnd>, public Core::ICheckable {
 public:
  // The factory, registered under "AssocClassConnectorEnd".
  static Core::FactoryImp<AssocClassConnectorEnd>& Factory();
  static Connector::IFactory& PartFactory() { return AssocClassConnector::PartFactory(); }
  static void RegisterProperties(Core::PropertyTable<Connector::EndRep>& t);
  // The association segment the end sits on, or none.
  AssocSegment* GetAssocSegment() const;
  // An association segment becomes the terminal, none clears it; any other element changes nothing.
  void SetTerminalImp(Core::Env& env, Core::IModelElement* terminal) override;
  // Association segments only, never the end itself nor a part of its own connector.
  bool AcceptsTerminal(const Core::IModelElement* element) const override;
  // A further end of this kind (the far end made again): the factory's end, never a source end.
  std::shared_ptr<Connector::IEnd> CreateFurtherEnd(Core::Env& env, const zq::float8Point& point) override;
  // "AssocSegment" must name an association segment.
  void RestoreProperties(const xml::IAttributes& attributes, Core::ObjectRegistry& registry) override;
  // What is wrong with the end: as for the source end, and it must lie on its association segment;
  // empty when sound (also for a free or deleted end).
  std::string FindFault() const;
  // Refuses an unsound end: throws Connector::Exceptions::MalformedConnector naming the fault.
  void Check(Core::Env& env) override;
};

// A segment of the connector; a note connector may point at it, but not its own connector.
class AssocClassConnectorSegment
    : public Connector::SegmentImp<AssocClassConnectorSegment, Note::NoteConnectorEnd, false>,
      public Core::IAttach<Note::NoteConnectorEnd> {
 public:
  // The factory, registered under "AssocClassConnectorSegment".
  static Core::FactoryImp<AssocClassConnectorSegment>& Factory();
  static Connector::IFactory& PartFactory() { return AssocClassConnector::PartFactory(); }
  void Attach(Core::Env& env, Note::NoteConnectorEnd* end) override { end->SetTerminal(env, this); }
};

// A bend of the connector.
class AssocClassConnectorJoin : public Connector::JoinImp<AssocClassConnectorJoin> {
 public:
  // The factory, registered under "AssocClassConnectorJoin".
  static Core::FactoryImp<AssocClassConnectorJoin>& Factory();
  static Connector::IFactory& PartFactory() { return AssocClassConnector::PartFactory(); }
};

// Reports the connector's factory to the registry.
void ReportAssocClassConnectorFactories(Core::FactoryRegistry& registry);

}  // namespace Class
