#include "elements/class/win/CompartmentDrag.h"
#include "core/foundation/Cast.h"

namespace Class {

CompartmentMoveController::CompartmentMoveController(View::ViewContext& context, const Core::DeferredShiftSet& set,
                                                     Compartment& compartment)
    : OwnerMoveController(context, set, compartment), compartment_(compartment) {}

void CompartmentMoveController::FindSlot(const zq::Point& point) {
  neighbour_ = nullptr;
  before_ = false;
  if (auto* target = zq::Cast<Class>(GetTarget())) std::tie(neighbour_, before_) = target->FindCompartmentSlot(point);
}

void CompartmentMoveController::FeedbackLine(double& y, double& left, double& right) const {
  const zq::Rect box = TargetRect();
  left = box.left;
  right = box.right;
  if (!neighbour_) {
    y = box.bottom;
    return;
  }
  const zq::Rect r = neighbour_->GetRect();
  y = before_ ? r.top : r.bottom;
  left = r.left;
  right = r.left + box.Width();
}

void CompartmentMoveController::Adopt(Core::Env& env) {
  if (auto* target = zq::Cast<Class>(GetTarget())) target->InsertCompartment(env, compartment_, neighbour_, before_);
}

Compartment& TopOfSelectedRun(Compartment& compartment, const Core::IView& view) {
  Compartment* top = &compartment;
  while (Compartment* p = top->GetPrevious()) {
    if (p == &compartment || !p->IsSelectedInView(view)) break;
    top = p;
  }
  return *top;
}

}  // namespace Class
