#pragma once
// The qualifier box shared by the class and object diagrams: a small text box flush against one
// side of its owner box, which association or link ends attach to instead of the owner.
#include "core/Interfaces.h"
#include "core/Shift.h"
#include "core/Weight.h"
#include "elements/classobject/Terminal.h"
#include "style/Clients.h"

namespace Connector {
class IEnd;
}

namespace ClassObject {

// The side of its owner a box touches (exact equality of coordinates), tested in this order.
enum class OwnerSide { None, Right, Below, Left, Above };
OwnerSide TouchedSide(const zq::Rect& box, const zq::Rect& owner);
// The resize handles of a qualifier: all eight (255) unless it touches its owner, then the three
// of the touching side are left out (right 241, below 124, left 31, above 199).
unsigned QualifierHandleMask(const zq::Rect& box, const zq::Rect* owner);

// The requested rectangle of a qualifier that touches its owner on a side, shifted (keeping its
// size) so that it touches the same side; unchanged when it touched none.
zq::Rect KeepOwnerSide(const zq::Rect& requested, const zq::Rect& current, const zq::Rect& owner);
// The top-left corner of a qualifier refitted to the size: on the owner's left or top side it
// grows away from the owner; elsewhere its corner stays.
zq::Point GrowAwayFromOwner(const zq::Rect& current, const zq::Rect& owner, const zq::Point& size);
// A new qualifier q at the end, which already attaches to q: with an owner (the box the end sat
// on) q goes flush on the owner's side nearest to the end and the end moves to the middle of q's
// outer edge; without one q goes beside the end, away from its segment (snapped by the grid).
void PlaceAtEnd(Core::Env& env, Core::IResizable& q, Connector::IEnd& end, const Core::IResizable* owner);
// A qualifier's end handed to the owner it lay on: it goes to the owner's outline point nearest
// to it. False when the owner does not take it.
bool MoveEndOntoOwner(Core::Env& env, Core::ITerminal& owner, Connector::IEnd& end, bool attached);

// The qualifier's shared side; the concrete qualifier supplies its owner and its text.
class IQualifier : public Terminal,
                   public virtual Core::ITerminal,
                   public virtual Core::IShiftable,
                   public Core::IDeletable,
                   public Core::IAttachment,
                   public Style::IElementStyleClient {
 public:
  // The owner box, or none.
  virtual Core::IResizable* GetOwnerBox() const = 0;
  // Paths to the qualifier keep out of its owner.
  const Core::IResizable* GetCarrierBox() const override { return GetOwnerBox(); }
  // The qualifier's text, or none.
  virtual TextBlock::Text* GetText() const = 0;
  // Lets go of the owner (undoable): it becomes none, and the old owner forgets the qualifier.
  virtual void ReleaseOwner(Core::Env& env) = 0;

  // The rectangle grown by the tolerance, edges included.
  bool IsNear(const zq::Point& point, std::int32_t tolerance) const override;
  bool GetBoundingRect(zq::Rect& out) const override;
  // The area weight, biased by the owner's weight at the point, raised when selected.
  Core::Weight GetWeight(const Core::IView& view, const zq::Point& point, std::int32_t tolerance) const override;
  // Ends meet the rectangle's outline.
  bool GetTerminalOutline(GraphUtil::OutlineHit& out, const zq::float8Point& point, bool horizontal) const override;
  void GetOutline(std::vector<zq::Point>& outline, bool old) const override;
  // Selected itself, or its owner completely.
  bool IsCompletelySelectedImp(const Core::ModelElementSet& set) override;
  // The owner's views redraw with the qualifier.
  void UpdateOwnerViews(const Core::ViewUpdateContext* context) override;
  // Whether the owner is already shifted in the move (the qualifier then moves with it).
  bool IsShiftedAlong(const Core::DeferredShiftSet& set) const;
  // The handles the view shows.
  unsigned ComputeHandleMask() const;
  // After the owner changed its rectangle: the qualifier keeps its side, clamped to it; it is
  // shifted in the set (its ends follow). Nothing when deleted or the owner did not change.
  void FollowOwner(Core::Env& env, Core::DeferredShiftSet& set);
};

}  // namespace ClassObject
