#pragma once
// Platform-free layout of a rich text into lines, behind a measuring interface.
#include <cstdint>
#include <string_view>
#include <vector>

#include "text/Content.h"

namespace TextBlock {

// The measures of one run of one font; lengths in model units (0.01 mm).
struct RunMetrics {
  std::vector<double> advances;     // per UTF-16 unit; a cluster's whole advance lies on its first unit
  std::vector<bool> clusterStarts;  // per unit: a line may be cut before it when a word must be broken
  double ascent = 0;                // above the baseline
  double descent = 0;               // below the baseline
};

// Measures runs of text in a font; the platform gives one over its script shaping.
class IMeasurer {
 public:
  virtual ~IMeasurer() = default;
  // Fills out for the run (which may be empty: then only the font's ascent and descent).
  virtual void Measure(const FontSpec& font, std::u16string_view run, RunMetrics& out) = 0;
  // Fills one bidi embedding level per unit of the paragraph (odd: right to left) at the base level;
  // this default knows only the strong letters of the right-to-left blocks.
  virtual void BidiLevels(std::u16string_view paragraph, std::uint8_t baseLevel, std::vector<std::uint8_t>& levels);
  // The visual order (left to right) of consecutive pieces of a line with these levels, as indices.
  virtual std::vector<int> VisualOrder(const std::vector<std::uint8_t>& levels);
  // Whether the run measured last costs more to measure again than to look up in a cache.
  virtual bool LastRunWorthCaching() const { return true; }
};

// A width and a height in model units.
struct Extent {
  std::int32_t width = 0;
  std::int32_t height = 0;
  friend bool operator==(const Extent&, const Extent&) = default;
};

// The part of one line in one font and one direction; a line's runs are in visual order.
struct LineRun {
  std::size_t begin = 0;  // units of the paragraph
  std::size_t end = 0;
  FontPtr font;
  double x = 0;      // left edge, from the line's start
  double width = 0;
  std::uint8_t level = 0;        // bidi embedding level: odd runs read right to left
  std::vector<double> advances;  // per unit, logical order; a cluster's advance on its first unit
};

// One laid-out line: a range of one paragraph, placed within the used size (y downward from the origin).
struct Line {
  std::size_t paragraph = 0;
  std::size_t begin = 0;
  std::size_t end = 0;
  double x = 0;
  double y = 0;       // top of the line
  double width = 0;   // without the spaces a wrapped line ends in
  double height = 0;
  double ascent = 0;  // from the top to the baseline
  std::vector<LineRun> runs;
};

// The result of laying out a text in an area.
struct Layout {
  std::vector<Paragraph> paragraphs;
  std::vector<Line> lines;
  Extent textSize;  // widest paragraph (the area width when wrapping) and sum of line heights, rounded
  Extent usedSize;  // by the sizing rule
};

// Lays the paragraphs out in the area by the style's sizing and alignment words.
Layout LayoutParagraphs(std::vector<Paragraph> paragraphs, const TextStyle& style, Extent area, IMeasurer& measurer);

// The used size LayoutParagraphs gives the paragraphs, measured without making their lines.
Extent MeasureParagraphs(const std::vector<Paragraph>& paragraphs, const TextStyle& style, Extent area,
                         IMeasurer& measurer);

// The paragraph's base bidi level: 1 when its first strong letter reads right to left, else 0.
std::uint8_t BaseLevel(std::u16string_view paragraph);

// The visual order of pieces with these bidi levels by reversing every sequence at or above each
// odd-or-higher level, from the highest level down (rule L2 of the bidi algorithm).
std::vector<int> ReorderByLevels(const std::vector<std::uint8_t>& levels);

// Rounds to the nearest integer, halves up.
std::int32_t RoundHalfUp(double value);

}  // namespace TextBlock
