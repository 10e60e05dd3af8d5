#pragma once
// The view of a free text: selectable by its box, marked by a dashed outline while selected; its
// text is drawn by the text's own view. Typing or a double click edits the text in place. A text
// anchored on an element draws by the rule of that element's view: when that view keeps its drawing
// while an open change moves it, so does the text (the drag's dashed image follows the pointer).
#include "drawing/Canvas.h"
#include "text/edit/Handlers.h"
#include "text/free/FreeText.h"
#include "view/ViewElements.h"

namespace Text {

class VFreeText : public View::SelectableViewElement, public View::VIShiftable, public TextBlock::CharHandlerImp,
                  public View::IDrawingRule {
 public:
  VFreeText(View::ICanvasView& view, FreeText& free);
  // Asks the text's view to redraw at the new place, unless the text keeps its drawing there.
  void UpdateShape() override;
  // The dashed box while selected.
  void UpdateMarks() override;
  // The free text's text.
  TextBlock::Text* GetTextModel() const override { return free_.GetText(); }
  void SetCursor(const zq::Point& point) override { View::SelectableViewElement::SetCursor(point); }
  // Whether the text hangs on an element whose view keeps its drawing while moved.
  bool KeepsDrawingWhileMoved() const override;

 private:
  FreeText& free_;
  ICanvas::Group marks_;
  View::CommittedPlace place_;
  bool held_ = false;  // the drawing and marks stay where the last closed change put them
};

}  // namespace Text
