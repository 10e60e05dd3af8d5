#include "text/win/Shaping.h"

#include <cmath>
#include <stdexcept>
#include <utility>

namespace TextBlock {

namespace {

// The user's digit substitution, read once: reading it on every run costs a locale look-up.
const SCRIPT_DIGITSUBSTITUTE& Digits() {
  static const SCRIPT_DIGITSUBSTITUTE digits = [] {
    SCRIPT_DIGITSUBSTITUTE d{};
    ScriptRecordDigitSubstitution(LOCALE_USER_DEFAULT, &d);
    return d;
  }();
  return digits;
}

// Whether the script needs no shaping across item boundaries (Latin, digits, punctuation).
bool Simple(const SCRIPT_ANALYSIS& a) {
  static const std::pair<const SCRIPT_PROPERTIES**, int> scripts = [] {
    const SCRIPT_PROPERTIES** props = nullptr;
    int count = 0;
    if (FAILED(ScriptGetProperties(&props, &count))) count = 0;
    return std::make_pair(props, count);
  }();
  return a.eScript < scripts.second && !scripts.first[a.eScript]->fComplex;
}

}  // namespace

bool JoinPieces(ShapedRun::Piece& piece, const ShapedRun::Piece& next) {
  const SCRIPT_ANALYSIS &a = piece.analysis, &b = next.analysis;
  if (a.fRTL || b.fRTL || a.fNoGlyphIndex != b.fNoGlyphIndex || !Simple(a) || !Simple(b)) return false;
  if (piece.glyphs.empty() || next.glyphs.empty()) return false;
  // The next glyphs start where the advances of the piece end: at its width.
  int placed = 0;
  for (int advance : piece.advances) placed += advance;
  piece.advances.back() += piece.width - placed;
  piece.glyphs.insert(piece.glyphs.end(), next.glyphs.begin(), next.glyphs.end());
  piece.advances.insert(piece.advances.end(), next.advances.begin(), next.advances.end());
  piece.offsets.insert(piece.offsets.end(), next.offsets.begin(), next.offsets.end());
  piece.visAttrs.insert(piece.visAttrs.end(), next.visAttrs.begin(), next.visAttrs.end());
  piece.width += next.width;
  return true;
}

std::vector<RunItem> ItemizeRun(std::u16string_view run, int level) {
  std::vector<RunItem> out;
  if (run.empty()) return out;
  SCRIPT_CONTROL control{};
  SCRIPT_STATE state{};
  ScriptApplyDigitSubstitution(&Digits(), &control, &state);
  if (level >= 0) {
    state.uBidiLevel = static_cast<WORD>(level);
    state.fOverrideDirection = 1;
  }
  std::vector<SCRIPT_ITEM> items(run.size() + 2);
  int count = 0;
  HRESULT hr;
  while ((hr = ScriptItemize(Wide(run), static_cast<int>(run.size()), static_cast<int>(items.size()) - 1, &control,
                             &state, items.data(), &count)) == E_OUTOFMEMORY)
    items.resize(items.size() * 2);
  if (FAILED(hr)) throw std::runtime_error("text drawing: itemizing failed");
  std::vector<BYTE> levels(count);
  std::vector<int> visual(count);
  for (int i = 0; i < count; ++i) levels[i] = static_cast<BYTE>(items[i].a.s.uBidiLevel);
  ScriptLayout(count, levels.data(), visual.data(), nullptr);
  for (int v = 0; v < count; ++v) {
    const SCRIPT_ITEM& item = items[visual[v]];
    out.push_back({static_cast<std::size_t>(item.iCharPos), static_cast<std::size_t>(items[visual[v] + 1].iCharPos), item.a});
  }
  return out;
}

ShapedRun::Piece ShapeItem(HDC dc, SCRIPT_CACHE& cache, std::u16string_view chars, SCRIPT_ANALYSIS analysis) {
  ShapedRun::Piece piece;
  piece.analysis = analysis;
  const int n = static_cast<int>(chars.size());
  piece.glyphs.resize(n * 3 / 2 + 16);
  piece.visAttrs.resize(piece.glyphs.size());
  std::vector<WORD> clusters(n);
  int glyphs = 0;
  for (;;) {
    const HRESULT hr = ScriptShape(dc, &cache, Wide(chars), n, static_cast<int>(piece.glyphs.size()), &piece.analysis,
                                   piece.glyphs.data(), clusters.data(), piece.visAttrs.data(), &glyphs);
    if (hr == E_OUTOFMEMORY) {
      piece.glyphs.resize(piece.glyphs.size() * 2);
      piece.visAttrs.resize(piece.glyphs.size());
      continue;
    }
    if (hr == USP_E_SCRIPT_NOT_IN_FONT && piece.analysis.eScript != SCRIPT_UNDEFINED) { piece.analysis.eScript = SCRIPT_UNDEFINED; continue; }
    if (FAILED(hr)) throw std::runtime_error("text drawing: shaping failed");
    break;
  }
  piece.glyphs.resize(glyphs);
  piece.visAttrs.resize(glyphs);
  piece.advances.resize(glyphs);
  piece.offsets.resize(glyphs);
  ABC abc{};
  if (FAILED(ScriptPlace(dc, &cache, piece.glyphs.data(), glyphs, piece.visAttrs.data(), &piece.analysis,
                         piece.advances.data(), piece.offsets.data(), &abc)))
    throw std::runtime_error("text drawing: placing failed");
  for (int a : piece.advances) piece.width += a;
  return piece;
}

ShapedRun ShapeRun(HDC dc, SCRIPT_CACHE& cache, std::u16string_view run) {
  ShapedRun shaped;
  for (const RunItem& item : ItemizeRun(run)) {
    shaped.pieces.push_back(ShapeItem(dc, cache, run.substr(item.begin, item.end - item.begin), item.analysis));
    shaped.width += shaped.pieces.back().width;
  }
  return shaped;
}

void FitPiece(ShapedRun::Piece& piece, int width) {
  if (piece.advances.empty()) {
    piece.width = 0;
    return;
  }
  // Each glyph's edge goes to the nearest pixel of its place scaled from the shaped width; a piece
  // of zero shaped width spreads the width evenly.
  const double total = piece.width > 0 ? piece.width : static_cast<double>(piece.advances.size());
  double exact = 0;
  int placed = 0;
  for (int& a : piece.advances) {
    exact += (piece.width > 0 ? a : 1) * (width / total);
    const int edge = static_cast<int>(std::lround(exact));
    a = edge - placed;
    placed = edge;
  }
  piece.advances.back() += width - placed;
  piece.width = width;
}

std::vector<int> DeviceAdvances(const std::vector<double>& advances, double scale) {
  std::vector<int> out;
  out.reserve(advances.size());
  double exact = 0;
  long placed = 0;
  for (double a : advances) {
    exact += a * scale;
    const long edge = std::lround(exact);
    out.push_back(static_cast<int>(edge - placed));
    placed = edge;
  }
  return out;
}

void DrawShapedPiece(HDC dc, SCRIPT_CACHE& cache, const ShapedRunPiece& piece, int x, int y) {
  ScriptTextOut(dc, &cache, x, y, 0, nullptr, &piece.analysis, nullptr, 0, piece.glyphs.data(),
                static_cast<int>(piece.glyphs.size()), piece.advances.data(), nullptr, piece.offsets.data());
}

}  // namespace TextBlock
