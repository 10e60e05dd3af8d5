#pragma once
// The state compartment: the one text area a simple state may carry below its name. It is written
// inside its state under the tag "Compartment"; the owner link is rebuilt from that nesting.
#include <memory>

#include "core/Factory.h"
#include "core/Storable.h"
#include "view/compartment/Compartment.h"

namespace State {

class State;

// The record of a state compartment.
struct CompartmentRep {
  zq::Point size{100, 100};
  State* owner = nullptr;
  TextBlock::Text* text = nullptr;
  Style::Style* style = nullptr;
};

// A state compartment (element name "StateCompartment").
class Compartment
    : public Core::StorableWithPos<Compartment, CompartmentRep, Core::StorableTraits::Null, ::Compartment::ICompartment> {
 public:
  static Core::FactoryImp<Compartment>& Factory();
  static void RegisterProperties(Core::PropertyTable<CompartmentRep>& table);
  // A new compartment 3000 x 600 at the point reading "<text?>", in no state yet.
  static std::shared_ptr<Compartment> Create(Core::Env& env, const zq::Point& at);

  State* GetState() const { return GetRep().owner; }
  Core::IModelElement* GetOwner() const override;
  std::wstring GetPartTag() const override { return L"Compartment"; }

  // ICompartment
  TextBlock::Text* GetText() const override { return GetRep().text; }
  ::Compartment::ICompartmentOwner* GetCompartmentOwner() const override;
  void SetOwner(Core::Env& env, ::Compartment::ICompartmentOwner* owner) override;
  void SetSize(Core::Env& env, const zq::Point& size) override { SetField(env, &CompartmentRep::size, size); }
  zq::Point GetSize() const override { return GetRep().size; }
  zq::Point GetOldSize() const override { return GetOldRep().size; }
  // By hand: inside a state the height is the compartment's own and the state refits; free, the rectangle.
  void SetRect(Core::Env& env, const zq::Rect& rect, bool keepCentred) override;
  void SetName(Core::Env& env, const std::wstring& name) override;
  std::wstring GetName() const override;
  void SetText(Core::Env& env, TextBlock::Text* text) override { SetField(env, &CompartmentRep::text, text); }
  // The "Compartment" directory's font, left and top aligned, wrapped.
  void GetTextStyle(TextBlock::TextStyle& style, const Core::IModelElement* text) const override;
  void OnTextChanged(Core::Env& env, TextBlock::Text& text) override;

  void ShiftImpl(Core::Env& env, Core::IModelElement* sender, const Core::ShiftVector& shift,
                 Core::DeferredShiftSet& set, bool noFollow) override;
  // Leaves its state (which refits) and goes with its text.
  void Delete(Core::Env& env) override;
  bool IsCompletelySelectedImp(const Core::ModelElementSet& set) override;

  void SetStyle(Core::Env& env, Style::Style* style) override;
  Style::Style* GetStyle() const override { return GetRep().style; }
  void StyleChanged(Core::Env& env, const Style::DirectoryName& changed) override;
  void CollectDirectoryNames(Style::IUsageCollector& collector) const override;
  void CreateDirectories(Core::Env& env, Style::Style* style) override;

  void RestoreProperties(const xml::IAttributes& attributes, Core::ObjectRegistry& registry) override;
  // Reading: the enclosing state becomes the owner; after reading the state takes it as its compartment.
  void EndRestore(Core::Env& env, const Core::RestoreContext& context) override;
  void OnRestored(Core::Env& env) override;

 private:
  bool reading_ = false;
};

}  // namespace State
