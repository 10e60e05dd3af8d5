#pragma once
// The compartments of a class box: a doubly linked stack below the header. Only "Previous" is
// written; "Next", the owner and the class's first compartment are rebuilt when a class is read.
#include <memory>

#include "core/Factory.h"
#include "view/compartment/CompartmentImp.h"

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

// The style of class compartments: the "Compartment" directory below "Class", one line per paragraph.
struct CompartmentKind {
  static const Style::DirectoryName& Directory() { return Style::Names::ClassCompartment(); }
  static constexpr Style::StyledKind kStyledKind = Style::StyledKind::ClassCompartment;
  static constexpr std::int32_t kSizing = TextBlock::SizingOwnExtent;
};

// One compartment of a class (element name "Compartment").
class Compartment : public ::Compartment::CompartmentImp<Compartment, CompartmentRep, Class, CompartmentKind> {
 public:
  // The factory, registered under "Compartment".
  static Core::FactoryImp<Compartment>& Factory();
  // Registers "Size", "Owner", "Text", "Previous", "Next" and "Style".
  static void RegisterProperties(Core::PropertyTable<CompartmentRep>& table);
  // A new compartment at the point with the text "<text?>", in no class yet.
  static std::shared_ptr<Compartment> Create(Core::Env& env, const zq::Point& at) { return CreateAt(env, at); }

  // The owning class, or none.
  Class* GetClass() const { return GetRep().owner; }
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

  // The start of a move without the class: the first of a run of moved compartments takes the run
  // out of its stack (whose remaining compartments close up) as a free chain. True when nothing
  // was detached: the class moves too, or an earlier compartment of the run acts.
  bool DetachFromSource(Core::Env& env, Core::DeferredShiftSet& set, const Core::ModelElementSet& moved) override;
  // Unlinks, then deletes the compartment with its text.
  void Delete(Core::Env& env) override;

  // Reading: the stored size holds until every element is read.
  void OnRestored(Core::Env&) override { EndReading(); }
  // Reading: the enclosing class becomes the owner; the line is kept for the class's chain check.
  void EndRestore(Core::Env& env, const Core::RestoreContext& context) override;
  // The line of the document the compartment was read from (0 when not read).
  int GetReadLine() const { return readLine_; }
  // Writes "Next" while the class rebuilds its list after reading.
  void RestoreNext(Core::Env& env, Compartment* next);

 private:
  int readLine_ = 0;
};

}  // namespace Class
