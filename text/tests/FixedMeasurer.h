#pragma once
// A deterministic measurer for layout tests: each cluster is half the font height wide.
#include <cstdlib>

#include "text/Layout.h"

namespace TextBlock::Testing {

class FixedMeasurer : public IMeasurer {
 public:
  void Measure(const FontSpec& font, std::u16string_view run, RunMetrics& out) override {
    const double h = std::abs(font.height);
    out.advances.clear();
    out.clusterStarts.clear();
    for (char16_t c : run) {
      const bool follows = (c >= 0xDC00 && c < 0xE000) || (c >= 0x0300 && c < 0x0370);
      out.advances.push_back(follows ? 0.0 : h / 2);
      out.clusterStarts.push_back(!follows);
    }
    out.ascent = h * 0.8;
    out.descent = h * 0.2;
    ++calls;
  }
  int calls = 0;
};

// A font of the given height for the fixed measurer.
inline FontPtr FixedFont(int height) {
  FontSpec f;
  f.height = height;
  return std::make_shared<const FontSpec>(f);
}

}  // namespace TextBlock::Testing
