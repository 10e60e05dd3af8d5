#pragma once
// The owner protocol of rich texts: style providers, text owners and the helpers owners call.
#include <cstdint>

#include "core/Interfaces.h"
#include "core/Weight.h"
#include "core/foundation/Geometry.h"
#include "text/Layout.h"
#include "text/TextStyle.h"

namespace xml {
class Reader;
class Tag;
}  // namespace xml

namespace Core {
class Env;
class IGrid;
}  // namespace Core

namespace TextBlock {

class Text;

// Gives the style of the texts of an element.
class ITextStyleProvider {
 public:
  virtual ~ITextStyleProvider() = default;
  // The style of the given text of this provider (its own or one anchored to it); by default the default style.
  virtual void GetTextStyle(TextStyle& style, const Core::IModelElement* text) const;
};

// An element that owns a text.
class ITextOwner : public virtual ITextStyleProvider, public virtual Core::IPointable {
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
  // Grows the rectangle (y up) to the used size plus margins, rounded up by the grid's size rounding;
  // the side on the anchor point stays; the rectangle never shrinks.
  static void GrowRectToText(zq::Rect& rect, const Core::IGrid& grid, const zq::Point& anchor, const Text* text,
                             std::int32_t left, std::int32_t right, std::int32_t top, std::int32_t bottom);
  // Deletes the text (undoable) and drops its layout; nothing when already deleted.
  static void DeleteWithText(Text* text, Core::Env& env);
  // True when the text holds no character (none counts as empty).
  static bool IsTextEmpty(const Text* text);

  // True when the child element is the owner's own text ("Text").
  static bool IsOwnChildElement(const xml::Tag& child);
  // The owner's child hook of the document reader: restores the child "Text" (content and end tag)
  // into a new text of this owner and hands it to SetText; false for other children, which owners
  // with more kinds of children then read in their own override.
  bool RestoreChildElement(Core::Env& env, xml::Reader& reader, const xml::Tag& child) override;

 private:
  // Set once the owner's "Text" child has been read: a second one makes the document malformed,
  // since the first text would be left behind with no owner that writes or deletes it.
  bool textRead_ = false;
};

}  // namespace TextBlock
