#include "text/LineBreak.h"

#include <algorithm>

#include "text/LineBreakTable.h"

namespace TextBlock {

namespace {

using C = LineBreakClass;

bool In(C c, std::initializer_list<C> set) { return std::find(set.begin(), set.end(), c) != set.end(); }

// Classes resolved before pairing: ambiguous, surrogate, unknown and complex-context
// characters count as alphabetic, conditional Japanese starters as non-starters.
C Resolve(C c) {
  switch (c) {
    case C::AI: case C::SG: case C::XX: case C::SA: return C::AL;
    case C::CJ: return C::NS;
    default: return c;
  }
}

bool IsHardBreak(C c) { return In(c, {C::BK, C::CR, C::LF, C::NL}); }

// The context of the pair rules: the classes before the candidate position.
struct Context {
  C prev = C::XX;      // class of the previous character (combining marks merged into it)
  C beforeSp = C::XX;  // class of the last character before the run of spaces ending at prev
  C prevPrev = C::XX;  // class of the character before prev
  bool prevZwj = false;
  int riRun = 0;       // regional indicators ending at prev
};

bool NumericPair(C a, C b) {
  static const std::pair<C, C> pairs[] = {
      {C::CL, C::PO}, {C::CP, C::PO}, {C::CL, C::PR}, {C::CP, C::PR}, {C::NU, C::PO},
      {C::NU, C::PR}, {C::PO, C::OP}, {C::PO, C::NU}, {C::PR, C::OP}, {C::PR, C::NU},
      {C::HY, C::NU}, {C::IS, C::NU}, {C::NU, C::NU}, {C::SY, C::NU}};
  return std::find(std::begin(pairs), std::end(pairs), std::make_pair(a, b)) != std::end(pairs);
}

bool HangulPair(C a, C b) {
  if (a == C::JL && In(b, {C::JL, C::JV, C::H2, C::H3})) return true;
  if (In(a, {C::JV, C::H2}) && In(b, {C::JV, C::JT})) return true;
  if (In(a, {C::JT, C::H3}) && b == C::JT) return true;
  const bool korean = In(a, {C::JL, C::JV, C::JT, C::H2, C::H3});
  if (korean && b == C::PO) return true;
  return a == C::PR && In(b, {C::JL, C::JV, C::JT, C::H2, C::H3});
}

// The rules after spaces and quotation are settled: may the line break between a and b?
bool LaterRulesAllowBreak(const Context& x, C b) {
  const C a = x.prev;
  if (In(b, {C::BA, C::HY, C::NS}) || a == C::BB) return false;
  if (In(a, {C::HY, C::BA}) && x.prevPrev == C::HL) return false;
  if (a == C::SY && b == C::HL) return false;
  if (b == C::IN_) return false;
  const bool letterA = In(a, {C::AL, C::HL}), letterB = In(b, {C::AL, C::HL});
  if ((letterA && b == C::NU) || (a == C::NU && letterB)) return false;
  if (a == C::PR && In(b, {C::ID, C::EB, C::EM})) return false;
  if (In(a, {C::ID, C::EB, C::EM}) && b == C::PO) return false;
  if ((In(a, {C::PR, C::PO}) && letterB) || (letterA && In(b, {C::PR, C::PO}))) return false;
  if (NumericPair(a, b) || HangulPair(a, b)) return false;
  if (letterA && letterB) return false;
  if (a == C::IS && letterB) return false;
  if ((In(a, {C::AL, C::HL, C::NU}) && b == C::OP) || (a == C::CP && In(b, {C::AL, C::HL, C::NU})))
    return false;
  if (a == C::RI && b == C::RI && x.riRun % 2 == 1) return false;
  if (a == C::EB && b == C::EM) return false;
  return true;
}

BreakAction Decide(const Context& x, C b) {
  const C a = x.prev;
  const C base = a == C::SP ? x.beforeSp : a;
  if (a == C::BK || a == C::LF || a == C::NL) return BreakAction::Mandatory;
  if (a == C::CR) return b == C::LF ? BreakAction::None : BreakAction::Mandatory;
  if (IsHardBreak(b) || b == C::SP || b == C::ZW) return BreakAction::None;
  if (base == C::ZW) return BreakAction::Allowed;
  if (x.prevZwj) return BreakAction::None;
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
  return LaterRulesAllowBreak(x, b) ? BreakAction::Allowed : BreakAction::None;
}

void Advance(Context& x, C c, bool zwj) {
  if (c != C::SP) x.beforeSp = c;
  x.riRun = c == C::RI ? x.riRun + 1 : 0;
  x.prevPrev = x.prev;
  x.prev = c;
  x.prevZwj = zwj;
}

}  // namespace

LineBreakClass GetLineBreakClass(char32_t codePoint) {
  if (codePoint > 0x10FFFF) return C::XX;
  const std::uint32_t key = (static_cast<std::uint32_t>(codePoint) << 8) | 0xFFu;
  const std::uint32_t* end = kLineBreakRuns + kLineBreakRunCount;
  const std::uint32_t* run = std::upper_bound(kLineBreakRuns, end, key);
  return run == kLineBreakRuns ? C::XX : static_cast<C>(run[-1] & 0xFFu);
}

std::vector<BreakAction> FindLineBreaks(std::u16string_view text) {
  std::vector<BreakAction> actions(text.size(), BreakAction::None);
  Context x;
  bool first = true;
  for (std::size_t i = 0; i < text.size();) {
    char32_t cp = text[i];
    std::size_t units = 1;
    if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      units = 2;
    }
    const C raw = Resolve(GetLineBreakClass(cp));
    C c = raw;
    const bool mark = raw == C::CM || raw == C::ZWJ;
    if (mark && !first && !IsHardBreak(x.prev) && x.prev != C::SP && x.prev != C::ZW) {
      // A combining mark or joiner belongs to the character before it.
      x.prevZwj = raw == C::ZWJ;
      i += units;
      continue;
    }
    if (mark) c = C::AL;
    if (!first) actions[i] = Decide(x, c);
    Advance(x, c, raw == C::ZWJ);
    first = false;
    i += units;
  }
  return actions;
}

}  // namespace TextBlock
