#pragma once
// What the elements of a use case diagram share: the side of what association ends attach to
// (actors and use cases), the side of what lies in a system (use cases), and the reshape rules
// that carry attached ends through a change of an actor's or a use case's outline.
#include <algorithm>

#include "core/Attach.h"
#include "core/Interfaces.h"
#include "core/foundation/GraphUtil.h"

namespace UseCase {

class Actor;
class AssocEnd;
class System;
class UseCase;

// What use case association ends attach to: actors and use cases. An association always joins
// one actor and one use case.
class IAssocParty : public virtual Core::ITerminal, public Core::IAttach<AssocEnd> {
 public:
  // Whether the party is an actor (else a use case).
  virtual bool IsActor() const = 0;
  // A new connector's end (none) always; else the association's other end must exist and lie
  // on the other kind of party (or on none).
  bool CanAttach(AssocEnd* end) const override;
  // Attaches the end as a partner of this party.
  void Attach(Core::Env& env, AssocEnd* end) override;
};

// What lies in a system: use cases.
class ISystemPart : public Core::IDeletable, public Core::IUpdateContainer {
 public:
  // Leaves the old system's list and joins the new one's (none: no system); undoable, nothing on
  // a deleted part or an unchanged system.
  virtual void SetSystem(Core::Env& env, System* system) = 0;
  // The system the part lies in, or none.
  virtual System* GetSystem() const = 0;
};

// The reshape of a terminal whose outline changes shape: a point on the old outline goes to where
// the line from the old outline's centre through it meets the new outline.
class OutlineReshapeInfo : public Core::ITerminalReshapeInfo {
 public:
  OutlineReshapeInfo(Core::ITerminal* terminal, GraphUtil::Outline oldOutline, GraphUtil::Outline newOutline)
      : terminal_(terminal), old_(std::move(oldOutline)), new_(std::move(newOutline)) {}
  zq::float8Point MapPoint(const zq::float8Point& point) const override;
  Core::ITerminal* GetTerminal() const override { return terminal_; }

 private:
  Core::ITerminal* terminal_;
  GraphUtil::Outline old_;
  GraphUtil::Outline new_;
};

// The reshape of an ellipse inscribed in a box: a point keeps its relative place in the box.
class EllipseReshapeInfo : public Core::ITerminalReshapeInfo {
 public:
  EllipseReshapeInfo(Core::ITerminal* terminal, const zq::Rect& oldBox, const zq::Rect& newBox)
      : terminal_(terminal), old_(oldBox.Normalized()), new_(newBox.Normalized()) {}
  zq::float8Point MapPoint(const zq::float8Point& point) const override;
  Core::ITerminal* GetTerminal() const override { return terminal_; }

 private:
  Core::ITerminal* terminal_;
  zq::Rect old_;
  zq::Rect new_;
};

// List helpers of the containment and partner lists.
template <class T>
bool Listed(const Core::PtrCont<T>& list, const T* p) {
  return std::find(list.begin(), list.end(), p) != list.end();
}
template <class T>
void EraseFrom(Core::PtrCont<T>& list, const T* p) {
  list.erase(std::remove(list.begin(), list.end(), p), list.end());
}

// A size read from a document must be at least 1 in each direction; throws the reading error
// "out of range" naming "Size" otherwise.
void CheckReadSize(const zq::Point& size, int line);

}  // namespace UseCase
