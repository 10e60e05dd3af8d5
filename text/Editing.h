#pragma once
// The platform-free side of in-place editing: caret positions over the items of a rich text,
// replacing a range by typed or pasted text, the plain text of a range, and the mapping between
// positions and the laid-out lines (caret place and hit test).
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "text/Content.h"
#include "text/Layout.h"

namespace TextBlock {

// A caret position is an item index: the place before that item (the item count is the end).
// Positions never fall between the two units of a surrogate pair.

// The position after the next character (a pair counts as one), or after the next paragraph start;
// font changes on the way are passed over. The end stays the end.
std::size_t NextPosition(const Content& content, std::size_t pos);
// The position before the previous character, pair or paragraph start.
std::size_t PreviousPosition(const Content& content, std::size_t pos);
// The start and the end of the paragraph the position lies in.
std::size_t ParagraphBegin(const Content& content, std::size_t pos);
std::size_t ParagraphEnd(const Content& content, std::size_t pos);
// The start of the word before the position and the end of the word after it (Ctrl with the arrows).
std::size_t PreviousWord(const Content& content, std::size_t pos);
std::size_t NextWord(const Content& content, std::size_t pos);

// Replaces the items between the positions by the text (CR, LF, CR LF, U+2028 and U+2029 start
// paragraphs; characters a document cannot carry are left out); font changes inside the range are
// kept, so the text after it keeps its font. Answers the position after the inserted text.
std::size_t ReplaceRange(Content& content, std::size_t begin, std::size_t end, std::u16string_view text);
// The plain text between the positions, CR LF for each paragraph start.
std::u16string RangeText(const Content& content, std::size_t begin, std::size_t end);

// A place in the laid-out paragraphs: the paragraph and the unit within it.
struct TextPos {
  std::size_t paragraph = 0;
  std::size_t unit = 0;
  friend bool operator==(const TextPos&, const TextPos&) = default;
};
// The paragraph place of a caret position, and back.
TextPos ToTextPos(const Content& content, std::size_t pos);
std::size_t FromTextPos(const Content& content, TextPos place);

// Where the caret of a place stands in a layout: x from the origin, the top of its line and the
// line's height (y downward from the origin).
struct CaretPlace {
  double x = 0;
  double top = 0;
  double height = 0;
  std::size_t line = 0;
};
CaretPlace PlaceCaret(const Layout& layout, TextPos place);
// The place nearest to the point (x, y downward from the origin).
TextPos HitTest(const Layout& layout, double x, double y);
// The place on the line above (delta -1) or below (+1) nearest to x; the same place at the edges.
TextPos LineStep(const Layout& layout, TextPos place, double x, int delta);
// The first and last place of the line the place lies on (Home and End).
TextPos LineBegin(const Layout& layout, TextPos place);
TextPos LineEnd(const Layout& layout, TextPos place);

// The rectangles (left, top, right, bottom; y downward) that show the selection between two
// places, one per line it touches; a paragraph start inside it shows as a small piece at the line end.
struct SelectionRect {
  double left, top, right, bottom;
};
std::vector<SelectionRect> SelectionRects(const Layout& layout, TextPos begin, TextPos end);

}  // namespace TextBlock
