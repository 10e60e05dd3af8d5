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

// Sets advances [first, last) so that together they are width wide: each edge on the pixel nearest
// its place scaled from the advances; advances of zero total width share the width evenly.
void FitRange(std::vector<int>& advances, std::size_t first, std::size_t last, int width) {
  if (first >= last) return;
  int shaped = 0;
  for (std::size_t g = first; g < last; ++g) shaped += advances[g];
  const double total = shaped > 0 ? shaped : static_cast<double>(last - first);
  double exact = 0;
  int placed = 0;
  for (std::size_t g = first; g < last; ++g) {
    exact += (shaped > 0 ? advances[g] : 1) * (width / total);
    const int edge = static_cast<int>(std::lround(exact));
    advances[g] = edge - placed;
    placed = edge;
  }
  advances[last - 1] += width - placed;
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
  for (WORD c : next.clusters) piece.clusters.push_back(static_cast<WORD>(c + piece.glyphs.size()));
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
  std::vector<WORD>& clusters = piece.clusters;
  clusters.resize(n);
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
  // A piece of zero shaped width spreads the width evenly.
  FitRange(piece.advances, 0, piece.advances.size(), width);
  piece.width = piece.advances.empty() ? 0 : width;
}

void FitClusters(ShapedRun::Piece& piece, std::span<const int> widths) {
  int total = 0;
  for (int w : widths) total += w;
  const std::size_t n = widths.size(), glyphs = piece.advances.size();
  const std::vector<WORD>& map = piece.clusters;
  // The glyphs [first, last) of each cluster and its width; in a right-to-left piece the glyphs
  // stand in visual order, so a later cluster's glyphs lie before an earlier one's.
  struct Cluster {
    std::size_t first, last;
    int width;
  };
  std::vector<Cluster> clusters;
  bool fits = map.size() == n && n > 0 && glyphs > 0;
  for (std::size_t i = 0; fits && i < n;) {
    std::size_t j = i + 1;
    int width = widths[i];
    for (; j < n && map[j] == map[i]; ++j) width += widths[j];
    const std::size_t first = piece.analysis.fRTL ? (j < n ? map[j] + 1u : 0u) : map[i];
    const std::size_t last = piece.analysis.fRTL ? map[i] + 1u : (j < n ? map[j] : glyphs);
    fits = first < last && last <= glyphs;
    clusters.push_back({first, last, width});
    i = j;
  }
  if (!fits) return FitPiece(piece, total);
  for (const Cluster& c : clusters) FitRange(piece.advances, c.first, c.last, c.width);
  piece.width = total;
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
