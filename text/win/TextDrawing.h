#pragma once
// Drawing of a laid-out text on a canvas: a custom drawing element that draws the runs with Uniscribe.
#include <memory>
#include <string_view>
#include <vector>

#include "drawing/Canvas.h"
#include "drawing/FontUtil.h"
#include "text/DeferredLayout.h"
#include "text/Layout.h"
#include "text/win/DeviceFont.h"
#include "text/win/Shaping.h"

namespace TextBlock {

// A laid-out text drawn at its origin (top-left, model units, y up) and clipped to its used size.
class TextDrawing : public ICanvas::ICustomDrawing {
 public:
  // colour is a COLORREF.
  TextDrawing(std::shared_ptr<const Layout> layout, const zq::float8Point& origin, COLORREF colour = RGB(0, 0, 0));
  // A text whose lines are laid out when it is first drawn (its bounds are known before).
  TextDrawing(std::shared_ptr<const DeferredLayout> layout, const zq::float8Point& origin,
              COLORREF colour = RGB(0, 0, 0));
  ICanvas::DoubleRect GetBounds() const override;
  // Draws every run at the layout's advances scaled to the context's pixels per unit, each character
  // where the layout put it, so each line fits its used size and keeps its spaces at any zoom.
  // Screens and printers get glyphs (ScriptTextOut; on the screen the runs are shaped once per zoom
  // and the shapes reused; printers take fallback faces they can embed, and fill the glyph outlines
  // of a face they cannot); metafiles get characters with explicit advances (ExtTextOutW), which
  // every reader can show.
  void Draw(ICanvas::IDrawContext& dc) const override;
  void Move(const zq::float8Vector& by) override { origin_ += by; }

 private:
  using FontList = std::vector<std::pair<FontUtil::FontDesc, std::shared_ptr<DeviceFont>>>;
  // One item of a line run: its device font (the run's own or a fallback) and its glyphs fitted to the layout.
  struct ItemShape {
    std::shared_ptr<DeviceFont> font;  // null when GDI could not make the font: the item is not drawn
    ShapedRun::Piece piece;
    int offset = 0;  // device units from the run's left edge
    bool outlines = false;  // drawn as filled glyph outlines: a printer that cannot embed the font
  };
  // A line run's items and their shapes at the zoom last drawn on the screen.
  struct RunShape {
    std::vector<ItemShape> items;
    bool done = false;
  };

  // Shapes every item of the run with its device font at the scale, fitted to the layout's advances.
  static RunShape ShapeLineRun(HDC dc, const LineRun& run, std::u16string_view chars, double scale, FontList& fonts);
  // Records the run as characters with explicit advances, as metafile readers need them.
  static void DrawCharacters(HDC dc, const LineRun& run, std::u16string_view chars, double scale, int x, int y);
  // The device font of a description from the list, added when missing; null when it cannot be made.
  static std::shared_ptr<DeviceFont> FontOf(FontList& fonts, const FontUtil::FontDesc& desc);
  // Drops the kept fonts and shapes when the scale differs from the one they were made for.
  void UseScale(double scale) const;
  // Calls draw(run, text of the run, baseline x, baseline y, run index) for each run in line order.
  template <typename F>
  void ForEachRun(ICanvas::IDrawContext& context, F&& draw) const;

  std::shared_ptr<const DeferredLayout> deferred_;  // the source of the lines until they are laid out
  mutable std::shared_ptr<const Layout> layout_;
  Extent usedSize_;
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
// Creates the drawing element of a text laid out when first drawn.
ICanvas::Element CreateTextElement(ICanvas::Canvas& canvas, std::shared_ptr<const DeferredLayout> layout,
                                   const zq::float8Point& origin);

}  // namespace TextBlock
