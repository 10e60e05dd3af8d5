#include "elements/usecase/UseCase.h"

#include "core/Diagram.h"
#include "core/DocumentReader.h"
#include "core/ModelElementSet.h"
#include "core/PropertyKinds.h"
#include "core/Shift.h"
#include "core/Transaction.h"
#include "elements/usecase/Association.h"
#include "elements/usecase/Generalization.h"
#include "elements/usecase/System.h"
#include "style/Model.h"
#include "style/Names.h"
#include "text/Text.h"
#include "view/compartment/Compartment.h"
#include "core/foundation/Cast.h"

namespace UseCase {

Core::FactoryImp<UseCase>& UseCase::Factory() {
  static Core::FactoryImp<UseCase> factory(Core::SchemaNamespace10(), L"UseCase");
  return factory;
}

void UseCase::RegisterProperties(Core::PropertyTable<UseCaseRep>& t) {
  using namespace Core;
  RegisterProperty<EvalRestore::Mandatory>::Register(t, &UseCaseRep::size, L"Size", zq::Point(3000, 1000));
  RegisterRefProperty<>::Register(t, &UseCaseRep::text, L"Text");
  RegisterRefContNonStoreProperty::Register(t, &UseCaseRep::noteEnds, L"NoteEnds");
  RegisterRefContNonStoreProperty::Register(t, &UseCaseRep::assocEnds, L"AssocEnds");
  RegisterRefContNonStoreProperty::Register(t, &UseCaseRep::generalizationEnds, L"GeneralizationEnds");
  RegisterRefContNonStoreProperty::Register(t, &UseCaseRep::dependencyEnds, L"DependencyEnds");
  RegisterRefNonStoreProperty::Register(t, &UseCaseRep::system, L"System");
  RegisterRefNonStoreProperty::Register(t, &UseCaseRep::style, L"Style");
  RegisterProperty<EvalRestore::Optional>::Register(t, &UseCaseRep::elementStyle, L"ElementStyle", std::wstring(),
                                                    xml::kSchema13);
}

// ---- the system

void UseCase::SetSystem(Core::Env& env, System* system) {
  if (IsDeleted() || system == GetSystem()) return;
  if (System* old = GetSystem()) old->RemoveUseCase(env, *this);
  SetField(env, &UseCaseRep::system, system);
  if (system) system->AddUseCase(env, *this);
}

Core::IModelElement* UseCase::GetOwner() const { return GetSystem(); }

void UseCase::UpdateContainer(Core::Env& env, Core::ModelElementSet&) {
  if (IsDeleted()) return;
  const zq::Rect box = GetRect();
  Core::ContainerChoice<System> choice(GetSystem());
  for (const Core::ElementPtr& e : env.GetDiagram().Elements()) {
    auto* s = zq::Cast<System>(e.get());
    if (!s || s->IsDeleted() || !s->GetRect().Contains(box)) continue;
    // Weighed without a view: which system holds the use case never depends on the selection.
    choice.Offer(s, s->GetContainmentWeight(nullptr, GetPos()));
  }
  SetSystem(env, choice.Get());
}

// ---- geometry

void UseCase::GetTextOrigin(zq::Point& origin) const { origin = {GetPos().x + kMargin, GetPos().y - kMargin}; }

void UseCase::GetTextAreaSize(TextBlock::Extent& size, const TextBlock::Text&) const {
  size.width = std::max(0, GetSize().x - 2 * kMargin);
  size.height = std::max(0, GetSize().y - 2 * kMargin);
}

void UseCase::GetOutline(std::vector<zq::Point>& outline, bool old) const {
  const zq::Rect r = old ? GetOldRect() : GetRect();
  outline = {r.TopLeft(), {r.right, r.top}, {r.right, r.bottom}, {r.left, r.bottom}};
}

bool UseCase::GetTerminalOutline(GraphUtil::OutlineHit& out, const zq::float8Point& point, bool horizontal) const {
  out = GraphUtil::ProjectOntoEllipse(GetRect(), point, horizontal);
  return out.valid;
}

bool UseCase::IsNear(const zq::Point& point, std::int32_t tolerance) const {
  return GetRect().Inflated(tolerance).Contains(point);
}

bool UseCase::GetBoundingRect(zq::Rect& out) const {
  out = GetRect();
  return true;
}

Core::Weight UseCase::GetWeight(const Core::IView& view, const zq::Point& point, std::int32_t tolerance) const {
  Core::Weight w = Core::Weight::MakeArea(point, tolerance, GetRect());
  if (System* s = GetSystem()) w.AddBias(s->GetContainmentWeight(&view, point));
  w.PromoteIfSelected(view, *this);
  return w;
}

// ---- changes

void UseCase::SetRect(Core::Env& env, const zq::Rect& rect, bool) {
  if (!Place(env, rect)) return;
  TextBlock::ITextOwner::OnTextAreaChanged(GetText(), env);
  GrowToName(env, kMargin);
  Core::DeferredShiftSet none;
  FollowEnds(env, EllipseReshapeInfo(this, GetOldRect(), GetRect()), none);
}

void UseCase::OnTextChanged(Core::Env& env, TextBlock::Text&) {
  if (reading_ || !GrowToName(env, kMargin)) return;  // a use case read keeps its stored size
  Core::DeferredShiftSet none;
  FollowEnds(env, EllipseReshapeInfo(this, GetOldRect(), GetRect()), none);
}

void UseCase::FollowEnds(Core::Env& env, const Core::ITerminalReshapeInfo& info, Core::DeferredShiftSet& set) {
  for (AssocEnd* e : Core::PtrCont<AssocEnd>(GetAssocEnds())) e->OnTerminalReshaped(env, info, &set);
  for (Note::NoteConnectorEnd* e : Core::PtrCont<Note::NoteConnectorEnd>(GetNoteEnds()))
    e->OnTerminalReshaped(env, info, &set);
  for (GeneralizationEnd* e : Core::PtrCont<GeneralizationEnd>(GetGeneralizationEnds()))
    e->OnTerminalReshaped(env, info, &set);
  for (Dependency::DependencyEnd* e : Core::PtrCont<Dependency::DependencyEnd>(GetDependencyEnds()))
    e->OnTerminalReshaped(env, info, &set);
}

void UseCase::ShiftImpl(Core::Env& env, Core::IModelElement*, const Core::ShiftVector& shift,
                        Core::DeferredShiftSet& set, bool noFollow) {
  if (MoveBy(env, shift, set, noFollow)) FollowEnds(env, Core::MoveReshapeInfo(this, GetOldPos(), GetPos()), set);
}

void UseCase::Delete(Core::Env& env) {
  if (IsDeleted()) return;
  const UseCaseRep rep = GetRep();
  IModelElement::Delete(env);
  for (AssocEnd* e : rep.assocEnds) e->DetachFromTerminal(env, this, true);
  for (Note::NoteConnectorEnd* e : rep.noteEnds) e->DetachFromTerminal(env, this, true);
  for (GeneralizationEnd* e : rep.generalizationEnds) e->DetachFromTerminal(env, this, true);
  for (Dependency::DependencyEnd* e : rep.dependencyEnds) e->DetachFromTerminal(env, this, true);
  TextBlock::ITextOwner::DeleteWithText(rep.text, env);
  if (rep.system) rep.system->RemoveUseCase(env, *this);
}

bool UseCase::IsCompletelySelectedImp(const Core::ModelElementSet& set) {
  if (set.Contains(this)) return true;
  System* s = GetSystem();
  return s && s->IsCompletelySelected(set);
}

// ---- styles

void UseCase::SetElementStyle(Core::Env& env, const std::wstring& name) {
  if (SetField(env, &UseCaseRep::elementStyle, name)) env.Modify(*this, true);
}

void UseCase::Attach(Core::Env& env, GeneralizationEnd* end) {
  if (end) end->SetTerminal(env, this);
}

// ---- transactions and reading

void UseCase::Finalize(Core::Env& env) {
  if (IsDeleted()) return;
  Core::ModelElementSet visited;
  UpdateContainerOnce(env, visited);
}

void UseCase::RestoreProperties(const xml::IAttributes& attributes, Core::ObjectRegistry& registry) {
  reading_ = true;
  StorableWithPos::RestoreProperties(attributes, registry);
  CheckReadSize(GetRep().size, attributes.GetLine());
}

void UseCase::EndRestore(Core::Env&, const Core::RestoreContext& context) {
  if (auto* s = zq::Cast<System>(context.enclosing)) const_cast<UseCaseRep&>(GetRep()).system = s;
}

void UseCase::OnRestored(Core::Env&) {
  reading_ = false;
  if (System* s = GetSystem()) s->AppendUseCase(*this);
}

}  // namespace UseCase
