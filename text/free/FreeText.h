#pragma once
// Free texts: a text element of its own, placed by one of its corners, that may hang on an anchor
// (a label of a connector segment or end) or lie in a container.
#include <cstdint>
#include <memory>
#include <string>

#include "core/Attach.h"
#include "core/Interfaces.h"
#include "core/Shift.h"
#include "core/Storable.h"
#include "style/Clients.h"
#include "text/Text.h"
#include "text/TextOwner.h"

namespace Text {

class FreeText;
class Anchor;

// Which corner of a free text's box lies on its position.
enum TextOrigin : std::int32_t {
  OriginTopLeft = 1,      // the box lies right of and below the position
  OriginTopRight = 2,     // left of and below
  OriginBottomRight = 3,  // left of and above
  OriginBottomLeft = 4,   // right of and above
};

// The top-left corner of a box of the used size whose origin corner lies on the position (y up);
// a code outside 1 to 4 counts as 1.
zq::Point TextOriginPoint(std::int32_t origin, const zq::Point& position, TextBlock::Extent used);

// Where a new anchored text goes: the anchor on its owner, the text's corner point and which corner.
struct TextPlacement {
  zq::float8Point anchorPoint;
  zq::float8Point textPoint;
  std::int32_t origin = OriginTopLeft;
  Style::Style* style = nullptr;  // the document's style
};

// The side of an anchor toward its free text.
class IFreeTextOwner : public virtual Core::IModelElement {
 public:
  // A null free text deletes the owner; any other is recorded (undoable).
  virtual void SetFreeText(Core::Env& env, FreeText* text) = 0;
  // The free text, or none.
  virtual FreeText* GetFreeText() const = 0;
};

// The record of a free text.
struct FreeTextRep {
  TextBlock::Text* text = nullptr;
  IFreeTextOwner* owner = nullptr;  // its anchor
  Core::IContainer* container = nullptr;
  std::int32_t origin = OriginTopLeft;
  Style::Style* style = nullptr;  // the document's style
  Core::PtrCont<Core::IAttachment> noteEnds;  // not stored: the connector ends that point at the text
};

// A free text: its text's box has the corner named by "Origin" on "Pos". Connector ends that point
// at it (a note's connector) lie on its box, follow it and go with it.
class FreeText : public Core::StorableWithPos<FreeText, FreeTextRep, Core::StorableTraits::Null, TextBlock::ITextOwner,
                                              Core::IContainable, Core::IShiftable, Style::IStyleClient,
                                              Core::ITerminal,
                                              Core::PartnerList<FreeTextRep, Core::IAttachment, &FreeTextRep::noteEnds>> {
 public:
  // The factory, registered under "FreeText".
  static Core::FactoryImp<FreeText>& Factory();
  // Registers "Text", "Owner", "Container", "Origin" and "Style".
  static void RegisterProperties(Core::PropertyTable<FreeTextRep>& table);

  // Creates a free text (undoable): with an owner (its anchor) it hangs there; the content is the
  // initial text; the corner named by origin lies on the position.
  static std::shared_ptr<FreeText> Create(Core::Env& env, IFreeTextOwner* owner, const zq::Point& position,
                                          const std::wstring& text, std::int32_t origin);
  // The background command's free text: empty, its top-left corner at the point, in whatever
  // container encloses it.
  static Core::ElementPtr Create(Core::Env& env, const zq::Point& position);
  // A free text placed inside the container.
  static std::shared_ptr<FreeText> Create(Core::Env& env, Core::IContainer& container, const zq::Point& position,
                                          const std::wstring& text);

  // The text, or none.
  TextBlock::Text* GetText() const { return GetRep().text; }
  // The anchor it hangs on, or none.
  IFreeTextOwner* GetFreeTextOwner() const { return GetRep().owner; }
  // Records the anchor (undoable).
  void SetFreeTextOwner(Core::Env& env, IFreeTextOwner* owner);
  // The origin code.
  std::int32_t GetOrigin() const { return GetRep().origin; }
  // Writes the origin code (undoable); codes outside 1 to 4 are refused.
  void SetOrigin(Core::Env& env, std::int32_t origin);
  // The laid-out box (y up): top-left at the text origin, the used size (an empty text's at least
  // the empty area's width).
  zq::Rect GetBox() const;
  // The model owner: the anchor, else the container.
  Core::IModelElement* GetOwner() const override;

  // ITextOwner
  void GetTextOrigin(zq::Point& origin) const override;
  void GetTextAreaSize(TextBlock::Extent& size, const TextBlock::Text& text) const override;
  void OnTextChanged(Core::Env& env, TextBlock::Text& text) override;
  void SetText(Core::Env& env, TextBlock::Text* text) override;
  void GetTextStyle(TextBlock::TextStyle& style, const Core::IModelElement* text) const override;

  // IPointable
  bool IsNear(const zq::Point& point, std::int32_t tolerance) const override;
  bool GetBoundingRect(zq::Rect& out) const override;
  Core::Weight GetWeight(const Core::IView& view, const zq::Point& point, std::int32_t tolerance) const override;

  // IContainable: only a free text without an anchor looks for the container that encloses it.
  void SetContainer(Core::Env& env, Core::IContainer* container) override;
  Core::IContainer* GetContainer() const override { return GetRep().container; }
  void UpdateContainer(Core::Env& env, Core::ModelElementSet& visited) override;

  // ITerminal: the outline of the box.
  bool GetTerminalOutline(GraphUtil::OutlineHit& out, const zq::float8Point& point, bool horizontal) const override;

  // IShiftable: the ends that point at the text follow it.
  void ShiftImpl(Core::Env& env, Core::IModelElement* sender, const Core::ShiftVector& shift,
                 Core::DeferredShiftSet& set, bool noFollow) override;

  // IStyleClient: an anchorless text takes its font from the directory "Free Text".
  void SetStyle(Core::Env& env, Style::Style* style) override;
  Style::Style* GetStyle() const override { return GetRep().style; }
  void StyleChanged(Core::Env& env, const Style::DirectoryName& changed) override;
  void CollectDirectoryNames(Style::IUsageCollector& collector) const override;
  void CreateDirectories(Core::Env& env, Style::Style* style) override;

  // Deletes the text and lets go of the anchor (which then goes too) and the container; the ends
  // that pointed at it are told that it went.
  void Delete(Core::Env& env) override;
  // Reading: the anchor or container the free text is written in takes it.
  void EndRestore(Core::Env& env, const Core::RestoreContext& context) override;

 private:
  // Whether the text goes as its anchor goes in the move: it is anchored, and the anchor carries it
  // (the sender) or what the anchor hangs on moves with the set.
  bool FollowsAnchor(const Core::IModelElement* sender, const Core::DeferredShiftSet& set) const;
  // The ends that point at the text follow its box from where it was before the transaction.
  void TellReshaped(Core::Env& env, Core::DeferredShiftSet* set);
};

}  // namespace Text
