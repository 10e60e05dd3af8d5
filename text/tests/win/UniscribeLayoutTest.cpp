#include <gtest/gtest.h>

#include <string>

#include "text/LineBreak.h"
#include "text/win/UniscribeMeasurer.h"

using namespace TextBlock;

namespace {

// Arial 11 pt: the prefix of the test runs maps Arial to Liberation Sans.
FontPtr Arial11() {
  TextStyle style;
  style.size = 11;
  return std::make_shared<const FontSpec>(FontFromStyle(style));
}

TextStyle Style(int sizing, int h = 1, int v = 1) {
  TextStyle s;
  s.size = 11;
  s.sizing = sizing;
  s.horizontalAlignment = h;
  s.verticalAlignment = v;
  return s;
}

class UniscribeLayoutTest : public testing::Test {
 protected:
  Layout Lay(std::u16string_view name, const TextStyle& style, Extent area) {
    Content c;
    c.SetName(name);
    return LayoutParagraphs(c.Paragraphs(Arial11()), style, area, measurer);
  }
  std::u16string LineText(const Layout& l, std::size_t i) {
    const Line& line = l.lines[i];
    return l.paragraphs[line.paragraph].text.substr(line.begin, line.end - line.begin);
  }
  // The width GDI gives for the string in Arial 11 pt on its own.
  int GdiWidth(const wchar_t* s) {
    HDC dc = CreateCompatibleDC(nullptr);
    const LOGFONTW lf = ToLogFont(*Arial11());
    HFONT font = CreateFontIndirectW(&lf);
    HGDIOBJ old = SelectObject(dc, font);
    SIZE size{};
    GetTextExtentPoint32W(dc, s, lstrlenW(s), &size);
    SelectObject(dc, old);
    DeleteObject(font);
    DeleteDC(dc);
    return size.cx;
  }
  UniscribeMeasurer measurer;
};

}  // namespace

TEST_F(UniscribeLayoutTest, ArialIsTheMappedFont) {
  HDC dc = CreateCompatibleDC(nullptr);
  const LOGFONTW lf = ToLogFont(*Arial11());
  HFONT font = CreateFontIndirectW(&lf);
  HGDIOBJ old = SelectObject(dc, font);
  wchar_t face[LF_FACESIZE] = {};
  GetTextFaceW(dc, LF_FACESIZE, face);
  TEXTMETRICW tm{};
  GetTextMetricsW(dc, &tm);
  SelectObject(dc, old);
  DeleteObject(font);
  DeleteDC(dc);
  EXPECT_STREQ(face, L"Arial");
  EXPECT_NEAR(tm.tmAscent + tm.tmDescent - tm.tmInternalLeading, 388, 2);  // the character height asked for
}

TEST_F(UniscribeLayoutTest, SizingRulesWithArial) {
  const Layout own = Lay(u"Hello World", Style(1), {100000, 100000});
  const int width = GdiWidth(L"Hello World");
  ASSERT_GT(width, 1000);
  EXPECT_NEAR(own.usedSize.width, width, width / 100);  // shaping may kern where GDI does not
  EXPECT_GT(own.usedSize.height, 388);
  EXPECT_LT(own.usedSize.height, 500);
  const Extent text = own.usedSize;
  EXPECT_EQ(Lay(u"Hello World", Style(0), {100000, 100000}).usedSize, (Extent{100000, 100000}));
  EXPECT_EQ(Lay(u"Hello World", Style(0), {10, 10}).usedSize, text);
  EXPECT_EQ(Lay(u"Hello World", Style(0), {0, 0}).usedSize, text);
  const Layout wrapped = Lay(u"Hello World", Style(2), {text.width - 1, 10});
  EXPECT_EQ(wrapped.lines.size(), 2u);
  EXPECT_EQ(wrapped.usedSize, (Extent{text.width - 1, 2 * text.height}));
  EXPECT_EQ(Lay(u"Hello\nWorld", Style(1), {0, 0}).usedSize.height, 2 * text.height);
}

TEST_F(UniscribeLayoutTest, LongParagraphWrapsAtSpacesAndAfterHyphens) {
  const std::u16string text =
      u"The quick brown fox jumps over the lazy dog while a well-known state-of-the-art editor "
      u"lays out names of classes, packages and notes without breaking any word that fits.";
  const int area = 4000;
  const Layout l = Lay(text, Style(2), {area, 0});
  ASSERT_GT(l.lines.size(), 3u);
  std::u16string joined;
  for (std::size_t i = 0; i < l.lines.size(); ++i) {
    const std::u16string line = LineText(l, i);
    joined += line;
    EXPECT_LE(l.lines[i].width, area) << i;
    if (i + 1 == l.lines.size()) break;
    EXPECT_TRUE(line.back() == u' ' || line.back() == u'-') << i;
    // The next line's first word would not have fitted on this one.
    const std::u16string next = LineText(l, i + 1);
    const std::size_t wordEnd = std::min(next.find_first_of(u" -"), next.size() - 1);
    const std::u16string longer = line + next.substr(0, wordEnd + (next[wordEnd] == u'-' ? 1 : 0));
    EXPECT_GT(Lay(longer, Style(1), {0, 0}).lines[0].width, area) << i;
  }
  EXPECT_EQ(joined, text);
}

TEST_F(UniscribeLayoutTest, BreaksAfterAHyphen) {
  const int whole = Lay(u"well-known", Style(1), {0, 0}).usedSize.width;
  const Layout l = Lay(u"well-known", Style(2), {whole - 1, 0});
  ASSERT_EQ(l.lines.size(), 2u);
  EXPECT_EQ(LineText(l, 0), u"well-");
  EXPECT_EQ(LineText(l, 1), u"known");
}

TEST_F(UniscribeLayoutTest, WordWiderThanTheAreaIsBroken) {
  const Layout l = Lay(u"Supercalifragilisticexpialidocious", Style(2), {1500, 0});
  ASSERT_GT(l.lines.size(), 1u);
  std::u16string joined;
  for (std::size_t i = 0; i < l.lines.size(); ++i) {
    joined += LineText(l, i);
    EXPECT_LE(l.lines[i].width, 1500);
    EXPECT_GT(l.lines[i].width, 0);
  }
  EXPECT_EQ(joined, u"Supercalifragilisticexpialidocious");
}

TEST_F(UniscribeLayoutTest, RightToLeftAndMixedTextItemize) {
  const std::u16string mixed = u"abc \u05E9\u05DC\u05D5\u05DD 123 \u0645\u0631\u062D\u0628\u0627 \u0661\u0662 xyz";
  RunMetrics m;
  measurer.Measure(*Arial11(), mixed, m);
  ASSERT_EQ(m.advances.size(), mixed.size());
  double total = 0;
  for (double a : m.advances) total += a;
  EXPECT_GT(total, 0);
  EXPECT_GT(m.advances[0], 0);
  const Layout l = Lay(mixed, Style(2), {1500, 0});
  EXPECT_GT(l.lines.size(), 1u);
  EXPECT_GT(l.usedSize.height, 0);
}

// Plain ASCII is measured without the break analysis: it must agree with the same letters measured
// with it (a Latin letter beyond ASCII in the run asks for the analysis).
TEST_F(UniscribeLayoutTest, PlainAsciiAgreesWithTheFullAnalysis) {
  RunMetrics plain, full;
  measurer.Measure(*Arial11(), u"Class12 +f(): void", plain);
  measurer.Measure(*Arial11(), u"Class12 +f(): void\u00e9", full);
  ASSERT_EQ(plain.advances.size(), 18u);
  ASSERT_EQ(full.advances.size(), 19u);
  for (std::size_t i = 0; i < plain.advances.size(); ++i) {
    EXPECT_TRUE(plain.clusterStarts[i]) << i;
    EXPECT_EQ(plain.clusterStarts[i], full.clusterStarts[i]) << i;
    EXPECT_DOUBLE_EQ(plain.advances[i], full.advances[i]) << i;
  }
}

// Runs measured after others of their pattern and with items shaped before ("Class" below) come out
// as a measurer that has seen nothing else measures them; so does a run beyond ASCII in between.
TEST_F(UniscribeLayoutTest, RemeasuredShapesAgreeWithAFreshMeasurer) {
  RunMetrics scratch;
  for (const char16_t* run : {u"Ghost34", u"Class99", u"x.y/z-1", u"Gr\u00fc\u00dfe 12", u"Class", u"get_x(): int"})
    measurer.Measure(*Arial11(), run, scratch);
  for (const char16_t* run : {u"Class12", u"Class", u"x.y/z-7", u"Gr\u00fc\u00dfe 3", u"+f(): void", u"Ghost34"}) {
    RunMetrics seen, fresh;
    measurer.Measure(*Arial11(), run, seen);
    UniscribeMeasurer other;
    other.Measure(*Arial11(), run, fresh);
    const std::u16string text(run);
    ASSERT_EQ(seen.advances.size(), text.size());
    EXPECT_EQ(seen.advances, fresh.advances) << std::string(text.begin(), text.end());
    EXPECT_EQ(seen.clusterStarts, fresh.clusterStarts) << std::string(text.begin(), text.end());
    EXPECT_EQ(seen.ascent, fresh.ascent);
  }
}

TEST_F(UniscribeLayoutTest, SurrogatePairIsOneCluster) {
  RunMetrics m;
  measurer.Measure(*Arial11(), u"a\U0001F600b", m);
  ASSERT_EQ(m.advances.size(), 4u);
  EXPECT_TRUE(m.clusterStarts[1]);
  EXPECT_FALSE(m.clusterStarts[2]);
  EXPECT_EQ(m.advances[2], 0);
  EXPECT_GT(m.advances[1], 0);
}

TEST_F(UniscribeLayoutTest, AlignmentsPlaceTheLines) {
  const Layout l = Lay(u"Wide line here\nab", Style(0, 2, 3), {10000, 2000});
  ASSERT_EQ(l.lines.size(), 2u);
  EXPECT_NEAR(l.lines[1].x, (10000 - l.lines[1].width) / 2, 1e-9);
  EXPECT_NEAR(l.lines[0].y, 2000 - l.textSize.height, 1e-9);
  const Layout right = Lay(u"ab", Style(0, 3, 2), {10000, 2000});
  EXPECT_NEAR(right.lines[0].x + right.lines[0].width, 10000, 1e-9);
  EXPECT_NEAR(right.lines[0].y, (2000 - right.textSize.height) / 2.0, 1e-9);
}

TEST_F(UniscribeLayoutTest, EmptyRunGivesTheFontHeight) {
  RunMetrics m;
  measurer.Measure(*Arial11(), u"", m);
  EXPECT_TRUE(m.advances.empty());
  EXPECT_GT(m.ascent + m.descent, 388);
}
