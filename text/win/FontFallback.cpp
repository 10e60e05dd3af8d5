#include "text/win/FontFallback.h"

#include <cstdint>
#include <map>
#include <mutex>
#include <utility>
#include <vector>

namespace TextBlock {

namespace {

// Units every font can be assumed to handle or that draw nothing: no reason to fall back for them.
bool IsIgnorable(char32_t c) {
  return c <= 0x20 || (c >= 0x7F && c <= 0xA0) || (c >= 0x200B && c <= 0x200F) || (c >= 0x2028 && c <= 0x202E) ||
         (c >= 0x2060 && c <= 0x206F) || (c >= 0xFE00 && c <= 0xFE0F) || c == 0xFEFF;
}

// The faces to try for a character, by its script, most specific first.
const std::vector<const wchar_t*>& Candidates(char32_t c) {
  static const std::vector<const wchar_t*> cjk{L"Noto Sans CJK SC", L"Noto Sans CJK JP", L"Microsoft YaHei", L"SimSun",
                                               L"MS Gothic", L"Malgun Gothic", L"Arial Unicode MS",
                                               L"WenQuanYi Micro Hei", L"Droid Sans Fallback", L"DejaVu Sans"};
  static const std::vector<const wchar_t*> korean{L"Noto Sans CJK KR", L"Malgun Gothic", L"Gulim", L"Noto Sans CJK SC",
                                                  L"Arial Unicode MS", L"WenQuanYi Micro Hei", L"Droid Sans Fallback"};
  static const std::vector<const wchar_t*> indic{L"Nirmala UI", L"Mangal", L"Noto Sans Devanagari", L"Lohit Devanagari",
                                                 L"FreeSans", L"Arial Unicode MS"};
  static const std::vector<const wchar_t*> emoji{L"Segoe UI Emoji", L"Noto Color Emoji", L"Segoe UI Symbol",
                                                 L"Symbola", L"DejaVu Sans"};
  static const std::vector<const wchar_t*> general{L"DejaVu Sans", L"Tahoma", L"Arial Unicode MS", L"Segoe UI",
                                                   L"Noto Sans CJK SC", L"FreeSans"};
  if ((c >= 0x1100 && c < 0x1200) || (c >= 0x3130 && c < 0x3190) || (c >= 0xAC00 && c < 0xD7B0)) return korean;
  if ((c >= 0x2E80 && c < 0xA000) || (c >= 0xF900 && c < 0xFB00) || (c >= 0xFF00 && c < 0xFFF0) ||
      (c >= 0x20000 && c < 0x32000))
    return cjk;
  if (c >= 0x0900 && c < 0x0E00) return indic;
  if (c >= 0x1F000 && c < 0x1FB00) return emoji;
  return general;
}

// The code points of the units (pairs joined, lone surrogates as they are).
std::u32string CodePoints(std::u16string_view units) {
  std::u32string out;
  for (std::size_t i = 0; i < units.size(); ++i) {
    const char16_t c = units[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] < 0xE000) {
      out.push_back(0x10000 + ((char32_t(c) - 0xD800) << 10) + (units[i + 1] - 0xDC00));
      ++i;
    } else {
      out.push_back(c);
    }
  }
  return out;
}

// Answers whether a face maps characters, on a memory context of its own, caching fonts and answers.
class Coverage {
 public:
  Coverage() : dc_(CreateCompatibleDC(nullptr)) {}
  ~Coverage() {
    for (auto& entry : probes_)
      if (entry.second.cache) ScriptFreeCache(&entry.second.cache);
    if (dc_) DeleteDC(dc_);
  }
  Coverage(const Coverage&) = delete;
  Coverage& operator=(const Coverage&) = delete;

  // True when the face maps every code point.
  bool Maps(const FontUtil::FontDesc& like, const std::wstring& face, const std::u32string& points) {
    if (!dc_) return true;
    Probe& probe = ProbeOf(like, face);
    if (probe.font.IsEmpty()) return false;
    for (char32_t c : points)
      if (!Answer(probe, c)) return false;
    return true;
  }

  // True when the face has TrueType outlines.
  bool HasOutlines(const FontUtil::FontDesc& like, const std::wstring& face) {
    if (!dc_) return true;
    Probe& probe = ProbeOf(like, face);
    if (probe.font.IsEmpty()) return false;
    if (probe.outlines == 0) {
      HGDIOBJ old = SelectObject(dc_, probe.font.Handle());
      probe.outlines = HasTrueTypeOutlines(dc_) ? 1 : 2;
      SelectObject(dc_, old);
    }
    return probe.outlines == 1;
  }

 private:
  struct Probe {
    FontUtil::FontRef font;
    SCRIPT_CACHE cache = nullptr;
    std::vector<std::uint8_t> basic;    // per unit of the basic plane: 0 not asked yet, 1 mapped, 2 not mapped
    std::map<char32_t, bool> supplementary;
    std::uint8_t outlines = 0;  // 0 not asked yet, 1 TrueType outlines, 2 none
  };

  // Whether the probe's face maps the character, asked of the face once.
  bool Answer(Probe& probe, char32_t c) {
    if (c < 0x10000) {
      if (probe.basic.empty()) probe.basic.resize(0x10000, 0);
      std::uint8_t& known = probe.basic[c];
      if (known == 0) known = MapsOneSelected(probe, c) ? 1 : 2;
      return known == 1;
    }
    auto known = probe.supplementary.find(c);
    if (known == probe.supplementary.end()) known = probe.supplementary.emplace(c, MapsOneSelected(probe, c)).first;
    return known->second;
  }

  bool MapsOneSelected(Probe& probe, char32_t c) {
    HGDIOBJ old = SelectObject(dc_, probe.font.Handle());
    const bool maps = MapsOne(probe, c);
    SelectObject(dc_, old);
    return maps;
  }

  Probe& ProbeOf(const FontUtil::FontDesc& like, const std::wstring& face) {
    auto it = probes_.find(face);
    if (it != probes_.end()) return it->second;
    Probe probe;
    FontUtil::FontDesc d;
    d.face = face;
    d.height = -64;
    d.weight = like.weight;
    d.italic = like.italic;
    try {
      probe.font = FontUtil::FontRef::Get(d);
    } catch (...) {
      // Left empty: a face GDI cannot make maps nothing.
    }
    return probes_.emplace(face, std::move(probe)).first->second;
  }

  bool MapsOne(Probe& probe, char32_t c) {
    wchar_t units[2];
    int n = 1;
    if (c >= 0x10000) {
      units[0] = static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10));
      units[1] = static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
      n = 2;
    } else {
      units[0] = static_cast<wchar_t>(c);
    }
    WORD glyphs[2] = {0, 0};
    return ScriptGetCMap(dc_, &probe.cache, units, n, 0, glyphs) == S_OK && glyphs[0] != 0;
  }

  HDC dc_;
  std::map<std::wstring, Probe> probes_;
};

std::mutex& CoverageLock() {
  static std::mutex lock;
  return lock;
}

Coverage& TheCoverage() {
  static Coverage coverage;
  return coverage;
}

}  // namespace

bool KeepsOwnFace(const FontUtil::FontDesc& desc, char32_t c) {
  if (IsIgnorable(c)) return true;
  const std::lock_guard<std::mutex> hold(CoverageLock());
  return TheCoverage().Maps(desc, desc.face, std::u32string(1, c));
}

std::wstring FallbackFace(const FontUtil::FontDesc& desc, std::u16string_view units, FaceUse use) {
  std::u32string points;
  for (char32_t c : CodePoints(units))
    if (!IsIgnorable(c)) points.push_back(c);
  if (points.empty()) return desc.face;
  const std::lock_guard<std::mutex> hold(CoverageLock());
  Coverage& coverage = TheCoverage();
  if (coverage.Maps(desc, desc.face, points)) return desc.face;
  const FontUtil::FontList& installed = FontUtil::FontList::Instance();
  for (char32_t c : points) {
    if (coverage.Maps(desc, desc.face, std::u32string(1, c))) continue;
    // The first character the own face lacks chooses the list; a face should map every character,
    // else at least that one.
    std::u32string first(1, c);
    const auto pick = [&](bool outlinesOnly) -> const wchar_t* {
      for (const std::u32string* need : {&points, &first})
        for (const wchar_t* face : Candidates(c))
          if (installed.Find(face) >= 0 && (!outlinesOnly || coverage.HasOutlines(desc, face)) &&
              coverage.Maps(desc, face, *need))
            return face;
      return nullptr;
    };
    const wchar_t* face = use == FaceUse::Printer ? pick(true) : nullptr;
    if (!face) face = pick(false);
    if (face) return face;
    break;
  }
  return desc.face;
}

FontUtil::FontDesc WithFallback(const FontUtil::FontDesc& desc, std::u16string_view units, FaceUse use) {
  FontUtil::FontDesc d = desc;
  d.face = FallbackFace(desc, units, use);
  return d;
}

bool HasTrueTypeOutlines(HDC dc) {
  constexpr DWORD glyf = 0x66796C67;  // 'glyf', as GetFontData reads table tags
  return GetFontData(dc, glyf, 0, nullptr, 0) != GDI_ERROR;
}

BYTE MetafileCharSet(std::u16string_view units) {
  for (char32_t c : CodePoints(units)) {
    if (c < 0x370 || IsIgnorable(c) || (c >= 0x2000 && c < 0x2070)) continue;
    if (c < 0x400) return GREEK_CHARSET;
    if (c < 0x530) return RUSSIAN_CHARSET;
    if (c >= 0x590 && c < 0x600) return HEBREW_CHARSET;
    if ((c >= 0x600 && c < 0x700) || (c >= 0xFB50 && c < 0xFF00 && !(c >= 0xFE00 && c < 0xFE70))) return ARABIC_CHARSET;
    if (c >= 0xE00 && c < 0xE80) return THAI_CHARSET;
    if ((c >= 0x1100 && c < 0x1200) || (c >= 0x3130 && c < 0x3190) || (c >= 0xAC00 && c < 0xD7B0)) return HANGEUL_CHARSET;
    if (c >= 0x3040 && c < 0x3100) return SHIFTJIS_CHARSET;
    if ((c >= 0x2E80 && c < 0xA000) || (c >= 0xF900 && c < 0xFB00) || (c >= 0xFF00 && c < 0xFFF0)) return GB2312_CHARSET;
  }
  return ANSI_CHARSET;
}

}  // namespace TextBlock
