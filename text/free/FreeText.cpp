#include "text/free/FreeText.h"

#include <algorithm>

#include "core/Diagram.h"
#include "core/DocumentReader.h"
#include "core/Factory.h"
#include "core/PropertyKinds.h"
#include "core/Registries.h"
#include "core/Transaction.h"
#include "core/Weight.h"
#include "style/Names.h"
#include "text/free/Anchor.h"
#include "core/foundation/Cast.h"

namespace Text {

namespace {

// The text area of a free text: a fixed width while empty, so that a new one can be seen and hit.
constexpr std::int32_t kEmptyWidth = 400;

bool IsOriginCode(std::int32_t origin) { return origin >= OriginTopLeft && origin <= OriginBottomLeft; }

}  // namespace

zq::Point TextOriginPoint(std::int32_t origin, const zq::Point& p, TextBlock::Extent used) {
  switch (origin) {
    case OriginTopRight: return {p.x - used.width, p.y};
    case OriginBottomRight: return {p.x - used.width, p.y + used.height};
    case OriginBottomLeft: return {p.x, p.y + used.height};
    default: return p;
  }
}

Core::FactoryImp<FreeText>& FreeText::Factory() {
  static Core::FactoryImp<FreeText> factory(Core::SchemaNamespace10(), L"FreeText");
  return factory;
}

void FreeText::RegisterProperties(Core::PropertyTable<FreeTextRep>& t) {
  using namespace Core;
  RegisterRefProperty<>::Register(t, &FreeTextRep::text, L"Text");
  RegisterRefNonStoreProperty::Register(t, &FreeTextRep::owner, L"Owner");
  RegisterRefNonStoreProperty::Register(t, &FreeTextRep::container, L"Container");
  RegisterEnumProperty<OriginTopLeft, OriginBottomLeft, EvalRestore::Optional>::Register(
      t, &FreeTextRep::origin, L"Origin", std::int32_t(OriginTopLeft));
  RegisterRefNonStoreProperty::Register(t, &FreeTextRep::style, L"Style");
  RegisterRefContNonStoreProperty::Register(t, &FreeTextRep::noteEnds, L"NoteEnds");
}

std::shared_ptr<FreeText> FreeText::Create(Core::Env& env, IFreeTextOwner* owner, const zq::Point& position,
                                           const std::wstring& content, std::int32_t origin) {
  // The first free text of a new document brings the document's style along.
  Style::Style& style = Style::Style::FindOrCreate(env);
  Style::CreateKindDirectories(env, style, Style::StyledKind::FreeText);
  auto free = Factory().CreateTyped(env);
  free->SetStyle(env, &style);
  if (owner) {
    free->SetFreeTextOwner(env, owner);
    owner->SetFreeText(env, free.get());
  }
  auto text = TextBlock::Text::Create(env, *free);
  free->SetOrigin(env, IsOriginCode(origin) ? origin : std::int32_t(OriginTopLeft));
  text->SetName(env, content);
  free->SetPos(env, position);
  return free;
}

Core::ElementPtr FreeText::Create(Core::Env& env, const zq::Point& position) {
  return Create(env, nullptr, position, std::wstring(), OriginTopLeft);
}

std::shared_ptr<FreeText> FreeText::Create(Core::Env& env, Core::IContainer& container, const zq::Point& position,
                                           const std::wstring& text) {
  auto free = Create(env, nullptr, position, text, OriginTopLeft);
  container.AddContainable(env, *free);
  return free;
}

void FreeText::SetFreeTextOwner(Core::Env& env, IFreeTextOwner* owner) { SetField(env, &FreeTextRep::owner, owner); }

void FreeText::SetOrigin(Core::Env& env, std::int32_t origin) {
  if (IsDeleted() || !IsOriginCode(origin)) return;
  SetField(env, &FreeTextRep::origin, origin);
}

zq::Rect FreeText::GetBox() const {
  zq::Point origin;
  GetTextOrigin(origin);
  TextBlock::Extent used = TextBlock::ITextOwner::GetTextAreaSizeUsed(GetText());
  // An empty text lays out to no width; its box keeps the empty area's width so that it can still
  // be seen, hit and edited.
  if (TextBlock::ITextOwner::IsTextEmpty(GetText())) used.width = std::max(used.width, kEmptyWidth);
  return zq::Rect::FromPosSize(origin, used.width, used.height);
}

Core::IModelElement* FreeText::GetOwner() const {
  if (GetRep().owner) return GetRep().owner;
  return GetRep().container;
}

void FreeText::GetTextOrigin(zq::Point& origin) const {
  origin = TextOriginPoint(GetRep().origin, GetPos(), TextBlock::ITextOwner::GetTextAreaSizeUsed(GetText()));
}

void FreeText::GetTextAreaSize(TextBlock::Extent& size, const TextBlock::Text& text) const {
  size = text.GetContent().IsEmpty() ? TextBlock::Extent{kEmptyWidth, 0} : TextBlock::Extent{0, 0};
}

void FreeText::OnTextChanged(Core::Env& env, TextBlock::Text&) {
  // The box changed with the text: the views redraw the outline and the marks.
  env.Modify(*this, true);
  TellReshaped(env, nullptr);
}

void FreeText::TellReshaped(Core::Env& env, Core::DeferredShiftSet* set) {
  if (GetRep().noteEnds.empty()) return;
  const zq::Rect now = GetBox();
  const zq::Point moved = GetPos() - GetOldPos();
  const zq::Rect before(now.left - moved.x, now.top - moved.y, now.right - moved.x, now.bottom - moved.y);
  const Core::BoxReshapeInfo info(this, before, now);
  for (Core::IAttachment* end : Core::PtrCont<Core::IAttachment>(GetRep().noteEnds)) end->OnTerminalReshaped(env, info, set);
}

bool FreeText::GetTerminalOutline(GraphUtil::OutlineHit& out, const zq::float8Point& point, bool horizontal) const {
  GraphUtil::Outline outline;
  GraphUtil::MakeRectOutline(outline, GetBox());
  out = GraphUtil::NearestOutlinePoint(outline, point, horizontal, !horizontal);
  return out.valid;
}

void FreeText::SetText(Core::Env& env, TextBlock::Text* text) { SetField(env, &FreeTextRep::text, text); }

void FreeText::GetTextStyle(TextBlock::TextStyle& style, const Core::IModelElement* text) const {
  if (auto* anchor = zq::Cast<const Anchor>(GetRep().owner)) {
    anchor->GetTextStyle(style, text);
    return;
  }
  style = TextBlock::TextStyle();
  if (const Style::Style* documentStyle = GetRep().style) documentStyle->GetFont(Style::Names::FreeText(), style);
  style.horizontalAlignment = TextBlock::AlignLeft;
  style.verticalAlignment = TextBlock::AlignTop;
  style.sizing = TextBlock::SizingOwnExtent;
}

bool FreeText::IsNear(const zq::Point& point, std::int32_t tolerance) const {
  return GetBox().Inflated(tolerance).Contains(point);
}

bool FreeText::GetBoundingRect(zq::Rect& out) const {
  out = GetBox();
  return true;
}

Core::Weight FreeText::GetWeight(const Core::IView& view, const zq::Point& point, std::int32_t tolerance) const {
  Core::Weight w = Core::Weight::MakeArea(point, tolerance, GetBox());
  w.PromoteIfSelected(view, *this);
  return w;
}

void FreeText::SetContainer(Core::Env& env, Core::IContainer* container) {
  if (IsDeleted() || container == GetRep().container) return;
  Core::IContainer* previous = GetRep().container;
  SetField(env, &FreeTextRep::container, container);
  if (previous && previous->ContainsContainable(*this)) previous->RemoveContainable(env, *this);
}

void FreeText::UpdateContainer(Core::Env& env, Core::ModelElementSet&) {
  if (IsDeleted() || GetRep().owner) return;  // an anchored text stays with its anchor
  const zq::Rect box = GetBox();
  const zq::Point at = box.TopLeft();
  Core::ContainerChoice<Core::IContainer> choice(GetRep().container);
  for (const Core::ElementPtr& e : env.GetDiagram().Elements()) {
    auto* container = zq::Cast<Core::IContainer>(e.get());
    auto* pointable = zq::Cast<Core::IPointable>(e.get());
    if (!container || !pointable || e.get() == this || e->IsDeleted()) continue;
    zq::Rect r;
    if (!pointable->GetBoundingRect(r) || !r.Normalized().Contains(box)) continue;
    choice.Offer(container, container->ContainerWeight(at));
  }
  Core::IContainer* best = choice.Get();
  if (best == GetRep().container) return;
  if (best) best->AddContainable(env, *this);  // which tells the free text
  SetContainer(env, best);
}


bool FreeText::FollowsAnchor(const Core::IModelElement* sender, const Core::DeferredShiftSet& set) const {
  const auto* anchor = zq::Cast<const Anchor>(GetRep().owner);
  if (anchor == nullptr) return false;
  if (sender == anchor) return true;
  for (const Core::IModelElement* e = anchor->GetOwner(); e != nullptr; e = e->GetOwner())
    if (set.MovesOrDefers(e)) return true;
  return false;
}

void FreeText::ShiftImpl(Core::Env& env, Core::IModelElement* sender, const Core::ShiftVector& shift,
                         Core::DeferredShiftSet& set, bool) {
  // Moved with what its anchor hangs on, the text keeps its offset from the anchor: it goes by the
  // anchor's displacement since the start of the transaction, which is not the move's vector where
  // the owner goes only part of the way (a call between the bars of an object dragged up alone
  // goes only sideways). Whichever of the two the move reaches first, the other puts it right.
  Core::ShiftVector by = shift;
  if (FollowsAnchor(sender, set)) {
    const auto* anchor = zq::Cast<const Anchor>(GetRep().owner);
    const zq::float8Point now = anchor->GetPos(), before = anchor->GetOldRep().pos;
    by = {now.x - before.x, now.y - before.y, true, true};
  }
  const zq::Point p = Core::ShiftParam::Apply(by, GetPos(), GetOldPos());
  if (p == GetPos()) return;
  SetPos(env, p);
  TellReshaped(env, &set);
}

void FreeText::SetStyle(Core::Env& env, Style::Style* style) {
  if (IsDeleted() || style == GetRep().style) return;
  SetField(env, &FreeTextRep::style, style);
  TextBlock::ITextOwner::ApplyTextStyle(GetText(), env);
}

void FreeText::StyleChanged(Core::Env& env, const Style::DirectoryName& changed) {
  if (IsDeleted()) return;
  // An anchored text has its owner's style, which the owner re-applies through the anchor.
  if (!GetRep().owner) Style::RestyleTextIfAffected(GetText(), env, changed, Style::Names::FreeText());
}

void FreeText::CollectDirectoryNames(Style::IUsageCollector& collector) const {
  for (const Style::DirectoryName* name = &Style::Names::FreeText(); name; name = name->GetParent())
    collector.Use(*name);
}

void FreeText::CreateDirectories(Core::Env& env, Style::Style* style) {
  if (style) Style::CreateKindDirectories(env, *style, Style::StyledKind::FreeText);
}

void FreeText::Delete(Core::Env& env) {
  if (IsDeleted()) return;
  IModelElement::Delete(env);
  TextBlock::ITextOwner::DeleteWithText(GetText(), env);
  if (IFreeTextOwner* owner = GetRep().owner) owner->SetFreeText(env, nullptr);
  if (Core::IContainer* container = GetRep().container)
    if (container->ContainsContainable(*this)) container->RemoveContainable(env, *this);
  for (Core::IAttachment* end : Core::PtrCont<Core::IAttachment>(GetRep().noteEnds)) end->OnTerminalDeleted(env);
}

void FreeText::EndRestore(Core::Env& env, const Core::RestoreContext& context) {
  if (auto* anchor = zq::Cast<Anchor>(context.enclosing)) {
    SetFreeTextOwner(env, anchor);
    anchor->SetFreeText(env, this);
  } else if (auto* container = zq::Cast<Core::IContainer>(context.enclosing)) {
    SetField(env, &FreeTextRep::container, container);
    container->AppendContainable(env, *this);
  }
}

}  // namespace Text
