#include <gtest/gtest.h>

#include "text/tests/win/TestSurface.h"
#include "text/win/TextDrawing.h"
#include "text/win/UniscribeMeasurer.h"

using namespace TextBlock;
using TextTest::Bitmap;

namespace {

// Model units to pixels at 0.1 pixel per unit.
class DrawingContext : public TextTest::Context {
 public:
  explicit DrawingContext(HDC dc) : TextTest::Context(dc, 0.1) {}
};

std::shared_ptr<const Layout> LayName(std::u16string_view name) {
  TextStyle style;
  style.size = 11;
  style.sizing = SizingOwnExtent;
  Content c;
  c.SetName(name);
  UniscribeMeasurer m;
  return std::make_shared<const Layout>(
      LayoutParagraphs(c.Paragraphs(std::make_shared<const FontSpec>(FontFromStyle(style))), style, {0, 0}, m));
}

}  // namespace

TEST(TextDrawingTest, DrawsInsideTheUsedSizeOnly) {
  Bitmap bmp(400, 200);
  const auto layout = LayName(u"Hello World\nSecond line");
  const int w = layout->usedSize.width / 10 + 1, h = layout->usedSize.height / 10 + 1;
  TextDrawing drawing(layout, {500, -500});  // pixels (50, 50)
  DrawingContext ctx(bmp.dc());
  drawing.Draw(ctx);
  EXPECT_GT(bmp.Dark(50, 50, 50 + w / 2, 50 + h / 2), 20);   // first line, left half
  EXPECT_GT(bmp.Dark(50, 50 + h / 2, 50 + w, 50 + h), 20);   // second line
  EXPECT_EQ(bmp.Dark(), bmp.Dark(50, 50, 50 + w, 50 + h));   // nothing outside
}

TEST(TextDrawingTest, ClipsToTheUsedSize) {
  Bitmap bmp(400, 200);
  Layout clipped = *LayName(u"Hello World");
  const int full = clipped.usedSize.width / 10;
  clipped.usedSize.width /= 2;
  TextDrawing drawing(std::make_shared<const Layout>(clipped), {0, 0});
  DrawingContext ctx(bmp.dc());
  drawing.Draw(ctx);
  EXPECT_GT(bmp.Dark(), 20);
  EXPECT_EQ(bmp.Dark(full / 2 + 1, 0, 400, 200), 0);
  EXPECT_EQ(drawing.GetBounds().right, clipped.usedSize.width);
}

TEST(TextDrawingTest, DrawsIntoAMetafile) {
  HDC emf = CreateEnhMetaFileW(nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(emf, nullptr);
  const auto layout = LayName(u"Metafile \u05E9\u05DC\u05D5\u05DD 123");
  TextDrawing drawing(layout, {100, -100});
  DrawingContext ctx(emf);
  drawing.Draw(ctx);
  HENHMETAFILE meta = CloseEnhMetaFile(emf);
  ASSERT_NE(meta, nullptr);
  Bitmap bmp(400, 200);
  ENHMETAHEADER header{};
  GetEnhMetaFileHeader(meta, sizeof header, &header);
  const RECT frame{header.rclBounds.left, header.rclBounds.top, header.rclBounds.right + 1, header.rclBounds.bottom + 1};
  PlayEnhMetaFile(bmp.dc(), meta, &frame);
  DeleteEnhMetaFile(meta);
  EXPECT_GT(bmp.Dark(), 20);
}

TEST(TextDrawingTest, SurrogatePairIsOneGlyph) {
  HDC dc = CreateCompatibleDC(nullptr);
  LOGFONTW lf = ToLogFont(FontFromStyle({}));
  lf.lfHeight = -40;
  HFONT font = CreateFontIndirectW(&lf);
  HGDIOBJ old = SelectObject(dc, font);
  SCRIPT_CACHE cache = nullptr;
  const ShapedRun shaped = ShapeRun(dc, cache, u"\U0001F600");
  const ShapedRun mixed = ShapeRun(dc, cache, u"ab \u05E9\u05DC 12");
  ScriptFreeCache(&cache);
  SelectObject(dc, old);
  DeleteObject(font);
  DeleteDC(dc);
  ASSERT_EQ(shaped.pieces.size(), 1u);
  EXPECT_EQ(shaped.pieces[0].glyphs.size(), 1u);
  EXPECT_GE(mixed.pieces.size(), 2u);  // left-to-right and right-to-left items
  EXPECT_GT(mixed.width, 0);
}
