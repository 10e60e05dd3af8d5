#pragma once
// Drawing of a laid-out text on a canvas: a custom drawing element that draws the runs with Uniscribe.
#include <memory>
#include <string_view>
#include <vector>

#include "drawing/Canvas.h"
#include "drawing/FontUtil.h"
#include "text/Layout.h"
#include "text/win/DeviceFont.h"

namespace TextBlock {

// The glyphs of one run shaped for one device context, in visual order of its script items.
struct ShapedRun {
  struct Piece {
    SCRIPT_ANALYSIS analysis{};
    std::vector<WORD> glyphs;
    std::vector<int> advances;
    std::vector<GOFFSET> offsets;
    std::vector<SCRIPT_VISATTR> visAttrs;
    int width = 0;
  };
  std::vector<Piece> pieces;  // visual order, left to right
  int width = 0;              // device units
};

// Shapes the run with the font currently selected into dc (itemize with digit substitution, shape, place).
ShapedRun ShapeRun(HDC dc, SCRIPT_CACHE& cache, std::u16string_view run);

// Draws a shaped run with ScriptTextOut from the baseline point (x, y), in the font it was shaped with (selected into dc).
void DrawShapedRun(HDC dc, SCRIPT_CACHE& cache, const ShapedRun& shaped, int x, int y);

// A laid-out text drawn at its origin (top-left, model units, y up) and clipped to its used size.
class TextDrawing : public ICanvas::ICustomDrawing {
 public:
  // colour is a COLORREF.
  TextDrawing(std::shared_ptr<const Layout> layout, const zq::float8Point& origin, COLORREF colour = RGB(0, 0, 0));
  ICanvas::DoubleRect GetBounds() const override;
  // Draws every run with ScriptTextOut, fonts scaled to the context's pixels per unit. On the screen
  // the runs are shaped once per zoom and the shapes reused; printers and metafiles shape afresh.
  void Draw(ICanvas::IDrawContext& dc) const override;
  void Move(const zq::float8Vector& by) override { origin_ += by; }

 private:
  using FontList = std::vector<std::pair<const FontSpec*, std::shared_ptr<DeviceFont>>>;
  // A line run's device font and its shape at the zoom last drawn on the screen.
  struct RunShape {
    std::shared_ptr<DeviceFont> font;  // null when GDI could not make the font: the run is not drawn
    ShapedRun shaped;
    bool done = false;
  };

  // The device font of a font change at the device scale from the list, added when missing; null when it cannot be made.
  static const std::shared_ptr<DeviceFont>& FontOf(FontList& fonts, const FontSpec& fontSpec, double scale);
  // Drops the kept fonts and shapes when the scale differs from the one they were made for.
  void UseScale(double scale) const;
  // Calls draw(run, text of the run, baseline x, baseline y, run index) for each run in line order.
  template <typename F>
  void ForEachRun(ICanvas::IDrawContext& context, F&& draw) const;

  std::shared_ptr<const Layout> layout_;
  zq::float8Point origin_;
  COLORREF colour_;
  // Device fonts and run shapes of the last scale drawn at, kept between draws (the layout is
  // immutable, so only the scale invalidates them; a changed text or font comes as a new layout).
  mutable FontList fonts_;
  mutable std::vector<RunShape> shapes_;  // per run, lines in order
  mutable double fontScale_ = 0;
};

// Creates the text's drawing element on the canvas.
ICanvas::Element CreateTextElement(ICanvas::Canvas& canvas, std::shared_ptr<const Layout> layout, const zq::float8Point& origin);

}  // namespace TextBlock
