#include "text/MeasureCache.h"

#include <gtest/gtest.h>

#include "text/tests/FixedMeasurer.h"

using namespace TextBlock;
using TextBlock::Testing::FixedFont;
using TextBlock::Testing::FixedMeasurer;

namespace {

// The fixed measurer, also counting the bidi questions it is asked; its levels and orders are
// recognisably its own (every unit at level 7, orders reversed).
class CountingMeasurer : public FixedMeasurer {
 public:
  void BidiLevels(std::u16string_view text, std::uint8_t, std::vector<std::uint8_t>& levels) override {
    ++bidiCalls;
    levels.assign(text.size(), 7);
  }
  std::vector<int> VisualOrder(const std::vector<std::uint8_t>& levels) override {
    ++orderCalls;
    std::vector<int> order;
    for (std::size_t i = levels.size(); i > 0; --i) order.push_back(static_cast<int>(i - 1));
    return order;
  }
  int bidiCalls = 0;
  int orderCalls = 0;
};

struct Fixture {
  std::shared_ptr<CountingMeasurer> inner = std::make_shared<CountingMeasurer>();
  CachingMeasurer cache{inner, 4};

  RunMetrics Measure(const FontSpec& font, std::u16string_view run) {
    RunMetrics m;
    cache.Measure(font, run, m);
    return m;
  }
};

FontSpec Font(int height) { return *FixedFont(height); }

}  // namespace

TEST(MeasureCacheTest, ARunOfOneFontIsMeasuredOnce) {
  Fixture f;
  const RunMetrics first = f.Measure(Font(20), u"+f(): void");
  const RunMetrics again = f.Measure(Font(20), u"+f(): void");
  EXPECT_EQ(f.inner->calls, 1);
  EXPECT_EQ(again.advances, first.advances);
  EXPECT_EQ(again.clusterStarts, first.clusterStarts);
  EXPECT_EQ(again.ascent, first.ascent);
  EXPECT_EQ(again.descent, first.descent);
  EXPECT_EQ(again.advances, std::vector<double>(10, 10.0));
}

TEST(MeasureCacheTest, RunsCheapToMeasureAreNotKept) {
  struct Cheap : FixedMeasurer {
    bool LastRunWorthCaching() const override { return calls % 2 == 0; }  // every second run is dear
  };
  auto inner = std::make_shared<Cheap>();
  CachingMeasurer cache(inner);
  RunMetrics m;
  cache.Measure(Font(20), u"cheap", m);
  cache.Measure(Font(20), u"dear", m);
  EXPECT_EQ(cache.Size(), 1u);
  cache.Measure(Font(20), u"cheap", m);
  cache.Measure(Font(20), u"dear", m);
  EXPECT_EQ(inner->calls, 3);
  EXPECT_EQ(m.advances, std::vector<double>(4, 10.0));
}

TEST(MeasureCacheTest, AChangedTextOrFontIsMeasuredAgain) {
  Fixture f;
  f.Measure(Font(20), u"abc");
  EXPECT_EQ(f.Measure(Font(20), u"abd").advances.size(), 3u);
  EXPECT_EQ(f.inner->calls, 2);
  EXPECT_EQ(f.Measure(Font(40), u"abc").advances, std::vector<double>(3, 20.0));  // a new size
  FontSpec bold = Font(20);
  bold.weight = 700;
  f.Measure(bold, u"abc");
  FontSpec face = Font(20);
  face.faceName = u"Tahoma";
  f.Measure(face, u"abc");
  EXPECT_EQ(f.inner->calls, 5);
  f.Measure(face, u"abc");
  EXPECT_EQ(f.inner->calls, 5);
}

TEST(MeasureCacheTest, StaysWithinItsCapacityAndCanBeCleared) {
  Fixture f;
  for (char16_t c = u'a'; c < u'a' + 10; ++c) f.Measure(Font(20), std::u16string(3, c));
  EXPECT_LE(f.cache.Size(), 4u);
  EXPECT_GE(f.cache.Size(), 1u);
  f.Measure(Font(20), u"jjj");  // the last one measured is still there
  EXPECT_EQ(f.inner->calls, 10);
  f.cache.Clear();
  EXPECT_EQ(f.cache.Size(), 0u);
  f.Measure(Font(20), u"jjj");
  EXPECT_EQ(f.inner->calls, 11);
}

TEST(MeasureCacheTest, LeftToRightParagraphsGetLevelZeroWithoutAsking) {
  Fixture f;
  std::vector<std::uint8_t> levels;
  const std::u16string_view latin = u"Class1: x = 2.5, \u00e9\u00df \u03a9\u0416\u0301";
  f.cache.BidiLevels(latin, 0, levels);
  EXPECT_EQ(levels, std::vector<std::uint8_t>(latin.size(), 0));
  EXPECT_EQ(f.inner->bidiCalls, 0);
  // Hebrew, Arabic, bidi controls, or a right-to-left base: the inner measurer answers.
  for (std::u16string_view text : {u"ab \u05d0", u"\u0627", u"a\u202eb", u"a\u2067b"}) {
    f.cache.BidiLevels(text, 0, levels);
    EXPECT_EQ(levels, std::vector<std::uint8_t>(text.size(), 7));
  }
  f.cache.BidiLevels(u"abc", 1, levels);
  EXPECT_EQ(levels, std::vector<std::uint8_t>(3, 7));
  EXPECT_EQ(f.inner->bidiCalls, 5);
}

TEST(MeasureCacheTest, OneEvenLevelKeepsTheLogicalOrder) {
  Fixture f;
  EXPECT_EQ(f.cache.VisualOrder({0, 0, 0}), (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(f.cache.VisualOrder({2, 2}), (std::vector<int>{0, 1}));
  EXPECT_TRUE(f.cache.VisualOrder({}).empty());
  EXPECT_EQ(f.inner->orderCalls, 0);
  EXPECT_EQ(f.cache.VisualOrder({1, 1}), (std::vector<int>{1, 0}));
  EXPECT_EQ(f.cache.VisualOrder({0, 1}), (std::vector<int>{1, 0}));
  EXPECT_EQ(f.inner->orderCalls, 2);
}

TEST(MeasureCacheTest, LaysOutAsTheMeasurerItAsks) {
  FixedMeasurer plain;
  CachingMeasurer cached(std::make_shared<FixedMeasurer>());
  Content c;
  c.SetName(u"first line\nand a second, longer one");
  TextStyle wrap;
  wrap.sizing = SizingWrap;
  for (int pass = 0; pass < 2; ++pass) {
    const Layout a = LayoutParagraphs(c.Paragraphs(FixedFont(20)), wrap, {120, 0}, plain);
    const Layout b = LayoutParagraphs(c.Paragraphs(FixedFont(20)), wrap, {120, 0}, cached);
    ASSERT_EQ(a.lines.size(), b.lines.size());
    EXPECT_GT(a.lines.size(), 2u);
    for (std::size_t i = 0; i < a.lines.size(); ++i) {
      EXPECT_EQ(a.lines[i].begin, b.lines[i].begin);
      EXPECT_EQ(a.lines[i].end, b.lines[i].end);
      EXPECT_EQ(a.lines[i].width, b.lines[i].width);
    }
    EXPECT_EQ(a.usedSize, b.usedSize);
  }
}
