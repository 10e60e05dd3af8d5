#include "core/OwnedViews.h"

#include "core/Diagram.h"

namespace Core {

std::vector<ElementPtr> FindOwnedBy(const Diagram& diagram, const std::unordered_set<const IModelElement*>& owners)
{
    std::vector<ElementPtr> owned;
    if (diagram.GetViews().empty() || owners.empty()) return owned;
    // Owner chains are short; the bound keeps a chain that loops from walking forever.
    constexpr int kDepth = 32;
    for (const auto& e : diagram.Elements()) {
        if (owners.count(e.get())) continue;
        int depth = 0;
        for (const IModelElement* o = e->GetOwner(); o != nullptr && depth < kDepth; o = o->GetOwner(), ++depth)
            if (owners.count(o)) {
                owned.push_back(e);
                break;
            }
    }
    return owned;
}

void UpdateOwnedViews(const Diagram& diagram, const std::unordered_set<const IModelElement*>& owners,
                      ViewFailures& failures)
{
    for (const auto& e : FindOwnedBy(diagram, owners)) e->UpdateViewElements(failures);
}

} // namespace Core
