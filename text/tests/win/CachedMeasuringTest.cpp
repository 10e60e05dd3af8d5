// The measure cache in front of Uniscribe answers as Uniscribe does.
#include <gtest/gtest.h>

#include "text/MeasureCache.h"
#include "text/win/UniscribeMeasurer.h"

using namespace TextBlock;

namespace {

FontSpec Arial(int points, int weight = 400) {
  TextStyle style;
  style.size = points;
  FontSpec f = FontFromStyle(style);
  f.weight = weight;
  return f;
}

struct Measurers {
  std::shared_ptr<UniscribeMeasurer> plain = std::make_shared<UniscribeMeasurer>();
  CachingMeasurer cached{plain};
};

}  // namespace

TEST(CachedMeasuringTest, LeftToRightLevelsAreUniscribes) {
  Measurers m;
  for (std::u16string_view text :
       {u"Class42", u"+f(x: int, y: double): void", u"-x: int = 3.5e2 % 100 $ #1", u"caf\u00e9 \u00df\u00e6 \u00bf?",
        u"\u0391\u03b2\u03b3 \u0416\u0438\u0437\u043d\u044c", u"e\u0301 a\u0308 (1) [2] {3} <4>", u"  ", u""}) {
    std::vector<std::uint8_t> own, uniscribe;
    m.cached.BidiLevels(text, 0, own);
    m.plain->BidiLevels(text, 0, uniscribe);
    EXPECT_EQ(own, uniscribe) << std::string(text.begin(), text.end());
  }
}

TEST(CachedMeasuringTest, MeasuresAsUniscribeAndAgainForAnotherFont) {
  Measurers m;
  // A run beyond Latin-1 is shaped, and kept.
  const std::u16string_view run = u"+f(): \u0175oid";
  RunMetrics first, again, direct, bigger, bold;
  m.cached.Measure(Arial(11), run, first);
  m.cached.Measure(Arial(11), run, again);
  m.plain->Measure(Arial(11), run, direct);
  EXPECT_EQ(first.advances, direct.advances);
  EXPECT_EQ(again.advances, direct.advances);
  EXPECT_EQ(again.ascent, direct.ascent);
  EXPECT_EQ(m.cached.Size(), 1u);
  m.cached.Measure(Arial(22), run, bigger);
  m.cached.Measure(Arial(11, 700), run, bold);
  EXPECT_EQ(m.cached.Size(), 3u);
  double width = 0, biggerWidth = 0, boldWidth = 0;
  for (std::size_t i = 0; i < direct.advances.size(); ++i) {
    width += direct.advances[i];
    biggerWidth += bigger.advances[i];
    boldWidth += bold.advances[i];
  }
  EXPECT_GT(biggerWidth, 1.8 * width);
  EXPECT_GT(boldWidth, width);
}

TEST(CachedMeasuringTest, RunsComposedFromPairsAreMeasuredAgainNotKept) {
  Measurers m;
  RunMetrics cached, direct;
  m.cached.Measure(Arial(11), u"+f(): void", cached);
  m.cached.Measure(Arial(11), u"+f(): void", cached);
  m.plain->Measure(Arial(11), u"+f(): void", direct);
  EXPECT_EQ(cached.advances, direct.advances);
  EXPECT_EQ(m.cached.Size(), 0u);
  EXPECT_GT(m.plain->ComposedItems(), 0u);
  EXPECT_FALSE(m.plain->LastRunWorthCaching());
}
