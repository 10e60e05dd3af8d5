// The caret positions of in-place editing over rich text items, range replacement and the mapping
// to laid-out lines.
#include <gtest/gtest.h>

#include "text/Editing.h"
#include "text/Text.h"
#include "text/tests/FixedMeasurer.h"

using namespace TextBlock;

namespace {

Content Of(std::u16string_view s) {
  Content c;
  c.SetName(s);
  return c;
}

TEST(Editing, StepsTreatPairsAsOneCharacterAndPassOverFontChanges) {
  Content c = Of(u"a\U0001F600b");  // a, high, low, b
  EXPECT_EQ(NextPosition(c, 0), 1u);
  EXPECT_EQ(NextPosition(c, 1), 3u);
  EXPECT_EQ(PreviousPosition(c, 3), 1u);
  EXPECT_EQ(NextPosition(c, 4), 4u);
  EXPECT_EQ(PreviousPosition(c, 0), 0u);
  c.Append(Item::FontChange(Testing::FixedFont(-300)));
  c.Append(Item::Character(u'z'));
  EXPECT_EQ(NextPosition(c, 4), 6u);  // over the font change and z
  EXPECT_EQ(PreviousPosition(c, 5), 3u);
}

TEST(Editing, BackspaceAndDeleteAcrossAParagraphStartJoinParagraphs) {
  Content c = Of(u"ab\ncd");
  const std::size_t startOfSecond = 3;
  // Backspace at the start of the second paragraph removes the paragraph start.
  const std::size_t back = PreviousPosition(c, startOfSecond);
  EXPECT_EQ(ReplaceRange(c, back, startOfSecond, u""), 2u);
  EXPECT_EQ(c.GetName(), u"abcd");
  // Delete at the end of a paragraph does the same.
  c = Of(u"ab\ncd");
  EXPECT_EQ(ReplaceRange(c, 2, NextPosition(c, 2), u""), 2u);
  EXPECT_EQ(c.GetName(), u"abcd");
}

TEST(Editing, ReplacingSplitsParagraphsKeepsFontsAndLeavesOutWhatCannotBeStored) {
  Content c = Of(u"abc");
  c.Append(Item::FontChange(Testing::FixedFont(-500)));
  c.Append(Item::Character(u'd'));
  // Replace "c<font>d" by a two-line paste with a control character in it.
  const std::size_t caret = ReplaceRange(c, 2, c.Items().size(), u"x\r\ny\x01z");
  EXPECT_EQ(c.GetName(), u"abx\nyz");
  EXPECT_EQ(caret, 6u);
  EXPECT_EQ(c.Items().back().kind, ItemKind::FontChange);
  // A lone high surrogate never enters.
  Content d = Of(u"ab");
  EXPECT_EQ(ReplaceRange(d, 1, 1, std::u16string(1, char16_t(0xD83D))), 1u);
  EXPECT_EQ(d.GetName(), u"ab");
}

TEST(Editing, RangeTextGivesCrLfPerParagraphStart) {
  const Content c = Of(u"one\ntwo\n\U0001F600");
  EXPECT_EQ(RangeText(c, 1, c.Items().size()), u"ne\r\ntwo\r\n\U0001F600");
  EXPECT_EQ(RangeText(c, 2, 2), u"");
}

TEST(Editing, WordAndParagraphMoves) {
  const Content c = Of(u"one two  three\nnext");
  EXPECT_EQ(NextWord(c, 0), 4u);
  EXPECT_EQ(NextWord(c, 4), 9u);
  EXPECT_EQ(PreviousWord(c, 9), 4u);
  EXPECT_EQ(PreviousWord(c, 6), 4u);
  EXPECT_EQ(ParagraphEnd(c, 2), 14u);
  EXPECT_EQ(ParagraphBegin(c, 17), 15u);
  EXPECT_EQ(NextWord(c, 14), 15u);
}

TEST(Editing, PositionsMapToParagraphPlacesAndBack) {
  Content c = Of(u"ab\ncd");
  c.Append(Item::FontChange(Testing::FixedFont(-300)));
  c.Append(Item::Character(u'e'));
  for (std::size_t p : {0u, 1u, 2u, 3u, 4u, 6u, 7u}) EXPECT_EQ(FromTextPos(c, ToTextPos(c, p)), p) << p;
  EXPECT_EQ(ToTextPos(c, 4), (TextPos{1, 1}));
  EXPECT_EQ(FromTextPos(c, {1, 3}), 7u);
}

TEST(Editing, TheCaretStandsBetweenCharactersAndHitsFindTheNearestPlace) {
  TextStyle style;  // 6 pt: the fixed measurer makes each character half the height wide
  Testing::FixedMeasurer measurer;
  const FontSpec base = FontFromStyle(style);
  const double w = std::abs(base.height) / 2.0;
  const Content c = Of(u"abcd\nxy");
  const Layout layout = LayoutParagraphs(c.Paragraphs(std::make_shared<const FontSpec>(base)), style, {}, measurer);
  ASSERT_EQ(layout.lines.size(), 2u);
  EXPECT_DOUBLE_EQ(PlaceCaret(layout, {0, 2}).x, 2 * w);
  EXPECT_DOUBLE_EQ(PlaceCaret(layout, {0, 4}).x, 4 * w);
  const CaretPlace second = PlaceCaret(layout, {1, 1});
  EXPECT_EQ(second.line, 1u);
  EXPECT_GT(second.top, 0);
  EXPECT_EQ(HitTest(layout, 2.6 * w, 1), (TextPos{0, 3}));
  EXPECT_EQ(HitTest(layout, 100 * w, second.top + 1), (TextPos{1, 2}));
  EXPECT_EQ(LineStep(layout, {0, 3}, 3 * w, 1), (TextPos{1, 2}));
  EXPECT_EQ(LineStep(layout, {1, 1}, w, -1), (TextPos{0, 1}));
  EXPECT_EQ(LineStep(layout, {1, 1}, w, 1), (TextPos{1, 1}));
  EXPECT_EQ(LineEnd(layout, {0, 1}), (TextPos{0, 4}));
  EXPECT_EQ(LineBegin(layout, {0, 3}), (TextPos{0, 0}));
}

}  // namespace

namespace {

TEST(Editing, TheSelectionShowsOnEveryLineItTouches) {
  TextStyle style;
  Testing::FixedMeasurer measurer;
  const FontSpec base = FontFromStyle(style);
  const double w = std::abs(base.height) / 2.0;
  const Content c = Of(u"abcd\nxy\nz");
  const Layout layout = LayoutParagraphs(c.Paragraphs(std::make_shared<const FontSpec>(base)), style, {}, measurer);
  const auto rects = SelectionRects(layout, {0, 1}, {2, 0});
  ASSERT_EQ(rects.size(), 2u);  // "bcd" with its paragraph start, "xy" with its one; nothing of "z"
  EXPECT_DOUBLE_EQ(rects[0].left, w);
  EXPECT_GT(rects[0].right, 4 * w);
  EXPECT_DOUBLE_EQ(rects[1].left, 0);
  EXPECT_DOUBLE_EQ(rects[1].top, layout.lines[1].y);
  EXPECT_TRUE(SelectionRects(layout, {0, 2}, {0, 2}).empty());
}

}  // namespace
