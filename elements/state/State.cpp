#include "elements/state/State.h"

#include <algorithm>

#include "core/Diagram.h"
#include "core/DocumentReader.h"
#include "core/Grid.h"
#include "core/ModelElementSet.h"
#include "core/PropertyKinds.h"
#include "core/Registries.h"
#include "core/Shift.h"
#include "core/Transaction.h"
#include "elements/state/RegionSeparator.h"
#include "elements/state/StateCompartment.h"
#include "elements/state/Transition.h"
#include "style/Model.h"
#include "style/Names.h"
#include "core/foundation/Cast.h"

namespace State {

namespace {
template <class T>
void EraseFrom(Core::PtrCont<T>& list, const T* p) {
  list.erase(std::remove(list.begin(), list.end(), p), list.end());
}
template <class T>
bool Listed(const Core::PtrCont<T>& list, const T* p) {
  return std::find(list.begin(), list.end(), p) != list.end();
}
}  // namespace

Core::FactoryImp<State>& State::Factory() {
  static Core::FactoryImp<State> factory(Core::SchemaNamespace10(), L"State");
  return factory;
}

void State::RegisterProperties(Core::PropertyTable<StateRep>& t) {
  using namespace Core;
  RegisterProperty<EvalRestore::Mandatory>::Register(t, &StateRep::size, L"Size", zq::Point(2000, 1000));
  RegisterRefProperty<>::Register(t, &StateRep::text, L"Text");
  RegisterRefContNonStoreProperty::Register(t, &StateRep::noteEnds, L"NoteEnds");
  RegisterRefContNonStoreProperty::Register(t, &StateRep::transitionEnds, L"TransitionEnds");
  RegisterRefContNonStoreProperty::Register(t, &StateRep::stateParts, L"StateParts");
  RegisterRefNonStoreProperty::Register(t, &StateRep::containingState, L"ContainingState");
  RegisterRefContNonStoreProperty::Register(t, &StateRep::containables, L"Containables");
  RegisterBoolProperty::Register(t, &StateRep::large, L"Large");
  RegisterRefNonStoreProperty::Register(t, &StateRep::compartment, L"Compartment");
  RegisterRefNonStoreProperty::Register(t, &StateRep::style, L"Style");
  RegisterRefContNonStoreProperty::Register(t, &StateRep::regions, L"Regions");
  RegisterProperty<EvalRestore::Optional>::Register(t, &StateRep::elementStyle, L"ElementStyle", std::wstring(),
                                                    xml::kSchema13);
}

std::shared_ptr<State> State::Create(Core::Env& env, const zq::Point& at) {
  Style::Style& style = Style::Style::FindOrCreate(env);
  Style::CreateKindDirectories(env, style, Style::StyledKind::State);
  auto s = Factory().CreateTyped(env);
  s->SetStyle(env, &style);
  TextBlock::Text::Create(env, *s);
  s->SetPos(env, at);
  s->SetName(env, L"<name?>");
  return s;
}

// ---- modes and layout

TextBlock::Extent State::NameSize() const { return TextBlock::ITextOwner::GetTextAreaSizeUsed(GetText()); }

std::int32_t State::CompartmentHeight() const { return GetCompartment() ? GetCompartment()->GetSize().y : 0; }

void State::SetLarge(Core::Env& env, bool large) {
  if (IsDeleted() || large == IsLarge()) return;
  if (large) Fit(env);
  SetField(env, &StateRep::large, large);
  TextBlock::ITextOwner::ApplyTextStyle(GetText(), env);
  SetRect(env, GetRect(), false);
}

zq::Point State::LargeMinimum(Core::Env& env) const {
  const TextBlock::Extent name = NameSize();
  zq::Point minimum{name.width + kLargeExtra, name.height + kLargeExtra + CompartmentHeight()};
  if (GetCompartment()) minimum.x = std::max(minimum.x, GetCompartment()->GetSize().x);
  return ::Compartment::GridOf(env).SnapSize(minimum);
}

void State::MeasureName(Core::Env& env, std::int32_t width) {
  // An area of no height, so that the name's own height decides.
  SetField(env, &StateRep::size, zq::Point(width, 0));
  TextBlock::ITextOwner::OnTextAreaChanged(GetText(), env);
}

void State::LayOutSimple(Core::Env& env, std::int32_t width, std::int32_t minHeight) {
  const Core::IGrid& grid = ::Compartment::GridOf(env);
  MeasureName(env, width);
  width = grid.SnapLength(std::max(width, NameSize().width + 2 * kMargin));
  Compartment* c = GetCompartment();
  if (c) {
    c->Resize(env, {width, c->GetSize().y});
    if (c->GetSize().x > width) {
      // A wider compartment widens the state to it, and the name is laid out at that width.
      width = grid.SnapLength(c->GetSize().x);
      MeasureName(env, width);
      c->Resize(env, {width, c->GetSize().y});
    }
  }
  const std::int32_t header = grid.SnapLength(NameSize().height + 2 * kMargin);
  if (c) c->SetPos(env, {GetPos().x, GetPos().y - header});
  SetField(env, &StateRep::size, zq::Point(width, std::max(header + CompartmentHeight(), minHeight)));
  TextBlock::ITextOwner::OnTextAreaChanged(GetText(), env);
}

void State::MoveSimple(Core::Env& env, const zq::Point& pos) {
  if (Compartment* c = GetCompartment()) c->SetPos(env, c->GetPos() + (pos - GetPos()));
  SetPos(env, pos);
}

void State::Fit(Core::Env& env) {
  if (!fitPending_) return;
  fitPending_ = false;
  if (IsDeleted() || IsLarge()) return;
  LayOutSimple(env, GetSize().x, EnclosingHeight());
  Reshaped(env);
}

std::int32_t State::EnclosingHeight() const {
  std::int32_t bottom = GetPos().y;
  zq::Rect box;
  for (IStatePart* p : GetStateParts()) bottom = std::min(bottom, p->GetPartRect().Normalized().bottom);
  for (Core::IContainable* c : GetContainables())
    if (auto* pointable = zq::Cast<Core::IPointable>(c); pointable && pointable->GetBoundingRect(box))
      bottom = std::min(bottom, box.Normalized().bottom);
  return GetPos().y - bottom;
}

void State::SetRect(Core::Env& env, const zq::Rect& rect, bool) {
  if (IsDeleted()) return;
  const zq::Rect r = rect.Normalized();
  const zq::Point before = GetPos();
  if (IsLarge()) {
    SetPos(env, r.TopLeft());
    SetField(env, &StateRep::size, zq::Point(r.Width(), r.Height()));
    TextBlock::ITextOwner::OnTextAreaChanged(GetText(), env);
    const zq::Point minimum = LargeMinimum(env);
    zq::Rect fixed = r;
    // The edge that moved gives way.
    if (fixed.Width() < minimum.x) {
      if (fixed.left == GetOldPos().x) fixed.right = fixed.left + minimum.x;
      else fixed.left = fixed.right - minimum.x;
    }
    if (fixed.Height() < minimum.y) {
      if (fixed.top == GetOldPos().y) fixed.bottom = fixed.top - minimum.y;
      else fixed.top = fixed.bottom + minimum.y;
    }
    SetPos(env, fixed.TopLeft());
    SetField(env, &StateRep::size, zq::Point(fixed.Width(), fixed.Height()));
    TextBlock::ITextOwner::OnTextAreaChanged(GetText(), env);
  } else {
    LayOutSimple(env, r.Width(), ::Compartment::GridOf(env).SnapLength(r.Height()));
    zq::Point pos = r.TopLeft();
    if (r.left != before.x) pos.x = r.right - GetSize().x;
    if (r.top != before.y) pos.y = r.bottom + GetSize().y;
    MoveSimple(env, pos);
  }
  fitPending_ = false;
  Reshaped(env);
}

void State::OnTextChanged(Core::Env& env, TextBlock::Text&) {
  if (IsDeleted() || reading_) return;  // a state read keeps its stored size
  if (IsLarge()) {
    TextBlock::ITextOwner::OnTextAreaChanged(GetText(), env);
    const zq::Point minimum = LargeMinimum(env);
    if (GetSize().x >= minimum.x && GetSize().y >= minimum.y) return;
    SetField(env, &StateRep::size, zq::Point(std::max(GetSize().x, minimum.x), std::max(GetSize().y, minimum.y)));
    TextBlock::ITextOwner::OnTextAreaChanged(GetText(), env);
  } else {
    // The name as laid out in its current area, which it never leaves smaller: a shorter name or a
    // smaller font never makes the state narrower or lower.
    const TextBlock::Extent name = NameSize();
    const std::int32_t height = ::Compartment::GridOf(env).SnapLength(name.height + 2 * kMargin) + CompartmentHeight();
    LayOutSimple(env, name.width + 2 * kMargin, std::max({height, EnclosingHeight(), GetSize().y}));
  }
  Reshaped(env);
}

void State::Reshaped(Core::Env& env) {
  const Core::BoxReshapeInfo info(this, GetOldRect(), GetRect());
  Core::DeferredShiftSet none;
  for (TransitionEnd* e : Core::PtrCont<TransitionEnd>(GetRep().transitionEnds)) e->OnTerminalReshaped(env, info, &none);
  for (Note::NoteConnectorEnd* e : Core::PtrCont<Note::NoteConnectorEnd>(GetRep().noteEnds))
    e->OnTerminalReshaped(env, info, &none);
  for (RegionSeparator* s : Core::PtrCont<RegionSeparator>(GetRegions())) s->FollowState(env, info);
}

// ---- text

void State::SetName(Core::Env& env, const std::wstring& name) {
  if (!IsDeleted() && GetText()) GetText()->SetName(env, name);
}

std::wstring State::GetName() const { return GetText() ? GetText()->GetName() : std::wstring(); }

void State::GetTextOrigin(zq::Point& origin) const {
  const std::int32_t m = IsLarge() ? kLargeMargin : kMargin;
  origin = {GetPos().x + m, GetPos().y - m};
}

void State::GetTextAreaSize(TextBlock::Extent& size, const TextBlock::Text&) const {
  if (IsLarge()) {
    size = {0, 0};
    return;
  }
  // The name's band lies above the compartment: right under the name, or at the bottom as some
  // documents have it.
  std::int32_t band = GetSize().y;
  if (const Compartment* c = GetCompartment()) band = std::min(band - c->GetSize().y, GetPos().y - c->GetPos().y);
  size.width = std::max(0, GetSize().x - 2 * kMargin);
  size.height = std::max(0, band - 2 * kMargin);
}

void State::GetTextStyle(TextBlock::TextStyle& style, const Core::IModelElement* text) const {
  style = TextBlock::TextStyle();
  if (text == GetText() && GetRep().style) GetRep().style->GetFont(Style::Names::StateHeader(), style);
  if (IsLarge()) {
    style.horizontalAlignment = TextBlock::AlignLeft;
    style.verticalAlignment = TextBlock::AlignTop;
    style.sizing = TextBlock::SizingOwnExtent;
  } else {
    style.horizontalAlignment = TextBlock::AlignCenter;
    style.verticalAlignment = TextBlock::AlignMiddle;
    style.sizing = TextBlock::SizingAtLeastArea;
  }
}

// ---- geometry

void State::GetOutline(std::vector<zq::Point>& outline, bool old) const {
  const zq::Rect r = old ? GetOldRect() : GetRect();
  outline = {r.TopLeft(), {r.right, r.top}, {r.right, r.bottom}, {r.left, r.bottom}};
}

bool State::GetTerminalOutline(GraphUtil::OutlineHit& out, const zq::float8Point& point, bool horizontal) const {
  const zq::Rect r = GetRect();
  GraphUtil::Outline outline;
  GraphUtil::MakeRectOutline(outline, r);
  out = GraphUtil::NearestOutlinePoint(outline, point, horizontal, !horizontal);
  if (!out.valid) return false;
  // Within the radius of a corner on both axes the end sits on the corner's arc.
  const std::int32_t d = std::min({kCornerRadius, r.Width() / 2, r.Height() / 2});
  const bool nearLeft = out.point.x < r.left + d, nearRight = out.point.x > r.right - d;
  const bool nearTop = out.point.y > r.top - d, nearBottom = out.point.y < r.bottom + d;
  if ((nearLeft || nearRight) && (nearTop || nearBottom) && d > 0) {
    const std::int32_t x0 = nearLeft ? r.left : r.right - 2 * d;
    const std::int32_t y0 = nearTop ? r.top : r.bottom + 2 * d;
    const GraphUtil::OutlineHit arc = GraphUtil::ProjectOntoEllipse(zq::Rect(x0, y0, x0 + 2 * d, y0 - 2 * d), point, horizontal);
    if (arc.valid) out = arc;
  }
  return out.valid;
}

bool State::IsNear(const zq::Point& point, std::int32_t tolerance) const {
  const zq::Rect r = GetRect();
  if (!r.Inflated(tolerance).Contains(point)) return false;
  if (!IsLarge() || !r.Inflated(-tolerance).Contains(point)) return true;
  if (!GetText()) return false;
  zq::Point origin;
  GetTextOrigin(origin);
  const TextBlock::Extent name = NameSize();
  return zq::Rect(origin.x, origin.y, origin.x + name.width, origin.y - name.height).Inflated(tolerance).Contains(point);
}

bool State::GetBoundingRect(zq::Rect& out) const {
  out = GetRect();
  return true;
}

Core::Weight State::GetWeight(const Core::IView& view, const zq::Point& point, std::int32_t tolerance) const {
  Core::Weight w = Core::Weight::MakeArea(point, tolerance, GetRect());
  if (State* outer = GetContainingState()) w.AddBias(outer->GetWeight(view, point, tolerance));
  w.PromoteIfSelected(view, *this);
  return w;
}

// ---- moving, deleting, selecting

void State::ShiftImpl(Core::Env& env, Core::IModelElement*, const Core::ShiftVector& shift, Core::DeferredShiftSet& set,
                      bool noFollow) {
  if (IsDeleted() || (!shift.shiftX && !shift.shiftY)) return;
  MarkShifted(set);
  const zq::Point pos = Core::ShiftParam::Apply(shift, GetPos(), GetOldPos());
  if (pos == GetPos()) return;
  SetPos(env, pos);
  if (noFollow) return;
  for (IStatePart* p : Core::PtrCont<IStatePart>(GetStateParts())) p->Shift(env, this, shift, set, false);
  for (Core::IContainable* c : Core::PtrCont<Core::IContainable>(GetContainables())) c->Shift(env, this, shift, set, false);
  for (RegionSeparator* s : Core::PtrCont<RegionSeparator>(GetRegions())) s->Shift(env, this, shift, set, false);
  if (Compartment* c = GetCompartment()) c->Shift(env, this, shift, set, false);
  const Core::MoveReshapeInfo info(this, this->GetOldPos(), this->GetPos());
  for (TransitionEnd* e : Core::PtrCont<TransitionEnd>(GetRep().transitionEnds)) e->OnTerminalReshaped(env, info, &set);
  for (Note::NoteConnectorEnd* e : Core::PtrCont<Note::NoteConnectorEnd>(GetRep().noteEnds))
    e->OnTerminalReshaped(env, info, &set);
}

void State::Delete(Core::Env& env) {
  if (IsDeleted()) return;
  const StateRep rep = GetRep();
  IModelElement::Delete(env);
  if (rep.compartment) {
    rep.compartment->IModelElement::Delete(env);
    TextBlock::ITextOwner::DeleteWithText(rep.compartment->GetText(), env);
  }
  TextBlock::ITextOwner::DeleteWithText(rep.text, env);
  for (TransitionEnd* e : rep.transitionEnds) e->DetachFromTerminal(env, this, true);
  for (Note::NoteConnectorEnd* e : rep.noteEnds) e->DetachFromTerminal(env, this, true);
  for (IStatePart* p : rep.stateParts) p->Delete(env);
  for (RegionSeparator* s : rep.regions) s->Delete(env);
  for (Core::IContainable* c : rep.containables) c->Delete(env);
  if (rep.containingState) rep.containingState->RemoveStatePart(env, *this);
}

bool State::IsCompletelySelectedImp(const Core::ModelElementSet& set) {
  if (set.Contains(this)) return true;
  State* outer = GetContainingState();
  return outer && outer->IsCompletelySelected(set);
}

void State::CollectForSelection(Core::ModelElementSet& set) {
  IModelElement::CollectForSelection(set);
  if (Compartment* c = GetCompartment()) c->CollectForSelection(set);
  for (IStatePart* p : GetStateParts()) p->CollectForSelection(set);
  for (Core::IContainable* c : GetContainables()) c->CollectForSelection(set);
  for (RegionSeparator* s : GetRegions()) s->CollectForSelection(set);
}

// ---- nesting

bool State::AddStatePart(Core::Env& env, IStatePart& part) {
  if (IsDeleted() || GetCompartment()) return false;
  if (Listed<IStatePart>(GetStateParts(), &part)) return true;
  ModifyField(env, &StateRep::stateParts).push_back(&part);
  part.ChangeContainingState(env, this);
  SetLarge(env, true);
  return true;
}

void State::RemoveStatePart(Core::Env& env, IStatePart& part) {
  if (IsDeleted() || !Listed<IStatePart>(GetStateParts(), &part)) return;
  EraseFrom<IStatePart>(ModifyField(env, &StateRep::stateParts), &part);
}

void State::AppendStatePart(IStatePart& part) {
  auto& list = const_cast<StateRep&>(GetRep()).stateParts;
  if (!Listed<IStatePart>(list, &part)) list.push_back(&part);
}

void State::AddRegion(Core::Env& env, RegionSeparator& separator) {
  if (IsDeleted() || Listed<RegionSeparator>(GetRegions(), &separator)) return;
  if (!IsLarge()) SetLarge(env, true);
  ModifyField(env, &StateRep::regions).push_back(&separator);
  separator.SetState(env, this);
}

void State::RemoveRegion(Core::Env& env, RegionSeparator& separator) {
  if (IsDeleted() || !Listed<RegionSeparator>(GetRegions(), &separator)) return;
  EraseFrom<RegionSeparator>(ModifyField(env, &StateRep::regions), &separator);
}

void State::AppendRegion(RegionSeparator& separator) {
  auto& list = const_cast<StateRep&>(GetRep()).regions;
  if (!Listed<RegionSeparator>(list, &separator)) list.push_back(&separator);
}

void State::UpdateContainer(Core::Env& env, Core::ModelElementSet& visited) {
  if (IsDeleted()) return;
  const zq::Rect r = GetRect();
  ChangeContainingState(env, FindEnclosingState(env, *this, r, true));
  for (IStatePart* p : Core::PtrCont<IStatePart>(GetStateParts())) p->UpdateContainerOnce(env, visited);
  for (Core::IContainable* c : Core::PtrCont<Core::IContainable>(GetContainables())) c->UpdateContainerOnce(env, visited);
  std::vector<Core::ElementPtr> covered;
  for (const Core::ElementPtr& e : env.GetDiagram().Elements()) {
    if (e.get() == this || e->IsDeleted() || !zq::Cast<Core::IUpdateContainer>(e.get())) continue;
    auto* pointable = zq::Cast<Core::IPointable>(e.get());
    zq::Rect box;
    if (pointable && pointable->GetBoundingRect(box) && r.Contains(box.Normalized())) covered.push_back(e);
  }
  for (const Core::ElementPtr& e : covered) dynamic_cast<Core::IUpdateContainer&>(*e).UpdateContainerOnce(env, visited);
}

void State::AddContainable(Core::Env& env, Core::IContainable& containable) {
  if (IsDeleted() || ContainsContainable(containable)) return;
  ModifyField(env, &StateRep::containables).push_back(&containable);
  containable.SetContainer(env, this);
}

void State::RemoveContainable(Core::Env& env, Core::IContainable& containable) {
  if (IsDeleted() || !ContainsContainable(containable)) return;
  EraseFrom<Core::IContainable>(ModifyField(env, &StateRep::containables), &containable);
}

bool State::ContainsContainable(const Core::IContainable& containable) const {
  return Listed<Core::IContainable>(GetContainables(), &containable);
}

void State::AppendContainable(Core::Env&, Core::IContainable& containable) {
  auto& list = const_cast<StateRep&>(GetRep()).containables;
  if (!Listed<Core::IContainable>(list, &containable)) list.push_back(&containable);
}

// ---- the compartment

void State::RemoveCompartment(Core::Env& env, ::Compartment::ICompartment& compartment) {
  if (IsDeleted() || GetCompartment() != &compartment) return;
  SetField(env, &StateRep::compartment, static_cast<Compartment*>(nullptr));
  CompartmentsChanged(env);
}

void State::CompartmentsChanged(Core::Env& env) {
  if (IsDeleted()) return;
  env.Modify(*this, true);
  fitPending_ = true;
}

bool State::CanAddCompartment(const Core::IModelElement& element) const {
  return !IsDeleted() && IsPlain() && zq::Cast<const Compartment>(&element) != nullptr;
}

void State::AddCompartment(Core::Env& env, Core::IModelElement& element) {
  auto* c = zq::Cast<Compartment>(&element);
  if (!c || !CanAddCompartment(element)) return;
  SetLarge(env, false);
  c->SetOwner(env, this);
  SetField(env, &StateRep::compartment, c);
  CompartmentsChanged(env);
}

void State::RestoreCompartment(Compartment& compartment) {
  const_cast<StateRep&>(GetRep()).compartment = &compartment;
}

// ---- styles

void State::SetStyle(Core::Env& env, Style::Style* style) {
  if (SetField(env, &StateRep::style, style)) TextBlock::ITextOwner::ApplyTextStyle(GetText(), env);
}

void State::StyleChanged(Core::Env& env, const Style::DirectoryName& changed) {
  if (!IsDeleted()) Style::RestyleTextIfAffected(GetText(), env, changed, Style::Names::StateHeader());
}

void State::CollectDirectoryNames(Style::IUsageCollector& collector) const {
  Style::DirectoryName::VisitFromRoot(collector, Style::Names::StateHeader());
}

void State::CreateDirectories(Core::Env& env, Style::Style* style) {
  if (style) Style::CreateKindDirectories(env, *style, Style::StyledKind::State);
}

void State::SetElementStyle(Core::Env& env, const std::wstring& name) {
  if (SetField(env, &StateRep::elementStyle, name)) env.Modify(*this, true);
}

// ---- transactions and reading

void State::Finalize(Core::Env& env) {
  if (IsDeleted()) return;
  Core::ModelElementSet visited;
  UpdateContainerOnce(env, visited);
  Fit(env);
}

void State::RestoreProperties(const xml::IAttributes& attributes, Core::ObjectRegistry& registry) {
  reading_ = true;
  StorableWithPos::RestoreProperties(attributes, registry);
}

void State::EndRestore(Core::Env& env, const Core::RestoreContext& context) {
  if (auto* outer = zq::Cast<State>(context.enclosing)) SetContainingState(env, outer);
}

void State::OnRestored(Core::Env&) {
  reading_ = false;
  if (State* outer = GetContainingState()) outer->AppendStatePart(*this);
}

Core::ElementPtr State::CreateChildElement(Core::Env& env, const std::wstring& nsUri, const std::wstring& name) {
  if (nsUri == GetNamespace().uri && name == L"Compartment") return std::make_shared<Compartment>();
  return StorableWithPos::CreateChildElement(env, nsUri, name);
}

}  // namespace State
