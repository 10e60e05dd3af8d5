#include "text/Content.h"

#include <algorithm>
#include <cmath>

namespace TextBlock {

FontSpec FontFromStyle(const TextStyle& style) {
  FontSpec font;
  // One point is 2540 / 72 units of 0.01 mm; a negative height asks for the character height.
  const double height = std::floor(style.size * 2540.0 / 72.0 + 0.5);
  // A size beyond the model's range is held at its limit; one that is not a number gives 0.
  const double limited = std::isnan(height) ? 0.0 : std::clamp(height, -double(kMaxFontSize), double(kMaxFontSize));
  font.height = -static_cast<std::int32_t>(limited);
  font.weight = style.bold ? 700 : 400;
  font.italic = style.italic ? 1 : 0;
  font.underline = style.underline ? 1 : 0;
  font.faceName = style.face.substr(0, kMaxFaceNameLength);
  return font;
}

namespace {

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c < 0xDC00; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c < 0xE000; }
bool IsCharacter(const Item& item, bool (*test)(char16_t)) {
  return item.kind == ItemKind::Character && test(item.unit);
}

}  // namespace

bool IsStorableUnit(char16_t c) {
  if (c < 0x20) return c == u'\t' || c == u'\n' || c == u'\r';
  return c < 0xD800 || (c >= 0xE000 && c < 0xFFFE);
}

void Content::SetItems(std::vector<Item> items) {
  items_.clear();
  items_.reserve(items.size());
  for (Item& item : items) Append(std::move(item));
  if (!items_.empty() && IsCharacter(items_.back(), IsHighSurrogate)) items_.pop_back();
}

void Content::Append(Item item) {
  const bool low = IsCharacter(item, IsLowSurrogate);
  // Only the last item can be a high surrogate still waiting for its low one.
  const bool pendingHigh = !items_.empty() && IsCharacter(items_.back(), IsHighSurrogate);
  if (pendingHigh && !low) items_.pop_back();
  if (item.kind == ItemKind::Character && !IsStorableUnit(item.unit)) {
    const bool pairs = (low && pendingHigh) || IsHighSurrogate(item.unit);
    if (!pairs) return;
  }
  items_.push_back(std::move(item));
}

std::u16string Content::GetName() const {
  std::u16string name;
  name.reserve(items_.size());
  for (const Item& item : items_) {
    if (item.kind == ItemKind::Character) name.push_back(item.unit);
    else if (item.kind == ItemKind::ParagraphStart) name.push_back(u'\n');
  }
  return name;
}

void Content::SetName(std::u16string_view name) {
  std::vector<Item> items;
  items.reserve(name.size());
  for (std::size_t i = 0; i < name.size(); ++i) {
    const char16_t c = name[i];
    if (c == u'\n' && i > 0 && name[i - 1] == u'\r') continue;  // CR LF is one paragraph start
    if (c == u'\r' || c == u'\n' || c == u'\u2028' || c == u'\u2029') items.push_back(Item::ParagraphStart());
    else items.push_back(Item::Character(c));
  }
  SetItems(std::move(items));
}

bool Content::IsEmpty() const {
  for (const Item& item : items_)
    if (item.kind == ItemKind::Character) return false;
  return true;
}

std::vector<Paragraph> Content::Paragraphs(const FontPtr& baseFont) const {
  std::vector<Paragraph> paragraphs(1);
  paragraphs.back().runs.push_back({0, baseFont});
  for (const Item& item : items_) {
    Paragraph& p = paragraphs.back();
    switch (item.kind) {
      case ItemKind::Character:
        p.text.push_back(item.unit);
        break;
      case ItemKind::ParagraphStart: {
        FontPtr font = p.runs.back().font;
        paragraphs.push_back({});
        paragraphs.back().runs.push_back({0, std::move(font)});
        break;
      }
      case ItemKind::FontChange:
        if (!item.font) break;
        if (p.runs.back().begin == p.text.size()) p.runs.back().font = item.font;
        else p.runs.push_back({p.text.size(), item.font});
        break;
    }
  }
  return paragraphs;
}

void Content::RenewFonts(const TextStyle& oldStyle, const TextStyle& newStyle) {
  const FontSpec before = FontFromStyle(oldStyle), after = FontFromStyle(newStyle);
  for (Item& item : items_) {
    if (item.kind != ItemKind::FontChange || !item.font) continue;
    // A field that the old style gave follows the new style; a field set by hand stays.
    FontSpec font = *item.font;
    if (font.height == before.height) font.height = after.height;
    if (font.weight == before.weight) font.weight = after.weight;
    if (font.italic == before.italic) font.italic = after.italic;
    if (font.underline == before.underline) font.underline = after.underline;
    if (font.faceName == before.faceName) font.faceName = after.faceName;
    item.font = std::make_shared<const FontSpec>(std::move(font));
  }
}

std::u16string ToUtf16(std::wstring_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (wchar_t wc : text) {
    const auto c = static_cast<std::uint32_t>(wc);
    if (c > 0xFFFF && c <= 0x10FFFF) {
      out.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(c > 0xFFFF ? 0xFFFD : c));
    }
  }
  return out;
}

std::wstring FromUtf16(std::u16string_view text) {
  std::wstring out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if constexpr (sizeof(wchar_t) >= 4) {
      if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) {
        out.push_back(static_cast<wchar_t>(0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00)));
        ++i;
        continue;
      }
    }
    out.push_back(static_cast<wchar_t>(c));
  }
  return out;
}

}  // namespace TextBlock
