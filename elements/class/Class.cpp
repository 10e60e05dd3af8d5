#include "elements/class/Class.h"

#include <algorithm>
#include <cmath>
#include <set>

#include "core/Diagram.h"
#include "core/DocumentReader.h"
#include "core/Grid.h"
#include "core/ModelElementSet.h"
#include "core/PropertyKinds.h"
#include "core/Registries.h"
#include "core/Transaction.h"
#include "core/Weight.h"
#include "elements/class/AssocClassConnector.h"
#include "elements/class/Association.h"
#include "elements/class/Compartment.h"
#include "elements/class/Generalization.h"
#include "elements/class/Package.h"
#include "elements/class/Qualifier.h"
#include "style/Model.h"
#include "style/Names.h"
#include "core/foundation/Cast.h"

namespace Class {

namespace {
// The margin of the name inside the header, on every side.
constexpr std::int32_t kMargin = 100;

}  // namespace

Core::FactoryImp<Class>& Class::Factory() {
  static Core::FactoryImp<Class> factory(Core::SchemaNamespace10(), L"Class");
  return factory;
}

void Class::RegisterProperties(Core::PropertyTable<ClassRep>& t) {
  using namespace Core;
  RegisterProperty<>::Register(t, &ClassRep::size, L"Size", zq::Point(2000, 1000));
  RegisterRefProperty<>::Register(t, &ClassRep::text, L"Text");
  RegisterRefNonStoreProperty::Register(t, &ClassRep::firstCompartment, L"FirstCompartment");
  RegisterRefContNonStoreProperty::Register(t, &ClassRep::dependencyEnds, L"DependencyEnds");
  RegisterRefContNonStoreProperty::Register(t, &ClassRep::generalizationEnds, L"GeneralizationEnds");
  RegisterRefNonStoreProperty::Register(t, &ClassRep::containingPackage, L"ContainingPackage");
  RegisterBoolProperty::Register(t, &ClassRep::abstract, L"Abstract");
  RegisterRefContNonStoreProperty::Register(t, &ClassRep::noteEnds, L"NoteEnds");
  RegisterRefNonStoreProperty::Register(t, &ClassRep::templateParameters, L"TemplateParameters");
  RegisterRefContNonStoreProperty::Register(t, &ClassRep::textAnchors, L"TextAnchors");
  RegisterRefNonStoreProperty::Register(t, &ClassRep::style, L"Style");
  RegisterProperty<EvalRestore::Optional>::Register(t, &ClassRep::elementStyle, L"ElementStyle", std::wstring(),
                                                    xml::kSchema13);
  RegisterRefContNonStoreProperty::Register(t, &ClassRep::assocEnds, L"AssocEnds");
  RegisterRefContNonStoreProperty::Register(t, &ClassRep::qualifiers, L"Qualifiers");
  RegisterRefContNonStoreProperty::Register(t, &ClassRep::assocClassConnectorSourceEnds,
                                            L"AssocClassConnectorSourceEnds");
}

std::shared_ptr<Class> Class::Create(Core::Env& env, const zq::Point& at) {
  Style::Style& style = Style::Style::FindOrCreate(env);
  Style::CreateKindDirectories(env, style, Style::StyledKind::Class);
  auto c = Factory().CreateTyped(env);
  c->SetStyle(env, &style);
  // Made in this change, the box fits its first name from no size at all.
  c->fresh_ = true;
  c->SetField(env, &ClassRep::size, zq::Point(0, 0));
  TextBlock::Text::Create(env, *c);
  c->SetPos(env, at);
  c->SetName(env, L"<name?>");
  return c;
}

void Class::SetAbstract(Core::Env& env, bool abstract) {
  if (SetField(env, &ClassRep::abstract, abstract)) TextBlock::ITextOwner::ApplyTextStyle(GetText(), env);
}

// ---- the compartment stack

std::vector<Compartment*> Class::Compartments() const {
  std::vector<Compartment*> out;
  for (Compartment* c = GetFirstCompartment(); c; c = c->GetNext()) out.push_back(c);
  return out;
}

int Class::IndexOfCompartment(const Compartment& compartment) const {
  int i = 0;
  for (Compartment* c = GetFirstCompartment(); c; c = c->GetNext(), ++i)
    if (c == &compartment) return i;
  return -1;
}

Compartment* Class::GetCompartment(int index) const {
  if (index < 0) return nullptr;
  Compartment* c = GetFirstCompartment();
  for (; c && index > 0; --index) c = c->GetNext();
  return c;
}

int Class::GetCompartmentCount() const {
  int count = 0;
  for (Compartment* c = GetFirstCompartment(); c; c = c->GetNext()) ++count;
  return count;
}

void Class::SetFirstCompartmentRaw(Core::Env& env, Compartment* first) {
  if (GetRep().firstCompartment != first) ModifyField(env, &ClassRep::firstCompartment) = first;
}

void Class::InsertCompartment(Core::Env& env, Compartment& compartment, Compartment* neighbour, bool before) {
  if (IsDeleted()) return;
  compartment.SetOwner(env, this);
  if (Compartment* first = GetFirstCompartment(); first && first != &compartment) {
    Compartment* at = neighbour && neighbour->GetClass() == this ? neighbour : first->GetLast();
    at->InsertChain(env, compartment, before);
  } else {
    SetFirstCompartment(env, &compartment);
    compartment.SetOwnerOfChain(env, this);
  }
  CompartmentsChanged(env);
}

std::pair<Compartment*, bool> Class::FindCompartmentSlot(const zq::Point& point) const {
  const std::vector<Compartment*> stack = Compartments();
  if (stack.empty()) return {nullptr, false};
  auto middle = [](const Compartment* c) { return c->GetPos().y - c->GetSize().y / 2; };
  if (point.y > middle(stack.front())) return {stack.front(), true};
  std::pair<Compartment*, bool> slot{stack.front(), false};
  for (std::size_t i = 0; i < stack.size(); ++i) {
    if (point.y < middle(stack[i])) slot = {stack[i], false};
    if (i + 1 < stack.size()) {
      const std::int32_t bottom = stack[i]->GetPos().y - stack[i]->GetSize().y;
      const std::int32_t between = (bottom + stack[i + 1]->GetPos().y) / 2;
      if (point.y < between) slot = {stack[i + 1], true};
    }
  }
  return slot;
}

void Class::DropCompartments(Core::Env& env, Compartment& head, const zq::Point& point) {
  const auto [neighbour, before] = FindCompartmentSlot(point);
  InsertCompartment(env, head, neighbour, before);
}

void Class::RemoveCompartment(Core::Env& env, ::Compartment::ICompartment& compartment) {
  auto* c = zq::Cast<Compartment>(&compartment);
  if (!c) return;
  if (GetFirstCompartment() == c) SetFirstCompartmentRaw(env, c->GetNext());
  CompartmentsChanged(env);
}

void Class::CompartmentsChanged(Core::Env& env) {
  if (IsDeleted()) return;
  env.Modify(*this, true);
  layoutPending_ = true;
}

void Class::Commit() {
  StorableWithPos::Commit();
  fresh_ = false;
}

void Class::Rollback() {
  StorableWithPos::Rollback();
  fresh_ = false;
}

void Class::Finalize(Core::Env& env) {
  if (IsDeleted()) return;
  if (layoutPending_) RelayoutCompartments(env);
  Core::ModelElementSet visited;
  UpdateContainerOnce(env, visited);
}

// ---- layout

std::int32_t Class::HeaderHeight(const Core::IGrid& grid) const {
  return grid.SnapLength(TextBlock::ITextOwner::GetTextAreaSizeUsed(GetText()).height + 2 * kMargin);
}

std::int32_t Class::PlaceCompartments(Core::Env& env, std::int32_t header) {
  std::int32_t y = GetPos().y - header;
  for (Compartment* c : Compartments()) {
    c->SetPos(env, {GetPos().x, y});
    y -= c->GetSize().y;
  }
  return y;
}

void Class::RelayoutCompartments(Core::Env& env) {
  layoutPending_ = false;
  const Core::IGrid& grid = ::Compartment::GridOf(env);
  const std::vector<Compartment*> stack = Compartments();
  std::int32_t width = GetSize().x;
  for (int pass = 0; pass < 2; ++pass) {
    std::int32_t widest = 0;
    for (Compartment* c : stack) {
      c->Resize(env, {width, c->GetSize().y});
      widest = std::max(widest, c->GetSize().x);
    }
    if (widest <= width) break;
    width = widest;
    SetField(env, &ClassRep::size, zq::Point(width, GetSize().y));
    TextBlock::ITextOwner::OnTextAreaChanged(GetText(), env);
  }
  // The header is as high as the name needs, whatever it was before; what the box had beyond its
  // compartments stays below the last one.
  const std::int32_t bottom = PlaceCompartments(env, HeaderHeight(grid));
  SetField(env, &ClassRep::size, grid.SnapSize({width, std::max(GetPos().y - bottom, KeptHeight())}));
  TextBlock::ITextOwner::OnTextAreaChanged(GetText(), env);
  Reshape(env);
}

std::int32_t Class::KeptHeight() const {
  if (fresh_) return 0;
  const std::vector<Compartment*> now = Compartments();
  std::int32_t kept = GetOldSize().y;
  std::size_t guard = 0;  // the old links are walked as they were, bounded all the same
  for (const Compartment* c = GetOldRep().firstCompartment; c && ++guard < 1000000; c = c->GetOldRep().next)
    if (std::find(now.begin(), now.end(), c) == now.end()) kept -= c->GetOldSize().y;
  return kept;
}

void Class::OnTextChanged(Core::Env& env, TextBlock::Text&) {
  if (IsDeleted() || reading_) return;  // a class read keeps its stored size
  const Core::IGrid& grid = ::Compartment::GridOf(env);
  // The name laid out in the header it has: the box grows where the name needs more room, and a
  // shorter name or a smaller font never makes it narrower or lower.
  TextBlock::ITextOwner::OnTextAreaChanged(GetText(), env);
  const std::int32_t area = std::max(0, GetSize().x - 2 * kMargin);
  const std::int32_t used = TextBlock::ITextOwner::GetTextAreaSizeUsed(GetText()).width;
  std::int32_t width = std::max(GetSize().x, GetMinWidth());
  if (used > area) width = std::max(width, grid.SnapLength(used + 2 * kMargin));
  for (Compartment* c : Compartments()) width = std::max(width, c->NeededSize(grid).x);
  SetField(env, &ClassRep::size, zq::Point(width, GetSize().y));
  RelayoutCompartments(env);
}

void Class::SetRect(Core::Env& env, const zq::Rect& rect, bool) {
  if (IsDeleted()) return;
  const zq::Rect r = rect.Normalized();
  if (r == GetRect()) return;
  const Core::IGrid& grid = ::Compartment::GridOf(env);
  const std::vector<Compartment*> stack = Compartments();
  std::int32_t compartments = 0;
  for (Compartment* c : stack) compartments += c->GetSize().y;
  // The width: at least the name's and the widest compartment's.
  SetField(env, &ClassRep::size, zq::Point(0, 0));
  TextBlock::ITextOwner::OnTextAreaChanged(GetText(), env);
  const TextBlock::Extent name = TextBlock::ITextOwner::GetTextAreaSizeUsed(GetText());
  std::int32_t width = std::max({r.Width(), name.width + 2 * kMargin, GetMinWidth()});
  for (Compartment* c : stack) width = std::max(width, c->NeededSize(grid).x);
  const std::int32_t header = std::max(r.top - r.bottom - compartments, name.height + 2 * kMargin);
  const zq::Point size = grid.SnapSize({width, std::max({header + compartments, r.top - r.bottom, GetMinHeight()})});
  SetField(env, &ClassRep::size, size);
  // A moved left or top edge keeps the opposite edge in place.
  zq::Point pos = GetPos();
  if (pos.x != r.left) pos.x = r.right - size.x;
  if (pos.y != r.top) pos.y = r.bottom + size.y;
  SetPos(env, pos);
  for (Compartment* c : stack) c->Resize(env, {size.x, c->GetSize().y});
  PlaceCompartments(env, HeaderHeight(grid));
  TextBlock::ITextOwner::OnTextAreaChanged(GetText(), env);
  layoutPending_ = false;
  Reshape(env);
}

// ---- name and text

void Class::SetName(Core::Env& env, const std::wstring& name) {
  if (!IsDeleted() && GetText()) GetText()->SetName(env, name);
}

std::wstring Class::GetName() const { return GetText() ? GetText()->GetName() : std::wstring(); }

void Class::GetTextOrigin(zq::Point& origin) const { origin = {GetPos().x + kMargin, GetPos().y - kMargin}; }

void Class::GetTextAreaSize(TextBlock::Extent& size, const TextBlock::Text&) const {
  // No height of its own: the header is as high as the name needs, extra height goes below.
  size.width = std::max(0, GetSize().x - 2 * kMargin);
  size.height = 0;
}

void Class::GetTextStyle(TextBlock::TextStyle& style, const Core::IModelElement* text) const {
  style = TextBlock::TextStyle();
  const Style::Style* s = GetRep().style;
  if (!s) return;
  style.horizontalAlignment = TextBlock::AlignCenter;
  style.verticalAlignment = TextBlock::AlignMiddle;
  style.sizing = TextBlock::SizingAtLeastArea;
  if (text == GetText()) {
    s->GetFont(Style::Names::ClassHeader(), style);
    style.italic = GetRep().abstract;
  } else if (const auto* anchor = zq::Cast<const Text::Anchor>(text); anchor && HasAnchor(anchor)) {
    s->GetFont(Style::Names::ClassAttachedText(), style);
    style.sizing = TextBlock::SizingOwnExtent;
  }
}

// ---- template parameters

std::int32_t Class::GetMinWidth() const {
  const TemplateParameters* box = GetTemplateParameters();
  return box ? box->GetSize().x + 300 : 300;
}

TemplateParameters& Class::CreateTemplateParameters(Core::Env& env) {
  auto box = TemplateParameters::Create(env, *this, GetRep().style);
  SetTemplateParameters(env, box.get());
  TemplateParametersMoved(env, *box);
  Reshape(env);
  return *box;
}

void Class::ForgetTemplateParameters(Core::Env& env) {
  SetField(env, &ClassRep::templateParameters, static_cast<TemplateParameters*>(nullptr));
  env.Modify(*this, true);
  Reshape(env);
}

void Class::TemplateParametersMoved(Core::Env& env, TemplateParameters& box) {
  if (IsDeleted()) return;
  env.Modify(*this, true);
  const zq::Rect r = GetRect();
  // The box keeps 400 of the class's top edge free on its left.
  const std::int32_t left = box.GetRect().left - 400;
  if (left < r.left) SetRect(env, {left, r.top, r.right, r.bottom}, false);
  Reshape(env);
}

zq::Point Class::GetTemplateCorner(bool old) const {
  const zq::Rect r = old ? GetOldRect() : GetRect();
  return {r.right, r.top};
}

void Class::SetTemplateParameters(Core::Env& env, TemplateParameters* box) {
  SetField(env, &ClassRep::templateParameters, box);
}

// ---- geometry

void Class::GetOutline(std::vector<zq::Point>& outline, bool old) const {
  const zq::Rect r = old ? GetOldRect() : GetRect();
  const TemplateParameters* box = old ? GetOldRep().templateParameters : GetTemplateParameters();
  if (!box) {
    outline = {r.TopLeft(), {r.right, r.top}, {r.right, r.bottom}, {r.left, r.bottom}};
    return;
  }
  const zq::Rect t = old ? box->GetOldRect() : box->GetRect();
  outline = {{r.left, r.top},  {t.left, r.top},     {t.left, t.top},     {t.right, t.top},
             {t.right, t.bottom}, {r.right, t.bottom}, {r.right, r.bottom}, {r.left, r.bottom}};
}

void Class::Reshape(Core::Env& env, Core::DeferredShiftSet* set, bool qualifiers) {
  if (IsDeleted()) return;
  // Ends go from side to side of the outline, the template box's included, never of the
  // rectangle around both (an end on the right side would go onto the template box's line).
  std::vector<zq::Point> before, now;
  GetOutline(before, true);
  GetOutline(now, false);
  FollowReshape(env, Core::BoxReshapeInfo(this, before, now), set);
  if (qualifiers) FollowQualifiers(env, set);
}

void Class::GetTextPlacement(Text::TextPlacement& placement, const zq::float8Point& point) const {
  const GraphUtil::OutlineHit hit = GraphUtil::NearestOutlinePoint(GetTerminalOutlinePoints(), point, false, false);
  const zq::float8Point at = hit.valid ? hit.point : zq::float8Point(GetPos());
  // The outline runs clockwise, so the hit's normal points out of the class.
  const double nx = hit.normal.x, ny = hit.normal.y;
  const bool horizontalSide = std::abs(ny) >= std::abs(nx);
  constexpr double kGap = 200;
  placement.anchorPoint = at;
  placement.style = GetRep().style;
  if (horizontalSide) {
    const bool above = ny >= 0;
    placement.textPoint = {at.x, at.y + (above ? kGap : -kGap)};
    placement.origin = above ? Text::OriginBottomLeft : Text::OriginTopLeft;
  } else {
    const bool right = nx >= 0;
    placement.textPoint = {at.x + (right ? kGap : -kGap), at.y};
    placement.origin = right ? Text::OriginTopLeft : Text::OriginTopRight;
  }
}

Core::ElementPtr Class::CreateChildElement(Core::Env& env, const std::wstring& nsUri, const std::wstring& name) {
  if (Core::ElementPtr anchor = Text::IAnchorOwner::RestoreAnchorElement(env, nsUri, name)) return anchor;
  return IModelElement::CreateChildElement(env, nsUri, name);
}

void Class::SetContainingPackage(Core::Env& env, Package* package) {
  Package* old = GetContainingPackage();
  if (IsDeleted() || old == package) return;
  SetField(env, &ClassRep::containingPackage, package);
  if (old) old->RemovePart(env, *this);
  if (package) package->AddPart(env, *this);
}

void Class::UpdateContainer(Core::Env& env, Core::ModelElementSet&) {
  if (!IsDeleted()) SetContainingPackage(env, FindContainingPackage(env, GetRect(), this, GetContainingPackage()));
}

Core::IModelElement* Class::GetOwner() const { return GetRep().containingPackage; }

void Class::EndRestore(Core::Env&, const Core::RestoreContext& context) {
  if (auto* package = zq::Cast<Package>(context.enclosing)) const_cast<ClassRep&>(GetRep()).containingPackage = package;
}

bool Class::IsNear(const zq::Point& point, std::int32_t tolerance) const {
  if (GetRect().Inflated(tolerance).Contains(point)) return true;
  const TemplateParameters* box = GetTemplateParameters();
  return box && box->GetRect().Inflated(tolerance).Contains(point);
}

bool Class::GetBoundingRect(zq::Rect& out) const {
  out = GetRect();
  if (const TemplateParameters* box = GetTemplateParameters()) {
    const zq::Rect t = box->GetRect();
    out.top = t.top;
    out.right = t.right;
  }
  return true;
}

Core::Weight Class::GetWeight(const Core::IView& view, const zq::Point& point, std::int32_t tolerance) const {
  Core::Weight w = Core::Weight::MakeArea(point, tolerance, GetRect());
  if (const Package* package = GetContainingPackage()) w.AddBias(package->GetNestingWeight(point));
  w.PromoteIfSelected(view, *this);
  return w;
}

void Class::ShiftImpl(Core::Env& env, Core::IModelElement*, const Core::ShiftVector& shift, Core::DeferredShiftSet& set,
                      bool noFollow) {
  if (IsDeleted() || (!shift.shiftX && !shift.shiftY)) return;
  MarkShifted(set);
  const zq::Point pos = Core::ShiftParam::Apply(shift, GetPos(), GetOldPos());
  if (pos == GetPos()) return;
  SetPos(env, pos);
  if (!noFollow)
    for (Compartment* c : Compartments()) c->Shift(env, this, shift, set, noFollow);
  Reshape(env, &set, !noFollow);
}

void Class::Delete(Core::Env& env) {
  if (IsDeleted()) return;
  const std::vector<Compartment*> stack = Compartments();
  IModelElement::Delete(env);
  DetachQualifiers(env);
  // Nothing attached stays behind to refer to the class once it is no longer written.
  DetachAll(env);
  // The compartments go as they are: their links stay for undo, the class no longer shows them.
  for (Compartment* c : stack) {
    c->IModelElement::Delete(env);
    TextBlock::ITextOwner::DeleteWithText(c->GetText(), env);
  }
  TextBlock::ITextOwner::DeleteWithText(GetText(), env);
  // The box goes with the class without touching the class's record, which undo restores.
  if (TemplateParameters* box = GetTemplateParameters()) {
    box->IModelElement::Delete(env);
    TextBlock::ITextOwner::DeleteWithText(box->GetText(), env);
  }
  if (Package* package = GetContainingPackage()) package->RemovePart(env, *this);
}

bool Class::IsCompletelySelectedImp(const Core::ModelElementSet& set) {
  if (Package* package = GetContainingPackage(); package && package->IsCompletelySelected(set)) return true;
  return set.Contains(this) || (GetTemplateParameters() && set.Contains(GetTemplateParameters()));
}

void Class::CollectForSelection(Core::ModelElementSet& set) {
  IModelElement::CollectForSelection(set);
  for (Compartment* c : Compartments()) c->CollectForSelection(set);
  if (TemplateParameters* box = GetTemplateParameters()) box->CollectForSelection(set);
}

// ---- styles

void Class::SetStyle(Core::Env& env, Style::Style* style) {
  if (SetField(env, &ClassRep::style, style)) TextBlock::ITextOwner::ApplyTextStyle(GetText(), env);
}

void Class::StyleChanged(Core::Env& env, const Style::DirectoryName& changed) {
  if (IsDeleted()) return;
  Style::RestyleTextIfAffected(GetText(), env, changed, Style::Names::ClassHeader());
  if (changed.Contains(Style::Names::ClassAttachedText()))
    for (Text::Anchor* a : GetAnchors()) a->ApplyTextStyle(env);
}

void Class::CollectDirectoryNames(Style::IUsageCollector& collector) const {
  Style::DirectoryName::VisitFromRoot(collector, Style::Names::ClassHeader());
  Style::DirectoryName::VisitFromRoot(collector, Style::Names::ClassAttachedText());
}

void Class::CreateDirectories(Core::Env& env, Style::Style* style) {
  if (style) Style::CreateKindDirectories(env, *style, Style::StyledKind::Class);
}

void Class::SetElementStyle(Core::Env& env, const std::wstring& name) {
  if (SetField(env, &ClassRep::elementStyle, name)) env.Modify(*this, true);
}

// ---- reading

void Class::RestoreProperties(const xml::IAttributes& attributes, Core::ObjectRegistry& registry) {
  reading_ = true;
  StorableWithPos::RestoreProperties(attributes, registry);
}

void Class::OnRestored(Core::Env& env) {
  if (Package* package = GetContainingPackage(); package && !IsDeleted()) package->AppendPartForReading(*this);
  reading_ = false;
  LinkReadCompartments(env);
  read_.clear();
  read_.shrink_to_fit();
}

void Class::LinkReadCompartments(Core::Env& env) {
  if (read_.empty()) return;
  const std::set<const Compartment*> mine(read_.begin(), read_.end());
  std::set<const Compartment*> named;
  Compartment* head = nullptr;
  for (Compartment* c : read_) {
    Compartment* p = c->GetPrevious();
    if (!p) {
      if (head) throw MalformedCompartments(c->GetReadLine(), "a class has two first compartments");
      head = c;
    } else if (!mine.count(p)) {
      throw MalformedCompartments(c->GetReadLine(), "\"Previous\" names no compartment of the same class");
    } else if (!named.insert(p).second) {
      throw MalformedCompartments(c->GetReadLine(), "two compartments name the same \"Previous\"");
    }
  }
  // With one head and distinct predecessors, a list that does not reach every compartment from the
  // head holds a cycle.
  if (!head) throw MalformedCompartments(read_.front()->GetReadLine(), "the compartments of a class form a cycle");
  for (Compartment* c : read_)
    if (Compartment* p = c->GetPrevious()) p->RestoreNext(env, c);
  std::size_t reached = 0;
  for (Compartment* c = head; c && reached <= read_.size(); c = c->GetNext()) ++reached;
  if (reached != read_.size())
    throw MalformedCompartments(read_.front()->GetReadLine(), "the compartments of a class form a cycle");
  SetFirstCompartment(env, head);
}

}  // namespace Class
