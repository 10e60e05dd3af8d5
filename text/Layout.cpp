#include "text/Layout.h"

#include <algorithm>
#include <cmath>

#include "text/LineBreak.h"

namespace TextBlock {

namespace {

constexpr double kTolerance = 1e-6;

bool IsHangingSpace(char16_t c) { return c == u' ' || c == u'\t'; }

// A paragraph's measures, concatenated over its font runs.
struct Measured {
  std::vector<double> prefix;  // prefix[i]: width of units [0, i)
  std::vector<bool> clusterStarts;
  std::vector<RunMetrics> runs;
};

Measured MeasureParagraph(const Paragraph& p, IMeasurer& measurer) {
  Measured m;
  m.prefix.reserve(p.text.size() + 1);
  m.prefix.assign(1, 0.0);
  m.clusterStarts.reserve(p.text.size());
  m.runs.resize(p.runs.size());
  for (std::size_t r = 0; r < p.runs.size(); ++r) {
    const std::size_t begin = p.runs[r].begin;
    const std::size_t end = r + 1 < p.runs.size() ? p.runs[r + 1].begin : p.text.size();
    RunMetrics& metrics = m.runs[r];
    measurer.Measure(*p.runs[r].font, std::u16string_view(p.text).substr(begin, end - begin), metrics);
    metrics.advances.resize(end - begin, 0.0);
    metrics.clusterStarts.resize(end - begin, true);
    for (std::size_t i = 0; i < end - begin; ++i) {
      m.prefix.push_back(m.prefix.back() + metrics.advances[i]);
      m.clusterStarts.push_back(i == 0 || metrics.clusterStarts[i]);
    }
  }
  return m;
}

// Where to cut a line that overflows at unit i when no break opportunity lies before it.
std::size_t CutInsideWord(const Measured& m, std::size_t start, std::size_t i) {
  for (std::size_t c = i; c > start; --c)
    if (m.clusterStarts[c]) return c;
  std::size_t c = start + 1;  // at least one whole cluster per line
  while (c < m.clusterStarts.size() && !m.clusterStarts[c]) ++c;
  return c;
}

// The ends of the lines of a paragraph wrapped at the width.
std::vector<std::size_t> WrapLines(const Paragraph& p, const Measured& m, double width) {
  const std::vector<BreakAction> actions = FindLineBreaks(p.text);
  const std::size_t n = p.text.size();
  std::vector<std::size_t> ends;
  std::size_t start = 0;
  do {
    std::size_t end = n, lastBreak = 0;
    for (std::size_t i = start; i < n; ++i) {
      if (i > start && actions[i] == BreakAction::Mandatory) { end = i; break; }
      if (i > start && actions[i] == BreakAction::Allowed) lastBreak = i;
      if (IsHangingSpace(p.text[i]) || i == start) continue;
      if (m.prefix[i + 1] - m.prefix[start] > width + kTolerance) {
        end = lastBreak > start ? lastBreak : CutInsideWord(m, start, i);
        break;
      }
    }
    ends.push_back(end);
    start = end;
  } while (start < n);
  return ends;
}

// Strong direction of a unit: 'R' right to left, 'L' left to right, 'N' neutral or weak.
char StrongDirection(char16_t c) {
  if ((c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z')) return 'L';
  if (c < 0xC0 || c == 0xD7 || c == 0xF7 || (c >= 0x2B0 && c < 0x370)) return 'N';
  if (c >= 0x590 && c < 0x900) {
    const bool mark = (c >= 0x591 && c <= 0x5BD) || (c >= 0x610 && c <= 0x61A) || (c >= 0x64B && c <= 0x669) ||
                      (c >= 0x6D6 && c <= 0x6ED) || (c >= 0x6F0 && c <= 0x6F9);
    return mark ? 'N' : 'R';
  }
  if ((c >= 0xFB1D && c < 0xFE00) || (c >= 0xFE70 && c < 0xFF00)) return 'R';
  const bool neutral = (c >= 0x2000 && c < 0x2C00) || (c >= 0x3000 && c < 0x3040) || (c >= 0xFE00 && c < 0xFE70) ||
                       (c >= 0xFF00 && c < 0xFF21) || c >= 0xFFF0;
  return neutral ? 'N' : 'L';
}

// The paragraph's units [begin, end) of one font run and one level, with their advances.
LineRun MakeRun(const Measured& m, const FontPtr& font, std::size_t b, std::size_t e, std::uint8_t level) {
  LineRun run{b, e, font, 0, m.prefix[e] - m.prefix[b], level, {}};
  run.advances.reserve(e - b);
  for (std::size_t i = b; i < e; ++i) run.advances.push_back(m.prefix[i + 1] - m.prefix[i]);
  return run;
}

// Splits [b, e) of one font run where the levels change and appends the pieces in logical order.
void AppendRuns(std::vector<LineRun>& runs, const Measured& m, const FontPtr& font, std::size_t b, std::size_t e,
                const std::vector<std::uint8_t>& levels) {
  while (b < e) {
    std::size_t next = b + 1;
    while (next < e && levels[next] == levels[b]) ++next;
    runs.push_back(MakeRun(m, font, b, next, levels[b]));
    b = next;
  }
}

// Puts the runs in visual order and gives each its left edge.
void PlaceRuns(std::vector<LineRun>& runs, IMeasurer& measurer) {
  std::vector<std::uint8_t> levels;
  for (const LineRun& run : runs) levels.push_back(run.level);
  std::vector<int> order = measurer.VisualOrder(levels);
  if (order.size() != runs.size()) order = ReorderByLevels(levels);
  std::vector<LineRun> visual;
  visual.reserve(runs.size());
  double x = 0;
  for (int i : order) {
    visual.push_back(std::move(runs[i]));
    visual.back().x = x;
    x += visual.back().width;
  }
  runs = std::move(visual);
}

// A paragraph with its measures and bidi levels, ready to be cut into lines.
struct Prepared {
  const Paragraph& p;
  const Measured& m;
  std::vector<std::uint8_t> levels;
  std::uint8_t base = 0;
};

// Calls visit(r, b, e) for each font run r of the paragraph that the line [begin, end) crosses, with
// the part [b, e) inside the line; an empty line visits the one run that holds it.
template <typename F>
void ForRunsOfLine(const Paragraph& p, std::size_t begin, std::size_t end, F&& visit) {
  for (std::size_t r = 0; r < p.runs.size(); ++r) {
    const std::size_t runBegin = p.runs[r].begin;
    const std::size_t runEnd = r + 1 < p.runs.size() ? p.runs[r + 1].begin : p.text.size();
    const bool holdsEmptyLine = begin == end && runBegin <= begin && (begin < runEnd || r + 1 == p.runs.size());
    const std::size_t b = std::max(begin, runBegin), e = std::min(end, runEnd);
    if (b >= e && !holdsEmptyLine) continue;
    visit(r, b, e);
    if (holdsEmptyLine) break;
  }
}

// The measures of one line: its width and the highest ascent and descent of the runs it crosses.
struct LineExtent {
  std::size_t contentEnd = 0;  // the end without the spaces a wrapped line ends in
  double width = 0;
  double ascent = 0;
  double descent = 0;
};

LineExtent MeasureLine(const Paragraph& p, const Measured& m, std::size_t begin, std::size_t end, bool wrapping) {
  LineExtent extent;
  extent.contentEnd = end;
  if (wrapping)
    while (extent.contentEnd > begin && IsHangingSpace(p.text[extent.contentEnd - 1])) --extent.contentEnd;
  extent.width = m.prefix[extent.contentEnd] - m.prefix[begin];
  ForRunsOfLine(p, begin, end, [&](std::size_t r, std::size_t, std::size_t) {
    extent.ascent = std::max(extent.ascent, m.runs[r].ascent);
    extent.descent = std::max(extent.descent, m.runs[r].descent);
  });
  return extent;
}

// The one line of a paragraph that is not wrapped, measured as MeasureParagraph and MeasureLine
// together give it without keeping the measures of its units: the width sums the advances in the
// same order, and the ascent and descent are those of the runs the line crosses.
LineExtent MeasureUnwrapped(const Paragraph& p, IMeasurer& measurer, RunMetrics& metrics) {
  LineExtent extent;
  extent.contentEnd = p.text.size();
  for (std::size_t r = 0; r < p.runs.size(); ++r) {
    const std::size_t begin = p.runs[r].begin;
    const std::size_t end = r + 1 < p.runs.size() ? p.runs[r + 1].begin : p.text.size();
    metrics.advances.clear();  // as fresh as the measures MeasureParagraph gives each run
    metrics.clusterStarts.clear();
    metrics.ascent = metrics.descent = 0;
    measurer.Measure(*p.runs[r].font, std::u16string_view(p.text).substr(begin, end - begin), metrics);
    for (std::size_t i = 0; i < end - begin; ++i)
      extent.width += i < metrics.advances.size() ? metrics.advances[i] : 0.0;
    // An empty paragraph's line lies in its last run.
    if (begin < end || (p.text.empty() && r + 1 == p.runs.size())) {
      extent.ascent = std::max(extent.ascent, metrics.ascent);
      extent.descent = std::max(extent.descent, metrics.descent);
    }
  }
  return extent;
}

Line MakeLine(const Prepared& prep, IMeasurer& measurer, std::size_t index, std::size_t begin, std::size_t end,
              bool wrapping) {
  const Paragraph& p = prep.p;
  const LineExtent extent = MeasureLine(p, prep.m, begin, end, wrapping);
  Line line;
  line.paragraph = index;
  line.begin = begin;
  line.end = end;
  line.width = extent.width;
  // Spaces at the line's end read in the paragraph's direction (rule L1); hanging ones are not drawn.
  std::vector<std::uint8_t> levels = prep.levels;
  for (std::size_t i = end; i > begin && IsHangingSpace(p.text[i - 1]); --i) levels[i - 1] = prep.base;
  ForRunsOfLine(p, begin, end, [&](std::size_t r, std::size_t b, std::size_t e) {
    AppendRuns(line.runs, prep.m, p.runs[r].font, b, std::min(e, extent.contentEnd), levels);
  });
  PlaceRuns(line.runs, measurer);
  line.ascent = extent.ascent;
  line.height = extent.ascent + extent.descent;
  return line;
}

// The text size of lines as wide as the widest and as high as all together, and the used size the
// style's sizing makes of it in the area.
struct Sizes {
  Extent text;
  Extent used;
};
Sizes SizesOf(const TextStyle& style, Extent area, double widest, double height) {
  const bool wrapping = style.sizing == SizingWrap;
  Sizes sizes;
  sizes.text = {wrapping ? area.width : RoundHalfUp(widest), RoundHalfUp(height)};
  const bool own = style.sizing == SizingOwnExtent;
  sizes.used.width = own || sizes.text.width > area.width ? sizes.text.width : area.width;
  sizes.used.height = own || sizes.text.height > area.height ? sizes.text.height : area.height;
  return sizes;
}

// The ends of the lines of a measured paragraph.
std::vector<std::size_t> LineEnds(const Paragraph& p, const Measured& m, bool wrapping, Extent area) {
  if (wrapping) return WrapLines(p, m, area.width);
  return {p.text.size()};
}

double AlignOffset(std::int32_t alignment, double room) {
  if (alignment == 2) return room / 2;
  if (alignment == 3) return room;
  return 0;
}

}  // namespace

void IMeasurer::BidiLevels(std::u16string_view text, std::uint8_t base, std::vector<std::uint8_t>& levels) {
  const std::uint8_t rtl = base % 2 ? base : base + 1, ltr = base % 2 ? base + 1 : base;
  levels.assign(text.size(), base);
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char d = StrongDirection(text[i]);
    if (d == 'R') levels[i] = rtl;
    else if (d == 'L' || (base % 2 && text[i] >= u'0' && text[i] <= u'9')) levels[i] = ltr;
  }
  // Neutrals between two letters of one direction take that direction.
  for (std::size_t i = 0; i < text.size();) {
    if (StrongDirection(text[i]) != 'N' || i == 0) { ++i; continue; }
    std::size_t j = i;
    while (j < text.size() && StrongDirection(text[j]) == 'N' && !(text[j] >= u'0' && text[j] <= u'9')) ++j;
    if (j < text.size() && levels[i - 1] == levels[j])
      for (std::size_t k = i; k < j; ++k) levels[k] = levels[j];
    i = j + (j == i);
  }
}

std::vector<int> IMeasurer::VisualOrder(const std::vector<std::uint8_t>& levels) { return ReorderByLevels(levels); }

std::uint8_t BaseLevel(std::u16string_view text) {
  for (char16_t c : text) {
    const char d = StrongDirection(c);
    if (d != 'N') return d == 'R' ? 1 : 0;
  }
  return 0;
}

std::vector<int> ReorderByLevels(const std::vector<std::uint8_t>& levels) {
  std::vector<int> order(levels.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int>(i);
  if (levels.empty()) return order;
  const std::uint8_t highest = *std::max_element(levels.begin(), levels.end());
  std::uint8_t lowestOdd = *std::min_element(levels.begin(), levels.end());
  if (lowestOdd % 2 == 0) ++lowestOdd;
  for (int level = highest; level >= lowestOdd; --level)
    for (std::size_t i = 0; i < order.size();) {
      if (levels[order[i]] < level) { ++i; continue; }
      std::size_t j = i;
      while (j < order.size() && levels[order[j]] >= level) ++j;
      std::reverse(order.begin() + i, order.begin() + j);
      i = j;
    }
  return order;
}

std::int32_t RoundHalfUp(double value) { return static_cast<std::int32_t>(std::floor(value + 0.5)); }

Layout LayoutParagraphs(std::vector<Paragraph> paragraphs, const TextStyle& style, Extent area, IMeasurer& measurer) {
  Layout layout;
  layout.paragraphs = std::move(paragraphs);
  const bool wrapping = style.sizing == SizingWrap;
  double widest = 0, height = 0;
  for (std::size_t index = 0; index < layout.paragraphs.size(); ++index) {
    const Paragraph& p = layout.paragraphs[index];
    const Measured m = MeasureParagraph(p, measurer);
    std::size_t begin = 0;
    Prepared prep{p, m, {}, BaseLevel(p.text)};
    measurer.BidiLevels(p.text, prep.base, prep.levels);
    prep.levels.resize(p.text.size(), prep.base);
    for (std::size_t end : LineEnds(p, m, wrapping, area)) {
      Line line = MakeLine(prep, measurer, index, begin, end, wrapping);
      widest = std::max(widest, line.width);
      line.y = height;
      height += line.height;
      layout.lines.push_back(std::move(line));
      begin = end;
    }
  }
  const Sizes sizes = SizesOf(style, area, widest, height);
  layout.textSize = sizes.text;
  layout.usedSize = sizes.used;
  const double top = AlignOffset(style.verticalAlignment, layout.usedSize.height - layout.textSize.height);
  for (Line& line : layout.lines) {
    line.x = AlignOffset(style.horizontalAlignment, layout.usedSize.width - line.width);
    line.y += top;
  }
  return layout;
}

Extent MeasureParagraphs(const std::vector<Paragraph>& paragraphs, const TextStyle& style, Extent area,
                         IMeasurer& measurer) {
  const bool wrapping = style.sizing == SizingWrap;
  double widest = 0, height = 0;
  RunMetrics metrics;
  for (const Paragraph& p : paragraphs) {
    if (!wrapping) {
      const LineExtent extent = MeasureUnwrapped(p, measurer, metrics);
      widest = std::max(widest, extent.width);
      height += extent.ascent + extent.descent;
      continue;
    }
    const Measured m = MeasureParagraph(p, measurer);
    std::size_t begin = 0;
    for (std::size_t end : LineEnds(p, m, wrapping, area)) {
      const LineExtent extent = MeasureLine(p, m, begin, end, wrapping);
      widest = std::max(widest, extent.width);
      height += extent.ascent + extent.descent;
      begin = end;
    }
  }
  return SizesOf(style, area, widest, height).used;
}

}  // namespace TextBlock
