#pragma once
// The compartments of a class box: a doubly linked stack below the header. Only "Previous" is
// written; "Next", the owner and the class's first compartment are rebuilt when a class is read.
#include <memory>

#include "core/Factory.h"
#include "core/Storable.h"
#include "view/compartment/Compartment.h"

namespace Class {

class Class;
class Compartment;

// The record of a class compartment.
struct CompartmentRep {
  zq::Point size{3000, 800};
  Class* owner = nullptr;
  TextBlock::Text* text = nullptr;
  Compartment* previous = nullptr;
  Compartment* next = nullptr;
  Style::Style* style = nullptr;
};

// One compartment of a class (element name "Compartment").
class Compartment
    : public Core::StorableWithPos<Compartment, CompartmentRep, Core::StorableTraits::Null, ::Compartment::ICompartment> {
 public:
  // The factory, registered under "Compartment".
  static Core::FactoryImp<Compartment>& Factory();
  // Registers "Size", "Owner", "Text", "Previous", "Next" and "Style".
  static void RegisterProperties(Core::PropertyTable<CompartmentRep>& table);
  // A new compartment at the point with the text "<text?>", in no class yet.
  static std::shared_ptr<Compartment> Create(Core::Env& env, const zq::Point& at);

  // The owning class, or none.
  Class* GetClass() const { return GetRep().owner; }
  Core::IModelElement* GetOwner() const override;
  // Sets the owner of this compartment and of every one after it.
  void SetOwnerOfChain(Core::Env& env, Class* owner);
  Compartment* GetPrevious() const { return GetRep().previous; }
  Compartment* GetNext() const { return GetRep().next; }
  // Write a link (undoable); nothing when deleted or unchanged.
  void SetPrevious(Core::Env& env, Compartment* c) { SetField(env, &CompartmentRep::previous, c); }
  void SetNext(Core::Env& env, Compartment* c) { SetField(env, &CompartmentRep::next, c); }
  // The last compartment of the list that starts here.
  Compartment* GetLast();
  // Takes the compartment out of its list and its class; returns the former successor.
  Compartment* Unlink(Core::Env& env);
  // Links the list that starts at head before or after this compartment; its members join this
  // compartment's class.
  void InsertChain(Core::Env& env, Compartment& head, bool before);

  // ICompartment
  TextBlock::Text* GetText() const override { return GetRep().text; }
  ::Compartment::ICompartmentOwner* GetCompartmentOwner() const override;
  void SetOwner(Core::Env& env, ::Compartment::ICompartmentOwner* owner) override;
  void SetSize(Core::Env& env, const zq::Point& size) override { SetField(env, &CompartmentRep::size, size); }
  zq::Point GetSize() const override { return GetRep().size; }
  zq::Point GetOldSize() const override { return GetOldRep().size; }
  // Resizing by hand: the width goes to the class, which lays the stack out.
  void SetRect(Core::Env& env, const zq::Rect& rect, bool keepCentred) override;

  void SetName(Core::Env& env, const std::wstring& name) override;
  std::wstring GetName() const override;
  void SetText(Core::Env& env, TextBlock::Text* text) override { SetField(env, &CompartmentRep::text, text); }
  void GetTextStyle(TextBlock::TextStyle& style, const Core::IModelElement* text) const override;

  void ShiftImpl(Core::Env& env, Core::IModelElement* sender, const Core::ShiftVector& shift,
                 Core::DeferredShiftSet& set, bool noFollow) override;
  // The start of a move without the class: the first of a run of moved compartments takes the run
  // out of its stack (whose remaining compartments close up) as a free chain. True when nothing
  // was detached: the class moves too, or an earlier compartment of the run acts.
  bool DetachFromSource(Core::Env& env, Core::DeferredShiftSet& set, const Core::ModelElementSet& moved) override;
  // Unlinks, then deletes the compartment with its text.
  void Delete(Core::Env& env) override;
  // A compartment moves with a class that moves.
  bool IsCompletelySelectedImp(const Core::ModelElementSet& set) override;

  void SetStyle(Core::Env& env, Style::Style* style) override;
  Style::Style* GetStyle() const override { return GetRep().style; }
  void StyleChanged(Core::Env& env, const Style::DirectoryName& changed) override;
  void CollectDirectoryNames(Style::IUsageCollector& collector) const override;
  void CreateDirectories(Core::Env& env, Style::Style* style) override;

  // Reading: the stored size holds until every element is read.
  void RestoreProperties(const xml::IAttributes& attributes, Core::ObjectRegistry& registry) override;
  void OnRestored(Core::Env&) override { reading_ = false; }
  void OnTextChanged(Core::Env& env, TextBlock::Text& text) override;
  // Reading: the enclosing class becomes the owner; the line is kept for the class's chain check.
  void EndRestore(Core::Env& env, const Core::RestoreContext& context) override;
  // The line of the document the compartment was read from (0 when not read).
  int GetReadLine() const { return readLine_; }
  // Writes "Next" while the class rebuilds its list after reading.
  void RestoreNext(Core::Env& env, Compartment* next);

 private:
  int readLine_ = 0;
  bool reading_ = false;
};

}  // namespace Class
