// Draws 1,000 laid-out two-line names in Arial 11 pt into a 1024x768 bitmap 20 times and prints the
// times: the first paint, the repaints at the same zoom, and paints that change the zoom every time.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "text/win/TextDrawing.h"
#include "text/win/UniscribeMeasurer.h"

namespace {

using namespace TextBlock;

constexpr int kWidth = 1024, kHeight = 768, kTexts = 1000, kPaints = 20;

// Maps model units (y up) to pixels at a zoom, the model origin at the device origin.
class Context : public ICanvas::IDrawContext {
 public:
  Context(HDC dc, double scale) : dc_(dc), scale_(scale) {}
  HDC GetDC() override { return dc_; }
  zq::float8Point ToDevice(const zq::float8Point& p) const override { return {p.x * scale_, -p.y * scale_}; }
  double PixelsPerUnit() const override { return scale_; }

 private:
  HDC dc_;
  double scale_;
};

std::u16string Name(int i) {
  std::u16string name = u"CustomerAccount";
  name += char16_t(u'A' + i % 26);
  name += u"\n\u00ABentity\u00BB ";
  name += char16_t(u'0' + i % 10);
  return name;
}

double Seconds(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The texts on a grid that fills the bitmap at 96 dpi (0.0378 pixels per 0.01 mm).
std::vector<std::unique_ptr<TextDrawing>> MakeTexts() {
  TextStyle style;
  style.size = 11;
  style.sizing = SizingOwnExtent;
  const FontPtr font = std::make_shared<const FontSpec>(FontFromStyle(style));
  UniscribeMeasurer measurer;
  std::vector<std::unique_ptr<TextDrawing>> texts;
  for (int i = 0; i < kTexts; ++i) {
    Content content;
    content.SetName(Name(i));
    auto layout = std::make_shared<const Layout>(LayoutParagraphs(content.Paragraphs(font), style, {0, 0}, measurer));
    const double x = (i % 25) * 1080.0, y = -(i / 25) * 500.0;
    texts.push_back(std::make_unique<TextDrawing>(std::move(layout), zq::float8Point{x, y}));
  }
  return texts;
}

// Clears the bitmap and draws every text once; returns the time taken.
double Paint(HDC dc, const std::vector<std::unique_ptr<TextDrawing>>& texts, double scale) {
  static const RECT all{0, 0, kWidth, kHeight};
  const auto start = std::chrono::steady_clock::now();
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  Context context(dc, scale);
  for (const auto& text : texts) text->Draw(context);
  GdiFlush();
  return Seconds(start);
}

}  // namespace

int main() {
  BITMAPINFO bi{};
  bi.bmiHeader = {sizeof(BITMAPINFOHEADER), kWidth, -kHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  HDC dc = CreateCompatibleDC(nullptr);
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(dc, bitmap);

  const auto texts = MakeTexts();
  const double zoom = 0.0378;
  const double first = Paint(dc, texts, zoom);
  double repaints = 0;
  for (int i = 1; i < kPaints; ++i) repaints += Paint(dc, texts, zoom);
  double zooming = 0;
  for (int i = 0; i < kPaints; ++i) zooming += Paint(dc, texts, zoom * (i % 2 ? 1.0 : 1.25));

  std::printf("%d two-line texts into %dx%d, %d paints\n", kTexts, kWidth, kHeight, kPaints);
  std::printf("first paint:            %.1f ms\n", first * 1000);
  std::printf("repaint, same zoom:     %.1f ms per paint (%d paints, %.3f s)\n", repaints * 1000 / (kPaints - 1),
              kPaints - 1, repaints);
  std::printf("paint, zoom changed:    %.1f ms per paint (%d paints, %.3f s)\n", zooming * 1000 / kPaints, kPaints,
              zooming);
  std::printf("total %d paints:        %.3f s\n", 2 * kPaints, first + repaints + zooming);

  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  return 0;
}
