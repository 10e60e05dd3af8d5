// Repaints reuse each run's shape and the device font's Uniscribe cache, with unchanged output.
#include <gtest/gtest.h>

#include "text/tests/win/TestSurface.h"
#include "text/win/DeviceFont.h"
#include "text/win/TextDrawing.h"
#include "text/win/UniscribeMeasurer.h"

using namespace TextBlock;
using TextTest::Bitmap;
using TextTest::Context;

namespace {

constexpr int kW = 420, kH = 160;

// Two paragraphs with a font change: left-to-right, right-to-left and digits in two fonts.
std::shared_ptr<const Layout> MixedText() {
  TextStyle style;
  style.size = 11;
  style.sizing = SizingOwnExtent;
  const FontPtr base = std::make_shared<const FontSpec>(FontFromStyle(style));
  FontSpec bold = *base;
  bold.weight = 700;
  bold.height = bold.height * 3 / 2;
  Content c;
  for (char16_t u : std::u16string_view(u"Account \u05E9\u05DC\u05D5\u05DD ")) c.Append(Item::Character(u));
  c.Append(Item::FontChange(std::make_shared<const FontSpec>(bold)));
  for (char16_t u : std::u16string_view(u"Bold 123")) c.Append(Item::Character(u));
  c.Append(Item::ParagraphStart());
  for (char16_t u : std::u16string_view(u"second line \U0001F600 fin")) c.Append(Item::Character(u));
  UniscribeMeasurer m;
  return std::make_shared<const Layout>(LayoutParagraphs(c.Paragraphs(base), style, {0, 0}, m));
}

// The pixels of a drawing made just for this one paint.
std::vector<std::uint32_t> FreshPaint(const std::shared_ptr<const Layout>& layout, double scale) {
  Bitmap bmp(kW, kH);
  Context ctx(bmp.dc(), scale);
  TextDrawing(layout, {100, -100}).Draw(ctx);
  return bmp.Pixels();
}

}  // namespace

TEST(TextRepaint, RepaintsAndZoomChangesDrawLikeAFreshDrawing) {
  const auto layout = MixedText();
  TextDrawing kept(layout, {100, -100});
  Bitmap bmp(kW, kH);
  for (double scale : {0.1, 0.1, 0.173, 0.173, 0.1, 0.061}) {
    SCOPED_TRACE(scale);
    bmp.Clear();
    Context ctx(bmp.dc(), scale);
    kept.Draw(ctx);
    EXPECT_GT(bmp.Dark(), 100);
    EXPECT_TRUE(bmp.Pixels() == FreshPaint(layout, scale));
  }
}

TEST(TextRepaint, ShapesOnlyWhenTheZoomChanges) {
  TextDrawing drawing(MixedText(), {0, 0});
  Bitmap bmp(kW, kH);
  Context at10(bmp.dc(), 0.1), at20(bmp.dc(), 0.2);
  drawing.Draw(at10);
  const std::size_t shaped = DeviceFont::RunsShaped();
  drawing.Draw(at10);
  drawing.Draw(at10);
  EXPECT_EQ(DeviceFont::RunsShaped(), shaped);
  drawing.Draw(at20);
  EXPECT_GT(DeviceFont::RunsShaped(), shaped);
}

TEST(TextRepaint, MetafilesShapeAfreshAndLeaveTheScreenShapesAlone) {
  TextDrawing drawing(MixedText(), {0, 0});
  Bitmap bmp(kW, kH);
  Context screen(bmp.dc(), 0.1);
  drawing.Draw(screen);
  const std::size_t shaped = DeviceFont::RunsShaped(), caches = DeviceFont::LiveCaches();
  HDC emf = CreateEnhMetaFileW(nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(emf, nullptr);
  Context meta(emf, 0.3);
  drawing.Draw(meta);
  DeleteEnhMetaFile(CloseEnhMetaFile(emf));
  EXPECT_EQ(DeviceFont::LiveCaches(), caches);  // the metafile's own caches are gone with its paint
  drawing.Draw(screen);
  EXPECT_EQ(DeviceFont::RunsShaped(), shaped);
}

TEST(TextRepaint, ReleasingTheDrawingsLeavesNoCacheOrFont) {
  const auto layout = MixedText();  // two fonts, the Hebrew in a fallback face: three device fonts
  Bitmap bmp(kW, kH);
  {
    // The fallback's font probes are made once per process, on the first draw.
    TextDrawing warm(layout, {0, 0});
    Context once(bmp.dc(), 0.05);
    warm.Draw(once);
  }
  const std::size_t caches = DeviceFont::LiveCaches(), fonts = FontUtil::FontRef::CacheSize();
  const DWORD gdi = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  {
    TextDrawing a(layout, {0, 0}), b(layout, {0, -300});
    Context first(bmp.dc(), 0.0731), second(bmp.dc(), 0.0913);
    a.Draw(first);
    b.Draw(first);
    EXPECT_EQ(DeviceFont::LiveCaches(), caches + 3);  // one per device font, shared by both drawings
    EXPECT_EQ(FontUtil::FontRef::CacheSize(), fonts + 3);
    a.Draw(second);
    EXPECT_EQ(DeviceFont::LiveCaches(), caches + 6);  // b still holds the first zoom's fonts
    b.Draw(second);
    EXPECT_EQ(DeviceFont::LiveCaches(), caches + 3);
    EXPECT_EQ(FontUtil::FontRef::CacheSize(), fonts + 3);
  }
  EXPECT_EQ(DeviceFont::LiveCaches(), caches);
  EXPECT_EQ(FontUtil::FontRef::CacheSize(), fonts);
  if (gdi != 0) { EXPECT_EQ(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), gdi); }
}

// A text laid out when first drawn: its bounds come from the measured size before any lines exist,
// and it paints what a drawing of ready lines paints.
TEST(TextRepaint, DeferredLinesAreLaidOutAtTheFirstDrawAndPaintTheSame) {
  const auto ready = MixedText();
  TextStyle style;
  style.size = 11;
  style.sizing = SizingOwnExtent;
  Content content;
  for (const Paragraph& p : ready->paragraphs) {
    if (!content.Items().empty()) content.Append(Item::ParagraphStart());
    for (std::size_t r = 0; r < p.runs.size(); ++r) {
      if (r > 0) content.Append(Item::FontChange(p.runs[r].font));
      const std::size_t end = r + 1 < p.runs.size() ? p.runs[r + 1].begin : p.text.size();
      for (std::size_t i = p.runs[r].begin; i < end; ++i) content.Append(Item::Character(p.text[i]));
    }
  }
  const auto deferred =
      std::make_shared<const DeferredLayout>(content, style, Extent{0, 0}, std::make_shared<UniscribeMeasurer>());
  TextDrawing drawing(deferred, {100, -100});
  EXPECT_EQ(drawing.GetBounds(), TextDrawing(ready, {100, -100}).GetBounds());
  EXPECT_FALSE(deferred->HasLines());
  Bitmap bmp(kW, kH);
  Context ctx(bmp.dc(), 0.1);
  drawing.Draw(ctx);
  EXPECT_TRUE(deferred->HasLines());
  EXPECT_GT(bmp.Dark(), 100);
  EXPECT_TRUE(bmp.Pixels() == FreshPaint(ready, 0.1));
}
