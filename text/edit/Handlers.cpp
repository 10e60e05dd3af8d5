#include "text/edit/Handlers.h"

#include "core/Transaction.h"
#include "text/edit/TextView.h"
#include "view/CanvasView.h"

namespace TextBlock {

namespace {

// The text's view in the view, made up to date first when it is still queued.
VText* TextViewIn(const Text& text, View::ICanvasView& view) {
  VText* textView = FindTextView(text, view);
  if (!textView) {
    view.ProcessUpdates();
    textView = FindTextView(text, view);
  }
  return textView;
}

}  // namespace

View::SubTaskPtr DoubleClickHandlerImp::OnDoubleClick(View::ICanvasView& view, View::ITask& parent,
                                                      const zq::Point& point) {
  Text* text = GetTextModel();
  if (!text || text->IsDeleted()) return nullptr;
  VText* textView = TextViewIn(*text, view);
  return textView ? textView->OnDoubleClick(parent, point) : nullptr;
}

View::SubTaskPtr CharHandlerImp::OnChar(View::ICanvasView& view, View::ITask& parent, unsigned wParam, long) {
  Text* text = GetTextModel();
  if (!text) {
    Core::Env env = parent.MakeEnv();
    text = SupplyTextModel(env);
  }
  if (!text || text->IsDeleted()) return nullptr;
  VText* textView = TextViewIn(*text, view);
  return textView ? textView->OnChar(parent, wParam) : nullptr;
}

}  // namespace TextBlock
