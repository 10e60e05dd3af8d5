#pragma once
// The owner protocol of rich texts: style providers, text owners and the helpers owners call.
#include <functional>
#include <memory>

#include "core/ModelElement.h"
#include "core/foundation/Geometry.h"
#include "text/Layout.h"
#include "text/TextStyle.h"

namespace xml {
class Reader;
class Tag;
}  // namespace xml

namespace Core {
class Env;
}

namespace TextBlock {

class Text;

// Gives the style of the texts of an element.
class ITextStyleProvider {
 public:
  virtual ~ITextStyleProvider() = default;
  // The style of the given text of this provider (its own or one anchored to it); by default the default style.
  virtual void GetTextStyle(TextStyle& style, const Core::IModelElement* text) const;
};

// Rounds a needed size (width, height) up to the grid.
using SizeRounding = std::function<Extent(Extent)>;
// The rounding of a grid of the given step: up to whole steps.
SizeRounding RoundUpToSteps(std::int32_t step);

// An element that owns a text.
class ITextOwner : public virtual ITextStyleProvider, public virtual Core::IModelElement {
 public:
  // The top-left corner of the text in model units (y up); the lines run downward from it.
  virtual void GetTextOrigin(zq::Point& origin) const = 0;
  // The width and height of the area the text is laid out in.
  virtual void GetTextAreaSize(Extent& size, const Text& text) const = 0;
  // Called by the text after a change of its content or style, by the rules of change notification.
  virtual void OnTextChanged(Core::Env& env, Text& text) = 0;
  // Writes the owner's "Text".
  virtual void SetText(Core::Env& env, Text* text) = 0;

  // Reads the text's style from the owner and, when it changed, renews fonts and layout in a change bracket.
  static void ApplyTextStyle(Text* text, Core::Env& env);
  // Reads the text's area from the owner again and lays it out, without notifying the owner.
  static void OnTextAreaChanged(Text* text, Core::Env& env);
  // The used size of the last layout; with old, the value before the running transaction when there is one.
  static Extent GetTextAreaSizeUsed(const Text* text, bool old = false);
  // Grows the rectangle (y up) to the used size plus margins, rounded by the grid; the anchor side stays.
  static void GrowRectToText(zq::Rect& rect, const SizeRounding& round, const zq::Point& anchor, const Text* text,
                             std::int32_t left, std::int32_t right, std::int32_t top, std::int32_t bottom);
  // Deletes the text (undoable) and drops its layout; nothing when already deleted.
  static void DeleteWithText(Text* text, Core::Env& env);
  // True when the text holds no character (none counts as empty).
  static bool IsTextEmpty(const Text* text);

  // True when the child element is the owner's own text ("Text").
  static bool IsOwnChildElement(const xml::Tag& child);
  // Restores the child "Text" into a new text of this owner and hands it to SetText; false for other children.
  bool RestoreChildElement(Core::Env& env, xml::Reader& reader, const xml::Tag& child);
};

}  // namespace TextBlock
