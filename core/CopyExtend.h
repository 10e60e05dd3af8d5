// Which elements a copy (or move) of a selection must take along.
#pragma once

#include "core/ModelElementSet.h"

namespace Core {

class Diagram;

// What ExtendSelectionParam::Add did with an element.
enum class ExtendSelectionResult : int {
    None = 0,     // not taken: none, deleted or not copyable
    Partial = 1,  // taken before: nothing new to extend from
    Full = 2,     // newly taken: the caller extends the selection from it
};

// The growing selection of a copy.
class ExtendSelectionParam {
public:
    // Starts from an empty selection (diagram: the one copied from, or none).
    explicit ExtendSelectionParam(const Diagram* diagram = nullptr) : diagram_(diagram) {}
    // Adds the element once; deleted and non-copyable elements are skipped.
    ExtendSelectionResult Add(IModelElement* element);
    // The selection so far, in the order of adding.
    const ModelElementSet& GetSet() const { return set_; }
    // The diagram copied from, or none.
    const Diagram* GetDiagram() const { return diagram_; }
    // The elements newly taken and not yet extended from, oldest first (drained by Build).
    bool TakePending(IModelElement*& element);

private:
    const Diagram* diagram_;
    ModelElementSet set_;
    std::size_t pending_ = 0;
};

namespace CopyExtendSelection {
// The selection extended by everything that must be copied or moved with it: each element's
// collected parts and selection extension, the elements owned by a taken element and every element
// completely selected by the extended set, repeated until nothing is added. The result is in diagram
// order; elements outside the diagram follow in the order they were taken.
ModelElementSet Build(const ModelElementSet& selection, const Diagram& diagram);
// What every copy of the diagram's elements carries besides them: each element that travels with
// every copy, with what it collects for selection; deleted ones left out.
ModelElementSet Companions(const Diagram& diagram);
} // namespace CopyExtendSelection

} // namespace Core
