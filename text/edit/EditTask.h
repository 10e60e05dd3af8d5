#pragma once
// In-place editing of a rich text: caret, selection by mouse and keyboard, typing, paragraph split
// and join, the clipboard, and one undo step for the whole session.
#include <memory>

#include "app/winmessage/WinMsgPlug.h"
#include "drawing/Canvas.h"
#include "drawing/DrawingKernel.h"
#include "text/Text.h"
#include "view/Tasks.h"

namespace TextBlock {

class EditTask : public View::ISubTask, private ICanvas::IScrollObserver, private ICanvas::IZoomObserver {
 public:
  // Edits the text with the caret at the position (an item index); the session's changes collect
  // in the parent's pending change.
  EditTask(View::ViewContext& context, View::ITask& parent, Text& text, std::size_t caret);
  ~EditTask() override;

  bool IsBusy() const override { return false; }
  void Refresh() override;
  void UpdateCursor() override;

  // Types the character as a WM_CHAR would (control characters act as their keys).
  void TypeChar(wchar_t c);
  // The caret and the other end of the selection (item indices).
  std::size_t GetCaret() const { return caret_; }
  std::size_t GetSelectionAnchor() const { return anchor_; }
  // Selects between the positions, the caret at the second.
  void Select(std::size_t anchor, std::size_t caret);
  // Ends the session: its changes become one undo step (none when nothing changed).
  void End();

 private:
  void OnKeyDown(WinMessage::KeyMsg& msg);
  void OnKeyUp(WinMessage::KeyMsg& msg);
  void OnChar(WinMessage::WM_CHAR_Msg& msg);
  void OnButtonDown(WinMessage::MouseMsg& msg);
  void OnDoubleClick(WinMessage::MouseMsg& msg);
  void OnMouseMove(WinMessage::MouseMsg& msg);
  void OnButtonUp(WinMessage::MouseMsg& msg);
  void OnOtherButton(WinMessage::MouseMsg& msg);
  void OnKillFocus(WinMessage::Msg& msg);
  void OnSetCursor(WinMessage::WM_SETCURSOR_Msg& msg);
  // The caret and the selection follow the canvas when it scrolls or zooms.
  void OnScrolled(const zq::float8Point&) override { ShowState(); }
  void OnZoomed(const zq::Point&) override { ShowState(); }

  // Replaces the selection by the text (undoable within the session).
  void Replace(std::u16string_view text);
  // Deletes the selection, or from the caret to the position when nothing is selected.
  void DeleteTo(std::size_t pos);
  // Moves the caret; with extend the selection's other end stays.
  void MoveTo(std::size_t pos, bool extend);
  void Copy();
  void Paste();
  // The position under a client point, or none outside the text's box.
  bool PositionAt(POINT client, std::size_t& pos, bool clamp) const;
  // The caret's x in layout units, kept across up and down moves.
  double CaretX() const;
  // Redraws the selection and the caret, and repaints.
  void ShowState();
  // Ends the session and hands a press outside the text on to the view.
  void EndAndRepost(UINT message, WPARAM wParam, LPARAM lParam);

  Text& text_;
  std::shared_ptr<Core::IModelElement> keep_;  // the text stays alive while edited
  std::unique_ptr<WinMessage::WinMsgPlugMap> plugs_;
  ICanvas::Group selection_;
  std::size_t caret_ = 0;
  std::size_t anchor_ = 0;
  double goalX_ = -1;            // the column of up and down moves, or none
  char16_t pendingHigh_ = 0;     // a high surrogate waiting for its low one
  bool changed_ = false;
  bool dragging_ = false;
  bool ending_ = false;
};

}  // namespace TextBlock
