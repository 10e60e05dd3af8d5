#pragma once
// The handlers that view elements of text-bearing elements mix in: a double click or a typed
// character starts in-place editing of the text the view element names.
#include "text/Text.h"
#include "view/Tasks.h"
#include "view/ViewElements.h"

namespace Core {
class Env;
}

namespace TextBlock {

// Hands a double click to the view of the named text, which edits at the clicked place.
class DoubleClickHandlerImp : public View::IDoubleClickHandler {
 public:
  // The text the view element shows for its model element, or none.
  virtual Text* GetTextModel() const = 0;
  // Starts editing the named text at the point; nothing without a text.
  View::SubTaskPtr OnDoubleClick(View::ICanvasView& view, View::ITask& parent, const zq::Point& point) override;
};

// Hands a character typed while the element is selected to the view of the named text.
class CharHandlerImp : public DoubleClickHandlerImp, public View::ICharHandler {
 public:
  // Starts editing the named text (or a supplied one) with the character.
  View::SubTaskPtr OnChar(View::ICanvasView& view, View::ITask& parent, unsigned wParam, long lParam) override;
  // Asked for a text when the element names none; by default none, and typing does nothing.
  virtual Text* SupplyTextModel(Core::Env&) { return nullptr; }
};

}  // namespace TextBlock
