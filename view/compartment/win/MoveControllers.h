#pragma once
// Dragging a compartment on its own: it leaves its owner when the move starts, follows the pointer,
// and the owner under the pointer at the drop takes it (a dashed line marks where it goes).
#include "drawing/Canvas.h"
#include "view/CanvasView.h"
#include "view/MoveControl.h"
#include "view/compartment/Compartment.h"

namespace Compartment {

// The frame of a compartment drag: at every step the compartment leaves the owner it is still in,
// and the target becomes the first owner under the pointer that takes it (the current one while it
// still does); an owner that moves along never does. At the drop the target adopts the compartment;
// without a target the compartment stays where it was dropped, in no owner.
class OwnerMoveController : public View::IMoveController {
 public:
  OwnerMoveController(View::ViewContext& context, const Core::DeferredShiftSet& set, ICompartment& compartment);
  // Empties the feedback.
  ~OwnerMoveController() override;
  void AfterShift(Core::Env& env, const zq::Point& point) override;
  void Finish(Core::Env& env) override;
  // The owner that takes the compartment at the drop, or none.
  Core::IModelElement* GetTarget() const { return target_; }
  // The feedback line drawn (empty when there is no target).
  const ICanvas::Group& GetFeedback() const { return feedback_; }

 protected:
  // Whether the element is an owner that takes the compartment.
  virtual bool Takes(Core::IModelElement& element) const = 0;
  // Where in the target the compartment goes for the point (the target is set).
  virtual void FindSlot(const zq::Point&) {}
  // The feedback line: its height and its left and right ends before the 5 mm on each side.
  virtual void FeedbackLine(double& y, double& left, double& right) const;
  // The target takes the compartment.
  virtual void Adopt(Core::Env& env) = 0;
  ICompartment& GetCompartment() const { return compartment_; }
  // The target's rectangle.
  zq::Rect TargetRect() const;

 private:
  bool IsTargetAt(Core::IModelElement& element, const zq::Point& point) const;
  void DrawFeedback();

  View::ViewContext& context_;
  const Core::DeferredShiftSet& set_;
  ICompartment& compartment_;
  Core::ElementPtr keep_;
  Core::IModelElement* target_ = nullptr;
  ICanvas::Group feedback_;
};

// The drag of a compartment between owners that hold one compartment each.
class SingleMoveController : public OwnerMoveController {
 public:
  using OwnerMoveController::OwnerMoveController;

 protected:
  bool Takes(Core::IModelElement& element) const override;
  void Adopt(Core::Env& env) override;
};

// The controller of a compartment in the move: none that restricts anything when its owner moves
// along (the compartment moves with it), else the one the maker gives.
template <class Controller, class Kind>
View::MoveControllerPtr MakeCompartmentController(View::ViewContext& context, Core::DeferredShiftSet& set,
                                                 Kind& compartment) {
  Core::IModelElement* owner = compartment.GetOwnerElement();
  if (owner && set.MovesOrDefers(owner)) return View::MakeNullMoveController();
  return std::make_shared<Controller>(context, set, compartment);
}

}  // namespace Compartment
