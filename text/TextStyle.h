#pragma once
// The style of a text and the font record its font changes carry.
#include <cstdint>
#include <memory>
#include <string>

namespace TextBlock {

// Horizontal alignment of each line within the used width.
enum HorizontalAlignment : std::int32_t { AlignLeft = 1, AlignCenter = 2, AlignRight = 3 };
// Vertical alignment of the block of lines within the used height.
enum VerticalAlignment : std::int32_t { AlignTop = 1, AlignMiddle = 2, AlignBottom = 3 };
// How the used size follows from the area and the text's own extent.
enum Sizing : std::int32_t {
  SizingAtLeastArea = 0,  // one line per paragraph; used size at least the area
  SizingOwnExtent = 1,    // one line per paragraph; used size is the text's extent
  SizingWrap = 2,         // lines wrap at the area width; used size at least the area
};

// Size, typeface, font attributes and layout words of a text.
struct TextStyle {
  double size = 6.0;  // points
  std::u16string face = u"Arial";
  bool bold = false;
  bool italic = false;
  bool underline = false;
  std::int32_t horizontalAlignment = AlignLeft;
  std::int32_t verticalAlignment = AlignTop;
  std::int32_t sizing = SizingAtLeastArea;
  friend bool operator==(const TextStyle&, const TextStyle&) = default;
};

// The fourteen fields of a font as a font change stores them; sizes in model units (0.01 mm).
struct FontSpec {
  std::int32_t height = 0;  // negative: character height; positive: cell height
  std::int32_t width = 0;
  std::int32_t escapement = 0;
  std::int32_t orientation = 0;
  std::int32_t weight = 400;
  std::uint8_t italic = 0;
  std::uint8_t underline = 0;
  std::uint8_t strikeOut = 0;
  std::uint8_t charSet = 1;  // the default character set
  std::uint8_t outPrecision = 0;
  std::uint8_t clipPrecision = 0;
  std::uint8_t quality = 0;
  std::uint8_t pitchAndFamily = 0;
  std::u16string faceName;  // at most kMaxFaceNameLength units
  friend bool operator==(const FontSpec&, const FontSpec&) = default;
};

// Longest face name a font record holds (the platform's limit less the terminator).
inline constexpr std::size_t kMaxFaceNameLength = 31;

// A shared, immutable font record.
using FontPtr = std::shared_ptr<const FontSpec>;

// The font a style gives: its size in points as a character height in 0.01 mm.
FontSpec FontFromStyle(const TextStyle& style);

}  // namespace TextBlock
