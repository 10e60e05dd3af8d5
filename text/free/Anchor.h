#pragma once
// Anchors: the tie of one free text to the element it hangs on, and that element's interface.
#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>

#include "core/Interfaces.h"
#include "core/PropertyKinds.h"
#include "core/Shift.h"
#include "core/Storable.h"
#include "text/TextOwner.h"
#include "text/free/FreeText.h"

namespace Text {

class Anchor;

// An element that carries anchored texts (connector segments, association ends, classes).
class IAnchorOwner : public virtual TextBlock::ITextStyleProvider,
                     public virtual Core::ITerminal,
                     public virtual Core::IShiftable,
                     public virtual Core::IPointable {
 public:
  // Adds the anchor to the owner's list and makes the owner the anchor's owner (undoable).
  virtual void AddAnchor(Core::Env& env, Anchor* anchor) = 0;
  // Removes the anchor from the list (undoable).
  virtual void RemoveAnchor(Core::Env& env, Anchor* anchor) = 0;
  // Whether the anchor is listed.
  virtual bool HasAnchor(const Anchor* anchor) const = 0;
  // Where a new anchored text asked for near the point goes.
  virtual void GetTextPlacement(TextPlacement& placement, const zq::float8Point& point) const = 0;

  // The owners' child hook for nested "Anchor" elements (call it from CreateChildElement): the
  // element made by the factory registered for "Anchor"; none for other names or without a factory
  // (the reader then reports the unknown element); a factory that makes no anchor is an error.
  static Core::ElementPtr RestoreAnchorElement(Core::Env& env, const std::wstring& nsUri, const std::wstring& name);
};

// The record of an anchor.
struct AnchorRep {
  IAnchorOwner* owner = nullptr;
  FreeText* freeText = nullptr;
  zq::float8Point pos;  // the anchor point on its owner
};

// The tie of one free text to its owner; written inside the owner, its free text inside it.
class Anchor : public Core::Storable<Anchor, AnchorRep, Core::StorableTraits::Null, IFreeTextOwner,
                                     TextBlock::ITextStyleProvider, Core::IAttachment, Core::IPointAttachment> {
 public:
  // An anchor is known while it exists, so that passes over the texts of connectors find their parts
  // (Connector::Carriers).
  Anchor();
  Anchor(const Anchor& other);
  ~Anchor() override;
  Anchor& operator=(const Anchor&) = delete;

  // The factory, registered under "Anchor".
  static Core::FactoryImp<Anchor>& Factory();
  // Registers "Owner", "FreeText" and "Pos".
  static void RegisterProperties(Core::PropertyTable<AnchorRep>& table);

  // The owner, or none.
  IAnchorOwner* GetAnchorOwner() const { return GetRep().owner; }
  // Writes "Owner" (undoable), tells the previous owner to drop the anchor and re-applies the style;
  // nothing when deleted or unchanged.
  void SetOwner(Core::Env& env, IAnchorOwner* owner);
  // The anchor point.
  const zq::float8Point& GetPos() const { return GetRep().pos; }
  // Writes the anchor point (undoable).
  void SetPos(Core::Env& env, const zq::float8Point& pos);
  // Re-applies the owner's style to the free text's text.
  void ApplyTextStyle(Core::Env& env);
  // Deletes the anchor and its free text (undoable); nothing when deleted.
  void Detach(Core::Env& env);
  // The model owner: the anchor owner.
  Core::IModelElement* GetOwner() const override;

  // IFreeTextOwner
  void SetFreeText(Core::Env& env, FreeText* text) override;
  FreeText* GetFreeText() const override { return GetRep().freeText; }
  // The owner's style for this anchor; the owner before the transaction when it has none now.
  void GetTextStyle(TextBlock::TextStyle& style, const Core::IModelElement* text) const override;

  // IAttachment: the owner went away, so the anchor and its text go too.
  void OnTerminalDeleted(Core::Env& env) override { Detach(env); }
  // IAttachment: the owner moved or changed shape; the anchor and its text follow.
  void OnTerminalReshaped(Core::Env& env, const Core::ITerminalReshapeInfo& info, Core::DeferredShiftSet* set) override;
  // IPointAttachment: the anchor point, moved with the set when its owner moves with it.
  zq::float8Point GetShiftedInfo(const Core::DeferredShiftSet& set, const zq::float8Point& point,
                                 bool horizontal) const override;

  // Leaves the owner's list and takes the free text along.
  void Delete(Core::Env& env) override;
  // Reading: the enclosing element is the owner.
  void EndRestore(Core::Env& env, const Core::RestoreContext& context) override;
};

// IAnchorOwner's list operations over a list field of the owner's record, so that undo and copies
// take the list along; the owner adds the placement, its style and its geometry.
template <class Rep, Core::PtrCont<Anchor> Rep::*List>
class AnchorList : public IAnchorOwner, public virtual Core::IRepOwner<Rep> {
 public:
  void AddAnchor(Core::Env& env, Anchor* anchor) override {
    if (this->IsDeleted() || anchor == nullptr || HasAnchor(anchor)) return;
    this->ModifyField(env, List).push_back(anchor);
    anchor->SetOwner(env, this);
  }
  void RemoveAnchor(Core::Env& env, Anchor* anchor) override {
    if (this->IsDeleted() || !HasAnchor(anchor)) return;
    auto& list = this->ModifyField(env, List);
    list.erase(std::find(list.begin(), list.end(), anchor));
  }
  bool HasAnchor(const Anchor* anchor) const override {
    const auto& list = this->GetRep().*List;
    return std::find(list.begin(), list.end(), anchor) != list.end();
  }
  // The anchors in order.
  const Core::PtrCont<Anchor>& GetAnchors() const { return this->GetRep().*List; }
};

// Anchors a new free text with the initial text on the owner, placed by the owner for the point
// (undoable): the anchor at the placement's anchor point, the text's corner on its text point.
std::shared_ptr<FreeText> CreateAnchoredText(Core::Env& env, IAnchorOwner& owner, const zq::float8Point& point,
                                             const std::wstring& text);

}  // namespace Text
