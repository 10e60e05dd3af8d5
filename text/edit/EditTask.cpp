#include "text/edit/EditTask.h"

#include <algorithm>

#include "app/winutil/Input.h"
#include "core/Transaction.h"
#include "text/Editing.h"
#include "text/TextOwner.h"
#include "text/edit/TextClipboard.h"
#include "text/edit/TextView.h"
#include "view/CanvasOrder.h"
#include "view/CanvasView.h"
#include "core/foundation/Cast.h"

namespace TextBlock {

namespace {

// The colour behind selected characters.
constexpr zq::Color kSelectionColour{0xAD, 0xD6, 0xFF};

// The stacking key of the selection's highlight: above every element's fill, beneath the glyphs and
// lines (unkeyed), so that the selected characters stay readable in every script and direction.
ICanvas::OrderKey SelectionOrder() {
  static const ICanvas::OrderKey key = std::make_shared<const View::CanvasOrder::Impl>(1, 0);
  return key;
}

bool IsHigh(wchar_t c) { return c >= 0xD800 && c < 0xDC00; }
bool IsLow(wchar_t c) { return c >= 0xDC00 && c < 0xE000; }

bool IsWordItem(const Item& item) {
  return item.kind == ItemKind::Character && item.unit != u' ' && item.unit != u'\t';
}

}  // namespace

EditTask::EditTask(View::ViewContext& context, View::ITask& parent, Text& text, std::size_t caret)
    : ISubTask(context, parent, "EditTask"), text_(text), keep_(text.shared_from_this()),
      caret_(caret), anchor_(caret) {
  TakeSelectionSnapshot();
  using namespace WinMessage;
  plugs_ = std::make_unique<WinMsgPlugMap>(*context.dispatcher, context.exceptionHandler);
  plugs_->Add(WM_KEYDOWN, this, &EditTask::OnKeyDown);
  plugs_->Add(WM_KEYUP, this, &EditTask::OnKeyUp);
  plugs_->Add(WM_CHAR, this, &EditTask::OnChar);
  plugs_->Add(WM_LBUTTONDOWN, this, &EditTask::OnButtonDown);
  plugs_->Add(WM_LBUTTONDBLCLK, this, &EditTask::OnDoubleClick);
  plugs_->Add(WM_MOUSEMOVE, this, &EditTask::OnMouseMove);
  plugs_->Add(WM_LBUTTONUP, this, &EditTask::OnButtonUp);
  plugs_->Add(WM_RBUTTONDOWN, this, &EditTask::OnOtherButton);
  plugs_->Add(WM_MBUTTONDOWN, this, &EditTask::OnOtherButton);
  plugs_->Add(WM_KILLFOCUS, this, &EditTask::OnKillFocus);
  plugs_->Add(WM_SETCURSOR, this, &EditTask::OnSetCursor);
  context.canvas->GetScrollObservers().Add(this);
  context.canvas->GetZoomObservers().Add(this);
  ShowState();
}

EditTask::~EditTask() {
  plugs_.reset();
  selection_.Reset();
  View::ViewContext& c = GetContext();
  if (c.canvas) {
    c.canvas->GetScrollObservers().Remove(this);
    c.canvas->GetZoomObservers().Remove(this);
    c.canvas->HideCaret();
    c.canvas->Update();
  }
}

void EditTask::Refresh() {
  if (!GetContext().view->IsActive()) End();
}

void EditTask::End() {
  if (ending_) return;
  ending_ = true;
  Finish(changed_ ? Finished : Cancelled);  // destroys this task
}

void EditTask::EndAndRepost(UINT message, WPARAM wParam, LPARAM lParam) {
  const HWND hwnd = GetContext().GetHwnd();
  End();
  if (hwnd) ::SendMessageW(hwnd, message, wParam, lParam);
}

void EditTask::Select(std::size_t anchor, std::size_t caret) {
  const std::size_t n = text_.GetContent().Items().size();
  anchor_ = std::min(anchor, n);
  caret_ = std::min(caret, n);
  goalX_ = -1;
  ShowState();
}

void EditTask::MoveTo(std::size_t pos, bool extend) {
  Select(extend ? anchor_ : pos, pos);
}

void EditTask::Replace(std::u16string_view text) {
  Text& t = text_;
  if (t.IsDeleted()) return End();
  Content content = t.GetContent();
  const std::size_t caret = ReplaceRange(content, std::min(anchor_, caret_), std::max(anchor_, caret_), text);
  if (!(content == t.GetContent())) {
    Core::Env env = MakeEnv();
    t.SetContent(env, std::move(content));
    changed_ = true;
    t.UpdateViewElements();
    if (auto* owner = zq::Cast<Core::IModelElement>(t.GetTextOwner())) owner->UpdateViewElements();
  }
  Select(caret, caret);
}

void EditTask::DeleteTo(std::size_t pos) {
  if (anchor_ == caret_) anchor_ = pos;
  Replace(u"");
}

double EditTask::CaretX() const {
  const Text& t = text_;
  return PlaceCaret(*t.GetLayout(), ToTextPos(t.GetContent(), caret_)).x;
}

void EditTask::TypeChar(wchar_t c) {
  const Content& content = text_.GetContent();
  const bool selected = anchor_ != caret_;
  if (!IsLow(c)) pendingHigh_ = 0;
  switch (c) {
    case 8: return selected ? Replace(u"") : DeleteTo(PreviousPosition(content, caret_));
    case 127: return selected ? Replace(u"") : DeleteTo(PreviousWord(content, caret_));  // Ctrl+Backspace
    case 13: return Replace(u"\r");
    case 27: return End();
    case 1: return Select(0, content.Items().size());                               // Ctrl+A
    case 3: return Copy();                                                          // Ctrl+C
    case 22: return Paste();                                                        // Ctrl+V
    case 24: Copy(); return Replace(u"");                                           // Ctrl+X
    case 9: return Replace(u"\t");
    default: break;
  }
  if (c < 32) return;
  if (IsHigh(c)) {
    pendingHigh_ = char16_t(c);
    return;
  }
  if (IsLow(c)) {
    if (!pendingHigh_) return;
    const char16_t pair[2] = {pendingHigh_, char16_t(c)};
    pendingHigh_ = 0;
    return Replace(std::u16string_view(pair, 2));
  }
  const char16_t unit = char16_t(c);
  Replace(std::u16string_view(&unit, 1));
}

void EditTask::OnChar(WinMessage::WM_CHAR_Msg& msg) { TypeChar(msg.Char()); }

void EditTask::OnKeyDown(WinMessage::KeyMsg& msg) {
  const Text& t = text_;
  const Content& content = t.GetContent();
  const bool shift = WinUtil::IsShiftKeyDown(), ctrl = WinUtil::IsControlKeyDown();
  const std::size_t lo = std::min(anchor_, caret_), hi = std::max(anchor_, caret_);
  switch (msg.VirtualKey()) {
    case VK_LEFT:
      if (!shift && lo != hi) return MoveTo(lo, false);
      return MoveTo(ctrl ? PreviousWord(content, caret_) : PreviousPosition(content, caret_), shift);
    case VK_RIGHT:
      if (!shift && lo != hi) return MoveTo(hi, false);
      return MoveTo(ctrl ? NextWord(content, caret_) : NextPosition(content, caret_), shift);
    case VK_UP:
    case VK_DOWN: {
      const double x = goalX_ >= 0 ? goalX_ : CaretX();
      const TextPos to = LineStep(*t.GetLayout(), ToTextPos(content, caret_), x, msg.VirtualKey() == VK_UP ? -1 : 1);
      MoveTo(FromTextPos(content, to), shift);
      goalX_ = x;
      return;
    }
    case VK_HOME:
      if (ctrl) return MoveTo(0, shift);
      return MoveTo(FromTextPos(content, LineBegin(*t.GetLayout(), ToTextPos(content, caret_))), shift);
    case VK_END:
      if (ctrl) return MoveTo(content.Items().size(), shift);
      return MoveTo(FromTextPos(content, LineEnd(*t.GetLayout(), ToTextPos(content, caret_))), shift);
    case VK_DELETE:
      if (shift && lo != hi) {
        Copy();
        return Replace(u"");
      }
      if (lo != hi) return Replace(u"");
      return DeleteTo(ctrl ? NextWord(content, caret_) : NextPosition(content, caret_));
    case VK_INSERT:
      if (ctrl) return Copy();
      if (shift) return Paste();
      return;
    case VK_ESCAPE:
      return End();
    default:
      msg.passToDefault = 1;
  }
}

void EditTask::OnKeyUp(WinMessage::KeyMsg& msg) { msg.passToDefault = 1; }

void EditTask::Copy() {
  if (anchor_ == caret_) return;
  const std::u16string text =
      RangeText(text_.GetContent(), std::min(anchor_, caret_), std::max(anchor_, caret_));
  PutClipboardText(GetContext().GetHwnd(), text);
}

void EditTask::Paste() {
  std::u16string text;
  if (GetClipboardText(GetContext().GetHwnd(), text)) Replace(text);
}

bool EditTask::PositionAt(POINT client, std::size_t& pos, bool clamp) const {
  const View::ViewContext& c = GetContext();
  const zq::float8Point p = c.canvas->ClientToLogical({client.x, client.y});
  const Text& t = text_;
  const zq::Point origin = TextOriginOf(text_);
  const Extent used = t.GetRep().usedSize;
  // A few pixels around the box still count as the text.
  const double slack = std::abs(c.canvas->ClientToLogical({client.x + 3, client.y}).x - p.x);
  const double dx = p.x - origin.x, dy = origin.y - p.y;
  const bool inside = dx >= -slack && dx <= used.width + slack && dy >= -slack && dy <= used.height + slack;
  if (!inside && !clamp) return false;
  pos = FromTextPos(t.GetContent(), HitTest(*t.GetLayout(), dx, dy));
  return true;
}

void EditTask::OnButtonDown(WinMessage::MouseMsg& msg) {
  std::size_t pos = 0;
  if (!PositionAt(msg.Pos(), pos, false)) return EndAndRepost(msg.id, msg.wParam, msg.lParam);
  MoveTo(pos, msg.IsShiftDown());
  dragging_ = true;
  TakeCapture();
}

void EditTask::OnDoubleClick(WinMessage::MouseMsg& msg) {
  std::size_t pos = 0;
  if (!PositionAt(msg.Pos(), pos, false)) return EndAndRepost(WM_LBUTTONDOWN, msg.wParam, msg.lParam);
  const auto& items = text_.GetContent().Items();
  std::size_t begin = pos, end = pos;
  while (begin > 0 && IsWordItem(items[begin - 1])) --begin;
  while (end < items.size() && IsWordItem(items[end])) ++end;
  Select(begin, end);
}

void EditTask::OnMouseMove(WinMessage::MouseMsg& msg) {
  if (!dragging_) return;
  if (!msg.IsButtonDown(1)) {
    dragging_ = false;
    ReleaseCapture();
    return;
  }
  std::size_t pos = 0;
  if (PositionAt(msg.Pos(), pos, true) && pos != caret_) MoveTo(pos, true);
}

void EditTask::OnButtonUp(WinMessage::MouseMsg&) {
  dragging_ = false;
  ReleaseCapture();
}

void EditTask::OnOtherButton(WinMessage::MouseMsg& msg) { EndAndRepost(msg.id, msg.wParam, msg.lParam); }

void EditTask::OnKillFocus(WinMessage::Msg&) { End(); }

void EditTask::OnSetCursor(WinMessage::WM_SETCURSOR_Msg& msg) {
  if (msg.HitTest() != HTCLIENT) {
    msg.passToDefault = 1;
    return;
  }
  UpdateCursor();
  msg.result = TRUE;
}

void EditTask::UpdateCursor() {
  POINT p;
  const HWND hwnd = GetContext().GetHwnd();
  std::size_t pos = 0;
  const bool overText = ::GetCursorPos(&p) && ::ScreenToClient(hwnd, &p) && PositionAt(p, pos, false);
  ::SetCursor(::LoadCursorW(nullptr, overText ? IDC_IBEAM : IDC_ARROW));
}

void EditTask::ShowState() {
  View::ViewContext& c = GetContext();
  const Text& t = text_;
  const Content& content = t.GetContent();
  const std::shared_ptr<const Layout> layout = t.GetLayout();
  const zq::Point origin = TextOriginOf(text_);
  selection_.Clear();
  if (anchor_ != caret_) {
    const TextPos from = ToTextPos(content, std::min(anchor_, caret_));
    const TextPos to = ToTextPos(content, std::max(anchor_, caret_));
    for (const SelectionRect& r : SelectionRects(*layout, from, to))
      selection_.Add(c.canvas->CreateFilledRect(
          {origin.x + r.left, origin.y - r.top, origin.x + r.right, origin.y - r.bottom},
          ICanvas::LineStyle::FromColor(kSelectionColour), SelectionOrder()));
  }
  const CaretPlace caret = PlaceCaret(*layout, ToTextPos(content, caret_));
  double height = caret.height;
  if (height <= 0) height = std::abs(FontFromStyle(t.GetRep().style).height) * 1.2;
  c.view->ProcessUpdates();
  c.canvas->ShowCaret({origin.x + caret.x, origin.y - caret.top}, height);
  c.canvas->Update();
}

}  // namespace TextBlock
