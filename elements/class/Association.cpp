#include "elements/class/Association.h"

#include "core/Exceptions.h"
#include "elements/class/AssocClassConnector.h"
#include "elements/class/Class.h"
#include "elements/class/Qualifier.h"
#include "view/connector/PartFactory.h"
#include "style/Model.h"
#include "style/Names.h"
#include "view/connector/Functions.h"
#include "core/foundation/Cast.h"

namespace Class {

namespace {
// Plain ends everywhere; the first association of a document makes the class diagram's directories.
class Fact : public Connector::KindPartFactory<Assoc, AssocEnd, AssocJoin, AssocSegment> {
 public:
  Fact() : KindPartFactory(ClassObject::EndType::Direct, ClassObject::EndType::Direct, ClassObject::EndType::Direct) {}
  std::shared_ptr<Connector::IConnector> CreateConnector(Core::Env& env) override {
    Style::CreateKindDirectories(env, Style::Style::FindOrCreate(env), Style::StyledKind::Association);
    return KindPartFactory::CreateConnector(env);
  }
  // A stored "SourceEnd" or "TargetEnd" reads as an ordinary end.
  Core::ElementPtr CreateSourceEnd() override { return CreateEnd(); }
  Core::ElementPtr CreateTargetEnd() override { return CreateEnd(); }
};

// The document's style as the asking anchor's text knows it.
Style::Style* StyleOfAnchors(const Core::PtrCont<Text::Anchor>& anchors) {
  for (Text::Anchor* a : anchors)
    if (Text::FreeText* text = a->GetFreeText()) return text->GetStyle();
  return nullptr;
}

// An end of another association only.
bool OfAnotherAssoc(const AssocEnd* end, const Connector::IConnectorElement& part) {
  return end == nullptr || end->GetConnector() != part.GetConnector();
}

void ReportUse(Style::IUsageCollector& collector, const Style::DirectoryName& directory) {
  for (const Style::DirectoryName* name = &directory; name; name = name->GetParent()) collector.Use(*name);
}
}  // namespace

// ---- the association

Core::FactoryImp<Assoc>& Assoc::Factory() {
  static Core::FactoryImp<Assoc> factory(Core::SchemaNamespace10(), L"Assoc");
  return factory;
}

Connector::IFactory& Assoc::PartFactory() {
  static Fact factory;
  return factory;
}

void Assoc::ShiftImpl(Core::Env& env, Core::IModelElement* sender, const Core::ShiftVector& shift,
                      Core::DeferredShiftSet& set, bool finalPass) {
  Connector::IConnector::ShiftImpl(env, sender, shift, set, finalPass);
  for (Connector::ISegment* s : GetSegmentList())
    if (auto* segment = zq::Cast<AssocSegment>(s)) segment->CarryAnchors(env);
}

// ---- ends

Core::FactoryImp<AssocEnd>& AssocEnd::Factory() {
  static Core::FactoryImp<AssocEnd> factory(Core::SchemaNamespace10(), L"AssocEnd");
  return factory;
}

void AssocEnd::RegisterProperties(Core::PropertyTable<Connector::EndRep>& t) {
  using namespace Core;
  using Connector::EndRep;
  RegisterRefNonStoreProperty::Register(t, &EndRep::group, L"Group");
  RegisterRefNonStoreProperty::Register(t, &EndRep::segment, L"Segment");
  RegisterProperty<EvalRestore::Mandatory>::Register(t, &EndRep::pos, L"Pos", zq::float8Point(0, 0));
  RegisterRefProperty<>::Register(t, &EndRep::party, L"Class");
  RegisterRefProperty<>::Register(t, &EndRep::subParty, L"Qualifier");
  RegisterEnumProperty<ClassObject::EndType::Direct, ClassObject::EndType::Composition>::Register(
      t, &EndRep::type, L"Type", int32_t(ClassObject::EndType::Direct));
  RegisterBoolProperty::Register(t, &EndRep::traversed, L"Traversed");
  RegisterRefContNonStoreProperty::Register(t, &EndRep::anchors, L"TextAnchors");
}

const Style::DirectoryName& AssocEnd::Directory() { return Style::Names::MultiplicityRole(); }

Class* AssocEnd::GetClass() const {
  if (auto* c = zq::Cast<Class>(GetRep().party)) return c;
  if (Qualifier* q = GetQualifier()) return q->GetClass();
  return nullptr;
}

Qualifier* AssocEnd::GetQualifier() const { return zq::Cast<Qualifier>(GetRep().subParty); }

Core::IModelElement* AssocEnd::GetTerminal() const {
  return GetRep().party != nullptr ? GetRep().party : GetRep().subParty;
}

void AssocEnd::SetTerminalImp(Core::Env& env, Core::IModelElement* terminal) {
  if (IsDeleted()) return;
  Core::IModelElement* box = nullptr;
  Core::IModelElement* qualifier = nullptr;
  if (zq::Cast<Class>(terminal) != nullptr) box = terminal;
  else if (zq::Cast<Qualifier>(terminal) != nullptr) qualifier = terminal;
  else if (terminal != nullptr) return;
  SetField(env, &Connector::EndRep::party, box);
  SetField(env, &Connector::EndRep::subParty, qualifier);
}

bool AssocEnd::AcceptsTerminal(const Core::IModelElement* element) const {
  if (!Connector::EndImp<AssocEnd>::AcceptsTerminal(element)) return false;
  auto* part = zq::Cast<const Connector::IConnectorElement>(element);
  return part == nullptr || part->GetConnector() != GetConnector();
}

void AssocEnd::TakeOverTerminal(Core::Env& env, Connector::IEnd& other) {
  if (IsDeleted()) return;
  Connector::IEnd::TakeOverTerminal(env, other);
  auto* end = zq::Cast<AssocEnd>(&other);
  if (end == nullptr) return;
  SetTraversed(env, end->IsTraversed());
  // Each text leaves the other end's list as it joins this one.
  for (Text::Anchor* a : Core::PtrCont<Text::Anchor>(end->GetAnchors())) AddAnchor(env, a);
}

void AssocEnd::MoveTo(Core::Env& env, const zq::float8Point& p) {
  Connector::EndImp<AssocEnd>::MoveTo(env, p);
  if (IsDeleted() || GetAnchors().empty()) return;
  CarryTexts(env, *this, Core::PtrCont<Text::Anchor>(GetAnchors()));
}

void AssocEnd::OnEndDeleted(Core::Env& env) {
  for (Text::Anchor* a : Core::PtrCont<Text::Anchor>(GetAnchors())) a->Detach(env);
}

void AssocEnd::CollectForSelection(Core::ModelElementSet& set) {
  Core::IModelElement::CollectForSelection(set);
  for (Text::Anchor* a : GetAnchors()) a->CollectForSelection(set);
}

void AssocEnd::RestoreProperties(const xml::IAttributes& attributes, Core::ObjectRegistry& registry) {
  Connector::EndImp<AssocEnd>::RestoreProperties(attributes, registry);
  const Connector::EndRep& rep = GetRep();
  const bool wrongClass = rep.party != nullptr && zq::Cast<Class>(rep.party) == nullptr;
  const bool wrongQualifier = rep.subParty != nullptr && zq::Cast<Qualifier>(rep.subParty) == nullptr;
  if (wrongClass || wrongQualifier || (rep.party != nullptr && rep.subParty != nullptr))
    throw Core::Exceptions::TypeMismatchOfRestoredObject(attributes.GetLine());
}

Core::ElementPtr AssocEnd::CreateChildElement(Core::Env& env, const std::wstring& nsUri, const std::wstring& name) {
  if (Core::ElementPtr anchor = IAnchorOwner::RestoreAnchorElement(env, nsUri, name)) return anchor;
  return Connector::EndImp<AssocEnd>::CreateChildElement(env, nsUri, name);
}

void AssocEnd::GetTextPlacement(Text::TextPlacement& placement, const zq::float8Point&) const {
  Style::Style* style = placement.style;
  placement = PlaceText();
  placement.style = style != nullptr ? style : GetStyle();
}

void AssocEnd::GetTextStyle(TextBlock::TextStyle& style, const Core::IModelElement* asking) const {
  style = TextBlock::TextStyle();
  if (const Style::Style* s = AssocSegment::DocumentStyle(asking)) s->GetFont(Directory(), style);
  style.horizontalAlignment = TextBlock::AlignCenter;
  style.verticalAlignment = TextBlock::AlignMiddle;
  style.sizing = TextBlock::SizingOwnExtent;
}

Style::Style* AssocEnd::GetStyle() const { return StyleOfAnchors(GetAnchors()); }

void AssocEnd::StyleChanged(Core::Env& env, const Style::DirectoryName& changed) {
  if (IsDeleted() || !changed.Contains(Directory())) return;
  for (Text::Anchor* a : GetAnchors()) a->ApplyTextStyle(env);
}

void AssocEnd::CollectDirectoryNames(Style::IUsageCollector& collector) const { ReportUse(collector, Directory()); }

void AssocEnd::CreateDirectories(Core::Env& env, Style::Style* style) {
  if (style != nullptr) Style::CreateKindDirectories(env, *style, Style::StyledKind::Association);
}

bool AssocEnd::CanAttach(AssocEnd* end) const {
  return GetTerminal() == nullptr && end != this && OfAnotherAssoc(end, *this);
}

void AssocEnd::Attach(Core::Env& env, AssocEnd* end) { Connector::Functions::MergeEnds(env, *end, *this); }

// ---- segments

Core::FactoryImp<AssocSegment>& AssocSegment::Factory() {
  static Core::FactoryImp<AssocSegment> factory(Core::SchemaNamespace10(), L"AssocSegment");
  return factory;
}

const Style::DirectoryName& AssocSegment::Directory() { return Style::Names::Association(); }

Style::Style* AssocSegment::GetStyle() const { return StyleOfAnchors(GetAnchors()); }

void AssocSegment::CollectDirectoryNames(Style::IUsageCollector& collector) const {
  ReportUse(collector, Directory());
  ReportUse(collector, AssocEnd::Directory());
}

void AssocSegment::CreateDirectories(Core::Env& env, Style::Style* style) {
  if (style != nullptr) Style::CreateKindDirectories(env, *style, Style::StyledKind::Association);
}

bool AssocSegment::CanAttach(AssocEnd* end) const { return OfAnotherAssoc(end, *this); }

void AssocSegment::Attach(Core::Env& env, AssocEnd* end) { Connector::Functions::MergeEndIntoSegment(env, *end, *this); }

void AssocSegment::Attach(Core::Env& env, AssocClassConnectorEnd* end) { end->SetTerminal(env, this); }

// ---- joins

Core::FactoryImp<AssocJoin>& AssocJoin::Factory() {
  static Core::FactoryImp<AssocJoin> factory(Core::SchemaNamespace10(), L"AssocJoin");
  return factory;
}

bool AssocJoin::CanAttach(AssocEnd* end) const { return OfAnotherAssoc(end, *this); }

void AssocJoin::Attach(Core::Env& env, AssocEnd* end) { Connector::Functions::MergeEndIntoJoin(env, *end, *this); }

void ReportAssociationFactories(Core::FactoryRegistry& registry) {
  Assoc::Factory().ReportTo(registry);
  Style::RegisterDirectoryNames(Style::StyledKind::Association);
}

}  // namespace Class
