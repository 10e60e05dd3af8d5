#include <gtest/gtest.h>

#include "text/Layout.h"
#include "text/tests/FixedMeasurer.h"

using namespace TextBlock;
using TextBlock::Testing::FixedFont;
using TextBlock::Testing::FixedMeasurer;

namespace {

// One paragraph whose font changes before each given unit, fonts 20, 30, 40... high.
Layout LayRuns(std::u16string_view text, std::vector<std::size_t> changes, int sizing = 1, Extent area = {0, 0}) {
  Content c;
  int height = 20;
  std::size_t next = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (next < changes.size() && changes[next] == i) {
      c.Append(Item::FontChange(FixedFont(height += 10)));
      ++next;
    }
    c.Append(Item::Character(text[i]));
  }
  TextStyle style;
  style.sizing = sizing;
  FixedMeasurer m;
  return LayoutParagraphs(c.Paragraphs(FixedFont(20)), style, area, m);
}

std::vector<std::size_t> Begins(const Line& line) {
  std::vector<std::size_t> out;
  for (const LineRun& r : line.runs) out.push_back(r.begin);
  return out;
}

// The runs lie side by side from the line's start, without gaps or overlaps, over its whole width.
void ExpectTiled(const Line& line) {
  double x = 0;
  for (const LineRun& r : line.runs) {
    EXPECT_DOUBLE_EQ(r.x, x);
    double sum = 0;
    for (double a : r.advances) sum += a;
    EXPECT_DOUBLE_EQ(sum, r.width);
    EXPECT_EQ(r.advances.size(), r.end - r.begin);
    x += r.width;
  }
  EXPECT_DOUBLE_EQ(x, line.width);
}

}  // namespace

TEST(BidiReorderTest, ReversesEachLevelFromTheHighestDown) {
  EXPECT_EQ(ReorderByLevels({0, 1, 1, 0}), (std::vector<int>{0, 2, 1, 3}));
  EXPECT_EQ(ReorderByLevels({1, 2, 2, 1}), (std::vector<int>{3, 1, 2, 0}));
  EXPECT_EQ(ReorderByLevels({1, 1, 1}), (std::vector<int>{2, 1, 0}));
  EXPECT_EQ(ReorderByLevels({0, 0}), (std::vector<int>{0, 1}));
  EXPECT_EQ(ReorderByLevels({2, 2, 0}), (std::vector<int>{0, 1, 2}));  // an even level alone is not reversed
  EXPECT_TRUE(ReorderByLevels({}).empty());
}

TEST(BidiReorderTest, BaseLevelFollowsTheFirstStrongLetter) {
  EXPECT_EQ(BaseLevel(u"123 \u05E9\u05DC abc"), 1);
  EXPECT_EQ(BaseLevel(u"(\u0645\u0631)"), 1);
  EXPECT_EQ(BaseLevel(u"12 Abc \u05E9"), 0);
  EXPECT_EQ(BaseLevel(u"\u039A\u05E9"), 0);  // Greek is strong left to right
  EXPECT_EQ(BaseLevel(u"123 !"), 0);
}

TEST(BidiLayoutTest, RightToLeftParagraphWithTwoFontRuns) {
  // Hebrew "abg dhw" with the font changing at the second word: the second word stands on the left.
  const Layout l = LayRuns(u"\u05D0\u05D1\u05D2 \u05D3\u05D4\u05D5", {4});
  ASSERT_EQ(l.lines.size(), 1u);
  const Line& line = l.lines[0];
  EXPECT_EQ(Begins(line), (std::vector<std::size_t>{4, 0}));
  EXPECT_EQ(line.runs[0].level, 1);
  EXPECT_EQ(line.runs[1].level, 1);
  EXPECT_DOUBLE_EQ(line.runs[0].width, 45);  // three units of the 30-high font
  ExpectTiled(line);
}

TEST(BidiLayoutTest, RightToLeftParagraphWithThreeFontRunsOfHebrewLatinAndArabic) {
  // Hebrew word, Latin word, Arabic word, each in its own font: read right to left, the Arabic
  // word is leftmost and the Latin word keeps its own left-to-right order in the middle.
  const std::u16string text = u"\u05E9\u05DC\u05D5\u05DD abc \u0645\u0631\u062D\u0628\u0627";
  const Layout l = LayRuns(text, {5, 9});
  ASSERT_EQ(l.lines.size(), 1u);
  const Line& line = l.lines[0];
  EXPECT_EQ(Begins(line), (std::vector<std::size_t>{9, 8, 5, 0}));
  EXPECT_EQ(line.runs[2].level, 2);  // "abc"
  EXPECT_EQ(line.runs[0].level, 1);
  ExpectTiled(line);
}

TEST(BidiLayoutTest, HebrewAcrossAFontChangeInsideLatinText) {
  // "ab " Hebrew(2) | Hebrew(2) " cd": the two Hebrew pieces swap places, the Latin stays in order.
  const Layout l = LayRuns(u"ab \u05D0\u05D1\u05D2\u05D3 cd", {5});
  const Line& line = l.lines[0];
  EXPECT_EQ(Begins(line), (std::vector<std::size_t>{0, 5, 3, 7}));
  ExpectTiled(line);
}

TEST(BidiLayoutTest, WrappedRightToLeftLinesLeaveTheirHangingSpacesOut) {
  // Two Hebrew words wrap into two lines; each line's runs cover its words only.
  const Layout l = LayRuns(u"\u05D0\u05D1\u05D2 \u05D3\u05D4\u05D5", {}, 2, {35, 0});
  ASSERT_EQ(l.lines.size(), 2u);
  for (const Line& line : l.lines) {
    ASSERT_EQ(line.runs.size(), 1u);
    EXPECT_EQ(line.runs[0].end - line.runs[0].begin, 3u);
    ExpectTiled(line);
  }
}

TEST(BidiLayoutTest, LeftToRightTextKeepsOneRunPerFont) {
  const Layout l = LayRuns(u"plain bold", {6});
  EXPECT_EQ(Begins(l.lines[0]), (std::vector<std::size_t>{0, 6}));
  EXPECT_EQ(l.lines[0].runs[0].level, 0);
  ExpectTiled(l.lines[0]);
}
