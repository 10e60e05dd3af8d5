#pragma once
// The dependency: a dashed path of segments and joins from a source end to a target end with an
// arrow head; its ends attach to dependency parties, and ends of another dependency dropped on
// its segments or joins merge the two.
#include "core/Attach.h"
#include "core/Factory.h"
#include "core/Registries.h"
#include "elements/note/NoteConnector.h"
#include "style/Names.h"
#include "text/free/SegmentText.h"
#include "view/connector/Parts.h"
#include "core/foundation/Cast.h"

namespace Dependency {

class DependencyEnd;

// The end types: the source end is plain, the target end carries the arrow head and is the master.
namespace DependencyEndType {
enum T : int32_t { Source = 1, Target = 2 };
}

// What a dependency end may attach to; a party also lists the ends attached to it
// (Core::IPartner<DependencyEnd>, e.g. through Core::PartnerList).
class IDependencyParty : public virtual Core::ITerminal, public Core::IAttach<DependencyEnd> {};

// The dependency; it deletes itself when its target end is gone. It keeps the document's style
// for its segments.
class Dependency : public Connector::ConnectorImp<Dependency, Connector::IConnectorWithMasterEnd>,
                   public Style::IStyleClient {
public:
    // The factory, registered under "Dependency".
    static Core::FactoryImp<Dependency>& Factory();
    // The connector's lists, then "Style" (not stored).
    static void RegisterProperties(Core::PropertyTable<Connector::ConnectorRep>& t);
    // Source ends have type 1, target ends type 2; "SourceEnd" and "TargetEnd" make no part.
    static Connector::IFactory& PartFactory();
    // A new dependency takes the document's style (made when there is none) and its directory.
    static void PrepareNew(Core::Env& env, Dependency& dependency);
    // A moved dependency carries the texts anchored on its segments.
    void ShiftImpl(Core::Env& env, Core::IModelElement* sender, const Core::ShiftVector& shift,
                   Core::DeferredShiftSet& set, bool finalPass) override;

    // IStyleClient: the style is kept (undoable); the texts on the segments are restyled by the
    // segments themselves.
    void SetStyle(Core::Env& env, Style::Style* style) override;
    Style::Style* GetStyle() const override { return GetRep().style; }
    void StyleChanged(Core::Env&, const Style::DirectoryName&) override {}
    void CollectDirectoryNames(Style::IUsageCollector& collector) const override;
    void CreateDirectories(Core::Env& env, Style::Style* style) override;
};

// An end of a dependency: "Pos", "Party" and "Type" (1 or 2, both mandatory but "Party").
class DependencyEnd : public Connector::EndImp<DependencyEnd> {
public:
    // The factory, registered under "DependencyEnd".
    static Core::FactoryImp<DependencyEnd>& Factory();
    static Connector::IFactory& PartFactory() { return Dependency::PartFactory(); }
    // The template's fields, with "Type" an enumeration of 1 and 2.
    static void RegisterProperties(Core::PropertyTable<Connector::EndRep>& t);
    // The party, or none.
    IDependencyParty* GetParty() const { return zq::Cast<IDependencyParty>(GetTerminal()); }
    // The target end is the master end.
    bool IsMasterEnd() const override { return GetType() == DependencyEndType::Target; }
};

// A segment of a dependency: note ends and anchored texts lie on it; an end of another dependency
// dropped on it branches this dependency there.
class DependencySegment : public Text::SegmentImp<DependencySegment, Note::NoteConnectorEnd>,
                          public Style::IStyleClient,
                          public Core::IAttach<Note::NoteConnectorEnd>,
                          public Core::IAttach<DependencyEnd>,
                          public Core::IAttach<Text::Anchor> {
public:
    // The factory, registered under "DependencySegment".
    static Core::FactoryImp<DependencySegment>& Factory();
    static Connector::IFactory& PartFactory() { return Dependency::PartFactory(); }
    // The style directory of the texts anchored on dependency segments.
    static const Style::DirectoryName& Directory() { return Style::Names::Dependency(); }
    // A new segment makes sure the document's style has the directory.
    static void PrepareNew(Core::Env& env, DependencySegment& segment);

    // IStyleClient: the style is the dependency's (set through it; none without one); a change of
    // the directory or one above it re-lays out the anchored texts.
    void SetStyle(Core::Env& env, Style::Style* style) override;
    Style::Style* GetStyle() const override;
    void StyleChanged(Core::Env& env, const Style::DirectoryName& changed) override { RestyleAnchors(env, changed); }
    void CollectDirectoryNames(Style::IUsageCollector& collector) const override;
    void CreateDirectories(Core::Env& env, Style::Style* style) override;
    // A note end attaches as a partner of the segment.
    void Attach(Core::Env& env, Note::NoteConnectorEnd* end) override { end->SetTerminal(env, this); }
    // An end of its own dependency never attaches; another's merges its dependency into this one.
    bool CanAttach(DependencyEnd* end) const override { return end == nullptr || end->GetConnector() != GetConnector(); }
    void Attach(Core::Env& env, DependencyEnd* end) override;
    // A free text dropped on the segment hangs on it.
    void Attach(Core::Env& env, Text::Anchor* anchor) override { AddAnchor(env, anchor); }
    using Core::IAttach<Note::NoteConnectorEnd>::CanAttach;
    using Core::IAttach<Text::Anchor>::CanAttach;
};

// A join of a dependency; an end of another dependency dropped on it merges the two.
class DependencyJoin : public Connector::JoinImp<DependencyJoin>, public Core::IAttach<DependencyEnd> {
public:
    // The factory, registered under "DependencyJoin".
    static Core::FactoryImp<DependencyJoin>& Factory();
    static Connector::IFactory& PartFactory() { return Dependency::PartFactory(); }
    bool CanAttach(DependencyEnd* end) const override { return end == nullptr || end->GetConnector() != GetConnector(); }
    void Attach(Core::Env& env, DependencyEnd* end) override;
};

// Reports the dependency's factories and its style directory to the registry.
void ReportDependencyFactories(Core::FactoryRegistry& registry);

} // namespace Dependency
