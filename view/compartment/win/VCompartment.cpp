#include "view/compartment/win/VCompartment.h"

#include "text/edit/TextView.h"
#include "view/CanvasView.h"

namespace Compartment {

namespace {
constexpr unsigned kAllHandles = 255;
}  // namespace

VCompartment::VCompartment(View::ICanvasView& view, ICompartment& compartment)
    : Core::IViewElement(view, compartment),
      View::SelectableViewElement(view, compartment),
      compartment_(compartment),
      handles_(view, compartment, kAllHandles, this, 0) {}

void VCompartment::UpdateShape() {
  drawing_.Clear();
  if (compartment_.IsDeleted()) return;
  const zq::Rect r = compartment_.GetRect();
  ICanvas::Canvas& canvas = GetCanvasView().GetCanvas();
  if (compartment_.HasOwner())
    drawing_.Add(canvas.CreateLine({double(r.left), double(r.top)}, {double(r.right), double(r.top)}));
  else
    drawing_.Add(canvas.CreateRect({double(r.left), double(r.top), double(r.right), double(r.bottom)}));
  if (TextBlock::Text* text = compartment_.GetText())
    if (TextBlock::VText* textView = TextBlock::FindTextView(*text, GetCanvasView())) textView->RequestUpdate();
  UpdateMarks();
}

void VCompartment::UpdateMarks() {
  marks_.Clear();
  if (!IsSelected() || compartment_.IsDeleted()) return;
  handles_.Draw(GetCanvasView().GetCanvas(), marks_, true);
}

Core::Weight VCompartment::HitTestMarks(const zq::Point& point, std::int32_t tolerance) const {
  return IsSelected() ? handles_.WeightAt(point, tolerance) : Core::Weight();
}

View::IControl* VCompartment::FindControlAt(const zq::Point& point) {
  return IsSelected() ? handles_.FindAt(point) : nullptr;
}

}  // namespace Compartment
