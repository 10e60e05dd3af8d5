#pragma once
// A device font (a font at one zoom) with the Uniscribe cache kept for it, shared by every text drawn in it.
#include <cstddef>
#include <memory>
#include <string_view>

#include "drawing/FontUtil.h"

namespace TextBlock {

struct ShapedRun;
struct ShapedRunPiece;

// A shared GDI font and its SCRIPT_CACHE: texts of the same device font share one, and the cache is
// freed with the last reference. The cache is used on the thread that paints the screen only.
class DeviceFont {
 public:
  // The device font of the description, shared while referenced; throws DrawingKernel::Error when GDI cannot make it.
  static std::shared_ptr<DeviceFont> Get(const FontUtil::FontDesc& desc);
  ~DeviceFont();
  DeviceFont(const DeviceFont&) = delete;
  DeviceFont& operator=(const DeviceFont&) = delete;

  // The GDI font.
  HFONT Handle() const { return font_.Handle(); }
  // Shapes and places one script item with this font, which must be selected into dc.
  ShapedRunPiece ShapeItem(HDC dc, std::u16string_view chars, const SCRIPT_ANALYSIS& analysis);
  // Draws one shaped item's glyphs from the baseline point (x, y); this font must be selected into dc.
  void DrawPiece(HDC dc, const ShapedRunPiece& piece, int x, int y);

  // Uniscribe caches alive in device fonts (for checking that none is left behind).
  static std::size_t LiveCaches();
  // Runs shaped through device fonts since the process started (for checking that repaints reuse shapes).
  static std::size_t RunsShaped();

 private:
  explicit DeviceFont(FontUtil::FontRef font) : font_(std::move(font)) {}
  // Counts the cache once Uniscribe has made it.
  void NoteCache();

  FontUtil::FontRef font_;
  SCRIPT_CACHE cache_ = nullptr;
  bool counted_ = false;
};

}  // namespace TextBlock
