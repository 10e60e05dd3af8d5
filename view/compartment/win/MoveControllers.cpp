#include "view/compartment/win/MoveControllers.h"

#include "core/Diagram.h"
#include "core/foundation/Cast.h"

namespace Compartment {

namespace {
// The feedback line reaches 5 mm beyond the target on each side.
constexpr double kFeedbackOverhang = 500;
}  // namespace

OwnerMoveController::OwnerMoveController(View::ViewContext& context, const Core::DeferredShiftSet& set,
                                         ICompartment& compartment)
    : context_(context), set_(set), compartment_(compartment), keep_(compartment.shared_from_this()) {}

OwnerMoveController::~OwnerMoveController() { feedback_.Reset(); }

zq::Rect OwnerMoveController::TargetRect() const {
  auto* box = zq::Cast<Core::IResizable>(target_);
  return box ? box->GetRect() : zq::Rect();
}

bool OwnerMoveController::IsTargetAt(Core::IModelElement& element, const zq::Point& point) const {
  if (element.IsDeleted() || &element == &compartment_ || set_.MovesOrDefers(&element) ||
      !Takes(element))
    return false;
  auto* box = zq::Cast<Core::IResizable>(&element);
  if (!box) return false;
  zq::Rect r = box->GetRect();
  r.Normalize();
  return point.x >= r.left && point.x <= r.right && point.y <= r.top && point.y >= r.bottom;
}

void OwnerMoveController::AfterShift(Core::Env& env, const zq::Point& point) {
  if (compartment_.IsDeleted()) return;
  if (!target_ || !IsTargetAt(*target_, point)) {
    target_ = nullptr;
    for (const Core::ElementPtr& e : context_.diagram->Elements())
      if (IsTargetAt(*e, point)) {
        target_ = e.get();
        break;
      }
  }
  if (compartment_.HasOwner()) compartment_.SetOwner(env, nullptr);
  if (target_) FindSlot(point);
  DrawFeedback();
}

void OwnerMoveController::FeedbackLine(double& y, double& left, double& right) const {
  const zq::Rect r = TargetRect();
  y = r.bottom;
  left = r.left;
  right = r.right;
}

void OwnerMoveController::DrawFeedback() {
  feedback_.Clear();
  if (!target_ || !context_.canvas) return;
  double y = 0, left = 0, right = 0;
  FeedbackLine(y, left, right);
  feedback_.Add(context_.canvas->CreateDashedLine({left - kFeedbackOverhang, y}, {right + kFeedbackOverhang, y}, 1));
}

void OwnerMoveController::Finish(Core::Env& env) {
  feedback_.Clear();
  if (target_ && !target_->IsDeleted() && !compartment_.IsDeleted()) Adopt(env);
}

bool SingleMoveController::Takes(Core::IModelElement& element) const {
  auto* owner = zq::Cast<ISingleCompartmentOwner>(&element);
  return owner && owner->CanAddCompartment(GetCompartment());
}

void SingleMoveController::Adopt(Core::Env& env) {
  if (auto* owner = zq::Cast<ISingleCompartmentOwner>(GetTarget())) owner->AddCompartment(env, GetCompartment());
}

}  // namespace Compartment
