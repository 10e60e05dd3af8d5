#include "text/win/PairwiseGlyphs.h"

#include <string>

namespace TextBlock {

namespace {

struct Malformed {};

// Big-endian reads that fail on anything outside the table.
struct Table {
  std::string_view bytes;
  std::uint32_t U16(std::size_t at) const {
    if (at + 2 > bytes.size()) throw Malformed{};
    return std::uint32_t(std::uint8_t(bytes[at])) << 8 | std::uint8_t(bytes[at + 1]);
  }
  std::uint32_t U32(std::size_t at) const { return U16(at) << 16 | U16(at + 2); }
};

// Marks glyph ranges in a difference array, so that any number of ranges costs one pass.
class GlyphMarks {
 public:
  GlyphMarks() : diff_(0x10001, 0) {}
  void Mark(std::uint32_t first, std::uint32_t last) {
    if (first > last || last > 0xFFFF) throw Malformed{};
    ++diff_[first];
    --diff_[last + 1];
  }
  std::vector<bool> Marked() const {
    std::vector<bool> marked(0x10000);
    long depth = 0;
    for (std::size_t g = 0; g < marked.size(); ++g) marked[g] = (depth += diff_[g]) > 0;
    return marked;
  }

 private:
  std::vector<long> diff_;
};

void MarkCoverage(const Table& t, std::size_t at, GlyphMarks& marks) {
  const std::uint32_t format = t.U16(at), count = t.U16(at + 2);
  for (std::uint32_t i = 0; i < count; ++i) {
    if (format == 1) {
      const std::uint32_t glyph = t.U16(at + 4 + 2 * i);
      marks.Mark(glyph, glyph);
    } else if (format == 2) {
      marks.Mark(t.U16(at + 4 + 6 * i), t.U16(at + 6 + 6 * i));
    } else {
      throw Malformed{};
    }
  }
}

// Ligatures (2), marks (3) and components (4) of the glyph class definitions.
void MarkNonBaseClasses(const Table& t, std::size_t at, GlyphMarks& marks) {
  const auto nonBase = [](std::uint32_t c) { return c >= 2 && c <= 4; };
  const std::uint32_t format = t.U16(at);
  if (format == 1) {
    const std::uint32_t start = t.U16(at + 2), count = t.U16(at + 4);
    for (std::uint32_t i = 0; i < count; ++i)
      if (nonBase(t.U16(at + 6 + 2 * i))) marks.Mark(start + i, start + i);
  } else if (format == 2) {
    const std::uint32_t count = t.U16(at + 2);
    for (std::uint32_t i = 0; i < count; ++i)
      if (nonBase(t.U16(at + 8 + 6 * i))) marks.Mark(t.U16(at + 4 + 6 * i), t.U16(at + 6 + 6 * i));
  } else {
    throw Malformed{};
  }
}

constexpr std::uint32_t kIgnoreBaseGlyphs = 0x2;

// Marks the glyphs a subtable may start at, unless it is pair kerning that leaves the second glyph
// alone and sees base glyphs.
void MarkSubtable(const Table& t, std::size_t at, std::uint32_t type, std::uint32_t flags, bool positioning,
                  GlyphMarks& marks) {
  if (type == (positioning ? 9u : 7u)) {  // an extension: the real subtable is further on
    if (t.U16(at) != 1) throw Malformed{};
    type = t.U16(at + 2);
    at += t.U32(at + 4);
    if (type == (positioning ? 9u : 7u)) throw Malformed{};
  }
  if (type == 0 || type > 8) throw Malformed{};
  const std::uint32_t format = t.U16(at);
  if (positioning && type == 2 && (format == 1 || format == 2)) {
    if (t.U16(at + 6) == 0 && !(flags & kIgnoreBaseGlyphs)) return;
    return MarkCoverage(t, at + t.U16(at + 2), marks);
  }
  const bool context = positioning ? type == 7 : type == 5;
  const bool chained = positioning ? type == 8 : type == 6;
  if ((context || chained) && format == 3) {
    // The first input glyph's coverage; a chained rule lists its backtrack coverages before it.
    const std::size_t inputs = chained ? at + 4 + 2 * t.U16(at + 2) : at + 2;
    if (t.U16(inputs) == 0) return;
    return MarkCoverage(t, at + t.U16(inputs + (chained ? 2 : 4)), marks);
  }
  if ((context || chained) && format != 1 && format != 2) throw Malformed{};
  MarkCoverage(t, at + t.U16(at + 2), marks);
}

void MarkLookups(const Table& t, bool positioning, GlyphMarks& marks) {
  if (t.bytes.empty()) return;
  if (t.U16(0) != 1) throw Malformed{};
  const std::size_t list = t.U16(8);
  const std::uint32_t count = t.U16(list);
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::size_t lookup = list + t.U16(list + 2 + 2 * i);
    const std::uint32_t type = t.U16(lookup), flags = t.U16(lookup + 2), subtables = t.U16(lookup + 4);
    for (std::uint32_t k = 0; k < subtables; ++k)
      MarkSubtable(t, lookup + t.U16(lookup + 6 + 2 * k), type, flags, positioning, marks);
  }
}

// The table of the font selected into dc (empty when the font has none); false when it is there
// but cannot be read.
bool FontTable(HDC dc, const char (&tag)[5], std::string& bytes) {
  const DWORD name = DWORD(std::uint8_t(tag[0])) | DWORD(std::uint8_t(tag[1])) << 8 |
                     DWORD(std::uint8_t(tag[2])) << 16 | DWORD(std::uint8_t(tag[3])) << 24;
  const DWORD size = GetFontData(dc, name, 0, nullptr, 0);
  bytes.clear();
  if (size == GDI_ERROR || size == 0) return true;
  bytes.resize(size);
  return GetFontData(dc, name, 0, bytes.data(), size) == size;
}

}  // namespace

PairwiseGlyphs::PairwiseGlyphs(std::string_view gsub, std::string_view gpos, std::string_view gdef) {
  try {
    GlyphMarks marks;
    MarkLookups(Table{gsub}, false, marks);
    MarkLookups(Table{gpos}, true, marks);
    const Table definitions{gdef};
    if (!gdef.empty() && definitions.U16(4) != 0) MarkNonBaseClasses(definitions, definitions.U16(4), marks);
    touched_ = marks.Marked();
    readable_ = true;
  } catch (const Malformed&) {
    readable_ = false;
  }
}

PairwiseGlyphs PairwiseGlyphs::OfFont(HDC dc) {
  std::string gsub, gpos, gdef;
  if (!FontTable(dc, "GSUB", gsub) || !FontTable(dc, "GPOS", gpos) || !FontTable(dc, "GDEF", gdef)) return {};
  return PairwiseGlyphs(gsub, gpos, gdef);
}

}  // namespace TextBlock
