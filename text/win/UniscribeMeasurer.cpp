#include "text/win/UniscribeMeasurer.h"

#include "drawing/DrawingKernel.h"
#include "text/win/FontFallback.h"
#include "text/win/PairWidths.h"
#include "text/win/Shaping.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <cstring>
#include <stdexcept>
#include <tuple>
#include <optional>
#include <unordered_map>

namespace TextBlock {

namespace {

bool PlainAscii(std::u16string_view s) {
  return std::all_of(s.begin(), s.end(), [](char16_t c) { return c >= 0x20 && c < 0x7F; });
}

// Appends the bytes of a value to a key as UTF-16 units.
template <class T>
void AppendBytes(std::u16string& key, const T& value) {
  char16_t units[(sizeof(T) + 1) / 2] = {};
  std::memcpy(units, &value, sizeof(T));
  key.append(units, std::size(units));
}

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
  // A shared GDI font with the shaping cache and metrics this measurer keeps for it.
  struct FontHandle {
    FontUtil::FontRef font;
    SCRIPT_CACHE cache = nullptr;
    TEXTMETRICW metrics{};
    std::unique_ptr<PairwiseGlyphs> pairwise;  // read when first composed with
    std::unordered_map<std::uint32_t, std::unique_ptr<PairWidths>> pairWidths;  // per script analysis
    std::array<std::uint8_t, 256> keepsFace{};  // per simple character: 0 not asked, 1 keeps this face, 2 not
    FontHandle() = default;
    FontHandle(const FontHandle&) = delete;
    FontHandle& operator=(const FontHandle&) = delete;
    ~FontHandle() {
      if (cache) ScriptFreeCache(&cache);
    }
  };

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
  bool composePairs = true;
  std::vector<int> composed;
  std::size_t composedItems = 0;
  bool lastShaped = false;  // whether the run measured last had an item shaped

  // Large diagrams repeat the same few shapes in many unique names ("Class17", "Class18", ...), and
  // Uniscribe's cost is per call. Plain ASCII runs itemize alike when their letters and digits stand
  // alike: the items of their pattern (letters as 'a', digits as '0') are reused. An item shaped
  // once in a font is not shaped again: its widths and cluster starts are kept, keyed by font,
  // analysis and text. Both are dropped when they grow past a limit, and with the fonts.
  static constexpr std::size_t kCacheLimit = 20000;
  std::unordered_map<std::u16string, std::vector<SCRIPT_ITEM>> itemsOfPattern;
  struct ShapedItem {
    std::vector<int> widths;   // logical width of each unit
    std::vector<char> starts;  // whether each unit starts a cluster
  };
  std::unordered_map<std::u16string, ShapedItem> shapedItems;
  std::u16string key;

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
  // The font last measured with, and its description.
  std::optional<FontSpec> lastFont;
  FontUtil::FontDesc lastFontDesc;
  std::vector<SCRIPT_ITEM> runItems;  // the items of the run being measured

  // The description of the font change, made again only when the font changes.
  const FontUtil::FontDesc& DescOf(const FontSpec& font) {
    if (!lastFont || !(font == *lastFont)) {
      lastFontDesc = ToFontDesc(font);
      lastFont = font;
    }
    return lastFontDesc;
  }

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

  // Itemizes a run at base level 0 into items, from the items of its pattern when it is plain
  // ASCII; returns the number of items.
  int ItemizeRun(std::u16string_view run) {
    if (!PlainAscii(run)) return Itemize(run);
    key.assign(run);
    for (char16_t& c : key)
      if ((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z')) c = u'a';
      else if (c >= u'0' && c <= u'9') c = u'0';
    if (auto it = itemsOfPattern.find(key); it != itemsOfPattern.end()) {
      items.assign(it->second.begin(), it->second.end());
      return static_cast<int>(it->second.size()) - 1;
    }
    const int count = Itemize(run);
    if (itemsOfPattern.size() >= kCacheLimit) itemsOfPattern.clear();
    itemsOfPattern.emplace(key, std::vector<SCRIPT_ITEM>(items.begin(), items.begin() + count + 1));
    return count;
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

  // Places the glyphCount glyphs shaped for n units; fills glyphAdvances and logicalWidths.
  void Place(FontHandle& font, int n, int glyphCount, SCRIPT_ANALYSIS& analysis) {
    glyphAdvances.resize(glyphCount);
    offsets.resize(glyphCount);
    ABC abc{};
    if (FAILED(ScriptPlace(dc, &font.cache, glyphs.data(), glyphCount, visAttrs.data(), &analysis,
                           glyphAdvances.data(), offsets.data(), &abc)))
      throw std::runtime_error("text measuring: placing failed");
    logicalWidths.resize(n);
    ScriptGetLogicalWidths(&analysis, n, glyphCount, glyphAdvances.data(), clusters.data(), visAttrs.data(),
                           logicalWidths.data());
  }

  // Shapes and places units of the selected font as one left-to-right item: their widths and
  // glyphs when each unit came out as a glyph of its own in the analysis asked for (false otherwise,
  // also when Uniscribe fails: the whole item is shaped then).
  bool ShapeSimple(FontHandle& font, std::u16string_view units, SCRIPT_ANALYSIS analysis, int* widths, WORD* out) {
    const int n = static_cast<int>(units.size());
    const WORD script = analysis.eScript;
    try {
      if (analysis.fRTL || Shape(font, Wide(units), n, analysis) != n || analysis.eScript != script) return false;
      for (int i = 0; i < n; ++i)
        if (clusters[i] != i || glyphs[i] == 0) return false;
      Place(font, n, n, analysis);
    } catch (const std::runtime_error&) {
      return false;
    }
    std::copy_n(logicalWidths.begin(), n, widths);
    std::copy_n(glyphs.begin(), n, out);
    return true;
  }

  // The pair widths of the selected font in the analysis, made on first use.
  PairWidths& PairsOf(FontHandle& font, const SCRIPT_ANALYSIS& analysis) {
    if (!font.pairwise) font.pairwise = std::make_unique<PairwiseGlyphs>(PairwiseGlyphs::OfFont(dc));
    static_assert(sizeof(SCRIPT_ANALYSIS) <= sizeof(std::uint32_t));
    std::uint32_t bits = 0;
    std::memcpy(&bits, &analysis, sizeof analysis);
    std::unique_ptr<PairWidths>& pairs = font.pairWidths[bits];
    if (!pairs) {
      auto shaper = [this, &font, analysis](std::u16string_view units, int* widths, WORD* glyphsOut) {
        return ShapeSimple(font, units, analysis, widths, glyphsOut);
      };
      pairs = std::make_unique<PairWidths>(*font.pairwise, shaper);
    }
    return *pairs;
  }

  // Whether the units are simple characters the own font maps, so that they need no fallback face.
  static bool KeepOwnFace(FontHandle& own, const FontUtil::FontDesc& desc, std::u16string_view units) {
    for (char16_t c : units) {
      if (!PairWidths::IsSimple(c)) return false;
      std::uint8_t& known = own.keepsFace[c];
      if (known == 0) known = KeepsOwnFace(desc, c) ? 1 : 2;
      if (known != 1) return false;
    }
    return true;
  }

  // Whether every unit is a simple character, so that the item may be composed from pairs.
  static bool AllSimple(std::u16string_view units) {
    return std::all_of(units.begin(), units.end(), [](char16_t c) { return PairWidths::IsSimple(c); });
  }

  void MeasureItem(FontHandle& font, std::u16string_view run, int begin, int end, SCRIPT_ANALYSIS analysis, RunMetrics& out) {
    // Runs of simple characters in a font that only kerns them in pairs are composed from the widths
    // of their characters and pairs: what shaping them gives, without shaping them.
    const std::u16string_view units = run.substr(begin, end - begin);
    if (composePairs && AllSimple(units) && PairsOf(font, analysis).Compose(units, composed)) {
      for (int i = 0; i < end - begin; ++i) out.advances[begin + i] += composed[i];
      ++composedItems;
      return;
    }
    lastShaped = true;
    key.clear();
    AppendBytes(key, &font);
    AppendBytes(key, analysis);
    key.append(run.substr(begin, end - begin));
    auto known = shapedItems.find(key);
    if (known == shapedItems.end()) {
      if (shapedItems.size() >= kCacheLimit) shapedItems.clear();
      known = shapedItems.emplace(key, ShapeItem(font, run, begin, end, analysis)).first;
    }
    // A cluster's whole width goes on its first unit, so a line is never cut inside it.
    const ShapedItem& shaped = known->second;
    std::size_t start = begin;
    for (int i = 0; i < end - begin; ++i) {
      if (shaped.starts[i]) start = begin + i;
      out.clusterStarts[begin + i] = shaped.starts[i] != 0;
      out.advances[start] += shaped.widths[i];
    }
  }

  ShapedItem ShapeItem(FontHandle& font, std::u16string_view run, int begin, int end, SCRIPT_ANALYSIS analysis) {
    const int n = end - begin;
    const wchar_t* chars = Wide(run) + begin;
    attrs.resize(n);
    // Printable ASCII has no combining marks: every unit is a character stop, and the break
    // analysis (only its stops are used here) is not needed.
    if (PlainAscii(run.substr(begin, n))) {
      for (SCRIPT_LOGATTR& a : attrs) a.fCharStop = 1;
    } else if (FAILED(ScriptBreak(chars, n, &analysis, attrs.data()))) {
      throw std::runtime_error("text measuring: breaking failed");
    }
    Place(font, n, Shape(font, chars, n, analysis), analysis);
    ShapedItem shaped;
    shaped.widths = logicalWidths;
    shaped.starts.resize(n);
    for (int i = 0; i < n; ++i) shaped.starts[i] = i == 0 || (clusters[i] != clusters[i - 1] && attrs[i].fCharStop);
    return shaped;
  }
};

UniscribeMeasurer::UniscribeMeasurer(bool composePairs) : impl_(std::make_unique<Impl>()) {
  impl_->composePairs = composePairs;
}
UniscribeMeasurer::~UniscribeMeasurer() = default;

bool UniscribeMeasurer::LastRunWorthCaching() const { return impl_->lastShaped; }

std::size_t UniscribeMeasurer::ComposedItems() const { return impl_->composedItems; }

void UniscribeMeasurer::ClearFonts() {
  SelectObject(impl_->dc, impl_->originalFont);
  impl_->last = nullptr;
  impl_->shapedItems.clear();  // keyed by the fonts dropped here
  impl_->fonts.clear();
}

void UniscribeMeasurer::Measure(const FontSpec& wanted, std::u16string_view run, RunMetrics& out) {
  const FontUtil::FontDesc& desc = impl_->DescOf(wanted);
  Impl::FontHandle& own = impl_->Select(desc);
  out.ascent = own.metrics.tmAscent;
  out.descent = own.metrics.tmDescent;
  out.advances.assign(run.size(), 0.0);
  out.clusterStarts.assign(run.size(), true);
  impl_->lastShaped = false;
  if (run.empty()) return;
  const int count = impl_->ItemizeRun(run);
  std::vector<SCRIPT_ITEM>& items = impl_->runItems;
  items.assign(impl_->items.begin(), impl_->items.begin() + count + 1);
  for (int k = 0; k < count; ++k) {
    const int begin = items[k].iCharPos, end = items[k + 1].iCharPos;
    // An item the own face cannot show is measured with the face that will draw it.
    const std::u16string_view units = run.substr(begin, end - begin);
    const bool ownFace = impl_->composePairs && Impl::KeepOwnFace(own, desc, units);
    if (ownFace && impl_->last != &own) impl_->Select(desc);
    Impl::FontHandle& font = ownFace ? own : impl_->Select(WithFallback(desc, units));
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
