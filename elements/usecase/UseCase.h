#pragma once
// The use case: an ellipse inscribed in a resizable box with its name inside, growing to fit the
// name. Association, generalization, dependency (extend and include) and note connector ends
// attach to the ellipse. It lies in the smallest system that encloses it.
#include <memory>

#include "core/Factory.h"
#include "core/Storable.h"
#include "elements/note/Dependency.h"
#include "elements/note/NoteConnector.h"
#include "elements/usecase/Node.h"
#include "elements/usecase/Parts.h"

namespace UseCase {

class GeneralizationEnd;

// The record of a use case.
struct UseCaseRep {
  zq::Point size{3000, 1000};
  TextBlock::Text* text = nullptr;
  Core::PtrCont<Note::NoteConnectorEnd> noteEnds;           // not stored: rebuilt by the ends
  Core::PtrCont<AssocEnd> assocEnds;                        // not stored: rebuilt by the ends
  Core::PtrCont<GeneralizationEnd> generalizationEnds;      // not stored: rebuilt by the ends
  Core::PtrCont<Dependency::DependencyEnd> dependencyEnds;  // not stored: rebuilt by the ends
  System* system = nullptr;                                 // not stored: the nesting gives it
  Style::Style* style = nullptr;                            // not stored
  std::wstring elementStyle;
};

using UseCaseNode =
    Node<UseCaseRep, Style::StyledKind::UseCase, &Style::Names::UseCase, TextBlock::SizingAtLeastArea>;

// The use case (element "UseCase"): "Pos", "Size", "ElementStyle" and its name "Text".
class UseCase
    : public Core::StorableWithPos<UseCase, UseCaseRep, Core::StorableTraits::Null, UseCaseNode, ISystemPart, IAssocParty,
                                   Core::PartnerList<UseCaseRep, AssocEnd, &UseCaseRep::assocEnds>,
                                   Core::IAttach<GeneralizationEnd>,
                                   Core::PartnerList<UseCaseRep, GeneralizationEnd, &UseCaseRep::generalizationEnds>,
                                   Dependency::IDependencyParty,
                                   Core::PartnerList<UseCaseRep, Dependency::DependencyEnd, &UseCaseRep::dependencyEnds>,
                                   Core::IAttach<Note::NoteConnectorEnd>,
                                   Core::PartnerList<UseCaseRep, Note::NoteConnectorEnd, &UseCaseRep::noteEnds>,
                                   Core::ICheckable, Style::IElementStyleClient> {
 public:
  static constexpr std::int32_t kMargin = 100;  // around the name

  // The factory, registered under "UseCase".
  static Core::FactoryImp<UseCase>& Factory();
  static void RegisterProperties(Core::PropertyTable<UseCaseRep>& table);
  // A new use case named "<name?>", 3000 x 1000, its top-left corner at the point.
  static std::shared_ptr<UseCase> Create(Core::Env& env, const zq::Point& at) { return MakeNew<UseCase>(env, at); }
  static Core::ElementPtr CreateElement(Core::Env& env, const zq::Point& at) { return Create(env, at); }

  const Core::PtrCont<AssocEnd>& GetAssocEnds() const { return GetRep().assocEnds; }
  const Core::PtrCont<GeneralizationEnd>& GetGeneralizationEnds() const { return GetRep().generalizationEnds; }
  const Core::PtrCont<Dependency::DependencyEnd>& GetDependencyEnds() const { return GetRep().dependencyEnds; }
  const Core::PtrCont<Note::NoteConnectorEnd>& GetNoteEnds() const { return GetRep().noteEnds; }

  bool IsActor() const override { return false; }

  // ISystemPart
  void SetSystem(Core::Env& env, System* system) override;
  System* GetSystem() const override { return GetRep().system; }
  Core::IModelElement* GetOwner() const override;
  // The enclosing system of the highest containment weight at the top-left corner.
  void UpdateContainer(Core::Env& env, Core::ModelElementSet& visited) override;

  // IResizable: never smaller than the name and its margins.
  void SetRect(Core::Env& env, const zq::Rect& rect, bool keepCentred = false) override;

  // ITextOwner: the name centred in the box less the margins.
  void GetTextOrigin(zq::Point& origin) const override;
  void GetTextAreaSize(TextBlock::Extent& size, const TextBlock::Text&) const override;
  void OnTextChanged(Core::Env& env, TextBlock::Text& text) override;

  // Terminal: ends sit on the inscribed ellipse.
  void GetOutline(std::vector<zq::Point>& outline, bool old) const override;
  bool GetTerminalOutline(GraphUtil::OutlineHit& out, const zq::float8Point& point, bool horizontal) const override;
  void Attach(Core::Env& env, GeneralizationEnd* end) override;
  void Attach(Core::Env& env, Dependency::DependencyEnd* end) override { end->SetTerminal(env, this); }
  void Attach(Core::Env& env, Note::NoteConnectorEnd* end) override { end->SetTerminal(env, this); }
  using IAssocParty::Attach;
  using IAssocParty::CanAttach;
  using Core::IAttach<GeneralizationEnd>::CanAttach;
  using Core::IAttach<Dependency::DependencyEnd>::CanAttach;
  using Core::IAttach<Note::NoteConnectorEnd>::CanAttach;
  using IAssocParty::TryAttach;
  using Core::IAttach<GeneralizationEnd>::TryAttach;
  using Core::IAttach<Dependency::DependencyEnd>::TryAttach;
  using Core::IAttach<Note::NoteConnectorEnd>::TryAttach;

  // IPointable: the whole box, grown by the tolerance (the ellipse is not tested).
  bool IsNear(const zq::Point& point, std::int32_t tolerance) const override;
  bool GetBoundingRect(zq::Rect& out) const override;
  // The box's Area weight, biased by its system's, raised when selected.
  Core::Weight GetWeight(const Core::IView& view, const zq::Point& point, std::int32_t tolerance) const override;

  void ShiftImpl(Core::Env& env, Core::IModelElement* sender, const Core::ShiftVector& shift,
                 Core::DeferredShiftSet& set, bool noFollow) override;
  // Detaches (and so deletes) the attached ends, deletes the name, leaves its system.
  void Delete(Core::Env& env) override;
  // In the set, or its system completely selected.
  bool IsCompletelySelectedImp(const Core::ModelElementSet& set) override;

  // The element style fills the ellipse.
  void SetElementStyle(Core::Env& env, const std::wstring& name) override;
  std::wstring GetElementStyle() const override { return GetRep().elementStyle; }

  // After every change: finds its system.
  void Finalize(Core::Env& env) override;
  // Reading: the size must be at least 1 x 1; a use case read inside a system lies in it.
  void RestoreProperties(const xml::IAttributes& attributes, Core::ObjectRegistry& registry) override;
  void EndRestore(Core::Env& env, const Core::RestoreContext& context) override;
  void OnRestored(Core::Env& env) override;

 private:
  // The attached ends follow the change (set: the move it belongs to).
  void FollowEnds(Core::Env& env, const Core::ITerminalReshapeInfo& info, Core::DeferredShiftSet& set);
  bool reading_ = false;
};

}  // namespace UseCase
