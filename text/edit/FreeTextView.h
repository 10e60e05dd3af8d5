#pragma once
// The view of a free text: selectable by its box, marked by a dashed outline while selected; its
// text is drawn by the text's own view. Typing or a double click edits the text in place.
#include "drawing/Canvas.h"
#include "text/edit/Handlers.h"
#include "text/free/FreeText.h"
#include "view/ViewElements.h"

namespace Text {

class VFreeText : public View::SelectableViewElement, public View::VIShiftable, public TextBlock::CharHandlerImp {
 public:
  VFreeText(View::ICanvasView& view, FreeText& free);
  // Asks the text's view to redraw at the new place.
  void UpdateShape() override;
  // The dashed box while selected.
  void UpdateMarks() override;
  // The free text's text.
  TextBlock::Text* GetTextModel() const override { return free_.GetText(); }
  void SetCursor(const zq::Point& point) override { View::SelectableViewElement::SetCursor(point); }

 private:
  FreeText& free_;
  ICanvas::Group marks_;
};

}  // namespace Text
