#include "text/edit/FreeTextView.h"

#include "text/edit/TextView.h"
#include "text/free/Anchor.h"
#include "view/CanvasView.h"

namespace Text {

VFreeText::VFreeText(View::ICanvasView& view, FreeText& free)
    : Core::IViewElement(view, free), View::SelectableViewElement(view, free), free_(free) {}

bool VFreeText::KeepsDrawingWhileMoved() const {
  const auto* anchor = dynamic_cast<const Anchor*>(free_.GetOwner());
  const IAnchorOwner* owner = anchor ? anchor->GetAnchorOwner() : nullptr;
  return owner && View::KeepsDrawingWhileMoved(*owner, GetCanvasView());
}

void VFreeText::UpdateShape() {
  const zq::Rect box = free_.GetBox();
  const bool moving = free_.IsInTransaction() && !free_.IsNew() && KeepsDrawingWhileMoved();
  held_ = place_.Holds(moving, box.TopLeft(), box.BottomRight());
  if (held_) {
    NoteDrawnAsChanging();
    return;
  }
  if (TextBlock::Text* text = free_.GetText())
    if (TextBlock::VText* textView = TextBlock::FindTextView(*text, GetCanvasView())) textView->RequestUpdate();
}

void VFreeText::UpdateMarks() {
  if (held_ && free_.IsInTransaction()) return;
  marks_.Clear();
  if (!IsSelected() || free_.IsDeleted()) return;
  const zq::Rect r = free_.GetBox();
  marks_.Add(GetCanvasView().GetCanvas().CreateDashedRect(
      {double(r.left), double(r.top), double(r.right), double(r.bottom)}, 0));
}

}  // namespace Text
