#pragma once
// The parts of a diagram that carry something (texts anchored on them), found from what rests on
// them rather than by a look at every part: what may rest on a part registers while it exists.
#include <vector>

namespace Core {
class Diagram;
class IModelElement;
}

namespace Connector {

class IConnectorElement;

namespace Carriers {
// Registers an element that may rest on a connector part, its model owner (from its construction).
void Add(const Core::IModelElement& rider);
// Unregisters it (at its destruction).
void Remove(const Core::IModelElement& rider);
// The parts of the diagram, not deleted, that a registered element rests on, each once, in diagram order.
std::vector<IConnectorElement*> Of(const Core::Diagram& diagram);
}  // namespace Carriers

}  // namespace Connector
