#include "elements/class/TemplateParameters.h"

#include "core/DocumentReader.h"
#include "core/PropertyKinds.h"
#include "core/Registries.h"
#include "core/Transaction.h"
#include "core/Weight.h"
#include "style/Model.h"
#include "style/Names.h"
#include "view/compartment/Compartment.h"
#include "core/foundation/Cast.h"

namespace Class {

namespace {
constexpr std::int32_t kTemplateMargin = 100;

zq::Point PositionFrom(const zq::Point& corner, const zq::Point& size) {
  return {corner.x + kTemplateMargin - size.x, corner.y + size.y - kTemplateMargin};
}
}  // namespace

Core::FactoryImp<TemplateParameters>& TemplateParameters::Factory() {
  static Core::FactoryImp<TemplateParameters> factory(Core::SchemaNamespace10(), L"TemplateParameters");
  return factory;
}

void TemplateParameters::RegisterProperties(Core::PropertyTable<TemplateParametersRep>& t) {
  using namespace Core;
  RegisterProperty<>::Register(t, &TemplateParametersRep::size, L"Size", zq::Point(700, 200));
  RegisterRefNonStoreProperty::Register(t, &TemplateParametersRep::owner, L"Owner");
  RegisterRefProperty<>::Register(t, &TemplateParametersRep::text, L"Text");
  RegisterRefNonStoreProperty::Register(t, &TemplateParametersRep::style, L"Style");
}

std::shared_ptr<TemplateParameters> TemplateParameters::Create(Core::Env& env, ITemplateParametersOwner& owner,
                                                               Style::Style* style) {
  if (style) Style::CreateKindDirectories(env, *style, Style::StyledKind::TemplateParameters);
  auto box = Factory().CreateTyped(env);
  box->SetField(env, &TemplateParametersRep::owner, &owner);
  box->SetStyle(env, style);
  TextBlock::Text::Create(env, *box);
  return box;
}

zq::Point TemplateParameters::GetPos() const {
  const ITemplateParametersOwner* owner = GetRep().owner;
  return owner ? PositionFrom(owner->GetTemplateCorner(false), GetSize()) : zq::Point{};
}

zq::Point TemplateParameters::GetOldPos() const {
  const ITemplateParametersOwner* owner = GetRep().owner;
  return owner ? PositionFrom(owner->GetTemplateCorner(true), GetOldSize()) : zq::Point{};
}

zq::Rect TemplateParameters::GrownToText(const Core::Env& env, zq::Rect r) const {
  TextBlock::ITextOwner::GrowRectToText(r, ::Compartment::GridOf(env), {r.right, r.bottom}, GetText(), kTemplateMargin,
                                        kTemplateMargin, kTemplateMargin, kTemplateMargin);
  return r;
}

void TemplateParameters::SetRect(Core::Env& env, const zq::Rect& rect, bool) {
  if (IsDeleted()) return;
  const zq::Rect r = rect.Normalized();
  if (r == GetRect()) return;
  SetField(env, &TemplateParametersRep::size, zq::Point(r.Width(), r.top - r.bottom));
  TextBlock::ITextOwner::OnTextAreaChanged(GetText(), env);
  const zq::Rect grown = GrownToText(env, GetRect());
  SetField(env, &TemplateParametersRep::size, zq::Point(grown.Width(), grown.top - grown.bottom));
  TextBlock::ITextOwner::OnTextAreaChanged(GetText(), env);
  if (ITemplateParametersOwner* owner = GetRep().owner) owner->TemplateParametersMoved(env, *this);
}

void TemplateParameters::SetName(Core::Env& env, const std::wstring& name) {
  if (!IsDeleted() && GetText()) GetText()->SetName(env, name);
}

std::wstring TemplateParameters::GetName() const { return GetText() ? GetText()->GetName() : std::wstring(); }

void TemplateParameters::GetTextOrigin(zq::Point& origin) const {
  const zq::Point pos = GetPos();
  origin = {pos.x + kTemplateMargin, pos.y - kTemplateMargin};
}

void TemplateParameters::GetTextAreaSize(TextBlock::Extent& size, const TextBlock::Text&) const {
  size.width = std::max(0, GetSize().x - 2 * kTemplateMargin);
  size.height = std::max(0, GetSize().y - 2 * kTemplateMargin);
}

void TemplateParameters::OnTextChanged(Core::Env& env, TextBlock::Text&) {
  if (IsDeleted() || reading_) return;
  const zq::Rect r = GetRect();
  const zq::Rect grown = GrownToText(env, r);
  if (grown == r) return;
  SetField(env, &TemplateParametersRep::size, zq::Point(grown.Width(), grown.top - grown.bottom));
  TextBlock::ITextOwner::OnTextAreaChanged(GetText(), env);
  if (ITemplateParametersOwner* owner = GetRep().owner) owner->TemplateParametersMoved(env, *this);
}

void TemplateParameters::GetTextStyle(TextBlock::TextStyle& style, const Core::IModelElement* text) const {
  style = TextBlock::TextStyle();
  if (const Style::Style* s = GetRep().style; s && text == GetText()) s->GetFont(Style::Names::TemplateParameters(), style);
}

bool TemplateParameters::IsNear(const zq::Point& point, std::int32_t tolerance) const {
  return GetRect().Inflated(tolerance).Contains(point);
}

bool TemplateParameters::GetBoundingRect(zq::Rect& out) const {
  out = GetRect();
  return true;
}

Core::Weight TemplateParameters::GetWeight(const Core::IView& view, const zq::Point& point,
                                           std::int32_t tolerance) const {
  Core::Weight w = Core::Weight::MakeArea(point, tolerance, GetRect());
  w.PromoteIfSelected(view, *this);
  return w;
}

void TemplateParameters::UpdateOwnerViews(const Core::ViewUpdateContext* context) {
  if (Core::IModelElement* owner = GetOwner(); owner && !owner->IsDeleted()) owner->UpdateViewElements(context);
}

void TemplateParameters::Delete(Core::Env& env) {
  if (IsDeleted()) return;
  IModelElement::Delete(env);
  TextBlock::ITextOwner::DeleteWithText(GetText(), env);
  if (ITemplateParametersOwner* owner = GetRep().owner) owner->ForgetTemplateParameters(env);
}

void TemplateParameters::SetStyle(Core::Env& env, Style::Style* style) {
  if (SetField(env, &TemplateParametersRep::style, style)) TextBlock::ITextOwner::ApplyTextStyle(GetText(), env);
}

void TemplateParameters::StyleChanged(Core::Env& env, const Style::DirectoryName& changed) {
  if (!IsDeleted()) Style::RestyleTextIfAffected(GetText(), env, changed, Style::Names::TemplateParameters());
}

void TemplateParameters::CollectDirectoryNames(Style::IUsageCollector& collector) const {
  Style::DirectoryName::VisitFromRoot(collector, Style::Names::TemplateParameters());
}

void TemplateParameters::CreateDirectories(Core::Env& env, Style::Style* style) {
  if (style) Style::CreateKindDirectories(env, *style, Style::StyledKind::TemplateParameters);
}

void TemplateParameters::SetElementStyle(Core::Env& env, const std::wstring& name) {
  if (ITemplateParametersOwner* owner = GetRep().owner) owner->SetElementStyle(env, name);
}

std::wstring TemplateParameters::GetElementStyle() const {
  const ITemplateParametersOwner* owner = GetRep().owner;
  return owner ? owner->GetElementStyle() : std::wstring();
}

void TemplateParameters::EndRestore(Core::Env& env, const Core::RestoreContext& context) {
  ModifyField(env, &TemplateParametersRep::owner) = zq::Cast<ITemplateParametersOwner>(context.enclosing);
}

void TemplateParameters::RestoreProperties(const xml::IAttributes& attributes, Core::ObjectRegistry& registry) {
  reading_ = true;
  Storable::RestoreProperties(attributes, registry);
}

void TemplateParameters::OnRestored(Core::Env& env) {
  reading_ = false;
  if (ITemplateParametersOwner* owner = GetRep().owner) owner->SetTemplateParameters(env, this);
}

}  // namespace Class
