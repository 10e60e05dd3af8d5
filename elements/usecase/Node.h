#pragma once
// What actors, use cases and systems share: a movable box node with a name text, whose font
// comes from the kind's style directory, and the undoable record fields "Size", "Text" and "Style".
#include <memory>
#include <string>

#include "core/Shift.h"
#include "core/Storable.h"
#include "elements/classobject/Terminal.h"
#include "style/Model.h"
#include "style/Names.h"
#include "text/Text.h"
#include "view/compartment/Compartment.h"

namespace UseCase {

// Rep holds size, text and style; Kind names the style directories made for a new node, Directory
// the one its name takes its font from, Sizing the name's size mode.
template <class Rep, Style::StyledKind Kind, const Style::DirectoryName& (*Directory)(), std::int32_t Sizing>
class Node : public ClassObject::Terminal, public Core::IShiftable, public virtual Core::IRepOwner<Rep> {
 public:
  TextBlock::Text* GetText() const { return this->GetRep().text; }

  // IResizable
  zq::Point GetSize() const override { return this->GetRep().size; }
  zq::Point GetOldSize() const override { return this->GetOldRep().size; }

  // INamed: the content of the name text (nothing on a deleted node).
  void SetName(Core::Env& env, const std::wstring& name) override {
    if (!this->IsDeleted() && GetText()) GetText()->SetName(env, name);
  }
  std::wstring GetName() const override { return GetText() ? GetText()->GetName() : std::wstring(); }
  void SetText(Core::Env& env, TextBlock::Text* text) override { Write(env, &Rep::text, text); }
  // The font of the directory for the own name, lines centred both ways.
  void GetTextStyle(TextBlock::TextStyle& style, const Core::IModelElement* text) const override {
    style = TextBlock::TextStyle();
    if (text == GetText() && GetStyle()) GetStyle()->GetFont(Directory(), style);
    style.horizontalAlignment = TextBlock::AlignCenter;
    style.verticalAlignment = TextBlock::AlignMiddle;
    style.sizing = Sizing;
  }

  // IStyleClient
  void SetStyle(Core::Env& env, Style::Style* style) override {
    if (Write(env, &Rep::style, style)) TextBlock::ITextOwner::ApplyTextStyle(GetText(), env);
  }
  Style::Style* GetStyle() const override { return this->GetRep().style; }
  void StyleChanged(Core::Env& env, const Style::DirectoryName& changed) override {
    if (!this->IsDeleted()) Style::RestyleTextIfAffected(GetText(), env, changed, Directory());
  }
  void CollectDirectoryNames(Style::IUsageCollector& collector) const override {
    Style::DirectoryName::VisitFromRoot(collector, Directory());
  }
  void CreateDirectories(Core::Env& env, Style::Style* style) override {
    if (style) Style::CreateKindDirectories(env, *style, Kind);
  }
  // Copies take the name along.
  void CollectForSelection(Core::ModelElementSet& set) override {
    Core::IModelElement::CollectForSelection(set);
    if (GetText()) GetText()->CollectForSelection(set);
  }

 protected:
  // A new node of the kind named "<name?>" with its top-left corner at the point, its style
  // directories made when missing.
  template <class Derived>
  static std::shared_ptr<Derived> MakeNew(Core::Env& env, const zq::Point& at) {
    Style::Style& style = Style::Style::FindOrCreate(env);
    Style::CreateKindDirectories(env, style, Kind);
    auto node = Derived::Factory().CreateTyped(env);
    node->SetStyle(env, &style);
    TextBlock::Text::Create(env, *node);
    node->SetPos(env, at);
    node->SetName(env, L"<name?>");
    return node;
  }
  // The undoable write of a field; nothing when deleted or equal. True when written.
  template <class F, class V>
  bool Write(Core::Env& env, F Rep::*field, const V& value) {
    if (this->IsDeleted() || this->GetRep().*field == value) return false;
    this->ModifyField(env, field) = value;
    return true;
  }
  // The move of the box by the shift; false when nothing moved or the attached parts stay.
  bool MoveBy(Core::Env& env, const Core::ShiftVector& shift, Core::DeferredShiftSet& set, bool noFollow) {
    if (this->IsDeleted() || (!shift.shiftX && !shift.shiftY)) return false;
    this->MarkShifted(set);
    const zq::Point pos = Core::ShiftParam::Apply(shift, this->GetPos(), this->GetOldPos());
    if (pos == this->GetPos()) return false;
    this->SetPos(env, pos);
    return !noFollow;
  }
  // Grows the box so that the name and the margin on every side fit, the side on the saved
  // position staying put; false when it did not change.
  bool GrowToName(Core::Env& env, std::int32_t margin) {
    zq::Rect r = this->GetRect();
    TextBlock::ITextOwner::GrowRectToText(r, ::Compartment::GridOf(env), this->GetOldPos(), GetText(), margin, margin,
                                          margin, margin);
    if (!Place(env, r)) return false;
    TextBlock::ITextOwner::OnTextAreaChanged(GetText(), env);
    return true;
  }
  // The box set to the rectangle; false when deleted or unchanged.
  bool Place(Core::Env& env, const zq::Rect& rect) {
    const zq::Rect r = rect.Normalized();
    if (this->IsDeleted() || r == this->GetRect()) return false;
    this->SetPos(env, r.TopLeft());
    Write(env, &Rep::size, zq::Point(r.Width(), r.Height()));
    return true;
  }
};

}  // namespace UseCase
