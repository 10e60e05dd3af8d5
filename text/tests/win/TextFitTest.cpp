// Laid-out lines are drawn whole inside their used size at every zoom, and font runs never overlap.
#include <gtest/gtest.h>

#include "text/tests/win/TestSurface.h"
#include "text/win/FontFallback.h"
#include "text/win/TextDrawing.h"
#include "text/win/UniscribeMeasurer.h"

using namespace TextBlock;
using TextTest::Bitmap;
using TextTest::Context;

namespace {

constexpr double kUnitsPerInch = 2540;
constexpr double kZooms[] = {0.25, 0.5, 0.75, 1.0, 1.5, 2.0, 4.0};

// One paragraph in 11-point Arial, its font changing (to bold, or larger) before each given unit.
std::shared_ptr<const Layout> LayRuns(std::u16string_view text, std::vector<std::size_t> changes, bool larger = false,
                                      double points = 11) {
  TextStyle style;
  style.size = points;
  style.sizing = SizingOwnExtent;
  const FontPtr base = std::make_shared<const FontSpec>(FontFromStyle(style));
  Content c;
  std::size_t next = 0;
  bool bold = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (next < changes.size() && changes[next] == i) {
      FontSpec f = *base;
      bold = !bold;
      if (bold) f.weight = 700;
      if (larger) f.height = f.height * (3 + static_cast<int>(next)) / 2;
      c.Append(Item::FontChange(std::make_shared<const FontSpec>(f)));
      ++next;
    }
    c.Append(Item::Character(text[i]));
  }
  UniscribeMeasurer m;
  return std::make_shared<const Layout>(LayoutParagraphs(c.Paragraphs(base), style, {0, 0}, m));
}

// The columns [first, last] of the pixels that are not white; first > last when none. Any ink
// counts: at small zooms glyphs are only a few pale pixels.
std::pair<int, int> InkColumns(const Bitmap& bmp, int w, int h) {
  const std::vector<std::uint32_t> pixels = bmp.Pixels();
  int first = w, last = -1;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      if ((pixels[y * w + x] & 0xFFFFFF) != 0xFFFFFF) {
        first = std::min(first, x);
        last = std::max(last, x);
      }
  return {first, last};
}

// The widest stretch of columns in [x0, x1) without a pixel that is not white.
int WidestBlank(const Bitmap& bmp, int w, int h, int x0, int x1) {
  const std::vector<std::uint32_t> pixels = bmp.Pixels();
  int widest = 0, blank = 0;
  for (int x = std::max(x0, 0); x < std::min(x1, w); ++x) {
    bool ink = false;
    for (int y = 0; y < h && !ink; ++y) ink = (pixels[y * w + x] & 0xFFFFFF) != 0xFFFFFF;
    blank = ink ? 0 : blank + 1;
    widest = std::max(widest, blank);
  }
  return widest;
}

// The layout with its used size doubled, so that the clip at the used size hides no overflow.
std::shared_ptr<const Layout> Unclipped(const Layout& layout) {
  Layout wide = layout;
  wide.usedSize.width *= 2;
  return std::make_shared<const Layout>(wide);
}

// The unclipped layout with only the one run of its first line.
std::shared_ptr<const Layout> OnlyRun(const Layout& layout, std::size_t run) {
  Layout one = *Unclipped(layout);
  one.lines.resize(1);
  one.lines[0].runs = {layout.lines[0].runs[run]};
  return std::make_shared<const Layout>(one);
}

// Draws the layout at the zoom into a bitmap with a 20-pixel margin; returns the scale used.
double DrawAt(const std::shared_ptr<const Layout>& layout, double zoom, Bitmap& bmp) {
  const double scale = zoom * 96 / kUnitsPerInch;
  TextDrawing drawing(layout, {20 / scale, -20 / scale});
  Context ctx(bmp.dc(), scale);
  drawing.Draw(ctx);
  return scale;
}

// At every zoom: the line's last unit has ink in its own cell (the line is not cut short), and each
// run drawn alone keeps its ink inside its own place (so neighbouring runs cannot overlap).
void ExpectFits(const std::shared_ptr<const Layout>& layout) {
  ASSERT_EQ(layout->lines.size(), 1u);
  const Line& line = layout->lines[0];
  for (double zoom : kZooms) {
    SCOPED_TRACE(testing::Message() << "zoom " << zoom);
    const int w = static_cast<int>(2 * layout->usedSize.width * zoom * 96 / kUnitsPerInch) + 40;
    const int h = static_cast<int>(layout->usedSize.height * zoom * 96 / kUnitsPerInch) + 40;
    Bitmap whole(w, h);
    const double k = DrawAt(Unclipped(*layout), zoom, whole);
    double widestCell = 0;  // the rightmost glyph lies within one cell of the line's end
    for (const LineRun& run : line.runs)
      for (double a : run.advances) widestCell = std::max(widestCell, a * k);
    const double lineEnd = 20 + (line.x + line.width) * k;
    const auto [first, lastInk] = InkColumns(whole, w, h);
    EXPECT_GE(lastInk, static_cast<int>(lineEnd - widestCell));
    EXPECT_LE(lastInk, static_cast<int>(std::ceil(lineEnd)));
    EXPECT_GE(first, 20);
    for (std::size_t r = 0; r < line.runs.size(); ++r) {
      Bitmap alone(w, h);
      DrawAt(OnlyRun(*layout, r), zoom, alone);
      const auto [from, to] = InkColumns(alone, w, h);
      const LineRun& run = line.runs[r];
      EXPECT_GE(from, static_cast<int>(std::floor(20 + (line.x + run.x) * k)) - 1) << "run " << r;
      EXPECT_LE(to, static_cast<int>(std::ceil(20 + (line.x + run.x + run.width) * k))) << "run " << r;
      const std::u16string_view text = std::u16string_view(layout->paragraphs[line.paragraph].text).substr(run.begin, run.end - run.begin);
      if (text.find_first_not_of(u' ') != std::u16string_view::npos) {
        EXPECT_LE(from, to) << "run " << r << " drew nothing";
      }
    }
  }
}

}  // namespace

TEST(TextFitTest, CyrillicWordIsWholeAtEveryZoom) { ExpectFits(LayRuns(u"\u041A\u0438\u0440\u0438\u043B\u043B\u0438\u0446\u0430", {})); }

TEST(TextFitTest, PlainAndBoldRunsStayApartAtEveryZoom) { ExpectFits(LayRuns(u"plainbold", {5})); }

TEST(TextFitTest, ThreeRunsOfGrowingSizeAtEveryZoom) {
  ExpectFits(LayRuns(u"Greek \u0391\u03B2\u03B3 Latin WWW mixed", {6, 16}, true));
}

TEST(TextFitTest, SentenceInTwoRunsAtTheDefaultAndALargerSize) {
  for (double points : {6.0, 11.0}) {
    SCOPED_TRACE(testing::Message() << points << " pt");
    ExpectFits(LayRuns(u"Latin: The quick brown fox jumps over the lazy dog", {20}, false, points));
  }
}

TEST(TextFitTest, RightToLeftRunsAtEveryZoom) {
  ExpectFits(LayRuns(u"\u05E9\u05DC\u05D5\u05DD \u05E2\u05D5\u05DC\u05DD", {5}));
}

TEST(TextFitTest, DeviceAdvancesLandEveryEdgeOnItsNearestPixel) {
  const std::vector<int> dx = DeviceAdvances({10, 10, 10, 0, 10}, 0.15);  // edges 1.5, 3, 4.5, 4.5, 6
  EXPECT_EQ(dx, (std::vector<int>{2, 1, 2, 0, 1}));
  int sum = 0;
  for (int d : DeviceAdvances(std::vector<double>(1000, 7.3), 0.0378)) sum += d;
  EXPECT_EQ(sum, 276);  // 7300 * 0.0378 = 275.94: no drift over a long run
}

TEST(TextFitTest, FittedPieceKeepsItsProportionsAndTakesTheWidth) {
  ShapedRun::Piece piece;
  piece.advances = {10, 20, 0, 10};
  piece.width = 40;
  FitPiece(piece, 20);
  EXPECT_EQ(piece.advances, (std::vector<int>{5, 10, 0, 5}));
  EXPECT_EQ(piece.width, 20);
  piece.advances = {0, 0};
  piece.width = 0;
  FitPiece(piece, 7);
  EXPECT_EQ(piece.advances[0] + piece.advances[1], 7);
}

TEST(TextFitTest, SpacesStayBlankBetweenWordsAtEveryZoom) {
  // A free text in 11-point Arial, at zooms in steps of half a percent and at 105 % on a page
  // scaled by 0.75: where the screen's font comes out wider than the layout, the glyphs still stand
  // at their characters' places, so every space of three pixels or more leaves at least as many
  // whole blank columns between the letters around it. Narrower spaces are left to the glyphs'
  // hinting, which may fill a pixel of them.
  const std::u16string text = u"Class diagram written by hand";
  const auto layout = LayRuns(text, {});
  ASSERT_EQ(layout->lines.size(), 1u);
  ASSERT_EQ(layout->lines[0].runs.size(), 1u);
  const std::vector<double>& advances = layout->lines[0].runs[0].advances;
  std::vector<double> edges{0};  // the left edge of each unit
  for (double a : advances) edges.push_back(edges.back() + a);
  std::vector<double> zooms{1.05 * 0.75, 1.05};
  for (int step = 50; step <= 800; ++step) zooms.push_back(step / 200.0);
  for (double zoom : zooms) {
    const int w = static_cast<int>(layout->usedSize.width * zoom * 96 / kUnitsPerInch) + 40;
    const int h = static_cast<int>(layout->usedSize.height * zoom * 96 / kUnitsPerInch) + 40;
    Bitmap bmp(w, h);
    const double k = DrawAt(layout, zoom, bmp);
    for (std::size_t i = 1; i + 1 < text.size(); ++i) {
      if (text[i] != u' ' || advances[i] * k < 3) continue;
      // From the letter before the space to the letter after it.
      const int blank = WidestBlank(bmp, w, h, static_cast<int>(std::floor(20 + edges[i - 1] * k)),
                                    static_cast<int>(std::ceil(20 + edges[i + 2] * k)));
      EXPECT_GE(blank, static_cast<int>(advances[i] * k)) << "zoom " << zoom << ", the space after unit " << i - 1;
    }
  }
}

TEST(TextFitTest, FittedClustersTakeTheWidthsOfTheirUnits) {
  // Glyph advances as shaped, the cluster map (per unit, its cluster's first glyph), the direction,
  // the layout's device advances per unit, and the advances drawn.
  struct Case {
    const char* what;
    std::vector<int> advances;
    std::vector<WORD> clusters;
    bool rtl;
    std::vector<int> widths;
    std::vector<int> expected;
  };
  const Case cases[] = {
      {"a glyph per unit, the space included", {9, 3, 9}, {0, 1, 2}, false, {8, 3, 7}, {8, 3, 7}},
      {"a base with its mark, and a ligature of two units", {6, 10, 0, 12}, {0, 1, 3, 3}, false, {5, 9, 7, 0},
       {5, 9, 0, 7}},
      {"right to left: the first unit's glyph stands last", {4, 8, 10}, {2, 1, 1}, true, {10, 6, 0}, {2, 4, 10}},
      {"no cluster map: the piece is fitted whole", {10, 30}, {}, false, {15, 5}, {5, 15}},
      {"a map past the glyphs: fitted whole", {10, 30}, {0, 2}, false, {15, 5}, {5, 15}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ShapedRun::Piece piece;
    piece.advances = c.advances;
    piece.clusters = c.clusters;
    piece.analysis.fRTL = c.rtl;
    for (int a : c.advances) piece.width += a;
    FitClusters(piece, c.widths);
    EXPECT_EQ(piece.advances, c.expected);
    int total = 0;
    for (int w : c.widths) total += w;
    EXPECT_EQ(piece.width, total);
  }
}

TEST(TextFitTest, ShapedGlyphsTakeTheWidthsOfTheirUnitsInBothDirections) {
  // Shaped by Uniscribe, one glyph per letter: left to right each glyph takes its unit's width, right
  // to left the glyphs stand in visual order, the first unit's last.
  Bitmap bmp(10, 10);
  SCRIPT_CACHE cache = nullptr;
  for (const auto& [text, level] : {std::pair<std::u16string, int>{u"Class diagram", 0},
                                    {u"\u05E9\u05DC\u05D5\u05DD \u05E2\u05D5\u05DC\u05DD", 1}}) {
    SCOPED_TRACE(testing::Message() << "level " << level);
    FontUtil::FontDesc desc;
    desc.face = L"Arial";
    desc.height = -12;
    const FontUtil::FontRef font = FontUtil::FontRef::Get(WithFallback(desc, text));
    SelectObject(bmp.dc(), font.Handle());
    const std::vector<RunItem> items = ItemizeRun(text, level);
    ASSERT_EQ(items.size(), 1u);
    ShapedRun::Piece piece = ShapeItem(bmp.dc(), cache, text, items[0].analysis);
    ASSERT_EQ(piece.glyphs.size(), text.size());
    std::vector<int> widths;
    for (std::size_t i = 0; i < text.size(); ++i) widths.push_back(3 + static_cast<int>(i % 4));
    FitClusters(piece, widths);
    if (level % 2) std::reverse(widths.begin(), widths.end());
    EXPECT_EQ(piece.advances, widths);
    SelectObject(bmp.dc(), GetStockObject(SYSTEM_FONT));
    ScriptFreeCache(&cache);
  }
}

TEST(TextFitTest, ItemsJoinedIntoOneCallDrawTheirGlyphsWhereEachAloneDoes) {
  // Letters, digits and punctuation are items of their own; joined they are drawn by one call,
  // each glyph where the items drawn one by one put it, also where an item is wider than its
  // glyphs' advances. Right-to-left and context-shaped items stay apart.
  FontUtil::FontDesc desc;
  desc.face = L"Arial";
  desc.height = -15;
  const FontUtil::FontRef font = FontUtil::FontRef::Get(desc);  // outlives the contexts it is selected into
  Bitmap alone(400, 40), joined(400, 40);
  for (HDC dc : {alone.dc(), joined.dc()}) {
    SelectObject(dc, font.Handle());
    SetBkMode(dc, TRANSPARENT);
    SetTextAlign(dc, TA_BASELINE | TA_LEFT);
  }
  SCRIPT_CACHE cache = nullptr;
  const std::u16string text = u"-quantity12: int, 3.5% (x)";
  const std::vector<RunItem> items = ItemizeRun(text, 0);
  ASSERT_GT(items.size(), 2u);
  std::vector<ShapedRun::Piece> pieces;
  int x = 10;
  for (const RunItem& item : items) {
    pieces.push_back(ShapeItem(alone.dc(), cache, std::u16string_view(text).substr(item.begin, item.end - item.begin), item.analysis));
    pieces.back().width += static_cast<int>(pieces.size() % 3);  // a gap after some items
    DrawShapedPiece(alone.dc(), cache, pieces.back(), x, 30);
    x += pieces.back().width;
  }
  ShapedRun::Piece all = pieces[0];
  for (std::size_t i = 1; i < pieces.size(); ++i) EXPECT_TRUE(JoinPieces(all, pieces[i])) << "item " << i;
  EXPECT_EQ(all.width, x - 10);
  // The joined cluster map still gives each unit its glyph: one per unit in these scripts.
  ASSERT_EQ(all.clusters.size(), text.size());
  for (std::size_t i = 0; i < text.size(); ++i) EXPECT_EQ(all.clusters[i], i) << "unit " << i;
  DrawShapedPiece(joined.dc(), cache, all, 10, 30);
  EXPECT_GT(alone.Dark(), 100);
  EXPECT_TRUE(alone.Pixels() == joined.Pixels()) << "the joined glyphs moved";

  const std::u16string arabic = u"\u0645\u0631\u062D\u0628\u0627";
  const std::vector<RunItem> rtl = ItemizeRun(arabic, 1);
  ASSERT_EQ(rtl.size(), 1u);
  const ShapedRun::Piece word = ShapeItem(alone.dc(), cache, arabic, rtl[0].analysis);
  ShapedRun::Piece latin = pieces[0];
  EXPECT_FALSE(JoinPieces(latin, word));
  EXPECT_EQ(latin.glyphs.size(), pieces[0].glyphs.size());
  ScriptFreeCache(&cache);
}

TEST(TextFitTest, ThreeFontRunsOfHebrewLatinAndArabicAtEveryZoom) {
  // Read right to left: the Arabic word (third run) stands leftmost, the Latin word keeps its
  // own order in the middle, the Hebrew word (first run) stands rightmost.
  const auto layout = LayRuns(u"\u05E9\u05DC\u05D5\u05DD abc \u0645\u0631\u062D\u0628\u0627", {5, 9});
  ASSERT_EQ(layout->lines.size(), 1u);
  std::vector<std::size_t> begins;
  for (const LineRun& run : layout->lines[0].runs) begins.push_back(run.begin);
  EXPECT_EQ(begins, (std::vector<std::size_t>{9, 8, 5, 0}));
  ExpectFits(layout);
}

TEST(TextFitTest, TwoFontRunsOfArabicAndHebrewInALeftToRightLine) {
  // Latin first: the line reads left to right; the Arabic and Hebrew words in their two fonts form
  // one right-to-left stretch, so the Hebrew (later) word stands left of the Arabic one.
  const auto layout = LayRuns(u"Hi \u0645\u0631\u062D\u0628\u0627 \u05E9\u05DC\u05D5\u05DD", {9});
  std::vector<std::size_t> begins;
  for (const LineRun& run : layout->lines[0].runs) begins.push_back(run.begin);
  ASSERT_GE(begins.size(), 3u);
  EXPECT_EQ(begins.front(), 0u);
  EXPECT_EQ(begins[1], 9u);
  ExpectFits(layout);
}
