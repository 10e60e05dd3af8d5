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

Line MakeLine(const Paragraph& p, const Measured& m, std::size_t index, std::size_t begin, std::size_t end, bool wrapping) {
  Line line;
  line.paragraph = index;
  line.begin = begin;
  line.end = end;
  std::size_t contentEnd = end;
  if (wrapping)
    while (contentEnd > begin && IsHangingSpace(p.text[contentEnd - 1])) --contentEnd;
  line.width = m.prefix[contentEnd] - m.prefix[begin];
  double ascent = 0, descent = 0;
  for (std::size_t r = 0; r < p.runs.size(); ++r) {
    const std::size_t runBegin = p.runs[r].begin;
    const std::size_t runEnd = r + 1 < p.runs.size() ? p.runs[r + 1].begin : p.text.size();
    const bool holdsEmptyLine = begin == end && runBegin <= begin && (begin < runEnd || r + 1 == p.runs.size());
    const std::size_t b = std::max(begin, runBegin), e = std::min(end, runEnd);
    if (b >= e && !holdsEmptyLine) continue;
    ascent = std::max(ascent, m.runs[r].ascent);
    descent = std::max(descent, m.runs[r].descent);
    if (b < e) line.runs.push_back({b, e, p.runs[r].font, m.prefix[b] - m.prefix[begin], m.prefix[e] - m.prefix[b]});
    if (holdsEmptyLine) break;
  }
  line.ascent = ascent;
  line.height = ascent + descent;
  return line;
}

double AlignOffset(std::int32_t alignment, double room) {
  if (alignment == 2) return room / 2;
  if (alignment == 3) return room;
  return 0;
}

}  // namespace

std::int32_t RoundHalfUp(double value) { return static_cast<std::int32_t>(std::floor(value + 0.5)); }

Layout LayoutParagraphs(std::vector<Paragraph> paragraphs, const TextStyle& style, Extent area, IMeasurer& measurer) {
  Layout layout;
  layout.paragraphs = std::move(paragraphs);
  const bool wrapping = style.sizing == SizingWrap;
  double widest = 0, height = 0;
  for (std::size_t index = 0; index < layout.paragraphs.size(); ++index) {
    const Paragraph& p = layout.paragraphs[index];
    const Measured m = MeasureParagraph(p, measurer);
    std::vector<std::size_t> ends{p.text.size()};
    if (wrapping) ends = WrapLines(p, m, area.width);
    std::size_t begin = 0;
    for (std::size_t end : ends) {
      Line line = MakeLine(p, m, index, begin, end, wrapping);
      widest = std::max(widest, line.width);
      line.y = height;
      height += line.height;
      layout.lines.push_back(std::move(line));
      begin = end;
    }
  }
  layout.textSize = {wrapping ? area.width : RoundHalfUp(widest), RoundHalfUp(height)};
  const bool own = style.sizing == SizingOwnExtent;
  layout.usedSize.width = own || layout.textSize.width > area.width ? layout.textSize.width : area.width;
  layout.usedSize.height = own || layout.textSize.height > area.height ? layout.textSize.height : area.height;
  const double top = AlignOffset(style.verticalAlignment, layout.usedSize.height - layout.textSize.height);
  for (Line& line : layout.lines) {
    line.x = AlignOffset(style.horizontalAlignment, layout.usedSize.width - line.width);
    line.y += top;
  }
  return layout;
}

}  // namespace TextBlock
