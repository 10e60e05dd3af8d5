#include "text/win/ScriptWordBreak.h"

#include <gtest/gtest.h>

#include "text/LineBreak.h"
#include "text/win/UniscribeSetup.h"

using namespace TextBlock;

namespace {

// "sawatdi khrap" in Thai, a space between the two words.
const std::u16string kThai = u"\u0E2A\u0E27\u0E31\u0E2A\u0E14\u0E35 \u0E04\u0E23\u0E31\u0E1A";

std::vector<std::size_t> Positions(const std::vector<bool>& starts) {
  std::vector<std::size_t> at;
  for (std::size_t i = 0; i < starts.size(); ++i)
    if (starts[i]) at.push_back(i);
  return at;
}

std::vector<std::size_t> BreakPositions(std::u16string_view text) {
  const auto actions = FindLineBreaks(text);
  std::vector<std::size_t> at;
  for (std::size_t i = 0; i < actions.size(); ++i)
    if (actions[i] != BreakAction::None) at.push_back(i);
  return at;
}

}  // namespace

TEST(ScriptWordBreakTest, StartsComeFromEveryItemAtTheirOwnUnits) {
  // A Latin item and a Thai one: Uniscribe breaks before "cd" and before the second Thai word.
  const std::u16string text = u"ab cd " + kThai;
  EXPECT_EQ(Positions(FindScriptWordStarts(text)), (std::vector<std::size_t>{3, 13}));
  EXPECT_EQ(Positions(FindScriptWordStarts(kThai)), (std::vector<std::size_t>{7}));
  EXPECT_TRUE(FindScriptWordStarts(u"").empty());
}

TEST(ScriptWordBreakTest, NoStartBeforeAMarkOfAnyComplexScript) {
  // Thai, Lao, Khmer and Myanmar words with vowel signs and a Khmer subscript.
  for (const std::u16string& word : {std::u16string(u"\u0E2A\u0E27\u0E31\u0E2A\u0E14\u0E35"), std::u16string(u"\u0E9E\u0EB2\u0EAA\u0EB2"),
                                    std::u16string(u"\u1781\u17D2\u1798\u17C2\u179A"), std::u16string(u"\u1019\u103C\u1014\u103A\u1019\u102C")}) {
    const auto starts = FindScriptWordStarts(word);
    ASSERT_EQ(starts.size(), word.size());
    for (std::size_t i = 0; i < word.size(); ++i)
      if (GetLineBreakClass(word[i]) == LineBreakClass::CM) { EXPECT_FALSE(starts[i]) << i; }
  }
}

TEST(ScriptWordBreakTest, InstalledLayoutBreaksComplexTextAtUniscribesWords) {
  InstallUniscribeMeasurer();
  // Breaks after the spaces only: each word stays whole, none is cut every few units.
  EXPECT_EQ(BreakPositions(u"ab " + kThai + u" cd"), (std::vector<std::size_t>{3, 10, 15}));
  const std::u16string khmer = u"\u1781\u17D2\u1798\u17C2\u179A \u1797\u17B6\u179F\u17B6";
  EXPECT_EQ(BreakPositions(khmer), (std::vector<std::size_t>{6}));
  SetComplexContextSegmenter(nullptr);
}
