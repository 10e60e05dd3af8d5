#pragma once
// The view of a compartment: inside an owner, the line along its top edge (the owner draws the
// rest of the box); without one, its rectangle. Typing or a double click edits its text in place;
// while selected it shows its resize handles.
#include <memory>

#include "drawing/Canvas.h"
#include "text/edit/Handlers.h"
#include "view/ResizeControls.h"
#include "view/ViewElements.h"
#include "view/compartment/Compartment.h"

namespace Compartment {

class VCompartment : public View::SelectableViewElement, public View::VIShiftable, public TextBlock::CharHandlerImp {
 public:
  VCompartment(View::ICanvasView& view, ICompartment& compartment);
  // Draws the top line or the rectangle, and asks the text's view to follow.
  void UpdateShape() override;
  // The handles while selected.
  void UpdateMarks() override;
  Core::Weight HitTestMarks(const zq::Point& point, std::int32_t tolerance) const override;
  View::IControl* FindControlAt(const zq::Point& point) override;
  TextBlock::Text* GetTextModel() const override { return compartment_.GetText(); }
  void SetCursor(const zq::Point& point) override { View::SelectableViewElement::SetCursor(point); }
  // The compartment shown.
  ICompartment& GetCompartment() const { return compartment_; }

 private:
  ICompartment& compartment_;
  View::RectResizeControls handles_;
  ICanvas::Group drawing_;
  ICanvas::Group marks_;
};

}  // namespace Compartment
