#pragma once
// The rich text model element: its items, owner, the area and style it last read, and its used size.
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "core/Factory.h"
#include "core/Interfaces.h"
#include "core/PropertyKinds.h"
#include "core/Storable.h"
#include "core/foundation/Geometry.h"
#include "text/Content.h"
#include "text/DeferredLayout.h"
#include "text/Layout.h"

namespace xml {
class Reader;
class Tag;
}  // namespace xml

namespace TextBlock {

class ITextOwner;

// The record of a text; every field is kept for undo but written only through the owner's "Text".
struct TextRep {
  Content content;
  ITextOwner* owner = nullptr;
  Extent area;                // the area last read from the owner
  TextStyle style;            // the style last read from the owner
  bool hasArea = false;       // whether area holds a value read from the owner
  bool hasStyle = false;      // whether style holds a value read from the owner
  Extent usedSize;            // of the last layout
};

// The element traits of a text: written only in place by its owner.
struct TextTraits {
  static constexpr bool kStored = true;
  static constexpr bool kCopyable = true;
  static constexpr bool kStoredByOwner = true;
};

// The rich text of one owner.
class Text : public Core::Storable<Text, TextRep, TextTraits, Core::INamed> {
 public:
  // The factory, registered under "TextBlock.Text".
  static Core::FactoryImp<Text>& Factory();
  // Registers the record's fields (none of them written as attributes).
  static void RegisterProperties(Core::PropertyTable<TextRep>& table);

  // Creates an empty text of the owner, inserted through the environment and handed to the owner's
  // SetText before it reads the owner's style and area (undoable).
  static std::shared_ptr<Text> Create(Core::Env& env, ITextOwner& owner);

  // Replaces the whole content by the string (CR, LF, CR LF, U+2028, U+2029 start paragraphs); nothing when deleted.
  void SetName(Core::Env& env, const std::wstring& name) override;
  // The characters with a line feed per paragraph start.
  std::wstring GetName() const override;
  // Replaces the whole content by the items inside a change bracket; nothing when deleted.
  void SetContent(Core::Env& env, Content content);
  // The items.
  const Content& GetContent() const { return GetRep().content; }
  // The owner, or none.
  ITextOwner* GetTextOwner() const { return GetRep().owner; }
  // Makes the element the owner (undoable).
  void SetTextOwner(Core::Env& env, ITextOwner* owner);
  // The model owner: the element inside whose element the text is written.
  Core::IModelElement* GetOwner() const override;

  // The laid-out lines for drawing (laid out again when content, style or area changed since).
  std::shared_ptr<const Layout> GetLayout() const;
  // The layout of the current content, style and area, its lines laid out only when asked for.
  const std::shared_ptr<const DeferredLayout>& GetDeferredLayout() const;

  // Writes the element "Text" with mixed content: characters, "p" per paragraph start, "Font" per font change.
  void Store(xml::IWriter& parent, const Core::IClub* club) const override;
  // Reads the content of the element "Text" opened by tag into the items (inside a transaction).
  void ReadContent(Core::Env& env, xml::Reader& reader, const xml::Tag& tag);
  // Reads area and style from the owner and lays out a text that has none yet (a restored one).
  void Finalize(Core::Env& env) override;

  // Runs change inside a change bracket: lays out again afterwards and notifies the owner by its rules.
  void Change(Core::Env& env, const std::function<void()>& change);
  // Reads the area from the owner again (undoable when it changed).
  void ReadArea(Core::Env& env);
  // Reads the style from the owner; true when it differed (then the fonts are renewed).
  bool ReadStyle(Core::Env& env);
  // Takes the style the owner gives (just asked of it); true when it differed, as ReadStyle.
  bool TakeStyle(Core::Env& env, const TextStyle& style);
  // Lays the text out with its current record and records the used size (undoable).
  void Relayout(Core::Env& env);
  // Drops the cached lines.
  void DropLayout() const { layout_.reset(); }

 private:
  mutable std::shared_ptr<const DeferredLayout> layout_;  // texts alike share one
};

// Installs the measurer that layout uses (the platform's, or a test's); forgets every shared
// layout, since the measurer decides them all.
void SetMeasurer(std::shared_ptr<IMeasurer> measurer);
// The installed measurer; throws when none is installed.
IMeasurer& GetMeasurer();

// Lays out the content with the style and area through the installed measurer.
Layout LayoutContent(const Content& content, const TextStyle& style, Extent area);

}  // namespace TextBlock

namespace Core {
// A text writes itself in place of its owner's "Text" reference.
template <>
struct StoredInPlace<TextBlock::Text> : std::true_type {};
}  // namespace Core
