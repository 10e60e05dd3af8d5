#pragma once
// The system: the named rectangular boundary around use cases. Which system holds a use case, a
// note or a free text follows from the geometry and is never stored: the contents choose the
// system, the system keeps the lists, carries its contents along and deletes them with itself.
#include <memory>

#include "core/Factory.h"
#include "core/Storable.h"
#include "core/Weight.h"
#include "elements/note/NoteConnector.h"
#include "elements/usecase/Node.h"
#include "elements/usecase/Parts.h"

namespace UseCase {

// The record of a system.
struct SystemRep {
  zq::Point size{5000, 7000};
  TextBlock::Text* text = nullptr;
  Core::PtrCont<UseCase> useCases;                 // not stored: the nesting gives it
  Core::PtrCont<Note::NoteConnectorEnd> noteEnds;  // not stored: rebuilt by the ends
  Core::PtrCont<Core::IContainable> containables;  // not stored: the nesting gives it
  Style::Style* style = nullptr;                   // not stored
  std::wstring elementStyle;
};

using SystemNode = Node<SystemRep, Style::StyledKind::System, &Style::Names::System, TextBlock::SizingAtLeastArea>;

// The system (element "System"): "Pos", "Size", "ElementStyle" and its name "Text"; the use
// cases, notes and free texts inside it are written inside its element.
class System : public Core::StorableWithPos<System, SystemRep, Core::StorableTraits::Null, SystemNode,
                                            Core::IDeletable, Core::IContainer,
                                            Core::IAttach<Note::NoteConnectorEnd>,
                                            Core::PartnerList<SystemRep, Note::NoteConnectorEnd, &SystemRep::noteEnds>,
                                            Core::ICheckable, Style::IElementStyleClient> {
 public:
  static constexpr std::int32_t kMargin = 200;  // around the name

  // The factory, registered under "System".
  static Core::FactoryImp<System>& Factory();
  static void RegisterProperties(Core::PropertyTable<SystemRep>& table);
  // A new system named "<name?>", 5000 x 7000, its top-left corner at the point.
  static std::shared_ptr<System> Create(Core::Env& env, const zq::Point& at) { return MakeNew<System>(env, at); }
  static Core::ElementPtr CreateElement(Core::Env& env, const zq::Point& at) { return Create(env, at); }

  const Core::PtrCont<UseCase>& GetUseCases() const { return GetRep().useCases; }
  const Core::PtrCont<Core::IContainable>& GetContainables() const { return GetRep().containables; }
  const Core::PtrCont<Note::NoteConnectorEnd>& GetNoteEnds() const { return GetRep().noteEnds; }
  // The name's box (y up) from the text origin, the size of the laid-out name.
  zq::Rect GetNameRect() const;

  // The use case list: adding tells the use case; both do nothing on a deleted system.
  void AddUseCase(Core::Env& env, UseCase& useCase);
  // Answers whether the use case was listed.
  bool RemoveUseCase(Core::Env& env, UseCase& useCase);
  // Reading: appends without checks.
  void AppendUseCase(UseCase& useCase);

  // The system's hit weight as containment compares it: its area, raised when selected in the
  // view (when there is one).
  Core::Weight GetContainmentWeight(const Core::IView* view, const zq::Point& point) const;
  // Lets the contents and every element its rectangle covers decide their container again.
  void RefreshContainment(Core::Env& env);

  // IContainer (notes and free texts lying inside)
  void AddContainable(Core::Env& env, Core::IContainable& containable) override;
  void RemoveContainable(Core::Env& env, Core::IContainable& containable) override;
  bool ContainsContainable(const Core::IContainable& containable) const override;
  void AppendContainable(Core::Env& env, Core::IContainable& containable) override;
  // The containment weight without a view.
  Core::Weight ContainerWeight(const zq::Point& at) const override { return GetContainmentWeight(nullptr, at); }

  // IResizable: never smaller than the name and its margins.
  void SetRect(Core::Env& env, const zq::Rect& rect, bool keepCentred = false) override;

  // ITextOwner: the name at the top left, as wide as the system less the margins, of any height.
  void GetTextOrigin(zq::Point& origin) const override;
  void GetTextAreaSize(TextBlock::Extent& size, const TextBlock::Text&) const override;
  void OnTextChanged(Core::Env& env, TextBlock::Text& text) override;

  // Terminal: the rectangle.
  void GetOutline(std::vector<zq::Point>& outline, bool old) const override;
  void Attach(Core::Env& env, Note::NoteConnectorEnd* end) override { end->SetTerminal(env, this); }

  // IPointable: the frame band and the name only, so that clicks inside reach the contents.
  bool IsNear(const zq::Point& point, std::int32_t tolerance) const override;
  bool GetBoundingRect(zq::Rect& out) const override;
  Core::Weight GetWeight(const Core::IView& view, const zq::Point& point, std::int32_t tolerance) const override;

  // Moving carries the use cases, notes, free texts and note ends along.
  void ShiftImpl(Core::Env& env, Core::IModelElement* sender, const Core::ShiftVector& shift,
                 Core::DeferredShiftSet& set, bool noFollow) override;
  // Deletes the name and the contents; attached note ends are detached.
  void Delete(Core::Env& env) override;
  // Copies take the contents along.
  void CollectForSelection(Core::ModelElementSet& set) override;

  // The element style fills the rectangle.
  void SetElementStyle(Core::Env& env, const std::wstring& name) override;
  std::wstring GetElementStyle() const override { return GetRep().elementStyle; }

  // After every change: the containment refresh.
  void Finalize(Core::Env& env) override;
  // Reading: the size must be at least 1 x 1 and holds until the document is read.
  void RestoreProperties(const xml::IAttributes& attributes, Core::ObjectRegistry& registry) override;
  void OnRestored(Core::Env& env) override;

 private:
  // The attached note ends follow the changed rectangle.
  void Reshaped(Core::Env& env);
  bool reading_ = false;
};

}  // namespace UseCase
