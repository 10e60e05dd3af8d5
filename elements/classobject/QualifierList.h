#pragma once
// The qualifiers on a box's border, kept in a list field of the box's record: the box adds and
// removes them (undoable), they follow its changed rectangle and go when it goes.
#include <algorithm>

#include "core/Interfaces.h"
#include "core/Shift.h"
#include "core/Storable.h"

namespace ClassObject {

// The list List of qualifiers Q (which have FollowOwner and OnTerminalDeleted) in record Rep.
template <class Rep, class Q, Core::PtrCont<Q> Rep::*List>
class QualifierList : public virtual Core::IModelElement, public virtual Core::IRepOwner<Rep> {
 public:
  const Core::PtrCont<Q>& GetQualifiers() const { return this->GetRep().*List; }
  // Appends the qualifier (undoable), which then belongs to the box; nothing when deleted or listed.
  void AddQualifier(Core::Env& env, Q* qualifier) {
    if (this->IsDeleted() || qualifier == nullptr || Listed(qualifier)) return;
    this->ModifyField(env, List).push_back(qualifier);
    OnQualifierAdded(env, qualifier);
  }
  // Removes a listed qualifier (undoable); nothing when deleted.
  void RemoveQualifier(Core::Env& env, Q* qualifier) {
    if (this->IsDeleted() || !Listed(qualifier)) return;
    auto& w = this->ModifyField(env, List);
    w.erase(std::find(w.begin(), w.end(), qualifier));
  }
  // Reading: appends the qualifier directly.
  void AppendQualifier(Q* qualifier) {
    auto& l = const_cast<Rep&>(this->GetRep()).*List;
    if (!Listed(qualifier)) l.push_back(qualifier);
  }

 protected:
  // The qualifier joined the list: it is told of its new owner.
  virtual void OnQualifierAdded(Core::Env& env, Q* qualifier) = 0;
  // The qualifiers follow the box's changed rectangle (set: the move, or none).
  void FollowQualifiers(Core::Env& env, Core::DeferredShiftSet* set) {
    if (this->IsDeleted()) return;
    Core::DeferredShiftSet own;
    Core::DeferredShiftSet& s = set != nullptr ? *set : own;
    for (Q* q : Core::PtrCont<Q>(GetQualifiers())) q->FollowOwner(env, s);
  }
  // The box goes: its qualifiers go with it.
  void DetachQualifiers(Core::Env& env) {
    for (Q* q : Core::PtrCont<Q>(GetQualifiers())) q->OnTerminalDeleted(env);
  }

 private:
  bool Listed(const Q* qualifier) const {
    const auto& l = GetQualifiers();
    return std::find(l.begin(), l.end(), qualifier) != l.end();
  }
};

}  // namespace ClassObject
