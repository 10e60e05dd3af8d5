#include "view/compartment/win/VCompartment.h"

#include "text/edit/TextView.h"
#include "view/CanvasView.h"
#include "view/compartment/win/MoveControllers.h"

namespace Compartment {

namespace {
constexpr unsigned kAllHandles = 255;
constexpr unsigned kWestAndEast = 4 | 64;
}  // namespace

VTextBox::VTextBox(View::ICanvasView& view, Core::IResizable& box, unsigned handleMask)
    : Core::IViewElement(view, box),
      View::SelectableViewElement(view, box),
      box_(box),
      handles_(view, box, handleMask, this, 0) {}

void VTextBox::UpdateMarks() {
  marks_.Clear();
  if (IsSelected() && !box_.IsDeleted()) handles_.Draw(GetCanvasView().GetCanvas(), marks_, IsPlaced());
}

Core::Weight VTextBox::HitTestMarks(const zq::Point& point, std::int32_t tolerance) const {
  return IsSelected() ? handles_.WeightAt(point, tolerance) : Core::Weight();
}

View::IControl* VTextBox::FindControlAt(const zq::Point& point) {
  return IsSelected() ? handles_.FindAt(point) : nullptr;
}

void VTextBox::RedrawText(TextBlock::Text* text) {
  // The text's view queues itself on its model update.
  if (text)
    if (Core::IViewElement* textView = text->FindViewElement(GetCanvasView())) textView->Update(nullptr);
}

VCompartment::VCompartment(View::ICanvasView& view, ICompartment& compartment)
    : Core::IViewElement(view, compartment), VTextBox(view, compartment, kAllHandles), compartment_(compartment) {}

void VCompartment::UpdateShape() {
  drawing_.Clear();
  if (compartment_.IsDeleted()) return;
  SetHandleMask(TextBlock::ITextOwner::IsTextEmpty(compartment_.GetText()) ? kWestAndEast : kAllHandles);
  const zq::Rect r = compartment_.GetRect();
  ICanvas::Canvas& canvas = GetCanvasView().GetCanvas();
  if (compartment_.HasOwner())
    drawing_.Add(canvas.CreateLine({double(r.left), double(r.top)}, {double(r.right), double(r.top)}));
  else
    drawing_.Add(canvas.CreateRect({double(r.left), double(r.top), double(r.right), double(r.bottom)}));
  RedrawText(compartment_.GetText());
  UpdateMarks();
}

void VCompartment::DrawMoveImage(ICanvas::Canvas& canvas, ICanvas::Group& group, const Core::DeferredShiftSet& set) {
  if (compartment_.IsDeleted()) return;
  const zq::Rect r = compartment_.GetRect();
  const ICanvas::DoubleRect d{double(r.left), double(r.top), double(r.right), double(r.bottom)};
  Core::IModelElement* owner = compartment_.GetOwnerElement();
  if (owner && (set.Moves(owner) || set.IsDeferred(owner))) {
    group.Add(canvas.CreateDashedLine({d.left, d.top}, {d.right, d.top}, 1));
    group.Add(canvas.CreateAdjustMarker({d.left, d.top}, ICanvas::SideLeft, 1));
    group.Add(canvas.CreateAdjustMarker({d.right, d.top}, ICanvas::SideRight, 1));
    return;
  }
  group.Add(canvas.CreateDashedRect(d, 1));
  GraphUtil::AddCornerMarks(canvas, group, d, 1);
}

View::MoveControllerPtr VCompartment::CreateMoveController(View::ViewContext& context, Core::DeferredShiftSet& set) {
  return MakeCompartmentController<SingleMoveController>(context, set, compartment_);
}

}  // namespace Compartment
