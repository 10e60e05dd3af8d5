#include "text/LineBreak.h"

#include <algorithm>

#include "text/LineBreakTable.h"

namespace TextBlock {

namespace {

using C = LineBreakClass;

// Whether c is one of the set; sets of classes are bit masks, folded at compile time.
constexpr bool In(C c, std::initializer_list<C> set) {
  std::uint64_t bits = 0;
  for (C member : set) bits |= std::uint64_t{1} << static_cast<unsigned>(member);
  return (bits >> static_cast<unsigned>(c)) & 1u;
}

// Classes resolved before pairing: ambiguous, surrogate and unknown characters count as
// alphabetic, conditional Japanese starters as non-starters.
C Resolve(C c) {
  switch (c) {
    case C::AI: case C::SG: case C::XX: case C::SA: return C::AL;
    case C::CJ: return C::NS;
    default: return c;
  }
}

bool IsHardBreak(C c) { return In(c, {C::BK, C::CR, C::LF, C::NL}); }

// A character with the combining marks and joiners that follow it, as the pair rules see it.
struct Cell {
  std::size_t unit = 0;  // index of its first UTF-16 unit
  C cls = C::XX;
  bool wide = false;
  bool pictographicUnassigned = false;
  bool endsWithZwj = false;  // its last code point is a zero width joiner
};

// The classes before a candidate position that the pair rules look at.
struct Context {
  const Cell* prev = nullptr;
  C beforeSp = C::XX;       // class of the last cell before the run of spaces ending at prev
  C prevPrev = C::XX;       // class of the cell before prev
  C next = C::XX;           // class of the cell after the candidate's
  int riRun = 0;            // regional indicators ending at prev
  bool inNumber = false;    // prev ends a sequence NU (NU | SY | IS)*
  bool closesNumber = false;  // prev is CL or CP after such a sequence
};

bool HangulPair(C a, C b) {
  if (a == C::JL && In(b, {C::JL, C::JV, C::H2, C::H3})) return true;
  if (In(a, {C::JV, C::H2}) && In(b, {C::JV, C::JT})) return true;
  if (In(a, {C::JT, C::H3}) && b == C::JT) return true;
  const bool korean = In(a, {C::JL, C::JV, C::JT, C::H2, C::H3});
  if (korean && b == C::PO) return true;
  return a == C::PR && In(b, {C::JL, C::JV, C::JT, C::H2, C::H3});
}

// Numbers in their regular-expression form (PR | PO)? (OP | HY)? NU (NU | SY | IS)* (CL | CP)? (PR | PO)?
// are kept together.
bool InsideNumber(const Context& x, C b) {
  const C a = x.prev->cls;
  if (In(a, {C::PR, C::PO}) && (b == C::NU || (In(b, {C::OP, C::HY}) && x.next == C::NU))) return true;
  if (In(a, {C::OP, C::HY}) && b == C::NU) return true;
  if (x.inNumber && In(b, {C::NU, C::SY, C::IS, C::CL, C::CP})) return true;
  return (x.inNumber || x.closesNumber) && In(b, {C::PO, C::PR});
}

// The rules after spaces and quotation are settled: may the line break between prev and b?
bool LaterRulesAllowBreak(const Context& x, const Cell& next) {
  const C a = x.prev->cls, b = next.cls;
  if (In(b, {C::BA, C::HY, C::NS}) || a == C::BB) return false;
  if (In(a, {C::HY, C::BA}) && x.prevPrev == C::HL) return false;
  if (a == C::SY && b == C::HL) return false;
  if (b == C::IN_) return false;
  const bool letterA = In(a, {C::AL, C::HL}), letterB = In(b, {C::AL, C::HL});
  if ((letterA && b == C::NU) || (a == C::NU && letterB)) return false;
  if (a == C::PR && In(b, {C::ID, C::EB, C::EM})) return false;
  if (In(a, {C::ID, C::EB, C::EM}) && b == C::PO) return false;
  if ((In(a, {C::PR, C::PO}) && letterB) || (letterA && In(b, {C::PR, C::PO}))) return false;
  if (InsideNumber(x, b) || HangulPair(a, b)) return false;
  if (letterA && letterB) return false;
  if (a == C::IS && letterB) return false;
  // Brackets hold letters and digits, except the wide brackets of East Asian text.
  if (In(a, {C::AL, C::HL, C::NU}) && b == C::OP && !next.wide) return false;
  if (a == C::CP && !x.prev->wide && In(b, {C::AL, C::HL, C::NU})) return false;
  if (a == C::RI && b == C::RI && x.riRun % 2 == 1) return false;
  if ((a == C::EB || x.prev->pictographicUnassigned) && b == C::EM) return false;
  return true;
}

BreakAction Decide(const Context& x, const Cell& next) {
  const C a = x.prev->cls, b = next.cls;
  const C base = a == C::SP ? x.beforeSp : a;
  if (a == C::BK || a == C::LF || a == C::NL) return BreakAction::Mandatory;
  if (a == C::CR) return b == C::LF ? BreakAction::None : BreakAction::Mandatory;
  if (IsHardBreak(b) || b == C::SP || b == C::ZW) return BreakAction::None;
  if (base == C::ZW) return BreakAction::Allowed;
  if (x.prev->endsWithZwj) return BreakAction::None;
  if (b == C::WJ || a == C::WJ || a == C::GL) return BreakAction::None;
  if (b == C::GL && !In(a, {C::SP, C::BA, C::HY})) return BreakAction::None;
  if (In(b, {C::CL, C::CP, C::EX, C::IS, C::SY})) return BreakAction::None;
  if (base == C::OP) return BreakAction::None;
  if (base == C::QU && b == C::OP) return BreakAction::None;
  if (In(base, {C::CL, C::CP}) && b == C::NS) return BreakAction::None;
  if (base == C::B2 && b == C::B2) return BreakAction::None;
  if (a == C::SP) return BreakAction::Allowed;
  if (b == C::QU || a == C::QU) return BreakAction::None;
  if (b == C::CB || a == C::CB) return BreakAction::Allowed;
  return LaterRulesAllowBreak(x, next) ? BreakAction::Allowed : BreakAction::None;
}

void Advance(Context& x, const Cell& c) {
  const bool wasInNumber = x.inNumber;
  if (c.cls != C::SP) x.beforeSp = c.cls;
  x.riRun = c.cls == C::RI ? x.riRun + 1 : 0;
  x.inNumber = c.cls == C::NU || (wasInNumber && In(c.cls, {C::SY, C::IS}));
  x.closesNumber = wasInNumber && In(c.cls, {C::CL, C::CP});
  x.prevPrev = x.prev ? x.prev->cls : C::XX;
  x.prev = &c;
}

// The code point at unit i and the number of its units (a lone surrogate stands for itself).
char32_t CodePointAt(std::u16string_view text, std::size_t i, std::size_t& units) {
  const char32_t cp = text[i];
  units = 1;
  if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) {
    units = 2;
    return 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
  }
  return cp;
}

// The cells of the text: combining marks and joiners join the character before them unless that
// is a space or a break; alone they count as alphabetic.
std::vector<Cell> Cells(std::u16string_view text) {
  std::vector<Cell> cells;
  for (std::size_t i = 0, units = 1; i < text.size(); i += units) {
    const LineBreakProperties p = GetLineBreakProperties(CodePointAt(text, i, units));
    const C cls = Resolve(p.cls);
    const bool mark = cls == C::CM || cls == C::ZWJ;
    const bool attaches = !cells.empty() && !IsHardBreak(cells.back().cls) && !In(cells.back().cls, {C::SP, C::ZW});
    if (mark && attaches) {
      cells.back().endsWithZwj = cls == C::ZWJ;
      continue;
    }
    cells.push_back({i, mark ? C::AL : cls, p.wide, p.pictographicUnassigned, cls == C::ZWJ});
  }
  return cells;
}

constexpr char32_t kDirectCodePoints = 0x3400;  // up to the CJK ideographs

// The packed table value of a code point within range.
std::uint32_t SearchRuns(char32_t codePoint) {
  const std::uint32_t key = (static_cast<std::uint32_t>(codePoint) << kLineBreakShift) | ((1u << kLineBreakShift) - 1);
  const std::uint32_t* end = kLineBreakRuns + kLineBreakRunCount;
  const std::uint32_t* run = std::upper_bound(kLineBreakRuns, end, key);
  return run == kLineBreakRuns ? 0 : run[-1];
}

WordSegmenter& Segmenter() {
  static WordSegmenter segmenter;
  return segmenter;
}

// Opens breaks at the word starts the segmenter finds inside each run of complex-context text.
void BreakComplexContextRuns(std::u16string_view text, std::vector<BreakAction>& actions) {
  std::size_t runBegin = text.size();
  std::vector<std::size_t> bases;  // units that start a code point other than a mark, in the run
  for (std::size_t i = 0, units = 1; i <= text.size(); i += units) {
    LineBreakProperties p;
    if (i < text.size()) p = GetLineBreakProperties(CodePointAt(text, i, units));
    if (p.complexContext && runBegin == text.size()) runBegin = i;
    if (p.complexContext && p.cls != C::CM) bases.push_back(i);
    if (p.complexContext || runBegin == text.size()) continue;
    const std::vector<bool> starts = Segmenter()(text.substr(runBegin, i - runBegin));
    for (std::size_t b : bases)
      if (b > runBegin && b - runBegin < starts.size() && starts[b - runBegin] && actions[b] == BreakAction::None)
        actions[b] = BreakAction::Allowed;
    runBegin = text.size();
    bases.clear();
  }
}

}  // namespace

LineBreakProperties GetLineBreakProperties(char32_t codePoint) {
  if (codePoint > 0x10FFFF) return {};
  // The scripts of most text are answered from a direct table, the rest by searching the runs.
  static const std::vector<std::uint32_t> low = [] {
    std::vector<std::uint32_t> values(kDirectCodePoints);
    for (char32_t cp = 0; cp < kDirectCodePoints; ++cp) values[cp] = SearchRuns(cp);
    return values;
  }();
  const std::uint32_t v = codePoint < kDirectCodePoints ? low[codePoint] : SearchRuns(codePoint);
  return {static_cast<C>(v & kLineBreakClassMask), (v & kLineBreakWide) != 0,
          (v & kLineBreakPictographicUnassigned) != 0, (v & kLineBreakComplexContext) != 0};
}

LineBreakClass GetLineBreakClass(char32_t codePoint) { return GetLineBreakProperties(codePoint).cls; }

void SetComplexContextSegmenter(WordSegmenter segmenter) { Segmenter() = std::move(segmenter); }

std::vector<BreakAction> FindLineBreaks(std::u16string_view text) {
  std::vector<BreakAction> actions(text.size(), BreakAction::None);
  const std::vector<Cell> cells = Cells(text);
  Context x;
  for (std::size_t j = 0; j < cells.size(); ++j) {
    if (j > 0) {
      x.next = j + 1 < cells.size() ? cells[j + 1].cls : C::XX;
      actions[cells[j].unit] = Decide(x, cells[j]);
    }
    Advance(x, cells[j]);
  }
  if (Segmenter()) BreakComplexContextRuns(text, actions);
  return actions;
}

}  // namespace TextBlock
