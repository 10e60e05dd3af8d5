#include "elements/object/Link.h"

#include "elements/object/Object.h"
#include "elements/object/Qualifier.h"
#include "view/connector/PartFactory.h"
#include "core/foundation/Cast.h"

namespace Object {

namespace {
// Plain ends everywhere; the first link of a document makes the link's directories.
class Fact : public Connector::KindPartFactory<Link, LinkEnd, LinkJoin, LinkSegment> {
 public:
  Fact() : KindPartFactory(ClassObject::EndType::Direct, ClassObject::EndType::Direct, ClassObject::EndType::Direct) {}
  std::shared_ptr<Connector::IConnector> CreateConnector(Core::Env& env) override {
    Style::CreateKindDirectories(env, Style::Style::FindOrCreate(env), Style::StyledKind::Link);
    return KindPartFactory::CreateConnector(env);
  }
  // A link has no directed ends.
  Core::ElementPtr CreateSourceEnd() override { return nullptr; }
  Core::ElementPtr CreateTargetEnd() override { return nullptr; }
};
}  // namespace

// ---- the link

Core::FactoryImp<Link>& Link::Factory() {
  static Core::FactoryImp<Link> factory(Core::SchemaNamespace10(), L"Link");
  return factory;
}

Connector::IFactory& Link::PartFactory() {
  static Fact factory;
  return factory;
}

void Link::ShiftImpl(Core::Env& env, Core::IModelElement* sender, const Core::ShiftVector& shift,
                     Core::DeferredShiftSet& set, bool finalPass) {
  Connector::IConnector::ShiftImpl(env, sender, shift, set, finalPass);
  for (Connector::ISegment* s : GetSegmentList())
    if (auto* segment = zq::Cast<LinkSegment>(s)) segment->CarryAnchors(env);
}

// ---- ends

const Style::Style* LinkEndKind::DocumentStyle(const Core::IModelElement* asking) {
  return LinkSegment::DocumentStyle(asking);
}

Core::FactoryImp<LinkEnd>& LinkEnd::Factory() {
  static Core::FactoryImp<LinkEnd> factory(Core::SchemaNamespace10(), L"LinkEnd");
  return factory;
}

// ---- segments

Core::FactoryImp<LinkSegment>& LinkSegment::Factory() {
  static Core::FactoryImp<LinkSegment> factory(Core::SchemaNamespace10(), L"LinkSegment");
  return factory;
}

void LinkSegment::GetTextStyle(TextBlock::TextStyle& style, const Core::IModelElement* asking) const {
  Text::SegmentImp<LinkSegment, Note::NoteConnectorEnd>::GetTextStyle(style, asking);
  style.underline = true;
}

Style::Style* LinkSegment::GetStyle() const {
  for (Text::Anchor* a : GetAnchors())
    if (Text::FreeText* text = a->GetFreeText()) return text->GetStyle();
  return nullptr;
}

void LinkSegment::CollectDirectoryNames(Style::IUsageCollector& collector) const {
  Style::DirectoryName::VisitFromRoot(collector, Directory());
  Style::DirectoryName::VisitFromRoot(collector, LinkEndKind::Directory());
}

void LinkSegment::CreateDirectories(Core::Env& env, Style::Style* style) {
  if (style != nullptr) Style::CreateKindDirectories(env, *style, Style::StyledKind::Link);
}

void LinkSegment::Attach(Core::Env& env, LinkEnd* end) { Connector::Functions::MergeEndIntoSegment(env, *end, *this); }

// ---- joins

Core::FactoryImp<LinkJoin>& LinkJoin::Factory() {
  static Core::FactoryImp<LinkJoin> factory(Core::SchemaNamespace10(), L"LinkJoin");
  return factory;
}

void ReportLinkFactories(Core::FactoryRegistry& registry) {
  Link::Factory().ReportTo(registry);
  LinkEnd::Factory().ReportTo(registry);
  LinkSegment::Factory().ReportTo(registry);
  LinkJoin::Factory().ReportTo(registry);
  Style::RegisterDirectoryNames(Style::StyledKind::Link);
}

}  // namespace Object
