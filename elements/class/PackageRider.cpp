#include "elements/class/PackageRider.h"

#include "core/DocumentReader.h"
#include "core/Exceptions.h"
#include "core/ModelElementSet.h"
#include "core/PropertyKinds.h"
#include "core/Transaction.h"
#include "core/Weight.h"
#include "elements/class/Package.h"
#include "style/Model.h"
#include "style/Names.h"
#include "view/compartment/Compartment.h"
#include "core/foundation/Cast.h"

namespace Class {

Core::FactoryImp<PackageRider>& PackageRider::Factory()
{
    static Core::FactoryImp<PackageRider> factory(Core::SchemaNamespace10(), L"PackageRider");
    return factory;
}

void PackageRider::RegisterProperties(Core::PropertyTable<PackageRiderRep>& t)
{
    using namespace Core;
    RegisterProperty<EvalRestore::Mandatory>::Register(t, &PackageRiderRep::size, L"Size", zq::Point(700, 200));
    RegisterRefNonStoreProperty::Register(t, &PackageRiderRep::owner, L"Owner");
    RegisterRefProperty<>::Register(t, &PackageRiderRep::text, L"Text");
}

std::shared_ptr<PackageRider> PackageRider::Create(Core::Env& env, Package& package)
{
    package.CreateDirectories(env, package.GetStyle());
    auto rider = Factory().CreateTyped(env);
    rider->SetField(env, &PackageRiderRep::owner, &package);
    TextBlock::Text::Create(env, *rider);
    return rider;
}

zq::Point PackageRider::GetPos() const
{
    const Package* p = GetRep().owner;
    return p != nullptr ? zq::Point(p->GetPos().x, p->GetPos().y + GetSize().y) : zq::Point();
}

zq::Point PackageRider::GetOldPos() const
{
    const Package* p = GetOldRep().owner;
    return p != nullptr ? zq::Point(p->GetOldPos().x, p->GetOldPos().y + GetOldSize().y) : zq::Point();
}

void PackageRider::Fit(Core::Env& env, zq::Rect r)
{
    if (GetText() != nullptr)
        TextBlock::ITextOwner::GrowRectToText(r, ::Compartment::GridOf(env), GetPos(), GetText(), kMargin, kMargin,
                                              kMargin, kMargin);
    if (zq::Point(r.Width(), r.Height()) != GetSize()) {
        SetField(env, &PackageRiderRep::size, zq::Point(r.Width(), r.Height()));
        TextBlock::ITextOwner::OnTextAreaChanged(GetText(), env);
    }
    if (Package* p = GetPackage()) p->FitRider(env, *this);
}

void PackageRider::SetRect(Core::Env& env, const zq::Rect& rect, bool)
{
    if (IsDeleted()) return;
    const zq::Rect r = rect.Normalized();
    if (r == GetRect()) return;
    // The tab stays on the package: only its width and height change.
    SetField(env, &PackageRiderRep::size, zq::Point(std::max(r.Width(), GetMinWidth()), std::max(r.Height(), GetMinHeight())));
    TextBlock::ITextOwner::OnTextAreaChanged(GetText(), env);
    Fit(env, GetRect());
}

void PackageRider::SetName(Core::Env& env, const std::wstring& name)
{
    if (!IsDeleted() && GetText() != nullptr) GetText()->SetName(env, name);
}

void PackageRider::Delete(Core::Env& env)
{
    if (IsDeleted()) return;
    DeleteWithPackage(env);
    if (Package* p = GetPackage(); p != nullptr && !p->IsDeleted()) p->SetLarge(env, false);
}

void PackageRider::DeleteWithPackage(Core::Env& env)
{
    if (IsDeleted()) return;
    IModelElement::Delete(env);
    TextBlock::ITextOwner::DeleteWithText(GetText(), env);
}

bool PackageRider::IsNear(const zq::Point& p, std::int32_t tolerance) const
{
    zq::Rect r = GetRect().Inflated(tolerance);
    r.bottom += tolerance;
    return r.Contains(p);
}

bool PackageRider::GetBoundingRect(zq::Rect& out) const
{
    out = GetRect();
    return true;
}

Core::Weight PackageRider::GetWeight(const Core::IView& view, const zq::Point& p, std::int32_t tolerance) const
{
    Core::Weight w = Core::Weight::MakeArea(p, tolerance, GetRect());
    if (const Package* package = GetPackage()) w.AddBias(package->GetNestingWeight(p));
    w.PromoteIfSelected(view, *this);
    return w;
}

void PackageRider::GetTextOrigin(zq::Point& origin) const { origin = {GetPos().x + kMargin, GetPos().y - kMargin}; }

void PackageRider::GetTextAreaSize(TextBlock::Extent& size, const TextBlock::Text&) const
{
    size = {std::max(0, GetSize().x - 2 * kMargin), std::max(0, GetSize().y - 2 * kMargin)};
}

void PackageRider::OnTextChanged(Core::Env& env, TextBlock::Text&)
{
    if (IsDeleted()) return;
    TextBlock::ITextOwner::OnTextAreaChanged(GetText(), env);
    Fit(env, GetRect());
}

void PackageRider::SetText(Core::Env& env, TextBlock::Text* text)
{
    if (!IsDeleted()) SetField(env, &PackageRiderRep::text, text);
}

void PackageRider::GetTextStyle(TextBlock::TextStyle& style, const Core::IModelElement*) const
{
    style = TextBlock::TextStyle();
    if (const Style::Style* s = GetStyle()) s->GetFont(Style::Names::Package(), style);
    style.horizontalAlignment = TextBlock::AlignCenter;
    style.verticalAlignment = TextBlock::AlignMiddle;
    style.sizing = TextBlock::SizingAtLeastArea;
}

void PackageRider::SetStyle(Core::Env& env, Style::Style* style)
{
    if (Package* p = GetPackage()) p->SetStyle(env, style);
}

Style::Style* PackageRider::GetStyle() const { return GetPackage() != nullptr ? GetPackage()->GetStyle() : nullptr; }

void PackageRider::StyleChanged(Core::Env& env, const Style::DirectoryName& changed)
{
    if (!IsDeleted()) Style::RestyleTextIfAffected(GetText(), env, changed, Style::Names::Package());
}

void PackageRider::CollectDirectoryNames(Style::IUsageCollector& collector) const
{
    for (const Style::DirectoryName* n = &Style::Names::Package(); n; n = n->GetParent()) collector.Use(*n);
}

void PackageRider::SetElementStyle(Core::Env& env, const std::wstring& name)
{
    if (Package* p = GetPackage()) p->SetElementStyle(env, name);
}

std::wstring PackageRider::GetElementStyle() const
{
    return GetPackage() != nullptr ? GetPackage()->GetElementStyle() : std::wstring();
}

Core::IModelElement* PackageRider::GetOwner() const { return GetRep().owner; }

void PackageRider::EndRestore(Core::Env& env, const Core::RestoreContext& context)
{
    auto* package = zq::Cast<Package>(context.enclosing);
    // A tab outside a package would belong to nothing and sit nowhere.
    if (package == nullptr) throw xml::Exceptions::UnknownElement(context.line, L"PackageRider");
    const_cast<PackageRiderRep&>(GetRep()).owner = package;
    package->SetRider(env, this);
}

bool PackageRider::IsCompletelySelectedImp(const Core::ModelElementSet& set)
{
    return set.Contains(this) || (GetPackage() != nullptr && GetPackage()->IsCompletelySelected(set));
}

void PackageRider::CollectForSelection(Core::ModelElementSet& set)
{
    IModelElement::CollectForSelection(set);
    if (GetText() != nullptr) GetText()->CollectForSelection(set);
    if (Package* p = GetPackage()) p->CollectForSelection(set);
}

} // namespace Class
