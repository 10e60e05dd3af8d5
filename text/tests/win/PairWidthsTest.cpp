// Widths composed from characters and pairs are the widths shaping whole runs gives: runs of many
// kinds, in many fonts, measured and laid out by a measurer that composes and by one that shapes all.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "text/win/PairwiseGlyphs.h"
#include "text/win/UniscribeMeasurer.h"

using namespace TextBlock;

namespace {

std::string Narrow(std::u16string_view s) {
  std::string out;
  for (char16_t c : s) out += c < 0x80 ? char(c) : '?';
  return out;
}

FontSpec Font(const char16_t* face, double points, bool bold = false, bool italic = false) {
  TextStyle style;
  style.face = face;
  style.size = points;
  style.bold = bold;
  style.italic = italic;
  return FontFromStyle(style);
}

std::vector<FontSpec> Fonts() {
  std::vector<FontSpec> fonts;
  for (double points : {6.0, 8.0, 11.0, 13.5, 72.0})
    for (int style = 0; style < 4; ++style) fonts.push_back(Font(u"Arial", points, style & 1, style & 2));
  for (const char16_t* face : {u"Tahoma", u"Times New Roman", u"Courier New", u"DejaVu Sans", u"No Such Face"})
    fonts.push_back(Font(face, 11));
  FontSpec underlined = Font(u"Arial", 9);
  underlined.underline = 1;
  fonts.push_back(underlined);
  return fonts;
}

// Texts that kern, accents, digits, punctuation, spaces and tabs, other scripts and marks.
std::vector<std::u16string> Texts() {
  std::vector<std::u16string> texts = {
      u"AVATAR", u"LTAVWAY", u"To Yo Wo P. F, r. T: L'", u"ffi fl \"quoted\" 'single'", u"Class42",
      u"+update17(): Money", u"-quantity9: int = 3.5e2 % 100", u"caf\u00e9 na\u00efve \u00c6sir \u00df \u00bfQu\u00e9?",
      u"\u00a0non\u00a0breaking\u00a0", u"soft\u00adhyphen", u"a\tb\t\tc", u"e\u0301 a\u0308 o\u0302",
      u"\u0391\u03b2\u03b3 AV \u0416\u0438\u0437\u043d\u044c", u"\u05e9\u05dc\u05d5\u05dd AV 12",
      u"\u0645\u0631\u062d\u0628\u0627 To", u"\u4e2d\u6587 AV \u65e5\u672c",
      u"\u00ab\u00bb\u00a9\u00ae\u00b0\u00b1\u00b5\u00b6\u00d7\u00f7", u" ", u"  lead and trail  ", u"x"};
  // Random strings over a pool weighted to simple characters, with a few of everything else.
  std::u16string simple = u"AVTWYLPFkoeyr.,' AVTWYLPFkoeyr.,' ";  // letters and marks that kern, twice as likely
  for (char16_t c = 0x20; c <= 0xFF; ++c)  // and every other printable unit of ASCII and Latin-1
    if (c < 0x7F || (c >= 0xA0 && c != 0xAD)) simple += c;
  const std::u16string other = u"\t\u00ad\u0301\u03b1\u0436\u05d0\u0627\u4e2d\u200b\u2014\u20ac";
  std::mt19937 random(12345);
  for (int n = 0; n < 3000; ++n) {
    std::u16string text;
    const int length = 1 + int(random() % 24);
    for (int i = 0; i < length; ++i)
      text += random() % 20 ? simple[random() % simple.size()] : other[random() % other.size()];
    texts.push_back(text);
  }
  return texts;
}

void ExpectSame(const RunMetrics& composed, const RunMetrics& shaped, const std::u16string& text) {
  EXPECT_EQ(composed.advances, shaped.advances) << Narrow(text);
  EXPECT_EQ(composed.clusterStarts, shaped.clusterStarts) << Narrow(text);
  EXPECT_EQ(composed.ascent, shaped.ascent) << Narrow(text);
  EXPECT_EQ(composed.descent, shaped.descent) << Narrow(text);
}

}  // namespace

TEST(PairWidthsTest, ComposedRunsMeasureAsShapedRuns) {
  UniscribeMeasurer composing, shaping(false);
  const std::vector<std::u16string> texts = Texts();
  for (const FontSpec& font : Fonts()) {
    const std::size_t before = composing.ComposedItems();
    for (const std::u16string& text : texts) {
      RunMetrics composed, shaped;
      composing.Measure(font, text, composed);
      shaping.Measure(font, text, shaped);
      ExpectSame(composed, shaped, text);
      if (HasFailure()) return;
    }
    // Most items are simple in every face here, each kerning its letters in pairs only.
    EXPECT_GT(composing.ComposedItems() - before, texts.size()) << Narrow(font.faceName);
  }
  EXPECT_EQ(shaping.ComposedItems(), 0u);
}

TEST(PairWidthsTest, ComposedLayoutsBreakAsShapedLayouts) {
  UniscribeMeasurer composing, shaping(false);
  std::mt19937 random(7);
  const std::vector<std::u16string> texts = Texts();
  for (const FontSpec& face :
       {Font(u"Arial", 11), Font(u"Arial", 8, true), Font(u"Times New Roman", 13.5, false, true)}) {
    const FontPtr font = std::make_shared<const FontSpec>(face);
    for (std::size_t i = 0; i + 3 < texts.size(); i += 3) {
      Content content;
      content.SetName(texts[i] + u"\n" + texts[i + 1] + u" " + texts[i + 2] + u"\r\n" + texts[i + 3]);
      TextStyle style;
      style.sizing = int(i % 3);
      style.horizontalAlignment = 1 + int(i % 3);
      const Extent area{std::int32_t(200 + random() % 3000), std::int32_t(random() % 2000)};
      const Layout a = LayoutParagraphs(content.Paragraphs(font), style, area, composing);
      const Layout b = LayoutParagraphs(content.Paragraphs(font), style, area, shaping);
      EXPECT_EQ(a.usedSize, b.usedSize);
      EXPECT_EQ(a.textSize, b.textSize);
      ASSERT_EQ(a.lines.size(), b.lines.size()) << Narrow(content.Paragraphs(font)[0].text);
      for (std::size_t k = 0; k < a.lines.size(); ++k) {
        EXPECT_EQ(a.lines[k].begin, b.lines[k].begin);
        EXPECT_EQ(a.lines[k].end, b.lines[k].end);
        EXPECT_EQ(a.lines[k].x, b.lines[k].x);
        EXPECT_EQ(a.lines[k].width, b.lines[k].width);
        EXPECT_EQ(a.lines[k].height, b.lines[k].height);
      }
      if (HasFailure()) return;
    }
  }
  EXPECT_GT(composing.ComposedItems(), 0u);
}

namespace {

// Big-endian table bytes.
struct Bytes {
  std::string s;
  Bytes& U16(unsigned v) {
    s += char(v >> 8);
    s += char(v & 0xFF);
    return *this;
  }
  Bytes& U32(unsigned v) { return U16(v >> 16).U16(v & 0xFFFF); }
};

// A table of lookups (GSUB or GPOS) with one lookup of the type, flags and one subtable.
std::string LookupTable(unsigned type, unsigned flags, const std::string& subtable) {
  Bytes b;
  b.U16(1).U16(0).U16(0).U16(0).U16(10);                  // header: lookup list at 10
  b.U16(1).U16(4);                                        // lookup list: one lookup, 4 bytes on
  b.U16(type).U16(flags).U16(1).U16(8);                   // lookup: its subtable 8 bytes on
  return b.s + subtable;
}

// Pair kerning of format 1 over a coverage of glyphs 5 and 6, with the value formats given.
std::string PairKerning(unsigned secondFormat) {
  Bytes b;
  b.U16(1).U16(10).U16(4).U16(secondFormat).U16(0);  // format, coverage at 10, formats, no pair sets
  b.U16(1).U16(2).U16(5).U16(6);                      // coverage: glyphs 5 and 6
  return b.s;
}

}  // namespace

TEST(PairwiseGlyphsTest, PairKerningKeepsGlyphsPairwiseAndOtherLookupsDoNot) {
  const PairwiseGlyphs kerning("", LookupTable(2, 0, PairKerning(0)), "");
  EXPECT_TRUE(kerning.Holds(5));
  EXPECT_TRUE(kerning.Holds(6));
  // Moving the second glyph as well, or kerning over base glyphs, reaches past the pair.
  for (const PairwiseGlyphs& g : {PairwiseGlyphs("", LookupTable(2, 0, PairKerning(4)), ""),
                                  PairwiseGlyphs("", LookupTable(2, 2, PairKerning(0)), "")}) {
    EXPECT_FALSE(g.Holds(5));
    EXPECT_FALSE(g.Holds(6));
    EXPECT_TRUE(g.Holds(7));
  }
  // A single substitution over glyphs 3 to 9 by ranges, behind an extension.
  Bytes single;
  single.U16(1).U16(6).U16(0).U16(2).U16(1).U16(3).U16(9).U16(0);
  Bytes extension;
  extension.U16(1).U16(1).U32(8);
  const PairwiseGlyphs substituted(LookupTable(7, 0, extension.s + single.s), "", "");
  EXPECT_TRUE(substituted.Holds(2));
  EXPECT_FALSE(substituted.Holds(3));
  EXPECT_FALSE(substituted.Holds(9));
  EXPECT_TRUE(substituted.Holds(10));
}

TEST(PairwiseGlyphsTest, MarksAndMalformedTablesAreNotPairwise) {
  Bytes definitions;  // glyph classes: 4 base, 5 mark
  definitions.U16(1).U16(0).U16(6).U16(1).U16(4).U16(2).U16(1).U16(3);
  const PairwiseGlyphs classed("", "", definitions.s);
  EXPECT_TRUE(classed.Holds(4));
  EXPECT_FALSE(classed.Holds(5));
  EXPECT_TRUE(PairwiseGlyphs("", "", "").Holds(5));
  EXPECT_FALSE(PairwiseGlyphs().Holds(5));
  const std::string whole = LookupTable(2, 0, PairKerning(4));
  EXPECT_TRUE(PairwiseGlyphs("", whole, "").Holds(7));
  for (std::size_t cut = 1; cut < whole.size(); ++cut)  // every truncation reads outside the table
    EXPECT_FALSE(PairwiseGlyphs("", whole.substr(0, cut), "").Holds(7)) << cut;
  EXPECT_FALSE(PairwiseGlyphs("", LookupTable(12, 0, PairKerning(0)), "").Holds(7));  // no such lookup type
}
