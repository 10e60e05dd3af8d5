#include "elements/class/Package.h"

#include "core/Diagram.h"
#include "core/DocumentReader.h"
#include "core/Grid.h"
#include "core/ModelElementSet.h"
#include "core/PropertyKinds.h"
#include "core/Transaction.h"
#include "core/Weight.h"
#include "elements/class/PackageRider.h"
#include "style/Model.h"
#include "style/Names.h"
#include "view/compartment/Compartment.h"
#include "core/foundation/Cast.h"

#include <algorithm>

namespace Class {

namespace {
const Core::IGrid& GridOf(Core::Env& env) { return ::Compartment::GridOf(env); }

// The deepest nesting a weight follows (packages never nest in a cycle, but a guard costs nothing).
constexpr int kMaxNesting = 256;

Core::Weight NestingWeight(const Package& p, const zq::Point& at, int depth)
{
    Core::Weight w = Core::Weight::MakeArea(at, 0, p.GetRect());
    if (Package* outer = p.GetContainingPackage(); outer != nullptr && depth < kMaxNesting)
        w.AddBias(NestingWeight(*outer, at, depth + 1));
    return w;
}

// Deletes each element of the list (a copy: the deletions change the lists).
template <class T>
void DeleteAll(Core::Env& env, const Core::PtrCont<T>& list)
{
    for (T* e : Core::PtrCont<T>(list))
        if (auto* d = zq::Cast<Core::IDeletable>(e)) d->Delete(env);
}
} // namespace

Package* FindContainingPackage(Core::Env& env, const zq::Rect& rect, const Core::IModelElement* skip,
                               const Package* present)
{
    // Without a package in memory no element needs to look for one.
    if (Package::Factory().GetInstanceCount() == 0) return nullptr;
    const bool strict = zq::Cast<const Package>(skip) != nullptr;
    Core::ContainerChoice<Package> choice(present);
    for (const Core::ElementPtr& e : env.GetDiagram().Elements()) {
        auto* p = zq::Cast<Package>(e.get());
        if (p == nullptr || p == skip || p->IsDeleted()) continue;
        const zq::Rect r = p->GetRect();
        // Two packages with one rectangle do not contain each other.
        if (!r.Contains(rect) || (strict && rect.Contains(r))) continue;
        choice.Offer(p, p->GetNestingWeight(rect.TopLeft()));
    }
    return choice.Get();
}

Core::FactoryImp<Package>& Package::Factory()
{
    static Core::FactoryImp<Package> factory(Core::SchemaNamespace10(), L"Package");
    return factory;
}

void Package::RegisterProperties(Core::PropertyTable<PackageRep>& t)
{
    using namespace Core;
    RegisterProperty<EvalRestore::Mandatory>::Register(t, &PackageRep::size, L"Size", zq::Point(2000, 1000));
    RegisterRefProperty<>::Register(t, &PackageRep::text, L"Text");
    RegisterRefContNonStoreProperty::Register(t, &PackageRep::dependencyEnds, L"DependencyEnds");
    RegisterRefContNonStoreProperty::Register(t, &PackageRep::noteEnds, L"NoteEnds");
    RegisterRefContNonStoreProperty::Register(t, &PackageRep::parts, L"PackageParts");
    RegisterRefNonStoreProperty::Register(t, &PackageRep::containingPackage, L"ContainingPackage");
    RegisterRefNonStoreProperty::Register(t, &PackageRep::rider, L"Rider");
    RegisterRefContNonStoreProperty::Register(t, &PackageRep::containables, L"Containables");
    RegisterRefNonStoreProperty::Register(t, &PackageRep::style, L"Style");
    RegisterProperty<EvalRestore::Optional>::Register(t, &PackageRep::elementStyle, L"ElementStyle", std::wstring(),
                                                      xml::kSchema13);
}

std::shared_ptr<Package> Package::Create(Core::Env& env, const zq::Point& at)
{
    Style::Style& style = Style::Style::FindOrCreate(env);
    auto p = Factory().CreateTyped(env);
    p->CreateDirectories(env, &style);
    p->SetStyle(env, &style);
    TextBlock::Text::Create(env, *p);
    p->SetPos(env, at);
    p->SetName(env, L"<name?>");
    return p;
}

// ---- Large and the tab

void Package::SetLarge(Core::Env& env, bool large)
{
    if (IsDeleted() || IsLarge() == large) return;
    const std::wstring name = GetName();
    TextBlock::Text* target = GetText();
    if (large) {
        if (GetText() != nullptr) GetText()->SetName(env, L"");
        auto rider = PackageRider::Create(env, *this);
        SetField(env, &PackageRep::rider, rider.get());
        target = rider->GetText();
    } else {
        PackageRider* rider = GetRider();
        SetField(env, &PackageRep::rider, static_cast<PackageRider*>(nullptr));
        rider->DeleteWithPackage(env);
    }
    if (target != nullptr) target->SetName(env, name);
    TextBlock::ITextOwner::OnTextAreaChanged(GetText(), env);
    EndsFollow(env);
}

zq::Point Package::GetTabSize(bool old) const
{
    const PackageRider* rider = old ? GetOldRep().rider : GetRep().rider;
    if (rider == nullptr) return kTabSize;
    return old ? rider->GetOldSize() : rider->GetSize();
}

void Package::SetRider(Core::Env&, PackageRider* rider)
{
    // Reading fills the record before any change is recorded.
    if (!IsDeleted()) const_cast<PackageRep&>(GetRep()).rider = rider;
}

void Package::FitRider(Core::Env& env, PackageRider& rider)
{
    if (IsDeleted()) return;
    const zq::Rect r = GetRect();
    if (r.Width() < rider.GetSize().x + 400) SetRect(env, {r.left, r.top, r.left + rider.GetSize().x + 400, r.bottom});
    EndsFollow(env);
}

// ---- parts and containment

void Package::AddPart(Core::Env& env, IPackagePart& part)
{
    const auto& l = GetRep().parts;
    if (IsDeleted() || std::find(l.begin(), l.end(), &part) != l.end()) return;
    ModifyField(env, &PackageRep::parts).push_back(&part);
    part.SetContainingPackage(env, this);
    if (!IsLarge() && GetRep().parts.size() == 1) SetLarge(env, true);
}

void Package::RemovePart(Core::Env& env, IPackagePart& part)
{
    const auto& l = GetRep().parts;
    if (IsDeleted() || std::find(l.begin(), l.end(), &part) == l.end()) return;
    auto& w = ModifyField(env, &PackageRep::parts);
    w.erase(std::find(w.begin(), w.end(), &part));
}

void Package::AppendPartForReading(IPackagePart& part)
{
    auto& l = const_cast<PackageRep&>(GetRep()).parts;
    if (std::find(l.begin(), l.end(), &part) == l.end()) l.push_back(&part);
}

void Package::SetContainingPackage(Core::Env& env, Package* package)
{
    Package* old = GetContainingPackage();
    if (IsDeleted() || old == package) return;
    SetField(env, &PackageRep::containingPackage, package);
    if (old != nullptr) old->RemovePart(env, *this);
    if (package != nullptr) package->AddPart(env, *this);
}

void Package::UpdateContainer(Core::Env& env, Core::ModelElementSet& visited)
{
    if (IsDeleted()) return;
    const zq::Rect r = GetRect();
    SetContainingPackage(env, FindContainingPackage(env, r, this, GetContainingPackage()));
    for (IPackagePart* p : Core::PtrCont<IPackagePart>(GetRep().parts)) p->UpdateContainerOnce(env, visited);
    for (Core::IContainable* c : Core::PtrCont<Core::IContainable>(GetRep().containables))
        c->UpdateContainerOnce(env, visited);
    // The elements inside are gathered first: an update may add elements to the diagram (a tab).
    std::vector<Core::ElementPtr> inside;
    for (const Core::ElementPtr& e : env.GetDiagram().Elements()) {
        auto* pointable = zq::Cast<Core::IPointable>(e.get());
        zq::Rect box;
        if (zq::Cast<Core::IUpdateContainer>(e.get()) == nullptr || pointable == nullptr || e.get() == this ||
            e->IsDeleted())
            continue;
        if (pointable->GetBoundingRect(box) && r.Contains(box.Normalized())) inside.push_back(e);
    }
    for (const Core::ElementPtr& e : inside) dynamic_cast<Core::IUpdateContainer&>(*e).UpdateContainerOnce(env, visited);
}

void Package::Finalize(Core::Env& env)
{
    if (IsDeleted()) return;
    Core::ModelElementSet visited;
    UpdateContainerOnce(env, visited);
}

void Package::AddContainable(Core::Env& env, Core::IContainable& c)
{
    if (IsDeleted() || ContainsContainable(c)) return;
    ModifyField(env, &PackageRep::containables).push_back(&c);
    c.SetContainer(env, this);
}

void Package::RemoveContainable(Core::Env& env, Core::IContainable& c)
{
    if (IsDeleted() || !ContainsContainable(c)) return;
    auto& l = ModifyField(env, &PackageRep::containables);
    l.erase(std::find(l.begin(), l.end(), &c));
}

bool Package::ContainsContainable(const Core::IContainable& c) const
{
    const auto& l = GetRep().containables;
    return std::find(l.begin(), l.end(), &c) != l.end();
}

void Package::AppendContainable(Core::Env&, Core::IContainable& c)
{
    auto& l = const_cast<PackageRep&>(GetRep()).containables;
    if (std::find(l.begin(), l.end(), &c) == l.end()) l.push_back(&c);
}

// ---- geometry

void Package::ApplyRect(Core::Env& env, const zq::Rect& r)
{
    SetPos(env, r.TopLeft());
    SetField(env, &PackageRep::size, zq::Point(r.Width(), r.Height()));
    TextBlock::ITextOwner::OnTextAreaChanged(GetText(), env);
}

zq::Rect Package::AdjustRect(Core::Env& env, zq::Rect r, std::int32_t previousLeft) const
{
    const std::int32_t min = GetMinWidth();
    if (r.Width() < min) {
        // A moved right edge keeps the left one, a moved left edge the right one.
        if (r.left == previousLeft) r.right = r.left + min;
        else r.left = r.right - min;
    }
    if (GetText() != nullptr)
        TextBlock::ITextOwner::GrowRectToText(r, GridOf(env), GetOldPos(), GetText(), kMargin, kMargin, kMargin, kMargin);
    return r;
}

void Package::SetRect(Core::Env& env, const zq::Rect& rect, bool)
{
    if (IsDeleted()) return;
    const zq::Rect r = rect.Normalized();
    const std::int32_t previousLeft = GetPos().x;
    if (r == GetRect()) return;
    ApplyRect(env, r);
    ApplyRect(env, AdjustRect(env, r, previousLeft));
    EndsFollow(env);
}

void Package::EndsFollow(Core::Env& env)
{
    if (GetRep().dependencyEnds.empty() && GetRep().noteEnds.empty()) return;
    // From side to side of the outline: an end on the body's top edge beside the tab stays on it.
    const Core::BoxReshapeInfo info(this, Outline(true), Outline(false));
    Core::DeferredShiftSet set;
    for (Dependency::DependencyEnd* e : Core::PtrCont<Dependency::DependencyEnd>(GetRep().dependencyEnds))
        e->OnTerminalReshaped(env, info, &set);
    for (Note::NoteConnectorEnd* e : Core::PtrCont<Note::NoteConnectorEnd>(GetRep().noteEnds))
        e->OnTerminalReshaped(env, info, &set);
}

bool Package::IsNear(const zq::Point& p, std::int32_t tolerance) const
{
    const zq::Rect body = GetRect();
    const zq::Point t = GetTabSize();
    const zq::Rect tab = zq::Rect::FromPosSize({body.left, body.top + t.y}, t.x, t.y);
    if (tab.Inflated(tolerance).Contains(p)) return true;
    if (!body.Inflated(tolerance).Contains(p)) return false;
    return !IsLarge() || !body.Inflated(-tolerance).Contains(p);
}

bool Package::GetBoundingRect(zq::Rect& out) const
{
    out = GetRect();
    return true;
}

Core::Weight Package::GetNestingWeight(const zq::Point& p) const { return NestingWeight(*this, p, 0); }

Core::Weight Package::GetWeight(const Core::IView& view, const zq::Point& p, std::int32_t tolerance) const
{
    Core::Weight w = Core::Weight::MakeArea(p, tolerance, GetRect());
    if (Package* outer = GetContainingPackage()) w.AddBias(outer->GetNestingWeight(p));
    w.PromoteIfSelected(view, *this);
    return w;
}

bool Package::GetTerminalOutline(GraphUtil::OutlineHit& out, const zq::float8Point& p, bool horizontal) const
{
    const std::vector<zq::Point> points = Outline(false);
    out = GraphUtil::NearestOutlinePoint(GraphUtil::Outline(points.begin(), points.end()), p, horizontal, !horizontal);
    return out.valid;
}

std::vector<zq::Point> Package::Outline(bool old) const
{
    const zq::Point pos = old ? GetOldPos() : GetPos(), size = old ? GetOldSize() : GetSize(), t = GetTabSize(old);
    const std::int32_t x = pos.x, y = pos.y, w = size.x, h = size.y;
    return {{x + w, y}, {x + w, y - h}, {x, y - h}, {x, y + t.y}, {x + t.x, y + t.y}, {x + t.x, y}};
}

void Package::ShiftImpl(Core::Env& env, Core::IModelElement*, const Core::ShiftVector& shift, Core::DeferredShiftSet& set,
                        bool noFollow)
{
    if (IsDeleted() || !(shift.shiftX || shift.shiftY)) return;
    MarkShifted(set);
    const zq::Point p = Core::ShiftParam::Apply(shift, GetPos(), GetOldPos());
    if (p == GetPos()) return;
    SetPos(env, p);
    if (noFollow) return;
    for (IPackagePart* part : Core::PtrCont<IPackagePart>(GetRep().parts)) part->Shift(env, this, shift, set, false);
    for (Core::IContainable* c : Core::PtrCont<Core::IContainable>(GetRep().containables))
        c->Shift(env, this, shift, set, false);
    for (Dependency::DependencyEnd* e : Core::PtrCont<Dependency::DependencyEnd>(GetRep().dependencyEnds))
        e->Shift(env, this, shift, set, false);
    for (Note::NoteConnectorEnd* e : Core::PtrCont<Note::NoteConnectorEnd>(GetRep().noteEnds))
        e->Shift(env, this, shift, set, false);
}

void Package::Delete(Core::Env& env)
{
    if (IsDeleted()) return;
    IModelElement::Delete(env);
    TextBlock::ITextOwner::DeleteWithText(GetText(), env);
    // The ends lose their terminal for good: each goes with its chain, as for every terminal.
    for (Dependency::DependencyEnd* e : Core::PtrCont<Dependency::DependencyEnd>(GetRep().dependencyEnds))
        e->DetachFromTerminal(env, this, true);
    for (Note::NoteConnectorEnd* e : Core::PtrCont<Note::NoteConnectorEnd>(GetRep().noteEnds))
        e->DetachFromTerminal(env, this, true);
    DeleteAll(env, GetRep().parts);
    if (Package* outer = GetContainingPackage()) outer->RemovePart(env, *this);
    if (PackageRider* rider = GetRider()) rider->DeleteWithPackage(env);
    DeleteAll(env, GetRep().containables);
}

// ---- name and text

void Package::SetName(Core::Env& env, const std::wstring& name)
{
    if (IsDeleted()) return;
    if (PackageRider* rider = GetRider()) rider->SetName(env, name);
    else if (GetText() != nullptr) GetText()->SetName(env, name);
}

std::wstring Package::GetName() const
{
    if (PackageRider* rider = GetRider()) return rider->GetName();
    return GetText() != nullptr ? GetText()->GetName() : std::wstring();
}

void Package::GetTextOrigin(zq::Point& origin) const { origin = {GetPos().x + kMargin, GetPos().y - kMargin}; }

void Package::GetTextAreaSize(TextBlock::Extent& size, const TextBlock::Text&) const
{
    size = {std::max(0, GetSize().x - 2 * kMargin), std::max(0, GetSize().y - 2 * kMargin)};
}

void Package::OnTextChanged(Core::Env& env, TextBlock::Text&)
{
    if (IsDeleted()) return;
    TextBlock::ITextOwner::OnTextAreaChanged(GetText(), env);
    const zq::Rect r = AdjustRect(env, GetRect(), GetPos().x);
    if (r == GetRect()) return;
    ApplyRect(env, r);
    EndsFollow(env);
}

void Package::SetText(Core::Env& env, TextBlock::Text* text)
{
    if (!IsDeleted()) SetField(env, &PackageRep::text, text);
}

void Package::GetTextStyle(TextBlock::TextStyle& style, const Core::IModelElement*) const
{
    style = TextBlock::TextStyle();
    if (GetRep().style != nullptr) GetRep().style->GetFont(Style::Names::Package(), style);
    style.horizontalAlignment = TextBlock::AlignCenter;
    style.verticalAlignment = TextBlock::AlignMiddle;
    style.sizing = TextBlock::SizingAtLeastArea;
}

// ---- styles

void Package::SetStyle(Core::Env& env, Style::Style* style)
{
    if (IsDeleted() || style == GetRep().style) return;
    SetField(env, &PackageRep::style, style);
    TextBlock::ITextOwner::ApplyTextStyle(GetText(), env);
    if (PackageRider* rider = GetRider()) TextBlock::ITextOwner::ApplyTextStyle(rider->GetText(), env);
}

void Package::StyleChanged(Core::Env& env, const Style::DirectoryName& changed)
{
    if (IsDeleted()) return;
    Style::RestyleTextIfAffected(GetText(), env, changed, Style::Names::Package());
    if (PackageRider* rider = GetRider())
        Style::RestyleTextIfAffected(rider->GetText(), env, changed, Style::Names::Package());
}

void Package::CollectDirectoryNames(Style::IUsageCollector& collector) const
{
    for (const Style::DirectoryName* n = &Style::Names::Package(); n; n = n->GetParent()) collector.Use(*n);
}

void Package::CreateDirectories(Core::Env& env, Style::Style* style)
{
    if (style != nullptr) Style::CreateKindDirectories(env, *style, Style::StyledKind::Package);
}

void Package::SetElementStyle(Core::Env& env, const std::wstring& name)
{
    if (!IsDeleted()) SetField(env, &PackageRep::elementStyle, name);
}

// ---- reading, selection

void Package::EndRestore(Core::Env&, const Core::RestoreContext& context)
{
    if (auto* outer = zq::Cast<Package>(context.enclosing))
        const_cast<PackageRep&>(GetRep()).containingPackage = outer;
}

void Package::OnRestored(Core::Env&)
{
    if (Package* outer = GetContainingPackage(); outer != nullptr && !IsDeleted()) outer->AppendPartForReading(*this);
}

bool Package::IsCompletelySelectedImp(const Core::ModelElementSet& set)
{
    if (set.Contains(this) || (GetRider() != nullptr && set.Contains(GetRider()))) return true;
    Package* outer = GetContainingPackage();
    return outer != nullptr && outer->IsCompletelySelected(set);
}

void Package::CollectForSelection(Core::ModelElementSet& set)
{
    IModelElement::CollectForSelection(set);
    if (GetText() != nullptr) GetText()->CollectForSelection(set);
    if (PackageRider* rider = GetRider()) {
        set.Insert(rider->shared_from_this());
        if (rider->GetText() != nullptr) rider->GetText()->CollectForSelection(set);
    }
    for (IPackagePart* p : GetRep().parts) p->CollectForSelection(set);
    for (Core::IContainable* c : GetRep().containables) c->CollectForSelection(set);
}

void ReportPackageFactories(Core::FactoryRegistry& registry)
{
    Package::Factory().ReportTo(registry);
    PackageRider::Factory().ReportTo(registry);
    Style::RegisterDirectoryNames(Style::StyledKind::Package);
}

} // namespace Class
