#pragma once
// Which glyphs of a font the OpenType shaping tables touch only by pair kerning: the width of a run of
// such glyphs is the sum of their own widths and the kerning of each neighbouring pair.
#include <windows.h>

#include <cstdint>
#include <string_view>
#include <vector>

namespace TextBlock {

class PairwiseGlyphs {
 public:
  // No glyph is pairwise.
  PairwiseGlyphs() = default;
  // Reads the substitution, positioning and glyph definition tables ("GSUB", "GPOS", "GDEF"; an
  // empty view is a table the font lacks). A glyph is pairwise unless a substitution may start at
  // it, a positioning other than pair kerning without an adjustment of the second glyph may start
  // at it, or the definitions class it as a ligature, mark or component; every glyph is kept out
  // when a table is malformed.
  PairwiseGlyphs(std::string_view gsub, std::string_view gpos, std::string_view gdef);

  // The tables of the font selected into dc.
  static PairwiseGlyphs OfFont(HDC dc);

  // Whether the glyph is pairwise.
  bool Holds(std::uint16_t glyph) const { return readable_ && !touched_[glyph]; }

 private:
  bool readable_ = false;
  std::vector<bool> touched_;  // per glyph id: shaped beyond pairs
};

}  // namespace TextBlock
