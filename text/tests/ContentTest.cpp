#include "text/Content.h"

#include <gtest/gtest.h>

#include <limits>

using namespace TextBlock;

namespace {

std::vector<ItemKind> Kinds(const Content& c) {
  std::vector<ItemKind> kinds;
  for (const Item& item : c.Items()) kinds.push_back(item.kind);
  return kinds;
}

constexpr ItemKind Ch = ItemKind::Character, P = ItemKind::ParagraphStart, F = ItemKind::FontChange;

}  // namespace

TEST(ContentNameTest, EachLineEndIsOneParagraphStart) {
  Content c;
  c.SetName(u"a\rb\nc\r\nd\u2028e\u2029f");
  EXPECT_EQ(Kinds(c), (std::vector<ItemKind>{Ch, P, Ch, P, Ch, P, Ch, P, Ch, P, Ch}));
  EXPECT_EQ(c.GetName(), u"a\nb\nc\nd\ne\nf");
}

TEST(ContentNameTest, LineEndsAtTheEdgesAndInRows) {
  Content c;
  c.SetName(u"\r\n\r\n");
  EXPECT_EQ(Kinds(c), (std::vector<ItemKind>{P, P}));
  c.SetName(u"\n\r");  // LF CR is two line ends
  EXPECT_EQ(Kinds(c), (std::vector<ItemKind>{P, P}));
  c.SetName(u"\r\r\n");
  EXPECT_EQ(Kinds(c), (std::vector<ItemKind>{P, P}));
  EXPECT_EQ(c.GetName(), u"\n\n");
  EXPECT_TRUE(c.IsEmpty());
  c.SetName(u"");
  EXPECT_TRUE(c.Items().empty());
}

TEST(ContentNameTest, SurrogatePairsStayTwoUnits) {
  Content c;
  const std::u16string name = u"x\U0001F600y";
  c.SetName(name);
  ASSERT_EQ(c.Items().size(), 4u);
  EXPECT_EQ(c.Items()[1].unit, char16_t(0xD83D));
  EXPECT_EQ(c.Items()[2].unit, char16_t(0xDE00));
  EXPECT_EQ(c.GetName(), name);
  const std::u16string lone{char16_t(0xDC00), u'a', char16_t(0xD800)};
  c.SetName(lone);
  EXPECT_EQ(c.GetName(), u"a");  // unpaired halves cannot be saved, so they never enter
}

TEST(ContentStorableTest, CharactersADocumentCannotCarryAreKeptOut) {
  Content c;
  c.SetName(u"a\u0001b\u001Fc\td\uFFFEe\uFFFFf\uFFFD\u0085");
  EXPECT_EQ(c.GetName(), u"abc\tdef\uFFFD\u0085");
  const std::u16string reversed{char16_t(0xDE00), char16_t(0xD83D), u'x', char16_t(0xD83D), char16_t(0xD83D), char16_t(0xDE00)};
  c.SetName(reversed);
  EXPECT_EQ(c.GetName(), u"x\U0001F600");  // of two highs in a row only the second has its low
}

TEST(ContentStorableTest, EveryWayInFiltersAndPairsMustBeAdjacent) {
  const auto font = std::make_shared<const FontSpec>();
  Content c;
  c.SetItems({Item::Character(0xD83D), Item::FontChange(font), Item::Character(0xDE00), Item::Character(u'\u0007'),
              Item::Character(u'a'), Item::Character(0xD83D)});
  EXPECT_EQ(Kinds(c), (std::vector<ItemKind>{F, Ch}));
  EXPECT_EQ(c.GetName(), u"a");
  // Appending: a high half waits for its low one and goes when something else follows.
  c.Append(Item::Character(0xD83D));
  c.Append(Item::Character(0xDE00));
  c.Append(Item::Character(0xD83D));
  c.Append(Item::ParagraphStart());
  c.Append(Item::Character(0xDE00));
  c.Append(Item::Character(0xFFFF));
  EXPECT_EQ(Kinds(c), (std::vector<ItemKind>{F, Ch, Ch, Ch, P}));
  EXPECT_EQ(c.GetName(), u"a\U0001F600\n");
}

TEST(ContentNameTest, SetNameDropsFontChanges) {
  Content c;
  c.Append(Item::Character(u'a'));
  c.Append(Item::FontChange(std::make_shared<const FontSpec>()));
  c.Append(Item::Character(u'b'));
  EXPECT_EQ(c.GetName(), u"ab");
  c.SetName(u"ab");
  EXPECT_EQ(Kinds(c), (std::vector<ItemKind>{Ch, Ch}));
}

TEST(ContentTest, EmptinessCountsCharactersOnly) {
  Content c;
  EXPECT_TRUE(c.IsEmpty());
  c.Append(Item::FontChange(std::make_shared<const FontSpec>()));
  c.Append(Item::ParagraphStart());
  EXPECT_TRUE(c.IsEmpty());
  c.Append(Item::Character(u' '));
  EXPECT_FALSE(c.IsEmpty());
}

TEST(ContentTest, ParagraphsCarryTheirFonts) {
  const auto base = std::make_shared<const FontSpec>(FontFromStyle({}));
  FontSpec boldSpec = *base;
  boldSpec.weight = 700;
  const auto bold = std::make_shared<const FontSpec>(boldSpec);
  Content c;
  c.SetName(u"ab");
  c.Append(Item::FontChange(bold));
  c.Append(Item::Character(u'c'));
  c.Append(Item::ParagraphStart());
  c.Append(Item::Character(u'd'));
  const auto ps = c.Paragraphs(base);
  ASSERT_EQ(ps.size(), 2u);
  EXPECT_EQ(ps[0].text, u"abc");
  ASSERT_EQ(ps[0].runs.size(), 2u);
  EXPECT_EQ(ps[0].runs[1].begin, 2u);
  EXPECT_EQ(ps[0].runs[1].font->weight, 700);
  ASSERT_EQ(ps[1].runs.size(), 1u);  // the font goes on into the next paragraph
  EXPECT_EQ(ps[1].runs[0].font->weight, 700);
  EXPECT_EQ(Content().Paragraphs(base).size(), 1u);
}

TEST(ContentTest, RenewFontsFollowsTheStyleWhereNotSetByHand) {
  TextStyle oldStyle, newStyle;
  newStyle.size = 12;
  newStyle.face = u"Tahoma";
  FontSpec f = FontFromStyle(oldStyle);
  f.weight = 700;  // set by hand
  Content c;
  c.Append(Item::FontChange(std::make_shared<const FontSpec>(f)));
  c.RenewFonts(oldStyle, newStyle);
  const FontSpec& renewed = *c.Items()[0].font;
  EXPECT_EQ(renewed.height, -423);
  EXPECT_EQ(renewed.faceName, u"Tahoma");
  EXPECT_EQ(renewed.weight, 700);
}

TEST(ContentTest, FontFromStyle) {
  TextStyle s;
  EXPECT_EQ(FontFromStyle(s).height, -212);  // 6 pt in 0.01 mm, rounded
  EXPECT_EQ(FontFromStyle(s).faceName, u"Arial");
  s.bold = true;
  s.face = std::u16string(40, u'x');
  EXPECT_EQ(FontFromStyle(s).weight, 700);
  EXPECT_EQ(FontFromStyle(s).faceName.size(), kMaxFaceNameLength);
  // Sizes the model cannot hold stay inside its range.
  s.size = 1e12;
  EXPECT_EQ(FontFromStyle(s).height, -kMaxFontSize);
  s.size = -1e12;
  EXPECT_EQ(FontFromStyle(s).height, kMaxFontSize);
  s.size = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(FontFromStyle(s).height, 0);
}

TEST(ContentTest, WideStringConversion) {
  const std::wstring wide = L"a\U0001F600b";
  EXPECT_EQ(ToUtf16(wide), u"a\U0001F600b");
  EXPECT_EQ(FromUtf16(u"a\U0001F600b"), wide);
}
