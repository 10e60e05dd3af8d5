#include "elements/usecase/System.h"

#include "core/Diagram.h"
#include "core/ModelElementSet.h"
#include "core/PropertyKinds.h"
#include "core/Shift.h"
#include "core/Transaction.h"
#include "elements/usecase/UseCase.h"
#include "style/Model.h"
#include "style/Names.h"
#include "text/Text.h"
#include "view/compartment/Compartment.h"
#include "core/foundation/Cast.h"

namespace UseCase {

Core::FactoryImp<System>& System::Factory() {
  static Core::FactoryImp<System> factory(Core::SchemaNamespace10(), L"System");
  return factory;
}

void System::RegisterProperties(Core::PropertyTable<SystemRep>& t) {
  using namespace Core;
  RegisterProperty<EvalRestore::Mandatory>::Register(t, &SystemRep::size, L"Size", zq::Point(5000, 7000));
  RegisterRefProperty<>::Register(t, &SystemRep::text, L"Text");
  RegisterRefContNonStoreProperty::Register(t, &SystemRep::useCases, L"UseCases");
  RegisterRefContNonStoreProperty::Register(t, &SystemRep::noteEnds, L"NoteEnds");
  RegisterRefContNonStoreProperty::Register(t, &SystemRep::containables, L"Containables");
  RegisterRefNonStoreProperty::Register(t, &SystemRep::style, L"Style");
  RegisterProperty<EvalRestore::Optional>::Register(t, &SystemRep::elementStyle, L"ElementStyle", std::wstring(),
                                                    xml::kSchema13);
}

// ---- contents

void System::AddUseCase(Core::Env& env, UseCase& useCase) {
  if (IsDeleted() || Listed<UseCase>(GetUseCases(), &useCase)) return;
  ModifyField(env, &SystemRep::useCases).push_back(&useCase);
  useCase.SetSystem(env, this);
}

bool System::RemoveUseCase(Core::Env& env, UseCase& useCase) {
  if (IsDeleted() || !Listed<UseCase>(GetUseCases(), &useCase)) return false;
  EraseFrom<UseCase>(ModifyField(env, &SystemRep::useCases), &useCase);
  return true;
}

void System::AppendUseCase(UseCase& useCase) {
  auto& list = const_cast<SystemRep&>(GetRep()).useCases;
  if (!Listed<UseCase>(list, &useCase)) list.push_back(&useCase);
}

void System::AddContainable(Core::Env& env, Core::IContainable& containable) {
  if (IsDeleted() || ContainsContainable(containable)) return;
  ModifyField(env, &SystemRep::containables).push_back(&containable);
  containable.SetContainer(env, this);
}

void System::RemoveContainable(Core::Env& env, Core::IContainable& containable) {
  if (IsDeleted() || !ContainsContainable(containable)) return;
  EraseFrom<Core::IContainable>(ModifyField(env, &SystemRep::containables), &containable);
}

bool System::ContainsContainable(const Core::IContainable& containable) const {
  return Listed<Core::IContainable>(GetContainables(), &containable);
}

void System::AppendContainable(Core::Env&, Core::IContainable& containable) {
  auto& list = const_cast<SystemRep&>(GetRep()).containables;
  if (!Listed<Core::IContainable>(list, &containable)) list.push_back(&containable);
}

Core::Weight System::GetContainmentWeight(const Core::IView* view, const zq::Point& point) const {
  Core::Weight w = Core::Weight::MakeArea(point, 0, GetRect());
  if (view) w.PromoteIfSelected(*view, *this);
  return w;
}

void System::RefreshContainment(Core::Env& env) {
  if (IsDeleted()) return;
  const zq::Rect r = GetRect();
  std::vector<Core::ElementPtr> affected;
  for (const Core::ElementPtr& e : env.GetDiagram().Elements()) {
    if (e->IsDeleted() || !zq::Cast<Core::IUpdateContainer>(e.get())) continue;
    bool listed = false;
    if (auto* u = zq::Cast<UseCase>(e.get())) listed = u->GetSystem() == this;
    else if (auto* c = zq::Cast<Core::IContainable>(e.get())) listed = ContainsContainable(*c);
    auto* pointable = zq::Cast<Core::IPointable>(e.get());
    zq::Rect box;
    if (listed || (pointable && pointable->GetBoundingRect(box) && r.Contains(box.Normalized()))) affected.push_back(e);
  }
  Core::ModelElementSet visited;
  for (const Core::ElementPtr& e : affected) dynamic_cast<Core::IUpdateContainer&>(*e).UpdateContainerOnce(env, visited);
}

// ---- geometry

zq::Rect System::GetNameRect() const {
  zq::Point origin;
  GetTextOrigin(origin);
  const TextBlock::Extent used = TextBlock::ITextOwner::GetTextAreaSizeUsed(GetText());
  return zq::Rect(origin.x, origin.y, origin.x + used.width, origin.y - used.height);
}

void System::GetTextOrigin(zq::Point& origin) const { origin = {GetPos().x + kMargin, GetPos().y - kMargin}; }

void System::GetTextAreaSize(TextBlock::Extent& size, const TextBlock::Text&) const {
  size.width = std::max(0, GetSize().x - 2 * kMargin);
  size.height = 0;
}

void System::GetOutline(std::vector<zq::Point>& outline, bool old) const {
  const zq::Rect r = old ? GetOldRect() : GetRect();
  outline = {r.TopLeft(), {r.right, r.top}, {r.right, r.bottom}, {r.left, r.bottom}};
}

bool System::IsNear(const zq::Point& point, std::int32_t tolerance) const {
  const zq::Rect r = GetRect();
  if (r.Inflated(tolerance).Contains(point) && !r.Inflated(-tolerance).Contains(point)) return true;
  return GetText() && GetNameRect().Inflated(tolerance).Contains(point);
}

bool System::GetBoundingRect(zq::Rect& out) const {
  out = GetRect();
  return true;
}

Core::Weight System::GetWeight(const Core::IView& view, const zq::Point& point, std::int32_t tolerance) const {
  Core::Weight w = Core::Weight::MakeArea(point, tolerance, GetRect());
  w.PromoteIfSelected(view, *this);
  return w;
}

// ---- changes

void System::SetRect(Core::Env& env, const zq::Rect& rect, bool) {
  if (!Place(env, rect)) return;
  TextBlock::ITextOwner::OnTextAreaChanged(GetText(), env);
  GrowToName(env, kMargin);
  Reshaped(env);
}

void System::OnTextChanged(Core::Env& env, TextBlock::Text&) {
  if (!reading_ && GrowToName(env, kMargin)) Reshaped(env);  // a system read keeps its stored size
}

void System::Reshaped(Core::Env& env) {
  const Core::BoxReshapeInfo info(this, GetOldRect(), GetRect());
  Core::DeferredShiftSet none;
  for (Note::NoteConnectorEnd* e : Core::PtrCont<Note::NoteConnectorEnd>(GetNoteEnds()))
    e->OnTerminalReshaped(env, info, &none);
}

void System::ShiftImpl(Core::Env& env, Core::IModelElement*, const Core::ShiftVector& shift, Core::DeferredShiftSet& set,
                       bool noFollow) {
  if (!MoveBy(env, shift, set, noFollow)) return;
  for (UseCase* u : Core::PtrCont<UseCase>(GetUseCases())) u->Shift(env, this, shift, set, false);
  const Core::MoveReshapeInfo info(this, GetOldPos(), GetPos());
  for (Note::NoteConnectorEnd* e : Core::PtrCont<Note::NoteConnectorEnd>(GetNoteEnds()))
    e->OnTerminalReshaped(env, info, &set);
  for (Core::IContainable* c : Core::PtrCont<Core::IContainable>(GetContainables())) c->Shift(env, this, shift, set, false);
}

void System::Delete(Core::Env& env) {
  if (IsDeleted()) return;
  const SystemRep rep = GetRep();
  IModelElement::Delete(env);
  TextBlock::ITextOwner::DeleteWithText(rep.text, env);
  for (Note::NoteConnectorEnd* e : rep.noteEnds) e->DetachFromTerminal(env, this, true);
  for (UseCase* u : rep.useCases) u->Delete(env);
  for (Core::IContainable* c : rep.containables) c->Delete(env);
}

void System::CollectForSelection(Core::ModelElementSet& set) {
  SystemNode::CollectForSelection(set);
  for (UseCase* u : GetUseCases()) u->CollectForSelection(set);
  for (Core::IContainable* c : GetContainables()) c->CollectForSelection(set);
}

// ---- styles

void System::SetElementStyle(Core::Env& env, const std::wstring& name) {
  if (SetField(env, &SystemRep::elementStyle, name)) env.Modify(*this, true);
}

// ---- transactions and reading

void System::Finalize(Core::Env& env) { RefreshContainment(env); }

void System::RestoreProperties(const xml::IAttributes& attributes, Core::ObjectRegistry& registry) {
  reading_ = true;
  StorableWithPos::RestoreProperties(attributes, registry);
  CheckReadSize(GetRep().size, attributes.GetLine());
}

void System::OnRestored(Core::Env&) { reading_ = false; }

}  // namespace UseCase
