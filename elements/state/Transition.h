#pragma once
// The transition: a chain of segments and joins from a source end (type 1) to a target end
// (type 2, drawn with an open arrow head), written in chain order from the source end; its ends
// attach to states, initial states (source ends only) and final states (target ends only). Its
// segments carry labels and note ends.
#include "core/Attach.h"
#include "core/Factory.h"
#include "core/Registries.h"
#include "elements/note/NoteConnector.h"
#include "elements/state/Parts.h"
#include "style/Names.h"
#include "text/free/SegmentText.h"
#include "view/connector/Creation.h"
#include "view/connector/Parts.h"
#include "core/foundation/Cast.h"

namespace State {

// The end types: the source end is plain, the target end carries the arrow head.
namespace TransitionEndType {
enum T : int32_t { Source = 1, Target = 2 };
}

// The transition (element name "Transition"); it lives while it has parts. As a style client it
// uses "State Diagram" > "Transition", whose font its labels take.
class Transition : public Connector::ConnectorImp<Transition, Connector::ILinearConnector>, public Style::IStyleClient {
 public:
  static Core::FactoryImp<Transition>& Factory();
  // Source ends have type 1, target ends type 2.
  static Connector::IFactory& PartFactory();
  // The first end of type 1, or none.
  TransitionEnd* GetSourceEnd() const;
  // The chain starts at the source end (at the first live end when there is none).
  Connector::IEnd* GetFirstEnd() const override;
  // A moved transition carries the texts anchored on its segments.
  void ShiftImpl(Core::Env& env, Core::IModelElement* sender, const Core::ShiftVector& shift,
                 Core::DeferredShiftSet& set, bool finalPass) override;

  // The labels carry the document's style (the transition stores none); it answers theirs.
  void SetStyle(Core::Env&, Style::Style*) override {}
  Style::Style* GetStyle() const override;
  // A change of "Transition" or a directory above it re-lays out the labels of every segment.
  void StyleChanged(Core::Env& env, const Style::DirectoryName& changed) override;
  // "Transition" with its ancestors.
  void CollectDirectoryNames(Style::IUsageCollector& collector) const override;
  // "State Diagram" and "Transition", a new one with its typeface and size inherited.
  void CreateDirectories(Core::Env& env, Style::Style* style) override;
};

// An end of a transition: "Pos", "State" (its party, when attached) and "Type" (1 or 2, mandatory).
class TransitionEnd : public Connector::EndImp<TransitionEnd> {
 public:
  static Core::FactoryImp<TransitionEnd>& Factory();
  static Connector::IFactory& PartFactory() { return Transition::PartFactory(); }
  static void RegisterProperties(Core::PropertyTable<Connector::EndRep>& t);
  // The party, or none.
  ITransitionParty* GetParty() const { return zq::Cast<ITransitionParty>(GetTerminal()); }
};

// A segment of a transition: labels and note ends lie on it; transition ends never attach to it.
// The chain gives its ends: they are not written.
class TransitionSegment : public Text::SegmentImp<TransitionSegment, Note::NoteConnectorEnd, false>,
                          public Style::IStyleClient,
                          public Core::IAttach<Note::NoteConnectorEnd>,
                          public Core::IAttach<Text::Anchor> {
 public:
  static Core::FactoryImp<TransitionSegment>& Factory();
  static Connector::IFactory& PartFactory() { return Transition::PartFactory(); }
  // The style directory of the labels.
  static const Style::DirectoryName& Directory() { return Style::Names::Transition(); }
  // A new segment makes sure the document's style has the directory.
  static void PrepareNew(Core::Env& env, TransitionSegment& segment);

  void SetStyle(Core::Env&, Style::Style*) override {}
  Style::Style* GetStyle() const override;
  // The labels are restyled by the segment's transition; a segment without one restyles its own.
  void StyleChanged(Core::Env& env, const Style::DirectoryName& changed) override;
  void CollectDirectoryNames(Style::IUsageCollector& collector) const override;
  void CreateDirectories(Core::Env& env, Style::Style* style) override;
  void Attach(Core::Env& env, Note::NoteConnectorEnd* end) override { end->SetTerminal(env, this); }
  void Attach(Core::Env& env, Text::Anchor* anchor) override { AddAnchor(env, anchor); }
  using Core::IAttach<Note::NoteConnectorEnd>::CanAttach;
  using Core::IAttach<Text::Anchor>::CanAttach;
};

// A join of a transition.
class TransitionJoin : public Connector::JoinImp<TransitionJoin> {
 public:
  static Core::FactoryImp<TransitionJoin>& Factory();
  static Connector::IFactory& PartFactory() { return Transition::PartFactory(); }
};

// The filter of a new transition's source: a party that takes source ends (no final state).
class TransitionSourceFilter : public Core::IFilter {
 public:
  bool Accept(const Core::IModelElement* element) const override;
};

// The filter of a new transition's target: a party that is no initial state and takes a new end.
class TransitionTargetFilter : public Core::IFilter {
 public:
  bool Accept(const Core::IModelElement* element) const override;
};

// A new transition along the path from the source to the target (one source end, one target end);
// none, and nothing made, when either filter refuses its party.
Transition* CreateTransition(Core::Env& env, const std::vector<Connector::PathEntry>& path, Core::IModelElement& source,
                             Core::IModelElement& target);

// Reports the factories of the state diagram's elements and its style directories to the registry.
void ReportStateFactories(Core::FactoryRegistry& registry);

}  // namespace State
