// In-place editing driven by posted input: typing, paragraph split and join, the keyboard
// selection, surrogate pairs, the clipboard shared with another process, and one undo step per
// editing session.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "text/edit/EditTask.h"
#include "text/edit/tests/EditWindow.h"

namespace EditTest {
namespace {

std::wstring Hex16(std::u16string_view units) {
  std::wstring out;
  wchar_t buf[8];
  for (char16_t u : units) {
    swprintf(buf, 8, L"%04X", unsigned(u));
    out += buf;
  }
  return out;
}

// The Unicode text the peer process reads from the clipboard.
std::u16string ClipboardSeenByPeer() {
  wchar_t dir[MAX_PATH], file[MAX_PATH];
  GetTempPathW(MAX_PATH, dir);
  GetTempFileNameW(dir, L"qcl", 0, file);
  std::u16string text;
  if (RunClipboardPeer(std::wstring(L"get \"") + file + L"\"") == 0) {
    std::ifstream in(file, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    text.assign(reinterpret_cast<const char16_t*>(bytes.data()), bytes.size() / 2);
  }
  DeleteFileW(file);
  return text;
}

class Editing : public ::testing::Test {
 protected:
  TextBlock::EditTask* Task() const { return dynamic_cast<TextBlock::EditTask*>(w.Task().GetSubTask().get()); }
  std::wstring Name() const { return note->GetText()->GetName(); }
  // Starts editing the note's text with a double click at the place.
  void EditAt(std::size_t paragraph, std::size_t unit) {
    w.DoubleClick(w.AtPlace(*note->GetText(), paragraph, unit));
    ASSERT_NE(Task(), nullptr);
  }
  std::size_t UndoSteps() const { return w.diagram->GetUndoHandler().GetUndoCount(); }

  EditWindow w;
  std::shared_ptr<Note> note = w.AddNote();
};

TEST_F(Editing, TypingWhileSelectedEditsAndTheSessionIsOneUndoStep) {
  note->SelectInView(*w.view, true);
  const std::size_t steps = UndoSteps();
  w.Type(u"Hi");
  ASSERT_TRUE(w.Editing());
  w.Type(u"\rthere");
  EXPECT_EQ(Name(), L"Hi\nthere");
  EXPECT_EQ(UndoSteps(), steps);  // nothing recorded while the session runs
  w.Key(VK_ESCAPE);
  EXPECT_FALSE(w.Editing());
  EXPECT_EQ(UndoSteps(), steps + 1);
  EXPECT_EQ(Name(), L"Hi\nthere");
  w.Undo();
  EXPECT_EQ(Name(), L"");
  w.Redo();
  EXPECT_EQ(Name(), L"Hi\nthere");
}

TEST_F(Editing, ACharacterTypedOnTheSelectedOwnerReplacesItsTextBackspaceAndEnterActAtTheEnd) {
  const struct {
    std::u16string typed;
    std::wstring name;
  } cases[] = {{u"Hi", L"Hi"}, {u"\U0001F600", L"\U0001F600"}, {u"\b", L"<text?"}, {u"\rx", L"<text?>\nx"}};
  for (const auto& c : cases) {
    {
      Core::Transaction t(*w.diagram);
      Core::Env env(t);
      note->GetText()->SetName(env, L"<text?>");
      w.diagram->GetUndoHandler().Add(env.Close(), nullptr, nullptr, false);
    }
    w.diagram->UpdateAllViews();
    note->SelectInView(*w.view, true);
    w.Type(c.typed);
    w.Key(VK_ESCAPE);
    EXPECT_EQ(Name(), c.name) << Hex16(c.typed);
  }
}

TEST_F(Editing, BackspaceAndDeleteJoinParagraphsAtTheirStarts) {
  {
    Core::Transaction t(*w.diagram);
    Core::Env env(t);
    note->GetText()->SetName(env, L"ab\ncd");
    w.diagram->GetUndoHandler().Add(env.Close(), nullptr, nullptr, false);
  }
  w.diagram->UpdateAllViews();
  EditAt(1, 0);
  w.Type(u"\b");
  EXPECT_EQ(Name(), L"abcd");
  w.Type(u"\r");
  EXPECT_EQ(Name(), L"ab\ncd");
  w.Key(VK_LEFT);  // back before the paragraph start
  w.Key(VK_DELETE);
  EXPECT_EQ(Name(), L"abcd");
  w.Key(VK_END);
  w.Key(VK_DELETE);  // nothing after the end
  w.Type(u"\b\b");
  EXPECT_EQ(Name(), L"ab");
}

TEST_F(Editing, ShiftWithArrowsSelectsAndTypingReplacesTheSelection) {
  note->SelectInView(*w.view, true);
  w.Type(u"one two");
  w.Key(VK_LEFT, true);
  w.Key(VK_LEFT, true);
  w.Key(VK_LEFT, true, true);  // Ctrl+Shift: to the word start
  EXPECT_EQ(Task()->GetCaret(), 4u);
  EXPECT_EQ(Task()->GetSelectionAnchor(), 7u);
  w.Type(u"2");
  EXPECT_EQ(Name(), L"one 2");
  w.Key(VK_HOME, true);
  w.Key(VK_RIGHT);  // collapses to the selection's end
  EXPECT_EQ(Task()->GetCaret(), 5u);
  EXPECT_EQ(Task()->GetSelectionAnchor(), 5u);
}

TEST_F(Editing, ASurrogatePairIsOneCharacter) {
  note->SelectInView(*w.view, true);
  w.Type(u"a\U0001F600b");
  EXPECT_EQ(note->GetText()->GetContent().GetName(), u"a\U0001F600b");
  w.Key(VK_LEFT);
  w.Key(VK_LEFT, true);  // selects both units of the pair
  EXPECT_EQ(Task()->GetCaret(), 1u);
  EXPECT_EQ(Task()->GetSelectionAnchor(), 3u);
  w.Key(VK_RIGHT);
  w.Type(u"\b");
  EXPECT_EQ(note->GetText()->GetContent().GetName(), u"ab");
  // A high surrogate without its low one never enters the text.
  w.Type(std::u16string(1, char16_t(0xD83D)) + u"c");
  EXPECT_EQ(note->GetText()->GetContent().GetName(), u"acb");
}

TEST_F(Editing, CopyAndPasteGoThroughTheClipboardOfOtherPrograms) {
  note->SelectInView(*w.view, true);
  w.Type(u"first\rsecond");
  w.Key(VK_HOME, true, true);  // select everything back to the start
  w.Type(u"\x03");             // Ctrl+C
  EXPECT_EQ(ClipboardSeenByPeer(), u"first\r\nsecond");

  const std::u16string pasted = u"Gr\u00FC\u00DFe \u20AC\r\nline \U0001F600";
  ASSERT_EQ(RunClipboardPeer(L"put " + Hex16(pasted)), 0u);
  w.Type(u"\x16");  // Ctrl+V replaces the selection
  EXPECT_EQ(note->GetText()->GetContent().GetName(), u"Gr\u00FC\u00DFe \u20AC\nline \U0001F600");

  // ANSI text in the code page of its locale (Greek, 1253): alpha beta.
  ASSERT_EQ(RunClipboardPeer(L"put-ansi E1E2 0408"), 0u);
  w.Key(VK_END, false, true);
  w.Type(u"\x16");
  EXPECT_EQ(note->GetText()->GetContent().GetName(), u"Gr\u00FC\u00DFe \u20AC\nline \U0001F600\u03B1\u03B2");
}

TEST_F(Editing, LosingTheFocusEndsTheSessionAndKeepsItsChanges) {
  note->SelectInView(*w.view, true);
  const std::size_t steps = UndoSteps();
  w.Type(u"kept");
  HWND other = CreateWindowExW(0, L"STATIC", L"other", WS_POPUP | WS_VISIBLE, 700, 500, 50, 50, nullptr, nullptr,
                               nullptr, nullptr);
  SetFocus(other);
  w.Pump();
  EXPECT_FALSE(w.Editing());
  EXPECT_EQ(Name(), L"kept");
  EXPECT_EQ(UndoSteps(), steps + 1);
  DestroyWindow(other);
}

TEST_F(Editing, APressOutsideTheTextEndsTheSessionAndActsOnTheView) {
  note->SelectInView(*w.view, true);
  w.Type(u"x");
  const POINT outside = w.At({6000, 1000});
  w.Post(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(outside.x, outside.y));
  w.Post(WM_LBUTTONUP, 0, MAKELPARAM(outside.x, outside.y));
  EXPECT_FALSE(w.Editing());
  EXPECT_TRUE(w.Selection().empty());  // the press reached the view: nothing is selected there
}

TEST_F(Editing, TheCaretStandsAtItsPlaceAndFollowsAZoom) {
  note->SelectInView(*w.view, true);
  w.Type(u"abc");
  POINT caret;
  ASSERT_TRUE(GetCaretPos(&caret));
  POINT expected = w.AtPlace(*note->GetText(), 0, 3);
  EXPECT_NEAR(caret.x, expected.x, 1);
  EXPECT_LT(caret.y, expected.y);
  w.canvas->SetZoom(2.0, {0, 0});
  w.Pump();
  ASSERT_TRUE(GetCaretPos(&caret));
  expected = w.AtPlace(*note->GetText(), 0, 3);
  EXPECT_NEAR(caret.x, expected.x, 1);
  w.Key(VK_LEFT);
  ASSERT_TRUE(GetCaretPos(&caret));
  EXPECT_NEAR(caret.x, w.AtPlace(*note->GetText(), 0, 2).x, 1);
}

TEST_F(Editing, AnUnchangedSessionLeavesNoUndoStep) {
  const std::size_t steps = UndoSteps();
  EditAt(0, 0);
  w.Key(VK_ESCAPE);
  EXPECT_FALSE(w.Editing());
  EXPECT_EQ(UndoSteps(), steps);
}

}  // namespace
}  // namespace EditTest
