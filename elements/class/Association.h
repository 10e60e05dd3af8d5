#pragma once
// The association: a path of segments and joins between association ends on classes and
// qualifiers. Its ends carry their kind (plain, aggregation, composition), an arrow head and
// anchored texts (multiplicities, roles); its segments carry names, note ends and dependency ends.
// An end of another association dropped on a segment, a join or a free end merges the two.
#include "core/Attach.h"
#include "core/Factory.h"
#include "core/Registries.h"
#include "elements/classobject/EndImp.h"
#include "elements/note/Dependency.h"
#include "elements/note/NoteConnector.h"
#include "style/Clients.h"
#include "text/free/SegmentText.h"
#include "view/connector/Parts.h"

namespace Class {

class Class;
class Qualifier;
class AssocEnd;
class AssocClassConnectorEnd;

using AssocEndType = ClassObject::EndType::T;

// The association; it lives while it has parts.
class Assoc : public Connector::ConnectorImp<Assoc> {
 public:
  // The factory, registered under "Assoc".
  static Core::FactoryImp<Assoc>& Factory();
  // Every end it makes is a plain end; a new association makes sure its style directories exist.
  static Connector::IFactory& PartFactory();
  // A moved association carries the texts anchored on its segments and ends.
  void ShiftImpl(Core::Env& env, Core::IModelElement* sender, const Core::ShiftVector& shift,
                 Core::DeferredShiftSet& set, bool finalPass) override;
};

// An end of an association: "Pos", "Class" or "Qualifier", "Type" (1 to 3) and "Traversed";
// the texts anchored at it are written inside it.
class AssocEnd : public Connector::EndImp<AssocEnd>,
                 public ClassObject::EndImp,
                 public Text::AnchorList<Connector::EndRep, &Connector::EndRep::anchors>,
                 public Style::IStyleClient,
                 public Core::IAttach<AssocEnd>,
                 public Core::IAttach<Text::Anchor> {
 public:
  // The factory, registered under "AssocEnd".
  static Core::FactoryImp<AssocEnd>& Factory();
  static Connector::IFactory& PartFactory() { return Assoc::PartFactory(); }
  static void RegisterProperties(Core::PropertyTable<Connector::EndRep>& t);
  // The directory of the texts anchored at ends.
  static const Style::DirectoryName& Directory();

  AssocEndType GetKind() const { return AssocEndType(GetType()); }
  // Writes "Type" (undoable); nothing when deleted or unchanged.
  void SetKind(Core::Env& env, AssocEndType type) { SetType(env, type); }
  bool IsTraversed() const { return GetRep().traversed; }
  // Writes "Traversed" (undoable); nothing when deleted or unchanged.
  void SetTraversed(Core::Env& env, bool traversed) { SetField(env, &Connector::EndRep::traversed, traversed); }
  // The class the end sits on directly or through its qualifier; none for a free end.
  Class* GetClass() const;
  // The qualifier the end sits on, or none.
  Qualifier* GetQualifier() const;

  // The terminal: the class, else the qualifier.
  Core::IModelElement* GetTerminal() const override;
  // A class sets "Class", a qualifier "Qualifier", none clears both; other elements change nothing.
  void SetTerminalImp(Core::Env& env, Core::IModelElement* terminal) override;
  // The kind's filter, and never a part of its own association.
  bool AcceptsTerminal(const Core::IModelElement* element) const override;
  // The template's takeover, then the other end's "Traversed" and its anchored texts.
  void TakeOverTerminal(Core::Env& env, Connector::IEnd& other) override;
  // The anchored texts follow every move of the end.
  void MoveTo(Core::Env& env, const zq::float8Point& p) override;
  // Texts lying over a box once the change is done move off it (EndImp::KeepTextsOffBoxes).
  void KeepCarriedOffChangedBoxes(Core::Env& env, std::any& pass) override {
    KeepTextsOffBoxes(env, pass, Core::PtrCont<Text::Anchor>(GetAnchors()));
  }
  // The anchored texts go with the end.
  void OnEndDeleted(Core::Env& env) override;
  // Copies take the anchored texts along.
  void CollectForSelection(Core::ModelElementSet& set) override;
  // Checks that "Class" names a class and "Qualifier" a qualifier, and that not both are set.
  void RestoreProperties(const xml::IAttributes& attributes, Core::ObjectRegistry& registry) override;
  // Nested "Anchor" elements are the end's texts.
  Core::ElementPtr CreateChildElement(Core::Env& env, const std::wstring& nsUri, const std::wstring& name) override;

  // ClassObject::EndImp
  Core::IModelElement* GetTerminalElement() const override { return GetTerminal(); }
  std::size_t GetAnchorCount() const override { return GetAnchors().size(); }
  Text::Anchor* GetFirstAnchor() const override { return GetAnchors().front(); }
  const Connector::IEnd& GetEnd() const override { return *this; }

  // IAnchorOwner: the shared placement beside the end point.
  void GetTextPlacement(Text::TextPlacement& placement, const zq::float8Point& point) const override;
  // The font of "Multiplicity, Role", centred and as small as the text.
  void GetTextStyle(TextBlock::TextStyle& style, const Core::IModelElement* asking) const override;

  // IStyleClient: the anchored texts carry the document's style.
  void SetStyle(Core::Env&, Style::Style*) override {}
  Style::Style* GetStyle() const override;
  void StyleChanged(Core::Env& env, const Style::DirectoryName& changed) override;
  void CollectDirectoryNames(Style::IUsageCollector& collector) const override;
  void CreateDirectories(Core::Env& env, Style::Style* style) override;

  // Another association's end may merge into this one while this one is free.
  bool CanAttach(AssocEnd* end) const override;
  void Attach(Core::Env& env, AssocEnd* end) override;
  // A free text dropped on the end hangs on it.
  void Attach(Core::Env& env, Text::Anchor* anchor) override { AddAnchor(env, anchor); }
  using Core::IAttach<Text::Anchor>::CanAttach;
};

// A segment of an association: anchored texts (names), note ends and dependency ends lie on it;
// an end of another association dropped on it branches this one there.
class AssocSegment : public Text::SegmentImp<AssocSegment, Note::NoteConnectorEnd>,
                     public Connector::AlsoAttached<AssocSegment, Dependency::DependencyEnd>,
                     public Connector::AlsoAttached<AssocSegment, AssocClassConnectorEnd>,
                     public Style::IStyleClient,
                     public Dependency::IDependencyParty,
                     public Core::IAttach<Note::NoteConnectorEnd>,
                     public Core::IAttach<AssocEnd>,
                     public Core::IAttach<AssocClassConnectorEnd>,
                     public Core::IAttach<Text::Anchor> {
 public:
  // The factory, registered under "AssocSegment".
  static Core::FactoryImp<AssocSegment>& Factory();
  static Connector::IFactory& PartFactory() { return Assoc::PartFactory(); }
  // The style directory of the association names.
  static const Style::DirectoryName& Directory();

  // IStyleClient
  void SetStyle(Core::Env&, Style::Style*) override {}
  Style::Style* GetStyle() const override;
  void StyleChanged(Core::Env& env, const Style::DirectoryName& changed) override { RestyleAnchors(env, changed); }
  void CollectDirectoryNames(Style::IUsageCollector& collector) const override;
  void CreateDirectories(Core::Env& env, Style::Style* style) override;

  void Attach(Core::Env& env, Note::NoteConnectorEnd* end) override { end->SetTerminal(env, this); }
  void Attach(Core::Env& env, Dependency::DependencyEnd* end) override { end->SetTerminal(env, this); }
  // Ends of its own association never attach; another's merges its association into this one.
  bool CanAttach(AssocEnd* end) const override;
  void Attach(Core::Env& env, AssocEnd* end) override;
  void Attach(Core::Env& env, Text::Anchor* anchor) override { AddAnchor(env, anchor); }
  // An association class connector's end lies on the segment (every such end is accepted).
  void Attach(Core::Env& env, AssocClassConnectorEnd* end) override;
  using Core::IAttach<Note::NoteConnectorEnd>::CanAttach;
  using Core::IAttach<AssocClassConnectorEnd>::CanAttach;
  using Core::IAttach<Text::Anchor>::CanAttach;
  using Core::IAttach<Dependency::DependencyEnd>::CanAttach;
  using Text::SegmentImp<AssocSegment, Note::NoteConnectorEnd>::AddPartner;
  using Text::SegmentImp<AssocSegment, Note::NoteConnectorEnd>::RemovePartner;
  using Text::SegmentImp<AssocSegment, Note::NoteConnectorEnd>::Contains;
  using Text::SegmentImp<AssocSegment, Note::NoteConnectorEnd>::AppendPartner;
  using Connector::AlsoAttached<AssocSegment, Dependency::DependencyEnd>::AddPartner;
  using Connector::AlsoAttached<AssocSegment, Dependency::DependencyEnd>::RemovePartner;
  using Connector::AlsoAttached<AssocSegment, Dependency::DependencyEnd>::Contains;
  using Connector::AlsoAttached<AssocSegment, Dependency::DependencyEnd>::AppendPartner;
  using Connector::AlsoAttached<AssocSegment, AssocClassConnectorEnd>::AddPartner;
  using Connector::AlsoAttached<AssocSegment, AssocClassConnectorEnd>::RemovePartner;
  using Connector::AlsoAttached<AssocSegment, AssocClassConnectorEnd>::Contains;
  using Connector::AlsoAttached<AssocSegment, AssocClassConnectorEnd>::AppendPartner;
  using Text::SegmentImp<AssocSegment, Note::NoteConnectorEnd>::GetTerminalOutline;
};

// A join of an association; an end of another association dropped on it merges the two.
class AssocJoin : public Connector::JoinImp<AssocJoin>, public Core::IAttach<AssocEnd> {
 public:
  // The factory, registered under "AssocJoin".
  static Core::FactoryImp<AssocJoin>& Factory();
  static Connector::IFactory& PartFactory() { return Assoc::PartFactory(); }
  bool CanAttach(AssocEnd* end) const override;
  void Attach(Core::Env& env, AssocEnd* end) override;
};

// Reports the association's factories and style directories to the registry.
void ReportAssociationFactories(Core::FactoryRegistry& registry);

}  // namespace Class
