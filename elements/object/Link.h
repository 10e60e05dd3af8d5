#pragma once
// The link: a path of segments and joins between link ends on objects and their qualifiers. Its
// ends carry their kind (plain, aggregation, composition), an arrow head and role texts; its
// segments carry names (underlined) and note ends. An end of another link dropped on a segment, a
// join or a free end merges the two.
#include "core/Attach.h"
#include "core/Factory.h"
#include "core/Registries.h"
#include "elements/classobject/PartyEnd.h"
#include "elements/note/NoteConnector.h"
#include "style/Clients.h"
#include "style/Names.h"
#include "text/free/SegmentText.h"
#include "view/connector/Parts.h"

namespace Object {

class Object;
class Qualifier;
class LinkEnd;
class LinkSegment;

// The link; it lives while it has parts.
class Link : public Connector::ConnectorImp<Link> {
 public:
  // The factory, registered under "Link".
  static Core::FactoryImp<Link>& Factory();
  // Every end it makes is a plain "End"; a new link makes sure its style directories exist.
  static Connector::IFactory& PartFactory();
  // A moved link carries the texts anchored on its segments.
  void ShiftImpl(Core::Env& env, Core::IModelElement* sender, const Core::ShiftVector& shift,
                 Core::DeferredShiftSet& set, bool finalPass) override;
};

// What the link's ends settle: role texts in "Role", objects under "Object".
struct LinkEndKind {
  static const Style::DirectoryName& Directory() { return Style::Names::ObjectRole(); }
  static constexpr Style::StyledKind kStyledKind = Style::StyledKind::Link;
  static constexpr const wchar_t* kBoxAttribute = L"Object";
  static const Style::Style* DocumentStyle(const Core::IModelElement* asking);
};

// An end of a link: "Pos", "Object" or "Qualifier", "Type" (1 to 3) and "Traversed"; its role texts
// are written inside it.
class LinkEnd : public ClassObject::PartyEnd<LinkEnd, Object, Qualifier, LinkEndKind> {
 public:
  // The factory, registered under "LinkEnd".
  static Core::FactoryImp<LinkEnd>& Factory();
  static Connector::IFactory& PartFactory() { return Link::PartFactory(); }
  // The object the end belongs to, directly or through its qualifier.
  Object* GetObject() const { return GetBox(); }
};

// A segment of a link: names and note ends lie on it; an end of another link dropped on it branches
// this one there.
class LinkSegment : public Text::SegmentImp<LinkSegment, Note::NoteConnectorEnd>,
                    public Style::IStyleClient,
                    public Core::IAttach<Note::NoteConnectorEnd>,
                    public Core::IAttach<LinkEnd>,
                    public Core::IAttach<Text::Anchor> {
 public:
  // The factory, registered under "LinkSegment".
  static Core::FactoryImp<LinkSegment>& Factory();
  static Connector::IFactory& PartFactory() { return Link::PartFactory(); }
  // The style directory of link names.
  static const Style::DirectoryName& Directory() { return Style::Names::Link(); }
  // The names are underlined.
  void GetTextStyle(TextBlock::TextStyle& style, const Core::IModelElement* asking) const override;

  // IStyleClient
  void SetStyle(Core::Env&, Style::Style*) override {}
  Style::Style* GetStyle() const override;
  void StyleChanged(Core::Env& env, const Style::DirectoryName& changed) override { RestyleAnchors(env, changed); }
  void CollectDirectoryNames(Style::IUsageCollector& collector) const override;
  void CreateDirectories(Core::Env& env, Style::Style* style) override;

  void Attach(Core::Env& env, Note::NoteConnectorEnd* end) override { end->SetTerminal(env, this); }
  // Ends of its own link never attach; another's merges its link into this one.
  bool CanAttach(LinkEnd* end) const override { return ClassObject::OfAnotherConnector(end, *this); }
  void Attach(Core::Env& env, LinkEnd* end) override;
  void Attach(Core::Env& env, Text::Anchor* anchor) override { AddAnchor(env, anchor); }
  using Core::IAttach<Note::NoteConnectorEnd>::CanAttach;
  using Core::IAttach<Text::Anchor>::CanAttach;
};

// A join of a link; an end of another link dropped on it merges the two.
class LinkJoin : public ClassObject::MergingJoin<LinkJoin, LinkEnd> {
 public:
  // The factory, registered under "LinkJoin".
  static Core::FactoryImp<LinkJoin>& Factory();
  static Connector::IFactory& PartFactory() { return Link::PartFactory(); }
};

// Reports the link's factories and style directories to the registry.
void ReportLinkFactories(Core::FactoryRegistry& registry);

}  // namespace Object
