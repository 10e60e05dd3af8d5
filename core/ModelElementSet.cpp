#include "core/ModelElementSet.h"

#include <algorithm>

namespace Core {

bool ModelElementSet::Insert(const ElementPtr& element)
{
    if (!element || !index_.insert(element.get()).second) return false;
    elements_.push_back(element);
    return true;
}

bool ModelElementSet::Contains(const IModelElement* element) const
{
    if (index_.count(element) != 0) return true;
    if (watcher_ != nullptr) watcher_->Missed(element);
    return false;
}

bool ModelElementSet::Remove(const IModelElement* element)
{
    if (index_.count(element) == 0) return false;
    auto it = std::find_if(elements_.begin(), elements_.end(), [&](const ElementPtr& e) { return e.get() == element; });
    if (it == elements_.end()) return false;
    elements_.erase(it);
    index_.erase(element);
    return true;
}

} // namespace Core
