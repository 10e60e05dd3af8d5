#include "elements/usecase/Actor.h"

#include "core/ModelElementSet.h"
#include "core/PropertyKinds.h"
#include "core/Transaction.h"
#include "elements/usecase/Association.h"

namespace UseCase {

Core::FactoryImp<Actor>& Actor::Factory() {
  static Core::FactoryImp<Actor> factory(Core::SchemaNamespace10(), L"Actor");
  return factory;
}

void Actor::RegisterProperties(Core::PropertyTable<ActorRep>& t) {
  using namespace Core;
  RegisterProperty<EvalRestore::Mandatory>::Register(t, &ActorRep::size, L"Size", zq::Point(1100, 1400));
  RegisterRefProperty<>::Register(t, &ActorRep::text, L"Text");
  RegisterRefContNonStoreProperty::Register(t, &ActorRep::noteEnds, L"NoteEnds");
  RegisterRefContNonStoreProperty::Register(t, &ActorRep::assocEnds, L"AssocEnds");
  RegisterRefNonStoreProperty::Register(t, &ActorRep::style, L"Style");
}

// ---- geometry

zq::Rect Actor::GetNameRect(bool old) const {
  const TextBlock::Extent used = TextBlock::ITextOwner::GetTextAreaSizeUsed(GetText(), old);
  const zq::Point pos = old ? GetOldPos() : GetPos();
  const zq::Point size = old ? GetOldSize() : GetSize();
  const std::int32_t x = pos.x + size.x / 2 - used.width / 2;
  const std::int32_t y = pos.y - size.y - kNameGap;
  return zq::Rect(x, y, x + used.width, y - used.height);
}

void Actor::GetOutline(std::vector<zq::Point>& outline, bool old) const {
  const zq::Point pos = old ? GetOldPos() : GetPos();
  const zq::Point size = old ? GetOldSize() : GetSize();
  const zq::Rect name = GetNameRect(old);
  // The waist: the figure's bottom while the name is narrower than the figure, else the name's top.
  const std::int32_t waist = pos.x < name.left ? pos.y - size.y : name.top;
  const std::int32_t right = pos.x + size.x;
  // Clockwise with y up: across the top, down the right side, round the name, up the left side.
  outline = {pos,
             {right, pos.y},
             {right, waist},
             {name.right, waist},
             {name.right, name.bottom},
             {name.left, name.bottom},
             {name.left, waist},
             {pos.x, waist}};
}

bool Actor::IsNear(const zq::Point& point, std::int32_t tolerance) const {
  if (GetRect().Inflated(tolerance).Contains(point)) return true;
  return GetText() && GetNameRect().Inflated(tolerance).Contains(point);
}

bool Actor::GetBoundingRect(zq::Rect& out) const {
  out = GetRect();
  return true;
}

Core::Weight Actor::GetWeight(const Core::IView& view, const zq::Point& point, std::int32_t tolerance) const {
  Core::Weight w = Core::Weight::MakeArea(point, tolerance, GetRect());
  w.PromoteIfSelected(view, *this);
  return w;
}

// ---- changes

void Actor::SetRect(Core::Env& env, const zq::Rect& rect, bool) {
  if (Place(env, rect)) Reshaped(env);
}

void Actor::OnTextChanged(Core::Env& env, TextBlock::Text&) {
  if (IsDeleted()) return;
  TextBlock::ITextOwner::OnTextAreaChanged(GetText(), env);
  Reshaped(env);
}

void Actor::FollowEnds(Core::Env& env, const Core::ITerminalReshapeInfo& info, Core::DeferredShiftSet& set) {
  for (AssocEnd* e : Core::PtrCont<AssocEnd>(GetAssocEnds())) e->OnTerminalReshaped(env, info, &set);
  for (Note::NoteConnectorEnd* e : Core::PtrCont<Note::NoteConnectorEnd>(GetNoteEnds()))
    e->OnTerminalReshaped(env, info, &set);
}

void Actor::Reshaped(Core::Env& env) {
  Core::DeferredShiftSet none;
  FollowEnds(env, OutlineReshapeInfo(this, GetTerminalOutlinePoints(true), GetTerminalOutlinePoints(false)), none);
}

void Actor::ShiftImpl(Core::Env& env, Core::IModelElement*, const Core::ShiftVector& shift, Core::DeferredShiftSet& set,
                      bool noFollow) {
  if (MoveBy(env, shift, set, noFollow)) FollowEnds(env, Core::MoveReshapeInfo(this, GetOldPos(), GetPos()), set);
}

void Actor::Delete(Core::Env& env) {
  if (IsDeleted()) return;
  const ActorRep rep = GetRep();
  IModelElement::Delete(env);
  for (AssocEnd* e : rep.assocEnds) e->DetachFromTerminal(env, this, true);
  for (Note::NoteConnectorEnd* e : rep.noteEnds) e->DetachFromTerminal(env, this, true);
  TextBlock::ITextOwner::DeleteWithText(rep.text, env);
}

void Actor::RestoreProperties(const xml::IAttributes& attributes, Core::ObjectRegistry& registry) {
  StorableWithPos::RestoreProperties(attributes, registry);
  CheckReadSize(GetRep().size, attributes.GetLine());
}

}  // namespace UseCase
