#pragma once
// The region separator: a dashed line across a composite state that divides it into concurrent
// regions. It spans its state from border to border, carries anchored texts (a region's name)
// and may be pointed at by note connectors; it is written inside its state.
#include <memory>

#include "core/Attach.h"
#include "core/Factory.h"
#include "core/Storable.h"
#include "core/Transaction.h"
#include "elements/note/NoteConnector.h"
#include "style/Clients.h"
#include "text/free/Anchor.h"

namespace State {

class State;

// The record of a region separator.
struct RegionSeparatorRep {
  bool v = false;
  std::int32_t len = 1500;
  Core::PtrCont<Note::NoteConnectorEnd> noteEnds;  // not stored
  State* state = nullptr;                          // not stored: the enclosing state element
  Core::PtrCont<Text::Anchor> anchors;             // not stored: written inside
  Style::Style* style = nullptr;                   // not stored
};

// A region separator (element name "RegionSeparator"); "Pos" is the start of the line, which runs
// "Len" to the right (horizontal) or down ("V").
class RegionSeparator
    : public Core::StorableWithPos<RegionSeparator, RegionSeparatorRep, Core::StorableTraits::Null, Core::IDeletable,
                                   Core::INamed,
                                   Text::AnchorList<RegionSeparatorRep, &RegionSeparatorRep::anchors>,
                                   Core::IAttach<Text::Anchor>, Core::IAttach<Note::NoteConnectorEnd>,
                                   Core::PartnerList<RegionSeparatorRep, Note::NoteConnectorEnd, &RegionSeparatorRep::noteEnds>,
                                   Core::ICheckable, Style::IStyleClient, Core::IFollowUpJob> {
 public:
  static constexpr std::int32_t kBorderGap = 200;  // the least distance from the parallel borders

  static Core::FactoryImp<RegionSeparator>& Factory();
  static void RegisterProperties(Core::PropertyTable<RegionSeparatorRep>& t);
  // A new separator in the state: vertical through the point's x, or horizontal through its y,
  // kept 200 inside the borders; it spans the state.
  static std::shared_ptr<RegionSeparator> Create(Core::Env& env, State& state, const zq::Point& at, bool vertical);

  bool IsVertical() const { return GetRep().v; }
  std::int32_t GetLength() const { return GetRep().len; }
  State* GetState() const { return GetRep().state; }
  // The start and end of the line; with old, as before the running transaction.
  zq::Point GetStart(bool old = false) const { return old ? GetOldPos() : GetPos(); }
  zq::Point GetEnd(bool old = false) const;
  // Writes "V" (undoable).
  void SetVertical(Core::Env& env, bool vertical) { SetField(env, &RegionSeparatorRep::v, vertical); }
  // Leaves the old state's regions, joins the new one's; the length fit follows when the change closes.
  void SetState(Core::Env& env, State* state);
  // Writes "Len"; attached note ends and anchors follow the changed line.
  void SetLength(Core::Env& env, std::int32_t length);
  // The state was resized: the start follows its border, the length its width or height.
  void FollowState(Core::Env& env, const Core::ITerminalReshapeInfo& info);
  // The one anchored text, or a new empty one when there is none or several.
  Text::FreeText* GetOrCreateText(Core::Env& env);
  // The one anchored text, or none.
  Text::FreeText* GetOnlyText() const;

  // The length fit of a state change.
  void DoFollowUpJob(Core::Env& env) override;
  Core::IModelElement* GetOwner() const override;
  void SetName(Core::Env& env, const std::wstring& name) override;
  std::wstring GetName() const override;

  bool IsNear(const zq::Point& point, std::int32_t tolerance) const override;
  bool GetBoundingRect(zq::Rect& out) const override;
  Core::Weight GetWeight(const Core::IView& view, const zq::Point& point, std::int32_t tolerance) const override;
  // A note end sits on the nearest point of the line.
  bool GetTerminalOutline(GraphUtil::OutlineHit& out, const zq::float8Point& point, bool horizontal) const override;
  void GetTextPlacement(Text::TextPlacement& placement, const zq::float8Point& point) const override;
  void GetTextStyle(TextBlock::TextStyle& style, const Core::IModelElement* text) const override;
  void Attach(Core::Env& env, Text::Anchor* anchor) override { AddAnchor(env, anchor); }
  void Attach(Core::Env& env, Note::NoteConnectorEnd* end) override { end->SetTerminal(env, this); }
  using Core::IAttach<Text::Anchor>::CanAttach;
  using Core::IAttach<Note::NoteConnectorEnd>::CanAttach;

  void ShiftImpl(Core::Env& env, Core::IModelElement* sender, const Core::ShiftVector& shift,
                 Core::DeferredShiftSet& set, bool noFollow) override;
  // Takes its texts and note connectors along and leaves its state.
  void Delete(Core::Env& env) override;
  bool IsCompletelySelectedImp(const Core::ModelElementSet& set) override;
  void CollectForSelection(Core::ModelElementSet& set) override;

  void SetStyle(Core::Env& env, Style::Style* style) override;
  Style::Style* GetStyle() const override { return GetRep().style; }
  void StyleChanged(Core::Env& env, const Style::DirectoryName& changed) override;
  void CollectDirectoryNames(Style::IUsageCollector& collector) const override;
  void CreateDirectories(Core::Env& env, Style::Style* style) override;

  Core::ElementPtr CreateChildElement(Core::Env& env, const std::wstring& nsUri, const std::wstring& name) override;
  void EndRestore(Core::Env& env, const Core::RestoreContext& context) override;
  void OnRestored(Core::Env& env) override;

 private:
  // The note ends and anchors follow a change of the line.
  void LineChanged(Core::Env& env);
};

// Where a separator's line may lie in a state: the coordinate across the line clamped to 200
// inside the parallel borders (the middle in a state narrower than 400).
std::int32_t ClampAcross(const zq::Rect& state, bool vertical, std::int32_t value);

// The drag of a separator: it snaps to the border of the state under the pointer and joins that
// state (or leaves every state) when the drag ends.
class RegionSeparatorMoveController {
 public:
  // tolerance: how far outside a state the pointer may be, in logical units.
  RegionSeparatorMoveController(RegionSeparator& separator, std::int32_t tolerance);
  // The state without a compartment under the point (the separator's own first), not moving itself.
  State* FindTarget(const Core::Diagram& diagram, const zq::Point& point, const Core::IView* view,
                    const Core::ModelElementSet* moving) const;
  // Corrects the dragged point so that the separator starts on the target's border; without a
  // target the point is left as it is. Remembers the target for Finish.
  void Restrict(const Core::Diagram& diagram, const zq::Point& origin, zq::Point& point, const Core::IView* view,
                const Core::ModelElementSet* moving);
  // The separator joins the last target found (none: it leaves its state).
  void Finish(Core::Env& env);
  State* GetTarget() const { return target_; }

 private:
  RegionSeparator& separator_;
  std::int32_t tolerance_;
  State* target_ = nullptr;
};

}  // namespace State
