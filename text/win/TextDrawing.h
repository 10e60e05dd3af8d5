#pragma once
// Drawing of a laid-out text on a canvas: a custom drawing element that draws the runs with Uniscribe.
#include <memory>
#include <string_view>
#include <vector>

#include "drawing/Canvas.h"
#include "drawing/FontUtil.h"
#include "text/Layout.h"

namespace TextBlock {

// The glyphs of one run shaped for one device context, in visual order of its script items.
struct ShapedRun {
  struct Piece {
    SCRIPT_ANALYSIS analysis{};
    std::vector<WORD> glyphs;
    std::vector<int> advances;
    std::vector<GOFFSET> offsets;
    int width = 0;
  };
  std::vector<Piece> pieces;  // visual order, left to right
  int width = 0;              // device units
};

// Shapes the run with the font currently selected into dc (itemize with digit substitution, shape, place).
ShapedRun ShapeRun(HDC dc, SCRIPT_CACHE& cache, std::u16string_view run);

// A laid-out text drawn at its origin (top-left, model units, y up) and clipped to its used size.
class TextDrawing : public ICanvas::ICustomDrawing {
 public:
  // colour is a COLORREF.
  TextDrawing(std::shared_ptr<const Layout> layout, const zq::float8Point& origin, COLORREF colour = RGB(0, 0, 0));
  ICanvas::DoubleRect GetBounds() const override;
  // Draws every run with ScriptTextOut, fonts scaled to the context's pixels per unit.
  void Draw(ICanvas::IDrawContext& dc) const override;
  void Move(const zq::float8Vector& by) override { origin_ += by; }

 private:
  // The shared font of a run's font change at the device scale; null when it cannot be made.
  HFONT FontOf(const FontSpec& fontSpec, double scale) const;

  std::shared_ptr<const Layout> layout_;
  zq::float8Point origin_;
  COLORREF colour_;
  // Fonts of the last scale drawn at, kept between draws (the layout's font records outlive them).
  mutable std::vector<std::pair<const FontSpec*, FontUtil::FontRef>> fonts_;
  mutable double fontScale_ = 0;
};

// Creates the text's drawing element on the canvas.
ICanvas::Element CreateTextElement(ICanvas::Canvas& canvas, std::shared_ptr<const Layout> layout, const zq::float8Point& origin);

}  // namespace TextBlock
