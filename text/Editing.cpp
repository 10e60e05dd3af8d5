#include "text/Editing.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace TextBlock {

namespace {

bool IsHigh(char16_t c) { return c >= 0xD800 && c < 0xDC00; }
bool IsLow(char16_t c) { return c >= 0xDC00 && c < 0xE000; }
bool IsChar(const Item& i) { return i.kind == ItemKind::Character; }
bool IsFont(const Item& i) { return i.kind == ItemKind::FontChange; }
bool IsBreak(const Item& i) { return i.kind == ItemKind::ParagraphStart; }
bool IsBlank(const Item& i) { return IsChar(i) && (i.unit == u' ' || i.unit == u'\t' || i.unit == 0x3000); }
bool IsWordChar(const Item& i) { return IsChar(i) && !IsBlank(i); }

// The caret x of a unit on a line: before the unit's character, or after the line's last one.
double CaretX(const Line& line, std::size_t unit) {
  for (const LineRun& run : line.runs) {
    if (unit < run.begin || unit >= run.end) continue;
    double offset = 0;
    for (std::size_t u = run.begin; u < unit && u - run.begin < run.advances.size(); ++u) offset += run.advances[u - run.begin];
    return line.x + ((run.level & 1) ? run.x + run.width - offset : run.x + offset);
  }
  for (const LineRun& run : line.runs)
    if (run.end == unit && run.begin < run.end) return line.x + ((run.level & 1) ? run.x : run.x + run.width);
  return line.x;
}

// Whether the place lies on the line (the end of a line counts only for the last one of a paragraph).
bool OnLine(const Layout& layout, std::size_t index, TextPos place) {
  const Line& line = layout.lines[index];
  if (line.paragraph != place.paragraph || place.unit < line.begin || place.unit > line.end) return false;
  const bool last = index + 1 == layout.lines.size() || layout.lines[index + 1].paragraph != line.paragraph;
  return place.unit < line.end || last || line.begin == line.end;
}

std::size_t LineOf(const Layout& layout, TextPos place) {
  for (std::size_t i = 0; i < layout.lines.size(); ++i)
    if (OnLine(layout, i, place)) return i;
  return layout.lines.empty() ? 0 : layout.lines.size() - 1;
}

// The unit of the line whose caret x lies nearest to x.
TextPos Nearest(const Layout& layout, std::size_t index, double x) {
  const Line& line = layout.lines[index];
  const bool last = index + 1 == layout.lines.size() || layout.lines[index + 1].paragraph != line.paragraph;
  const std::size_t end = last || line.end == line.begin ? line.end : line.end - 1;
  const std::u16string& chars = layout.paragraphs[line.paragraph].text;
  TextPos best{line.paragraph, line.begin};
  double bestDistance = std::numeric_limits<double>::max();
  for (std::size_t u = line.begin; u <= end; ++u) {
    if (u < chars.size() && IsLow(chars[u]) && u > 0 && IsHigh(chars[u - 1])) continue;
    const double d = std::fabs(CaretX(line, u) - x);
    if (d < bestDistance) {
      bestDistance = d;
      best.unit = u;
    }
  }
  return best;
}

}  // namespace

std::size_t NextPosition(const Content& content, std::size_t pos) {
  const auto& items = content.Items();
  std::size_t p = pos;
  while (p < items.size() && IsFont(items[p])) ++p;
  if (p >= items.size()) return items.size();
  if (IsChar(items[p]) && IsHigh(items[p].unit) && p + 1 < items.size() && IsChar(items[p + 1]) &&
      IsLow(items[p + 1].unit))
    return p + 2;
  return p + 1;
}

std::size_t PreviousPosition(const Content& content, std::size_t pos) {
  const auto& items = content.Items();
  std::size_t p = std::min(pos, items.size());
  while (p > 0 && IsFont(items[p - 1])) --p;
  if (p == 0) return 0;
  --p;
  if (IsChar(items[p]) && IsLow(items[p].unit) && p > 0 && IsChar(items[p - 1]) && IsHigh(items[p - 1].unit)) --p;
  return p;
}

std::size_t ParagraphBegin(const Content& content, std::size_t pos) {
  const auto& items = content.Items();
  std::size_t p = std::min(pos, items.size());
  while (p > 0 && !IsBreak(items[p - 1])) --p;
  return p;
}

std::size_t ParagraphEnd(const Content& content, std::size_t pos) {
  const auto& items = content.Items();
  std::size_t p = pos;
  while (p < items.size() && !IsBreak(items[p])) ++p;
  return p;
}

std::size_t PreviousWord(const Content& content, std::size_t pos) {
  const auto& items = content.Items();
  std::size_t p = PreviousPosition(content, pos);
  if (p < items.size() && IsBreak(items[p])) return p;
  while (p > 0 && p < items.size() && IsBlank(items[p])) p = PreviousPosition(content, p);
  for (;;) {
    const std::size_t q = PreviousPosition(content, p);
    if (q == p || q >= items.size() || !IsWordChar(items[q]) || !IsWordChar(items[p])) return p;
    p = q;
  }
}

std::size_t NextWord(const Content& content, std::size_t pos) {
  const auto& items = content.Items();
  std::size_t p = pos;
  while (p < items.size() && IsFont(items[p])) ++p;
  if (p >= items.size()) return items.size();
  if (IsBreak(items[p])) return p + 1;
  while (p < items.size() && (IsWordChar(items[p]) || IsFont(items[p]))) ++p;
  while (p < items.size() && (IsBlank(items[p]) || IsFont(items[p]))) ++p;
  return p;
}

std::size_t ReplaceRange(Content& content, std::size_t begin, std::size_t end, std::u16string_view text) {
  const auto& items = content.Items();
  end = std::min(end, items.size());
  begin = std::min(begin, end);
  std::vector<Item> head(items.begin(), items.begin() + std::ptrdiff_t(begin));
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c == u'\r' || c == u'\n' || c == 0x2028 || c == 0x2029) {
      if (c == u'\n' && i > 0 && text[i - 1] == u'\r') continue;
      head.push_back(Item::ParagraphStart());
    } else {
      head.push_back(Item::Character(c));
    }
  }
  Content front;
  front.SetItems(std::move(head));  // leaves out what a document cannot carry
  std::vector<Item> all = front.Items();
  const std::size_t caret = all.size();
  for (std::size_t i = begin; i < end; ++i)
    if (IsFont(items[i])) all.push_back(items[i]);
  all.insert(all.end(), items.begin() + std::ptrdiff_t(end), items.end());
  content.SetItems(std::move(all));
  return std::min(caret, content.Items().size());
}

std::u16string RangeText(const Content& content, std::size_t begin, std::size_t end) {
  const auto& items = content.Items();
  std::u16string out;
  for (std::size_t i = begin; i < end && i < items.size(); ++i) {
    if (IsChar(items[i])) out.push_back(items[i].unit);
    else if (IsBreak(items[i])) out += u"\r\n";
  }
  return out;
}

TextPos ToTextPos(const Content& content, std::size_t pos) {
  const auto& items = content.Items();
  TextPos place;
  for (std::size_t i = 0; i < pos && i < items.size(); ++i) {
    if (IsBreak(items[i])) {
      ++place.paragraph;
      place.unit = 0;
    } else if (IsChar(items[i])) {
      ++place.unit;
    }
  }
  return place;
}

std::size_t FromTextPos(const Content& content, TextPos place) {
  const auto& items = content.Items();
  std::size_t i = 0, paragraph = 0;
  while (paragraph < place.paragraph && i < items.size())
    if (IsBreak(items[i++])) ++paragraph;
  std::size_t unit = 0;
  for (; i < items.size() && !IsBreak(items[i]); ++i) {
    if (!IsChar(items[i])) continue;
    if (unit == place.unit) return i;
    ++unit;
  }
  return i;
}

CaretPlace PlaceCaret(const Layout& layout, TextPos place) {
  CaretPlace caret;
  if (layout.lines.empty()) return caret;
  const std::size_t index = LineOf(layout, place);
  const Line& line = layout.lines[index];
  caret.line = index;
  caret.top = line.y;
  caret.height = line.height;
  caret.x = CaretX(line, std::clamp(place.unit, line.begin, line.end));
  return caret;
}

TextPos HitTest(const Layout& layout, double x, double y) {
  if (layout.lines.empty()) return {};
  std::size_t index = layout.lines.size() - 1;
  for (std::size_t i = 0; i < layout.lines.size(); ++i)
    if (y < layout.lines[i].y + layout.lines[i].height) {
      index = i;
      break;
    }
  return Nearest(layout, index, x);
}

TextPos LineStep(const Layout& layout, TextPos place, double x, int delta) {
  if (layout.lines.empty()) return place;
  const std::ptrdiff_t target = std::ptrdiff_t(LineOf(layout, place)) + delta;
  if (target < 0 || target >= std::ptrdiff_t(layout.lines.size())) return place;
  return Nearest(layout, std::size_t(target), x);
}

TextPos LineBegin(const Layout& layout, TextPos place) {
  if (layout.lines.empty()) return place;
  return {place.paragraph, layout.lines[LineOf(layout, place)].begin};
}

TextPos LineEnd(const Layout& layout, TextPos place) {
  if (layout.lines.empty()) return place;
  const std::size_t index = LineOf(layout, place);
  const Line& line = layout.lines[index];
  const bool last = index + 1 == layout.lines.size() || layout.lines[index + 1].paragraph != line.paragraph;
  return {place.paragraph, last || line.end == line.begin ? line.end : line.end - 1};
}

std::vector<SelectionRect> SelectionRects(const Layout& layout, TextPos begin, TextPos end) {
  std::vector<SelectionRect> rects;
  for (const Line& line : layout.lines) {
    if (line.paragraph < begin.paragraph || line.paragraph > end.paragraph) continue;
    const std::size_t from = std::max(line.begin, line.paragraph == begin.paragraph ? begin.unit : 0);
    const bool toEnd = line.paragraph < end.paragraph;
    const std::size_t to = std::min(line.end, toEnd ? line.end : end.unit);
    if (from > to || (from == to && !(toEnd && to == line.end))) continue;
    double a = CaretX(line, from), b = CaretX(line, to);
    if (a > b) std::swap(a, b);
    if (toEnd && to == line.end) b += line.height / 4;  // the paragraph start
    rects.push_back({a, line.y, b, line.y + line.height});
  }
  return rects;
}

}  // namespace TextBlock
