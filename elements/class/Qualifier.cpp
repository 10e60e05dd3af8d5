#include "elements/class/Qualifier.h"

#include <cmath>

#include "core/Grid.h"
#include "core/ModelElementSet.h"
#include "core/PropertyKinds.h"
#include "core/Transaction.h"
#include "elements/class/Class.h"
#include "style/Model.h"
#include "style/Names.h"
#include "text/Text.h"
#include "view/compartment/Compartment.h"

namespace Class {

namespace {
const Core::IGrid& GridOf(Core::Env& env) { return ::Compartment::GridOf(env); }

// The top-left corner of a box of size (w, h) on the side of the rectangle the point q lies on,
// and where an end at q then goes: to the middle of the box's outer edge.
std::pair<zq::Point, zq::Point> PlaceOnSide(const zq::Rect& r, const zq::Point& q, std::int32_t w, std::int32_t h) {
  if (q.y == r.bottom) return {{q.x - w / 2, q.y}, {q.x, q.y - h}};
  if (q.x == r.left) return {{q.x - w, q.y + h / 2}, {q.x - w, q.y}};
  if (q.y == r.top) return {{q.x - w / 2, q.y + h}, {q.x, q.y + h}};
  if (q.x == r.right) return {{q.x, q.y + h / 2}, {q.x + w, q.y}};
  return {q, q};
}

// The top-left corner of a box of size (w, h) beside a free end at p whose segment leaves by d.
zq::Point PlaceBesideFreeEnd(const zq::Point& p, const zq::float8Point& d, std::int32_t w, std::int32_t h) {
  if (d.y > std::abs(d.x)) return {p.x - w / 2, p.y};
  if (d.y >= -std::abs(d.x)) return std::abs(d.y) < d.x ? zq::Point{p.x - w, p.y + h / 2} : zq::Point{p.x, p.y + h / 2};
  return {p.x - w / 2, p.y + h};
}
}  // namespace

Core::FactoryImp<Qualifier>& Qualifier::Factory() {
  static Core::FactoryImp<Qualifier> factory(Core::SchemaNamespace10(), L"Qualifier");
  return factory;
}

void Qualifier::RegisterProperties(Core::PropertyTable<QualifierRep>& t) {
  using namespace Core;
  RegisterProperty<EvalRestore::Mandatory>::Register(t, &QualifierRep::size, L"Size", zq::Point(1000, 600));
  RegisterRefProperty<>::Register(t, &QualifierRep::owner, L"Class");
  RegisterRefProperty<>::Register(t, &QualifierRep::text, L"Text");
  RegisterRefContNonStoreProperty::Register(t, &QualifierRep::assocEnds, L"AssocEnds");
  RegisterRefContNonStoreProperty::Register(t, &QualifierRep::noteEnds, L"NoteEnds");
  RegisterRefNonStoreProperty::Register(t, &QualifierRep::style, L"Style");
  RegisterProperty<EvalRestore::Optional>::Register(t, &QualifierRep::elementStyle, L"ElementStyle", std::wstring(),
                                                    xml::kSchema13);
}

std::shared_ptr<Qualifier> Qualifier::CreateAtEnd(Core::Env& env, AssocEnd& end, const zq::Point& size) {
  Style::Style& style = Style::Style::FindOrCreate(env);
  Style::CreateKindDirectories(env, style, Style::StyledKind::ClassQualifier);
  auto q = Factory().CreateTyped(env);
  q->SetStyle(env, &style);
  auto text = TextBlock::Text::Create(env, *q);
  q->SetText(env, text.get());
  q->SetRect(env, zq::Rect::FromPosSize(q->GetPos(), size.x, size.y));
  q->SetName(env, L"<?>");
  auto* owner = dynamic_cast<Class*>(end.GetTerminal());
  end.SetTerminal(env, q.get());
  const zq::Point p = zq::RoundPoint(end.GetPosition());
  const std::int32_t w = q->GetSize().x, h = q->GetSize().y;
  Connector::ISegment* segment = end.GetSegment();
  const Core::IGrid& grid = GridOf(env);
  if (owner != nullptr) {
    q->SetClass(env, owner);
    owner->AddQualifier(env, q.get());
    GraphUtil::Outline outline;
    GraphUtil::MakeRectOutline(outline, owner->GetRect());
    const bool h0 = segment != nullptr && segment->IsHorizontalOrtho();
    const bool v0 = segment != nullptr && segment->IsVerticalOrtho();
    const GraphUtil::OutlineHit hit = GraphUtil::NearestOutlinePoint(outline, zq::float8Point(p), h0, v0);
    const zq::Point at = hit.valid ? zq::RoundPoint(hit.point) : p;
    const auto [corner, target] = PlaceOnSide(owner->GetRect(), at, w, h);
    q->SetPos(env, grid.SnapPoint(corner));
    // The end starts in the middle of the qualifier's outer edge.
    const zq::float8Point from = end.GetOldPosition();
    Core::DeferredShiftSet set;
    end.Shift(env, nullptr, {target.x - from.x, target.y - from.y, true, true}, set, false);
  } else {
    zq::float8Point d{0, 0};
    if (segment != nullptr)
      if (Connector::ISegmentEnd* other = segment->OtherEnd(&end)) d = {other->GetPoint().x - p.x, other->GetPoint().y - p.y};
    q->SetPos(env, grid.SnapPoint(PlaceBesideFreeEnd(p, d, w, h)));
  }
  return q;
}

void Qualifier::SetClass(Core::Env& env, Class* owner) {
  Class* previous = GetRep().owner;
  if (IsDeleted() || previous == owner) return;
  SetField(env, &QualifierRep::owner, owner);
  if (previous != nullptr) previous->RemoveQualifier(env, this);
}

Core::IResizable* Qualifier::GetOwnerBox() const { return GetRep().owner; }

void Qualifier::SetRect(Core::Env& env, const zq::Rect& rect, bool) {
  if (IsDeleted()) return;
  zq::Rect r = rect.Normalized();
  if (r == GetRect()) return;
  // The qualifier keeps touching its class on the side it touched.
  if (Class* owner = GetClass()) {
    const zq::Rect o = owner->GetRect();
    const std::int32_t w = r.Width(), h = r.Height();
    switch (ClassObject::TouchedSide(GetRect(), o)) {
      case ClassObject::OwnerSide::Left: r = zq::Rect(o.left - w, r.top, o.left, r.bottom); break;
      case ClassObject::OwnerSide::Right: r = zq::Rect(o.right, r.top, o.right + w, r.bottom); break;
      case ClassObject::OwnerSide::Below: r = zq::Rect(r.left, o.bottom, r.right, o.bottom - h); break;
      case ClassObject::OwnerSide::Above: r = zq::Rect(r.left, o.top + h, r.right, o.top); break;
      default: break;
    }
  }
  ApplyRect(env, r);
}

void Qualifier::ApplyRect(Core::Env& env, zq::Rect r) {
  SetPos(env, r.TopLeft());
  SetField(env, &QualifierRep::size, zq::Point(r.Width(), r.Height()));
  TextBlock::ITextOwner::OnTextAreaChanged(GetText(), env);
  if (GetText() != nullptr) {
    TextBlock::ITextOwner::GrowRectToText(r, GridOf(env), GetOldPos(), GetText(), kMargin, kMargin, kMargin, kMargin);
    SetPos(env, r.TopLeft());
    SetField(env, &QualifierRep::size, zq::Point(r.Width(), r.Height()));
    TextBlock::ITextOwner::OnTextAreaChanged(GetText(), env);
  }
  Reshaped(env, nullptr);
}

void Qualifier::Reshaped(Core::Env& env, Core::DeferredShiftSet* set) {
  const Core::BoxReshapeInfo info(this, GetOldRect(), GetRect());
  for (AssocEnd* e : Core::PtrCont<AssocEnd>(GetRep().assocEnds)) e->OnTerminalReshaped(env, info, set);
  for (Note::NoteConnectorEnd* e : Core::PtrCont<Note::NoteConnectorEnd>(GetRep().noteEnds))
    e->OnTerminalReshaped(env, info, set);
}

void Qualifier::SetName(Core::Env& env, const std::wstring& name) {
  if (!IsDeleted() && GetText() != nullptr) GetText()->SetName(env, name);
}

std::wstring Qualifier::GetName() const { return GetText() != nullptr ? GetText()->GetName() : std::wstring(); }

void Qualifier::GetTextAreaSize(TextBlock::Extent& size, const TextBlock::Text&) const {
  size = {std::max(0, GetSize().x - 2 * kMargin), std::max(0, GetSize().y - 2 * kMargin)};
}

void Qualifier::OnTextChanged(Core::Env& env, TextBlock::Text&) {
  if (IsDeleted()) return;
  TextBlock::ITextOwner::OnTextAreaChanged(GetText(), env);
  const TextBlock::Extent used = TextBlock::ITextOwner::GetTextAreaSizeUsed(GetText());
  const Core::IGrid& grid = GridOf(env);
  const zq::Point size(grid.SnapLength(used.width + 2 * kMargin), grid.SnapLength(used.height + 2 * kMargin));
  if (size == GetSize()) return;
  // On the class's left or top side the box grows away from the class.
  zq::Point pos = GetPos();
  if (Class* owner = GetClass()) {
    const zq::Rect o = owner->GetRect();
    const ClassObject::OwnerSide side = ClassObject::TouchedSide(GetRect(), o);
    if (side == ClassObject::OwnerSide::Left) pos.x = o.left - size.x;
    else if (side == ClassObject::OwnerSide::Above) pos.y = o.top + size.y;
  }
  SetPos(env, pos);
  SetField(env, &QualifierRep::size, size);
  TextBlock::ITextOwner::OnTextAreaChanged(GetText(), env);
  Reshaped(env, nullptr);
}

void Qualifier::SetText(Core::Env& env, TextBlock::Text* text) {
  if (!IsDeleted()) SetField(env, &QualifierRep::text, text);
}

void Qualifier::GetTextStyle(TextBlock::TextStyle& style, const Core::IModelElement* text) const {
  style = TextBlock::TextStyle();
  // The qualifier's one text (also while it is being made, before the qualifier records it).
  (void)text;
  if (GetRep().style != nullptr) GetRep().style->GetFont(Style::Names::ClassQualifier(), style);
  style.horizontalAlignment = TextBlock::AlignCenter;
  style.verticalAlignment = TextBlock::AlignMiddle;
  style.sizing = TextBlock::SizingAtLeastArea;
}

void Qualifier::ShiftImpl(Core::Env& env, Core::IModelElement*, const Core::ShiftVector& shift,
                          Core::DeferredShiftSet& set, bool noFollow) {
  if (IsDeleted() || !(shift.shiftX || shift.shiftY)) return;
  MarkShifted(set);
  const zq::Point p = Core::ShiftParam::Apply(shift, GetPos(), GetOldPos());
  if (p == GetPos()) return;
  SetPos(env, p);
  if (!noFollow) Reshaped(env, &set);
}

void Qualifier::Delete(Core::Env& env) {
  if (IsDeleted()) return;
  IModelElement::Delete(env);
  Class* owner = GetClass();
  for (AssocEnd* e : Core::PtrCont<AssocEnd>(GetRep().assocEnds)) {
    if (owner == nullptr) {
      e->DetachFromTerminal(env, this, true);
      continue;
    }
    // The end moves onto the class, to the outline point nearest to it.
    if (!owner->TryAttach(env, e)) continue;
    GraphUtil::OutlineHit hit;
    const Connector::ISegment* s = e->GetSegment();
    if (owner->GetTerminalOutline(hit, e->GetPosition(), s != nullptr && s->IsHorizontalOrtho()) && hit.valid) {
      const zq::float8Point from = e->GetOldPosition();
      Core::DeferredShiftSet set;
      e->Shift(env, nullptr, {hit.point.x - from.x, hit.point.y - from.y, true, true}, set, false);
    }
  }
  for (Note::NoteConnectorEnd* e : Core::PtrCont<Note::NoteConnectorEnd>(GetRep().noteEnds))
    e->DetachFromTerminal(env, this, true);
  TextBlock::ITextOwner::DeleteWithText(GetText(), env);
  if (owner != nullptr) owner->RemoveQualifier(env, this);
}

void Qualifier::OnTerminalDeleted(Core::Env& env) {
  if (IsDeleted()) return;
  IModelElement::Delete(env);
  for (AssocEnd* e : Core::PtrCont<AssocEnd>(GetRep().assocEnds)) e->DetachFromTerminal(env, this, true);
  for (Note::NoteConnectorEnd* e : Core::PtrCont<Note::NoteConnectorEnd>(GetRep().noteEnds))
    e->DetachFromTerminal(env, this, true);
  TextBlock::ITextOwner::DeleteWithText(GetText(), env);
}

void Qualifier::CollectForSelection(Core::ModelElementSet& set) {
  IModelElement::CollectForSelection(set);
  if (GetText() != nullptr) GetText()->CollectForSelection(set);
}

void Qualifier::SetStyle(Core::Env& env, Style::Style* style) {
  if (IsDeleted() || style == GetRep().style) return;
  SetField(env, &QualifierRep::style, style);
  TextBlock::ITextOwner::ApplyTextStyle(GetText(), env);
}

void Qualifier::StyleChanged(Core::Env& env, const Style::DirectoryName& changed) {
  if (!IsDeleted()) Style::RestyleTextIfAffected(GetText(), env, changed, Style::Names::ClassQualifier());
}

void Qualifier::CollectDirectoryNames(Style::IUsageCollector& collector) const {
  Style::DirectoryName::VisitFromRoot(collector, Style::Names::ClassQualifier());
}

void Qualifier::CreateDirectories(Core::Env& env, Style::Style* style) {
  if (style != nullptr) Style::CreateKindDirectories(env, *style, Style::StyledKind::ClassQualifier);
}

void Qualifier::SetElementStyle(Core::Env& env, const std::wstring& name) {
  if (!IsDeleted() && SetField(env, &QualifierRep::elementStyle, name)) env.Modify(*this, true);
}

void Qualifier::OnRestored(Core::Env&) {
  if (Class* owner = GetClass(); owner != nullptr && !IsDeleted()) owner->AppendQualifier(this);
}

void ReportQualifierFactory(Core::FactoryRegistry& registry) {
  Qualifier::Factory().ReportTo(registry);
  Style::RegisterDirectoryNames(Style::StyledKind::ClassQualifier);
}

}  // namespace Class
