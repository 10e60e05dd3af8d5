#include "elements/class/AssocClassConnector.h"

#include <algorithm>
#include <cmath>

#include "core/Exceptions.h"
#include "core/foundation/GraphUtil.h"
#include "elements/class/Association.h"
#include "elements/class/Class.h"
#include "view/connector/Creation.h"
#include "view/connector/PartFactory.h"
#include "core/foundation/Cast.h"

namespace Class {

namespace {
// Source ends at the start of a path and as plain further ends; the end on the association only
// where a path ends (or where an end of that kind is made again).
class Fact : public Connector::KindPartFactory<AssocClassConnector, AssocClassConnectorEnd, AssocClassConnectorJoin,
                                               AssocClassConnectorSegment> {
 public:
  Fact() : KindPartFactory(0, 0, 0) {}
  std::shared_ptr<Connector::IEnd> CreateSourceEndAt(Core::Env& env, const zq::float8Point& p) override {
    auto e = std::make_shared<AssocClassConnectorSourceEnd>();
    e->SetInitialPosition(p);
    env.Insert(e);
    return e;
  }
  std::shared_ptr<Connector::IEnd> CreateEndAt(Core::Env& env, const zq::float8Point& p) override {
    return CreateSourceEndAt(env, p);
  }
  Core::ElementPtr CreateSourceEnd() override { return std::make_shared<AssocClassConnectorSourceEnd>(); }
};

// The end record: "Group", "Segment", "Pos" and the terminal under its attribute name.
void RegisterEndFields(Core::PropertyTable<Connector::EndRep>& t, const wchar_t* terminal) {
  using namespace Core;
  using Connector::EndRep;
  RegisterRefNonStoreProperty::Register(t, &EndRep::group, L"Group");
  RegisterRefNonStoreProperty::Register(t, &EndRep::segment, L"Segment");
  RegisterProperty<EvalRestore::Mandatory>::Register(t, &EndRep::pos, L"Pos", zq::float8Point(0, 0));
  RegisterRefProperty<>::Register(t, &EndRep::party, terminal);
}

// The reattach rule of both ends besides the kind's attach filter: an element of the kind the end
// takes (T), not the end itself, not a part of its own connector.
template <class T>
bool MayLieOn(const Connector::IEnd& end, const Core::IModelElement* element) {
  if (element == nullptr || element == &end || element->IsDeleted() || zq::Cast<const T>(element) == nullptr)
    return false;
  auto* part = zq::Cast<const Connector::IConnectorElement>(element);
  return part == nullptr || part->GetConnector() != end.GetConnector();
}

// Whether the element may become the end's terminal field: none, or one of the kind the end takes.
template <class T>
bool OfKind(const Core::IModelElement* terminal) {
  return terminal == nullptr || zq::Cast<const T>(terminal) != nullptr;
}

// What is wrong with an end of the connector: it must be one of its connector's ends, end its
// segment, and be listed by the live element it lies on; a free or deleted end is sound.
template <class End>
std::string EndFault(const End& end) {
  if (end.IsDeleted()) return {};
  const Connector::IEnd* self = &end;
  const auto listed = [self](const auto& list) { return std::find(list.begin(), list.end(), self) != list.end(); };
  const Connector::IConnector* c = end.GetConnector();
  if (c == nullptr || c->IsDeleted() || !listed(c->GetEnds())) return "an end outside its connector";
  const Connector::ISegment* s = end.GetSegment();
  if (s == nullptr || s->IsDeleted() || !listed(s->GetEndList())) return "an end without its segment";
  Core::IModelElement* t = end.GetTerminal();
  if (t == nullptr) return {};
  if (t->IsDeleted()) return "an end on a deleted element";
  auto* list = zq::Cast<Core::IPartner<End>>(t);
  if (list == nullptr || !list->Contains(&end)) return "an end that the element it lies on does not list";
  return {};
}

// Throws the fault, if any, as a malformed connector.
void Refuse(const std::string& fault) {
  if (!fault.empty()) throw Connector::Exceptions::MalformedConnector(fault);
}

// A stored terminal of another kind is a type mismatch.
template <class T>
void CheckStoredTerminal(const Connector::EndRep& rep, const xml::IAttributes& attributes) {
  if (rep.party != nullptr && zq::Cast<T>(rep.party) == nullptr)
    throw Core::Exceptions::TypeMismatchOfRestoredObject(attributes.GetLine());
}
}  // namespace

// ---- the connector

Core::FactoryImp<AssocClassConnector>& AssocClassConnector::Factory() {
  static Core::FactoryImp<AssocClassConnector> factory(Core::SchemaNamespace10(), L"AssocClassConnector");
  return factory;
}

Connector::IFactory& AssocClassConnector::PartFactory() {
  static Fact factory;
  return factory;
}

AssocClassConnector* AssocClassConnector::Create(Core::Env& env, Class& c, AssocSegment& segment) {
  Connector::ISegmentEnd *a, *b;
  if (!segment.GetEnds(a, b)) return nullptr;
  const zq::float8Point pa = a->GetPoint(), pb = b->GetPoint();
  const zq::float8Point middle{(pa.x + pb.x) / 2, (pa.y + pb.y) / 2};
  const zq::Rect r = c.GetRect();
  // From the middle of the class's side that faces the segment's middle.
  const double cx = (r.left + r.right) / 2.0, cy = (r.top + r.bottom) / 2.0;
  const double dx = middle.x - cx, dy = middle.y - cy;
  zq::float8Point from{cx, dy > 0 ? double(std::max(r.top, r.bottom)) : double(std::min(r.top, r.bottom))};
  if (std::abs(dx) * std::abs(r.Height()) > std::abs(dy) * std::abs(r.Width()))
    from = {dx > 0 ? double(std::max(r.left, r.right)) : double(std::min(r.left, r.right)), cy};
  Connector::IConnector* made =
      Connector::BuildPathConnector(env, PartFactory(), {{from, false}, {middle, false}}, &c, &segment, nullptr);
  return zq::Cast<AssocClassConnector>(made);
}

Connector::IEnd* AssocClassConnector::GetFirstEnd() const {
  for (Connector::IEnd* e : GetEnds())
    if (!e->IsDeleted() && zq::Cast<AssocClassConnectorSourceEnd>(e) != nullptr) return e;
  return ILinearConnector::GetFirstEnd();
}

Connector::GraphFault AssocClassConnector::CheckGraph() const {
  Connector::GraphFault broken = ILinearConnector::CheckGraph();
  if (!broken.empty() || GetEndCount() == 0) return broken;
  int sources = 0;
  for (Connector::IEnd* e : GetEnds())
    if (zq::Cast<AssocClassConnectorSourceEnd>(e) != nullptr) ++sources;
  if (sources == 1) return {};
  return "an association class connector must have exactly one source end";
}

std::string AssocClassConnector::FindFault() const {
  if (IsDeleted()) return {};
  if (Connector::GraphFault broken = CheckGraph(); !broken.empty()) return broken.text;
  for (Connector::IEnd* e : GetEnds()) {
    std::string fault;
    if (auto* source = zq::Cast<AssocClassConnectorSourceEnd>(e)) fault = source->FindFault();
    else if (auto* onAssoc = zq::Cast<AssocClassConnectorEnd>(e)) fault = onAssoc->FindFault();
    else fault = "an end of another kind";
    if (!fault.empty()) return fault;
  }
  return {};
}

void AssocClassConnector::Check(Core::Env&) { Refuse(FindFault()); }

// ---- the source end

Core::FactoryImp<AssocClassConnectorSourceEnd>& AssocClassConnectorSourceEnd::Factory() {
  static Core::FactoryImp<AssocClassConnectorSourceEnd> factory(Core::SchemaNamespace10(),
                                                                L"AssocClassConnectorSourceEnd");
  return factory;
}

void AssocClassConnectorSourceEnd::RegisterProperties(Core::PropertyTable<Connector::EndRep>& t) {
  RegisterEndFields(t, L"Class");
}

Class* AssocClassConnectorSourceEnd::GetClass() const { return zq::Cast<Class>(GetTerminal()); }

void AssocClassConnectorSourceEnd::SetTerminalImp(Core::Env& env, Core::IModelElement* terminal) {
  if (!IsDeleted() && OfKind<Class>(terminal)) EndImp::SetTerminalImp(env, terminal);
}

bool AssocClassConnectorSourceEnd::AcceptsTerminal(const Core::IModelElement* element) const {
  return MayLieOn<Class>(*this, element) && EndImp::AcceptsTerminal(element);
}

std::shared_ptr<Connector::IEnd> AssocClassConnectorSourceEnd::CreateFurtherEnd(Core::Env& env,
                                                                                const zq::float8Point& point) {
  return PartFactory().CreateSourceEndAt(env, point);
}

void AssocClassConnectorSourceEnd::RestoreProperties(const xml::IAttributes& attributes,
                                                     Core::ObjectRegistry& registry) {
  EndImp::RestoreProperties(attributes, registry);
  CheckStoredTerminal<Class>(GetRep(), attributes);
}

std::string AssocClassConnectorSourceEnd::FindFault() const { return EndFault(*this); }

void AssocClassConnectorSourceEnd::Check(Core::Env&) { Refuse(FindFault()); }

// ---- the end on the association

Core::FactoryImp<AssocClassConnectorEnd>& AssocClassConnectorEnd::Factory() {
  static Core::FactoryImp<AssocClassConnectorEnd> factory(Core::SchemaNamespace10(), L"AssocClassConnectorEnd");
  return factory;
}

void AssocClassConnectorEnd::RegisterProperties(Core::PropertyTable<Connector::EndRep>& t) {
  RegisterEndFields(t, L"AssocSegment");
}

AssocSegment* AssocClassConnectorEnd::GetAssocSegment() const { return zq::Cast<AssocSegment>(GetTerminal()); }

void AssocClassConnectorEnd::SetTerminalImp(Core::Env& env, Core::IModelElement* terminal) {
  if (!IsDeleted() && OfKind<AssocSegment>(terminal)) EndImp::SetTerminalImp(env, terminal);
}

bool AssocClassConnectorEnd::AcceptsTerminal(const Core::IModelElement* element) const {
  return MayLieOn<AssocSegment>(*this, element) && EndImp::AcceptsTerminal(element);
}

std::shared_ptr<Connector::IEnd> AssocClassConnectorEnd::CreateFurtherEnd(Core::Env& env,
                                                                          const zq::float8Point& point) {
  return PartFactory().CreateTargetEndAt(env, point);
}

void AssocClassConnectorEnd::RestoreProperties(const xml::IAttributes& attributes, Core::ObjectRegistry& registry) {
  EndImp::RestoreProperties(attributes, registry);
  CheckStoredTerminal<AssocSegment>(GetRep(), attributes);
}

std::string AssocClassConnectorEnd::FindFault() const {
  if (std::string fault = EndFault(*this); !fault.empty()) return fault;
  const AssocSegment* s = IsDeleted() ? nullptr : GetAssocSegment();
  if (s == nullptr) return {};
  Connector::ISegmentEnd *a = nullptr, *b = nullptr;
  if (!s->GetEnds(a, b)) return "an end on an association segment without two ends";
  const zq::float8Point p = GetPosition(), q = GraphUtil::ClosestPointOnSegment(a->GetPoint(), b->GetPoint(), p);
  if (std::abs(p.x - q.x) + std::abs(p.y - q.y) > 1) return "an end off its association segment";
  return {};
}

void AssocClassConnectorEnd::Check(Core::Env&) { Refuse(FindFault()); }

// ---- segments and joins

Core::FactoryImp<AssocClassConnectorSegment>& AssocClassConnectorSegment::Factory() {
  static Core::FactoryImp<AssocClassConnectorSegment> factory(Core::SchemaNamespace10(), L"AssocClassConnectorSegment");
  return factory;
}

Core::FactoryImp<AssocClassConnectorJoin>& AssocClassConnectorJoin::Factory() {
  static Core::FactoryImp<AssocClassConnectorJoin> factory(Core::SchemaNamespace10(), L"AssocClassConnectorJoin");
  return factory;
}

void ReportAssocClassConnectorFactories(Core::FactoryRegistry& registry) {
  AssocClassConnector::Factory().ReportTo(registry);
}

}  // namespace Class
