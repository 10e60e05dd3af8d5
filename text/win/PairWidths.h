#pragma once
// The widths of runs of simple characters in one font and one script analysis, composed from each
// character's width on its own and the kerning of each neighbouring pair, each shaped once: what
// shaping the whole run gives when the font touches its glyphs only by pair kerning, without a call
// into the shaping engine per run.
#include <windows.h>

#include <array>
#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

#include "text/win/PairwiseGlyphs.h"

namespace TextBlock {

class PairWidths {
 public:
  // Shapes one or two units as the measurer does, filling the logical width and the glyph of each;
  // false when they do not come out as one glyph each in the analysis given.
  using Shaper = std::function<bool(std::u16string_view units, int* widths, WORD* glyphs)>;

  // Composes with the glyphs of the font (not owned) and shapes through shaper.
  PairWidths(const PairwiseGlyphs& glyphs, Shaper shaper);

  // Fills one width per unit and returns true when every unit is a simple character whose glyph is
  // pairwise and every neighbouring pair shapes as two glyphs; returns false otherwise.
  bool Compose(std::u16string_view units, std::vector<int>& widths);

  // Whether the unit is a simple character: printable ASCII or Latin-1 (the soft hyphen excepted).
  static bool IsSimple(char16_t c) { return (c >= 0x20 && c < 0x7F) || (c >= 0xA0 && c <= 0xFF && c != 0xAD); }

 private:
  struct Single {
    std::uint8_t state = 0;  // 0 not shaped yet, 1 pairwise, 2 not
    int width = 0;
  };
  static constexpr int kUnknown = INT32_MIN, kBroken = INT32_MIN + 1;
  // The kerning of a pair on each of its glyphs.
  struct Pair {
    int first = kUnknown;  // kBroken when the pair does not shape as two glyphs
    int second = 0;
  };
  // Simple characters counted from 0 without the gap between ASCII and Latin-1.
  static constexpr std::size_t kSimpleCount = 0x7F - 0x20 + 0x100 - 0xA0;
  static std::size_t Index(char16_t c) { return c < 0x7F ? c - 0x20 : c - 0xA0 + (0x7F - 0x20); }

  bool Pairwise(char16_t c);
  bool AddPair(char16_t a, char16_t b, int& first, int& second);

  const PairwiseGlyphs& glyphs_;
  Shaper shaper_;
  std::array<Single, 256> singles_{};
  std::array<std::vector<Pair>, kSimpleCount> pairs_;  // by first and second character, rows made when needed
};

}  // namespace TextBlock
