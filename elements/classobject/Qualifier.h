#pragma once
// The qualifier box shared by the class and object diagrams: a small text box flush against one
// side of its owner box, which association or link ends attach to instead of the owner.
#include "core/Interfaces.h"
#include "core/Shift.h"
#include "core/Weight.h"
#include "elements/classobject/Terminal.h"
#include "style/Clients.h"

namespace ClassObject {

// The side of its owner a box touches (exact equality of coordinates), tested in this order.
enum class OwnerSide { None, Right, Below, Left, Above };
OwnerSide TouchedSide(const zq::Rect& box, const zq::Rect& owner);
// The resize handles of a qualifier: all eight (255) unless it touches its owner, then the three
// of the touching side are left out (right 241, below 124, left 31, above 199).
unsigned QualifierHandleMask(const zq::Rect& box, const zq::Rect* owner);

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
