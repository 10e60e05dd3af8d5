#pragma once
// Dragging class compartments: a run of compartments leaves its class and goes into the class
// under the pointer at the drop, before or after the compartment nearest the pointer.
#include "elements/class/Class.h"
#include "elements/class/Compartment.h"
#include "view/compartment/win/MoveControllers.h"
#include "core/foundation/Cast.h"

namespace Class {

// The controller of a dragged class compartment: the target is a class under the pointer that does
// not move along; the dashed line shows the slot the compartment goes into.
class CompartmentMoveController : public ::Compartment::OwnerMoveController {
 public:
  CompartmentMoveController(View::ViewContext& context, const Core::DeferredShiftSet& set, Compartment& compartment);
  // The slot in the target: the neighbour (none: after the last) and whether before it.
  Compartment* GetNeighbour() const { return neighbour_; }
  bool IsBefore() const { return before_; }

 protected:
  bool Takes(Core::IModelElement& element) const override { return zq::Cast<Class>(&element) != nullptr; }
  void FindSlot(const zq::Point& point) override;
  void FeedbackLine(double& y, double& left, double& right) const override;
  void Adopt(Core::Env& env) override;

 private:
  Compartment& compartment_;
  Compartment* neighbour_ = nullptr;
  bool before_ = false;
};

// The compartment a drag from the given one moves from: the topmost of its run of compartments
// selected in the view.
Compartment& TopOfSelectedRun(Compartment& compartment, const Core::IView& view);

}  // namespace Class
