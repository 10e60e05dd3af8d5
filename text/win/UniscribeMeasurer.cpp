#include "text/win/UniscribeMeasurer.h"

#include "drawing/DrawingKernel.h"
#include "text/win/FontFallback.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <stdexcept>
#include <tuple>

namespace TextBlock {

namespace {

// A shared GDI font with the shaping cache and metrics this measurer keeps for it.
struct FontHandle {
  FontUtil::FontRef font;
  SCRIPT_CACHE cache = nullptr;
  TEXTMETRICW metrics{};
  FontHandle() = default;
  FontHandle(const FontHandle&) = delete;
  FontHandle& operator=(const FontHandle&) = delete;
  ~FontHandle() {
    if (cache) ScriptFreeCache(&cache);
  }
};

const wchar_t* Wide(std::u16string_view s) { return reinterpret_cast<const wchar_t*>(s.data()); }

}  // namespace

LOGFONTW ToLogFont(const FontSpec& f) { return ToFontDesc(f).ToLogFont(); }

FontUtil::FontDesc ToFontDesc(const FontSpec& f, double scale) {
  FontUtil::FontDesc d;
  d.face.assign(f.faceName.begin(), f.faceName.begin() + std::min(f.faceName.size(), kMaxFaceNameLength));
  d.height = static_cast<int>(std::lround(f.height * scale));
  d.width = static_cast<int>(std::lround(f.width * scale));
  if (d.height == 0 && f.height != 0) d.height = f.height < 0 ? -1 : 1;  // never the default size
  d.escapement = f.escapement;
  d.orientation = f.orientation;
  d.weight = f.weight;
  d.italic = f.italic != 0;
  d.underline = f.underline != 0;
  d.strikeOut = f.strikeOut != 0;
  d.charSet = f.charSet;
  d.outPrecision = f.outPrecision;
  d.clipPrecision = f.clipPrecision;
  d.quality = f.quality;
  d.pitchAndFamily = f.pitchAndFamily;
  return d;
}

struct UniscribeMeasurer::Impl {
  HDC dc = nullptr;
  HGDIOBJ originalFont = nullptr;
  std::map<decltype(FontUtil::FontDesc().Key()), std::unique_ptr<FontHandle>> fonts;
  SCRIPT_DIGITSUBSTITUTE digits{};
  std::vector<SCRIPT_ITEM> items;
  std::vector<SCRIPT_LOGATTR> attrs;
  std::vector<WORD> glyphs, clusters;
  std::vector<SCRIPT_VISATTR> visAttrs;
  std::vector<int> glyphAdvances, logicalWidths;
  std::vector<GOFFSET> offsets;

  Impl() {
    dc = CreateCompatibleDC(nullptr);
    if (!dc) throw std::runtime_error("text measuring: no device context");
    SetMapMode(dc, MM_TEXT);
    originalFont = GetCurrentObject(dc, OBJ_FONT);
    ScriptRecordDigitSubstitution(LOCALE_USER_DEFAULT, &digits);
  }
  ~Impl() {
    SelectObject(dc, originalFont);
    fonts.clear();
    DeleteDC(dc);
  }

  // The font last selected, so that runs of one font skip the look-up.
  FontUtil::FontDesc lastDesc;
  FontHandle* last = nullptr;

  FontHandle& Select(const FontUtil::FontDesc& desc) {
    if (last && desc == lastDesc) return *last;
    auto it = fonts.find(desc.Key());
    if (it == fonts.end()) {
      auto handle = std::make_unique<FontHandle>();
      try {
        handle->font = FontUtil::FontRef::Get(desc);
      } catch (const DrawingKernel::Error&) {
        throw std::runtime_error("text measuring: font not created");
      }
      SelectObject(dc, handle->font.Handle());
      GetTextMetricsW(dc, &handle->metrics);
      it = fonts.emplace(desc.Key(), std::move(handle)).first;
    }
    SelectObject(dc, it->second->font.Handle());
    lastDesc = desc;
    last = it->second.get();
    return *last;
  }

  // Itemizes into items, at the paragraph's base bidi level; returns the number of items.
  int Itemize(std::u16string_view run, std::uint8_t baseLevel = 0) {
    SCRIPT_CONTROL control{};
    SCRIPT_STATE state{};
    ScriptApplyDigitSubstitution(&digits, &control, &state);
    state.uBidiLevel = baseLevel;
    int count = 0;
    items.resize(run.size() + 2);
    for (;;) {
      const HRESULT hr = ScriptItemize(Wide(run), static_cast<int>(run.size()), static_cast<int>(items.size()) - 1,
                                       &control, &state, items.data(), &count);
      if (hr == E_OUTOFMEMORY) { items.resize(items.size() * 2); continue; }
      if (FAILED(hr)) throw std::runtime_error("text measuring: itemizing failed");
      return count;
    }
  }

  // Shapes one item; a script the font lacks is shaped as undefined (default glyphs).
  int Shape(FontHandle& font, const wchar_t* chars, int n, SCRIPT_ANALYSIS& analysis) {
    glyphs.resize(n * 3 / 2 + 16);
    clusters.resize(n);
    visAttrs.resize(glyphs.size());
    for (;;) {
      int count = 0;
      const HRESULT hr = ScriptShape(dc, &font.cache, chars, n, static_cast<int>(glyphs.size()), &analysis,
                                     glyphs.data(), clusters.data(), visAttrs.data(), &count);
      if (hr == E_OUTOFMEMORY) { glyphs.resize(glyphs.size() * 2); visAttrs.resize(glyphs.size()); continue; }
      if (hr == USP_E_SCRIPT_NOT_IN_FONT && analysis.eScript != SCRIPT_UNDEFINED) { analysis.eScript = SCRIPT_UNDEFINED; continue; }
      if (FAILED(hr)) throw std::runtime_error("text measuring: shaping failed");
      return count;
    }
  }

  void MeasureItem(FontHandle& font, std::u16string_view run, int begin, int end, SCRIPT_ANALYSIS analysis, RunMetrics& out) {
    const int n = end - begin;
    const wchar_t* chars = Wide(run) + begin;
    attrs.resize(n);
    // Printable ASCII has no combining marks: every unit is a character stop, and the break
    // analysis (only its stops are used here) is not needed.
    const bool plainAscii = std::all_of(chars, chars + n, [](wchar_t c) { return c >= 0x20 && c < 0x7F; });
    if (plainAscii) {
      for (SCRIPT_LOGATTR& a : attrs) a.fCharStop = 1;
    } else if (FAILED(ScriptBreak(chars, n, &analysis, attrs.data()))) {
      throw std::runtime_error("text measuring: breaking failed");
    }
    const int glyphCount = Shape(font, chars, n, analysis);
    glyphAdvances.resize(glyphCount);
    offsets.resize(glyphCount);
    ABC abc{};
    if (FAILED(ScriptPlace(dc, &font.cache, glyphs.data(), glyphCount, visAttrs.data(), &analysis,
                           glyphAdvances.data(), offsets.data(), &abc)))
      throw std::runtime_error("text measuring: placing failed");
    logicalWidths.resize(n);
    ScriptGetLogicalWidths(&analysis, n, glyphCount, glyphAdvances.data(), clusters.data(), visAttrs.data(), logicalWidths.data());
    // A cluster's whole width goes on its first unit, so a line is never cut inside it.
    std::size_t start = begin;
    for (int i = 0; i < n; ++i) {
      const bool clusterStart = i == 0 || (clusters[i] != clusters[i - 1] && attrs[i].fCharStop);
      if (clusterStart) start = begin + i;
      out.clusterStarts[begin + i] = clusterStart;
      out.advances[start] += logicalWidths[i];
    }
  }
};

UniscribeMeasurer::UniscribeMeasurer() : impl_(std::make_unique<Impl>()) {}
UniscribeMeasurer::~UniscribeMeasurer() = default;

void UniscribeMeasurer::ClearFonts() {
  SelectObject(impl_->dc, impl_->originalFont);
  impl_->last = nullptr;
  impl_->fonts.clear();
}

void UniscribeMeasurer::Measure(const FontSpec& fontSpec, std::u16string_view run, RunMetrics& out) {
  const FontUtil::FontDesc desc = ToFontDesc(fontSpec);
  FontHandle& own = impl_->Select(desc);
  out.ascent = own.metrics.tmAscent;
  out.descent = own.metrics.tmDescent;
  out.advances.assign(run.size(), 0.0);
  out.clusterStarts.assign(run.size(), true);
  if (run.empty()) return;
  const int count = impl_->Itemize(run);
  const std::vector<SCRIPT_ITEM> items(impl_->items.begin(), impl_->items.begin() + count + 1);
  for (int k = 0; k < count; ++k) {
    const int begin = items[k].iCharPos, end = items[k + 1].iCharPos;
    // An item the own face cannot show is measured with the face that will draw it.
    const FontUtil::FontDesc face = WithFallback(desc, run.substr(begin, end - begin));
    FontHandle& font = impl_->Select(face);
    out.ascent = std::max<double>(out.ascent, font.metrics.tmAscent);
    out.descent = std::max<double>(out.descent, font.metrics.tmDescent);
    impl_->MeasureItem(font, run, begin, end, items[k].a, out);
  }
}

void UniscribeMeasurer::BidiLevels(std::u16string_view text, std::uint8_t baseLevel, std::vector<std::uint8_t>& levels) {
  levels.assign(text.size(), baseLevel);
  if (text.empty()) return;
  int count = 0;
  try {
    count = impl_->Itemize(text, baseLevel);
  } catch (const std::runtime_error&) {
    return IMeasurer::BidiLevels(text, baseLevel, levels);
  }
  const std::vector<SCRIPT_ITEM>& items = impl_->items;
  for (int k = 0; k < count; ++k)
    for (int i = items[k].iCharPos; i < items[k + 1].iCharPos; ++i)
      levels[i] = static_cast<std::uint8_t>(items[k].a.s.uBidiLevel);
}

std::vector<int> UniscribeMeasurer::VisualOrder(const std::vector<std::uint8_t>& levels) {
  std::vector<int> visual(levels.size());
  if (levels.empty()) return visual;
  const std::vector<BYTE> bidi(levels.begin(), levels.end());
  if (FAILED(ScriptLayout(static_cast<int>(bidi.size()), bidi.data(), visual.data(), nullptr)))
    return ReorderByLevels(levels);
  return visual;
}

}  // namespace TextBlock
