#include "text/Layout.h"

#include <gtest/gtest.h>

#include "text/tests/FixedMeasurer.h"

using namespace TextBlock;
using TextBlock::Testing::FixedFont;
using TextBlock::Testing::FixedMeasurer;

namespace {

TextStyle Style(int sizing, int h = 1, int v = 1) {
  TextStyle s;
  s.sizing = sizing;
  s.horizontalAlignment = h;
  s.verticalAlignment = v;
  return s;
}

Layout Lay(std::u16string_view name, const TextStyle& style, Extent area, int fontHeight = 20) {
  Content c;
  c.SetName(name);
  FixedMeasurer m;
  return LayoutParagraphs(c.Paragraphs(FixedFont(fontHeight)), style, area, m);
}

std::vector<std::u16string> LineTexts(const Layout& l) {
  std::vector<std::u16string> out;
  for (const Line& line : l.lines) out.push_back(l.paragraphs[line.paragraph].text.substr(line.begin, line.end - line.begin));
  return out;
}

}  // namespace

TEST(LayoutSizingTest, AtLeastTheArea) {
  EXPECT_EQ(Lay(u"abc", Style(0), {100, 50}).usedSize, (Extent{100, 50}));
  EXPECT_EQ(Lay(u"abc", Style(0), {10, 10}).usedSize, (Extent{30, 20}));
  EXPECT_EQ(Lay(u"abc", Style(0), {10, 50}).usedSize, (Extent{30, 50}));  // each axis on its own
  EXPECT_EQ(Lay(u"abc", Style(0), {0, 0}).usedSize, (Extent{30, 20}));
  EXPECT_EQ(Lay(u"abc", Style(0), {100, 50}).textSize, (Extent{30, 20}));
}

TEST(LayoutSizingTest, OwnExtentIgnoresTheArea) {
  EXPECT_EQ(Lay(u"abc", Style(1), {100, 50}).usedSize, (Extent{30, 20}));
  EXPECT_EQ(Lay(u"abc", Style(1), {10, 10}).usedSize, (Extent{30, 20}));
}

TEST(LayoutSizingTest, WrapKeepsTheAreaWidth) {
  const Layout l = Lay(u"aaaa bbbb cccc", Style(2), {100, 30});
  EXPECT_EQ(LineTexts(l), (std::vector<std::u16string>{u"aaaa bbbb ", u"cccc"}));
  EXPECT_EQ(l.textSize, (Extent{100, 40}));
  EXPECT_EQ(l.usedSize, (Extent{100, 40}));
  EXPECT_EQ(Lay(u"a", Style(2), {100, 30}).usedSize, (Extent{100, 30}));
}

TEST(LayoutSizingTest, OnlyWrappingBreaksLines) {
  EXPECT_EQ(Lay(u"aaaa bbbb cccc", Style(0), {50, 0}).lines.size(), 1u);
  EXPECT_EQ(Lay(u"aaaa bbbb cccc", Style(1), {50, 0}).lines.size(), 1u);
}

TEST(LayoutSizingTest, WidestParagraphAndSumOfLineHeights) {
  const Layout l = Lay(u"ab\nabcd\n\na", Style(1), {0, 0});
  ASSERT_EQ(l.lines.size(), 4u);
  EXPECT_EQ(l.usedSize, (Extent{40, 80}));  // an empty paragraph is one line of its font
  EXPECT_EQ(Lay(u"", Style(1), {0, 0}).usedSize, (Extent{0, 20}));
}

TEST(LayoutSizingTest, RoundsHalvesUp) {
  // Font height 5: 2.5 per character, lines 5 high.
  EXPECT_EQ(Lay(u"a", Style(1), {0, 0}, 5).usedSize.width, 3);
  EXPECT_EQ(Lay(u"ab", Style(1), {0, 0}, 5).usedSize.width, 5);
  EXPECT_EQ(Lay(u"abc", Style(1), {0, 0}, 5).usedSize.width, 8);
  EXPECT_EQ(Lay(u"a", Style(1), {0, 0}, 3).usedSize, (Extent{2, 3}));
  EXPECT_EQ(RoundHalfUp(-2.5), -2);
  EXPECT_EQ(RoundHalfUp(2.4999), 2);
}

TEST(LayoutWrapTest, BreaksAfterHyphens) {
  EXPECT_EQ(LineTexts(Lay(u"aaaa-bbbb", Style(2), {60, 0})), (std::vector<std::u16string>{u"aaaa-", u"bbbb"}));
}

TEST(LayoutWrapTest, NeverInsideAWordThatFits) {
  EXPECT_EQ(LineTexts(Lay(u"aa bbbbbbb c", Style(2), {80, 0})), (std::vector<std::u16string>{u"aa ", u"bbbbbbb ", u"c"}));
  // Exactly the area width fits.
  EXPECT_EQ(LineTexts(Lay(u"aaaa bbbb", Style(2), {40, 0})), (std::vector<std::u16string>{u"aaaa ", u"bbbb"}));
}

TEST(LayoutWrapTest, WordWiderThanTheAreaIsBroken) {
  EXPECT_EQ(LineTexts(Lay(u"aaaaaaaaaaaa b", Style(2), {50, 0})),
            (std::vector<std::u16string>{u"aaaaa", u"aaaaa", u"aa b"}));
  // A cluster wider than the area stands alone on its line; nothing is lost or repeated.
  EXPECT_EQ(LineTexts(Lay(u"ab", Style(2), {5, 0})), (std::vector<std::u16string>{u"a", u"b"}));
  EXPECT_EQ(LineTexts(Lay(u"ab", Style(2), {0, 0})), (std::vector<std::u16string>{u"a", u"b"}));
}

TEST(LayoutWrapTest, ClustersAreNotCut) {
  const std::u16string pairs = u"\U0001F600\U0001F600\U0001F600";  // ideographic: break between each
  EXPECT_EQ(LineTexts(Lay(pairs, Style(2), {25, 0})).size(), 2u);
  EXPECT_EQ(LineTexts(Lay(u"ae\u0301e\u0301", Style(2), {25, 0})),
            (std::vector<std::u16string>{u"ae\u0301", u"e\u0301"}));
}

TEST(LayoutWrapTest, HardBreakCharactersEndTheLine) {
  EXPECT_EQ(LineTexts(Lay(u"a\u0085b", Style(2), {100, 0})), (std::vector<std::u16string>{u"a\u0085", u"b"}));
}

TEST(LayoutWrapTest, TrailingSpacesHang) {
  const Layout l = Lay(u"aaaa    bbbb", Style(2, 3), {60, 0});
  ASSERT_EQ(l.lines.size(), 2u);
  EXPECT_DOUBLE_EQ(l.lines[0].width, 40);
  EXPECT_DOUBLE_EQ(l.lines[0].x, 20);  // right-aligned by its visible width
}

TEST(LayoutAlignTest, PlacesLinesWithinTheUsedSize) {
  const Layout centred = Lay(u"abc\na", Style(0, 2, 2), {100, 100});
  EXPECT_DOUBLE_EQ(centred.lines[0].x, 35);
  EXPECT_DOUBLE_EQ(centred.lines[1].x, 45);
  EXPECT_DOUBLE_EQ(centred.lines[0].y, 30);
  EXPECT_DOUBLE_EQ(centred.lines[1].y, 50);
  const Layout far = Lay(u"abc\na", Style(0, 3, 3), {100, 100});
  EXPECT_DOUBLE_EQ(far.lines[0].x, 70);
  EXPECT_DOUBLE_EQ(far.lines[1].x, 90);
  EXPECT_DOUBLE_EQ(far.lines[0].y, 60);
  const Layout near = Lay(u"abc\na", Style(0, 1, 1), {100, 100});
  EXPECT_DOUBLE_EQ(near.lines[1].x, 0);
  EXPECT_DOUBLE_EQ(near.lines[1].y, 20);
}

namespace {

// The name in the base font, then "c" in a font of the height and an empty paragraph after it.
Content TwoFonts(std::u16string_view name, int height) {
  Content c;
  c.SetName(name);
  c.Append(Item::FontChange(FixedFont(height)));
  c.Append(Item::Character(u'c'));
  c.Append(Item::ParagraphStart());
  return c;
}

}  // namespace

TEST(LayoutFontTest, LineTakesTheTallestFontAndRunsTheirWidths) {
  const Content c = TwoFonts(u"ab", 40);
  FixedMeasurer m;
  const Layout l = LayoutParagraphs(c.Paragraphs(FixedFont(20)), Style(1), {0, 0}, m);
  ASSERT_EQ(l.lines.size(), 2u);
  EXPECT_DOUBLE_EQ(l.lines[0].height, 40);
  EXPECT_DOUBLE_EQ(l.lines[0].ascent, 32);
  ASSERT_EQ(l.lines[0].runs.size(), 2u);
  EXPECT_DOUBLE_EQ(l.lines[0].runs[1].x, 20);
  EXPECT_DOUBLE_EQ(l.lines[0].runs[1].width, 20);
  EXPECT_DOUBLE_EQ(l.lines[1].height, 40);  // the empty paragraph after it is in the larger font
  EXPECT_EQ(l.usedSize, (Extent{40, 80}));
}

// Measuring without lines gives exactly the used size the lines get, in every sizing and alignment.
TEST(LayoutMeasureTest, MeasuresTheUsedSizeOfTheLines) {
  Content mixed = TwoFonts(u"ab ", 45);
  mixed.Append(Item::ParagraphStart());
  Content wrapped;
  wrapped.SetName(u"aaaa bbbb   cccccccccccc\nd");
  Content empty;
  Content emptyRun;  // a taller font from the end of the first paragraph on: its run there is empty
  emptyRun.SetName(u"x");
  emptyRun.Append(Item::FontChange(FixedFont(60)));
  emptyRun.Append(Item::ParagraphStart());
  emptyRun.Append(Item::Character(u'y'));
  for (const Content& content : {mixed, wrapped, empty, emptyRun})
    for (int sizing : {0, 1, 2})
      for (Extent area : {Extent{0, 0}, Extent{35, 10}, Extent{60, 200}, Extent{1000, 30}}) {
        FixedMeasurer m;
        const std::vector<Paragraph> paragraphs = content.Paragraphs(FixedFont(25));
        const Extent laid = LayoutParagraphs(paragraphs, Style(sizing, 2, 3), area, m).usedSize;
        EXPECT_EQ(MeasureParagraphs(paragraphs, Style(sizing, 2, 3), area, m), laid)
            << "sizing " << sizing << ", area " << area.width << " x " << area.height;
      }
}
