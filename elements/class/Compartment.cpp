#include "elements/class/Compartment.h"

#include "core/DocumentReader.h"
#include "core/ModelElementSet.h"
#include "core/PropertyKinds.h"
#include "core/Registries.h"
#include "core/Transaction.h"
#include "elements/class/Class.h"
#include "style/Model.h"
#include "style/Names.h"
#include "core/foundation/Cast.h"

namespace Class {

Core::FactoryImp<Compartment>& Compartment::Factory() {
  static Core::FactoryImp<Compartment> factory(Core::SchemaNamespace10(), L"Compartment");
  return factory;
}

void Compartment::RegisterProperties(Core::PropertyTable<CompartmentRep>& t) {
  using namespace Core;
  RegisterProperty<>::Register(t, &CompartmentRep::size, L"Size", zq::Point(3000, 800));
  RegisterRefNonStoreProperty::Register(t, &CompartmentRep::owner, L"Owner");
  RegisterRefProperty<>::Register(t, &CompartmentRep::text, L"Text");
  RegisterRefProperty<>::Register(t, &CompartmentRep::previous, L"Previous");
  RegisterRefNonStoreProperty::Register(t, &CompartmentRep::next, L"Next");
  RegisterRefNonStoreProperty::Register(t, &CompartmentRep::style, L"Style");
}

void Compartment::SetOwnerOfChain(Core::Env& env, Class* owner) {
  for (Compartment* c = this; c; c = c->GetNext()) c->SetOwner(env, owner);
}

Compartment* Compartment::GetLast() {
  Compartment* last = this;
  // A list read from a document is checked for cycles; the bound only guards against a broken one.
  for (std::size_t steps = 0; last->GetNext() && steps < 1000000; ++steps) last = last->GetNext();
  return last;
}

Compartment* Compartment::Unlink(Core::Env& env) {
  if (IsDeleted()) return nullptr;
  Compartment* p = GetPrevious();
  Compartment* n = GetNext();
  SetPrevious(env, nullptr);
  SetNext(env, nullptr);
  if (p) p->SetNext(env, n);
  if (n) n->SetPrevious(env, p);
  if (Class* owner = GetClass(); owner && owner->GetFirstCompartment() == this) owner->SetFirstCompartmentRaw(env, n);
  SetOwner(env, nullptr);
  return n;
}

void Compartment::InsertChain(Core::Env& env, Compartment& head, bool before) {
  if (IsDeleted() || head.IsDeleted() || &head == this) return;
  Compartment* p = GetPrevious();
  Compartment* n = GetNext();
  Compartment* last = head.GetLast();
  if (before) {
    SetPrevious(env, last);
    last->SetNext(env, this);
    head.SetPrevious(env, p);
    if (p) p->SetNext(env, &head);
  } else {
    SetNext(env, &head);
    head.SetPrevious(env, this);
    last->SetNext(env, n);
    if (n) n->SetPrevious(env, last);
  }
  Class* owner = GetClass();
  if (before && owner && owner->GetFirstCompartment() == this) owner->SetFirstCompartmentRaw(env, &head);
  for (Compartment* c = &head; c; c = c->GetNext()) {
    c->SetOwner(env, owner);
    if (c == last) break;
  }
}

bool Compartment::DetachFromSource(Core::Env& env, Core::DeferredShiftSet& set, const Core::ModelElementSet& moved) {
  Class* owner = GetClass();
  if (IsDeleted() || !owner || set.MovesOrDefers(owner)) return true;
  if (GetPrevious() && moved.Contains(GetPrevious())) return true;
  Compartment* last = this;
  while (last->GetNext() && moved.Contains(last->GetNext())) last = last->GetNext();
  Compartment* p = GetPrevious();
  Compartment* n = last->GetNext();
  if (p) p->SetNext(env, n);
  if (n) n->SetPrevious(env, p);
  SetPrevious(env, nullptr);
  last->SetNext(env, nullptr);
  if (owner->GetFirstCompartment() == this) owner->SetFirstCompartmentRaw(env, n);
  for (Compartment* c = this; c; c = c->GetNext()) c->SetOwner(env, nullptr);
  return false;
}

void Compartment::Delete(Core::Env& env) {
  if (IsDeleted()) return;
  Unlink(env);
  IModelElement::Delete(env);
  TextBlock::ITextOwner::DeleteWithText(GetText(), env);
}

void Compartment::EndRestore(Core::Env& env, const Core::RestoreContext& context) {
  readLine_ = context.line;
  Class* owner = zq::Cast<Class>(context.enclosing);
  SetOwnerForReading(env, owner);
  if (owner) owner->NoteReadCompartment(*this);
}

void Compartment::RestoreNext(Core::Env& env, Compartment* next) {
  if (IsDeleted()) return;
  ModifyField(env, &CompartmentRep::next) = next;
}

}  // namespace Class
