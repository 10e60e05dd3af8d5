#pragma once
// The qualifier element of the class and object diagrams over its storable record: the text box
// flush against a side of its owner box, where the box connector's ends attach. It keeps that side
// when resized or refitted to its text; deleted, it hands its ends to the owner.
#include <memory>

#include "core/Attach.h"
#include "core/Grid.h"
#include "core/ModelElementSet.h"
#include "core/Storable.h"
#include "core/Transaction.h"
#include "elements/classobject/Qualifier.h"
#include "elements/note/NoteConnector.h"
#include "style/Model.h"
#include "style/Names.h"
#include "text/Text.h"
#include "view/compartment/Compartment.h"
#include "view/connector/Interfaces.h"
#include "core/foundation/Cast.h"

namespace ClassObject {

// Qualifier Derived with record Rep (size, owner, text, noteEnds, style, elementStyle and the list
// Ends of connector ends End) on boxes Box (which have AddQualifier, RemoveQualifier and
// AppendQualifier). Kind gives the style: static Directory() and kStyledKind.
template <class Derived, class Rep, class Box, class End, Core::PtrCont<End> Rep::*Ends, class Kind>
class QualifierImp
    : public Core::StorableWithPos<Derived, Rep, Core::StorableTraits::Null, IQualifier, Core::IAttach<End>,
                                   Core::PartnerList<Rep, End, Ends>, Core::IAttach<Note::NoteConnectorEnd>,
                                   Core::PartnerList<Rep, Note::NoteConnectorEnd, &Rep::noteEnds>, Core::ICheckable> {
 public:
  static constexpr std::int32_t kMargin = 100;

  // A new qualifier "<?>" of the size for the end (undoable): on the border of the box the end sat
  // on, which it then belongs to (the end then starts at its outer edge), or beside a free end.
  static std::shared_ptr<Derived> CreateAtEnd(Core::Env& env, End& end, const zq::Point& size) {
    Style::Style& style = Style::Style::FindOrCreate(env);
    Style::CreateKindDirectories(env, style, Kind::kStyledKind);
    auto q = Derived::Factory().CreateTyped(env);
    q->SetStyle(env, &style);
    TextBlock::Text::Create(env, *q);
    q->SetRect(env, zq::Rect::FromPosSize(q->GetPos(), size.x, size.y));
    q->SetName(env, L"<?>");
    auto* owner = zq::Cast<Box>(end.GetTerminal());
    end.SetTerminal(env, q.get());
    if (owner != nullptr) {
      q->SetBox(env, owner);
      owner->AddQualifier(env, q.get());
    }
    PlaceAtEnd(env, *q, end, owner);
    return q;
  }

  // The owner box, or none.
  Box* GetBox() const { return this->GetRep().owner; }
  // Writes the owner (undoable) and tells the previous box to forget the qualifier; nothing when
  // deleted or unchanged.
  void SetBox(Core::Env& env, Box* owner) {
    Box* previous = this->GetRep().owner;
    if (this->IsDeleted() || previous == owner) return;
    this->SetField(env, &Rep::owner, owner);
    if (previous != nullptr) previous->RemoveQualifier(env, Self());
  }
  // The connector ends on the qualifier.
  const Core::PtrCont<End>& GetEnds() const { return this->GetRep().*Ends; }

  // IQualifier
  Core::IResizable* GetOwnerBox() const override { return this->GetRep().owner; }
  TextBlock::Text* GetText() const override { return this->GetRep().text; }
  void ReleaseOwner(Core::Env& env) override { SetBox(env, nullptr); }

  // IResizable: the rectangle keeps its side on the box and grows to the text.
  zq::Point GetSize() const override { return this->GetRep().size; }
  zq::Point GetOldSize() const override { return this->GetOldRep().size; }
  void SetRect(Core::Env& env, const zq::Rect& rect, bool = false) override {
    if (this->IsDeleted()) return;
    zq::Rect r = rect.Normalized();
    if (r == this->GetRect()) return;
    if (Box* owner = GetBox()) r = KeepOwnerSide(r, this->GetRect(), owner->GetRect());
    ApplyRect(env, r);
  }
  // INamed: the text's content.
  void SetName(Core::Env& env, const std::wstring& name) override {
    if (!this->IsDeleted() && GetText() != nullptr) GetText()->SetName(env, name);
  }
  std::wstring GetName() const override { return GetText() != nullptr ? GetText()->GetName() : std::wstring(); }
  // ITextOwner: the text inside a margin of 100.
  void GetTextOrigin(zq::Point& origin) const override {
    origin = {this->GetPos().x + kMargin, this->GetPos().y - kMargin};
  }
  void GetTextAreaSize(TextBlock::Extent& size, const TextBlock::Text&) const override {
    size = {std::max(0, GetSize().x - 2 * kMargin), std::max(0, GetSize().y - 2 * kMargin)};
  }
  // The box fits its text, keeping its edge on the owner.
  void OnTextChanged(Core::Env& env, TextBlock::Text&) override {
    if (this->IsDeleted()) return;
    TextBlock::ITextOwner::OnTextAreaChanged(GetText(), env);
    const TextBlock::Extent used = TextBlock::ITextOwner::GetTextAreaSizeUsed(GetText());
    const Core::IGrid& grid = ::Compartment::GridOf(env);
    const zq::Point size(grid.SnapLength(used.width + 2 * kMargin), grid.SnapLength(used.height + 2 * kMargin));
    if (size == GetSize()) return;
    // On the owner's left or top side the box grows away from the owner.
    if (Box* owner = GetBox()) this->SetPos(env, GrowAwayFromOwner(this->GetRect(), owner->GetRect(), size));
    this->SetField(env, &Rep::size, size);
    TextBlock::ITextOwner::OnTextAreaChanged(GetText(), env);
    Reshaped(env, nullptr);
  }
  void SetText(Core::Env& env, TextBlock::Text* text) override {
    if (!this->IsDeleted()) this->SetField(env, &Rep::text, text);
  }
  // The kind's font, centred, one line per paragraph (also while the text is being made).
  void GetTextStyle(TextBlock::TextStyle& style, const Core::IModelElement*) const override {
    style = TextBlock::TextStyle();
    if (this->GetRep().style != nullptr) this->GetRep().style->GetFont(Kind::Directory(), style);
    style.horizontalAlignment = TextBlock::AlignCenter;
    style.verticalAlignment = TextBlock::AlignMiddle;
    style.sizing = TextBlock::SizingAtLeastArea;
  }

  // IShiftable: the attached ends follow.
  void ShiftImpl(Core::Env& env, Core::IModelElement*, const Core::ShiftVector& shift, Core::DeferredShiftSet& set,
                 bool noFollow) override {
    if (this->IsDeleted() || !(shift.shiftX || shift.shiftY)) return;
    this->MarkShifted(set);
    const zq::Point p = Core::ShiftParam::Apply(shift, this->GetPos(), this->GetOldPos());
    if (p == this->GetPos()) return;
    this->SetPos(env, p);
    if (!noFollow) Reshaped(env, &set);
  }
  // Without an owner its ends go with it; with one they move onto the owner.
  void Delete(Core::Env& env) override {
    if (this->IsDeleted()) return;
    Core::IModelElement::Delete(env);
    Box* owner = GetBox();
    for (End* e : Core::PtrCont<End>(GetEnds())) {
      if (owner == nullptr) e->DetachFromTerminal(env, this, true);
      else MoveEndOntoOwner(env, *owner, *e, owner->TryAttach(env, e));
    }
    for (Note::NoteConnectorEnd* e : Core::PtrCont<Note::NoteConnectorEnd>(this->GetRep().noteEnds))
      e->DetachFromTerminal(env, this, true);
    TextBlock::ITextOwner::DeleteWithText(GetText(), env);
    if (owner != nullptr) owner->RemoveQualifier(env, Self());
  }
  // IAttachment: the owner goes, the qualifier with it.
  void OnTerminalDeleted(Core::Env& env) override {
    if (this->IsDeleted()) return;
    Core::IModelElement::Delete(env);
    for (End* e : Core::PtrCont<End>(GetEnds())) e->DetachFromTerminal(env, this, true);
    for (Note::NoteConnectorEnd* e : Core::PtrCont<Note::NoteConnectorEnd>(this->GetRep().noteEnds))
      e->DetachFromTerminal(env, this, true);
    TextBlock::ITextOwner::DeleteWithText(GetText(), env);
  }
  void Attach(Core::Env& env, End* end) override { end->SetTerminal(env, this); }
  void Attach(Core::Env& env, Note::NoteConnectorEnd* end) override { end->SetTerminal(env, this); }
  bool CanAttach(Note::NoteConnectorEnd* end) const override { return end == nullptr || end->GetType() != 1; }
  using Core::IAttach<End>::CanAttach;
  // Copies take the text along.
  void CollectForSelection(Core::ModelElementSet& set) override {
    Core::IModelElement::CollectForSelection(set);
    if (GetText() != nullptr) GetText()->CollectForSelection(set);
  }

  // Styles
  void SetStyle(Core::Env& env, Style::Style* style) override {
    if (this->SetField(env, &Rep::style, style)) TextBlock::ITextOwner::ApplyTextStyle(GetText(), env);
  }
  Style::Style* GetStyle() const override { return this->GetRep().style; }
  void StyleChanged(Core::Env& env, const Style::DirectoryName& changed) override {
    if (!this->IsDeleted()) Style::RestyleTextIfAffected(GetText(), env, changed, Kind::Directory());
  }
  void CollectDirectoryNames(Style::IUsageCollector& collector) const override {
    Style::DirectoryName::VisitFromRoot(collector, Kind::Directory());
  }
  void CreateDirectories(Core::Env& env, Style::Style* style) override {
    if (style != nullptr) Style::CreateKindDirectories(env, *style, Kind::kStyledKind);
  }
  void SetElementStyle(Core::Env& env, const std::wstring& name) override {
    if (this->SetField(env, &Rep::elementStyle, name)) env.Modify(*this, true);
  }
  std::wstring GetElementStyle() const override { return this->GetRep().elementStyle; }

  // Reading: a qualifier on a box joins the box's list.
  void OnRestored(Core::Env&) override {
    if (Box* owner = GetBox(); owner != nullptr && !this->IsDeleted()) owner->AppendQualifier(Self());
  }

 private:
  Derived* Self() { return static_cast<Derived*>(this); }
  // The attached ends follow the changed rectangle.
  void Reshaped(Core::Env& env, Core::DeferredShiftSet* set) {
    const Core::BoxReshapeInfo info(this, this->GetOldRect(), this->GetRect());
    for (End* e : Core::PtrCont<End>(GetEnds())) e->OnTerminalReshaped(env, info, set);
    for (Note::NoteConnectorEnd* e : Core::PtrCont<Note::NoteConnectorEnd>(this->GetRep().noteEnds))
      e->OnTerminalReshaped(env, info, set);
  }
  // Sets the rectangle, grown to the text.
  void ApplyRect(Core::Env& env, zq::Rect r) {
    this->SetPos(env, r.TopLeft());
    this->SetField(env, &Rep::size, zq::Point(r.Width(), r.Height()));
    TextBlock::ITextOwner::OnTextAreaChanged(GetText(), env);
    if (GetText() != nullptr) {
      TextBlock::ITextOwner::GrowRectToText(r, ::Compartment::GridOf(env), this->GetOldPos(), GetText(), kMargin, kMargin,
                                            kMargin, kMargin);
      this->SetPos(env, r.TopLeft());
      this->SetField(env, &Rep::size, zq::Point(r.Width(), r.Height()));
      TextBlock::ITextOwner::OnTextAreaChanged(GetText(), env);
    }
    Reshaped(env, nullptr);
  }
};

}  // namespace ClassObject
