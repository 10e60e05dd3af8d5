#include "text/edit/TextView.h"

#include "text/Editing.h"
#include "text/TextOwner.h"
#include "text/edit/EditTask.h"
#include "text/edit/FreeTextView.h"
#include "text/free/FreeText.h"
#include "text/win/TextDrawing.h"
#include "view/CanvasView.h"
#include "core/foundation/Cast.h"

namespace TextBlock {

VText::VText(View::ICanvasView& view, Text& text)
    : Core::IViewElement(view, text), View::ViewElement(view, text), text_(text) {}

zq::Point TextOriginOf(const Text& text) {
  zq::Point origin;
  if (const ITextOwner* owner = text.GetTextOwner()) owner->GetTextOrigin(origin);
  return origin;
}

zq::Point VText::GetOrigin() const { return TextOriginOf(text_); }

// The drawing of a text view: the text's current layout, replaced when the text changes.
class VText::Shown : public ICanvas::ICustomDrawing {
 public:
  explicit Shown(std::unique_ptr<TextDrawing> text) : text_(std::move(text)) {}
  void Replace(std::unique_ptr<TextDrawing> text) { text_ = std::move(text); }
  ICanvas::DoubleRect GetBounds() const override { return text_->GetBounds(); }
  void Draw(ICanvas::IDrawContext& dc) const override { text_->Draw(dc); }
  void Move(const zq::float8Vector& by) override { text_->Move(by); }
  const TextDrawing* Text() const { return text_.get(); }

 private:
  std::unique_ptr<TextDrawing> text_;
};

const void* VText::GetShaped() const { return shown_ ? shown_->Text() : nullptr; }

void VText::Update() {
  if (text_.IsDeleted() || !text_.GetTextOwner() || text_.GetContent().IsEmpty()) {
    drawing_.Reset();
    shown_.reset();
    drawn_.reset();
    return;
  }
  const zq::Point origin = GetOrigin();
  const std::shared_ptr<const DeferredLayout>& layout = text_.GetDeferredLayout();
  const bool shown = shown_ && !drawing_.IsEmpty();
  // The same lines where an open change moved the owner: the drawing moves along and keeps its
  // shaped runs (shaping thousands of texts at every step of a drag costs far more). Once the change
  // is closed the text is drawn anew.
  const auto* owner = dynamic_cast<const Core::IModelElement*>(text_.GetTextOwner());
  if (shown && drawn_ == layout && owner && owner->IsInTransaction() && !owner->IsNew()) {
    if (origin != drawnAt_) drawing_.Move({double(origin.x - drawnAt_.x), double(origin.y - drawnAt_.y)});
    drawnAt_ = origin;
    return;
  }
  drawn_ = layout;
  drawnAt_ = origin;
  auto text = std::make_unique<TextDrawing>(layout, zq::float8Point{double(origin.x), double(origin.y)});
  if (shown) {
    shown_->Replace(std::move(text));
    drawing_.Move({0, 0});  // the canvas records the area drawn before and the one drawn now
    return;
  }
  shown_ = std::make_shared<Shown>(std::move(text));
  drawing_ = GetCanvasView().GetCanvas().CreateCustom(shown_);
}

View::SubTaskPtr VText::StartEditing(View::ITask& parent, const zq::Point* at) {
  if (text_.IsDeleted() || !text_.GetTextOwner()) return nullptr;
  const Content& content = text_.GetContent();
  std::size_t caret = content.Items().size();
  if (at) {
    const zq::Point origin = GetOrigin();
    const TextPos place = HitTest(*text_.GetLayout(), at->x - origin.x, origin.y - at->y);
    caret = FromTextPos(content, place);
  }
  return std::make_shared<EditTask>(parent.GetContext(), parent, text_, caret);
}

View::SubTaskPtr VText::OnDoubleClick(View::ITask& parent, const zq::Point& point) {
  return StartEditing(parent, &point);
}

View::SubTaskPtr VText::OnChar(View::ITask& parent, unsigned wParam) {
  if (wParam < 32 && wParam != 8 && wParam != 9 && wParam != 13) return nullptr;
  auto task = StartEditing(parent, nullptr);
  if (auto* edit = zq::Cast<EditTask>(task.get())) {
    // A character typed on a selected element names it anew: it replaces the whole text, so a new
    // element's "<name?>" goes. Backspace, Ctrl+Backspace, Tab and Enter work at the end.
    if (wParam >= 32 && wParam != 127) edit->Select(0, edit->GetCaret());
    edit->TypeChar(wchar_t(wParam));
  }
  return task;
}

VText* FindTextView(const Text& text, const Core::IView& view) {
  return zq::Cast<VText>(text.FindViewElement(view));
}

void RedrawTextView(const Text* text, const Core::IView& view) {
  if (text)
    if (Core::IViewElement* textView = text->FindViewElement(view)) textView->Update(nullptr);
}

void RegisterTextViews() {
  static const bool registered = [] {
    View::ModelElement::AddViewMaker(
        [](Core::IModelElement& element, View::ICanvasView& view) -> std::shared_ptr<Core::IViewElement> {
          if (auto* text = zq::Cast<Text>(&element)) return std::make_shared<VText>(view, *text);
          if (auto* free = dynamic_cast<::Text::FreeText*>(&element)) return std::make_shared<::Text::VFreeText>(view, *free);
          return nullptr;
        });
    return true;
  }();
  (void)registered;
}

}  // namespace TextBlock
