#include "text/free/Anchor.h"

#include "core/Diagram.h"
#include "core/DocumentReader.h"
#include "core/Exceptions.h"
#include "core/Factory.h"
#include "core/PropertyKinds.h"
#include "core/Registries.h"
#include "core/Transaction.h"
#include "core/foundation/Cast.h"
#include "view/connector/Carriers.h"

namespace Text {

Core::ElementPtr IAnchorOwner::RestoreAnchorElement(Core::Env& env, const std::wstring& nsUri,
                                                    const std::wstring& name) {
  if (name != L"Anchor") return nullptr;
  Core::IFactory* factory = env.GetDiagram().GetFactoryRegistry().Find(nsUri, name);
  if (!factory) return nullptr;
  Core::ElementPtr element = factory->CreateElement();
  if (!std::dynamic_pointer_cast<Anchor>(element)) throw Core::Exceptions::TypeMismatchOfRestoredObject(0);
  return element;
}

Anchor::Anchor() { Connector::Carriers::Add(*this); }

Anchor::Anchor(const Anchor& other) : IModelElement(), Storable(other) { Connector::Carriers::Add(*this); }

Anchor::~Anchor() { Connector::Carriers::Remove(*this); }

Core::FactoryImp<Anchor>& Anchor::Factory() {
  static Core::FactoryImp<Anchor> factory(Core::SchemaNamespace10(), L"Anchor");
  return factory;
}

void Anchor::RegisterProperties(Core::PropertyTable<AnchorRep>& t) {
  using namespace Core;
  RegisterRefNonStoreProperty::Register(t, &AnchorRep::owner, L"Owner");
  RegisterRefNonStoreProperty::Register(t, &AnchorRep::freeText, L"FreeText");
  RegisterProperty<EvalRestore::Optional>::Register(t, &AnchorRep::pos, L"Pos");
}

void Anchor::SetOwner(Core::Env& env, IAnchorOwner* owner) {
  if (IsDeleted() || owner == GetRep().owner) return;
  IAnchorOwner* previous = GetRep().owner;
  SetField(env, &AnchorRep::owner, owner);
  if (previous) previous->RemoveAnchor(env, this);
  ApplyTextStyle(env);
}

void Anchor::SetPos(Core::Env& env, const zq::float8Point& pos) {
  if (IsDeleted()) return;
  SetField(env, &AnchorRep::pos, pos);
}

void Anchor::ApplyTextStyle(Core::Env& env) {
  if (FreeText* free = GetRep().freeText) TextBlock::ITextOwner::ApplyTextStyle(free->GetText(), env);
}

void Anchor::Detach(Core::Env& env) { Delete(env); }

Core::IModelElement* Anchor::GetOwner() const { return GetRep().owner; }

void Anchor::SetFreeText(Core::Env& env, FreeText* text) {
  if (IsDeleted()) return;
  if (!text) {
    Delete(env);
    return;
  }
  SetField(env, &AnchorRep::freeText, text);
}

void Anchor::GetTextStyle(TextBlock::TextStyle& style, const Core::IModelElement*) const {
  const IAnchorOwner* owner = GetRep().owner ? GetRep().owner : GetOldRep().owner;
  if (owner)
    owner->GetTextStyle(style, this);
  else
    style = TextBlock::TextStyle();
}

void Anchor::OnTerminalReshaped(Core::Env& env, const Core::ITerminalReshapeInfo& info, Core::DeferredShiftSet* set) {
  if (IsDeleted()) return;
  const Core::DeferredShiftSet none;
  const zq::float8Point now = GetShiftedPosition(info, GetOldRep().pos, nullptr, set ? *set : none);
  const zq::float8Point current = GetRep().pos;
  if (now.x == current.x && now.y == current.y) return;
  SetPos(env, now);
  FreeText* free = GetRep().freeText;
  if (!free || free->IsDeleted()) return;
  // The label keeps its offset from the anchor: it moves by the anchor's displacement since the
  // start of the transaction, measured as every shift is, from its own position then.
  const zq::float8Point before = GetOldRep().pos;
  Core::ShiftVector shift{now.x - before.x, now.y - before.y, true, true};
  if (set)
    free->Shift(env, this, shift, *set, true);
  else
    free->SetPos(env, Core::ShiftParam::Apply(shift, free->GetPos(), free->GetOldPos()));
}

zq::float8Point Anchor::GetShiftedInfo(const Core::DeferredShiftSet& set, const zq::float8Point& point, bool) const {
  const Core::IModelElement* owner = GetRep().owner;
  zq::float8Point p = point;
  if (owner && set.Moves(owner)) {
    const Core::ShiftVector& v = set.GetShift();
    if (v.shiftX) p.x += v.dx;
    if (v.shiftY) p.y += v.dy;
  }
  return p;
}

void Anchor::Delete(Core::Env& env) {
  if (IsDeleted()) return;
  IModelElement::Delete(env);
  if (IAnchorOwner* owner = GetRep().owner) owner->RemoveAnchor(env, this);
  if (FreeText* free = GetRep().freeText) free->Delete(env);
}

void Anchor::EndRestore(Core::Env& env, const Core::RestoreContext& context) {
  auto* owner = zq::Cast<IAnchorOwner>(context.enclosing);
  if (!owner) throw Core::Exceptions::TypeMismatchOfRestoredObject(context.line);
  owner->AddAnchor(env, this);
}

std::shared_ptr<FreeText> CreateAnchoredText(Core::Env& env, IAnchorOwner& owner, const zq::float8Point& point,
                                             const std::wstring& text) {
  TextPlacement placement;
  owner.GetTextPlacement(placement, point);
  auto anchor = Anchor::Factory().CreateTyped(env);
  anchor->SetOwner(env, &owner);
  anchor->SetPos(env, placement.anchorPoint);
  owner.AddAnchor(env, anchor.get());
  return FreeText::Create(env, anchor.get(), zq::RoundPoint(placement.textPoint), text, placement.origin);
}

}  // namespace Text
