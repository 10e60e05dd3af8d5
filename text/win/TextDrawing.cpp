#include "text/win/TextDrawing.h"

#include <algorithm>
#include <cmath>
#include <span>
#include <stdexcept>

#include "drawing/DrawingKernel.h"
#include "text/win/FontFallback.h"
#include "text/win/UniscribeMeasurer.h"

namespace TextBlock {

namespace {

// Selects fonts into a device context one after another and puts its own font back at the end.
class FontSelection {
 public:
  explicit FontSelection(HDC dc) : dc_(dc) {}
  ~FontSelection() {
    if (original_) SelectObject(dc_, original_);
  }
  FontSelection(const FontSelection&) = delete;
  FontSelection& operator=(const FontSelection&) = delete;
  // Selects the font unless it is selected already; false when the context refuses it.
  bool Select(HFONT font) {
    if (font == current_) return true;
    HGDIOBJ previous = SelectObject(dc_, font);
    if (!previous || previous == HGDI_ERROR) return false;
    if (!original_) original_ = previous;
    current_ = font;
    return true;
  }

 private:
  HDC dc_;
  HGDIOBJ original_ = nullptr;
  HFONT current_ = nullptr;
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

// Shapes kept for the screen serve screen-compatible contexts only: printers and metafiles may
// realise fonts differently, and their output is made once, so they shape afresh.
bool KeepsShapes(HDC dc) {
  const DWORD type = GetObjectType(dc);
  return (type == OBJ_DC || type == OBJ_MEMDC) && GetDeviceCaps(dc, TECHNOLOGY) == DT_RASDISPLAY;
}

bool IsPrinter(HDC dc) { return GetDeviceCaps(dc, TECHNOLOGY) == DT_RASPRINTER; }

bool IsMetafile(HDC dc) {
  const DWORD type = GetObjectType(dc);
  return type == OBJ_ENHMETADC || type == OBJ_METADC;
}

// Records text on a Windows metafile context so that the record holds the units' bytes in the
// selected font's character set. Some recorders convert every text with the ANSI code page whatever
// the font; there the bytes are handed over as that code page's characters, which convert back to
// exactly those bytes. A double-byte character's second byte takes no advance of its own.
void RecordWindowsMetafileText(HDC dc, int x, int y, UINT options, std::u16string_view units, const int* dx, BYTE charSet) {
  CHARSETINFO info{};
  const UINT target = TranslateCharsetInfo(reinterpret_cast<DWORD*>(static_cast<DWORD_PTR>(charSet)), &info, TCI_SRCCHARSET)
                          ? info.ciACP : GetACP();
  const int n = static_cast<int>(units.size());
  if (GetTextCharset(dc) == charSet || target == GetACP()) {
    ExtTextOutW(dc, x, y, options, nullptr, Wide(units), n, dx);
    return;
  }
  std::string bytes;
  std::vector<int> byteDx;
  for (int i = 0; i < n; ++i) {
    char buffer[4];
    int length = WideCharToMultiByte(target, 0, Wide(units) + i, 1, buffer, sizeof buffer, nullptr, nullptr);
    if (length <= 0) buffer[0] = '?', length = 1;
    bytes.append(buffer, length);
    byteDx.push_back(dx[i]);
    byteDx.resize(bytes.size(), 0);
  }
  std::wstring recorded(bytes.size(), L'\0');
  const int converted = MultiByteToWideChar(GetACP(), 0, bytes.data(), static_cast<int>(bytes.size()), recorded.data(),
                                            static_cast<int>(recorded.size()));
  if (converted != static_cast<int>(bytes.size())) {  // not a one-byte code page: give the text as it is
    ExtTextOutW(dc, x, y, options, nullptr, Wide(units), n, dx);
    return;
  }
  ExtTextOutW(dc, x, y, options, nullptr, recorded.data(), converted, byteDx.data());
}

// Fills the piece's glyph outlines in the colour (its font selected into dc): for a printer that
// cannot embed the font.
void FillOutlines(HDC dc, DeviceFont& font, const ShapedRunPiece& piece, int x, int y, COLORREF colour) {
  // Glyph contours may overlap: winding fill keeps the overlaps filled.
  const int oldMode = SetPolyFillMode(dc, WINDING);
  BeginPath(dc);
  font.DrawPiece(dc, piece, x, y);
  if (EndPath(dc)) {
    HBRUSH brush = CreateSolidBrush(colour);
    HGDIOBJ oldBrush = SelectObject(dc, brush);
    FillPath(dc);
    SelectObject(dc, oldBrush);
    DeleteObject(brush);
  } else {
    AbortPath(dc);
  }
  SetPolyFillMode(dc, oldMode);
}

std::size_t RunCount(const Layout& layout) {
  std::size_t n = 0;
  for (const Line& line : layout.lines) n += line.runs.size();
  return n;
}

}  // namespace

TextDrawing::TextDrawing(std::shared_ptr<const Layout> layout, const zq::float8Point& origin, COLORREF colour)
    : layout_(std::move(layout)), usedSize_(layout_ ? layout_->usedSize : Extent{}), origin_(origin), colour_(colour) {}

TextDrawing::TextDrawing(std::shared_ptr<const DeferredLayout> layout, const zq::float8Point& origin, COLORREF colour)
    : deferred_(std::move(layout)), usedSize_(deferred_ ? deferred_->GetUsedSize() : Extent{}), origin_(origin),
      colour_(colour) {}

ICanvas::DoubleRect TextDrawing::GetBounds() const {
  return {origin_.x, origin_.y, origin_.x + usedSize_.width, origin_.y - usedSize_.height};
}

template <typename F>
void TextDrawing::ForEachRun(ICanvas::IDrawContext& context, F&& draw) const {
  std::size_t index = 0;
  for (const Line& line : layout_->lines) {
    const std::u16string_view text = layout_->paragraphs[line.paragraph].text;
    for (const LineRun& run : line.runs) {
      const zq::float8Point at = context.ToDevice({origin_.x + line.x + run.x, origin_.y - (line.y + line.ascent)});
      draw(run, text.substr(run.begin, run.end - run.begin), static_cast<int>(std::lround(at.x)),
           static_cast<int>(std::lround(at.y)), index++);
    }
  }
}

void TextDrawing::Draw(ICanvas::IDrawContext& context) const {
  HDC dc = context.GetDC();
  if (!layout_ && deferred_) layout_ = deferred_->GetLines();
  if (!dc || !layout_) return;
  const double scale = context.PixelsPerUnit();
  const bool keep = KeepsShapes(dc);
  if (keep) UseScale(scale);
  SavedDC saved(dc);
  const zq::float8Point topLeft = context.ToDevice(origin_);
  const zq::float8Point bottomRight =
      context.ToDevice({origin_.x + usedSize_.width, origin_.y - usedSize_.height});
  // Not in a Windows metafile: readers such as LibreOffice keep a clip rectangle past the RestoreDC
  // that ends the text, so every shape drawn after it would vanish there. The advances keep the
  // characters inside the used size anyway.
  if (GetObjectType(dc) != OBJ_METADC)
    IntersectClipRect(dc, static_cast<int>(std::floor(topLeft.x)), static_cast<int>(std::floor(topLeft.y)),
                      static_cast<int>(std::ceil(bottomRight.x)), static_cast<int>(std::ceil(bottomRight.y)));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, colour_);
  SetTextAlign(dc, TA_BASELINE | TA_LEFT);
  if (IsMetafile(dc)) {
    // Metafiles: characters with advances, no shaping on the recording context (a Windows
    // metafile's context cannot shape at all).
    ForEachRun(context, [&](const LineRun& run, std::u16string_view chars, int x, int y, std::size_t) {
      DrawCharacters(dc, run, chars, scale, x, y);
    });
    return;
  }
  FontSelection selection(dc);
  const auto drawRun = [&](const RunShape& shape, int x, int y) {
    for (const ItemShape& item : shape.items) {
      if (!item.font || !selection.Select(item.font->Handle())) continue;
      if (item.outlines)
        FillOutlines(dc, *item.font, item.piece, x + item.offset, y, colour_);
      else
        item.font->DrawPiece(dc, item.piece, x + item.offset, y);
    }
  };
  if (keep) {
    ForEachRun(context, [&](const LineRun& run, std::u16string_view chars, int x, int y, std::size_t index) {
      RunShape& shape = shapes_[index];
      if (!shape.done) {
        shape = ShapeLineRun(dc, run, chars, scale, fonts_);
        shape.done = true;
      }
      drawRun(shape, x, y);
    });
    return;
  }
  // Printers: fresh shapes with device fonts of their own; the screen's shapes stay.
  FontList fonts;
  ForEachRun(context, [&](const LineRun& run, std::u16string_view chars, int x, int y, std::size_t) {
    drawRun(ShapeLineRun(dc, run, chars, scale, fonts), x, y);
  });
}

TextDrawing::RunShape TextDrawing::ShapeLineRun(HDC dc, const LineRun& run, std::u16string_view chars, double scale,
                                                FontList& fonts) {
  RunShape shape;
  const std::vector<int> dx = DeviceAdvances(run.advances, scale);
  const FontUtil::FontDesc own = ToFontDesc(*run.font, scale);
  const bool printer = IsPrinter(dc);
  FontSelection selection(dc);
  int offset = 0;
  for (const RunItem& item : ItemizeRun(chars, run.level)) {
    const std::u16string_view units = chars.substr(item.begin, item.end - item.begin);
    const std::size_t from = std::min(item.begin, dx.size()), to = std::min(item.end, dx.size());
    const std::span<const int> widths(dx.data() + from, to - from);  // the item's units' advances
    int width = 0;
    for (int w : widths) width += w;
    ItemShape itemShape;
    itemShape.offset = offset;
    offset += width;
    itemShape.font = FontOf(fonts, WithFallback(own, units, printer ? FaceUse::Printer : FaceUse::Any));
    if (itemShape.font && selection.Select(itemShape.font->Handle())) {
      itemShape.piece = itemShape.font->ShapeItem(dc, units, item.analysis);
      FitClusters(itemShape.piece, widths);
      itemShape.outlines = printer && !HasTrueTypeOutlines(dc);
    }
    // Items of one font one after the other are drawn by one call where they can be: a line of
    // letters, digits and punctuation is several items.
    if (!shape.items.empty()) {
      ItemShape& last = shape.items.back();
      if (itemShape.font && last.font == itemShape.font && !last.outlines && !itemShape.outlines &&
          last.offset + last.piece.width == itemShape.offset && JoinPieces(last.piece, itemShape.piece))
        continue;
    }
    shape.items.push_back(std::move(itemShape));
  }
  return shape;
}

void TextDrawing::DrawCharacters(HDC dc, const LineRun& run, std::u16string_view chars, double scale, int x, int y) {
  const std::vector<int> dx = DeviceAdvances(run.advances, scale);
  const FontUtil::FontDesc own = ToFontDesc(*run.font, scale);
  const bool windowsMetafile = GetObjectType(dc) == OBJ_METADC;
  FontSelection selection(dc);
  for (const RunItem& item : ItemizeRun(chars, run.level)) {
    const std::u16string_view units = chars.substr(item.begin, item.end - item.begin);
    int width = 0;
    for (std::size_t i = item.begin; i < item.end && i < dx.size(); ++i) width += dx[i];
    FontUtil::FontDesc desc = WithFallback(own, units);
    // A Windows metafile holds 8-bit text in the font's character set: the set must fit the script.
    if (windowsMetafile) desc.charSet = MetafileCharSet(units);
    FontUtil::FontRef font;
    try {
      font = FontUtil::FontRef::Get(desc);
    } catch (const DrawingKernel::Error&) {
      x += width;
      continue;  // GDI could not make the font: the item is not drawn
    }
    if (selection.Select(font.Handle())) {
      const UINT options = run.level % 2 ? ETO_RTLREADING : 0;
      if (windowsMetafile)
        RecordWindowsMetafileText(dc, x, y, options, units, dx.data() + item.begin, desc.charSet);
      else
        ExtTextOutW(dc, x, y, options, nullptr, Wide(units), static_cast<UINT>(units.size()), dx.data() + item.begin);
    }
    x += width;
  }
}

void TextDrawing::UseScale(double scale) const {
  const std::size_t runs = RunCount(*layout_);
  if (scale == fontScale_ && shapes_.size() == runs) return;
  // The old fonts go with their shapes; a font no other text holds frees its Uniscribe cache now.
  shapes_.clear();
  fonts_.clear();
  shapes_.resize(runs);
  fontScale_ = scale;
}

std::shared_ptr<DeviceFont> TextDrawing::FontOf(FontList& fonts, const FontUtil::FontDesc& desc) {
  for (const auto& entry : fonts)
    if (entry.first.Key() == desc.Key()) return entry.second;
  std::shared_ptr<DeviceFont> font;
  try {
    font = DeviceFont::Get(desc);
  } catch (const DrawingKernel::Error&) {
    // Left empty: the items of this font are not drawn, as GDI could not make it.
  }
  return fonts.emplace_back(desc, std::move(font)).second;
}

ICanvas::Element CreateTextElement(ICanvas::Canvas& canvas, std::shared_ptr<const Layout> layout, const zq::float8Point& origin) {
  return canvas.CreateCustom(std::make_shared<TextDrawing>(std::move(layout), origin));
}

ICanvas::Element CreateTextElement(ICanvas::Canvas& canvas, std::shared_ptr<const DeferredLayout> layout,
                                   const zq::float8Point& origin) {
  return canvas.CreateCustom(std::make_shared<TextDrawing>(std::move(layout), origin));
}

}  // namespace TextBlock
