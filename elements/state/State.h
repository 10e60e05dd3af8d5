#pragma once
// The state: a rounded box with a name, either simple (the name centred, optionally one
// compartment below it) or composite ("Large": the name top-left, the inside free for the states,
// pseudo-states, notes, free texts and region separators that lie in it).
#include <memory>
#include <string>

#include "core/Factory.h"
#include "core/Storable.h"
#include "core/Weight.h"
#include "elements/classobject/Terminal.h"
#include "elements/note/NoteConnector.h"
#include "elements/state/Parts.h"
#include "view/compartment/Compartment.h"

namespace State {

class Compartment;
class RegionSeparator;

// The record of a state.
struct StateRep {
  zq::Point size{2000, 1000};
  TextBlock::Text* text = nullptr;
  Core::PtrCont<Note::NoteConnectorEnd> noteEnds;     // not stored
  Core::PtrCont<TransitionEnd> transitionEnds;        // not stored
  Core::PtrCont<IStatePart> stateParts;               // not stored: rebuilt from the nesting
  State* containingState = nullptr;                   // not stored
  Core::PtrCont<Core::IContainable> containables;     // not stored
  bool large = false;
  Compartment* compartment = nullptr;                 // not stored
  Style::Style* style = nullptr;                      // not stored
  Core::PtrCont<RegionSeparator> regions;             // not stored
  std::wstring elementStyle;
};

// The state (element name "State").
class State : public Core::StorableWithPos<State, StateRep, Core::StorableTraits::Null, ClassObject::Terminal,
                                           ::Compartment::ISingleCompartmentOwner, Core::IContainer, IStatePart,
                                           ITransitionParty, Core::PartnerList<StateRep, TransitionEnd, &StateRep::transitionEnds>,
                                           Core::IAttach<Note::NoteConnectorEnd>,
                                           Core::PartnerList<StateRep, Note::NoteConnectorEnd, &StateRep::noteEnds>,
                                           Core::ICheckable, Style::IElementStyleClient> {
 public:
  static constexpr std::int32_t kMargin = 100;        // around the name of a simple state
  static constexpr std::int32_t kLargeMargin = 300;   // before the name of a composite state
  static constexpr std::int32_t kCornerRadius = 200;
  static constexpr std::int32_t kLargeExtra = 1200;   // a composite state's minimum beyond its name

  // The factory, registered under "State".
  static Core::FactoryImp<State>& Factory();
  static void RegisterProperties(Core::PropertyTable<StateRep>& table);
  // A new simple state named "<name?>", 2000 x 1000, its top-left corner at the point.
  static std::shared_ptr<State> Create(Core::Env& env, const zq::Point& at);
  static Core::ElementPtr CreateElement(Core::Env& env, const zq::Point& at) { return Create(env, at); }

  TextBlock::Text* GetText() const { return GetRep().text; }
  bool IsLarge() const { return GetRep().large; }
  // Switches between simple and composite; the rectangle is refitted by the new mode's rules.
  void SetLarge(Core::Env& env, bool large);
  Compartment* GetCompartment() const { return GetRep().compartment; }
  const Core::PtrCont<IStatePart>& GetStateParts() const { return GetRep().stateParts; }
  const Core::PtrCont<Core::IContainable>& GetContainables() const { return GetRep().containables; }
  const Core::PtrCont<RegionSeparator>& GetRegions() const { return GetRep().regions; }
  const Core::PtrCont<TransitionEnd>& GetTransitionEnds() const { return GetRep().transitionEnds; }
  zq::Rect GetRect() const { return zq::Rect::FromPosSize(GetPos(), GetSize().x, GetSize().y); }
  zq::Rect GetOldRect() const { return zq::Rect::FromPosSize(GetOldPos(), GetOldSize().x, GetOldSize().y); }
  // Whether the state may hold parts and regions and switch modes by hand: no compartment, parts or regions.
  bool IsPlain() const { return !GetCompartment() && GetStateParts().empty() && GetRegions().empty(); }

  // Nesting: adds the part (refused on a deleted state or one with a compartment) and turns composite.
  bool AddStatePart(Core::Env& env, IStatePart& part);
  void RemoveStatePart(Core::Env& env, IStatePart& part);
  // Reading: appends without checks.
  void AppendStatePart(IStatePart& part);
  // Adds the separator (turning composite) and makes this state its state.
  void AddRegion(Core::Env& env, RegionSeparator& separator);
  void RemoveRegion(Core::Env& env, RegionSeparator& separator);
  // Reading: appends without checks.
  void AppendRegion(RegionSeparator& separator);

  // IStatePart
  State* GetContainingState() const override { return GetRep().containingState; }
  void SetContainingState(Core::Env& env, State* state) override { SetField(env, &StateRep::containingState, state); }
  zq::Rect GetPartRect() const override { return GetRect(); }
  Core::IModelElement* GetOwner() const override { return GetContainingState(); }
  // Decides the enclosing state, then lets the parts and the covered elements decide again.
  void UpdateContainer(Core::Env& env, Core::ModelElementSet& visited) override;

  // IContainer (notes and free texts lying inside)
  void AddContainable(Core::Env& env, Core::IContainable& containable) override;
  void RemoveContainable(Core::Env& env, Core::IContainable& containable) override;
  bool ContainsContainable(const Core::IContainable& containable) const override;
  void AppendContainable(Core::Env& env, Core::IContainable& containable) override;
  // The containment weight without a view: a nested state claims before the states around it.
  Core::Weight ContainerWeight(const zq::Point& at) const override { return ContainmentWeight(nullptr, at); }

  // Compartment owner
  void RemoveCompartment(Core::Env& env, ::Compartment::ICompartment& compartment) override;
  void CompartmentsChanged(Core::Env& env) override;
  bool CanAddCompartment(const Core::IModelElement& element) const override;
  void AddCompartment(Core::Env& env, Core::IModelElement& element) override;

  // IResizable
  zq::Point GetSize() const override { return GetRep().size; }
  zq::Point GetOldSize() const override { return GetOldRep().size; }
  void SetRect(Core::Env& env, const zq::Rect& rect, bool keepCentred = false) override;

  // INamed
  void SetName(Core::Env& env, const std::wstring& name) override;
  std::wstring GetName() const override;

  // ITextOwner
  void GetTextOrigin(zq::Point& origin) const override;
  void GetTextAreaSize(TextBlock::Extent& size, const TextBlock::Text& text) const override;
  void OnTextChanged(Core::Env& env, TextBlock::Text& text) override;
  void SetText(Core::Env& env, TextBlock::Text* text) override { SetField(env, &StateRep::text, text); }
  void GetTextStyle(TextBlock::TextStyle& style, const Core::IModelElement* text) const override;

  // Terminal: the rounded rectangle.
  void GetOutline(std::vector<zq::Point>& outline, bool old) const override;
  bool GetTerminalOutline(GraphUtil::OutlineHit& out, const zq::float8Point& point, bool horizontal) const override;
  void Attach(Core::Env& env, Note::NoteConnectorEnd* end) override { end->SetTerminal(env, this); }
  using ITransitionParty::Attach;
  using ITransitionParty::CanAttach;
  using Core::IAttach<Note::NoteConnectorEnd>::CanAttach;

  // IPointable: a composite state answers on its border band and its name only.
  bool IsNear(const zq::Point& point, std::int32_t tolerance) const override;
  bool GetBoundingRect(zq::Rect& out) const override;
  Core::Weight GetWeight(const Core::IView& view, const zq::Point& point, std::int32_t tolerance) const override;

  // Moving: the parts, containables, separators and attached ends go along.
  void ShiftImpl(Core::Env& env, Core::IModelElement* sender, const Core::ShiftVector& shift,
                 Core::DeferredShiftSet& set, bool noFollow) override;
  // Deletes the state with its compartment, text, parts, separators and containables; ends are detached.
  void Delete(Core::Env& env) override;
  bool IsCompletelySelectedImp(const Core::ModelElementSet& set) override;
  void CollectForSelection(Core::ModelElementSet& set) override;

  // Styles
  void SetStyle(Core::Env& env, Style::Style* style) override;
  Style::Style* GetStyle() const override { return GetRep().style; }
  void StyleChanged(Core::Env& env, const Style::DirectoryName& changed) override;
  void CollectDirectoryNames(Style::IUsageCollector& collector) const override;
  void CreateDirectories(Core::Env& env, Style::Style* style) override;
  void SetElementStyle(Core::Env& env, const std::wstring& name) override;
  std::wstring GetElementStyle() const override { return GetRep().elementStyle; }

  // Containment, then the pending fit.
  void Finalize(Core::Env& env) override;
  // Reading: the stored size holds until every element is read; a state read inside a state lies in it.
  void RestoreProperties(const xml::IAttributes& attributes, Core::ObjectRegistry& registry) override;
  void EndRestore(Core::Env& env, const Core::RestoreContext& context) override;
  void OnRestored(Core::Env& env) override;
  // A child "Compartment" is a state compartment.
  Core::ElementPtr CreateChildElement(Core::Env& env, const std::wstring& nsUri, const std::wstring& name) override;
  // Reading: records the compartment read inside.
  void RestoreCompartment(Compartment& compartment);

  // When a fit is pending, refits a simple state from its top edge: the name's height and margins
  // on the grid, the compartment right under them at the state's width (a wider one widens the
  // state), never leaving out what lies in the state.
  void Fit(Core::Env& env);

 private:
  // The name's laid-out size.
  TextBlock::Extent NameSize() const;
  std::int32_t CompartmentHeight() const;
  // The height from the top edge down to the lowest part or containable lying in the state.
  std::int32_t EnclosingHeight() const;
  // The minimum size of a composite state, rounded by the grid.
  zq::Point LargeMinimum(Core::Env& env) const;
  // Lays the name out at the width in an area of no height.
  void MeasureName(Core::Env& env, std::int32_t width);
  // A simple state from its top-left corner: at least the width, widened to the name and a wider
  // compartment, on the grid; the compartment right under the name at that width; the height the
  // name's with margins on the grid plus the compartment's, at least minHeight.
  void LayOutSimple(Core::Env& env, std::int32_t width, std::int32_t minHeight);
  // Moves the top-left corner, the compartment along.
  void MoveSimple(Core::Env& env, const zq::Point& pos);
  // Attached ends and separators follow the changed rectangle.
  void Reshaped(Core::Env& env);

  bool fitPending_ = false;
  bool reading_ = false;
};

}  // namespace State
