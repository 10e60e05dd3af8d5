#pragma once
// What every kind of compartment shares over its storable record: creation, the owner, the name
// and size, the style members, shifting, selection and the reading guard that keeps a stored size.
#include <memory>
#include <string>

#include "core/DocumentReader.h"
#include "core/ModelElementSet.h"
#include "core/PropertyKinds.h"
#include "core/Shift.h"
#include "core/Storable.h"
#include "core/Transaction.h"
#include "style/Model.h"
#include "style/Names.h"
#include "view/compartment/Compartment.h"
#include "core/foundation/Cast.h"

namespace Compartment {

// Compartment Derived with record Rep (fields size, owner, text, style) inside boxes of type Owner.
// Kind gives the style: static Directory(), kStyledKind and kSizing (how its text lines break).
template <class Derived, class Rep, class Owner, class Kind>
class CompartmentImp : public Core::StorableWithPos<Derived, Rep, Core::StorableTraits::Null, ICompartment> {
  using Base = Core::StorableWithPos<Derived, Rep, Core::StorableTraits::Null, ICompartment>;

 public:
  // A new compartment at the point with the text "<text?>", in no owner yet, as large as that text
  // needs; lines that wrap do so at the width of the size given (else the registered default).
  static std::shared_ptr<Derived> CreateAt(Core::Env& env, const zq::Point& at, const zq::Point& size = {0, 0}) {
    Style::Style& style = Style::Style::FindOrCreate(env);
    Style::CreateKindDirectories(env, style, Kind::kStyledKind);
    auto c = Derived::Factory().CreateTyped(env);
    const std::int32_t wrapAt = size.x != 0 ? size.x : c->GetSize().x;
    c->SetSize(env, {Kind::kSizing == TextBlock::SizingWrap ? wrapAt : 0, 0});
    c->SetStyle(env, &style);
    TextBlock::Text::Create(env, *c);
    c->SetPos(env, at);
    c->SetName(env, L"<text?>");
    return c;
  }

  // The owning box, or none.
  Owner* GetOwnerBox() const { return this->GetRep().owner; }
  Core::IModelElement* GetOwner() const override { return this->GetRep().owner; }
  ICompartmentOwner* GetCompartmentOwner() const override { return this->GetRep().owner; }
  // Records the owner (undoable); the old owner lets go of the compartment, the new one lays out.
  void SetOwner(Core::Env& env, ICompartmentOwner* owner) override {
    if (this->IsDeleted()) return;
    Owner* next = zq::Cast<Owner>(owner);
    Owner* old = this->GetRep().owner;
    if (next == old) return;
    this->SetField(env, &Rep::owner, next);
    if (old) old->RemoveCompartment(env, *this);
    if (next) next->CompartmentsChanged(env);
  }

  // By hand: inside an owner the height is the compartment's own and the width the owner's,
  // whose edges follow the compartment's; free, the rectangle grown to what the text needs.
  void SetRect(Core::Env& env, const zq::Rect& rect, bool) override {
    if (this->IsDeleted()) return;
    const zq::Rect r = rect.Normalized();
    if (r == this->GetRect()) return;
    Owner* owner = this->GetOwnerBox();
    if (owner) this->ResizeInOwner(env, r, *owner);
    else this->ResizeFree(env, r);
  }

  TextBlock::Text* GetText() const override { return this->GetRep().text; }
  void SetText(Core::Env& env, TextBlock::Text* text) override { this->SetField(env, &Rep::text, text); }
  void SetSize(Core::Env& env, const zq::Point& size) override { this->SetField(env, &Rep::size, size); }
  zq::Point GetSize() const override { return this->GetRep().size; }
  zq::Point GetOldSize() const override { return this->GetOldRep().size; }
  void SetName(Core::Env& env, const std::wstring& name) override {
    if (!this->IsDeleted() && GetText()) GetText()->SetName(env, name);
  }
  std::wstring GetName() const override { return GetText() ? GetText()->GetName() : std::wstring(); }
  // The kind's font, left and top aligned, with the kind's line breaking.
  void GetTextStyle(TextBlock::TextStyle& style, const Core::IModelElement*) const override {
    style = TextBlock::TextStyle();
    if (const Style::Style* s = this->GetRep().style) s->GetFont(Kind::Directory(), style);
    style.horizontalAlignment = TextBlock::AlignLeft;
    style.verticalAlignment = TextBlock::AlignTop;
    style.sizing = Kind::kSizing;
  }
  // A compartment being read keeps its stored size until every element is read.
  void OnTextChanged(Core::Env& env, TextBlock::Text& text) override {
    if (!reading_) ICompartment::OnTextChanged(env, text);
  }

  void ShiftImpl(Core::Env& env, Core::IModelElement*, const Core::ShiftVector& shift, Core::DeferredShiftSet&,
                 bool) override {
    if (this->IsDeleted() || (!shift.shiftX && !shift.shiftY)) return;
    this->SetPos(env, Core::ShiftParam::Apply(shift, this->GetPos(), this->GetOldPos()));
  }
  // A compartment moves with an owner that moves.
  bool IsCompletelySelectedImp(const Core::ModelElementSet& set) override {
    if (set.Contains(this)) return true;
    Owner* owner = GetOwnerBox();
    return owner && owner->IsCompletelySelected(set);
  }

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
    if (style) Style::CreateKindDirectories(env, *style, Kind::kStyledKind);
  }

  void RestoreProperties(const xml::IAttributes& attributes, Core::ObjectRegistry& registry) override {
    reading_ = true;
    Base::RestoreProperties(attributes, registry);
  }

 protected:
  // The end of reading: text changes lay the compartment out again.
  void EndReading() { reading_ = false; }
  // Writes the owner directly while the compartment is read inside it.
  void SetOwnerForReading(Core::Env& env, Owner* owner) { this->SetField(env, &Rep::owner, owner); }

 private:
  bool reading_ = false;
};

// A compartment of an owner that holds at most one (Owner has RestoreCompartment for reading).
// It is written inside its owner under the tag "Compartment", alone under its element name.
template <class Derived, class Rep, class Owner, class Kind>
class SingleCompartmentImp : public CompartmentImp<Derived, Rep, Owner, Kind> {
 public:
  // The size and the text are stored; the owner comes from the nesting, the style from the diagram.
  static void RegisterProperties(Core::PropertyTable<Rep>& t) {
    using namespace Core;
    RegisterProperty<EvalRestore::Mandatory>::Register(t, &Rep::size, L"Size", zq::Point(100, 100));
    RegisterRefNonStoreProperty::Register(t, &Rep::owner, L"Owner");
    RegisterRefProperty<>::Register(t, &Rep::text, L"Text");
    RegisterRefNonStoreProperty::Register(t, &Rep::style, L"Style");
  }

  // Inside its owner "Compartment"; one that left its owner goes under its own element name, which
  // reads back as the same kind.
  std::wstring GetPartTag() const override { return this->GetOwnerBox() ? L"Compartment" : std::wstring(); }
  // Leaves its owner (which lays out again) and goes with its text.
  void Delete(Core::Env& env) override {
    if (this->IsDeleted()) return;
    if (Owner* owner = this->GetOwnerBox()) owner->RemoveCompartment(env, *this);
    Core::IModelElement::Delete(env);
    TextBlock::ITextOwner::DeleteWithText(this->GetText(), env);
  }
  // Reading: the enclosing owner becomes the owner and takes it as its compartment at once, so
  // that the owner's name, laid out when the styles are handed out, keeps clear of it.
  void EndRestore(Core::Env& env, const Core::RestoreContext& context) override {
    this->SetOwnerForReading(env, zq::Cast<Owner>(context.enclosing));
    if (Owner* owner = this->GetOwnerBox()) owner->RestoreCompartment(static_cast<Derived&>(*this));
  }
  void OnRestored(Core::Env&) override { this->EndReading(); }
};

}  // namespace Compartment
