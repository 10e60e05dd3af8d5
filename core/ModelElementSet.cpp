#include "core/ModelElementSet.h"

#include "core/Shift.h"

#include <algorithm>

namespace Core {

bool ModelElementSet::Insert(const ElementPtr& element)
{
    if (!element || Contains(element.get())) return false;
    elements_.push_back(element);
    return true;
}

bool ModelElementSet::Contains(const IModelElement* element) const
{
    return std::any_of(elements_.begin(), elements_.end(), [&](const ElementPtr& e) { return e.get() == element; });
}

bool DeferredShiftSet::IsShifted(const IModelElement* element) const
{
    return std::find(shifted_.begin(), shifted_.end(), element) != shifted_.end();
}

void DeferredShiftSet::MarkShifted(const IModelElement* element)
{
    if (!IsShifted(element)) shifted_.push_back(element);
}

} // namespace Core
