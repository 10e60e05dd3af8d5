#pragma once
// The view of a rich text in a canvas view: its laid-out lines drawn at the owner's text origin
// through the drawing kernel's text runs; the place where in-place editing starts.
#include "drawing/Canvas.h"
#include "text/Text.h"
#include "view/Tasks.h"
#include "view/ViewElements.h"

namespace TextBlock {

class VText : public View::ViewElement {
 public:
  VText(View::ICanvasView& view, Text& text);
  // Draws the text's current layout at its owner's text origin; when an open change only moved the
  // owner, the drawing moves there and keeps its shaped runs.
  void Update() override;
  using View::ViewElement::Update;

  // The text shown.
  Text& GetText() const { return text_; }
  // The drawing of the lines (for tests).
  const ICanvas::Element& GetDrawing() const { return drawing_; }
  // What the drawing draws now: the lines shaped for it (for tests).
  const void* GetShaped() const;
  // The top-left corner of the lines in model units (y up).
  zq::Point GetOrigin() const;
  // Starts in-place editing with the caret at the model point, or at the end without one (none
  // for a text that is gone).
  View::SubTaskPtr StartEditing(View::ITask& parent, const zq::Point* at);
  // A double click edits at the clicked place.
  View::SubTaskPtr OnDoubleClick(View::ITask& parent, const zq::Point& point);
  // A character typed while the owner is selected starts editing: a printable one replaces the
  // whole text, Backspace, Tab and Enter act at its end; other control characters start nothing.
  View::SubTaskPtr OnChar(View::ITask& parent, unsigned wParam);

 private:
  class Shown;
  Text& text_;
  // The drawing and what it draws: a changed text is drawn anew in the same drawing, which keeps its
  // place among the texts (a fresh view draws overlapping texts in the order of their elements).
  ICanvas::Element drawing_;
  std::shared_ptr<Shown> shown_;
  std::shared_ptr<const DeferredLayout> drawn_;  // the layout shown, at drawnAt_
  zq::Point drawnAt_;
};

// The top-left corner of the text's lines in model units (y up): its owner's text origin.
zq::Point TextOriginOf(const Text& text);

// The view element of the text in the view, or none.
VText* FindTextView(const Text& text, const Core::IView& view);

// Asks the view of the text (none: nothing) in the view to update, queued: the view of the text's
// owner calls it where it draws the owner, so that the text is drawn as its owner is.
void RedrawTextView(const Text* text, const Core::IView& view);

// Lets canvas views make the views of texts and free texts (once per process).
void RegisterTextViews();

}  // namespace TextBlock
