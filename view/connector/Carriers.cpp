#include "view/connector/Carriers.h"

#include "core/Diagram.h"
#include "core/foundation/Cast.h"
#include "view/connector/Interfaces.h"

#include <algorithm>
#include <mutex>
#include <unordered_set>

namespace Connector::Carriers {

namespace {
struct Registry {
    std::mutex lock;
    std::unordered_set<const Core::IModelElement*> riders;
};
// Never destroyed: elements of static diagrams leave it at the program's end.
Registry& TheRegistry() {
    static Registry* registry = new Registry;
    return *registry;
}
} // namespace

void Add(const Core::IModelElement& rider) {
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> hold(r.lock);
    r.riders.insert(&rider);
}

void Remove(const Core::IModelElement& rider) {
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> hold(r.lock);
    r.riders.erase(&rider);
}

std::vector<IConnectorElement*> Of(const Core::Diagram& diagram) {
    std::vector<std::pair<std::size_t, IConnectorElement*>> found;
    {
        Registry& r = TheRegistry();
        std::lock_guard<std::mutex> hold(r.lock);
        for (const Core::IModelElement* rider : r.riders) {
            Core::IModelElement* owner = rider->GetOwner();
            auto* part = zq::Cast<IConnectorElement>(owner);
            if (part != nullptr && !owner->IsDeleted() && diagram.Contains(*owner))
                found.emplace_back(diagram.IndexOf(*owner), part);
        }
    }
    std::sort(found.begin(), found.end());
    found.erase(std::unique(found.begin(), found.end()), found.end());
    std::vector<IConnectorElement*> parts;
    for (const auto& f : found) parts.push_back(f.second);
    return parts;
}

} // namespace Connector::Carriers
