#include "text/edit/FreeTextView.h"

#include "text/edit/TextView.h"
#include "view/CanvasView.h"

namespace Text {

VFreeText::VFreeText(View::ICanvasView& view, FreeText& free)
    : Core::IViewElement(view, free), View::SelectableViewElement(view, free), free_(free) {}

void VFreeText::UpdateShape() {
  if (TextBlock::Text* text = free_.GetText())
    if (TextBlock::VText* textView = TextBlock::FindTextView(*text, GetCanvasView())) textView->RequestUpdate();
}

void VFreeText::UpdateMarks() {
  marks_.Clear();
  if (!IsSelected() || free_.IsDeleted()) return;
  const zq::Rect r = free_.GetBox();
  marks_.Add(GetCanvasView().GetCanvas().CreateDashedRect(
      {double(r.left), double(r.top), double(r.right), double(r.bottom)}, 0));
}

}  // namespace Text
