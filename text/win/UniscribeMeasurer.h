#pragma once
// The measurer of text layout over Uniscribe: itemizing, breaking, shaping and placing per font run.
#include <memory>

#include "drawing/FontUtil.h"
#include "text/Layout.h"

namespace TextBlock {

// Measures runs in model units: fonts are made with their height in 0.01 mm as device pixels
// on a memory device context, so advances come out in model units.
class UniscribeMeasurer : public IMeasurer {
 public:
  // With composePairs, runs of simple characters in a font that kerns them only in pairs are
  // composed from widths of characters and pairs shaped once, and simple characters the own face
  // maps skip the fallback search (the same widths, fewer calls).
  explicit UniscribeMeasurer(bool composePairs = true);
  ~UniscribeMeasurer() override;
  UniscribeMeasurer(const UniscribeMeasurer&) = delete;
  UniscribeMeasurer& operator=(const UniscribeMeasurer&) = delete;

  // Fills the advances, cluster starts, ascent and descent of the run in the font.
  void Measure(const FontSpec& font, std::u16string_view run, RunMetrics& out) override;
  // The levels Uniscribe's itemizer resolves for the paragraph at the base level.
  void BidiLevels(std::u16string_view paragraph, std::uint8_t baseLevel, std::vector<std::uint8_t>& levels) override;
  // The visual order ScriptLayout gives for the levels.
  std::vector<int> VisualOrder(const std::vector<std::uint8_t>& levels) override;

  // False when every item of the run measured last was composed from pairs.
  bool LastRunWorthCaching() const override;
  // How many items were composed from pairs instead of shaped.
  std::size_t ComposedItems() const;
  // Drops the cached fonts (after the installed fonts changed).
  void ClearFonts();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// The platform's font record of a font change, its sizes taken as logical units.
LOGFONTW ToLogFont(const FontSpec& font);

// The shared-font description of a font change, its height and width multiplied by scale (device
// pixels per logical unit); a non-zero height never rounds to the default size.
FontUtil::FontDesc ToFontDesc(const FontSpec& font, double scale = 1.0);

}  // namespace TextBlock
