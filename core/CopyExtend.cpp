#include "core/CopyExtend.h"

#include "core/Diagram.h"
#include "core/Shift.h"

#include <unordered_map>

namespace Core {

ExtendSelectionResult ExtendSelectionParam::Add(IModelElement* element)
{
    if (element == nullptr || element->IsDeleted() || !element->IsCopyable()) return ExtendSelectionResult::None;
    if (set_.Contains(element)) return ExtendSelectionResult::Partial;
    ElementPtr shared = element->weak_from_this().lock();
    if (!shared) return ExtendSelectionResult::None;
    set_.Insert(shared);
    return ExtendSelectionResult::Full;
}

bool ExtendSelectionParam::TakePending(IModelElement*& element)
{
    if (pending_ >= set_.Size()) return false;
    element = set_.Elements()[pending_++].get();
    return true;
}

namespace CopyExtendSelection {

namespace {

// Extends from every element taken and not yet extended from.
void Drain(ExtendSelectionParam& param)
{
    IModelElement* e = nullptr;
    while (param.TakePending(e)) {
        ModelElementSet parts;
        e->CollectForSelection(parts);
        for (const ElementPtr& p : parts.Elements()) param.Add(p.get());
        if (IShiftable* s = e->GetShiftable()) s->ExtendSelection(param);
    }
}

} // namespace

ModelElementSet Build(const ModelElementSet& selection, const Diagram& diagram)
{
    ExtendSelectionParam param(&diagram);
    for (const ElementPtr& e : selection.Elements()) param.Add(e.get());
    Drain(param);
    for (bool added = true; added;) {
        added = false;
        for (const ElementPtr& e : diagram.Elements()) {
            if (param.GetSet().Contains(e.get())) continue;
            IModelElement* owner = e->GetOwner();
            const bool owned = owner != nullptr && param.GetSet().Contains(owner);
            if ((owned || e->IsCompletelySelected(param.GetSet())) &&
                param.Add(e.get()) == ExtendSelectionResult::Full) {
                Drain(param);
                added = true;
            }
        }
    }
    // Diagram order first, then whatever lies outside the diagram.
    std::unordered_map<const IModelElement*, bool> taken;
    for (const ElementPtr& e : param.GetSet().Elements()) taken[e.get()] = false;
    ModelElementSet result;
    for (const ElementPtr& e : diagram.Elements()) {
        auto it = taken.find(e.get());
        if (it != taken.end()) {
            result.Insert(e);
            it->second = true;
        }
    }
    for (const ElementPtr& e : param.GetSet().Elements())
        if (!taken[e.get()]) result.Insert(e);
    return result;
}

} // namespace CopyExtendSelection

} // namespace Core
