#include "core/ModelElement.h"

#include "core/Diagram.h"
#include "core/Exceptions.h"
#include "core/Factory.h"
#include "core/ModelElementSet.h"
#include "core/Shift.h"
#include "core/StoredForms.h"
#include "core/Transaction.h"
#include "core/View.h"
#include "core/ViewRepair.h"
#include "core/foundation/FlagGuard.h"
#include "core/xml/Writer.h"

#include <algorithm>

namespace Core {

IModelElement::~IModelElement() = default;

void IModelElement::Delete(Env& env)
{
    if (IsDeleted()) return;
    env.GetTransaction().Delete(*this);
}

bool IModelElement::Shift(Env& env, IModelElement* sender, const ShiftVector& shift, DeferredShiftSet& set, bool noFollow)
{
    IShiftable* shiftable = GetShiftable();
    if (IsDeleted() || shiftable == nullptr || set.IsShifted(this)) return false;
    shiftable->ShiftImpl(env, sender, shift, set, noFollow);
    return true;
}

bool IModelElement::IsCompletelySelected(const ModelElementSet& set)
{
    if (selectionTesting_) return true;
    zq::FlagGuard guard(selectionTesting_);
    return IsCompletelySelectedImp(set);
}

bool IModelElement::IsCompletelySelectedImp(const ModelElementSet& set) { return set.Contains(this); }

void IModelElement::CollectForSelection(ModelElementSet& set) { set.Insert(shared_from_this()); }

void IModelElement::AddViewElement(std::shared_ptr<IViewElement> viewElement)
{
    if (viewElement) views_.push_back(std::move(viewElement));
}

void IModelElement::RemoveViewElements(const IView& view)
{
    std::erase_if(views_, [&](const std::shared_ptr<IViewElement>& v) { return &v->GetView() == &view; });
}

IViewElement* IModelElement::FindViewElement(const IView& view) const
{
    // The listing view answers without a virtual call; only bare view elements are asked.
    for (const auto& v : views_)
        if (v->GetOwnerView() == &view || (v->GetOwnerView() == nullptr && &v->GetView() == &view)) return v.get();
    return nullptr;
}

void IModelElement::UpdateViewElements(const ViewUpdateContext* context)
{
    if (updating_) return;
    zq::FlagGuard guard(updating_);
    auto views = views_;  // a view element may drop itself while updating
    for (const auto& v : views) v->Update(context);
    UpdateOwnerViews(context);
}

void IModelElement::UpdateViewElements(ViewFailures& failures)
{
    if (updating_) return;
    zq::FlagGuard guard(updating_);
    auto views = views_;
    for (const auto& v : views) {
        const IView* view = nullptr;
        try {
            view = &v->GetView();
            if (failures.Has(*view)) continue;
            v->Update(nullptr);
        } catch (...) {
            failures.Note(view);
        }
    }
    try {
        UpdateOwnerViews(nullptr);
    } catch (...) {
        failures.Note(nullptr);
    }
}

void IModelElement::StoreID(xml::IWriter& writer) const
{
    StoredForm::WriteRef(writer.WriteAttribute(xml::kSchema10, L"id", xml::kSameLine), id_);
}

void IModelElement::Store(xml::IWriter& parent, const IClub* club) const
{
    std::wstring tag = GetPartTag();
    xml::Writer writer(parent, GetNamespace(), tag.empty() ? GetTypeName() : tag);
    StoreID(writer);
    StoreProperties(writer);
    if (club != nullptr) {
        for (IModelElement* e : club->GetOwnedElements(*this))
            if (e->IsStored() && !e->IsStoredByOwner()) e->Store(writer, club);
    }
    writer.EndElement();
}

ElementPtr IModelElement::CreateChildElement(Env& env, const std::wstring& nsUri, const std::wstring& name)
{
    IFactory* factory = env.GetDiagram().GetFactoryRegistry().Find(nsUri, name);
    return factory != nullptr ? factory->CreateElement() : nullptr;
}

} // namespace Core
