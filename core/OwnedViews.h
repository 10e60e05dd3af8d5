// The views of what elements own: a note's text, the parts of a class are drawn where their owner
// is, so they redraw whenever the owner changed, however the change came (an edit, an undo, a
// redo, a restyle), though the change itself left them alone.
#pragma once

#include "core/ModelElement.h"

#include <unordered_set>
#include <vector>

namespace Core {

class Diagram;

// The elements of the diagram below one of the owners by GetOwner, directly or further down, that
// are not owners themselves, in element order. None while no view is attached.
std::vector<ElementPtr> FindOwnedBy(const Diagram& diagram, const std::unordered_set<const IModelElement*>& owners);

// Lets the view elements of what the owners own update; a failing view is noted.
void UpdateOwnedViews(const Diagram& diagram, const std::unordered_set<const IModelElement*>& owners,
                      ViewFailures& failures);

} // namespace Core
