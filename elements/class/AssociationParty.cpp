// The class's side of associations: the ends on its outline and the qualifiers on its border.
#include "elements/class/Association.h"
#include "elements/class/Class.h"
#include "elements/class/Qualifier.h"

namespace Class {

bool Class::GetTerminalOutline(GraphUtil::OutlineHit& out, const zq::float8Point& point, bool horizontal) const {
  GraphUtil::Outline outline;
  GraphUtil::MakeRectOutline(outline, GetRect());
  out = GraphUtil::NearestOutlinePoint(outline, point, horizontal, !horizontal);
  return out.valid;
}

void Class::Attach(Core::Env& env, AssocEnd* end) { end->SetTerminal(env, this); }

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

void Class::FollowAssociations(Core::Env& env, Core::DeferredShiftSet* set) {
  if (IsDeleted() || GetRect() == GetOldRect()) return;
  Core::DeferredShiftSet own;
  Core::DeferredShiftSet& s = set != nullptr ? *set : own;
  const Core::BoxReshapeInfo info(this, GetOldRect(), GetRect());
  for (AssocEnd* e : Core::PtrCont<AssocEnd>(GetRep().assocEnds)) e->OnTerminalReshaped(env, info, &s);
  for (Qualifier* q : Core::PtrCont<Qualifier>(GetRep().qualifiers)) q->FollowOwner(env, s);
}

void Class::DetachAssociations(Core::Env& env) {
  for (Qualifier* q : Core::PtrCont<Qualifier>(GetRep().qualifiers)) q->OnTerminalDeleted(env);
  for (AssocEnd* e : Core::PtrCont<AssocEnd>(GetRep().assocEnds)) e->DetachFromTerminal(env, this, true);
}

}  // namespace Class
