// The class's qualifiers on its border.
#include "elements/class/Association.h"
#include "elements/class/Class.h"
#include "elements/class/Qualifier.h"

namespace Class {

void Class::AddQualifier(Core::Env& env, Qualifier* qualifier) {
  const auto& l = GetRep().qualifiers;
  if (IsDeleted() || qualifier == nullptr || std::find(l.begin(), l.end(), qualifier) != l.end()) return;
  ModifyField(env, &ClassRep::qualifiers).push_back(qualifier);
  qualifier->SetClass(env, this);
}

void Class::RemoveQualifier(Core::Env& env, Qualifier* qualifier) {
  const auto& l = GetRep().qualifiers;
  if (IsDeleted() || std::find(l.begin(), l.end(), qualifier) == l.end()) return;
  auto& w = ModifyField(env, &ClassRep::qualifiers);
  w.erase(std::find(w.begin(), w.end(), qualifier));
}

void Class::AppendQualifier(Qualifier* qualifier) {
  auto& l = const_cast<ClassRep&>(GetRep()).qualifiers;
  if (std::find(l.begin(), l.end(), qualifier) == l.end()) l.push_back(qualifier);
}

void Class::FollowQualifiers(Core::Env& env, Core::DeferredShiftSet* set) {
  if (IsDeleted() || GetRect() == GetOldRect()) return;
  Core::DeferredShiftSet own;
  Core::DeferredShiftSet& s = set != nullptr ? *set : own;
  for (Qualifier* q : Core::PtrCont<Qualifier>(GetRep().qualifiers)) q->FollowOwner(env, s);
}

void Class::DetachQualifiers(Core::Env& env) {
  for (Qualifier* q : Core::PtrCont<Qualifier>(GetRep().qualifiers)) q->OnTerminalDeleted(env);
}

}  // namespace Class
