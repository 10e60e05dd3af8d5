#include "text/win/PairWidths.h"

namespace TextBlock {

PairWidths::PairWidths(const PairwiseGlyphs& glyphs, Shaper shaper) : glyphs_(glyphs), shaper_(std::move(shaper)) {}

bool PairWidths::Pairwise(char16_t c) {
  if (!IsSimple(c)) return false;
  Single& single = singles_[c];
  if (single.state == 0) {
    WORD glyph = 0;
    const char16_t unit[1] = {c};
    const bool shaped = shaper_(std::u16string_view(unit, 1), &single.width, &glyph);
    single.state = shaped && glyph != 0 && glyphs_.Holds(glyph) ? 1 : 2;
  }
  return single.state == 1;
}

bool PairWidths::AddPair(char16_t a, char16_t b, int& first, int& second) {
  std::vector<Pair>& row = pairs_[Index(a)];
  if (row.empty()) row.resize(kSimpleCount);
  Pair& pair = row[Index(b)];
  if (pair.first == kUnknown) {
    const char16_t units[2] = {a, b};
    int widths[2] = {0, 0};
    WORD glyphs[2] = {0, 0};
    if (shaper_(std::u16string_view(units, 2), widths, glyphs)) {
      pair.first = widths[0] - singles_[a].width;
      pair.second = widths[1] - singles_[b].width;
    } else {
      pair.first = kBroken;
    }
  }
  if (pair.first == kBroken) return false;
  first += pair.first;
  second += pair.second;
  return true;
}

bool PairWidths::Compose(std::u16string_view units, std::vector<int>& widths) {
  for (char16_t c : units)
    if (!Pairwise(c)) return false;
  widths.resize(units.size());
  for (std::size_t i = 0; i < units.size(); ++i) widths[i] = singles_[units[i]].width;
  for (std::size_t i = 1; i < units.size(); ++i)
    if (!AddPair(units[i - 1], units[i], widths[i - 1], widths[i])) return false;
  return true;
}

}  // namespace TextBlock
