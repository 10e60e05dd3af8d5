#include "elements/state/RegionSeparator.h"

#include <algorithm>
#include <cmath>

#include "core/Diagram.h"
#include "core/DocumentReader.h"
#include "core/ModelElementSet.h"
#include "core/PropertyKinds.h"
#include "core/Registries.h"
#include "core/Shift.h"
#include "core/Weight.h"
#include "elements/state/State.h"
#include "style/Model.h"
#include "style/Names.h"
#include "text/free/FreeText.h"
#include "core/foundation/Cast.h"

namespace State {

namespace {

// Carries points attached to the line from the previous line to the current one: an end point
// stays an end point; any other keeps its distance from the end that did not move.
class LineReshapeInfo : public Core::ITerminalReshapeInfo {
 public:
  explicit LineReshapeInfo(const RegionSeparator& s) : s_(s) {}
  zq::float8Point MapPoint(const zq::float8Point& p) const override {
    const zq::float8Point a(s_.GetStart(true).x, s_.GetStart(true).y), b(s_.GetEnd(true).x, s_.GetEnd(true).y);
    const zq::float8Point na(s_.GetStart().x, s_.GetStart().y), nb(s_.GetEnd().x, s_.GetEnd().y);
    if (p == a) return na;
    if (p == b) return nb;
    const bool v = s_.IsVertical();
    auto along = [v](const zq::float8Point& q) { return v ? q.y : q.x; };
    const zq::float8Point& r = (!(b == nb) && !(b == na)) ? a : b;
    const double d = std::min(std::abs(along(r) - along(p)), double(s_.GetLength()));
    const bool fromStart = !(nb == b) && !(nb == a);
    const double sign = v ? -1 : 1;  // along the line from the start
    if (fromStart) return v ? zq::float8Point(na.x, na.y + sign * d) : zq::float8Point(na.x + sign * d, na.y);
    return v ? zq::float8Point(nb.x, nb.y - sign * d) : zq::float8Point(nb.x - sign * d, nb.y);
  }
  Core::ITerminal* GetTerminal() const override { return const_cast<RegionSeparator*>(&s_); }

 private:
  const RegionSeparator& s_;
};

}  // namespace

Core::FactoryImp<RegionSeparator>& RegionSeparator::Factory() {
  static Core::FactoryImp<RegionSeparator> factory(Core::SchemaNamespace10(), L"RegionSeparator");
  return factory;
}

void RegionSeparator::RegisterProperties(Core::PropertyTable<RegionSeparatorRep>& t) {
  using namespace Core;
  RegisterBoolProperty::Register(t, &RegionSeparatorRep::v, L"V");
  RegisterProperty<EvalRestore::Mandatory>::Register(t, &RegionSeparatorRep::len, L"Len", std::int32_t(1500));
  RegisterRefContNonStoreProperty::Register(t, &RegionSeparatorRep::noteEnds, L"NoteEnds");
  RegisterRefNonStoreProperty::Register(t, &RegionSeparatorRep::state, L"State");
  RegisterRefContNonStoreProperty::Register(t, &RegionSeparatorRep::anchors, L"TextAnchors");
  RegisterRefNonStoreProperty::Register(t, &RegionSeparatorRep::style, L"Style");
}

std::int32_t ClampAcross(const zq::Rect& state, bool vertical, std::int32_t value) {
  const std::int32_t low = vertical ? state.left : state.bottom;
  const std::int32_t high = vertical ? state.right : state.top;
  if (high - low < 2 * RegionSeparator::kBorderGap) return low + (high - low) / 2;
  return std::clamp(value, low + RegionSeparator::kBorderGap, high - RegionSeparator::kBorderGap);
}

std::shared_ptr<RegionSeparator> RegionSeparator::Create(Core::Env& env, State& state, const zq::Point& at,
                                                         bool vertical) {
  Style::Style& style = Style::Style::FindOrCreate(env);
  auto s = Factory().CreateTyped(env);
  s->CreateDirectories(env, &style);
  s->SetStyle(env, &style);
  s->SetVertical(env, vertical);
  const zq::Rect r = state.GetRect();
  s->SetPos(env, vertical ? zq::Point(ClampAcross(r, true, at.x), r.top) : zq::Point(r.left, ClampAcross(r, false, at.y)));
  s->SetLength(env, vertical ? r.Height() : r.Width());
  state.AddRegion(env, *s);
  return s;
}

zq::Point RegionSeparator::GetEnd(bool old) const {
  const RegionSeparatorRep& rep = old ? GetOldRep() : GetRep();
  const zq::Point a = GetStart(old);
  return rep.v ? zq::Point(a.x, a.y - rep.len) : zq::Point(a.x + rep.len, a.y);
}

void RegionSeparator::SetState(Core::Env& env, State* state) {
  if (IsDeleted() || state == GetState()) return;
  if (State* old = GetState()) old->RemoveRegion(env, *this);
  SetField(env, &RegionSeparatorRep::state, state);
  env.GetTransaction().AddFollowUpJob(*this, shared_from_this());
  if (state) state->AddRegion(env, *this);
}

void RegionSeparator::SetLength(Core::Env& env, std::int32_t length) {
  if (SetField(env, &RegionSeparatorRep::len, length)) LineChanged(env);
}

void RegionSeparator::LineChanged(Core::Env& env) {
  const LineReshapeInfo info(*this);
  Core::DeferredShiftSet none;
  for (Note::NoteConnectorEnd* e : Core::PtrCont<Note::NoteConnectorEnd>(GetRep().noteEnds)) e->OnTerminalReshaped(env, info, &none);
  for (Text::Anchor* a : Core::PtrCont<Text::Anchor>(GetAnchors())) a->OnTerminalReshaped(env, info, &none);
}

void RegionSeparator::DoFollowUpJob(Core::Env& env) {
  if (IsDeleted() || !GetState()) return;
  const zq::Point size = GetState()->GetSize();
  SetLength(env, IsVertical() ? size.y : size.x);
}

void RegionSeparator::FollowState(Core::Env& env, const Core::ITerminalReshapeInfo& info) {
  if (IsDeleted() || !GetState()) return;
  const zq::Rect r = GetState()->GetRect();
  zq::Point start = zq::RoundPoint(info.MapPoint(zq::float8Point(GetStart(true))));
  // The start stays on the state's top (vertical) or left (horizontal) border, inside the other two.
  start = IsVertical() ? zq::Point(ClampAcross(r, true, start.x), r.top) : zq::Point(r.left, ClampAcross(r, false, start.y));
  const zq::Point old = GetStart(true);
  Core::ShiftVector v{double(start.x - old.x), double(start.y - old.y), true, true};
  Core::DeferredShiftSet set;
  Shift(env, nullptr, v, set, false);
  SetLength(env, IsVertical() ? r.Height() : r.Width());
}

Text::FreeText* RegionSeparator::GetOnlyText() const {
  if (GetAnchors().size() != 1) return nullptr;
  return GetAnchors().front()->GetFreeText();
}

Text::FreeText* RegionSeparator::GetOrCreateText(Core::Env& env) {
  if (Text::FreeText* text = GetOnlyText()) return text;
  // With several texts the first is edited: a further one would pile up on the same place.
  if (!GetAnchors().empty())
    if (Text::FreeText* first = GetAnchors().front()->GetFreeText()) return first;
  return Text::CreateAnchoredText(env, *this, zq::float8Point(GetStart()), L"").get();
}

Core::IModelElement* RegionSeparator::GetOwner() const { return GetState(); }

void RegionSeparator::SetName(Core::Env& env, const std::wstring& name) {
  if (IsDeleted()) return;
  if (Text::FreeText* text = GetOrCreateText(env); text && text->GetText()) text->GetText()->SetName(env, name);
}

std::wstring RegionSeparator::GetName() const {
  const Text::FreeText* text = GetOnlyText();
  return text && text->GetText() ? text->GetText()->GetName() : std::wstring();
}

bool RegionSeparator::IsNear(const zq::Point& point, std::int32_t tolerance) const {
  return GraphUtil::IsNearSegment(zq::float8Point(point), zq::float8Point(GetStart()), zq::float8Point(GetEnd()), tolerance);
}

bool RegionSeparator::GetBoundingRect(zq::Rect& out) const {
  out = zq::Rect::FromCorners(GetStart(), GetEnd());
  return true;
}

Core::Weight RegionSeparator::GetWeight(const Core::IView& view, const zq::Point& point, std::int32_t tolerance) const {
  Core::Weight w = Core::Weight::MakeLine(point, tolerance, zq::float8Point(GetStart()), zq::float8Point(GetEnd()));
  w.PromoteIfSelected(view, *this);
  return w;
}

bool RegionSeparator::GetTerminalOutline(GraphUtil::OutlineHit& out, const zq::float8Point& point, bool) const {
  const zq::float8Point a = zq::float8Point(GetStart()), b = zq::float8Point(GetEnd());
  out.valid = true;
  out.point = GraphUtil::ClosestPointOnSegment(a, b, point);
  out.normal = IsVertical() ? zq::float8Vector{point.x < a.x ? -1.0 : 1.0, 0} : zq::float8Vector{0, point.y < a.y ? -1.0 : 1.0};
  out.distance = std::hypot(point.x - out.point.x, point.y - out.point.y);
  out.edge = 0;
  return true;
}

void RegionSeparator::GetTextPlacement(Text::TextPlacement& placement, const zq::float8Point&) const {
  const zq::float8Point a = zq::float8Point(GetStart());
  placement.anchorPoint = a;
  placement.textPoint = {a.x + 200, a.y - 200};
  placement.origin = Text::OriginTopLeft;
  if (!placement.style) placement.style = GetRep().style;
}

void RegionSeparator::GetTextStyle(TextBlock::TextStyle& style, const Core::IModelElement*) const {
  style = TextBlock::TextStyle();
  if (const Style::Style* s = GetRep().style) s->GetFont(Style::Names::ConcurrentRegion(), style);
  style.horizontalAlignment = TextBlock::AlignLeft;
  style.verticalAlignment = TextBlock::AlignMiddle;
  style.sizing = TextBlock::SizingOwnExtent;
}

void RegionSeparator::ShiftImpl(Core::Env& env, Core::IModelElement*, const Core::ShiftVector& shift,
                                Core::DeferredShiftSet& set, bool noFollow) {
  if (IsDeleted() || (!shift.shiftX && !shift.shiftY)) return;
  MarkShifted(set);
  const zq::Point pos = Core::ShiftParam::Apply(shift, GetPos(), GetOldPos());
  if (pos == GetPos()) return;
  SetPos(env, pos);
  if (noFollow) return;
  for (Note::NoteConnectorEnd* e : Core::PtrCont<Note::NoteConnectorEnd>(GetRep().noteEnds)) e->Shift(env, this, shift, set, false);
  // The anchors (no shiftable elements) keep their place on the moved line, and their texts their
  // offset from it: both go as far as the line's start since the start of the change.
  const Core::ShiftVector by{double(pos.x - GetOldPos().x), double(pos.y - GetOldPos().y), true, true};
  for (Text::Anchor* a : Core::PtrCont<Text::Anchor>(GetAnchors())) {
    const zq::float8Point was = a->GetOldRep().pos;
    a->SetPos(env, {was.x + by.dx, was.y + by.dy});
    if (Text::FreeText* text = a->GetFreeText()) text->Shift(env, this, by, set, false);
  }
}

void RegionSeparator::Delete(Core::Env& env) {
  if (IsDeleted()) return;
  const RegionSeparatorRep rep = GetRep();
  if (rep.state) rep.state->RemoveRegion(env, *this);
  Core::IModelElement::Delete(env);
  for (Note::NoteConnectorEnd* e : rep.noteEnds) e->DetachFromTerminal(env, this, true);
  for (Text::Anchor* a : rep.anchors) a->Detach(env);
}

bool RegionSeparator::IsCompletelySelectedImp(const Core::ModelElementSet& set) {
  if (set.Contains(this)) return true;
  State* state = GetState();
  return state && state->IsCompletelySelected(set);
}

void RegionSeparator::CollectForSelection(Core::ModelElementSet& set) {
  IModelElement::CollectForSelection(set);
  for (Text::Anchor* a : GetAnchors()) {
    a->CollectForSelection(set);
    if (Text::FreeText* text = a->GetFreeText()) text->CollectForSelection(set);
  }
}

void RegionSeparator::SetStyle(Core::Env& env, Style::Style* style) {
  if (!SetField(env, &RegionSeparatorRep::style, style)) return;
  for (Text::Anchor* a : GetAnchors()) a->ApplyTextStyle(env);
}

void RegionSeparator::StyleChanged(Core::Env& env, const Style::DirectoryName& changed) {
  if (IsDeleted() || !changed.Contains(Style::Names::ConcurrentRegion())) return;
  for (Text::Anchor* a : GetAnchors()) a->ApplyTextStyle(env);
}

void RegionSeparator::CollectDirectoryNames(Style::IUsageCollector& collector) const {
  Style::DirectoryName::VisitFromRoot(collector, Style::Names::ConcurrentRegion());
}

void RegionSeparator::CreateDirectories(Core::Env& env, Style::Style* style) {
  if (style) Style::CreateKindDirectories(env, *style, Style::StyledKind::RegionSeparator);
}

Core::ElementPtr RegionSeparator::CreateChildElement(Core::Env& env, const std::wstring& nsUri, const std::wstring& name) {
  if (Core::ElementPtr anchor = Text::IAnchorOwner::RestoreAnchorElement(env, nsUri, name)) return anchor;
  return StorableWithPos::CreateChildElement(env, nsUri, name);
}

void RegionSeparator::EndRestore(Core::Env& env, const Core::RestoreContext& context) {
  if (auto* state = zq::Cast<State>(context.enclosing)) SetField(env, &RegionSeparatorRep::state, state);
}

void RegionSeparator::OnRestored(Core::Env&) {
  if (State* state = GetState()) state->AppendRegion(*this);
}

// ---- the move controller

RegionSeparatorMoveController::RegionSeparatorMoveController(RegionSeparator& separator, std::int32_t tolerance)
    : separator_(separator), tolerance_(tolerance), target_(separator.GetState()) {}

State* RegionSeparatorMoveController::FindTarget(const Core::Diagram& diagram, const zq::Point& point,
                                                 const Core::IView* view, const Core::ModelElementSet* moving) const {
  State* best = nullptr;
  Core::Weight bestWeight;
  auto consider = [&](State* s) {
    if (!s || s->IsDeleted() || s->GetCompartment() || (moving && moving->Contains(s))) return;
    if (!s->GetRect().Inflated(tolerance_).Contains(point)) return;
    const Core::Weight w = s->ContainmentWeight(view, point);
    if (!best || w > bestWeight) {
      best = s;
      bestWeight = w;
    }
  };
  consider(separator_.GetState());
  for (const Core::ElementPtr& e : diagram.Elements()) consider(zq::Cast<State>(e.get()));
  return best;
}

void RegionSeparatorMoveController::Restrict(const Core::Diagram& diagram, const zq::Point& origin, zq::Point& point,
                                             const Core::IView* view, const Core::ModelElementSet* moving) {
  target_ = FindTarget(diagram, point, view, moving);
  if (!target_) return;
  const zq::Rect r = target_->GetRect();
  const bool v = separator_.IsVertical();
  const zq::Point p = v ? zq::Point(ClampAcross(r, true, point.x), r.top) : zq::Point(r.left, ClampAcross(r, false, point.y));
  // The drag's shift is measured from where the separator was before the drag.
  const zq::Point start = separator_.GetStart(true);
  point = {origin.x + p.x - start.x, origin.y + p.y - start.y};
}

void RegionSeparatorMoveController::Finish(Core::Env& env) { separator_.SetState(env, target_); }

}  // namespace State
