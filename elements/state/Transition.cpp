#include "elements/state/Transition.h"

#include "view/connector/PartFactory.h"
#include "elements/state/PseudoState.h"
#include "elements/state/RegionSeparator.h"
#include "elements/state/State.h"
#include "elements/state/StateCompartment.h"
#include "core/foundation/Cast.h"

namespace State {

Core::FactoryImp<Transition>& Transition::Factory() {
  static Core::FactoryImp<Transition> factory(Core::SchemaNamespace10(), L"Transition");
  return factory;
}

Connector::IFactory& Transition::PartFactory() {
  static Connector::KindPartFactory<Transition, TransitionEnd, TransitionJoin, TransitionSegment> factory(
      TransitionEndType::Source, TransitionEndType::Target, TransitionEndType::Source);
  return factory;
}

namespace {
void CollectTransitionDirectories(Style::IUsageCollector& collector) {
  Style::DirectoryName::VisitFromRoot(collector, TransitionSegment::Directory());
}

void CreateTransitionDirectories(Core::Env& env, Style::Style* style) {
  if (style) Style::CreateKindDirectories(env, *style, Style::StyledKind::Transition);
}
}  // namespace

TransitionEnd* Transition::GetSourceEnd() const {
  for (Connector::IEnd* e : GetEnds())
    if (auto* t = zq::Cast<TransitionEnd>(e); t && t->GetType() == TransitionEndType::Source) return t;
  return nullptr;
}

Connector::IEnd* Transition::GetFirstEnd() const {
  for (Connector::IEnd* e : GetEnds())
    if (auto* t = zq::Cast<TransitionEnd>(e); t && !t->IsDeleted() && t->GetType() == TransitionEndType::Source)
      return t;
  return ILinearConnector::GetFirstEnd();
}

void Transition::ShiftImpl(Core::Env& env, Core::IModelElement* sender, const Core::ShiftVector& shift,
                           Core::DeferredShiftSet& set, bool finalPass) {
  Connector::IConnector::ShiftImpl(env, sender, shift, set, finalPass);
  for (Connector::ISegment* s : GetSegmentList())
    if (auto* segment = zq::Cast<TransitionSegment>(s)) segment->CarryAnchors(env);
}

Style::Style* Transition::GetStyle() const {
  for (Connector::ISegment* s : GetSegmentList())
    if (auto* segment = zq::Cast<TransitionSegment>(s))
      if (Style::Style* style = segment->GetStyle()) return style;
  return nullptr;
}

void Transition::StyleChanged(Core::Env& env, const Style::DirectoryName& changed) {
  if (IsDeleted()) return;
  for (Connector::ISegment* s : GetSegmentList())
    if (auto* segment = zq::Cast<TransitionSegment>(s)) segment->RestyleAnchors(env, changed);
}

void Transition::CollectDirectoryNames(Style::IUsageCollector& collector) const {
  CollectTransitionDirectories(collector);
}

void Transition::CreateDirectories(Core::Env& env, Style::Style* style) { CreateTransitionDirectories(env, style); }

Core::FactoryImp<TransitionEnd>& TransitionEnd::Factory() {
  static Core::FactoryImp<TransitionEnd> factory(Core::SchemaNamespace10(), L"TransitionEnd");
  return factory;
}

void TransitionEnd::RegisterProperties(Core::PropertyTable<Connector::EndRep>& t) {
  using namespace Core;
  using Connector::EndRep;
  RegisterRefNonStoreProperty::Register(t, &EndRep::group, L"Group");
  RegisterRefNonStoreProperty::Register(t, &EndRep::segment, L"Segment");
  RegisterProperty<EvalRestore::Mandatory>::Register(t, &EndRep::pos, L"Pos", zq::float8Point(0, 0));
  RegisterRefProperty<>::Register(t, &EndRep::party, L"State");
  RegisterEnumProperty<TransitionEndType::Source, TransitionEndType::Target>::Register(
      t, &EndRep::type, L"Type", int32_t(TransitionEndType::Source));
}

Core::FactoryImp<TransitionSegment>& TransitionSegment::Factory() {
  static Core::FactoryImp<TransitionSegment> factory(Core::SchemaNamespace10(), L"TransitionSegment");
  return factory;
}

void TransitionSegment::PrepareNew(Core::Env& env, TransitionSegment& segment) {
  segment.CreateDirectories(env, &Style::Style::FindOrCreate(env));
}

Style::Style* TransitionSegment::GetStyle() const {
  for (Text::Anchor* a : GetAnchors())
    if (Text::FreeText* text = a->GetFreeText()) return text->GetStyle();
  return nullptr;
}

void TransitionSegment::StyleChanged(Core::Env& env, const Style::DirectoryName& changed) {
  if (GetConnector() == nullptr) RestyleAnchors(env, changed);
}

void TransitionSegment::CollectDirectoryNames(Style::IUsageCollector& collector) const {
  CollectTransitionDirectories(collector);
}

void TransitionSegment::CreateDirectories(Core::Env& env, Style::Style* style) {
  CreateTransitionDirectories(env, style);
}

Core::FactoryImp<TransitionJoin>& TransitionJoin::Factory() {
  static Core::FactoryImp<TransitionJoin> factory(Core::SchemaNamespace10(), L"TransitionJoin");
  return factory;
}

bool TransitionTargetFilter::Accept(const Core::IModelElement* element) const {
  auto* party = zq::Cast<const ITransitionParty>(element);
  return party && !party->IsInitialState() && party->CanAttach(nullptr);
}

bool TransitionSourceFilter::Accept(const Core::IModelElement* element) const {
  auto* party = zq::Cast<const ITransitionParty>(element);
  return party && party->AcceptsEndType(TransitionEndType::Source);
}

Transition* CreateTransition(Core::Env& env, const std::vector<Connector::PathEntry>& path, Core::IModelElement& source,
                             Core::IModelElement& target) {
  static const TransitionSourceFilter sources;
  static const TransitionTargetFilter targets;
  if (!sources.Accept(&source)) return nullptr;
  return zq::Cast<Transition>(
      Connector::BuildPathConnector(env, Transition::PartFactory(), path, &source, &target, &targets));
}

void ReportStateFactories(Core::FactoryRegistry& registry) {
  State::Factory().ReportTo(registry);
  Compartment::Factory().ReportTo(registry);
  InitialState::Factory().ReportTo(registry);
  FinalState::Factory().ReportTo(registry);
  Transition::Factory().ReportTo(registry);
  // Reported so that documents and pastes holding separators read.
  RegionSeparator::Factory().ReportTo(registry);
  for (Style::StyledKind kind : {Style::StyledKind::State, Style::StyledKind::StateCompartment,
                                 Style::StyledKind::RegionSeparator, Style::StyledKind::Transition})
    Style::RegisterDirectoryNames(kind);
}

}  // namespace State
