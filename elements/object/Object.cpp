#include "elements/object/Object.h"

#include <algorithm>

#include "core/Grid.h"
#include "core/ModelElementSet.h"
#include "core/PropertyKinds.h"
#include "core/Registries.h"
#include "core/Transaction.h"
#include "core/Weight.h"
#include "elements/object/Compartment.h"
#include "elements/object/Link.h"
#include "elements/object/Qualifier.h"
#include "style/Model.h"
#include "style/Names.h"
#include "core/foundation/Cast.h"

namespace Object {

namespace {
const Core::IGrid& GridOf(Core::Env& env) { return ::Compartment::GridOf(env); }
}  // namespace

Core::FactoryImp<Object>& Object::Factory() {
  static Core::FactoryImp<Object> factory(Core::SchemaNamespace10(), L"Object");
  return factory;
}

void Object::RegisterProperties(Core::PropertyTable<ObjectRep>& t) {
  using namespace Core;
  RegisterProperty<EvalRestore::Mandatory>::Register(t, &ObjectRep::size, L"Size", zq::Point(2000, 1000));
  RegisterRefProperty<>::Register(t, &ObjectRep::text, L"Text");
  RegisterRefContNonStoreProperty::Register(t, &ObjectRep::noteEnds, L"NoteEnds");
  RegisterRefContNonStoreProperty::Register(t, &ObjectRep::linkEnds, L"LinkEnds");
  RegisterRefContNonStoreProperty::Register(t, &ObjectRep::qualifiers, L"Qualifiers");
  RegisterRefNonStoreProperty::Register(t, &ObjectRep::compartment, L"Compartment");
  RegisterRefNonStoreProperty::Register(t, &ObjectRep::style, L"Style");
  RegisterProperty<EvalRestore::Optional>::Register(t, &ObjectRep::elementStyle, L"ElementStyle", std::wstring(),
                                                    xml::kSchema13);
}

std::shared_ptr<Object> Object::Create(Core::Env& env, const zq::Point& at) {
  Style::Style& style = Style::Style::FindOrCreate(env);
  Style::CreateKindDirectories(env, style, Style::StyledKind::Object);
  auto o = Factory().CreateTyped(env);
  o->SetStyle(env, &style);
  TextBlock::Text::Create(env, *o);
  o->SetPos(env, at);
  o->SetName(env, L"<name?>");
  return o;
}

// ---- the compartment

std::int32_t Object::CompartmentHeight() const { return GetCompartment() ? GetCompartment()->GetSize().y : 0; }

void Object::RemoveCompartment(Core::Env& env, ::Compartment::ICompartment& compartment) {
  if (IsDeleted() || GetCompartment() != &compartment) return;
  SetField(env, &ObjectRep::compartment, static_cast<Compartment*>(nullptr));
  CompartmentsChanged(env);
}

void Object::CompartmentsChanged(Core::Env& env) {
  if (IsDeleted()) return;
  env.Modify(*this, true);
  compartmentChanged_ = true;
}

bool Object::CanAddCompartment(const Core::IModelElement& element) const {
  return !IsDeleted() && !GetCompartment() && zq::Cast<const Compartment>(&element) != nullptr;
}

void Object::AddCompartment(Core::Env& env, Core::IModelElement& element) {
  auto* c = zq::Cast<Compartment>(&element);
  if (!c || !CanAddCompartment(element)) return;
  c->SetOwner(env, this);
  SetField(env, &ObjectRep::compartment, c);
  CompartmentsChanged(env);
}

void Object::RestoreCompartment(Compartment& compartment) {
  const_cast<ObjectRep&>(GetRep()).compartment = &compartment;
}

void Object::Finalize(Core::Env& env) {
  if (IsDeleted() || !compartmentChanged_) return;
  compartmentChanged_ = false;
  UpdateAfterCompartmentChange(env);
}

void Object::UpdateAfterCompartmentChange(Core::Env& env) {
  const Core::IGrid& grid = GridOf(env);
  bool widened = false;
  for (;;) {
    std::int32_t bottom = GetPos().y - 2 * kMargin - TextBlock::ITextOwner::GetTextAreaSizeUsed(GetText()).height;
    Compartment* c = GetCompartment();
    if (c) {
      c->Resize(env, {GetSize().x, c->GetSize().y});
      c->SetPos(env, {GetPos().x, bottom});
      bottom -= c->GetSize().y;
    }
    SetField(env, &ObjectRep::size, zq::Point(GetSize().x, GetPos().y - bottom));
    if (!c || c->GetSize().x <= GetSize().x || widened) break;
    SetField(env, &ObjectRep::size, zq::Point(c->GetSize().x, GetSize().y));
    TextBlock::ITextOwner::OnTextAreaChanged(GetText(), env);
    const std::int32_t used = TextBlock::ITextOwner::GetTextAreaSizeUsed(GetText()).width;
    SetField(env, &ObjectRep::size, grid.SnapSize({used + 2 * kMargin, GetSize().y}));
    widened = true;
  }
  TextBlock::ITextOwner::OnTextAreaChanged(GetText(), env);
  NotifyReshape(env);
}

// ---- layout

std::int32_t Object::HeaderHeight(const Core::IGrid& grid) const {
  return grid.SnapLength(TextBlock::ITextOwner::GetTextAreaSizeUsed(GetText()).height + 2 * kMargin);
}

void Object::GetTextAreaSize(TextBlock::Extent& size, const TextBlock::Text&) const {
  size.width = std::max(0, GetSize().x - 2 * kMargin);
  size.height = std::max(0, GetSize().y - CompartmentHeight() - 2 * kMargin);
}

void Object::OnTextChanged(Core::Env& env, TextBlock::Text&) {
  if (IsDeleted() || reading_) return;  // an object read keeps its stored size
  const Core::IGrid& grid = GridOf(env);
  const std::int32_t width = grid.SnapLength(TextBlock::ITextOwner::GetTextAreaSizeUsed(GetText()).width + 2 * kMargin);
  SetField(env, &ObjectRep::size, zq::Point(width, 0));
  Compartment* c = GetCompartment();
  if (c) c->Resize(env, {width, c->GetSize().y});
  const std::int32_t header = HeaderHeight(grid);
  SetField(env, &ObjectRep::size, zq::Point(width, header + CompartmentHeight()));
  if (c) c->SetPos(env, {GetPos().x, GetPos().y - header});
  TextBlock::ITextOwner::OnTextAreaChanged(GetText(), env);
  NotifyReshape(env);
}

void Object::SetRect(Core::Env& env, const zq::Rect& rect, bool) {
  if (IsDeleted()) return;
  const zq::Rect r = rect.Normalized();
  if (r == GetRect()) return;
  const Core::IGrid& grid = GridOf(env);
  Compartment* c = GetCompartment();
  // The width: at least what the name needs, and the compartment's once it has been fitted.
  SetField(env, &ObjectRep::size, zq::Point(r.Width(), 0));
  for (bool widened = false;;) {
    TextBlock::ITextOwner::OnTextAreaChanged(GetText(), env);
    const std::int32_t used = TextBlock::ITextOwner::GetTextAreaSizeUsed(GetText()).width;
    SetField(env, &ObjectRep::size, grid.SnapSize({used + 2 * kMargin, 0}));
    if (!c) break;
    c->Resize(env, {GetSize().x, c->GetSize().y});
    if (c->GetSize().x <= GetSize().x || widened) break;
    SetField(env, &ObjectRep::size, zq::Point(c->GetSize().x, 0));
    widened = true;
  }
  TextBlock::ITextOwner::OnTextAreaChanged(GetText(), env);
  const std::int32_t needed = TextBlock::ITextOwner::GetTextAreaSizeUsed(GetText()).height + 2 * kMargin + CompartmentHeight();
  SetField(env, &ObjectRep::size, grid.SnapSize({GetSize().x, std::max(needed, r.Height())}));
  TextBlock::ITextOwner::OnTextAreaChanged(GetText(), env);
  // A moved left or top edge keeps the opposite edge in place.
  zq::Point pos = GetPos();
  if (r.left != pos.x) pos.x = r.right - GetSize().x;
  if (r.top != pos.y) pos.y = r.bottom + GetSize().y;
  SetPos(env, pos);
  if (c) c->SetPos(env, {pos.x, pos.y - HeaderHeight(grid)});
  NotifyReshape(env);
}

// ---- name and text

void Object::SetName(Core::Env& env, const std::wstring& name) {
  if (!IsDeleted() && GetText()) GetText()->SetName(env, name);
}

std::wstring Object::GetName() const { return GetText() ? GetText()->GetName() : std::wstring(); }

void Object::GetTextStyle(TextBlock::TextStyle& style, const Core::IModelElement* text) const {
  style = TextBlock::TextStyle();
  if (const Style::Style* s = GetRep().style; s && text == GetText()) s->GetFont(Style::Names::ObjectHeader(), style);
  style.underline = true;
  style.horizontalAlignment = TextBlock::AlignCenter;
  style.verticalAlignment = TextBlock::AlignMiddle;
  style.sizing = TextBlock::SizingAtLeastArea;
}

// ---- geometry

void Object::GetOutline(std::vector<zq::Point>& outline, bool old) const {
  const zq::Rect r = old ? GetOldRect() : GetRect();
  outline = {r.TopLeft(), {r.right, r.top}, {r.right, r.bottom}, {r.left, r.bottom}};
}

void Object::NotifyReshape(Core::Env& env, Core::DeferredShiftSet* set) {
  if (IsDeleted()) return;
  const Core::BoxReshapeInfo info(this, GetOldRect(), GetRect());
  for (LinkEnd* e : Core::PtrCont<LinkEnd>(GetLinkEnds())) e->OnTerminalReshaped(env, info, set);
  for (Note::NoteConnectorEnd* e : Core::PtrCont<Note::NoteConnectorEnd>(GetNoteEnds()))
    e->OnTerminalReshaped(env, info, set);
  FollowQualifiers(env, set);
}

bool Object::IsNear(const zq::Point& point, std::int32_t tolerance) const {
  return GetRect().Inflated(tolerance).Contains(point);
}

bool Object::GetBoundingRect(zq::Rect& out) const {
  out = GetRect();
  return true;
}

Core::Weight Object::GetWeight(const Core::IView& view, const zq::Point& point, std::int32_t tolerance) const {
  Core::Weight w = Core::Weight::MakeArea(point, tolerance, GetRect());
  w.PromoteIfSelected(view, *this);
  return w;
}

// ---- moving, deleting, copying

void Object::ShiftImpl(Core::Env& env, Core::IModelElement*, const Core::ShiftVector& shift, Core::DeferredShiftSet& set,
                       bool noFollow) {
  if (IsDeleted() || (!shift.shiftX && !shift.shiftY)) return;
  MarkShifted(set);
  const zq::Point pos = Core::ShiftParam::Apply(shift, GetPos(), GetOldPos());
  if (pos == GetPos()) return;
  SetPos(env, pos);
  if (noFollow) return;
  if (Compartment* c = GetCompartment()) c->Shift(env, this, shift, set, false);
  const Core::MoveReshapeInfo info(this, GetOldPos(), GetPos());
  for (LinkEnd* e : Core::PtrCont<LinkEnd>(GetLinkEnds())) e->OnTerminalReshaped(env, info, &set);
  for (Note::NoteConnectorEnd* e : Core::PtrCont<Note::NoteConnectorEnd>(GetNoteEnds()))
    e->OnTerminalReshaped(env, info, &set);
  FollowQualifiers(env, &set);
}

void Object::Delete(Core::Env& env) {
  if (IsDeleted()) return;
  const ObjectRep rep = GetRep();
  IModelElement::Delete(env);
  for (LinkEnd* e : rep.linkEnds) e->DetachFromTerminal(env, this, true);
  for (Note::NoteConnectorEnd* e : rep.noteEnds) e->DetachFromTerminal(env, this, true);
  DetachQualifiers(env);
  if (rep.compartment) rep.compartment->Delete(env);
  TextBlock::ITextOwner::DeleteWithText(rep.text, env);
}

void Object::CollectForSelection(Core::ModelElementSet& set) {
  IModelElement::CollectForSelection(set);
  if (Compartment* c = GetCompartment()) c->CollectForSelection(set);
  if (GetText()) GetText()->CollectForSelection(set);
}

void Object::Attach(Core::Env& env, LinkEnd* end) { end->SetTerminal(env, this); }

void Object::OnQualifierAdded(Core::Env& env, Qualifier* qualifier) { qualifier->SetObject(env, this); }

// ---- styles

void Object::SetStyle(Core::Env& env, Style::Style* style) {
  if (SetField(env, &ObjectRep::style, style)) TextBlock::ITextOwner::ApplyTextStyle(GetText(), env);
}

void Object::StyleChanged(Core::Env& env, const Style::DirectoryName& changed) {
  if (!IsDeleted()) Style::RestyleTextIfAffected(GetText(), env, changed, Style::Names::ObjectHeader());
}

void Object::CollectDirectoryNames(Style::IUsageCollector& collector) const {
  Style::DirectoryName::VisitFromRoot(collector, Style::Names::ObjectHeader());
}

void Object::CreateDirectories(Core::Env& env, Style::Style* style) {
  if (style) Style::CreateKindDirectories(env, *style, Style::StyledKind::Object);
}

void Object::SetElementStyle(Core::Env& env, const std::wstring& name) {
  if (SetField(env, &ObjectRep::elementStyle, name)) env.Modify(*this, true);
}

// ---- reading

Core::ElementPtr Object::CreateChildElement(Core::Env& env, const std::wstring& nsUri, const std::wstring& name) {
  if (nsUri == GetNamespace().uri && name == L"Compartment") return std::make_shared<Compartment>();
  return StorableWithPos::CreateChildElement(env, nsUri, name);
}

void Object::RestoreProperties(const xml::IAttributes& attributes, Core::ObjectRegistry& registry) {
  reading_ = true;
  StorableWithPos::RestoreProperties(attributes, registry);
}

void ReportObjectFactories(Core::FactoryRegistry& registry) {
  Object::Factory().ReportTo(registry);
  Compartment::Factory().ReportTo(registry);
  Qualifier::Factory().ReportTo(registry);
  Style::RegisterDirectoryNames(Style::StyledKind::Object);
  Style::RegisterDirectoryNames(Style::StyledKind::ObjectCompartment);
  Style::RegisterDirectoryNames(Style::StyledKind::ObjectQualifier);
}

}  // namespace Object
