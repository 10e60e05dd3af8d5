// Building a new connector along a drawn path, as the creation task does when the path is complete.
#pragma once

#include "view/connector/Interfaces.h"

#include <functional>
#include <vector>

namespace Connector {

// One point of a drawn path; orthogonal when the leg that ends at it was drawn as an elbow leg.
struct PathEntry {
    zq::float8Point point;
    bool orthogonal = false;
};

// Builds a connector of the factory's kind along the path: a source end at the first point, a
// join at every inner point, a target end at the last, new segments selected in the change's view.
// The source end goes onto the source (when given); the target end is offered to the target. With
// a target filter the path must end on an element the filter accepts. Answers the connector, or
// none when the path has fewer than two entries or the filter refuses the target: nothing is made.
IConnector* BuildPathConnector(Core::Env& env, IFactory& factory, const std::vector<PathEntry>& path,
                               Core::IModelElement* source, Core::IModelElement* target,
                               const Core::IFilter* targetFilter,
                               const std::function<void(Core::Env&, IEnd&, IEnd&)>& callback = {});

} // namespace Connector
