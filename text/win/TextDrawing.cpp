#include "text/win/TextDrawing.h"

#include <cmath>
#include <stdexcept>

#include "drawing/DrawingKernel.h"
#include "text/win/UniscribeMeasurer.h"

namespace TextBlock {

namespace {

// Selects a font for the drawing of one run and restores the previous one.
class ScopedFont {
 public:
  ScopedFont(HDC dc, HFONT font) : dc_(dc), old_(font ? SelectObject(dc, font) : nullptr) {}
  ~ScopedFont() {
    if (cache_) ScriptFreeCache(&cache_);
    if (old_) SelectObject(dc_, old_);
  }
  ScopedFont(const ScopedFont&) = delete;
  ScopedFont& operator=(const ScopedFont&) = delete;
  bool Ok() const { return old_ != nullptr; }
  SCRIPT_CACHE& Cache() { return cache_; }

 private:
  HDC dc_;
  HGDIOBJ old_;
  SCRIPT_CACHE cache_ = nullptr;
};

// Keeps the device context's state while a text draws.
class SavedDC {
 public:
  explicit SavedDC(HDC dc) : dc_(dc), saved_(SaveDC(dc)) {}
  ~SavedDC() { if (saved_) RestoreDC(dc_, saved_); }
  SavedDC(const SavedDC&) = delete;
  SavedDC& operator=(const SavedDC&) = delete;

 private:
  HDC dc_;
  int saved_;
};

const wchar_t* Wide(std::u16string_view s) { return reinterpret_cast<const wchar_t*>(s.data()); }

}  // namespace

ShapedRun ShapeRun(HDC dc, SCRIPT_CACHE& cache, std::u16string_view run) {
  ShapedRun shaped;
  if (run.empty()) return shaped;
  SCRIPT_DIGITSUBSTITUTE digits{};
  ScriptRecordDigitSubstitution(LOCALE_USER_DEFAULT, &digits);
  SCRIPT_CONTROL control{};
  SCRIPT_STATE state{};
  ScriptApplyDigitSubstitution(&digits, &control, &state);
  std::vector<SCRIPT_ITEM> items(run.size() + 2);
  int count = 0;
  while (ScriptItemize(Wide(run), static_cast<int>(run.size()), static_cast<int>(items.size()) - 1, &control, &state,
                       items.data(), &count) == E_OUTOFMEMORY)
    items.resize(items.size() * 2);
  std::vector<BYTE> levels(count);
  std::vector<int> visual(count);
  for (int i = 0; i < count; ++i) levels[i] = static_cast<BYTE>(items[i].a.s.uBidiLevel);
  ScriptLayout(count, levels.data(), visual.data(), nullptr);
  for (int v = 0; v < count; ++v) {
    const SCRIPT_ITEM& item = items[visual[v]];
    const int begin = item.iCharPos, n = items[visual[v] + 1].iCharPos - begin;
    ShapedRun::Piece piece;
    piece.analysis = item.a;
    piece.glyphs.resize(n * 3 / 2 + 16);
    std::vector<WORD> clusters(n);
    std::vector<SCRIPT_VISATTR> vis(piece.glyphs.size());
    int glyphs = 0;
    for (;;) {
      const HRESULT hr = ScriptShape(dc, &cache, Wide(run) + begin, n, static_cast<int>(piece.glyphs.size()),
                                     &piece.analysis, piece.glyphs.data(), clusters.data(), vis.data(), &glyphs);
      if (hr == E_OUTOFMEMORY) { piece.glyphs.resize(piece.glyphs.size() * 2); vis.resize(piece.glyphs.size()); continue; }
      if (hr == USP_E_SCRIPT_NOT_IN_FONT && piece.analysis.eScript != SCRIPT_UNDEFINED) { piece.analysis.eScript = SCRIPT_UNDEFINED; continue; }
      if (FAILED(hr)) throw std::runtime_error("text drawing: shaping failed");
      break;
    }
    piece.glyphs.resize(glyphs);
    piece.advances.resize(glyphs);
    piece.offsets.resize(glyphs);
    ABC abc{};
    if (FAILED(ScriptPlace(dc, &cache, piece.glyphs.data(), glyphs, vis.data(), &piece.analysis, piece.advances.data(),
                           piece.offsets.data(), &abc)))
      throw std::runtime_error("text drawing: placing failed");
    for (int a : piece.advances) piece.width += a;
    shaped.width += piece.width;
    shaped.pieces.push_back(std::move(piece));
  }
  return shaped;
}

TextDrawing::TextDrawing(std::shared_ptr<const Layout> layout, const zq::float8Point& origin, COLORREF colour)
    : layout_(std::move(layout)), origin_(origin), colour_(colour) {}

ICanvas::DoubleRect TextDrawing::GetBounds() const {
  return {origin_.x, origin_.y, origin_.x + layout_->usedSize.width, origin_.y - layout_->usedSize.height};
}

void TextDrawing::Draw(ICanvas::IDrawContext& context) const {
  HDC dc = context.GetDC();
  if (!dc || !layout_) return;
  const double scale = context.PixelsPerUnit();
  SavedDC saved(dc);
  const zq::float8Point topLeft = context.ToDevice(origin_);
  const zq::float8Point bottomRight =
      context.ToDevice({origin_.x + layout_->usedSize.width, origin_.y - layout_->usedSize.height});
  IntersectClipRect(dc, static_cast<int>(std::floor(topLeft.x)), static_cast<int>(std::floor(topLeft.y)),
                    static_cast<int>(std::ceil(bottomRight.x)), static_cast<int>(std::ceil(bottomRight.y)));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, colour_);
  SetTextAlign(dc, TA_BASELINE | TA_LEFT);
  for (const Line& line : layout_->lines) {
    const std::u16string& text = layout_->paragraphs[line.paragraph].text;
    for (const LineRun& run : line.runs) {
      ScopedFont font(dc, FontOf(*run.font, scale));
      if (!font.Ok()) continue;
      const zq::float8Point at = context.ToDevice({origin_.x + line.x + run.x, origin_.y - (line.y + line.ascent)});
      ShapedRun shaped = ShapeRun(dc, font.Cache(), std::u16string_view(text).substr(run.begin, run.end - run.begin));
      int x = static_cast<int>(std::lround(at.x));
      const int y = static_cast<int>(std::lround(at.y));
      for (ShapedRun::Piece& piece : shaped.pieces) {
        ScriptTextOut(dc, &font.Cache(), x, y, 0, nullptr, &piece.analysis, nullptr, 0, piece.glyphs.data(),
                      static_cast<int>(piece.glyphs.size()), piece.advances.data(), nullptr, piece.offsets.data());
        x += piece.width;
      }
    }
  }
}

HFONT TextDrawing::FontOf(const FontSpec& fontSpec, double scale) const {
  if (scale != fontScale_) {
    fonts_.clear();
    fontScale_ = scale;
  }
  for (const auto& [key, font] : fonts_)
    if (key == &fontSpec) return font.Handle();
  FontUtil::FontRef font;
  try {
    font = FontUtil::FontRef::Get(ToFontDesc(fontSpec, scale));
  } catch (const DrawingKernel::Error&) {
    // Left empty: the runs of this font are not drawn, as GDI could not make it.
  }
  fonts_.emplace_back(&fontSpec, font);
  return font.Handle();
}

ICanvas::Element CreateTextElement(ICanvas::Canvas& canvas, std::shared_ptr<const Layout> layout, const zq::float8Point& origin) {
  return canvas.CreateCustom(std::make_shared<TextDrawing>(std::move(layout), origin));
}

}  // namespace TextBlock
