#pragma once
// Line-break opportunities of a paragraph by the Unicode line-breaking classes.
#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

namespace TextBlock {

// The Unicode line-breaking classes; the order is that of the generated table.
enum class LineBreakClass : std::uint8_t {
  // IN_ stands for the class IN, a name the platform headers take.
  XX, BK, CR, LF, NL, SP, ZW, ZWJ, CM, WJ, GL, BA, BB, B2, HY, CB, CL, CP, EX, IN_, NS, OP,
  QU, IS, NU, PO, PR, SY, AI, AL, CJ, EB, EM, H2, H3, HL, ID, JL, JV, JT, RI, SA, SG
};

// What may happen before a UTF-16 unit of a paragraph.
enum class BreakAction : std::uint8_t {
  None,       // the line must not break here
  Allowed,    // the line may break here
  Mandatory,  // the line must break here (after a hard line break character)
};

// What line breaking knows of one code point.
struct LineBreakProperties {
  LineBreakClass cls = LineBreakClass::XX;  // complex-context letters and marks come as AL and CM
  bool wide = false;                        // East Asian width Fullwidth, Wide or Halfwidth
  bool pictographicUnassigned = false;      // an extended pictographic code point not yet assigned
  bool complexContext = false;              // of a script written without spaces between words (Thai, Lao...)
};

// The class of a code point as the table gives it (unlisted code points are XX).
LineBreakClass GetLineBreakClass(char32_t codePoint);
// The class and the flags of a code point.
LineBreakProperties GetLineBreakProperties(char32_t codePoint);

// Finds the words of a run of complex-context text: true before each unit that starts a word.
using WordSegmenter = std::function<std::vector<bool>(std::u16string_view run)>;
// Installs the platform's word segmenter for complex-context runs (none: such runs break only at
// their edges); call at start-up before any layout.
void SetComplexContextSegmenter(WordSegmenter segmenter);

// The break action before each UTF-16 unit of text; index 0 and low surrogates are None.
std::vector<BreakAction> FindLineBreaks(std::u16string_view text);

}  // namespace TextBlock
