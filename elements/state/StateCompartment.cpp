#include "elements/state/StateCompartment.h"

#include "core/DocumentReader.h"
#include "core/ModelElementSet.h"
#include "core/PropertyKinds.h"
#include "core/Registries.h"
#include "core/Shift.h"
#include "core/Transaction.h"
#include "elements/state/State.h"
#include "style/Model.h"
#include "style/Names.h"

namespace State {

Core::FactoryImp<Compartment>& Compartment::Factory() {
  static Core::FactoryImp<Compartment> factory(Core::SchemaNamespace10(), L"StateCompartment");
  return factory;
}

void Compartment::RegisterProperties(Core::PropertyTable<CompartmentRep>& t) {
  using namespace Core;
  RegisterProperty<EvalRestore::Mandatory>::Register(t, &CompartmentRep::size, L"Size", zq::Point(100, 100));
  RegisterRefNonStoreProperty::Register(t, &CompartmentRep::owner, L"Owner");
  RegisterRefProperty<>::Register(t, &CompartmentRep::text, L"Text");
  RegisterRefNonStoreProperty::Register(t, &CompartmentRep::style, L"Style");
}

std::shared_ptr<Compartment> Compartment::Create(Core::Env& env, const zq::Point& at) {
  Style::Style& style = Style::Style::FindOrCreate(env);
  Style::CreateKindDirectories(env, style, Style::StyledKind::StateCompartment);
  auto c = Factory().CreateTyped(env);
  c->SetSize(env, {3000, 600});
  c->SetStyle(env, &style);
  auto text = TextBlock::Text::Create(env, *c);
  c->SetText(env, text.get());
  c->SetPos(env, at);
  c->SetName(env, L"<text?>");
  return c;
}

Core::IModelElement* Compartment::GetOwner() const { return GetRep().owner; }

::Compartment::ICompartmentOwner* Compartment::GetCompartmentOwner() const { return GetRep().owner; }

void Compartment::SetOwner(Core::Env& env, ::Compartment::ICompartmentOwner* owner) {
  if (IsDeleted()) return;
  State* next = dynamic_cast<State*>(owner);
  State* old = GetRep().owner;
  if (next == old) return;
  SetField(env, &CompartmentRep::owner, next);
  if (old) old->RemoveCompartment(env, *this);
  if (next) next->CompartmentsChanged(env);
}

void Compartment::SetRect(Core::Env& env, const zq::Rect& rect, bool) {
  if (IsDeleted()) return;
  const zq::Rect r = rect.Normalized();
  if (!GetState()) {
    SetPos(env, r.TopLeft());
    Resize(env, {r.Width(), r.Height()});
    return;
  }
  SetSize(env, {GetSize().x, std::max(r.Height(), NeededSize(::Compartment::GridOf(env)).y)});
  TextBlock::ITextOwner::OnTextAreaChanged(GetText(), env);
  GetState()->CompartmentsChanged(env);
}

void Compartment::SetName(Core::Env& env, const std::wstring& name) {
  if (!IsDeleted() && GetText()) GetText()->SetName(env, name);
}

std::wstring Compartment::GetName() const { return GetText() ? GetText()->GetName() : std::wstring(); }

void Compartment::GetTextStyle(TextBlock::TextStyle& style, const Core::IModelElement*) const {
  style = TextBlock::TextStyle();
  if (const Style::Style* s = GetRep().style) s->GetFont(Style::Names::StateCompartment(), style);
  style.horizontalAlignment = TextBlock::AlignLeft;
  style.verticalAlignment = TextBlock::AlignTop;
  style.sizing = TextBlock::SizingWrap;
}

void Compartment::OnTextChanged(Core::Env& env, TextBlock::Text& text) {
  if (!reading_) ::Compartment::ICompartment::OnTextChanged(env, text);
}

void Compartment::ShiftImpl(Core::Env& env, Core::IModelElement*, const Core::ShiftVector& shift,
                            Core::DeferredShiftSet&, bool) {
  if (IsDeleted() || (!shift.shiftX && !shift.shiftY)) return;
  SetPos(env, Core::ShiftParam::Apply(shift, GetPos(), GetOldPos()));
}

void Compartment::Delete(Core::Env& env) {
  if (IsDeleted()) return;
  if (State* owner = GetState()) owner->RemoveCompartment(env, *this);
  IModelElement::Delete(env);
  TextBlock::ITextOwner::DeleteWithText(GetText(), env);
}

bool Compartment::IsCompletelySelectedImp(const Core::ModelElementSet& set) {
  if (set.Contains(this)) return true;
  State* owner = GetState();
  return owner && owner->IsCompletelySelected(set);
}

void Compartment::SetStyle(Core::Env& env, Style::Style* style) {
  if (SetField(env, &CompartmentRep::style, style)) TextBlock::ITextOwner::ApplyTextStyle(GetText(), env);
}

void Compartment::StyleChanged(Core::Env& env, const Style::DirectoryName& changed) {
  if (!IsDeleted()) Style::RestyleTextIfAffected(GetText(), env, changed, Style::Names::StateCompartment());
}

void Compartment::CollectDirectoryNames(Style::IUsageCollector& collector) const {
  Style::DirectoryName::VisitFromRoot(collector, Style::Names::StateCompartment());
}

void Compartment::CreateDirectories(Core::Env& env, Style::Style* style) {
  if (style) Style::CreateKindDirectories(env, *style, Style::StyledKind::StateCompartment);
}

void Compartment::RestoreProperties(const xml::IAttributes& attributes, Core::ObjectRegistry& registry) {
  reading_ = true;
  StorableWithPos::RestoreProperties(attributes, registry);
}

void Compartment::EndRestore(Core::Env& env, const Core::RestoreContext& context) {
  SetField(env, &CompartmentRep::owner, dynamic_cast<State*>(context.enclosing));
}

void Compartment::OnRestored(Core::Env&) {
  reading_ = false;
  if (State* owner = GetState()) owner->RestoreCompartment(*this);
}

}  // namespace State
