// Texts exported as PNG through the metafile canvas are drawn whole at the layout's places.
#include <gtest/gtest.h>

#include "drawing/DrawingKernel.h"
#include "text/win/TextDrawing.h"
#include "text/win/UniscribeMeasurer.h"

using namespace TextBlock;

namespace {

// A one-line layout in Arial, bold from the given unit on, its used size doubled so that the clip
// at the used size cannot hide text that runs over its place.
std::shared_ptr<const Layout> Lay(std::u16string_view text, std::size_t boldFrom, double points) {
  TextStyle style;
  style.size = points;
  style.sizing = SizingOwnExtent;
  const FontPtr base = std::make_shared<const FontSpec>(FontFromStyle(style));
  FontSpec bold = *base;
  bold.weight = 700;
  Content c;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (i == boldFrom) c.Append(Item::FontChange(std::make_shared<const FontSpec>(bold)));
    c.Append(Item::Character(text[i]));
  }
  UniscribeMeasurer m;
  Layout layout = LayoutParagraphs(c.Paragraphs(base), style, {0, 0}, m);
  layout.usedSize.width *= 2;
  return std::make_shared<const Layout>(layout);
}

// The pixels of a picture read back.
struct Picture {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;
};

// The PNG of the layout placed at a whole millimetre, so that the picture starts at the text's origin.
Picture Png(const std::shared_ptr<const Layout>& layout) {
  static DrawingKernel::GdiplusSession gdiplus;
  auto canvas = DrawingKernel::CreateMetafileCanvas({1000, 1000}, L"Quorvel", L"text");
  ICanvas::Element text = CreateTextElement(*canvas, layout, {1000, -1000});
  wchar_t dir[MAX_PATH];
  GetTempPathW(MAX_PATH, dir);
  const std::wstring file = std::wstring(dir) + L"quorvel-text-" + std::to_wstring(GetCurrentProcessId()) + L".png";
  canvas->SavePngFile(file, 0);
  Gdiplus::GpBitmap* image = nullptr;
  if (Gdiplus::DllExports::GdipCreateBitmapFromFile(file.c_str(), &image) != Gdiplus::Ok) return {};
  UINT w = 0, h = 0;
  Gdiplus::DllExports::GdipGetImageWidth(image, &w);
  Gdiplus::DllExports::GdipGetImageHeight(image, &h);
  Picture out{int(w), int(h), {}};
  const Gdiplus::GpRect all(0, 0, INT(w), INT(h));
  Gdiplus::BitmapData data{};
  if (Gdiplus::DllExports::GdipBitmapLockBits(image, &all, Gdiplus::ImageLockModeRead, PixelFormat32bppRGB, &data) ==
      Gdiplus::Ok) {
    for (UINT y = 0; y < h; ++y) {
      const auto* row = reinterpret_cast<const std::uint32_t*>(static_cast<const BYTE*>(data.Scan0) + y * data.Stride);
      for (UINT x = 0; x < w; ++x) out.pixels.push_back(row[x] & 0xFFFFFF);
    }
    Gdiplus::DllExports::GdipBitmapUnlockBits(image, &data);
  }
  Gdiplus::DllExports::GdipDisposeImage(image);
  DeleteFileW(file.c_str());
  return out;
}

// The first and last columns holding a pixel that is not white; first > last when none.
std::pair<int, int> InkColumns(const Picture& p) {
  int first = p.width, last = -1;
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x)
      if (p.pixels[y * p.width + x] != 0xFFFFFF) {
        first = std::min(first, x);
        last = std::max(last, x);
      }
  return {first, last};
}

}  // namespace

TEST(PngTextTest, LinesAreWholeAndInTheirPlace) {
  const std::u16string texts[] = {u"Latin: The quick brown fox jumps over the lazy dog",
                                  u"\u041A\u0438\u0440\u0438\u043B\u043B\u0438\u0446\u0430 plain bold"};
  for (double points : {6.0, 9.0, 11.0, 14.0, 20.0})
    for (const std::u16string& text : texts) {
      SCOPED_TRACE(testing::Message() << points << " pt, text of " << text.size() << " units");
      const auto layout = Lay(text, text.size() - 4, points);
      const Picture png = Png(layout);
      ASSERT_GT(png.width, 1);
      ASSERT_EQ(png.pixels.size(), static_cast<std::size_t>(png.width) * png.height);
      const double k = png.width / (std::ceil((1000 + layout->usedSize.width) / 100.0) * 100 - 1000);
      const Line& line = layout->lines[0];
      const auto [first, last] = InkColumns(png);
      double widestCell = 0;
      for (const LineRun& run : line.runs)
        for (double a : run.advances) widestCell = std::max(widestCell, a * k);
      EXPECT_GE(first, 0);
      EXPECT_LE(first, static_cast<int>(widestCell));
      EXPECT_LE(last, static_cast<int>(std::ceil(line.width * k)));
      EXPECT_GE(last, static_cast<int>(line.width * k - widestCell));
      for (const LineRun& run : line.runs) {  // each run alone keeps to its place: runs cannot overlap
        Layout alone = *layout;
        alone.lines[0].runs = {run};
        const auto [from, to] = InkColumns(Png(std::make_shared<const Layout>(alone)));
        EXPECT_GE(from, static_cast<int>(std::floor(run.x * k)) - 1);
        EXPECT_LE(to, static_cast<int>(std::ceil((run.x + run.width) * k)));
      }
    }
}
