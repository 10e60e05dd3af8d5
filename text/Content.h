#pragma once
// The items of a rich text (characters, paragraph starts, font changes) and their plain-string form.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "text/TextStyle.h"

namespace TextBlock {

// What one item of a rich text is.
enum class ItemKind : std::uint8_t { Character, ParagraphStart, FontChange };

// One item: a character (one UTF-16 unit), a paragraph start or a font change.
struct Item {
  ItemKind kind = ItemKind::Character;
  char16_t unit = 0;  // the character, for ItemKind::Character
  FontPtr font;       // the new font, for ItemKind::FontChange
  static Item Character(char16_t c) { return {ItemKind::Character, c, nullptr}; }
  static Item ParagraphStart() { return {ItemKind::ParagraphStart, 0, nullptr}; }
  static Item FontChange(FontPtr f) { return {ItemKind::FontChange, 0, std::move(f)}; }
  friend bool operator==(const Item& a, const Item& b) {
    return a.kind == b.kind && a.unit == b.unit && (a.font == b.font || (a.font && b.font && *a.font == *b.font));
  }
};

// A run of one font inside a paragraph, from begin to the next run's begin.
struct FontRun {
  std::size_t begin = 0;
  FontPtr font;
};

// One paragraph as layout sees it: its characters and the fonts in force over them.
struct Paragraph {
  std::u16string text;
  std::vector<FontRun> runs;  // never empty; the first begins at 0
};

// Largest height or width of a font, in 0.01 mm (one metre); a file's larger value is an error.
inline constexpr std::int32_t kMaxFontSize = 100000;

// True when a document can carry the unit as a character of its own: every unit but the C0 controls
// other than tab, line feed and carriage return, U+FFFE, U+FFFF and surrogates (carried only in pairs).
bool IsStorableUnit(char16_t unit);

// The ordered items of one rich text. Every way in keeps out characters a document cannot carry
// (IsStorableUnit; surrogates only as a high one directly followed by a low one), so that what is
// shown is what is saved.
class Content {
 public:
  // The items in order.
  const std::vector<Item>& Items() const { return items_; }
  // Replaces all items, without the characters a document cannot carry.
  void SetItems(std::vector<Item> items);
  // Appends one item; a character a document cannot carry is dropped, and a high surrogate that the
  // item does not complete is dropped before it.
  void Append(Item item);

  // The characters in order with a line feed per paragraph start; font changes give nothing.
  std::u16string GetName() const;
  // Replaces everything by the string: CR, LF, U+2028, U+2029 each start a paragraph, CR LF one.
  void SetName(std::u16string_view name);
  // True when the text holds no character (paragraph starts and font changes do not count).
  bool IsEmpty() const;
  // The paragraphs for layout, the first starting in baseFont.
  std::vector<Paragraph> Paragraphs(const FontPtr& baseFont) const;
  // Replaces the fields the style governs (height, weight, face, italic, underline) in every font change.
  void RenewFonts(const TextStyle& oldStyle, const TextStyle& newStyle);

  friend bool operator==(const Content&, const Content&) = default;

 private:
  std::vector<Item> items_;
};

// UTF-16 units of a wide string (code points above U+FFFF of a 32-bit wide string become pairs).
std::u16string ToUtf16(std::wstring_view text);
// The wide string of UTF-16 units (pairs joined where the wide character is 32 bits wide).
std::wstring FromUtf16(std::u16string_view text);

}  // namespace TextBlock
