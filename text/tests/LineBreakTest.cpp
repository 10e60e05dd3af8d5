#include "text/LineBreak.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

using namespace TextBlock;

namespace {

// Positions where a break is allowed or mandatory, as a string of the units with '|' at each.
std::u16string Marked(std::u16string_view text) {
  const auto actions = FindLineBreaks(text);
  std::u16string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (actions[i] == BreakAction::Allowed) out += u'|';
    if (actions[i] == BreakAction::Mandatory) out += u'!';
    out += text[i];
  }
  return out;
}

// One line of the conformance file: the text and whether a break is allowed before each unit.
struct ConformanceCase {
  std::u16string text;
  std::vector<bool> breakBefore;
};

// Parses "× 0023 ÷ 0020 × ..." (the rest after '#' is a comment); false for lines without a case.
bool ParseConformanceLine(const std::string& line, ConformanceCase& out) {
  std::istringstream in(line.substr(0, line.find('#')));
  out = {};
  std::string word;
  bool breakNext = false, any = false;
  while (in >> word) {
    if (word == "\xC3\xB7" || word == "\xC3\x97") {
      breakNext = word == "\xC3\xB7";
      continue;
    }
    const char32_t cp = static_cast<char32_t>(std::stoul(word, nullptr, 16));
    const bool pair = cp > 0xFFFF;
    out.breakBefore.push_back(breakNext && any);
    if (pair) {
      out.text.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
      out.text.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
      out.breakBefore.push_back(false);
    } else {
      out.text.push_back(static_cast<char16_t>(cp));
    }
    any = true;
  }
  return any;
}

// A segmenter that starts a word at every unit the set lists, recording the runs it saw.
struct ListSegmenter {
  std::vector<std::size_t> starts;
  std::vector<std::u16string>* seen;
  std::vector<bool> operator()(std::u16string_view run) const {
    seen->emplace_back(run);
    std::vector<bool> result(run.size(), false);
    for (std::size_t s : starts)
      if (s < run.size()) result[s] = true;
    return result;
  }
};

}  // namespace

TEST(LineBreakConformanceTest, EveryLineOfTheUnicodeTestFilePasses) {
  std::ifstream file(QUORVEL_LINEBREAK_TEST_TXT);
  ASSERT_TRUE(file) << "cannot open " << QUORVEL_LINEBREAK_TEST_TXT;
  std::string line;
  int cases = 0, failures = 0, lineNo = 0;
  std::ostringstream report;
  while (std::getline(file, line)) {
    ++lineNo;
    ConformanceCase c;
    if (!ParseConformanceLine(line, c)) continue;
    ++cases;
    const auto actions = FindLineBreaks(c.text);
    bool same = actions.size() == c.breakBefore.size();
    for (std::size_t i = 0; same && i < actions.size(); ++i)
      same = (actions[i] != BreakAction::None) == c.breakBefore[i];
    if (!same && ++failures <= 20) report << "line " << lineNo << ": " << line << "\n";
  }
  EXPECT_GT(cases, 7000);
  EXPECT_EQ(failures, 0) << report.str();
}

TEST(LineBreakTest, EastAsianBracketsAndEmojiModifiers) {
  EXPECT_EQ(Marked(u"a(b)c"), u"a(b)c");
  EXPECT_EQ(Marked(u"a\uFF08b\uFF09c"), u"a|\uFF08b\uFF09|c");  // fullwidth brackets
  EXPECT_EQ(Marked(u"\U0001FFFD\U0001F3FB"), u"\U0001FFFD\U0001F3FB");  // unassigned pictograph + skin tone
  EXPECT_EQ(Marked(u"\u4E00\U0001F3FB"), u"\u4E00|\U0001F3FB");
}

TEST(LineBreakTest, NumbersStayWhole) {
  EXPECT_EQ(Marked(u"$(12.50) x"), u"$(12.50) |x");
  EXPECT_EQ(Marked(u"-12,5% y"), u"-12,5% |y");
  EXPECT_EQ(Marked(u")%"), u")|%");  // a bracket and a percent sign without a number break
  EXPECT_EQ(Marked(u"$(a"), u"$|(a");  // a currency sign holds a bracket only before a number
}

TEST(LineBreakTest, ComplexContextRunsBreakWhereTheSegmenterFindsWords) {
  // Thai "sawatdi khrap" in two words, a vowel mark inside the first; Latin around it.
  const std::u16string thai = u"\u0E2A\u0E27\u0E31\u0E2A\u0E14\u0E35\u0E04\u0E23\u0E31\u0E1A";
  EXPECT_EQ(Marked(u"ab " + thai), u"ab |" + thai);  // without a segmenter: one unbreakable word
  std::vector<std::u16string> seen;
  SetComplexContextSegmenter(ListSegmenter{{0, 2, 6}, &seen});  // 2 is a mark: never a break
  const std::u16string marked = Marked(u"ab " + thai + u"cd");
  SetComplexContextSegmenter(nullptr);
  EXPECT_EQ(marked, u"ab |" + thai.substr(0, 6) + u"|" + thai.substr(6) + u"cd");
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0], thai);
}

TEST(LineBreakClassTest, FlagsOfTheTable) {
  EXPECT_TRUE(GetLineBreakProperties(0xFF08).wide);
  EXPECT_FALSE(GetLineBreakProperties(U'(').wide);
  EXPECT_TRUE(GetLineBreakProperties(0x1FFFD).pictographicUnassigned);
  EXPECT_FALSE(GetLineBreakProperties(0x1F600).pictographicUnassigned);
  EXPECT_TRUE(GetLineBreakProperties(0x0E01).complexContext);
  EXPECT_TRUE(GetLineBreakProperties(0x1000).complexContext);  // Myanmar
  EXPECT_FALSE(GetLineBreakProperties(U'a').complexContext);
}

TEST(LineBreakClassTest, TableGivesTheClassesOfTheDatabase) {
  EXPECT_EQ(GetLineBreakClass(U'A'), LineBreakClass::AL);
  EXPECT_EQ(GetLineBreakClass(U'7'), LineBreakClass::NU);
  EXPECT_EQ(GetLineBreakClass(U' '), LineBreakClass::SP);
  EXPECT_EQ(GetLineBreakClass(U'-'), LineBreakClass::HY);
  EXPECT_EQ(GetLineBreakClass(U'('), LineBreakClass::OP);
  EXPECT_EQ(GetLineBreakClass(U'\u00A0'), LineBreakClass::GL);
  EXPECT_EQ(GetLineBreakClass(U'\u200B'), LineBreakClass::ZW);
  EXPECT_EQ(GetLineBreakClass(U'\u4E00'), LineBreakClass::ID);
  EXPECT_EQ(GetLineBreakClass(U'\u05D0'), LineBreakClass::HL);
  EXPECT_EQ(GetLineBreakClass(U'\U0001F600'), LineBreakClass::ID);
  EXPECT_EQ(GetLineBreakClass(U'\u0301'), LineBreakClass::CM);
}

TEST(LineBreakClassTest, BoundariesAndDefaultsOfTheTable) {
  EXPECT_EQ(GetLineBreakClass(0), LineBreakClass::CM);
  EXPECT_EQ(GetLineBreakClass(0x10FFFF), LineBreakClass::XX);
  EXPECT_EQ(GetLineBreakClass(0x110000), LineBreakClass::XX);
  EXPECT_EQ(GetLineBreakClass(0xE000), LineBreakClass::XX);  // private use is unlisted
  EXPECT_EQ(GetLineBreakClass(0x2FFF0), LineBreakClass::ID);  // unassigned in plane 2 defaults to ID
  EXPECT_EQ(GetLineBreakClass(0x20CF), LineBreakClass::PR);   // unassigned currency symbol
  // Complex-context scripts: Thai letters are alphabetic, Thai vowel signs combining marks.
  EXPECT_EQ(GetLineBreakClass(0x0E01), LineBreakClass::AL);
  EXPECT_EQ(GetLineBreakClass(0x0E31), LineBreakClass::CM);
}

TEST(LineBreakTest, SpacesAndHyphens) {
  EXPECT_EQ(Marked(u"hello world"), u"hello |world");
  EXPECT_EQ(Marked(u"well-known fact"), u"well-|known |fact");
  EXPECT_EQ(Marked(u"a  b"), u"a  |b");  // never before a space, after the last one
  EXPECT_EQ(Marked(u"x -5"), u"x |-5");  // a minus sign stays with its number
  EXPECT_EQ(Marked(u"a\u00A0b c"), u"a\u00A0b |c");
}

TEST(LineBreakTest, PunctuationStaysWithItsWord) {
  EXPECT_EQ(Marked(u"f(x), g(y)."), u"f(x), |g(y).");
  EXPECT_EQ(Marked(u"( a )"), u"( a )");  // an opening bracket holds the following word
  EXPECT_EQ(Marked(u"$100 20%"), u"$100 |20%");
  EXPECT_EQ(Marked(u"\"quoted\" text"), u"\"quoted\" |text");
  EXPECT_EQ(Marked(u"3.14"), u"3.14");
}

TEST(LineBreakTest, IdeographsBreakBetweenEachOther) {
  EXPECT_EQ(Marked(u"\u6F22\u5B57\u3002"), u"\u6F22|\u5B57\u3002");
}

TEST(LineBreakTest, SurrogatePairsAndMarksAreNotSplit) {
  const std::u16string two = u"\U0001F600\U0001F600";
  const auto actions = FindLineBreaks(two);
  ASSERT_EQ(actions.size(), 4u);
  EXPECT_EQ(actions[1], BreakAction::None);
  EXPECT_EQ(actions[2], BreakAction::Allowed);
  EXPECT_EQ(actions[3], BreakAction::None);
  EXPECT_EQ(Marked(u"e\u0301 x\u0301"), u"e\u0301 |x\u0301");
  EXPECT_EQ(Marked(u"a \u0301b"), u"a |\u0301b");  // a mark after a space stands alone
}

TEST(LineBreakTest, ZeroWidthCharacters) {
  EXPECT_EQ(Marked(u"a\u200Bb"), u"a\u200B|b");
  EXPECT_EQ(Marked(u"a\u2060b c"), u"a\u2060b |c");  // word joiner
  EXPECT_EQ(Marked(u"\U0001F469\u200D\U0001F4BB"), u"\U0001F469\u200D\U0001F4BB");
}

TEST(LineBreakTest, HardBreaksAreMandatory) {
  EXPECT_EQ(Marked(u"a\u000Bb"), u"a\u000B!b");
  EXPECT_EQ(Marked(u"a\u0085b"), u"a\u0085!b");
  EXPECT_EQ(Marked(u"a\r\nb"), u"a\r\n!b");
}

TEST(LineBreakTest, RegionalIndicatorsPairUp) {
  const std::u16string flags = u"\U0001F1E9\U0001F1EA\U0001F1EB\U0001F1F7";
  const auto actions = FindLineBreaks(flags);
  ASSERT_EQ(actions.size(), 8u);
  EXPECT_EQ(actions[2], BreakAction::None);
  EXPECT_EQ(actions[4], BreakAction::Allowed);
  EXPECT_EQ(actions[6], BreakAction::None);
}

TEST(LineBreakTest, RightToLeftAndUnpairedSurrogates) {
  EXPECT_EQ(Marked(u"\u05E9\u05DC\u05D5\u05DD \u05E2\u05D5\u05DC\u05DD"), u"\u05E9\u05DC\u05D5\u05DD |\u05E2\u05D5\u05DC\u05DD");
  EXPECT_EQ(Marked(u"\u0645\u0631\u062D\u0628\u0627 \u0628\u0643"), u"\u0645\u0631\u062D\u0628\u0627 |\u0628\u0643");
  const std::u16string broken{u'a', char16_t(0xD800), u' ', char16_t(0xDC00), u'b'};
  EXPECT_EQ(FindLineBreaks(broken).size(), broken.size());
  EXPECT_TRUE(FindLineBreaks(u"").empty());
}
